// Alarms against tamo-service on loopback, with both clocks set: the list's reader and its error
// numbers, the due rule of the show pass, remind-again, the hold-back by a full-screen program or
// the screen saver, the alarm dialog and the sliding alert windows (offscreen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "app/Alarm.h"
#include "app/AlarmDlg.h"
#include "app/AlertWnd.h"
#ifdef TAMO_ALARM_MAIN_WINDOW
#include "app/TamoSyncDlg.h"
#endif
#include "base/EventWait.h"
#include "base/ServiceClock.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "support/TestEnvironment.h"
#include "tests/service/ServiceHarness.h"

#ifdef TAMO_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace {

using tamo::test::CServiceHarness;
using tamo::test::ScopedEnv;

template <typename Pred>
bool WaitFor(Pred pred, int ms = 20000)
{
    return WaitUntil(pred, ms);
}

void DrainDeletes()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// "YYYYMMDDTHHMMSS" in Asia/Seoul.
QDateTime Seoul(const char* stamp)
{
    return QDateTime(QDate::fromString(QString::fromLatin1(stamp).left(8), QStringLiteral("yyyyMMdd")),
                     QTime::fromString(QString::fromLatin1(stamp).mid(9, 6), QStringLiteral("HHmmss")),
                     tamo::clock::SeoulZone());
}

QString Stamp(const QDateTime& t)
{
    return t.toTimeZone(tamo::clock::SeoulZone()).toString(QStringLiteral("yyyyMMddTHHmmss"));
}

double Ole(const QDateTime& t)
{
    const QDateTime s = t.toTimeZone(tamo::clock::SeoulZone());
    return alarms::ToOle(s.date().year(), s.date().month(), s.date().day(), s.time().hour(), s.time().minute(),
                         s.time().second());
}

class AlarmTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(CServiceHarness::Get().Configure());
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_settings.isValid());
        m_config = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", m_settings.path().toLocal8Bit());
        tamo::clock::SetNowForTesting([this] { return m_now; });
        CAlertWnd::SetWorkAreaForTesting(QRect(0, 0, 1920, 1040));
        m_center = std::make_unique<CAlarmCenter>(&m_main);
        m_center->m_fnOpenPage = [this](const QString& url) { m_opened << url; };
        m_center->m_fnScreenSaver = [this] { return m_screenSaver; };
        m_center->m_fnFullScreen = [this] { return m_fullScreen; };
    }

    void TearDown() override
    {
        m_center.reset();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<CAlertWnd*>(w) || qobject_cast<CAlarmDlg*>(w))
                w->deleteLater();
        DrainDeletes();
        CAlertWnd::SetWorkAreaForTesting(QRect());
        tamo::clock::SetNowForTesting({});
        CServiceHarness::Get().PostForm("/_test/fault/clear", "");
        CServiceHarness::Get().PostForm("/_test/clock", "reset=1");
    }

    // Both clocks at one time; the service's stands still, so sign in after setting it.
    void SetClock(const QDateTime& t)
    {
        m_now = t.toUTC();
        ASSERT_EQ(CServiceHarness::Get().PostForm("/_test/clock", "freeze=" + Stamp(t).toStdString()).status, 200u);
    }
    void Advance(int seconds) { SetClock(m_now.addSecs(seconds)); }

    void NewUser()
    {
        CServiceHarness& h = CServiceHarness::Get();
        const std::string login = h.NewAccount("pw");
        ASSERT_TRUE(h.SignIn(login, "pw"));
    }

    // An event whose alarm rings at the given time (ten minutes before its start); its id.
    int PostEvent(const std::string& title, const QDateTime& ringAt)
    {
        const QDateTime start = ringAt.addSecs(600).toTimeZone(tamo::clock::SeoulZone());
        const std::string body = "event[title]=" + tamo::test::Encode(title) +
                                 "&event[allday]=false&event[start_at]=" +
                                 start.toString(QStringLiteral("yyyyMMddTHH:mm:ss")).toStdString() +
                                 "&meta[set_alarm]=true&alarm[delta_sec]=600&alarm[program]=1";
        const auto answer = CServiceHarness::Get().PostForm("/events/", body);
        EXPECT_EQ(answer.status, 200u) << answer.body;
        return int(tamo::test::IdOfAnswer(answer.body));
    }

    std::vector<CAlarmDlg*> Dialogs() const
    {
        std::vector<CAlarmDlg*> found;
        for (QWidget* w : m_center->Windows())
            if (auto* dlg = qobject_cast<CAlarmDlg*>(w))
                found.push_back(dlg);
        return found;
    }
    QStringList ShownTitles() const
    {
        QStringList titles;
        for (QWidget* w : m_center->Windows()) {
            if (auto* dlg = qobject_cast<CAlarmDlg*>(w))
                titles << dlg->Alarm().title;
            else if (auto* alert = qobject_cast<CAlertWnd*>(w))
                titles << alert->Alarm().title;
        }
        return titles;
    }
    const _dataAlarm* Find(const std::list<_dataAlarm>& list, int id) const
    {
        for (const _dataAlarm& a : list)
            if (a.id == id)
                return &a;
        return nullptr;
    }

    QTemporaryDir m_settings;
    std::unique_ptr<ScopedEnv> m_config;
    QDateTime m_now = Seoul("20261211T090000").toUTC();
    QWidget m_main;
    std::unique_ptr<CAlarmCenter> m_center;
    QStringList m_opened;
    bool m_screenSaver = false;
    bool m_fullScreen = false;
};

