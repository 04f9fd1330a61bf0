// Whole appointment runs between tamo-service (in-process on loopback) and a MAPI store file.
#include <thread>

#include <gtest/gtest.h>

#include <QFile>

#include "AppointFixture.h"
#include "base/HttpClient.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "base/URLEncoder.h"
#include "service/DemoSeed.h"
#include "service/TamoService.h"
#include "syncengine/EngineHttp.h"
#include "syncengine/Recurrence.h"

using namespace appointtest;

namespace {

tamo::service::CTamoService* g_service = nullptr;

class ServiceEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        tamo::service::SServiceOptions options;
        options.testHooks = true;
        options.sessionIdleSeconds = 600;
        m_service = std::make_unique<tamo::service::CTamoService>(options);
        ASSERT_TRUE(m_service->Open()) << m_service->LastError();
        ASSERT_TRUE(m_service->SeedDemo()) << m_service->LastError();
        ASSERT_TRUE(m_service->Start()) << m_service->LastError();
        ASSERT_TRUE(m_service->WriteConfig(qEnvironmentVariable("TAMO_SERVICE_CONFIG").toStdString()));
        ASSERT_TRUE(CServiceConfig::Reload());
        g_service = m_service.get();
    }
    void TearDown() override { m_service.reset(); }

private:
    std::unique_ptr<tamo::service::CTamoService> m_service;
};
[[maybe_unused]] testing::Environment* const g_env = testing::AddGlobalTestEnvironment(new ServiceEnvironment);

bool SignIn(const std::string& login, const std::string& password)
{
    const QString pw = g_service->Cipher().EncryptToHex(QString::fromStdString(login), QString::fromStdString(password));
    const auto answer = enginehttp::Get(enginehttp::CalendarUrl(
        QString::fromStdString("/dxm/sb_updatev2.xml?versiontype=&id=" + login + "&pw=") + pw));
    return answer.Ok() && answer.text.contains(u"COOKIE");
}

struct Counter : CSyncCallback {
    int stopAfter = -1;  // answers false from this question on
    int asked = 0;
    std::vector<std::pair<int, int>> progress;
    bool IsContinue() override { return stopAfter < 0 || asked++ < stopAfter; }
    int GetProgress(int total, int current) override
    {
        progress.emplace_back(total, current);
        return 0;
    }
};

