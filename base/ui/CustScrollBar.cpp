#include "base/ui/CustScrollBar.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include <algorithm>

#include "base/ui/ImageExt.h"

namespace {

QImage& Skin()
{
    static QImage skin;
    return skin;
}

// The skin layout: x, y, width, height of each part, for [horizontal normal, horizontal hot,
// vertical normal, vertical hot].
constexpr int kSkin[CCustScrollBar::SkinPartCount][4][4] = {
    {{0, 0, 11, 12}, {20, 0, 11, 12}, {72, 0, 12, 11}, {104, 0, 12, 11}},       // left/up arrow
    {{0, 16, 11, 12}, {20, 16, 11, 12}, {72, 20, 12, 11}, {104, 20, 12, 11}},   // right/down arrow
    {{0, 83, 1, 12}, {4, 83, 1, 12}, {0, 112, 12, 1}, {4, 83, 12, 1}},          // track before
    {{0, 83, 1, 12}, {4, 83, 1, 12}, {0, 112, 12, 1}, {4, 83, 12, 1}},          // track after
    {{48, 0, 4, 12}, {48, 16, 4, 12}, {126, 0, 12, 4}, {126, 39, 12, 4}},       // thumb start cap
    {{52, 0, 1, 12}, {52, 16, 1, 12}, {126, 4, 12, 1}, {126, 43, 12, 1}},       // body before grip
    {{53, 0, 9, 12}, {53, 16, 9, 12}, {126, 5, 12, 9}, {126, 44, 12, 9}},       // grip
    {{62, 0, 1, 12}, {62, 16, 1, 12}, {126, 14, 12, 1}, {126, 53, 12, 1}},      // body after grip
    {{63, 0, 4, 12}, {63, 16, 4, 12}, {126, 15, 12, 4}, {126, 54, 12, 4}},      // thumb end cap
};

bool ValidSize(int n) { return n != 0 && n >= -8 && n <= 256; }

int StandardExtent()
{
    return QApplication::style() ? QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
}

}  // namespace

// ---- geometry ----

QRect CCustScrollBar::SkinRect(SkinPart part, bool bHot, bool bVertical)
{
    const int* r = kSkin[part][(bVertical ? 2 : 0) + (bHot ? 1 : 0)];
    return QRect(r[0], r[1], r[2], r[3]);
}

CSB_LAYOUT CCustScrollBar::CalcLayout(int nLength, int nArrowLength, const CSB_SCROLLINFO& info, int nMinThumb)
{
    CSB_LAYOUT l;
    const int L = std::max(0, nLength), A = std::max(0, nArrowLength);
    if (2 * A >= L) {
        l.nArrow1 = L / 2;
        l.nArrow2 = L - L / 2;
        l.nTrackStart = l.nArrow1;
        return l;
    }
    l.nArrow1 = l.nArrow2 = A;
    l.nTrackStart = A;
    l.nTrackLength = L - 2 * A;
    const long long range = (long long)info.nMax - info.nMin;
    if (range < 0 || range > 0x7FFFFFFE)
        return l;
    const long long track = l.nTrackLength;
    long long thumb = info.nPage == 0 ? A : (long long)info.nPage * track / (range + 1);
    thumb = std::max<long long>(thumb, nMinThumb);
    if (thumb > track)
        return l;
    const long long span = range - std::max(info.nPage, 1) + 1;
    long long offset = span > 0 ? ((long long)info.nPos - info.nMin) * (track - thumb) / span : 0;
    offset = std::clamp<long long>(offset, 0, track - thumb);
    l.bThumb = true;
    l.nThumbLength = int(thumb);
    l.nThumbOffset = int(offset);
    return l;
}

int CCustScrollBar::PosFromThumbOffset(int nOffset, const CSB_LAYOUT& layout, const CSB_SCROLLINFO& info)
{
    const long long free = layout.nTrackLength - layout.nThumbLength;
    const long long span = (long long)info.nMax - info.nMin - std::max(info.nPage, 1) + 1;
    const int maxPos = info.nPage > 0 ? info.nMax - info.nPage + 1 : info.nMax;
    if (free <= 0 || span <= 0)
        return info.nMin;
    const long long off = std::clamp<long long>(nOffset, 0, free);
    // The first position the forward formula puts at this offset, so offsets round-trip.
    const long long pos = info.nMin + (off * span + free - 1) / free;
    return int(std::clamp<long long>(pos, info.nMin, std::max(info.nMin, maxPos)));
}

