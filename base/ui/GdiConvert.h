#pragma once

#include <QColor>
#include <QFont>
#include <QRect>

#include "base/GdiTypes.h"

namespace tamo {

// The one conversion of a 0x00BBGGRR colour into Qt's colour: 0x0281FB is orange (251, 129, 2).
inline QColor ColorFromRef(COLORREF cr) { return QColor(GetRValue(cr), GetGValue(cr), GetBValue(cr)); }
inline COLORREF RefFromColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

// RECT keeps right/bottom exclusive, as the platform does.
inline QRect RectFromRECT(const RECT& rc) { return QRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top); }
inline RECT RECTFromRect(const QRect& r) { return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

// A font record: negative heights are character heights in pixels, positive ones cell heights.
QFont FontFromLOGFONT(const LOGFONTW& lf);
LOGFONTW LOGFONTFromFont(const QFont& font);
// The font a dialog asks for by face, pixel size and weight.
QFont MakeFont(const QString& face, int pixelSize, bool bold = false);

// The system colours the skinned controls fall back to.
constexpr COLORREF COLOR_BTNTEXT_VALUE = 0x555555;  // the skin's dark grey
constexpr COLORREF COLOR_BTNFACE_VALUE = 0xF0F0F0;
constexpr COLORREF COLOR_WINDOW_VALUE = 0xFFFFFF;

}  // namespace tamo

// Text format flags of the drawing helpers (the platform's values).
namespace tamo {
enum : unsigned {
    DT_TOP = 0x0,
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_NOPREFIX = 0x800,
    DT_END_ELLIPSIS = 0x8000,
};
// Qt's alignment and text flags for a format.
int QtTextFlags(unsigned nFormat);
}  // namespace tamo