TEST(AlarmReader, AnswersAndTheirErrorNumbers)
{
    struct {
        const char* label;
        const char* answer;
        int error;
        const char* url;
        int count;
    } cases[] = {
        {"empty", "", alarms::kNotXml, "", 0},
        {"error page", "error page\n<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head></html>", alarms::kNotXml,
         "", 0},
        {"text", "login required", alarms::kNotXml, "", 0},
        {"error with type", "<result><ERROR TYPE=\"2001\" URL=\"http://x/\">no</ERROR></result>", 2001, "http://x/", 0},
        {"error without type", "<result><ERROR URL=\"u\"/></result>", alarms::kErrorNoType, "u", 0},
        {"no alarms", "<alarms></alarms>", 0, "", 0},
        {"one", "<alarms><alarm><alarmable_id>7</alarmable_id><alarm_at>20261211T090000</alarm_at>"
                "<alarmable_type>Event</alarmable_type><alarmable_title>a</alarmable_title></alarm></alarms>",
         0, "", 1},
        {"empty child skips", "<alarms><alarm><alarmable_id>7</alarmable_id><alarm_at>20261211T090000</alarm_at>"
                              "<alarmable_type>Event</alarmable_type><alarmable_title></alarmable_title></alarm></alarms>",
         0, "", 0},
        {"no id skips", "<alarms><alarm><alarm_at>20261211T090000</alarm_at><alarmable_title>a</alarmable_title>"
                        "</alarm></alarms>",
         0, "", 0},
        {"same id twice", "<alarms><alarm><alarmable_id>7</alarmable_id><alarm_at>20261211T090000</alarm_at>"
                          "<alarmable_title>a</alarmable_title></alarm><alarm><alarmable_id>7</alarmable_id>"
                          "<alarm_at>20261211T091000</alarm_at><alarmable_title>a</alarmable_title></alarm></alarms>",
         0, "", 1},
    };
    for (const auto& c : cases) {
        const alarms::SFetchResult r = alarms::ParseAlarmList(QString::fromUtf8(c.answer));
        EXPECT_EQ(r.error, c.error) << c.label;
        EXPECT_EQ(r.url, QString::fromUtf8(c.url)) << c.label;
        EXPECT_EQ(int(r.alarms.size()), c.count) << c.label;
    }

    // The fields: type "Todo" exactly makes a to-do; a missing type an event; a missing title
    // still rings; the time read by position, none without a time part.
    const alarms::SFetchResult r = alarms::ParseAlarmList(QStringLiteral(
        "<alarms><alarm><alarmable_id>1</alarmable_id><alarm_at>20261211T093015</alarm_at>"
        "<alarmable_type>Todo</alarmable_type><alarmable_title>할 일 &amp; 회의</alarmable_title></alarm>"
        "<alarm><alarmable_id>2</alarmable_id><alarm_at>20261211T0930</alarm_at><alarmable_type>todo</alarmable_type>"
        "<alarmable_title>b</alarmable_title></alarm>"
        "<alarm><alarmable_id>3</alarmable_id><alarm_at>20261211</alarm_at></alarm></alarms>"));
    ASSERT_EQ(r.alarms.size(), 3u);
    EXPECT_FALSE(r.alarms[0].bEvent);
    EXPECT_EQ(r.alarms[0].title, QStringLiteral("할 일 & 회의"));
    EXPECT_DOUBLE_EQ(r.alarms[0].dtAlarm, alarms::ToOle(2026, 12, 11, 9, 30, 15));
    EXPECT_TRUE(r.alarms[1].bEvent);
    EXPECT_EQ(r.alarms[1].dtAlarm, 0.0);  // "0930" has no seconds: not a time
    EXPECT_TRUE(r.alarms[2].bEvent);
    EXPECT_EQ(r.alarms[2].title, QStringLiteral("(제목 없음)"));
    EXPECT_EQ(r.alarms[2].dtAlarm, 0.0);
    EXPECT_EQ(alarms::ParseAlarmAt("20260231T090000"), 0.0);
}

TEST(AlarmReader, DueMinutesRoundsHalfASecondAwayFromNow)
{
    const double now = alarms::ToOle(2026, 12, 11, 9, 0, 0);
    const struct {
        int seconds;
        int minutes;
    } cases[] = {{0, 0}, {40, 0}, {59, 0}, {60, 1}, {61, 1}, {-59, 0}, {-60, -1}, {-359, -5}, {-360, -6}, {3600, 60}};
    for (const auto& c : cases)
        EXPECT_EQ(alarms::DueMinutes(now + c.seconds / 86400.0, now), c.minutes) << c.seconds;
}

