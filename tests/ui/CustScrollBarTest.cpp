#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMouseEvent>
#include <QStyle>
#include <QTest>

#include <climits>

#include "base/ui/CustScrollBar.h"

namespace {

constexpr int kSkin = 3023;

TEST(CustScrollBar, BarGeometryFormulas)
{
    struct Row {
        const char* name;
        int length, arrow, min, max, page, pos, minThumb;
        CSB_LAYOUT expect;
    };
    const Row rows[] = {
        {"top", 100, 12, 0, 99, 10, 0, 6, {12, 12, 12, 76, true, 0, 7}},
        {"bottom", 100, 12, 0, 99, 10, 90, 6, {12, 12, 12, 76, true, 69, 7}},
        {"middle", 100, 12, 0, 99, 10, 45, 6, {12, 12, 12, 76, true, 34, 7}},
        {"minimum thumb", 100, 12, 0, 99, 10, 45, 18, {12, 12, 12, 76, true, 29, 18}},
        {"no page: thumb as long as an arrow", 100, 12, 0, 99, 0, 0, 6, {12, 12, 12, 76, true, 0, 12}},
        {"position past the end is kept inside", 100, 12, 0, 99, 10, 500, 6, {12, 12, 12, 76, true, 69, 7}},
        {"arrows share a short bar", 20, 12, 0, 99, 10, 0, 6, {10, 10, 10, 0, false, 0, 0}},
        {"track too short for the thumb", 25, 12, 0, 99, 10, 0, 6, {12, 12, 12, 1, false, 0, 0}},
        {"range too large", 100, 12, -1, INT_MAX, 10, 0, 6, {12, 12, 12, 76, false, 0, 0}},
    };
    for (const Row& r : rows) {
        const CSB_LAYOUT l = CCustScrollBar::CalcLayout(r.length, r.arrow, {r.min, r.max, r.page, r.pos, r.pos}, r.minThumb);
        EXPECT_EQ(l.nArrow1, r.expect.nArrow1) << r.name;
        EXPECT_EQ(l.nArrow2, r.expect.nArrow2) << r.name;
        EXPECT_EQ(l.nTrackLength, r.expect.nTrackLength) << r.name;
        EXPECT_EQ(l.bThumb, r.expect.bThumb) << r.name;
        if (r.expect.bThumb) {
            EXPECT_EQ(l.nThumbOffset, r.expect.nThumbOffset) << r.name;
            EXPECT_EQ(l.nThumbLength, r.expect.nThumbLength) << r.name;
        }
    }
}

TEST(CustScrollBar, DraggedOffsetsMapBackToPositions)
{
    const CSB_SCROLLINFO base{0, 99, 10, 0, 0};
    const CSB_LAYOUT l0 = CCustScrollBar::CalcLayout(100, 12, base, 18);
    EXPECT_EQ(CCustScrollBar::PosFromThumbOffset(-5, l0, base), 0);
    EXPECT_EQ(CCustScrollBar::PosFromThumbOffset(10000, l0, base), 90);
    for (int pos = 0; pos <= 90; ++pos) {
        CSB_SCROLLINFO info = base;
        info.nPos = pos;
        const int offset = CCustScrollBar::CalcLayout(100, 12, info, 18).nThumbOffset;
        CSB_SCROLLINFO back = base;
        back.nPos = CCustScrollBar::PosFromThumbOffset(offset, l0, base);
        EXPECT_EQ(CCustScrollBar::CalcLayout(100, 12, back, 18).nThumbOffset, offset) << pos;
    }
}

TEST(CustScrollBar, ActiveRule)
{
    using B = CCustScrollBar;
    const struct {
        const char* name;
        CSB_SCROLLINFO info;
        unsigned flags;
        bool active;
    } rows[] = {
        {"scrolls", {0, 29, 10, 0, 0}, 0, true},
        {"fewer rows than fit", {0, 9, 10, 0, 0}, 0, false},
        {"empty", {0, 0, 0, 0, 0}, 0, false},
        {"one arrow disabled still scrolls", {0, 29, 10, 0, 0}, B::ESB_DISABLE_LTUP, true},
        {"both arrows disabled", {0, 29, 10, 0, 0}, B::ESB_DISABLE_LTUP | B::ESB_DISABLE_RTDN, false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(CCustScrollBar::IsActive(r.info, r.flags), r.active) << r.name;
    EXPECT_EQ(CCustScrollBar::SkinRect(CCustScrollBar::SkinGrip, true, true), QRect(126, 44, 12, 9));
    EXPECT_EQ(CCustScrollBar::SkinRect(CCustScrollBar::SkinArrow2, false, false), QRect(0, 16, 11, 12));
}

std::unique_ptr<QListWidget> MakeList(int rows)
{
    auto list = std::make_unique<QListWidget>();
    for (int i = 0; i < rows; ++i)
        list->addItem(QStringLiteral("항목 %1").arg(i));
    list->resize(200, 150);
    return list;
}

void Attach(CCustScrollBar& bar, QListWidget& list)
{
    ASSERT_EQ(bar.Initialize(&list, kSkin), 1);
    ASSERT_EQ(bar.CSB_SetSize(CCustScrollBar::SB_VERT, 12, 12), 1);
    ASSERT_EQ(bar.SetMinThumbSize(CCustScrollBar::SB_VERT, 18), 1);
    ASSERT_EQ(bar.CSB_ShowScrollBar(CCustScrollBar::SB_VERT, true), 1);
    ASSERT_EQ(bar.CSB_ShowScrollBar(CCustScrollBar::SB_HORZ, false), 1);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
}

TEST(CustScrollBar, InitialisationAndSizeLimits)
{
    auto list = MakeList(50);
    CCustScrollBar bar;
    EXPECT_EQ(bar.CSB_ShowScrollBar(CCustScrollBar::SB_VERT, true), 0) << "not initialised";
    Attach(bar, *list);
    EXPECT_EQ(bar.Initialize(list.get(), kSkin), 0);
    EXPECT_EQ(bar.IsScrollEnabled(), 1);
    EXPECT_EQ(CCustScrollBar::GetSkinBitmap().size(), QSize(140, 116));
    for (int bad : {0, -9, 257}) {
        EXPECT_EQ(bar.CSB_SetSize(CCustScrollBar::SB_VERT, bad, 12), 0) << bad;
        EXPECT_EQ(bar.CSB_SetSize(CCustScrollBar::SB_VERT, 12, bad), 0) << bad;
    }
    EXPECT_EQ(bar.ArrowLength(CCustScrollBar::SB_VERT), 12);
    EXPECT_EQ(bar.GetBarWidget(CCustScrollBar::SB_VERT)->width(), 12);
    EXPECT_EQ(bar.ArrowLength(CCustScrollBar::SB_HORZ),
              QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent)) << "-1 is one standard size";
    EXPECT_EQ(bar.CSB_SetSize(CCustScrollBar::SB_BOTH, -8, 256), 1);
    EXPECT_FALSE(bar.GetBarWidget(CCustScrollBar::SB_HORZ)->isVisible());
    EXPECT_EQ(bar.GetBar(CCustScrollBar::SB_VERT).nMinThumbSize, 18);
    EXPECT_EQ(bar.SetMinThumbSize(CCustScrollBar::SB_VERT, CCustScrollBar::kDefaultThumbSize), 1);
    EXPECT_EQ(bar.GetBar(CCustScrollBar::SB_VERT).nMinThumbSize, 6);
}

void Mouse(QWidget* w, QEvent::Type type, QPoint pt, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, pt, w->mapToGlobal(pt), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

TEST(CustScrollBar, ShortListShowsDisabledArrowsAndNoThumb)
{
    auto list = MakeList(3);
    CCustScrollBar bar;
    Attach(bar, *list);
    CCustScrollBarWidget* v = bar.GetBarWidget(CCustScrollBar::SB_VERT);
    ASSERT_TRUE(v->isVisible());
    EXPECT_FALSE(CCustScrollBar::IsActive(v->GetInfo(), 0));
    EXPECT_FALSE(v->GetLayout().bThumb);
    const QPoint down(6, v->height() - 4);
    Mouse(v, QEvent::MouseButtonPress, down, Qt::LeftButton);
    EXPECT_FALSE(v->RepeatTimer().isActive());
    Mouse(v, QEvent::MouseButtonRelease, down, Qt::NoButton);
    EXPECT_EQ(v->value(), 0);
}

TEST(CustScrollBar, HoldingTheDownArrowRepeatsAfter300ThenEvery55)
{
    auto list = MakeList(100);
    CCustScrollBar bar;
    Attach(bar, *list);
    CCustScrollBarWidget* v = bar.GetBarWidget(CCustScrollBar::SB_VERT);
    ASSERT_TRUE(v->GetLayout().bThumb);
    const QPoint down(6, v->height() - 4);
    ASSERT_EQ(v->HitTest(down), CCustScrollBarWidget::PartArrow2);

    QElapsedTimer clock;
    clock.start();
    Mouse(v, QEvent::MouseButtonPress, down, Qt::LeftButton);
    EXPECT_EQ(v->value(), 1) << "once at once";
    EXPECT_EQ(v->RepeatTimer().interval(), 300);
    ASSERT_TRUE(QTest::qWaitFor([&] { return v->value() >= 2; }, 3000));
    EXPECT_GE(clock.elapsed(), 290);
    EXPECT_EQ(v->RepeatTimer().interval(), 55);
    ASSERT_TRUE(QTest::qWaitFor([&] { return v->value() >= 4; }, 3000));
    EXPECT_GE(clock.elapsed(), 290 + 2 * 54);
    Mouse(v, QEvent::MouseButtonRelease, down, Qt::NoButton);
    EXPECT_FALSE(v->RepeatTimer().isActive());
    const int stopped = v->value();
    QTest::qWait(120);
    EXPECT_EQ(v->value(), stopped);
    // The list scrolled by rows along with the bar.
    EXPECT_EQ(list->indexAt(QPoint(5, 2)).row(), stopped);
}

TEST(CustScrollBar, DraggingTheThumbTracksAndScrollsTheListByRows)
{
    auto list = MakeList(100);
    CCustScrollBar bar;
    Attach(bar, *list);
    CCustScrollBarWidget* v = bar.GetBarWidget(CCustScrollBar::SB_VERT);
    const CSB_LAYOUT l = v->GetLayout();
    const QPoint grab(6, l.nTrackStart + l.nThumbOffset + l.nThumbLength / 2);
    ASSERT_EQ(v->HitTest(grab), CCustScrollBarWidget::PartThumb);
    Mouse(v, QEvent::MouseButtonPress, grab, Qt::LeftButton);
    EXPECT_EQ(bar.IsThumbTracking(), 1);
    Mouse(v, QEvent::MouseMove, grab + QPoint(0, 40), Qt::LeftButton);
    const int expected = CCustScrollBar::PosFromThumbOffset(40, l, v->GetInfo());
    EXPECT_GT(expected, 0);
    EXPECT_EQ(v->value(), expected);
    Mouse(v, QEvent::MouseButtonRelease, grab + QPoint(0, 40), Qt::NoButton);
    EXPECT_EQ(bar.IsThumbTracking(), 0);
    EXPECT_EQ(list->indexAt(QPoint(5, 2)).row(), expected);

    // A page click below the thumb moves by a page.
    const CSB_LAYOUT after = v->GetLayout();
    const int before = v->value();
    const QPoint below(6, after.nTrackStart + after.nThumbOffset + after.nThumbLength + 3);
    Mouse(v, QEvent::MouseButtonPress, below, Qt::LeftButton);
    Mouse(v, QEvent::MouseButtonRelease, below, Qt::NoButton);
    EXPECT_EQ(v->value(), before + v->pageStep());
}

}  // namespace

namespace {

TEST(CustScrollBar, ScrollInfoRoundTripsThroughTheBar)
{
    auto list = MakeList(10);
    CCustScrollBar bar;
    Attach(bar, *list);
    const struct {
        const char* name;
        CSB_SCROLLINFO in;
        int pos;  // the position the bar keeps
    } rows[] = {
        {"paged", {0, 99, 10, 45, 0}, 45},
        {"last page", {0, 99, 10, 90, 0}, 90},
        {"past the last page", {0, 99, 10, 95, 0}, 90},
        {"no page", {5, 50, 0, 50, 0}, 50},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(bar.CSB_SetScrollInfo(CCustScrollBar::SB_VERT, r.in), r.pos) << r.name;
        CSB_SCROLLINFO out;
        ASSERT_EQ(bar.CSB_GetScrollInfo(CCustScrollBar::SB_VERT, out), 1);
        EXPECT_EQ(out.nMin, r.in.nMin) << r.name;
        EXPECT_EQ(out.nMax, r.in.nMax) << r.name;
        EXPECT_EQ(out.nPage, r.in.nPage) << r.name;
        EXPECT_EQ(bar.CSB_GetScrollPos(CCustScrollBar::SB_VERT), r.pos) << r.name;
        int mn = -1, mx = -1;
        ASSERT_EQ(bar.CSB_GetScrollRange(CCustScrollBar::SB_VERT, mn, mx), 1);
        EXPECT_EQ(mn, r.in.nMin);
        EXPECT_EQ(mx, r.in.nMax);
    }
    EXPECT_EQ(bar.CSB_SetScrollPos(CCustScrollBar::SB_VERT, 7), 50) << "answers the old position";
    EXPECT_EQ(bar.CSB_EnableScrollBar(CCustScrollBar::SB_VERT, CCustScrollBar::ESB_DISABLE_LTUP |
                                                                     CCustScrollBar::ESB_DISABLE_RTDN), 1);
    EXPECT_FALSE(bar.GetBarWidget(CCustScrollBar::SB_VERT)->GetLayout().bThumb) << "both arrows off: inactive";
    EXPECT_EQ(bar.SetThumbAlways(CCustScrollBar::SB_VERT, true), 1);
    EXPECT_TRUE(bar.GetBarWidget(CCustScrollBar::SB_VERT)->GetLayout().bThumb) << "unless the thumb is always shown";

    CCustScrollBar none;
    CSB_SCROLLINFO out;
    EXPECT_EQ(none.CSB_GetScrollInfo(CCustScrollBar::SB_VERT, out), 0);
    EXPECT_EQ(none.IsScrollEnabled(), 0);
}

TEST(CustScrollBar, ABarOutlivingItsOwnerKeepsWorking)
{
    auto list = MakeList(100);
    auto bar = std::make_unique<CCustScrollBar>();
    Attach(*bar, *list);
    CCustScrollBarWidget* v = bar->GetBarWidget(CCustScrollBar::SB_VERT);
    bar.reset();
    const QPoint down(6, v->height() - 4);
    Mouse(v, QEvent::MouseButtonPress, down, Qt::LeftButton);
    Mouse(v, QEvent::MouseButtonRelease, down, Qt::NoButton);
    EXPECT_EQ(v->value(), 1);
    EXPECT_FALSE(v->grab().isNull());
}

}  // namespace