bool CCustScrollBar::IsActive(const CSB_SCROLLINFO& info, unsigned nFlags)
{
    if ((nFlags & (ESB_DISABLE_LTUP | ESB_DISABLE_RTDN)) == (ESB_DISABLE_LTUP | ESB_DISABLE_RTDN))
        return false;
    return info.nMax >= info.nPage && info.nMin < info.nMax && info.nMax != 0;
}

// ---- the bar widget ----

CCustScrollBarWidget::CCustScrollBarWidget(CCustScrollBar* pOwner, int nBar, QWidget* parent)
    : QScrollBar(nBar == CCustScrollBar::SB_VERT ? Qt::Vertical : Qt::Horizontal, parent), m_pOwner(pOwner), m_nBar(nBar)
{
    setMouseTracking(true);
    m_repeat.setSingleShot(true);
    m_repeat.setTimerType(Qt::PreciseTimer);
    connect(&m_repeat, &QTimer::timeout, this, [this] { OnRepeat(); });
}

CSB_SCROLLINFO CCustScrollBarWidget::GetInfo() const
{
    CSB_SCROLLINFO info;
    info.nMin = minimum();
    info.nPage = pageStep();
    info.nMax = pageStep() > 0 ? maximum() + pageStep() - 1 : maximum();
    info.nPos = value();
    info.nTrackPos = sliderPosition();
    return info;
}

int CCustScrollBarWidget::Length() const { return orientation() == Qt::Vertical ? height() : width(); }

int CCustScrollBarWidget::Along(const QPoint& pt) const { return orientation() == Qt::Vertical ? pt.y() : pt.x(); }

QRect CCustScrollBarWidget::PartRect(int start, int length) const
{
    return orientation() == Qt::Vertical ? QRect(0, start, width(), length) : QRect(start, 0, length, height());
}

CSB_LAYOUT CCustScrollBarWidget::GetLayout() const
{
    const int arrow = m_pOwner ? m_pOwner->ArrowLength(m_nBar) : 12;
    const int minThumb = m_pOwner ? m_pOwner->GetBar(m_nBar).nMinThumbSize : CCustScrollBar::kDefaultMinThumb;
    CSB_LAYOUT l = CCustScrollBar::CalcLayout(Length(), arrow, GetInfo(), minThumb);
    const unsigned flags = m_pOwner ? m_pOwner->GetBar(m_nBar).fScrollFlags : 0;
    if (!CCustScrollBar::IsActive(GetInfo(), flags) && !(flags & CCustScrollBar::CSBS_THUMBALWAYS))
        l.bThumb = false;
    return l;
}

QSize CCustScrollBarWidget::sizeHint() const
{
    const int len = m_pOwner ? m_pOwner->ArrowLength(m_nBar) : 12;
    const int wid = m_pOwner ? m_pOwner->ArrowWidth(m_nBar) : 12;
    return orientation() == Qt::Vertical ? QSize(wid, 2 * len) : QSize(2 * len, wid);
}

CCustScrollBarWidget::Part CCustScrollBarWidget::HitTest(const QPoint& pt) const
{
    if (!rect().contains(pt))
        return PartNone;
    const CSB_LAYOUT l = GetLayout();
    const int a = Along(pt);
    if (a < l.nArrow1)
        return PartArrow1;
    if (a >= Length() - l.nArrow2)
        return PartArrow2;
    if (!l.bThumb)
        return PartTrack1;
    const int thumb = l.nTrackStart + l.nThumbOffset;
    if (a < thumb)
        return PartTrack1;
    if (a < thumb + l.nThumbLength)
        return PartThumb;
    return PartTrack2;
}

void CCustScrollBarWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QImage& skin = CCustScrollBar::GetSkinBitmap();
    const bool vert = orientation() == Qt::Vertical;
    const CSB_LAYOUT l = GetLayout();
    const unsigned flags = m_pOwner ? m_pOwner->GetBar(m_nBar).fScrollFlags : 0;
    const bool active = CCustScrollBar::IsActive(GetInfo(), flags) && isEnabled();
    auto hot = [&](Part part) { return m_pressed == part || (m_pressed == PartNone && m_hot == part); };
    auto draw = [&](CCustScrollBar::SkinPart sp, const QRect& dst, bool bHot) {
        if (!dst.isEmpty() && !skin.isNull())
            p.drawImage(dst, skin, CCustScrollBar::SkinRect(sp, bHot, vert));
    };
    auto arrow = [&](CCustScrollBar::SkinPart sp, Part part, const QRect& dst, unsigned disableBit) {
        const bool enabled = active && !(flags & disableBit);
        draw(sp, dst, enabled && hot(part));
        if (!enabled)
            p.fillRect(dst, QColor(255, 255, 255, 150));
    };

    const int len = Length();
    arrow(CCustScrollBar::SkinArrow1, PartArrow1, PartRect(0, l.nArrow1), CCustScrollBar::ESB_DISABLE_LTUP);
    arrow(CCustScrollBar::SkinArrow2, PartArrow2, PartRect(len - l.nArrow2, l.nArrow2), CCustScrollBar::ESB_DISABLE_RTDN);
    if (l.nTrackLength <= 0)
        return;
    if (!l.bThumb) {
        draw(CCustScrollBar::SkinTrack1, PartRect(l.nTrackStart, l.nTrackLength), false);
        return;
    }
    const int t0 = l.nTrackStart + l.nThumbOffset, t = l.nThumbLength;
    draw(CCustScrollBar::SkinTrack1, PartRect(l.nTrackStart, l.nThumbOffset), m_pressed == PartTrack1);
    draw(CCustScrollBar::SkinTrack2, PartRect(t0 + t, l.nTrackStart + l.nTrackLength - t0 - t), m_pressed == PartTrack2);
    // The thumb in five slices: caps at both ends, the grip in the middle, bodies between.
    const bool h = hot(PartThumb);
    const int cap = std::min(4, t / 2);
    draw(CCustScrollBar::SkinCapStart, PartRect(t0, cap), h);
    draw(CCustScrollBar::SkinCapEnd, PartRect(t0 + t - cap, cap), h);
    if (t >= 18) {
        const int body = (t - 18) / 2;
        draw(CCustScrollBar::SkinBody1, PartRect(t0 + 4, body), h);
        draw(CCustScrollBar::SkinGrip, PartRect(t0 + 4 + body, 9), h);
        const int after = std::min(body + 2, t - 4 - (4 + body + 9));
        draw(CCustScrollBar::SkinBody2, PartRect(t0 + 13 + body, after), h);
    } else {
        draw(CCustScrollBar::SkinBody1, PartRect(t0 + cap, t - 2 * cap), h);
    }
}

void CCustScrollBarWidget::Act(Part part)
{
    switch (part) {
    case PartArrow1: triggerAction(SliderSingleStepSub); break;
    case PartArrow2: triggerAction(SliderSingleStepAdd); break;
    case PartTrack1: triggerAction(SliderPageStepSub); break;
    case PartTrack2: triggerAction(SliderPageStepAdd); break;
    default: break;
    }
}

void CCustScrollBarWidget::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        e->accept();  // other buttons on a bar are swallowed
        return;
    }
    const unsigned flags = m_pOwner ? m_pOwner->GetBar(m_nBar).fScrollFlags : 0;
    if (!CCustScrollBar::IsActive(GetInfo(), flags))
        return;
    m_ptMouse = e->position().toPoint();
    const Part part = HitTest(m_ptMouse);
    if ((part == PartArrow1 && (flags & CCustScrollBar::ESB_DISABLE_LTUP)) ||
        (part == PartArrow2 && (flags & CCustScrollBar::ESB_DISABLE_RTDN)))
        return;
    m_pressed = part;
    if (part == PartThumb) {
        const CSB_LAYOUT l = GetLayout();
        m_nDragOffset = Along(e->position().toPoint()) - (l.nTrackStart + l.nThumbOffset);
        setSliderDown(true);
    } else if (part != PartNone) {
        Act(part);
        m_repeat.start(kFirstDelay);
    }
    update();
}

void CCustScrollBarWidget::OnRepeat()
{
    if (m_pressed == PartNone || m_pressed == PartThumb)
        return;
    // Repeats only while the button stays down on the part it pressed.
    if (HitTest(m_ptMouse) == m_pressed)
        Act(m_pressed);
    m_repeat.start(kRepeatDelay);
    update();
}

void CCustScrollBarWidget::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pt = e->position().toPoint();
    m_ptMouse = pt;
    if (m_pressed == PartThumb) {
        const CSB_LAYOUT l = GetLayout();
        const int offset = Along(pt) - m_nDragOffset - l.nTrackStart;
        setSliderPosition(CCustScrollBar::PosFromThumbOffset(offset, l, GetInfo()));
        return;
    }
    const Part part = HitTest(pt);
    if (part != m_hot) {
        m_hot = part;
        update();
    }
}

