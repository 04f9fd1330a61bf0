#pragma once

#include <QAbstractButton>
#include <QCursor>
#include <QSize>

#include <optional>

#include "base/ui/ControlExt.h"

class CImageList;

// An owner-drawn button on a drawing helper: icons per state, hover, check behaviour and a
// hot cursor. Clicks reach the dialog as (id, BN_CLICKED) through the clicked signal.
class CButtonExt : public QAbstractButton, public CControlExt {
    Q_OBJECT
public:
    // Style bits: the kind in bits 0-3, then what is drawn and where the icon goes.
    enum : unsigned {
        KindPush = 0,
        KindDefPush = 1,
        KindLabel = 2,
        KindCheck = 3,
        KindMask = 0x0F,
        StyleText = 0x10,
        StyleIcon = 0x20,
        IconHMask = 0xC0,
        IconRight = 0x80,
        IconLeft = 0x00,
        IconVMask = 0x300,
        IconTop = 0x100,
        IconBottom = 0x200,
    };
    // Alignment of the text (the platform's button styles).
    enum : unsigned {
        BS_LEFT = 0x100,
        BS_RIGHT = 0x200,
        BS_CENTER = 0x300,
        BS_TOP = 0x400,
        BS_BOTTOM = 0x800,
        BS_VCENTER = 0xC00,
        BS_MULTILINE = 0x2000,
    };
    enum State { StateNormal = 1, StateHot = 2, StatePressed = 3, StateDisabled = 4, StateDefault = 5 };
    static constexpr int kIconGap = 2;

    explicit CButtonExt(QWidget* parent = nullptr);
    ~CButtonExt() override;

    // Creates the button as a child with its id.
    bool CreateEx(const QString& text, unsigned nButtonStyle, const QRect& rc, QWidget* parent, int nID);

    void SetImageList(const CImageList* pImages) { m_pImages = pImages; update(); }
    void SetIcons(int nNormal, int nPressed = -1, int nDisabled = -1, int nHot = -1, int nDefault = -1);
    void SetButtonStyle(unsigned nStyle);
    unsigned GetButtonStyle() const { return m_nStyle; }
    void SetWindowStyle(unsigned nAlign) { m_nAlign = nAlign; update(); }
    void SetHotCursor(const QCursor& cursor) { m_hotCursor = cursor; }
    void SetCheck(int nCheck);
    int GetCheck() const { return m_nCheck; }
    void SetDefaulted(bool bDefault);
    bool IsDefaulted() const { return (m_nStyle & KindMask) == KindDefPush; }
    void SetEnableHot(bool b) { m_bEnableHot = b; }
    bool IsHover() const { return m_bHover; }

    QSize GetContentSize() const;
    void SizeToContent();

    // The visual state for a kind and the button's conditions.
    static int StateFor(unsigned nKind, bool bDisabled, bool bPressed, bool bHot, bool bChecked);
    int GetDrawState() const;
    // The icon index the state draws (-1 when none).
    int IconIndexFor(int nState) const;

    QSize sizeHint() const override { return GetContentSize(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void DrawItem(QPainter* pDC);
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void nextCheckState() override;

private:
    QSize TextSize() const;

    const CImageList* m_pImages = nullptr;
    unsigned m_nStyle = StyleText;
    unsigned m_nAlign = BS_CENTER | BS_VCENTER;
    int m_nIcons[5] = {0, -1, -1, -1, -1};
    std::optional<QCursor> m_hotCursor;
    int m_nCheck = 0;
    bool m_bHover = false;
    bool m_bEnableHot = true;
};
