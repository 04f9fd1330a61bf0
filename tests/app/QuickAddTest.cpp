// The quick-add windows: the proposed times, date texts, calendar list and request bodies as
// tables, then both windows against tamo-service on loopback: what they send is read back from
// the service's store and export, and answers that are not a success keep them open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "app/QuickAdd.h"
#include "app/QuickAddDlg.h"
#include "base/EventWait.h"
#include "base/ServiceClock.h"
#include "base/ServiceEndpoints.h"
#include "base/ui/FPSMiniCalendarCtrl.h"
#include "tests/service/ServiceHarness.h"

namespace {

using namespace quickadd;
using tamo::test::CServiceHarness;

template <typename Pred>
bool WaitFor(Pred pred, int ms = 5000)
{
    return WaitUntil(pred, ms);
}

// A Seoul wall time as the clock helper's UTC instant.
QDateTime Seoul(const QString& text)
{
    QDateTime wall = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm"));
    wall.setTimeZone(tamo::clock::SeoulZone());
    return wall.toUTC();
}

std::string Text(const QDateTime& t) { return t.toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString(); }

class ClockAt {
public:
    explicit ClockAt(const QString& seoul)
    {
        const QDateTime now = Seoul(seoul);
        tamo::clock::SetNowForTesting([now] { return now; });
    }
    ~ClockAt() { tamo::clock::SetNowForTesting({}); }
};

// --- Proposed times -------------------------------------------------------------------------

TEST(QuickAddTimes, DefaultsFollowTheTable)
{
    struct Case {
        const char* now;
        const char* start;
        const char* end;
    } const cases[] = {
        {"2026-12-11 13:50", "2026-12-11 14:00", "2026-12-11 15:00"},
        {"2026-12-11 13:00", "2026-12-11 13:30", "2026-12-11 14:30"},
        {"2026-12-11 13:29", "2026-12-11 13:30", "2026-12-11 14:30"},
        {"2026-12-11 13:30", "2026-12-11 14:00", "2026-12-11 15:00"},
        {"2026-12-11 00:10", "2026-12-11 00:30", "2026-12-11 01:30"},
        {"2026-12-11 10:40", "2026-12-11 11:00", "2026-12-11 12:00"},  // s = 21, AM: end PM same day
        {"2026-12-11 11:10", "2026-12-11 11:30", "2026-12-11 12:30"},  // s = 22, AM
        {"2026-12-11 11:45", "2026-12-11 12:00", "2026-12-11 13:00"},  // s = 23, AM: both PM
        {"2026-12-31 22:10", "2026-12-31 22:30", "2026-12-31 23:30"},
        {"2026-12-31 22:40", "2026-12-31 23:00", "2027-01-01 00:00"},  // s = 21, PM: end next day
        {"2026-12-31 23:10", "2026-12-31 23:30", "2027-01-01 00:30"},  // s = 22, PM
        {"2027-02-28 23:45", "2027-03-01 00:00", "2027-03-01 01:00"},  // s = 23, PM: both next day
    };
    for (const Case& c : cases) {
        const SDefaultTimes t = DefaultTimes(Seoul(c.now).toTimeZone(tamo::clock::SeoulZone()));
        EXPECT_EQ(Text(t.start.DateTime()), c.start) << c.now;
        EXPECT_EQ(Text(t.end.DateTime()), c.end) << c.now;
    }
}

TEST(QuickAddTimes, EveryMinuteGivesTheNextHalfHourAndOneHour)
{
    // Over a year's last day every minute: the start is the next half-hour boundary after now,
    // the end one hour after it, and the AM/PM flags agree with the hours.
    const QDateTime midnight = Seoul(QStringLiteral("2026-12-31 00:00")).toTimeZone(tamo::clock::SeoulZone());
    for (int minute = 0; minute < 24 * 60; ++minute) {
        const QDateTime now = midnight.addSecs(minute * 60);
        const SDefaultTimes t = DefaultTimes(now);
        const QDateTime wallNow(now.date(), now.time(), Qt::UTC);
        const qint64 ahead = wallNow.secsTo(t.start.DateTime());
        ASSERT_TRUE(ahead > 0 && ahead <= 30 * 60) << Text(now);
        ASSERT_EQ(t.start.DateTime().time().minute() % 30, 0) << Text(now);
        ASSERT_EQ(t.start.DateTime().secsTo(t.end.DateTime()), 3600) << Text(now);
        ASSERT_EQ(t.start.bPM, t.start.Hour() >= 12);
        ASSERT_EQ(t.end.bPM, t.end.Hour() >= 12);
    }
}

TEST(QuickAddTimes, ChoosingAStartSlotPutsTheEndOneHourLater)
{
    const QDate day(2026, 12, 31);
    for (int pm = 0; pm < 2; ++pm) {
        for (int slot = 0; slot < 24; ++slot) {
            const STimeSlot start{day, slot, pm == 1};
            const STimeSlot end = EndAfterStart(start);
            EXPECT_EQ(start.DateTime().secsTo(end.DateTime()), 3600) << slot << " pm " << pm;
            EXPECT_EQ(end.bPM, end.Hour() >= 12);
        }
    }
    // "11시 30분" PM ends at 00:30 AM of the next day (across the year); AM ends at 12:30 PM.
    EXPECT_EQ(EndAfterStart({day, 23, true}), (STimeSlot{QDate(2027, 1, 1), 1, false}));
    EXPECT_EQ(EndAfterStart({day, 23, false}), (STimeSlot{day, 1, true}));
}

// --- Texts ----------------------------------------------------------------------------------

TEST(QuickAddTexts, DateTextsAreRealCalendarDates)
{
    struct Case {
        const char16_t* text;
        QDate date;
    } const cases[] = {
        {u"2026년 12월 11일", QDate(2026, 12, 11)},
        {u"2024년 02월 29일", QDate(2024, 2, 29)},
        {u"2026년 1월 5일", QDate(2026, 1, 5)},
        {u"2026년 00월 11일", {}},
        {u"2026년 13월 01일", {}},
        {u"2027년 02월 29일", {}},
        {u"2026년 02월 31일", {}},
        {u"2026년 12월 00일", {}},
        {u"0999년 12월 01일", {}},
        {u"4001년 01월 01일", {}},
        {u"2026년12월11일", {}},
        {u"2026년 12월 1a일", {}},
        {u"", {}},
    };
    for (const Case& c : cases) {
        const auto parsed = ParseDateText(QString::fromUtf16(c.text));
        EXPECT_EQ(parsed.value_or(QDate()), c.date) << QString::fromUtf16(c.text).toStdString();
    }
    EXPECT_EQ(FormatDateText(QDate(2027, 1, 5)), QStringLiteral("2027년 01월 05일"));
    EXPECT_EQ(ParseDateText(FormatDateText(QDate(2027, 1, 5))), QDate(2027, 1, 5));
    EXPECT_EQ(SlotText(0), QStringLiteral("12시 00분"));
    EXPECT_EQ(SlotText(3), QStringLiteral("1시 30분"));
    EXPECT_EQ(SlotText(23), QStringLiteral("11시 30분"));
}

TEST(QuickAddTexts, Colors)
{
    struct Case {
        const char* text;
        bool ok;
        int r, g, b;
    } const cases[] = {
        {"#f80", true, 0xFF, 0x88, 0x00}, {"#3366CC", true, 0x33, 0x66, 0xCC}, {"#3A7", true, 0x33, 0xAA, 0x77},
        {"#12", false, 0, 0, 0},          {"3366CC", false, 0, 0, 0},          {"#ggg", false, 0, 0, 0},
        {"", false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        COLORREF cr = 0x12345678;
        EXPECT_EQ(ParseColor(QString::fromLatin1(c.text), cr), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(cr, RGB(c.r, c.g, c.b)) << c.text;
        }
    }
}

TEST(QuickAddTexts, CalendarListTakesWholeEntriesOnly)
{
    const QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<calendars>
<calendar><service-type>0</service-type><name>내 캘린더</name><id>11</id><color>#f80</color></calendar>
<calendar><service-type>1</service-type><name>공휴일</name><id>12</id><color>#E33</color></calendar>
<calendar><service-type></service-type><name>빈 종류</name><id>13</id><color>#E33</color></calendar>
<calendar><name>종류 없음</name><id>14</id><color>#3366CC</color></calendar>
<calendar><service-type>0</service-type><name></name><id>15</id><color>#3366CC</color></calendar>
<calendar><service-type>0</service-type><name>번호 없음</name><id></id><color>#3366CC</color></calendar>
<calendar><service-type>0</service-type><name>번호 아님</name><id>x1</id><color>#3366CC</color></calendar>
<calendar><service-type>0</service-type><name>&lt;b&gt;굵게&lt;/b&gt;</name><id>16</id><color>bad</color></calendar>
</calendars>
)";
    const SCalendarList list = ParseCalendarList(xml);
    ASSERT_TRUE(list.bLoaded);
    ASSERT_EQ(list.items.size(), 3u);
    EXPECT_EQ(list.items[0].strName, QStringLiteral("내 캘린더"));
    EXPECT_EQ(list.items[0].lId, 11);
    EXPECT_EQ(list.items[0].crColor, RGB(0xFF, 0x88, 0x00));
    EXPECT_EQ(list.items[1].strName, QStringLiteral("종류 없음"));
    EXPECT_EQ(list.items[1].lId, 14);
    // A name with markup stays text; a calendar without a usable colour takes the accent.
    EXPECT_EQ(list.items[2].strName, QStringLiteral("<b>굵게</b>"));
    EXPECT_EQ(list.items[2].crColor, RGB(0xFB, 0x81, 0x02));

    EXPECT_FALSE(ParseCalendarList(QByteArray()).bLoaded);
    EXPECT_FALSE(ParseCalendarList("not xml at all").bLoaded);
    EXPECT_FALSE(ParseCalendarList(R"(<result><ERROR TYPE="401" URL="/">로그인</ERROR></result>)").bLoaded);
    const SCalendarList empty = ParseCalendarList("<calendars></calendars>");
    EXPECT_TRUE(empty.bLoaded);
    EXPECT_TRUE(empty.items.empty());
}

// --- Bodies and answers ---------------------------------------------------------------------

TEST(QuickAddBodies, EventBodies)
{
    const QDate day(2026, 12, 11);
    SEventFields timed;
    timed.strTitle = QStringLiteral("회의 a b&c=d");
    timed.lCalendarId = 7;
    timed.start = {day, 4, true};
    timed.end = {day, 6, true};
    EXPECT_EQ(EventBody(timed), QStringLiteral("event[title]=%ed%9a%8c%ec%9d%98+a+b%26c%3dd&event[calendar_id]=7"
                                               "&event[allday]=false&event[start_at]=20261211T14:00:00"
                                               "&event[end_at]=20261211T15:00:00"));

    SEventFields midnight = timed;
    midnight.strTitle = QStringLiteral("x");
    midnight.start = {QDate(2026, 12, 31), 22, true};
    midnight.end = {QDate(2027, 1, 1), 0, false};
    EXPECT_EQ(EventBody(midnight), QStringLiteral("event[title]=x&event[calendar_id]=7&event[allday]=false"
                                                  "&event[start_at]=20261231T23:00:00&event[end_at]=20270101T00:00:00"));

    SEventFields allDay = midnight;
    allDay.bAllDay = true;
    allDay.end.date = QDate(2027, 1, 2);
    EXPECT_EQ(EventBody(allDay), QStringLiteral("event[title]=x&event[calendar_id]=7&event[allday]=true"
                                                "&event[start_at]=20261231&event[end_at]=20270102"));

    const long leads[] = {60, 300, 600, 900, 1800, 3600, 7200, 86400, 604800};
    SEventFields alarm = allDay;
    alarm.bAlarm = true;
    for (int item = -1; item <= 9; ++item) {
        alarm.nAlarmItem = item;
        const long lead = item >= 0 && item < 9 ? leads[item] : 600;
        EXPECT_EQ(EventBody(alarm), EventBody(allDay) + QStringLiteral("&meta[set_alarm]=true&alarm[delta_sec]=") +
                                        QString::number(lead) + QStringLiteral("&alarm[program]=1"))
            << item;
    }
    EXPECT_EQ(TodoBody(QStringLiteral("a b&c=d")), QStringLiteral("todo[title]=a+b%26c%3dd"));
    EXPECT_EQ(TodoBody(QString()), QStringLiteral("todo[title]="));
}

TEST(QuickAddBodies, OnlyASuccessIsSaved)
{
    struct Case {
        bool sent;
        unsigned status;
        const char16_t* text;
        ESaveResult result;
    } const cases[] = {
        {true, 200, u"{\"id\": 5, \"uid\": \"u\", \"title\": \"x\"}", ESaveResult::Saved},
        // The title echoes back: words of it are not the service's.
        {true, 200, u"{\"id\": 5, \"title\": \"로그인이 필요 <ERROR error page\"}", ESaveResult::Saved},
        {false, 0, u"", ESaveResult::NotSent},
        {true, 401, u"error page\n<html>로그인이 필요합니다.</html>", ESaveResult::SignInNeeded},
        {true, 200, u"<html><body>로그인이 필요합니다.</body></html>", ESaveResult::SignInNeeded},
        {true, 500, u"error page\n<html>the event could not be saved</html>", ESaveResult::Refused},
        {true, 200, u"error page\n<html>oops</html>", ESaveResult::Refused},
        {true, 200, u"<?xml version=\"1.0\"?><result><ERROR TYPE=\"1\"/></result>", ESaveResult::Refused},
        {true, 200, u"", ESaveResult::Refused},
        {true, 302, u"{}", ESaveResult::Refused},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadSaveAnswer({c.sent, c.status, QString::fromUtf16(c.text)}), c.result)
            << QString::fromUtf16(c.text).toStdString();
}

// --- The windows against the service ---------------------------------------------------------

class QuickAddDialogTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(CServiceHarness::Get().Configure());
    }

    void SetUp() override { ASSERT_TRUE(Harness().SignInDemo()); }
    void TearDown() override
    {
        Harness().Fetch("POST", "/_test/fault/clear", "");
        tamo::clock::SetNowForTesting({});
    }

    static CServiceHarness& Harness() { return CServiceHarness::Get(); }

    // Opens the event window as the main window would, its messages collected.
    std::unique_ptr<CSetAppointmentDlg> OpenEvent()
    {
        auto dlg = std::make_unique<CSetAppointmentDlg>();
        dlg->m_fnMessage = [this](const QString&, const QString& text) { m_messages << text; };
        dlg->show();
        return dlg;
    }

    template <typename T>
    static T* Item(CTamoDlg& dlg, int id)
    {
        return qobject_cast<T*>(dlg.GetDlgItem(id));
    }

    // The stored event or to-do with this title, as the service holds it.
    static const tamo::test::SXmlNode* Stored(const std::optional<tamo::test::SXmlNode>& items, const std::string& title)
    {
        for (const auto* item : items->Children("item"))
            if (item->ChildText("title") == title)
                return item;
        return nullptr;
    }

    static std::optional<tamo::test::SExportItem> Exported(const std::vector<tamo::test::SExportItem>& items,
                                                           const std::string& title)
    {
        for (const auto& item : items)
            if (item.Get("SUMMARY") == title)
                return item;
        return std::nullopt;
    }

    // Saves the event window with this title; true when it closed with OK.
    bool SaveEvent(CSetAppointmentDlg& dlg, const QString& title)
    {
        Item<QLineEdit>(dlg, CSetAppointmentDlg::IDC_TITLE)->setText(title);
        dlg.SendCommand(CSetAppointmentDlg::IDC_SAVE);
        return !dlg.isVisible() && dlg.result() == tamoui::IDOK;
    }

    QStringList m_messages;
};