TEST_F(AlarmTest, DueRuleAgainstTheService)
{
    const QDateTime t0 = Seoul("20261211T090000");
    SetClock(t0);
    NewUser();
    const int now40 = PostEvent("40초 뒤", t0.addSecs(40));
    const int ahead61 = PostEvent("61초 뒤", t0.addSecs(61));
    const int late6 = PostEvent("6분 지남", t0.addSecs(-360));
    const int late5 = PostEvent("5분 50초 지남", t0.addSecs(-350));
    // A to-do rings at midnight of its day less its lead: 15 hours before 12 December is 09:00.
    const auto todo = CServiceHarness::Get().PostForm(
        "/todos/", "todo[title]=" + tamo::test::Encode("할일") +
                       "&todo[duedate_on]=2026-12-12&meta[set_alarm]=true&alarm[delta_sec]=54000&alarm[program]=1");
    ASSERT_EQ(todo.status, 200u);
    const int todoId = int(tamo::test::IdOfAnswer(todo.body));

    ASSERT_EQ(m_center->Fetch(), 0);
    ASSERT_EQ(m_center->Alarms().size(), 5u);
    m_center->ShowDue();
    // Newest first: 61 s ahead waits; 6 minutes late goes unshown; 5 min 50 s late still rings.
    EXPECT_EQ(ShownTitles(), QStringList({"40초 뒤", "할일", "5분 50초 지남"}));
    EXPECT_EQ(Find(m_center->Alarms(), late6), nullptr);
    ASSERT_NE(Find(m_center->Alarms(), late5), nullptr);  // m = -5 is kept this pass
    EXPECT_FALSE(Find(m_center->Alarms(), ahead61)->bShown);
    const QString base = CServiceConfig::Current().Url(Service::Calendar, QStringLiteral("/"));
    for (CAlarmDlg* dlg : Dialogs()) {
        if (dlg->Alarm().id == todoId) {
            EXPECT_EQ(dlg->Url(), base + "#todo_view");
        } else if (dlg->Alarm().id == now40) {
            EXPECT_EQ(dlg->Url(), base + "#event_edit:" + QString::number(now40));
        }
    }

    // The same ids fetched again give no second window; 30 s on the 61 s one is due.
    Advance(30);
    ASSERT_EQ(m_center->Fetch(), 0);
    m_center->ShowDue();
    EXPECT_EQ(ShownTitles(), QStringList({"40초 뒤", "할일", "5분 50초 지남", "61초 뒤"}));
    EXPECT_EQ(Find(m_center->Alarms(), late5), nullptr);  // m = -6 now: gone
    ASSERT_EQ(m_center->Fetch(), 0);
    m_center->ShowDue();
    EXPECT_EQ(ShownTitles().size(), 4);
}

TEST_F(AlarmTest, RefetchMovesAnUnshownAlarm)
{
    const QDateTime t0 = Seoul("20261211T090000");
    SetClock(t0);
    NewUser();
    const int id = PostEvent("옮길 일정", t0.addSecs(3600));
    ASSERT_EQ(m_center->Fetch(), 0);
    const std::string start = t0.addSecs(600).toString(QStringLiteral("yyyyMMddTHH:mm:ss")).toStdString();
    ASSERT_EQ(CServiceHarness::Get()
                  .PostForm("/events/" + std::to_string(id), "event[start_at]=" + start + "&_method=put")
                  .status,
              200u);
    ASSERT_EQ(m_center->Fetch(), 0);
    ASSERT_EQ(m_center->Alarms().size(), 1u);
    EXPECT_DOUBLE_EQ(m_center->Alarms().front().dtAlarm, Ole(t0));
    m_center->ShowDue();
    EXPECT_EQ(ShownTitles(), QStringList({"옮길 일정"}));
}

TEST_F(AlarmTest, FetchErrorsLeaveTheListsAlone)
{
    const QDateTime t0 = Seoul("20261211T090000");
    SetClock(t0);
    NewUser();
    PostEvent("남는 알림", t0.addSecs(600));
    ASSERT_EQ(m_center->Fetch(), 0);
    CServiceHarness& h = CServiceHarness::Get();
    const struct {
        const char* fault;
        int error;
    } cases[] = {
        {"drop=1", alarms::kNoAnswer},
        {"error_page=1&status=500", alarms::kNotXml},
        {"malformed=1", alarms::kNotXml},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(h.PostForm("/_test/fault", std::string("path=/alarm/simple_list&") + c.fault).status, 200u);
        EXPECT_EQ(m_center->Fetch(), c.error) << c.fault;
        EXPECT_EQ(m_center->LastError(), c.error) << c.fault;
        EXPECT_EQ(m_center->Alarms().size(), 1u) << c.fault;
        ASSERT_EQ(h.PostForm("/_test/fault/clear", "").status, 200u);
    }
    EXPECT_EQ(m_center->Fetch(), 0);
    // Signed out: the service's own number, its URL kept.
    h.SignOut();
    EXPECT_EQ(m_center->Fetch(), 2001);
    EXPECT_TRUE(m_center->LastErrorUrl().startsWith(QStringLiteral("http")));
    EXPECT_EQ(m_center->Alarms().size(), 1u);
}

