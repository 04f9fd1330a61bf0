#pragma once

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QScrollBar>
#include <QTimer>

#include <memory>

#include <QAbstractScrollArea>

// Scroll information as the platform keeps it: the range is [nMin, nMax] inclusive and the
// position runs up to nMax - nPage + 1.
struct CSB_SCROLLINFO {
    int nMin = 0;
    int nMax = 0;
    int nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};

// Where the parts of one bar lie along its length.
struct CSB_LAYOUT {
    int nArrow1 = 0;      // length of the left/up arrow
    int nArrow2 = 0;      // length of the right/down arrow
    int nTrackStart = 0;  // the track follows the first arrow
    int nTrackLength = 0;
    bool bThumb = false;
    int nThumbOffset = 0;  // from the track's start
    int nThumbLength = 0;
};

class CCustScrollBar;

// One skinned bar drawn and driven by the geometry of CCustScrollBar; it is the scroll area's
// own scroll bar, so the area keeps scrolling through its ordinary value changes.
class CCustScrollBarWidget : public QScrollBar {
    Q_OBJECT
public:
    // The parts of a bar, for hit testing and drawing.
    enum Part { PartNone, PartArrow1, PartTrack1, PartThumb, PartTrack2, PartArrow2 };
    static constexpr int kFirstDelay = 300;
    static constexpr int kRepeatDelay = 55;

    CCustScrollBarWidget(CCustScrollBar* pOwner, int nBar, QWidget* parent);

    CSB_SCROLLINFO GetInfo() const;
    CSB_LAYOUT GetLayout() const;
    Part HitTest(const QPoint& pt) const;
    Part GetHotPart() const { return m_hot; }
    Part GetPressedPart() const { return m_pressed; }
    bool IsThumbTracking() const { return m_pressed == PartThumb; }
    const QTimer& RepeatTimer() const { return m_repeat; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override { mousePressEvent(e); }
    void leaveEvent(QEvent*) override;
    void wheelEvent(QWheelEvent*) override;

private:
    friend class CCustScrollBar;
    int Length() const;
    int Along(const QPoint& pt) const;
    QRect PartRect(int start, int length) const;
    void Act(Part part);
    void OnRepeat();

    CCustScrollBar* m_pOwner;
    int m_nBar;
    Part m_hot = PartNone;
    Part m_pressed = PartNone;
    int m_nDragOffset = 0;
    QPoint m_ptMouse;
    QTimer m_repeat;
};

// Skinned scroll bars for one scroll area (a list or any scrolling control): the skin's
// parts, arrow sizes, thumb formulas, auto-repeat and list-row scrolling.
class CCustScrollBar {
public:
    enum { SB_HORZ = 0, SB_VERT = 1, SB_BOTH = 3 };
    // Bar state bits.
    enum : unsigned { ESB_DISABLE_LTUP = 1, ESB_DISABLE_RTDN = 2, CSBS_THUMBALWAYS = 4, CSBS_VISIBLE = 8 };
    static constexpr unsigned kDefaultThumbSize = 0xFFFFFFFF;
    static constexpr int kDefaultMinThumb = 6;

    // One direction's record.
    struct CSBar {
        unsigned fScrollFlags = 0;
        bool fScrollVisible = false;
        int nArrowLength = -1;  // > 0 pixels; -n: n times the standard bar size
        int nArrowWidth = -1;
        int nMinThumbSize = kDefaultMinThumb;
        int nBarType = SB_HORZ;
    };

    // Where each part lies in the skin bitmap: [part][pressed or hot][vertical].
    enum SkinPart { SkinArrow1, SkinArrow2, SkinTrack1, SkinTrack2, SkinCapStart, SkinBody1, SkinGrip, SkinBody2,
                    SkinCapEnd, SkinPartCount };
    static QRect SkinRect(SkinPart part, bool bHot, bool bVertical);
    static QRect SizeBoxRect() { return QRect(83, 83, 11, 11); }

    CCustScrollBar();
    virtual ~CCustScrollBar();
    CCustScrollBar(const CCustScrollBar&) = delete;
    CCustScrollBar& operator=(const CCustScrollBar&) = delete;

    // 0 when already initialised. The skin comes from the bitmap of that resource number.
    int Initialize(QAbstractScrollArea* pWindow, int nSkinResource, void* hModule = nullptr);
    void Uninitialize();
    static bool LoadSkin(int nResource, void* hModule = nullptr);
    static const QImage& GetSkinBitmap();

    int CSB_SetSize(int nBar, int nLength, int nWidth);
    int SetMinThumbSize(int nBar, unsigned nSize);
    int SetThumbAlways(int nBar, bool bAlways);
    int CSB_ShowScrollBar(int nBar, bool bShow);
    int CSB_EnableScrollBar(int nBar, unsigned nArrows);
    int CSB_GetScrollInfo(int nBar, CSB_SCROLLINFO& info) const;
    int CSB_SetScrollInfo(int nBar, const CSB_SCROLLINFO& info, bool bRedraw = true);
    int CSB_GetScrollPos(int nBar) const;
    int CSB_SetScrollPos(int nBar, int nPos, bool bRedraw = true);
    int CSB_GetScrollRange(int nBar, int& nMin, int& nMax) const;
    int CSB_SetScrollRange(int nBar, int nMin, int nMax, bool bRedraw = true);
    int IsScrollEnabled() const { return m_pWindow ? 1 : 0; }
    int IsThumbTracking() const;

    const CSBar& GetBar(int nBar) const { return nBar == SB_VERT ? m_vert : m_horz; }
    CCustScrollBarWidget* GetBarWidget(int nBar) const;
    // Pixel sizes of a bar's arrows after resolving negative (metric-based) sizes.
    int ArrowLength(int nBar) const;
    int ArrowWidth(int nBar) const;

    // The parts of a bar of length L for the scroll information.
    static CSB_LAYOUT CalcLayout(int nLength, int nArrowLength, const CSB_SCROLLINFO& info, int nMinThumb);
    // The position for a thumb dragged to an offset inside the track.
    static int PosFromThumbOffset(int nOffset, const CSB_LAYOUT& layout, const CSB_SCROLLINFO& info);
    // Whether the bar scrolls: maximum >= page, minimum < maximum, maximum != 0, and not both
    // arrows disabled.
    static bool IsActive(const CSB_SCROLLINFO& info, unsigned nFlags);

private:
    friend class CCustScrollBarWidget;
    CSBar& Bar(int nBar) { return nBar == SB_VERT ? m_vert : m_horz; }
    void Refresh();

    QPointer<QAbstractScrollArea> m_pWindow;
    bool m_bListView = false;
    CSBar m_horz;
    CSBar m_vert;
    QPointer<CCustScrollBarWidget> m_pHorz;
    QPointer<CCustScrollBarWidget> m_pVert;
};