TEST_F(QuickAddDialogTest, OpensWithTheProposedTimesAndTheUsersCalendars)
{
    ClockAt clock(QStringLiteral("2026-12-31 22:40"));
    auto dlg = OpenEvent();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("일정 입력"));
    QWidget* close = dlg->GetDlgItem(tamoui::IDCLOSE_TITLE);
    ASSERT_NE(close, nullptr);
    EXPECT_TRUE(close->isVisible());
    EXPECT_TRUE(dlg->rect().contains(close->geometry())) << close->x() << "," << close->y();
    EXPECT_EQ(dlg->GetDlgItemText(CSetAppointmentDlg::IDC_START_DATE), QStringLiteral("2026년 12월 31일"));
    EXPECT_EQ(dlg->GetDlgItemText(CSetAppointmentDlg::IDC_END_DATE), QStringLiteral("2027년 01월 01일"));
    EXPECT_EQ(Item<QComboBox>(*dlg, CSetAppointmentDlg::IDC_START_AMPM)->currentText(), QStringLiteral("오후"));
    EXPECT_EQ(Item<QComboBox>(*dlg, CSetAppointmentDlg::IDC_START_TIME)->currentText(), QStringLiteral("11시 00분"));
    EXPECT_EQ(Item<QComboBox>(*dlg, CSetAppointmentDlg::IDC_END_AMPM)->currentText(), QStringLiteral("오전"));
    EXPECT_EQ(Item<QComboBox>(*dlg, CSetAppointmentDlg::IDC_END_TIME)->currentText(), QStringLiteral("12시 00분"));
    auto* lead = Item<QComboBox>(*dlg, CSetAppointmentDlg::IDC_ALARM_LEAD);
    EXPECT_EQ(lead->count(), 9);
    EXPECT_EQ(lead->currentText(), QStringLiteral("10분전"));
    EXPECT_FALSE(lead->isEnabled());
    EXPECT_EQ(Item<QLineEdit>(*dlg, CSetAppointmentDlg::IDC_TITLE)->maxLength(), 80);

    // The demo account's calendars in order, without the holidays (service type 1).
    const std::vector<std::int64_t> ids = Harness().DemoCalendars();
    ASSERT_EQ(dlg->Calendars().size(), ids.size());
    auto* calendars = Item<QComboBox>(*dlg, CSetAppointmentDlg::IDC_CALENDAR);
    ASSERT_EQ(calendars->count(), int(ids.size()));
    for (size_t i = 0; i < ids.size(); ++i)
        EXPECT_EQ(calendars->itemData(int(i)).toLongLong(), ids[i]);
    EXPECT_EQ(calendars->currentIndex(), 0);
    EXPECT_EQ(dlg->Calendars()[1].strName, QStringLiteral("회사"));
    EXPECT_EQ(dlg->Calendars()[1].crColor, RGB(0x33, 0xAA, 0x77));
    EXPECT_TRUE(dlg->GetDlgItem(CSetAppointmentDlg::IDC_SAVE)->isEnabled());
    EXPECT_TRUE(m_messages.isEmpty());
}