class AppointE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(qEnvironmentVariable("TAMO_MAPI_STORE"));
        ASSERT_TRUE(tamo::mapi::CreateStoreFile(qEnvironmentVariable("TAMO_MAPI_STORE")));
        static int accounts = 0;
        login = "appoint" + std::to_string(++accounts);
        auto& db = g_service->Database();
        const auto id = db.CreateAccount(login, "pw");
        ASSERT_TRUE(id);
        tamo::service::SCalendar calendar{0, *id, "기본", "#123456", 0};
        const auto cal = db.CreateCalendar(calendar);
        ASSERT_TRUE(cal);
        ASSERT_TRUE(db.SetDefaultCalendar(*id, *cal));
        calendarId = *cal;
        ASSERT_TRUE(SignIn(login, "pw"));
        ASSERT_TRUE(WriteSettingString(settings::SyncDate, QString()));
        ASSERT_TRUE(WriteSettingString(settings::SyncServerDate, QString()));
    }

    // Creates a service event as the quick add does; its export UID.
    QString PostEvent(const QString& fields)
    {
        const auto answer = enginehttp::PostForm(enginehttp::CalendarUrl("/events/"),
                                                 QStringLiteral("event[calendar_id]=%1&").arg(calendarId) + fields);
        EXPECT_TRUE(answer.Ok() && answer.status == 200) << answer.text.toStdString();
        return CMAPISync::UIDFromCreationAnswer(answer.text);
    }

    // The service's export of the calendar in a store of its own.
    std::shared_ptr<CSyncParser> Export()
    {
        auto store = std::make_shared<CSyncParser>();
        const auto answer = enginehttp::Get(enginehttp::CalendarUrl("/sync/export_event") +
                                            QStringLiteral("?calendar=%1").arg(calendarId));
        EXPECT_TRUE(answer.Ok());
        store->ParseEvents(answer.text);
        return store;
    }
    static CSyncItem* ByUid(CSyncParser& store, CSyncParser::List list, const QString& uid)
    {
        return store.FindUID(list, uid) ? store.Current(list) : nullptr;
    }
    static CSyncItem* BySummary(CSyncParser& store, CSyncParser::List list, const QString& summary)
    {
        for (std::size_t i = 0; i < store.Count(list); ++i)
            if (store.At(list, i)->Value(u"SUMMARY") == summary)
                return store.At(list, i);
        return nullptr;
    }

    // The Outlook side read afresh (range 0).
    std::shared_ptr<CSyncParser> Outlook()
    {
        CMAPISync e;
        EXPECT_EQ(e.InitMapi(), 1);
        EXPECT_EQ(e.SyncAppointInit(nullptr), 1);
        return e.m_pParser;
    }

    struct RunResult {
        int read = 0, init = 0, sync = 0, conflicts = 0, skipped = 0;
    };
    // One appointment run as the sync dialog drives it, newest wins, then the sync times recorded.
    RunResult Run(int rangeDays = 0, CSyncCallback* cb = nullptr)
    {
        RunResult r;
        CMAPISync e;
        EXPECT_EQ(e.InitMapi(), 1);
        e.m_lCalendarID = LONG(calendarId);
        e.m_nSyncRangeDays = rangeDays;
        r.read = e.ReadAppointment();
        r.init = e.SyncAppointInit(cb);
        r.sync = e.SyncAppointment(cb);
        if (r.sync < 0 && r.sync != -3)
            return r;
        if (e.GetParserCount(false) > 0) {
            for (POSITION pos = e.GetParserHeadPosition(false); pos; pos = e.GetParserNextPosition(pos, false)) {
                const QString uid = e.GetParserUID(false);
                if (!e.IsUID(uid, false))
                    continue;
                if (e.IsAppointPairUnchanged()) {
                    ++r.skipped;
                    continue;
                }
                ++r.conflicts;
                EXPECT_EQ(e.SyncAppointConflict(uid, e.IsLastDate(false) ? 1 : 2, cb), 1);
            }
        }
        RecordSyncTimes();
        return r;
    }
    void RecordSyncTimes()
    {
        EXPECT_TRUE(WriteSettingString(settings::SyncDate, appointprops::CompactText(appointprops::NowSeoulOle())));
        EXPECT_TRUE(WriteSettingString(settings::SyncServerDate, QString::fromStdString(g_service->Clock().NowStamp())));
    }

    std::string login;
    std::int64_t calendarId = 0;
};

}  // namespace

// Each repeat type from the service into Outlook and back: type, days, interval and end stay.
TEST_F(AppointE2E, RepeatTypesBothWays)
{
    const char* types[] = {"every100d", "daily", "mon_wed_fri", "tue_thu", "sat_sun", "weekly", "monthly", "yearly"};
    std::vector<QString> uids;
    for (const char* type : types)
        for (const char* until : {"", "2027-06-30"}) {
            QString f = QStringLiteral("event[title]=%1%2&event[start_at]=2026-12-14T09:00:00&event[end_at]=2026-12-14T10:30:00"
                                       "&meta[set_repeat]=true&repeat[setting]=true&repeat[type]=%1")
                            .arg(type, until);
            f += *until ? QStringLiteral("&repeat[until_on]=") + until : QStringLiteral("&pieloop=on");
            uids.push_back(PostEvent(f));
        }
    const auto before = Export();
    const RunResult first = Run();
    EXPECT_EQ(first.read, 1);
    EXPECT_EQ(first.sync, 1);

    const auto outlook = Outlook();
    ASSERT_EQ(outlook->Count(CSyncParser::OutlookEvents), uids.size());
    int i = 0;
    for (const char* type : types)
        for (const char* until : {"", "2027-06-30"}) {
            SCOPED_TRACE(std::string(type) + " " + until);
            CSyncItem* item = ByUid(*outlook, CSyncParser::OutlookEvents, uids[std::size_t(i++)]);
            ASSERT_NE(item, nullptr);
            EXPECT_EQ(item->Value(u"FREQ").toStdString(), type);
            EXPECT_EQ(item->Value(u"UNTIL").toStdString(), *until ? until : "&pieloop=on");
            EXPECT_EQ(item->Value(u"DTSTART;TZID=Asia/Seoul").toStdString(), "2026-12-14T09:00:00");
            EXPECT_EQ(item->Value(u"INTERVAL").toStdString(), "90");
        }

    // Outlook's version written back over the service's.
    CMAPISync e;
    ASSERT_EQ(e.InitMapi(), 1);
    e.m_lCalendarID = LONG(calendarId);
    ASSERT_EQ(e.ReadAppointment(), 1);
    ASSERT_EQ(e.SyncAppointInit(nullptr), 1);
    for (const QString& uid : uids)
        EXPECT_EQ(e.SyncAppointConflict(uid, 2, nullptr), 1);
    const auto after = Export();
    for (const QString& uid : uids) {
        CSyncItem* a = ByUid(*before, CSyncParser::ServiceEvents, uid);
        CSyncItem* b = ByUid(*after, CSyncParser::ServiceEvents, uid);
        ASSERT_TRUE(a && b);
        for (const char* key : {"RRULE", "FREQ", "BYDAY", "INTERVAL", "UNTIL", "DTSTART;TZID=Asia/Seoul", "DTEND;TZID=Asia/Seoul"})
            EXPECT_EQ(b->Value(QString::fromLatin1(key)).toStdString(), a->Value(QString::fromLatin1(key)).toStdString())
                << key << " of " << a->Value(u"SUMMARY").toStdString();
        EXPECT_NE(a->Value(u"SEQ"), b->Value(u"SEQ")) << "it was written";
    }
}

