#include "base/ui/MenuXP.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

#include <algorithm>
#include <cmath>

#include "base/ui/GdiConvert.h"
#include "base/ui/ImageList.h"

namespace {

constexpr const char* kConvertedProperty = "XPMenuOwnerDrawn";

using CMenuID = QPair<const QMenu*, int>;
struct CImgDesc {
    const CImageList* pImages = nullptr;
    int nIndex = -1;
};

// Process-wide state of the look, as the menus are the platform's own.
struct MenuState {
    QHash<CMenuID, QString> captions;
    QHash<const QMenu*, QString> subMenuCaptions;
    QHash<CMenuID, CImgDesc> images;
    QHash<const QMenu*, QPointer<QMenu>> alive;
    int hookCount = 0;
    QObject* hook = nullptr;
};
MenuState& State()
{
    static MenuState s;
    return s;
}

void Purge()
{
    MenuState& s = State();
    QList<const QMenu*> dead;
    for (auto it = s.alive.cbegin(); it != s.alive.cend(); ++it) {
        if (!it.value())
            dead.push_back(it.key());
    }
    for (const QMenu* m : dead) {
        s.alive.remove(m);
        s.subMenuCaptions.remove(m);
        for (auto it = s.captions.begin(); it != s.captions.end();)
            it = it.key().first == m ? s.captions.erase(it) : std::next(it);
        for (auto it = s.images.begin(); it != s.images.end();)
            it = it.key().first == m ? s.images.erase(it) : std::next(it);
    }
}

QColor C(COLORREF cr) { return tamo::ColorFromRef(cr); }

// RGB and HLS, each 0-255.
void ToHLS(COLORREF cr, double& h, double& l, double& s)
{
    const double r = GetRValue(cr) / 255.0, g = GetGValue(cr) / 255.0, b = GetBValue(cr) / 255.0;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const double lum = (mx + mn) / 2;
    double hue = 0, sat = 0;
    if (mx != mn) {
        const double d = mx - mn;
        sat = lum <= 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
        if (mx == r)
            hue = (g - b) / d + (g < b ? 6 : 0);
        else if (mx == g)
            hue = (b - r) / d + 2;
        else
            hue = (r - g) / d + 4;
        hue /= 6;
    }
    h = hue * 255;
    l = lum * 255;
    s = sat * 255;
}

double HueToRGB(double p, double q, double t)
{
    if (t < 0)
        t += 1;
    if (t > 1)
        t -= 1;
    if (t < 1.0 / 6)
        return p + (q - p) * 6 * t;
    if (t < 0.5)
        return q;
    if (t < 2.0 / 3)
        return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}

COLORREF FromHLS(double h, double l, double s)
{
    h /= 255;
    l /= 255;
    s /= 255;
    if (s == 0) {
        const int v = int(std::lround(l * 255));
        return RGB(v, v, v);
    }
    const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
    const double p = 2 * l - q;
    return RGB(int(std::lround(HueToRGB(p, q, h + 1.0 / 3) * 255)), int(std::lround(HueToRGB(p, q, h) * 255)),
               int(std::lround(HueToRGB(p, q, h - 1.0 / 3) * 255)));
}

int Move(int v, int p)
{
    int out = v;
    if (p > 0)
        out = v + (255 - v) * p / 100;
    else if (p < 0)
        out = v * (100 + p) / 100;
    return out & 0xFF;  // an 8-bit value
}

// Applies the look to pop-up menus that open over a window that uses it.
class CMenuHook : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* obj, QEvent* e) override
    {
        if (e->type() == QEvent::Polish || e->type() == QEvent::Show) {
            if (auto* menu = qobject_cast<QMenu*>(obj)) {
                QWidget* fg = QApplication::activeWindow();
                if (fg && fg != menu && CMenuXP::GetXPLookNFeel(fg) && !CMenuXP::IsOwnerDrawn(menu))
                    CMenuXP::SetXPLookNFeel(fg, menu, true);
            }
        }
        return false;
    }
};

}  // namespace

// ---- colour rule ----

COLORREF CMenuXP::HLSTransform(COLORREF cr, int nLightPercent, int nSatPercent)
{
    double h, l, s;
    ToHLS(cr, h, l, s);
    const int L = Move(int(std::lround(l)), nLightPercent);
    const int S = Move(int(std::lround(s)), nSatPercent);
    return FromHLS(h, L, S);
}

// ---- window and menu marking ----

CMenuXPStyle* CMenuXP::Style()
{
    static CMenuXPStyle* style = [] {
        auto* s = new CMenuXPStyle;
        s->setParent(qApp);
        return s;
    }();
    return style;
}