TEST_F(QuickAddDialogTest, SavedEventsReadBackFromTheService)
{
    const std::int64_t calendar = Harness().DemoCalendars().at(1);
    struct Case {
        const char* now;
        const char* title;
        bool allDay;
        int alarmItem;  // -1: no alarm
        const char* body;  // %1: the calendar's id
        const char* start;
        const char* end;
        const char* alarm;
    } const cases[] = {
        {"2026-12-11 13:50", "qa 13:50 a b&c=d", false, -1,
         "event[title]=qa+13%3a50+a+b%26c%3dd&event[calendar_id]=%1&event[allday]=false"
         "&event[start_at]=20261211T14:00:00&event[end_at]=20261211T15:00:00",
         "20261211T140000", "20261211T150000", ""},
        {"2026-12-31 22:40", "qa eve", false, 8,
         "event[title]=qa+eve&event[calendar_id]=%1&event[allday]=false&event[start_at]=20261231T23:00:00"
         "&event[end_at]=20270101T00:00:00&meta[set_alarm]=true&alarm[delta_sec]=604800&alarm[program]=1",
         "20261231T230000", "20270101T000000", "604800"},
        {"2026-12-11 09:05", "qa 하루종일", true, 0, nullptr, "20261211", "20261212", "60"},
    };
    for (const Case& c : cases) {
        ClockAt clock(QString::fromLatin1(c.now));
        auto dlg = OpenEvent();
        auto* calendars = Item<QComboBox>(*dlg, CSetAppointmentDlg::IDC_CALENDAR);
        calendars->setCurrentIndex(1);
        if (c.allDay)
            Item<QCheckBox>(*dlg, CSetAppointmentDlg::IDC_ALLDAY)->click();
        if (c.alarmItem >= 0) {
            Item<QCheckBox>(*dlg, CSetAppointmentDlg::IDC_ALARM)->click();
            auto* lead = Item<QComboBox>(*dlg, CSetAppointmentDlg::IDC_ALARM_LEAD);
            EXPECT_TRUE(lead->isEnabled());
            lead->setCurrentIndex(c.alarmItem);
        }
        if (c.body) {
            Item<QLineEdit>(*dlg, CSetAppointmentDlg::IDC_TITLE)->setText(QString::fromUtf8(c.title));
            SEventFields fields;
            ASSERT_TRUE(dlg->GetFields(fields));
            EXPECT_EQ(EventBody(fields), QString::fromLatin1(c.body).arg(calendar)) << c.title;
        }
        ASSERT_TRUE(SaveEvent(*dlg, QString::fromUtf8(c.title))) << c.title << m_messages.join(u'|').toStdString();

        const auto items = tamo::test::ParseXml(Harness().GetPath("/_test/items?kind=event").body);
        ASSERT_TRUE(items);
        const auto* stored = Stored(items, c.title);
        ASSERT_NE(stored, nullptr) << c.title;
        EXPECT_EQ(stored->ChildText("calendar"), std::to_string(calendar));
        EXPECT_EQ(stored->ChildText("allday"), c.allDay ? "true" : "false");
        EXPECT_EQ(stored->ChildText("alarm"), c.alarm);

        const auto exported = Exported(
            tamo::test::ReadEventExport(
                Harness().GetPath("/sync/export_event?calendar=" + std::to_string(calendar)).body),
            c.title);
        ASSERT_TRUE(exported) << c.title;
        if (c.allDay) {
            EXPECT_EQ(exported->Get("DTSTART;VALUE=DATE"), c.start);
            EXPECT_EQ(exported->Get("DTEND;VALUE=DATE"), c.end);
        } else {
            EXPECT_EQ(exported->Get("DTSTART;TZID=Asia/Seoul"), c.start);
            EXPECT_EQ(exported->Get("DTEND;TZID=Asia/Seoul"), c.end);
        }
    }
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(u'|').toStdString();
}