TEST_F(AppointE2E, AllDayAndTimedEventsAcrossTheShift)
{
    const QString allDay = PostEvent("event[title]=allday&event[allday]=true&event[start_at]=2007-11-21T00:00:00"
                                     "&event[end_at]=2007-11-21T00:00:00");
    const QString timed = PostEvent("event[title]=timed&event[start_at]=2007-11-21T09:00:00&event[end_at]=2007-11-21T10:00:00");
    EXPECT_EQ(Run().sync, 1);

    CMAPISync e;
    ASSERT_EQ(e.InitMapi(), 1);
    ASSERT_EQ(e.SyncAppointInit(nullptr), 1);
    CSyncParser& p = *e.m_pParser;
    for (const auto& [uid, start, end] : {std::tuple{allDay, QDateTime(QDate(2007, 11, 20), QTime(15, 0), Qt::UTC),
                                                     QDateTime(QDate(2007, 11, 21), QTime(15, 0), Qt::UTC)},
                                         std::tuple{timed, QDateTime(QDate(2007, 11, 21), QTime(0, 0), Qt::UTC),
                                                    QDateTime(QDate(2007, 11, 21), QTime(1, 0), Qt::UTC)}}) {
        ASSERT_TRUE(p.FindUID(CSyncParser::OutlookEvents, uid));
        QByteArray entry = QByteArray::fromHex(p.Text(CSyncParser::OutlookEvents, u"ENTRYID").toLatin1());
        CMAPIMessage m;
        ASSERT_TRUE(e.m_outlook.OpenMessage(SBinary{ULONG(entry.size()), reinterpret_cast<LPBYTE>(entry.data())}, 0, m));
        const auto s = CMAPIEx::GetNamedPropValue(m.GetMessageW(), appointprops::kStart, true, PROPSET_APPOINTMENT);
        const auto en = CMAPIEx::GetNamedPropValue(m.GetMessageW(), appointprops::kEnd, true, PROPSET_APPOINTMENT);
        ASSERT_TRUE(s && en);
        EXPECT_EQ(appointprops::OleToDateTime(oledate::FromFileTime(s->Value.ft)), start);
        EXPECT_EQ(appointprops::OleToDateTime(oledate::FromFileTime(en->Value.ft)), end);
    }

    // Outlook-only events go the other way: an all-day day and a timed hour.
    {
        CMAPISync w;
        ASSERT_EQ(w.InitMapi(), 1);
        IMAPIFolder* folder = w.m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID);
        for (const auto& [title, utc, minutes, isAllDay] :
             {std::tuple{"outlook allday", QDateTime(QDate(2007, 11, 22), QTime(15, 0), Qt::UTC), 1440, true},
              std::tuple{"outlook timed", QDateTime(QDate(2007, 11, 23), QTime(0, 0), Qt::UTC), 60, false}}) {
            IMessage* msg = nullptr;
            ASSERT_EQ(folder->CreateMessage(nullptr, 0, &msg), S_OK);
            CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_SUBJECT_W, QString::fromUtf8(title));
            CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x8215, isAllDay);
            CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x820D, *oledate::ToSystemTime(*appointprops::DateTimeToOle(utc)));
            CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x820E,
                                  *oledate::ToSystemTime(*appointprops::DateTimeToOle(utc.addSecs(minutes * 60))));
            CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x8213, LONG(minutes));
            ASSERT_EQ(msg->SaveChanges(0), S_OK);
            msg->Release();
        }
    }
    EXPECT_EQ(Run().sync, 1);
    const auto service = Export();
    CSyncItem* a = BySummary(*service, CSyncParser::ServiceEvents, "outlook allday");
    CSyncItem* t = BySummary(*service, CSyncParser::ServiceEvents, "outlook timed");
    ASSERT_TRUE(a && t);
    EXPECT_EQ(a->Value(u"DTSTART;VALUE=DATE").toStdString(), "20071123");
    EXPECT_EQ(a->Value(u"DTEND;VALUE=DATE").toStdString(), "20071124");
    EXPECT_EQ(t->Value(u"DTSTART;TZID=Asia/Seoul").toStdString(), "20071123T090000");
    EXPECT_EQ(t->Value(u"DTEND;TZID=Asia/Seoul").toStdString(), "20071123T100000");
    // Their UIDs went into Outlook.
    const auto outlook = Outlook();
    EXPECT_EQ(BySummary(*outlook, CSyncParser::OutlookEvents, "outlook timed")->Value(u"UID"), t->Value(u"UID"));
}