void CMenuXP::SetXPLookNFeel(QWidget* pWnd, bool bOn)
{
    if (pWnd)
        pWnd->setProperty(kWndProperty, bOn ? QVariant(1) : QVariant());
}

bool CMenuXP::GetXPLookNFeel(const QWidget* pWnd)
{
    return pWnd && pWnd->property(kWndProperty).toInt() == 1;
}

void CMenuXP::SetXPLookNFeel(QWidget*, QMenu* pMenu, bool bOn, bool)
{
    if (!bOn || !pMenu)
        return;
    Purge();
    MenuState& s = State();
    s.alive.insert(pMenu, pMenu);
    for (QAction* a : pMenu->actions()) {
        if (a->property(kConvertedProperty).toBool())
            continue;
        a->setProperty(kConvertedProperty, true);
        if (a->isSeparator())
            continue;
        if (QMenu* sub = a->menu()) {
            s.subMenuCaptions.insert(sub, a->text());
            s.alive.insert(sub, sub);
            SetXPLookNFeel(nullptr, sub, true, false);
        } else {
            s.captions.insert({pMenu, a->data().toInt()}, a->text());
        }
    }
    if (pMenu->style() != Style()) {
        pMenu->setStyle(Style());
        // The skin's menu font, unless the caller chose one.
        if (!pMenu->testAttribute(Qt::WA_SetFont)) {
            QFont f(QStringLiteral("돋움"));
            f.setPixelSize(12);
            pMenu->setFont(f);
        }
        // Room for the shadow along the right and bottom edges.
        pMenu->setAttribute(Qt::WA_TranslucentBackground);
        pMenu->setWindowFlag(Qt::NoDropShadowWindowHint);
        pMenu->setContentsMargins(0, 0, CMenuXPStyle::kShadow, CMenuXPStyle::kShadow);
    }
}

void CMenuXP::SetXPLookNFeel(QWidget* pWnd, QMenuBar* pMenuBar, bool bOn)
{
    if (!bOn || !pMenuBar)
        return;
    pMenuBar->setStyle(Style());
    for (QAction* a : pMenuBar->actions()) {
        if (QMenu* sub = a->menu()) {
            State().subMenuCaptions.insert(sub, a->text());
            SetXPLookNFeel(pWnd, sub, true, false);
        }
    }
}

bool CMenuXP::IsOwnerDrawn(const QMenu* pMenu)
{
    return pMenu && !pMenu->actions().isEmpty() && pMenu->actions().first()->property(kConvertedProperty).toBool();
}

void CMenuXP::SetMenuItemImage(QMenu* pMenu, int nID, const CImageList* pImages, int nIndex)
{
    if (!pMenu)
        return;
    State().images.insert({pMenu, nID}, {pImages, nIndex});
    State().alive.insert(pMenu, pMenu);
    for (QAction* a : pMenu->actions()) {
        if (!a->menu() && a->data().toInt() == nID && pImages)
            a->setIcon(QIcon(QPixmap::fromImage(pImages->GetImage(nIndex))));
    }
}

long CMenuXP::OnMenuChar(const QMenu* pMenu, QChar ch, unsigned nFlags)
{
    if (!pMenu || (nFlags != 0 && !(nFlags & MF_POPUP)))
        return 0;
    const QChar want = ch.toUpper();
    const QList<QAction*> actions = pMenu->actions();
    for (int pos = 0; pos < actions.size(); ++pos) {
        const QString text = actions[pos]->text();
        for (int i = 0; i + 1 < text.size(); ++i) {
            if (text[i] != QLatin1Char('&'))
                continue;
            if (text[i + 1] == QLatin1Char('&')) {
                ++i;  // a literal ampersand
                continue;
            }
            if (text[i + 1].toUpper() == want)
                return (2L << 16) | pos;
            break;  // only the first access key of a caption counts
        }
    }
    return 0;
}

void CMenuXP::UpdateMenuBar(QWidget* pWnd)
{
    if (!GetXPLookNFeel(pWnd))
        return;
    for (QMenuBar* bar : pWnd->findChildren<QMenuBar*>())
        SetXPLookNFeel(pWnd, bar, true);
}

void CMenuXP::InitializeHook()
{
    MenuState& s = State();
    if (s.hookCount++ == 0) {
        s.hook = new CMenuHook(qApp);
        qApp->installEventFilter(s.hook);
    }
}