TEST_F(QuickAddDialogTest, FieldRulesFollowTheUsersChoices)
{
    ClockAt clock(QStringLiteral("2026-12-31 22:40"));
    auto dlg = OpenEvent();
    auto* startAmPm = Item<QComboBox>(*dlg, CSetAppointmentDlg::IDC_START_AMPM);
    auto* startTime = Item<QComboBox>(*dlg, CSetAppointmentDlg::IDC_START_TIME);
    auto* endAmPm = Item<QComboBox>(*dlg, CSetAppointmentDlg::IDC_END_AMPM);
    auto* endTime = Item<QComboBox>(*dlg, CSetAppointmentDlg::IDC_END_TIME);
    auto endText = [&] {
        return dlg->GetDlgItemText(CSetAppointmentDlg::IDC_END_DATE) + u' ' + endAmPm->currentText() + u' ' +
               endTime->currentText();
    };
    auto choose = [&](int slot) {
        startTime->setCurrentIndex(slot);
        emit startTime->activated(slot);
    };

    // The window's own fill set the end on the next day and no rule undid it.
    EXPECT_EQ(endText(), QStringLiteral("2027년 01월 01일 오전 12시 00분"));
    // Back below 22: the end returns to the start date, one hour later, with the start's half.
    choose(5);
    EXPECT_EQ(endText(), QStringLiteral("2026년 12월 31일 오후 3시 30분"));
    choose(23);
    EXPECT_EQ(endText(), QStringLiteral("2027년 01월 01일 오전 12시 30분"));
    // A click on the AM/PM box flips it and hands the focus to its time box.
    dlg->activateWindow();
    QTest::mouseClick(startAmPm, Qt::LeftButton);
    EXPECT_EQ(startAmPm->currentText(), QStringLiteral("오전"));
    EXPECT_TRUE(WaitFor([&] { return startTime->hasFocus(); }, 1000));
    // 11:30 AM ends at 12:30 PM of the same day.
    choose(23);
    EXPECT_EQ(endText(), QStringLiteral("2026년 12월 31일 오후 12시 30분"));

    // All day greys the four time boxes; the alarm box opens the lead times.
    auto* allDay = Item<QCheckBox>(*dlg, CSetAppointmentDlg::IDC_ALLDAY);
    allDay->click();
    for (QComboBox* box : {startAmPm, startTime, endAmPm, endTime})
        EXPECT_FALSE(box->isEnabled());
    allDay->click();
    for (QComboBox* box : {startAmPm, startTime, endAmPm, endTime})
        EXPECT_TRUE(box->isEnabled());
    EXPECT_TRUE(m_messages.isEmpty());
}