TEST_F(AlarmTest, RemindAgainCountsFromTheAlarmsOwnTime)
{
    const QDateTime t0 = Seoul("20261211T090000");
    const struct {
        const char* label;
        int item;          // of the delay list; -1 leaves the default (" 5분")
        int answeredAfter; // seconds after the alarm
        int quietUntil;    // no window on passes before this many seconds after the alarm
        int ringsBy;       // a window by this many seconds after the alarm
    } cases[] = {
        {" 5분 at 09:03", -1, 180, 241, 270},
        {"1분 at 09:03: already past, next pass", 0, 180, 210, 210},
        {" 10분 at 09:01", 2, 60, 541, 570},
        // Answered after the list's own record is gone: the dialog rings again from its copy.
        {" 30분 at 09:07", 3, 420, 1741, 1770},
    };
    for (const auto& c : cases) {
        m_center->Clear();
        m_center->CloseWindows();
        DrainDeletes();
        SetClock(t0);
        _dataAlarm alarm;
        alarm.id = 42;
        alarm.title = QStringLiteral("다시 알림");
        alarm.dtAlarm = Ole(t0);
        m_center->Alarms().push_back(alarm);
        m_center->ShowDue();
        ASSERT_EQ(Dialogs().size(), 1u) << c.label;
        CAlarmDlg* dlg = Dialogs().front();
        auto* check = qobject_cast<QCheckBox*>(dlg->GetDlgItem(CAlarmDlg::IDC_REMIND));
        auto* delay = qobject_cast<QComboBox*>(dlg->GetDlgItem(CAlarmDlg::IDC_DELAY));
        ASSERT_TRUE(check && delay);
        EXPECT_FALSE(delay->isEnabled());
        check->click();
        EXPECT_TRUE(delay->isEnabled());
        if (c.item >= 0)
            delay->setCurrentIndex(c.item);
        Advance(c.answeredAfter);
        m_center->ShowDue();
        dlg->SendCommand(tamoui::IDOK);
        DrainDeletes();
        EXPECT_TRUE(Dialogs().empty()) << c.label;
        ASSERT_EQ(m_center->ReAlarms().size(), 1u) << c.label;

        int ringsAt = -1;
        for (int at = c.answeredAfter + 30; at <= c.ringsBy + 60 && ringsAt < 0; at += 30) {
            SetClock(t0.addSecs(at));
            m_center->ShowDue();
            if (!Dialogs().empty())
                ringsAt = at;
        }
        EXPECT_GE(ringsAt, c.quietUntil) << c.label;
        EXPECT_LE(ringsAt, c.ringsBy) << c.label;
    }
}

TEST_F(AlarmTest, RemindAgainFromAReminderRewritesIt)
{
    SetClock(Seoul("20261211T090000"));
    _dataAlarm alarm;
    alarm.id = 5;
    alarm.title = QStringLiteral("두 번");
    alarm.dtAlarm = alarms::NowOle();
    m_center->RemindAgain(alarm, 5);
    m_center->RemindAgain(m_center->ReAlarms().front(), 10);
    ASSERT_EQ(m_center->ReAlarms().size(), 1u);
    EXPECT_EQ(alarms::DueMinutes(m_center->ReAlarms().front().dtAlarm, alarms::NowOle()), 15);
    EXPECT_FALSE(m_center->ReAlarms().front().bShown);
}