// The demo account's calendar both ways, then a second run with nothing changed writes nothing.
TEST_F(AppointE2E, SecondRunWithNothingChangedWritesNothing)
{
    ASSERT_TRUE(SignIn(tamo::service::kDemoLogin, tamo::service::kDemoPassword));
    const auto demo = g_service->Database().FindAccount(tamo::service::kDemoLogin);
    ASSERT_TRUE(demo);
    calendarId = 0;
    for (const auto& c : g_service->Database().ListCalendars(demo->id))
        if (c.serviceType != 1 && calendarId == 0)
            calendarId = c.id;
    const RunResult first = Run();
    EXPECT_EQ(first.sync, 1);
    const auto service1 = Export();
    ASSERT_GT(service1->Count(CSyncParser::ServiceEvents), 0u);
    const auto outlook1 = Outlook();
    EXPECT_EQ(outlook1->Count(CSyncParser::OutlookEvents), service1->Count(CSyncParser::ServiceEvents));

    std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // a rewrite would show in the stamps
    const RunResult second = Run();
    EXPECT_EQ(second.sync, 1);
    EXPECT_EQ(second.conflicts, 0);
    EXPECT_EQ(second.skipped, int(service1->Count(CSyncParser::ServiceEvents)));
    const auto service2 = Export();
    const auto outlook2 = Outlook();
    ASSERT_EQ(service2->Count(CSyncParser::ServiceEvents), service1->Count(CSyncParser::ServiceEvents));
    ASSERT_EQ(outlook2->Count(CSyncParser::OutlookEvents), outlook1->Count(CSyncParser::OutlookEvents));
    for (std::size_t i = 0; i < service1->Count(CSyncParser::ServiceEvents); ++i) {
        EXPECT_EQ(service1->At(CSyncParser::ServiceEvents, i)->Value(u"SEQ"), service2->At(CSyncParser::ServiceEvents, i)->Value(u"SEQ"));
        EXPECT_EQ(service1->At(CSyncParser::ServiceEvents, i)->Value(u"LAST-MODIFIED;TZID=Asia/Seoul"),
                  service2->At(CSyncParser::ServiceEvents, i)->Value(u"LAST-MODIFIED;TZID=Asia/Seoul"));
    }
    for (std::size_t i = 0; i < outlook1->Count(CSyncParser::OutlookEvents); ++i)
        EXPECT_EQ(outlook1->At(CSyncParser::OutlookEvents, i)->Value(u"LAST-MODIFIED;TZID=Asia/Seoul"),
                  outlook2->At(CSyncParser::OutlookEvents, i)->Value(u"LAST-MODIFIED;TZID=Asia/Seoul"));
}