void CMenuXP::UninitializeHook()
{
    MenuState& s = State();
    if (s.hookCount == 0)
        return;
    if (--s.hookCount == 0) {
        qApp->removeEventFilter(s.hook);
        delete s.hook;
        s.hook = nullptr;
    }
}

QString CMenuXP::GetCaption(const QMenu* pMenu, int nID) { return State().captions.value({pMenu, nID}); }
QString CMenuXP::GetSubMenuCaption(const QMenu* pSubMenu) { return State().subMenuCaptions.value(pSubMenu); }
int CMenuXP::GetCaptionCount()
{
    Purge();
    return int(State().captions.size());
}

// ---- the style ----

CMenuXPStyle::CMenuXPStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

int CMenuXPStyle::ItemHeight(const QFontMetrics& fm)
{
    return fm.height() + 2 > 16 ? fm.height() + 6 : 20;
}

int CMenuXPStyle::SeparatorHeight(const QFontMetrics& fm) { return fm.height() / 2 + 2; }

int CMenuXPStyle::pixelMetric(PixelMetric metric, const QStyleOption* opt, const QWidget* w) const
{
    switch (metric) {
    case PM_MenuPanelWidth: return 1;
    case PM_MenuHMargin: return 0;
    case PM_MenuVMargin: return 1;
    case PM_SubMenuOverlap: return -2;
    case PM_SmallIconSize: return 16;
    default: return QProxyStyle::pixelMetric(metric, opt, w);
    }
}

int CMenuXPStyle::styleHint(StyleHint hint, const QStyleOption* opt, const QWidget* w, QStyleHintReturn* ret) const
{
    if (hint == SH_Menu_AllowActiveAndDisabled)
        return 1;
    return QProxyStyle::styleHint(hint, opt, w, ret);
}

QSize CMenuXPStyle::sizeFromContents(ContentsType ct, const QStyleOption* opt, const QSize& size, const QWidget* w) const
{
    if (ct != CT_MenuItem)
        return QProxyStyle::sizeFromContents(ct, opt, size, w);
    const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(opt);
    if (!mi)
        return size;
    const QFontMetrics fm(mi->font);
    if (mi->menuItemType == QStyleOptionMenuItem::Separator)
        return QSize(10, SeparatorHeight(fm));
    QString text = mi->text, shortcut;
    const int tab = text.indexOf(QLatin1Char('\t'));
    if (tab >= 0) {
        shortcut = text.mid(tab + 1);
        text = text.left(tab);
    }
    const int extra = shortcut.isEmpty() ? 0 : fm.horizontalAdvance(shortcut) + kShortcutRight + 8;
    return QSize(fm.horizontalAdvance(QString(text).remove(QLatin1Char('&'))) + extra + 42, ItemHeight(fm));
}

void CMenuXPStyle::drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p, const QWidget* w) const
{
    if (pe == PE_PanelMenu) {
        const QRect body = opt->rect.adjusted(0, 0, -kShadow, -kShadow);
        p->fillRect(body, C(CMenuXP::TextAreaColor()));
        p->fillRect(QRect(body.left(), body.top(), kIconColumn + 1, body.height()), C(CMenuXP::IconColumnColor()));
        // The flat border is drawn here: the menu clips its frame call to the outermost ring,
        // which is shadow on the right and bottom.
        p->setPen(C(CMenuXP::kDarkShadow));
        p->setBrush(Qt::NoBrush);
        p->drawRect(body.adjusted(0, 0, -1, -1));
        // The shadow: each pixel darkened to (93 - 5k) % of what lies below, k growing outwards.
        for (int k = 0; k < kShadow; ++k) {
            QColor shade(0, 0, 0, int(std::lround(255 * (7 + 5 * k) / 100.0)));
            const int x = body.right() + 1 + k, y = body.bottom() + 1 + k;
            p->fillRect(QRect(x, body.top() + kShadow + k, 1, body.height() - kShadow - k), shade);
            p->fillRect(QRect(body.left() + kShadow + k, y, body.width() - kShadow - k, 1), shade);
            p->fillRect(QRect(body.right() + 1, y, k + 1, 1), shade);
            p->fillRect(QRect(x, body.bottom() + 1, 1, k), shade);
        }
        return;
    }
    if (pe == PE_FrameMenu)
        return;  // drawn with the panel
    QProxyStyle::drawPrimitive(pe, opt, p, w);
}