TEST_F(QuickAddDialogTest, MonthPickerWritesTheDayBack)
{
    ClockAt clock(QStringLiteral("2026-12-31 22:40"));
    auto dlg = OpenEvent();
    auto pick = [&](int dateId, const QDate& day) {
        bool picked = false;
        QTimer::singleShot(0, dlg.get(), [&] {
            auto* picker = dlg->findChild<CMonthDlg*>();
            ASSERT_NE(picker, nullptr);
            ASSERT_TRUE(picker->isVisible());
            EXPECT_EQ(picker->size(), CMonthDlg::kSize);
            CFPSMiniCalendarCtrl* calendar = picker->Calendar();
            ASSERT_EQ(calendar->GetDlgCtrlID(), CMonthDlg::IDC_CALENDAR);
            EXPECT_EQ(calendar->size(), QSize(159, 139));
            // The picker stands under its box and opens on the box's month.
            QWidget* edit = dlg->GetDlgItem(dateId);
            EXPECT_EQ(picker->pos(), edit->mapToGlobal(QPoint(0, edit->height())));
            while (calendar->GetFirstMonth() != day.month() || calendar->GetFirstYear() != day.year())
                calendar->PageForward();
            QTest::mouseClick(calendar, Qt::LeftButton, {}, calendar->CellRect(day).center());
            picked = true;
        });
        QTest::mouseClick(dlg->GetDlgItem(dateId), Qt::LeftButton);
        EXPECT_TRUE(picked);
        EXPECT_EQ(dlg->findChild<CMonthDlg*>(), nullptr);
    };

    // A new start keeps the end a day later (it ends after midnight).
    pick(CSetAppointmentDlg::IDC_START_DATE, QDate(2027, 1, 5));
    EXPECT_EQ(dlg->GetDlgItemText(CSetAppointmentDlg::IDC_START_DATE), QStringLiteral("2027년 01월 05일"));
    EXPECT_EQ(dlg->GetDlgItemText(CSetAppointmentDlg::IDC_END_DATE), QStringLiteral("2027년 01월 06일"));
    // An end before the start takes the start with it.
    pick(CSetAppointmentDlg::IDC_END_DATE, QDate(2027, 1, 3));
    EXPECT_EQ(dlg->GetDlgItemText(CSetAppointmentDlg::IDC_START_DATE), QStringLiteral("2027년 01월 03일"));
    EXPECT_EQ(dlg->GetDlgItemText(CSetAppointmentDlg::IDC_END_DATE), QStringLiteral("2027년 01월 03일"));

    // Escape closes the picker as cancelled: nothing changes.
    QTimer::singleShot(0, dlg.get(), [&] {
        if (auto* picker = dlg->findChild<CMonthDlg*>())
            QTest::keyClick(picker, Qt::Key_Escape);
    });
    QTest::mouseClick(dlg->GetDlgItem(CSetAppointmentDlg::IDC_START_DATE), Qt::LeftButton);
    EXPECT_EQ(dlg->GetDlgItemText(CSetAppointmentDlg::IDC_START_DATE), QStringLiteral("2027년 01월 03일"));
    EXPECT_TRUE(m_messages.isEmpty());
}