TEST_F(AppointE2E, RemindersBothWays)
{
    PostEvent("event[title]=alarm&event[start_at]=2027-01-05T09:00:00&event[end_at]=2027-01-05T10:00:00"
              "&meta[set_alarm]=true&alarm[delta_sec]=900&alarm[program]=1");
    EXPECT_EQ(Run().sync, 1);
    const auto outlook = Outlook();
    CSyncItem* item = BySummary(*outlook, CSyncParser::OutlookEvents, "alarm");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->AlarmValue(u"ACTION").toStdString(), "DISPLAY");
    EXPECT_EQ(item->AlarmValue(u"TRIGGER").toStdString(), "900");

    // An Outlook reminder of 20 minutes reaches the service as the next alarm choice, 30 minutes.
    {
        CMAPISync w;
        ASSERT_EQ(w.InitMapi(), 1);
        IMAPIFolder* folder = w.m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID);
        IMessage* msg = nullptr;
        ASSERT_EQ(folder->CreateMessage(nullptr, 0, &msg), S_OK);
        CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_SUBJECT_W, QStringLiteral("outlook alarm"));
        const QDateTime utc(QDate(2027, 1, 6), QTime(0, 0), Qt::UTC);
        CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x820D, *oledate::ToSystemTime(*appointprops::DateTimeToOle(utc)));
        CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x820E,
                              *oledate::ToSystemTime(*appointprops::DateTimeToOle(utc.addSecs(3600))));
        CMAPIEx::SetNamedProp(msg, PROPSET_COMMON, 0x8503, true);
        CMAPIEx::SetNamedProp(msg, PROPSET_COMMON, 0x8501, LONG(20));
        ASSERT_EQ(msg->SaveChanges(0), S_OK);
        msg->Release();
    }
    EXPECT_EQ(Run().sync, 1);
    const auto service = Export();
    CSyncItem* back = BySummary(*service, CSyncParser::ServiceEvents, "outlook alarm");
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->AlarmValue(u"TRIGGER").contains(u"1800")) << back->AlarmValue(u"TRIGGER").toStdString();
}

// An appointment that began in Outlook carries Outlook's own global object id; the service's
// newer version still reaches it.
TEST_F(AppointE2E, ServiceChangesReachAppointmentsThatBeganInOutlook)
{
    const QByteArray outlookId = QByteArray::fromHex(
        "040000008200E00074C5B7101A82E00800000000A0B1C2D3E4F5A6B70000000000000000100000000102030405060708090A0B0C0D0E0F10");
    {
        CMAPISync w;
        ASSERT_EQ(w.InitMapi(), 1);
        IMAPIFolder* folder = w.m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID);
        IMessage* msg = nullptr;
        ASSERT_EQ(folder->CreateMessage(nullptr, 0, &msg), S_OK);
        CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_SUBJECT_W, QStringLiteral("from outlook"));
        const QDateTime utc(QDate(2027, 1, 6), QTime(0, 0), Qt::UTC);
        CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x820D, *oledate::ToSystemTime(*appointprops::DateTimeToOle(utc)));
        CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x820E,
                              *oledate::ToSystemTime(*appointprops::DateTimeToOle(utc.addSecs(3600))));
        CMAPIEx::SetNamedProp(msg, PROPSET_MEETING, 3, reinterpret_cast<const BYTE*>(outlookId.constData()),
                              ULONG(outlookId.size()));
        ASSERT_EQ(msg->SaveChanges(0), S_OK);
        msg->Release();
    }
    EXPECT_EQ(Run().sync, 1);
    const QString uid = QString::fromLatin1(outlookId.toHex().toUpper());
    auto service = Export();
    ASSERT_TRUE(service->FindUID(CSyncParser::ServiceEvents, uid));
    const QString xid = service->Text(CSyncParser::ServiceEvents, u"X-ID");
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const auto changed = enginehttp::PostForm(enginehttp::CalendarUrl("/events/" + xid),
                                              QStringLiteral("event[title]=changed%20on%20the%20service&_method=put"));
    ASSERT_TRUE(changed.Ok());
    const RunResult second = Run();
    EXPECT_EQ(second.conflicts, 1);
    const auto outlook = Outlook();
    ASSERT_TRUE(outlook->FindUID(CSyncParser::OutlookEvents, uid));
    EXPECT_EQ(outlook->Text(CSyncParser::OutlookEvents, u"SUMMARY").toStdString(), "changed on the service");
    EXPECT_EQ(outlook->Count(CSyncParser::OutlookEvents), 1u);
}