TEST_F(AlarmTest, AlarmDialogControls)
{
    _dataAlarm alarm;
    alarm.id = 9;
    alarm.title = QStringLiteral("주간 회의");
    alarm.dtAlarm = alarms::NowOle();
    auto* dlg = new CAlarmDlg(alarm, QStringLiteral("http://x/#event_edit:9"), m_center.get(), &m_main);
    dlg->OpenModeless();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Tamo 캘린더 알림 서비스"));
    EXPECT_EQ(dlg->GetDlgItemText(CAlarmDlg::IDC_TEXT), QStringLiteral("알림을 요청하셨습니다."));
    EXPECT_EQ(dlg->GetDlgItemText(CAlarmDlg::IDC_TEXT2), QString());
    EXPECT_EQ(dlg->GetDlgItemText(CAlarmDlg::IDC_TITLE), QStringLiteral("주간 회의"));
    EXPECT_EQ(dlg->GetDlgItemText(CAlarmDlg::IDC_DELAY_LABEL), QStringLiteral("후 다시 알림"));
    EXPECT_EQ(dlg->GetDlgItemText(tamoui::IDOK), QStringLiteral("확인"));
    EXPECT_EQ(dlg->GetDlgItem(CAlarmDlg::IDC_SEPARATOR)->geometry(), QRect(10, 96, dlg->width() - 10, 1));
    auto* delay = qobject_cast<QComboBox*>(dlg->GetDlgItem(CAlarmDlg::IDC_DELAY));
    QStringList items;
    for (int i = 0; i < delay->count(); ++i)
        items << delay->itemText(i);
    EXPECT_EQ(items, QStringList({"1분", " 5분", " 10분", " 30분", " 1시간"}));
    EXPECT_EQ(delay->currentIndex(), 1);
    for (auto [item, minutes] : {std::pair{0, 1}, {1, 5}, {2, 10}, {3, 30}, {4, 60}, {-1, 5}, {5, 5}})
        EXPECT_EQ(CAlarmDlg::DelayMinutes(item), minutes) << item;
    // Top-most while it appears, for a second.
    EXPECT_TRUE(dlg->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(WaitFor([&] { return !dlg->windowFlags().testFlag(Qt::WindowStaysOnTopHint); }, 5000));
    EXPECT_TRUE(dlg->isVisible());
    dlg->SendCommand(CAlarmDlg::IDC_TITLE);
    EXPECT_EQ(m_opened, QStringList({"http://x/#event_edit:9"}));
    // The title strip's close button closes without ringing again.
    QPointer<CAlarmDlg> guard(dlg);
    qobject_cast<QCheckBox*>(dlg->GetDlgItem(CAlarmDlg::IDC_REMIND))->click();
    dlg->SendCommand(tamoui::IDCLOSE_TITLE);
    DrainDeletes();
    EXPECT_TRUE(guard.isNull());
    EXPECT_TRUE(m_center->ReAlarms().empty());
}

TEST_F(AlarmTest, HeldAlarmsShowWhenReleased)
{
    const QDateTime t0 = Seoul("20261211T090000");
    WriteSettingFlag(settings::NoAlarmInFullscreen, 1);
    SetClock(t0);
    for (int minutes : {1, 2, 3, 4, 8, 9}) {
        _dataAlarm alarm;
        alarm.id = 100 + minutes;
        alarm.title = QStringLiteral("%1분").arg(minutes);
        alarm.dtAlarm = Ole(t0.addSecs(minutes * 60));
        m_center->Alarms().push_back(alarm);
    }
    // Ten minutes of a full-screen program: nothing shows, nothing is dropped.
    m_fullScreen = true;
    for (int s = 0; s <= 600; s += 30) {
        SetClock(t0.addSecs(s));
        m_center->ShowDue();
    }
    EXPECT_TRUE(m_center->IsHeld());
    EXPECT_TRUE(m_center->Windows().isEmpty());
    EXPECT_EQ(m_center->Alarms().size(), 6u);

    m_fullScreen = false;
    SetClock(t0.addSecs(630));
    m_center->ShowDue();
    EXPECT_EQ(ShownTitles(), QStringList({"9분", "8분", "4분", "알림 3건이 더 있습니다."}));
    // Then the removal rule: what is older than five minutes goes, the rest stays shown.
    ASSERT_EQ(m_center->Alarms().size(), 2u);
    for (const _dataAlarm& a : m_center->Alarms())
        EXPECT_TRUE(a.bShown);
    SetClock(t0.addSecs(660));
    m_center->ShowDue();
    EXPECT_EQ(ShownTitles().size(), 4);
}

TEST_F(AlarmTest, WhatHoldsAlarmsBack)
{
    const QDateTime t0 = Seoul("20261211T090000");
    const struct {
        bool option, fullScreen, screenSaver, held;
    } cases[] = {
        {false, true, false, false},  // the user wants alarms over full-screen programs
        {true, true, false, true},
        {false, false, true, true},   // nobody sees an alarm behind the screen saver
        {true, false, false, false},
    };
    for (const auto& c : cases) {
        m_center->Clear();
        m_center->CloseWindows();
        DrainDeletes();
        WriteSettingFlag(settings::NoAlarmInFullscreen, c.option ? 1 : 0);
        m_fullScreen = c.fullScreen;
        m_screenSaver = c.screenSaver;
        SetClock(t0);
        _dataAlarm alarm;
        alarm.id = 1;
        alarm.title = QStringLiteral("a");
        alarm.dtAlarm = Ole(t0);
        m_center->Alarms().push_back(alarm);
        m_center->ShowDue();
        EXPECT_EQ(m_center->IsHeld(), c.held) << c.option << c.fullScreen << c.screenSaver;
        EXPECT_EQ(m_center->Windows().isEmpty(), c.held) << c.option << c.fullScreen << c.screenSaver;
    }
}

TEST_F(AlarmTest, AnotherUserDropsTheAlarmsAndWindows)
{
    SetClock(Seoul("20261211T090000"));
    auto fill = [&] {
        _dataAlarm alarm;
        alarm.id = 1;
        alarm.title = QStringLiteral("a");
        alarm.dtAlarm = alarms::NowOle();
        m_center->Alarms().push_back(alarm);
        alarm.id = 2;
        alarm.dtAlarm += 1;
        m_center->ReAlarms().push_back(alarm);
        m_center->ShowDue();
    };
    m_center->SetUser(QStringLiteral("kim"));
    fill();
    ASSERT_EQ(m_center->Windows().size(), 1);
    m_center->SetUser(QStringLiteral("kim"));  // the same user after sleep keeps everything
    DrainDeletes();
    EXPECT_EQ(m_center->Windows().size(), 1);
    EXPECT_EQ(m_center->Alarms().size(), 1u);
    m_center->SetUser(QStringLiteral("lee"));
    DrainDeletes();
    EXPECT_TRUE(m_center->Windows().isEmpty());
    EXPECT_TRUE(m_center->Alarms().empty());
    EXPECT_TRUE(m_center->ReAlarms().empty());
}

TEST_F(AlarmTest, AlertsStackSlideAndGo)
{
    WriteSettingFlag(settings::AlarmMode, 1);
    SetClock(Seoul("20261211T090000"));
    QCursor::setPos(0, 0);
    for (int i = 1; i <= 3; ++i) {
        _dataAlarm alarm;
        alarm.id = i;
        alarm.title = QStringLiteral("알림 %1").arg(i);
        alarm.dtAlarm = alarms::NowOle() - i / 86400.0;  // the first the newest
        m_center->Alarms().push_back(alarm);
    }
    m_center->ShowDue();
    ASSERT_EQ(m_center->Windows().size(), 3);
    EXPECT_EQ(CAlertWnd::Count(), 3);
    QList<QPointer<CAlertWnd>> alerts;
    for (QWidget* w : m_center->Windows())
        alerts << qobject_cast<CAlertWnd*>(w);
    ASSERT_TRUE(WaitFor([&] {
        return std::all_of(alerts.begin(), alerts.end(), [](const auto& a) { return a && a->CurrentHeight() == 124; });
    }));
    EXPECT_EQ(alerts[0]->geometry(), QRect(1722, 916, 188, 124));
    EXPECT_EQ(alerts[1]->geometry(), QRect(1722, 792, 188, 124));
    EXPECT_EQ(alerts[2]->geometry(), QRect(1722, 668, 188, 124));
    EXPECT_FALSE(alerts[0]->isActiveWindow());
    EXPECT_TRUE(alerts[0]->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    // They slide away by themselves after their five seconds, down to nothing, and are gone.
    int lowest = 124;
    ASSERT_TRUE(WaitFor([&] {
        for (const auto& a : alerts)
            if (a)
                lowest = std::min(lowest, a->CurrentHeight());
        return CAlertWnd::Count() == 0;
    }, 30000));
    EXPECT_GE(lowest, 0);
    EXPECT_TRUE(std::all_of(alerts.begin(), alerts.end(), [](const auto& a) { return a.isNull(); }));
}

TEST_F(AlarmTest, ShortWorkAreaWrapsToTheBottom)
{
    CAlertWnd::SetWorkAreaForTesting(QRect(0, 100, 800, 300));  // room for two
    std::vector<CAlertWnd*> alerts;
    for (int i = 0; i < 4; ++i) {
        _dataAlarm alarm;
        alarm.id = i + 1;
        alerts.push_back(new CAlertWnd(alarm, QString(), m_center.get()));
    }
    std::vector<int> bottoms;
    for (CAlertWnd* a : alerts)
        bottoms.push_back(a->Bottom());
    EXPECT_EQ(bottoms, (std::vector<int>{400, 276, 400, 276}));
    for (CAlertWnd* a : alerts)
        a->deleteLater();
    DrainDeletes();
    EXPECT_EQ(CAlertWnd::Count(), 0);
}

TEST_F(AlarmTest, HoverHoldsAnAlertOnce)
{
    _dataAlarm alarm;
    alarm.id = 3;
    alarm.title = QStringLiteral("머무는 알림");
    QPointer<CAlertWnd> alert = new CAlertWnd(alarm, QStringLiteral("http://x/#event_edit:3"), m_center.get());
    // The steps run by hand: the test decides where the pointer is between them.
    alert->KillTimer(CAlertWnd::TIMER_SLIDE_IN);
    alert->OnStart();
    alert->KillTimer(CAlertWnd::TIMER_SLIDE_IN);
    QCursor::setPos(1722 + 50, 1040 - 4);
    std::vector<int> heights;
    while (alert->CurrentHeight() < 124) {
        alert->OnTimer(CAlertWnd::TIMER_SLIDE_IN);
        heights.push_back(alert->CurrentHeight());
    }
    EXPECT_EQ(heights.front(), 8);
    EXPECT_EQ(heights.size(), 16u);  // 8, 16, ..., 120, then clamped at 124
    EXPECT_FALSE(alert->HasTimer(CAlertWnd::TIMER_SLIDE_IN));
    EXPECT_TRUE(alert->HasTimer(CAlertWnd::TIMER_HOLD));  // the pointer's 7 seconds
    alert->OnTimer(CAlertWnd::TIMER_HOLD);
    EXPECT_TRUE(alert->HasTimer(CAlertWnd::TIMER_SLIDE_OUT));
    alert->OnTimer(CAlertWnd::TIMER_SLIDE_OUT);  // the pointer is still there: held once
    EXPECT_TRUE(alert->WasHeld());
    EXPECT_EQ(alert->CurrentHeight(), 124);
    EXPECT_TRUE(alert->HasTimer(CAlertWnd::TIMER_HOLD));
    EXPECT_FALSE(alert->HasTimer(CAlertWnd::TIMER_SLIDE_OUT));
    alert->OnTimer(CAlertWnd::TIMER_HOLD);
    alert->KillTimer(CAlertWnd::TIMER_SLIDE_OUT);
    heights.clear();
    while (alert && heights.size() < 40) {  // not twice: it slides out with the pointer on it
        alert->OnTimer(CAlertWnd::TIMER_SLIDE_OUT);
        heights.push_back(alert->CurrentHeight());
        if (heights.back() == 0)
            break;
    }
    EXPECT_EQ(heights.front(), 116);
    EXPECT_EQ(heights.back(), 0);  // 124 - 15 * 8 = 4, then 0, not -4
    EXPECT_EQ(heights.size(), 16u);
    DrainDeletes();
    EXPECT_TRUE(alert.isNull());
}

TEST_F(AlarmTest, AlertCommands)
{
    QCursor::setPos(0, 0);
    _dataAlarm alarm;
    alarm.id = 4;
    alarm.title = QStringLiteral("명령");
    alarm.dtAlarm = alarms::NowOle();
    QPointer<CAlertWnd> alert = new CAlertWnd(alarm, QStringLiteral("http://x/#event_edit:4"), m_center.get());
    EXPECT_EQ(alert->GetDlgItem(CAlertWnd::IDC_TITLE)->geometry(), QRect(20, 40, 140, 50));
    EXPECT_EQ(alert->GetDlgItem(CAlertWnd::IDC_CLOSE)->geometry(), QRect(168, 9, 8, 8));
    EXPECT_EQ(alert->GetDlgItem(CAlertWnd::IDC_REMIND)->geometry(), QRect(120, 95, 45, 10));
    alert->SendCommand(CAlertWnd::IDC_TITLE);
    EXPECT_EQ(m_opened, QStringList({"http://x/#event_edit:4"}));
    // 1067 opens the alarm dialog for the same alarm, once.
    alert->SendCommand(CAlertWnd::IDC_REMIND);
    QPointer<CAlarmDlg> dlg = alert->AlarmDialog();
    ASSERT_TRUE(dlg);
    EXPECT_EQ(dlg->Alarm().id, 4);
    EXPECT_EQ(dlg->Url(), QStringLiteral("http://x/#event_edit:4"));
    alert->SendCommand(CAlertWnd::IDC_REMIND);
    EXPECT_EQ(alert->AlarmDialog(), dlg.data());
    int dialogs = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        dialogs += qobject_cast<CAlarmDlg*>(w) != nullptr;
    EXPECT_EQ(dialogs, 1);
    // 1066 closes the alert; the dialog it opened stays and still rings again.
    alert->SendCommand(CAlertWnd::IDC_CLOSE);
    DrainDeletes();
    EXPECT_TRUE(alert.isNull());
    EXPECT_EQ(CAlertWnd::Count(), 0);
    ASSERT_TRUE(dlg);
    qobject_cast<QCheckBox*>(dlg->GetDlgItem(CAlarmDlg::IDC_REMIND))->click();
    dlg->SendCommand(tamoui::IDOK);
    ASSERT_EQ(m_center->ReAlarms().size(), 1u);
    EXPECT_EQ(m_center->ReAlarms().front().id, 4);
}

TEST_F(AlarmTest, SoundPlaysOnlyAnExistingFile)
{
    EXPECT_EQ(alarms::AlarmSoundPath(QStringLiteral("alarm_1.wav")),
              QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("alarm/alarm_1.wav")));
    EXPECT_EQ(alarms::AlarmSoundPath(QStringLiteral("/x/y.wav")), QStringLiteral("/x/y.wav"));
    // A short silent wave file of our own.
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("ring.wav"));
    {
        QFile f(wav);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        const int samples = 800;
        auto u32 = [&](quint32 v) { f.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](quint16 v) { f.write(reinterpret_cast<const char*>(&v), 2); };
        f.write("RIFF");
        u32(36 + samples * 2);
        f.write("WAVEfmt ");
        u32(16);
        u16(1);
        u16(1);
        u32(8000);
        u32(16000);
        u16(2);
        u16(16);
        f.write("data");
        u32(samples * 2);
        f.write(QByteArray(samples * 2, '\0'));
    }
    const struct {
        int sound;
        QString file;
        bool played;
    } cases[] = {
        {1, dir.filePath(QStringLiteral("missing.wav")), false},
        {0, wav, false},
#ifdef TAMO_HAVE_MULTIMEDIA
        {1, wav, true},
        // The bare default name is one of the program's own sounds beside it.
        {1, QStringLiteral("alarm_1.wav"), QFileInfo(alarms::AlarmSoundPath(QStringLiteral("alarm_1.wav"))).isFile()},
#endif
    };
    for (const auto& c : cases) {
        WriteSettingFlag(settings::AlarmSound, DWORD(c.sound));
        WriteSettingString(settings::AlarmSoundFile, c.file);
        EXPECT_EQ(alarms::PlayAlarmSound(), c.played) << c.file.toStdString();
    }
    DrainDeletes();
}

