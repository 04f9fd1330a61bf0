#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include "base/ui/FPSMiniCalendarCtrl.h"

namespace {

QDateTime At(int y, int m, int d, int h = 0, int min = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min));
}

TEST(MiniCalendar, PagingWrapsAcrossYears)
{
    CFPSMiniCalendarCtrl cal;
    cal.resize(165, 130);
    const struct {
        const char* name;
        int month, year;
        bool forward;
        int toMonth, toYear;
    } rows[] = {
        {"back from January", 1, 2026, false, 12, 2025},
        {"forward from December", 12, 2026, true, 1, 2027},
        {"back within a year", 7, 2026, false, 6, 2026},
    };
    for (const auto& r : rows) {
        cal.SetCurrentDate(QDate(r.year, r.month, 15));
        r.forward ? cal.PageForward() : cal.PageBack();
        EXPECT_EQ(cal.GetFirstMonth(), r.toMonth) << r.name;
        EXPECT_EQ(cal.GetFirstYear(), r.toYear) << r.name;
    }
    cal.SetCurrentDate(QDate(2026, 1, 1));
    EXPECT_EQ(cal.HeaderText(), QStringLiteral("2026년 1월"));

    // Two months side by side page by two.
    cal.SetRowsAndColumns(1, 2);
    cal.PageBack();
    EXPECT_EQ(cal.GetFirstMonth(), 11);
    EXPECT_EQ(cal.GetFirstYear(), 2025);
    EXPECT_EQ(cal.HeaderText(1), QStringLiteral("2025년 12월"));
}

TEST(MiniCalendar, SpecialDaysRunFromSevenDaysBeforeToEightAfter)
{
    const QDateTime now = At(2026, 12, 10, 14, 30);
    const struct {
        int offset;
        bool special;
    } rows[] = {{-8, false}, {-7, true}, {0, true}, {1, true}, {8, true}, {9, false}};
    for (const auto& r : rows)
        EXPECT_EQ(CFPSMiniCalendarCtrl::IsNearToday(now.date().addDays(r.offset), now), r.special) << r.offset;
    // Just after midnight, eight days back is still short of eight whole days plus half a second.
    const QDateTime midnight = At(2026, 12, 10, 0, 0);
    EXPECT_TRUE(CFPSMiniCalendarCtrl::IsNearToday(QDate(2026, 12, 2).addDays(1), midnight));
    EXPECT_FALSE(CFPSMiniCalendarCtrl::IsNearToday(QDate(2026, 12, 2), midnight));
    EXPECT_FALSE(CFPSMiniCalendarCtrl::IsNearToday(QDate(), midnight));

    CFPSMiniCalendarCtrl cal;
    cal.SetClock([now] { return now; });
    cal.SetSpecialDaysCallback(cal.NearTodayRule());
    EXPECT_TRUE(cal.IsSpecial(QDate(2026, 12, 18)));
    EXPECT_FALSE(cal.IsSpecial(QDate(2026, 12, 19)));
}

TEST(MiniCalendar, FirstDayOfWeekComesFromTheLocale)
{
    EXPECT_EQ(CFPSMiniCalendarCtrl::FirstDayOfWeekFromLocale(QLocale(QLocale::Korean, QLocale::SouthKorea)), 1);
    EXPECT_EQ(CFPSMiniCalendarCtrl::FirstDayOfWeekFromLocale(QLocale(QLocale::German, QLocale::Germany)), 2);
    CFPSMiniCalendarCtrl cal;
    cal.resize(165, 130);
    for (int bad : {0, 8, -1}) {
        cal.SetFirstDayOfWeek(bad);
        EXPECT_EQ(cal.GetFirstDayOfWeek(), 1) << bad;
    }
    // December 2026 begins on a Tuesday: with Monday first, the first cell is 30 November.
    cal.SetCurrentDate(QDate(2026, 12, 1));
    cal.SetFirstDayOfWeek(2);
    const QRect first = cal.CellRect(QDate(2026, 11, 30));
    ASSERT_TRUE(first.isValid());
    EXPECT_LT(first.left(), cal.CellRect(QDate(2026, 12, 1)).left());
    cal.SetFirstDayOfWeek(1);
    EXPECT_EQ(cal.DateAt(cal.CellRect(QDate(2026, 11, 29)).center()), QDate(2026, 11, 29));
}

TEST(MiniCalendar, ClickSelectsAndNotifiesOnRelease)
{
    QWidget parent;
    auto* cal = new CFPSMiniCalendarCtrl;
    cal->Create(0x50000400, QRect(230, 70, 165, 130), &parent, 32999);
    parent.resize(420, 287);
    parent.show();
    cal->SetCurrentDate(QDate(2026, 12, 1));
    QSignalSpy spy(cal, &CFPSMiniCalendarCtrl::Notify);
    const QPoint day = cal->CellRect(QDate(2026, 12, 17)).center();
    QTest::mousePress(cal, Qt::LeftButton, {}, day);
    EXPECT_EQ(cal->GetCurrentDate(), QDate(2026, 12, 17));
    EXPECT_EQ(spy.count(), 0) << "notified on release";
    QTest::mouseRelease(cal, Qt::LeftButton, {}, day);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy[0][0].toInt(), 32999);
    EXPECT_EQ(spy[0][1].toInt(), -2);

    // Arrows page and do not notify.
    QTest::mouseClick(cal, Qt::LeftButton, {}, cal->LeftArrowRect().center());
    EXPECT_EQ(cal->GetFirstMonth(), 11);
    EXPECT_EQ(spy.count(), 1);

    // The hand cursor over days only.
    QMouseEvent move(QEvent::MouseMove, QPointF(day), cal->mapToGlobal(QPointF(day)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(cal, &move);
    EXPECT_EQ(cal->cursor().shape(), Qt::PointingHandCursor);
    QMouseEvent off(QEvent::MouseMove, QPointF(80, 5), cal->mapToGlobal(QPointF(80, 5)), Qt::NoButton, Qt::NoButton,
                    Qt::NoModifier);
    QApplication::sendEvent(cal, &off);
    EXPECT_EQ(cal->cursor().shape(), Qt::ArrowCursor);

    // Without selection a click still notifies but keeps the selected day.
    cal->SetUseSelection(false);
    cal->SetCurrentDate(QDate(2026, 12, 1));
    const QPoint other = cal->CellRect(QDate(2026, 12, 9)).center();
    QTest::mouseClick(cal, Qt::LeftButton, {}, other);
    EXPECT_EQ(cal->GetCurrentDate(), QDate(2026, 12, 1));
    EXPECT_EQ(spy.count(), 2);
}

}  // namespace