TEST_F(QuickAddDialogTest, ChecksKeepTheWindowOpenWithTheirMessage)
{
    ClockAt clock(QStringLiteral("2026-12-11 13:50"));
    auto dlg = OpenEvent();
    auto* startDate = Item<QLineEdit>(*dlg, CSetAppointmentDlg::IDC_START_DATE);
    auto* endDate = Item<QLineEdit>(*dlg, CSetAppointmentDlg::IDC_END_DATE);
    auto* endTime = Item<QComboBox>(*dlg, CSetAppointmentDlg::IDC_END_TIME);

    // No 31 February.
    endDate->setText(QStringLiteral("2027년 02월 31일"));
    EXPECT_FALSE(SaveEvent(*dlg, QStringLiteral("qa 날짜")));
    EXPECT_EQ(m_messages.value(0), kMsgBadDate);
    // An end at the start, or before it.
    endDate->setText(startDate->text());
    endTime->setCurrentIndex(4);  // 2:00 PM, the start
    EXPECT_FALSE(SaveEvent(*dlg, QStringLiteral("qa 날짜")));
    EXPECT_EQ(m_messages.value(1), kMsgEndBeforeStart);
    endTime->setCurrentIndex(3);
    EXPECT_FALSE(SaveEvent(*dlg, QStringLiteral("qa 날짜")));
    EXPECT_EQ(m_messages.value(2), kMsgEndBeforeStart);
    EXPECT_TRUE(dlg->isVisible());

    // A typed start date that is no date says so when the box is left; the end keeps its day.
    startDate->setFocus();
    QTest::keyClicks(startDate, QStringLiteral("x"));
    emit startDate->editingFinished();
    EXPECT_EQ(m_messages.value(3), kMsgBadDate);
    EXPECT_EQ(endDate->text(), QStringLiteral("2026년 12월 11일"));
    startDate->setText(endDate->text());

    // All day counts whole days: the greyed times do not stop a one-day event.
    Item<QCheckBox>(*dlg, CSetAppointmentDlg::IDC_ALLDAY)->click();
    EXPECT_TRUE(SaveEvent(*dlg, QStringLiteral("qa 하루 한 날")));
    EXPECT_EQ(m_messages.size(), 4);
}