#ifdef TAMO_ALARM_MAIN_WINDOW
// The main window: every sign-in fetches, mini mode too, and starts the fetch and show timers;
// signing out keeps the alarms, another user's sign-in drops them.
TEST_F(AlarmTest, MainWindowFetchesAtEverySignIn)
{
    const QDateTime t0 = Seoul("20261211T090000");
    SetClock(t0);
    CServiceHarness& h = CServiceHarness::Get();
    const std::string first = h.NewAccount("pw");
    ASSERT_TRUE(h.SignIn(first, "pw"));
    PostEvent("미니 모드 알림", t0.addSecs(20));
    const std::string second = h.NewAccount("pw");
    WriteSettingFlag(settings::TaskBar, 0);
    WriteSettingFlag(settings::Mode, 1);

    auto dlg = std::make_unique<CTamoSyncDlg>();
    dlg->m_fnAsk = [](const QString&, const QString&) { return int(tamoui::IDOK); };
    dlg->show();
    ASSERT_TRUE(WaitFor([&] { return dlg->Background() != nullptr; }));
    CAlarmCenter* center = dlg->Alarms();
    ASSERT_NE(center, nullptr);
    center->m_fnScreenSaver = [] { return false; };
    auto signIn = [&](const std::string& id) {
        CLoginDlg* login = dlg->Background()->Login();
        login->IdBox()->setEditText(QString::fromStdString(id));
        login->PasswordBox()->setText(QStringLiteral("pw"));
        ASSERT_TRUE(WaitFor([&] { return !dlg->Explorer()->IsNavigationPending(); }));
        login->SignIn(false);
        ASSERT_TRUE(dlg->IsLoggedIn());
    };
    signIn(first);
    EXPECT_EQ(dlg->GetDisplayMode(), CTamoSyncDlg::MODE_MINI);
    ASSERT_EQ(center->Alarms().size(), 1u);
    EXPECT_EQ(center->Windows().size(), 1);
    for (int id : {CTamoSyncDlg::TIMER_ALARM_FETCH, CTamoSyncDlg::TIMER_ALARMS})
        EXPECT_TRUE(dlg->HasTimer(id)) << id;

    ASSERT_TRUE(WaitFor([&] { return !dlg->Explorer()->IsNavigationPending(); }));
    dlg->SignOut();
    for (int id : {CTamoSyncDlg::TIMER_ALARM_FETCH, CTamoSyncDlg::TIMER_ALARMS})
        EXPECT_FALSE(dlg->HasTimer(id)) << id;
    EXPECT_EQ(center->Alarms().size(), 1u);
    EXPECT_EQ(center->Windows().size(), 1);

    signIn(second);
    DrainDeletes();
    EXPECT_TRUE(center->Alarms().empty());
    EXPECT_TRUE(center->Windows().isEmpty());
    ASSERT_TRUE(WaitFor([&] { return !dlg->Explorer()->IsNavigationPending(); }));
    dlg->hide();
    dlg.reset();
    DrainDeletes();
}
#endif