void CMenuXPStyle::drawControl(ControlElement element, const QStyleOption* opt, QPainter* p, const QWidget* w) const
{
    const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(opt);
    if (element == CE_MenuBarItem && mi) {
        const bool open = mi->state & (State_Selected | State_Sunken);
        if (open) {
            p->fillRect(mi->rect.adjusted(0, 0, -kShadow, 0), C(CMenuXP::IconColumnColor()));
            p->setPen(C(CMenuXP::kDarkShadow));
            p->drawRect(mi->rect.adjusted(0, 0, -kShadow - 1, -1));
            p->fillRect(QRect(mi->rect.right() - kShadow + 1, mi->rect.top() + kShadow, kShadow, mi->rect.height() - kShadow),
                        QColor(0, 0, 0, 40));
        }
        p->setPen(C(CMenuXP::kMenuText));
        p->drawText(mi->rect.adjusted(0, 0, -kShadow, 0), Qt::AlignCenter | Qt::TextShowMnemonic, mi->text);
        return;
    }
    if (element == CE_MenuEmptyArea) {
        return;
    }
    if (element != CE_MenuItem || !mi) {
        QProxyStyle::drawControl(element, opt, p, w);
        return;
    }
    const QRect r = mi->rect;
    const bool selected = mi->state & State_Selected;
    const bool enabled = mi->state & State_Enabled;
    p->save();
    // The row's own background, so that items can be drawn alone (the off-screen buffer).
    p->fillRect(r, C(CMenuXP::TextAreaColor()));
    p->fillRect(QRect(r.left(), r.top(), kIconColumn, r.height()), C(CMenuXP::IconColumnColor()));
    if (mi->menuItemType == QStyleOptionMenuItem::Separator) {
        p->setPen(C(CMenuXP::SeparatorColor()));
        const int y = r.top() + r.height() / 2;
        p->drawLine(r.left() + kTextLeft, y, r.right(), y);
        p->restore();
        return;
    }
    if (selected) {
        p->fillRect(r, C(enabled ? CMenuXP::SelectedFillColor() : CMenuXP::SelectedDisabledFillColor()));
        p->setPen(C(CMenuXP::kHighlight));
        p->drawRect(r.adjusted(0, 0, -1, -1));
    }
    if (mi->checked) {
        const QRect box(r.left() + 1, r.top() + 1, 20, r.height() - 2);
        p->fillRect(box.adjusted(0, 0, -1, -1),
                    C(selected && !enabled ? CMenuXP::SelectedDisabledFillColor() : CMenuXP::CheckFillColor(selected)));
        p->setPen(C(CMenuXP::kHighlight));
        p->drawRect(box.adjusted(0, 0, -1, -1));
        if (mi->icon.isNull()) {
            // A tick in the box.
            QPen pen(C(CMenuXP::kMenuText), 1.6);
            p->setPen(pen);
            p->setRenderHint(QPainter::Antialiasing);
            const QPointF c = QRectF(box).center();
            const QPointF pts[3] = {c + QPointF(-4, 0), c + QPointF(-1, 3), c + QPointF(4, -3)};
            p->drawPolyline(pts, 3);
            p->setRenderHint(QPainter::Antialiasing, false);
        }
    }
    if (!mi->icon.isNull()) {
        const QPixmap pm = mi->icon.pixmap(16, 16, enabled ? QIcon::Normal : QIcon::Disabled);
        p->drawPixmap(r.left() + (kIconColumn - pm.width()) / 2 + 1, r.top() + (r.height() - pm.height()) / 2, pm);
    }
    QColor text = C(CMenuXP::kMenuText);
    if (!enabled)
        text = C(selected ? CMenuXP::SeparatorColor() : CMenuXP::kBtnShadow);
    p->setPen(text);
    p->setFont(mi->font);
    QString caption = mi->text, shortcut;
    const int tab = caption.indexOf(QLatin1Char('\t'));
    if (tab >= 0) {
        shortcut = caption.mid(tab + 1);
        caption = caption.left(tab);
    }
    const int mnemonic = proxy()->styleHint(SH_UnderlineShortcut, mi, w) ? Qt::TextShowMnemonic : Qt::TextHideMnemonic;
    const QRect textRect(r.left() + kTextLeft, r.top(), r.width() - kTextLeft - kShortcutRight, r.height());
    p->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | mnemonic, caption);
    if (!shortcut.isEmpty())
        p->drawText(textRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, shortcut);
    if (mi->menuItemType == QStyleOptionMenuItem::SubMenu) {
        const int cx = r.right() - 6, cy = r.center().y();
        QPainterPath arrow;
        arrow.moveTo(cx - 3, cy - 4);
        arrow.lineTo(cx + 1, cy);
        arrow.lineTo(cx - 3, cy + 4);
        arrow.closeSubpath();
        p->fillPath(arrow, text);
    }
    p->restore();
}