void CCustScrollBarWidget::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        e->accept();
        return;
    }
    m_repeat.stop();
    if (m_pressed == PartThumb)
        setSliderDown(false);  // the final position, then the end of scrolling
    m_pressed = PartNone;
    m_hot = HitTest(e->position().toPoint());
    update();
}

void CCustScrollBarWidget::leaveEvent(QEvent* e)
{
    m_hot = PartNone;
    update();
    QScrollBar::leaveEvent(e);
}

void CCustScrollBarWidget::wheelEvent(QWheelEvent* e)
{
    QScrollBar::wheelEvent(e);
    update();
}

// ---- the owner ----

CCustScrollBar::CCustScrollBar()
{
    m_vert.nBarType = SB_VERT;
}

CCustScrollBar::~CCustScrollBar()
{
    // The bars outlive us while their window lives: cut them loose so they fall back to defaults.
    for (CCustScrollBarWidget* w : {m_pHorz.data(), m_pVert.data()}) {
        if (w)
            w->m_pOwner = nullptr;
    }
}

bool CCustScrollBar::LoadSkin(int nResource, void*)
{
    if (Skin().isNull())
        Skin() = CImageExt::LoadResource(nResource);
    return !Skin().isNull();
}

const QImage& CCustScrollBar::GetSkinBitmap() { return Skin(); }

int CCustScrollBar::Initialize(QAbstractScrollArea* pWindow, int nSkinResource, void* hModule)
{
    if (m_pWindow || !pWindow)
        return 0;
    LoadSkin(nSkinResource, hModule);
    m_pWindow = pWindow;
    m_bListView = qobject_cast<QAbstractItemView*>(pWindow) != nullptr;
    m_horz.fScrollFlags |= CSBS_VISIBLE;
    m_vert.fScrollFlags |= CSBS_VISIBLE;
    m_horz.nMinThumbSize = m_vert.nMinThumbSize = kDefaultMinThumb;
    // The area copies range, page and position from its old bars into the new ones.
    m_pHorz = new CCustScrollBarWidget(this, SB_HORZ, pWindow);
    m_pVert = new CCustScrollBarWidget(this, SB_VERT, pWindow);
    pWindow->setHorizontalScrollBar(m_pHorz);
    pWindow->setVerticalScrollBar(m_pVert);
    pWindow->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pWindow->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Refresh();
    return 1;
}

void CCustScrollBar::Uninitialize()
{
    if (!m_pWindow)
        return;
    m_pWindow->setHorizontalScrollBar(new QScrollBar(Qt::Horizontal));
    m_pWindow->setVerticalScrollBar(new QScrollBar(Qt::Vertical));
    m_pWindow->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pWindow->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pWindow = nullptr;
}

CCustScrollBarWidget* CCustScrollBar::GetBarWidget(int nBar) const
{
    return nBar == SB_VERT ? m_pVert.data() : m_pHorz.data();
}

int CCustScrollBar::ArrowLength(int nBar) const
{
    const int n = GetBar(nBar).nArrowLength;
    return n > 0 ? n : -n * StandardExtent();
}

int CCustScrollBar::ArrowWidth(int nBar) const
{
    const int n = GetBar(nBar).nArrowWidth;
    return n > 0 ? n : -n * StandardExtent();
}

void CCustScrollBar::Refresh()
{
    for (CCustScrollBarWidget* w : {m_pHorz.data(), m_pVert.data()}) {
        if (w) {
            w->updateGeometry();
            w->update();
        }
    }
    if (m_pWindow) {
        // Re-lays the frame for new bar sizes.
        QEvent ev(QEvent::LayoutRequest);
        QCoreApplication::sendEvent(m_pWindow, &ev);
    }
}

int CCustScrollBar::CSB_SetSize(int nBar, int nLength, int nWidth)
{
    if (!ValidSize(nLength) || !ValidSize(nWidth) || (nBar != SB_HORZ && nBar != SB_VERT && nBar != SB_BOTH))
        return 0;
    for (int b : {SB_HORZ, SB_VERT}) {
        if (nBar == SB_BOTH || nBar == b) {
            Bar(b).nArrowLength = nLength;
            Bar(b).nArrowWidth = nWidth;
        }
    }
    Refresh();
    return 1;
}