TEST_F(AppointE2E, ConflictInitDecidesByTheLastSyncTimes)
{
    const QString uid = PostEvent("event[title]=pair&event[start_at]=2027-01-05T09:00:00&event[end_at]=2027-01-05T10:00:00");
    EXPECT_EQ(Run().sync, 1);
    const struct {
        const char* name;
        int outlookChangedDays, serviceChangedDays;  // sync time minus last change, in days (negative: changed after)
        int result;
        bool outlookWritten, serviceWritten;
    } cases[] = {
        {"neither changed", 1, 1, 0, false, false},
        {"only Outlook changed", -1, 1, 0, false, true},
        {"only the service changed", 1, -1, 0, true, false},
        {"both changed", -1, -1, 1, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CMAPISync e;
        ASSERT_EQ(e.InitMapi(), 1);
        e.m_lCalendarID = LONG(calendarId);
        ASSERT_EQ(e.ReadAppointment(), 1);
        ASSERT_EQ(e.SyncAppointInit(nullptr), 1);
        ASSERT_TRUE(e.Parser()->FindUID(CSyncParser::ServiceEvents, uid));
        ASSERT_TRUE(e.IsUID(uid, false));
        const QString outlookLm = e.Parser()->Text(CSyncParser::OutlookEvents, u"LAST-MODIFIED;TZID=Asia/Seoul");
        const QString serviceLm = e.Parser()->Text(CSyncParser::ServiceEvents, u"LAST-MODIFIED;TZID=Asia/Seoul");
        const QString serviceSeq = e.Parser()->Text(CSyncParser::ServiceEvents, u"SEQ");
        WriteSettingString(settings::SyncDate,
                                     appointprops::CompactText(CMAPISync::StringtoDate(outlookLm) + c.outlookChangedDays));
        WriteSettingString(settings::SyncServerDate,
                                     appointprops::CompactText(CMAPISync::StringtoDate(serviceLm) + c.serviceChangedDays));
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        EXPECT_EQ(e.SyncAppointConflictInit(uid), c.result);
        const auto service = Export();
        ASSERT_TRUE(service->FindUID(CSyncParser::ServiceEvents, uid));
        EXPECT_EQ(service->Text(CSyncParser::ServiceEvents, u"SEQ") != serviceSeq, c.serviceWritten);
        const auto outlook = Outlook();
        ASSERT_TRUE(outlook->FindUID(CSyncParser::OutlookEvents, uid));
        EXPECT_EQ(outlook->Text(CSyncParser::OutlookEvents, u"LAST-MODIFIED;TZID=Asia/Seoul") != outlookLm, c.outlookWritten);
    }
}

TEST_F(AppointE2E, CancellationProgressAndUnusableCreationAnswers)
{
    for (int i = 0; i < 3; ++i)
        PostEvent(QStringLiteral("event[title]=s%1&event[start_at]=2027-01-05T09:00:00").arg(i));
    {
        CMAPISync w;
        ASSERT_EQ(w.InitMapi(), 1);
        IMAPIFolder* folder = w.m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID);
        for (int i = 0; i < 3; ++i) {
            IMessage* msg = nullptr;
            ASSERT_EQ(folder->CreateMessage(nullptr, 0, &msg), S_OK);
            CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_SUBJECT_W, QStringLiteral("o%1").arg(i));
            const QDateTime utc(QDate(2027, 1, 6), QTime(0, 0), Qt::UTC);
            CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x820D, *oledate::ToSystemTime(*appointprops::DateTimeToOle(utc)));
            ASSERT_EQ(msg->SaveChanges(0), S_OK);
            msg->Release();
        }
    }
    // Stopped during the service pass: one service event reached Outlook, nothing went back.
    Counter stop;
    stop.stopAfter = 4 + 1;  // three reads and the end of the folder, then one service event
    const RunResult cancelled = Run(0, &stop);
    EXPECT_EQ(cancelled.sync, -2);
    EXPECT_EQ(Outlook()->Count(CSyncParser::OutlookEvents), 4u);
    EXPECT_EQ(Export()->Count(CSyncParser::ServiceEvents), 3u);

    // A creation the service refuses can't be used: -3, and the pass still goes on.
    tamo::service::SFault refused;
    refused.status = 422;
    g_service->Faults().Set("/events/", refused);
    Counter progress;
    const RunResult unusable = Run(0, &progress);
    g_service->Faults().Clear("/events/");
    EXPECT_EQ(unusable.sync, -3);
    const std::vector<std::pair<int, int>> expected = {{4, 0}, {4, 1}, {4, 2}, {4, 3}};
    EXPECT_EQ(progress.progress, expected);

    // A creation answer cut short is no loss: the event went with its UID, so the next run pairs it.
    tamo::service::SFault cut;
    cut.cutAfter = 20;
    g_service->Faults().Set("/events/", cut);
    {
        CMAPISync w;
        ASSERT_EQ(w.InitMapi(), 1);
        IMessage* msg = nullptr;
        ASSERT_EQ(w.m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID)->CreateMessage(nullptr, 0, &msg), S_OK);
        CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_SUBJECT_W, QStringLiteral("cut short"));
        const QDateTime utc(QDate(2027, 1, 7), QTime(0, 0), Qt::UTC);
        CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x820D, *oledate::ToSystemTime(*appointprops::DateTimeToOle(utc)));
        ASSERT_EQ(msg->SaveChanges(0), S_OK);
        msg->Release();
    }
    // The refused ones were made all the same (the fault only changes the status): they pair now.
    const size_t before = Export()->Count(CSyncParser::ServiceEvents);
    EXPECT_EQ(Run(0, nullptr).sync, 1);
    g_service->Faults().Clear("/events/");
    const auto service = Export();
    EXPECT_EQ(service->Count(CSyncParser::ServiceEvents), before + 1);
    const auto outlook = Outlook();
    ASSERT_NE(BySummary(*outlook, CSyncParser::OutlookEvents, "cut short"), nullptr);
    const QString uid = BySummary(*outlook, CSyncParser::OutlookEvents, "cut short")->Value(u"UID");
    ASSERT_NE(ByUid(*service, CSyncParser::ServiceEvents, uid), nullptr) << uid.toStdString();
    EXPECT_EQ(ByUid(*service, CSyncParser::ServiceEvents, uid)->Value(u"SUMMARY"), "cut short");
}