#ifdef TAMO_HAVE_XCB
// Run in a child of the test below, on a real X server: windows of "another program" (a
// connection of its own) are made active through EWMH as a window manager would.
TEST(AlarmX11Child, FullScreenOfAnotherProgram)
{
    if (!qEnvironmentVariableIsSet("TAMO_ALARM_X11_CHILD"))
        GTEST_SKIP() << "runs on the X server of AlarmX11.FullScreenTestOnARealXServer";
    QWidget main;  // as large as the screen: only another program's window counts
    main.setGeometry(QGuiApplication::primaryScreen()->geometry());
    main.show();
    QCoreApplication::processEvents();

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    auto atom = [&](const char* name) {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t a = r->atom;
        free(r);
        return a;
    };
    auto window = [&](int x, int y, int w, int h) {
        const xcb_window_t id = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, id, screen->root, int16_t(x), int16_t(y), uint16_t(w), uint16_t(h), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(c, id);
        return id;
    };
    auto sync = [&] { free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); };
    auto setList = [&](xcb_window_t w, const char* name, xcb_atom_t type, std::vector<uint32_t> values) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(name), type, 32, uint32_t(values.size()), values.data());
        sync();
    };
    const xcb_window_t cover = window(0, 0, screen->width_in_pixels, screen->height_in_pixels);
    const xcb_window_t small = window(10, 10, 100, 100);
    const xcb_window_t desktop = window(0, 0, screen->width_in_pixels, screen->height_in_pixels);
    setList(desktop, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM, {atom("_NET_WM_WINDOW_TYPE_DESKTOP")});
    const struct {
        const char* label;
        xcb_window_t active;
        bool fullScreen;
    } cases[] = {
        {"no active window", 0, false},
        {"covers the monitor", cover, true},
        {"a small window", small, false},
        {"the desktop", desktop, false},
        {"the program's own window", xcb_window_t(main.winId()), false},
    };
    for (const auto& c : cases) {
        setList(screen->root, "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, {c.active});
        EXPECT_EQ(alarms::IsFullScreenActive(&main), c.fullScreen) << c.label;
    }
    // A window the window manager made full screen, whatever its size here.
    setList(small, "_NET_WM_STATE", XCB_ATOM_ATOM, {atom("_NET_WM_STATE_FULLSCREEN")});
    setList(screen->root, "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, {small});
    EXPECT_TRUE(alarms::IsFullScreenActive(&main));
    xcb_disconnect(c);
}

TEST(AlarmX11, FullScreenTestOnARealXServer)
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        GTEST_SKIP() << "no Xvfb";
    int display = 0;
    for (int n = 170; n < 200 && !display; ++n)
        if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) && !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            display = n;
    ASSERT_NE(display, 0);
    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral(":%1").arg(display), QStringLiteral("-screen"), QStringLiteral("0"),
                                         QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    ASSERT_TRUE(xvfb.waitForStarted());
    const bool up = WaitFor([&] { return QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(display)); }, 20000);
    QProcess child;
    if (up) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(display));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("TAMO_ALARM_X11_CHILD"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=AlarmX11Child.*")});
        EXPECT_TRUE(child.waitForFinished(60000));
    }
    xvfb.terminate();
    xvfb.waitForFinished(10000);
    ASSERT_TRUE(up) << "Xvfb did not start";
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}
#endif

}  // namespace