int CCustScrollBar::SetMinThumbSize(int nBar, unsigned nSize)
{
    const int size = nSize == kDefaultThumbSize ? kDefaultMinThumb : int(std::min(nSize, 0x7FFFu));
    for (int b : {SB_HORZ, SB_VERT}) {
        if (nBar == SB_BOTH || nBar == b)
            Bar(b).nMinThumbSize = size;
    }
    Refresh();
    return 1;
}

int CCustScrollBar::SetThumbAlways(int nBar, bool bAlways)
{
    for (int b : {SB_HORZ, SB_VERT}) {
        if (nBar == SB_BOTH || nBar == b) {
            if (bAlways)
                Bar(b).fScrollFlags |= CSBS_THUMBALWAYS;
            else
                Bar(b).fScrollFlags &= ~CSBS_THUMBALWAYS;
        }
    }
    Refresh();
    return 1;
}

int CCustScrollBar::CSB_ShowScrollBar(int nBar, bool bShow)
{
    if (!m_pWindow)
        return 0;
    for (int b : {SB_HORZ, SB_VERT}) {
        if (nBar != SB_BOTH && nBar != b)
            continue;
        if (bShow)
            Bar(b).fScrollFlags |= CSBS_VISIBLE;
        else
            Bar(b).fScrollFlags &= ~CSBS_VISIBLE;
        const Qt::ScrollBarPolicy policy = bShow ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
        if (b == SB_VERT)
            m_pWindow->setVerticalScrollBarPolicy(policy);
        else
            m_pWindow->setHorizontalScrollBarPolicy(policy);
    }
    Refresh();
    return 1;
}

int CCustScrollBar::CSB_EnableScrollBar(int nBar, unsigned nArrows)
{
    if (!m_pWindow)
        return 0;
    for (int b : {SB_HORZ, SB_VERT}) {
        if (nBar == SB_BOTH || nBar == b)
            Bar(b).fScrollFlags = (Bar(b).fScrollFlags & ~3u) | (nArrows & 3u);
    }
    Refresh();
    return 1;
}

int CCustScrollBar::CSB_GetScrollInfo(int nBar, CSB_SCROLLINFO& info) const
{
    CCustScrollBarWidget* w = GetBarWidget(nBar);
    if (!m_pWindow || !w)
        return 0;
    info = w->GetInfo();
    return 1;
}

int CCustScrollBar::CSB_SetScrollInfo(int nBar, const CSB_SCROLLINFO& info, bool bRedraw)
{
    CCustScrollBarWidget* w = GetBarWidget(nBar);
    if (!m_pWindow || !w)
        return 0;
    const int page = std::max(0, info.nPage);
    const int maxPos = page > 0 ? std::max(info.nMin, info.nMax - page + 1) : std::max(info.nMin, info.nMax);
    w->setRange(info.nMin, maxPos);
    w->setPageStep(page);
    w->setValue(info.nPos);
    if (bRedraw)
        w->update();
    return w->value();
}

int CCustScrollBar::CSB_GetScrollPos(int nBar) const
{
    CCustScrollBarWidget* w = GetBarWidget(nBar);
    return m_pWindow && w ? w->value() : 0;
}

int CCustScrollBar::CSB_SetScrollPos(int nBar, int nPos, bool bRedraw)
{
    CCustScrollBarWidget* w = GetBarWidget(nBar);
    if (!m_pWindow || !w)
        return 0;
    const int old = w->value();
    w->setValue(nPos);
    if (bRedraw)
        w->update();
    return old;
}

int CCustScrollBar::CSB_GetScrollRange(int nBar, int& nMin, int& nMax) const
{
    CSB_SCROLLINFO info;
    if (!CSB_GetScrollInfo(nBar, info))
        return 0;
    nMin = info.nMin;
    nMax = info.nMax;
    return 1;
}

int CCustScrollBar::CSB_SetScrollRange(int nBar, int nMin, int nMax, bool bRedraw)
{
    CSB_SCROLLINFO info;
    if (!CSB_GetScrollInfo(nBar, info))
        return 0;
    info.nMin = nMin;
    info.nMax = nMax;
    return CSB_SetScrollInfo(nBar, info, bRedraw) >= 0 ? 1 : 0;
}

int CCustScrollBar::IsThumbTracking() const
{
    for (CCustScrollBarWidget* w : {m_pHorz.data(), m_pVert.data()}) {
        if (w && w->IsThumbTracking())
            return 1;
    }
    return 0;
}