// Range 30: an appointment of 31 days ago stays out, one of 30 days ago and a year-old endless
// weekly series come in.
TEST_F(AppointE2E, SyncRangeOfThirtyDays)
{
    const QDateTime nowSeoul = tamo::clock::NowSeoul();
    const QDateTime nowUtc = QDateTime(nowSeoul.date(), nowSeoul.time(), Qt::UTC).addSecs(-9 * 3600);
    {
        CMAPISync w;
        ASSERT_EQ(w.InitMapi(), 1);
        IMAPIFolder* folder = w.m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID);
        const struct { const char* title; int daysAgo; bool series; } cases[] = {
            {"31 days ago", 31, false}, {"30 days ago", 30, false}, {"weekly since a year", 365, true}};
        for (const auto& c : cases) {
            IMessage* msg = nullptr;
            ASSERT_EQ(folder->CreateMessage(nullptr, 0, &msg), S_OK);
            const QDateTime utc = nowUtc.addDays(-c.daysAgo).addSecs(-60);
            CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_SUBJECT_W, QString::fromUtf8(c.title));
            CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x820D, *oledate::ToSystemTime(*appointprops::DateTimeToOle(utc)));
            CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x820E,
                                  *oledate::ToSystemTime(*appointprops::DateTimeToOle(utc.addSecs(60))));
            CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x8213, LONG(1));
            if (c.series) {
                const auto r = recurrence::Build({"WEEKLY", "", "", ""}, utc.addSecs(9 * 3600), 1);
                CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x8223, true);
                CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x8231, LONG(r.type));
                CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x8216,
                                      reinterpret_cast<const BYTE*>(r.pattern.constData()), ULONG(r.pattern.size()));
                CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, 0x8236, *oledate::ToSystemTime(*appointprops::DateTimeToOle(
                                                                            QDateTime(QDate(4500, 8, 31), QTime(23, 59), Qt::UTC))));
            }
            ASSERT_EQ(msg->SaveChanges(0), S_OK);
            msg->Release();
        }
    }
    const RunResult r = Run(30);
    EXPECT_EQ(r.init, 1);
    EXPECT_EQ(r.sync, 1);
    const auto service = Export();
    EXPECT_EQ(BySummary(*service, CSyncParser::ServiceEvents, "31 days ago"), nullptr);
    EXPECT_NE(BySummary(*service, CSyncParser::ServiceEvents, "30 days ago"), nullptr);
    CSyncItem* series = BySummary(*service, CSyncParser::ServiceEvents, "weekly since a year");
    ASSERT_NE(series, nullptr);
    EXPECT_EQ(series->Value(u"FREQ").toStdString(), "WEEKLY");
    EXPECT_EQ(series->Value(u"UNTIL").toStdString(), "");
}
