#include "base/Properties.h"

int CProperties::SetBool(int nID, bool bValue) { return SetProperty(nID, {KindBool, bValue ? 1 : 0}); }
int CProperties::SetColor(int nID, COLORREF crValue) { return SetProperty(nID, {KindColor, crValue}); }
int CProperties::SetEnumValue(int nID, int nValue) { return SetProperty(nID, {KindEnum, nValue}); }
int CProperties::SetInt(int nID, int nValue) { return SetProperty(nID, {KindInt, nValue}); }
int CProperties::SetFont(int nID, const LOGFONTW& lf) { return SetProperty(nID, {KindFont, lf}); }
int CProperties::SetString(int nID, const QString& strValue) { return SetProperty(nID, {KindString, strValue}); }
int CProperties::SetRect(int nID, const RECT& rc) { return SetProperty(nID, {KindRect, rc}); }
int CProperties::SetRect(int nID, int left, int top, int right, int bottom)
{
    return SetRect(nID, RECT{left, top, right, bottom});
}

namespace {
template <typename T, typename Out>
int Read(const CProperties::CProperty* p, Out& out)
{
    if (!p)
        return 0;
    const T* v = std::get_if<T>(&p->value);
    if (!v)
        return 0;
    out = Out(*v);
    return 1;
}
}  // namespace

int CProperties::GetBool(int nID, bool& bValue) const
{
    int n = 0;
    if (!Read<int>(GetProperty(nID, KindBool), n))
        return 0;
    bValue = n != 0;
    return 1;
}
int CProperties::GetColor(int nID, COLORREF& crValue) const { return Read<COLORREF>(GetProperty(nID, KindColor), crValue); }
int CProperties::GetEnumValue(int nID, int& nValue) const { return Read<int>(GetProperty(nID, KindEnum), nValue); }
int CProperties::GetInt(int nID, int& nValue) const { return Read<int>(GetProperty(nID, KindInt), nValue); }
int CProperties::GetFont(int nID, LOGFONTW& lf) const { return Read<LOGFONTW>(GetProperty(nID, KindFont), lf); }
int CProperties::GetString(int nID, QString& strValue) const { return Read<QString>(GetProperty(nID, KindString), strValue); }
int CProperties::GetRect(int nID, RECT& rc) const { return Read<RECT>(GetProperty(nID, KindRect), rc); }

int CProperties::SetProperty(int nID, CProperty prop)
{
    m_mapProps.insert(nID, std::move(prop));
    return 1;
}

const CProperties::CProperty* CProperties::GetProperty(int nID) const
{
    auto it = m_mapProps.constFind(nID);
    return it == m_mapProps.constEnd() ? nullptr : &it.value();
}

const CProperties::CProperty* CProperties::GetProperty(int nID, int nKind) const
{
    const CProperty* p = GetProperty(nID);
    return p && p->nKind == nKind ? p : nullptr;
}

const CProperties::CProperty* CDefProperties::GetProperty(int nID) const
{
    if (const CProperty* own = CProperties::GetProperty(nID))
        return own;
    // Bounded walk: a chain that loops back on itself must not hang the lookup.
    int guard = 64;
    for (const CDefProperties* d = m_pDefaults; d && guard-- > 0; d = d->m_pDefaults) {
        if (const CProperty* p = d->CProperties::GetProperty(nID))
            return p;
    }
    return nullptr;
}