TEST_F(QuickAddDialogTest, AnswersOtherThanSuccessKeepTheWindowOpen)
{
    ClockAt clock(QStringLiteral("2026-12-11 13:50"));
    auto dlg = OpenEvent();
    // The service fails the save.
    Harness().PostForm("/_test/fault", "path=/events/&status=500&count=1");
    EXPECT_FALSE(SaveEvent(*dlg, QStringLiteral("qa 실패")));
    EXPECT_EQ(m_messages.value(0), kMsgSaveFailed);
    // The session ended meanwhile.
    Harness().SignOut();
    EXPECT_FALSE(SaveEvent(*dlg, QStringLiteral("qa 만료")));
    EXPECT_EQ(m_messages.value(1), kMsgSignInNeeded);
    EXPECT_TRUE(dlg->isVisible());
    // Signed in again, the same window saves.
    ASSERT_TRUE(Harness().SignInDemo());
    EXPECT_TRUE(SaveEvent(*dlg, QStringLiteral("qa 다시")));
    const auto items = tamo::test::ParseXml(Harness().GetPath("/_test/items?kind=event").body);
    EXPECT_EQ(Stored(items, "qa 만료"), nullptr);
    EXPECT_NE(Stored(items, "qa 다시"), nullptr);
}

TEST_F(QuickAddDialogTest, WithoutACalendarNothingCanBeSaved)
{
    // Signed out: the list is the service's error form, nothing loads and nothing is said.
    Harness().SignOut();
    {
        auto dlg = OpenEvent();
        EXPECT_EQ(Item<QComboBox>(*dlg, CSetAppointmentDlg::IDC_CALENDAR)->count(), 0);
        EXPECT_FALSE(dlg->GetDlgItem(CSetAppointmentDlg::IDC_SAVE)->isEnabled());
        EXPECT_TRUE(m_messages.isEmpty());
        // Enter does not save either.
        dlg->SendCommand(tamoui::IDOK);
        EXPECT_TRUE(dlg->isVisible());
    }
    // An account whose only calendar is of service type 1: a list without a usable calendar.
    auto& db = Harness().Service().Database();
    static int s_round = 0;
    const std::string login = "qa-holidays-" + std::to_string(++s_round);
    const auto account = db.CreateAccount(login, "pw-1234");
    ASSERT_TRUE(account);
    ASSERT_TRUE(db.CreateCalendar({0, *account, "공휴일", "#E33", 1}));
    ASSERT_TRUE(Harness().SignIn(login, "pw-1234"));
    auto dlg = OpenEvent();
    EXPECT_EQ(Item<QComboBox>(*dlg, CSetAppointmentDlg::IDC_CALENDAR)->count(), 0);
    EXPECT_FALSE(dlg->GetDlgItem(CSetAppointmentDlg::IDC_SAVE)->isEnabled());
    EXPECT_EQ(m_messages, QStringList{kMsgNoCalendar});
}

