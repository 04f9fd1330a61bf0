#pragma once

#include <variant>

#include <QHash>
#include <QString>

#include "base/GdiTypes.h"

// A typed property bag kept in memory: values of seven kinds under integer identifiers.
// A value is only read back with the kind it was stored as; nothing is converted.
class CProperties {
public:
    enum Kind { KindBool = 0, KindColor = 1, KindEnum = 2, KindInt = 3, KindFont = 4, KindString = 5, KindRect = 6 };

    // One stored value. Scalars are kept inline, the font, string and rectangle as owned copies.
    struct CProperty {
        int nKind = KindInt;
        std::variant<int, COLORREF, LOGFONTW, QString, RECT> value;
    };

    CProperties() = default;
    virtual ~CProperties() = default;
    CProperties(const CProperties&) = default;
    CProperties& operator=(const CProperties&) = default;

    int SetBool(int nID, bool bValue);
    int SetColor(int nID, COLORREF crValue);
    int SetEnumValue(int nID, int nValue);
    int SetInt(int nID, int nValue);
    int SetFont(int nID, const LOGFONTW& lf);
    int SetString(int nID, const QString& strValue);
    int SetRect(int nID, const RECT& rc);
    int SetRect(int nID, int left, int top, int right, int bottom);

    // 1 and the value written out when the identifier holds a value of that kind; else 0 and
    // the out value untouched.
    [[nodiscard]] int GetBool(int nID, bool& bValue) const;
    [[nodiscard]] int GetColor(int nID, COLORREF& crValue) const;
    [[nodiscard]] int GetEnumValue(int nID, int& nValue) const;
    [[nodiscard]] int GetInt(int nID, int& nValue) const;
    [[nodiscard]] int GetFont(int nID, LOGFONTW& lf) const;
    [[nodiscard]] int GetString(int nID, QString& strValue) const;
    [[nodiscard]] int GetRect(int nID, RECT& rc) const;

protected:
    // Replaces whatever the identifier held.
    int SetProperty(int nID, CProperty prop);
    // The object's own property, or null.
    virtual const CProperty* GetProperty(int nID) const;
    // The (possibly inherited) property, or null unless it has the kind asked for.
    const CProperty* GetProperty(int nID, int nKind) const;

private:
    QHash<int, CProperty> m_mapProps;
};

// A bag whose missing properties are looked up in another bag (not owned), along its chain.
class CDefProperties : public CProperties {
public:
    CDefProperties() = default;
    explicit CDefProperties(const CDefProperties* pDefaults) : m_pDefaults(pDefaults) {}

    void SetDefaults(const CDefProperties* pDefaults) { m_pDefaults = pDefaults; }
    const CDefProperties* GetDefaults() const { return m_pDefaults; }

protected:
    const CProperty* GetProperty(int nID) const override;
    using CProperties::GetProperty;

private:
    const CDefProperties* m_pDefaults = nullptr;
};