TEST_F(QuickAddDialogTest, TodoSavesItsTitleAsTyped)
{
    CSetTodoDlg dlg;
    dlg.m_fnMessage = [this](const QString&, const QString& text) { m_messages << text; };
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("할일 쓰기"));
    EXPECT_EQ(dlg.GetDlgItemText(CSetTodoDlg::IDC_LABEL), QStringLiteral("할    일 :"));
    auto* title = Item<QLineEdit>(dlg, CSetTodoDlg::IDC_TITLE);
    EXPECT_EQ(title->maxLength(), 80);
    title->setText(QStringLiteral("a b&c=d 할일"));

    // Not signed in: the window stays with the message; signed in, Enter saves.
    Harness().SignOut();
    dlg.SendCommand(CSetTodoDlg::IDC_SAVE);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(m_messages, QStringList{kMsgSignInNeeded});
    ASSERT_TRUE(Harness().SignInDemo());
    QTest::keyClick(title, Qt::Key_Return);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), tamoui::IDOK);

    const auto items = tamo::test::ParseXml(Harness().GetPath("/_test/items?kind=todo").body);
    ASSERT_TRUE(items);
    EXPECT_NE(Stored(items, "a b&c=d 할일"), nullptr);
    bool exported = false;
    for (const auto& item : tamo::test::ReadTodoExport(Harness().GetPath(endpoints::kExportTodo.toStdString()).body))
        exported = exported || item.Get("SUMMARY") == "a b&c=d 할일";
    EXPECT_TRUE(exported);

    // The title strip's close cancels.
    CSetTodoDlg other;
    other.show();
    other.SendCommand(tamoui::IDCLOSE_TITLE);
    EXPECT_EQ(other.result(), tamoui::IDCANCEL);
}

}  // namespace
