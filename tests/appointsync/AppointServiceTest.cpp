// The engine's event requests to a loopback service: the export query, the form bodies of
// creation and change, the creation answer's UID, and the answers the engine refuses.
#include "AppointFixture.h"

#include <mutex>

#include <QRegularExpression>

#include "base/ServiceEndpoints.h"
#include "support/LoopbackServer.h"
#include "syncengine/Recurrence.h"

using namespace appointtest;

namespace {

class AppointServiceTest : public AppointFixture {
protected:
    void SetUp() override
    {
        AppointFixture::SetUp();
        auto& s = server.Server();
        s.Get("/sync/export_event", [this](const httplib::Request& req, httplib::Response& res) {
            Record(req);
            res.set_content(exportText, "text/calendar");
        });
        s.Post(R"(/events/(\d*))", [this](const httplib::Request& req, httplib::Response& res) {
            Record(req);
            res.status = answerStatus;
            const size_t at = req.body.find("event[uid]=");
            if (echoUid && at != std::string::npos)
                res.set_content("{\"id\": 7, \"uid\": \"" + req.body.substr(at + 11, 112) + "\"}", "text/plain");
            else
                res.set_content(answer, "text/plain");
        });
        server.Start();
        std::array<QString, size_t(Service::Count)> urls;
        for (auto& u : urls)
            u = QString::fromStdString(server.Url("")).chopped(0);
        ASSERT_TRUE(CServiceConfig::Write(env.ServiceConfig(), urls, QByteArray(16, 'k'), QByteArray(8, 'i'),
                                          "example.test"));
        ASSERT_TRUE(CServiceConfig::Reload());
    }

    void Record(const httplib::Request& req)
    {
        std::lock_guard lock(mutex);
        paths.push_back(req.target);
        bodies.push_back(QString::fromUtf8(req.body));
    }

    // The current Outlook event made from values.
    void SetOutlookEvent(const Values& values)
    {
        CSyncItem& item = engine.Parser()->NewItem(CSyncParser::OutlookEvents);
        for (const auto& [k, v] : values)
            CSyncItem::IsAlarmKey(k) ? item.SetAlarmValue(k, v) : item.SetValue(k, v);
        engine.Parser()->AppendCurrent(CSyncParser::OutlookEvents);
    }

    tamo::test::LoopbackServer server;
    std::mutex mutex;
    std::vector<std::string> paths;
    std::vector<QString> bodies;
    std::string exportText = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:e1\r\nSUMMARY:one\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    std::string answer = "{\"id\": 7, \"uid\": \"svc-uid-1\", \"title\": \"x\"}";
    int answerStatus = 200;
    bool echoUid = false;  // answer with the UID that was posted
};

}  // namespace

TEST_F(AppointServiceTest, ExportQueryCarriesTheRangeStart)
{
    engine.m_lCalendarID = 12;
    engine.m_nSyncRangeDays = 30;
    EXPECT_EQ(engine.ReadAppointment(), 1);
    engine.m_nSyncRangeDays = 0;
    EXPECT_EQ(engine.ReadAppointment(), 1);
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[0], "/sync/export_event?calendar=12&from=20071022");
    EXPECT_EQ(paths[1], "/sync/export_event?calendar=12");
    EXPECT_EQ(engine.GetParserCount(false), 2u);

    exportText = "<html>error page</html>BEGIN:VEVENT\r\nUID:x\r\nEND:VEVENT\r\n";
    EXPECT_EQ(engine.ReadAppointment(), -1);
    exportText.clear();
    EXPECT_EQ(engine.ReadAppointment(), -1);
    EXPECT_EQ(engine.GetParserCount(false), 2u);
}

TEST_F(AppointServiceTest, FormBodiesOfCreationAndChange)
{
    engine.m_lCalendarID = 5;
    const struct Case {
        const char* name;
        Values values;
        const char* create;  // body of the creation; the change differs as the test says
    } cases[] = {
        {"timed with alarm",
         {{"SUMMARY", "a b&c"}, {"UID", "u1"}, {"DTSTART;TZID=Asia/Seoul", "2007-11-21T09:00:00"},
          {"DTEND;TZID=Asia/Seoul", "2007-11-21T10:00:00"}, {"DESCRIPTION", "d"}, {"ACTION", "DISPLAY"}, {"TRIGGER", "900"}},
         "event[title]=a+b%26c&event[calendar_id]=5&event[start_at]=2007-11-21T09:00:00"
         "&event[end_at]=2007-11-21T10:00:00&event[uid]=u1&event[description]=d"
         "&meta[set_alarm]=true&alarm[delta_sec]=900&alarm[program]=1"},
        {"all day 1440",
         {{"SUMMARY", "t"}, {"UID", "u1"}, {"ALLDAY", "true"}, {"INTERVAL", "1440"},
          {"DTSTART;TZID=Asia/Seoul", "2007-11-21T00:00:00"}},
         "event[title]=t&event[calendar_id]=5&event[allday]=true&event[start_at]=2007-11-21T00:00:00&event[uid]=u1"},
        {"all day 1500",
         {{"SUMMARY", "t"}, {"UID", "u1"}, {"ALLDAY", "true"}, {"INTERVAL", "1500"},
          {"DTSTART;TZID=Asia/Seoul", "2007-11-21T00:00:00"}},
         "event[title]=t&event[calendar_id]=5&event[allday]=false&event[start_at]=2007-11-21T00:00:00&event[uid]=u1"},
        {"repeating 90 minutes, endless",
         {{"SUMMARY", "t"}, {"UID", "u1"}, {"RRULE", "true"}, {"INTERVAL", "90"}, {"FREQ", "weekly"},
          {"UNTIL", "&pieloop=on"}, {"DTSTART;TZID=Asia/Seoul", "2007-11-21T09:00:00"},
          {"DTEND;TZID=Asia/Seoul", "2007-11-21T10:30:00"}},
         "event[title]=t&event[calendar_id]=5&event[start_at]=2007-11-21T09:00:00&event[end_at]=2007-11-21T10:30:00"
         "&event[uid]=u1&meta[set_repeat]=true&repeat[setting]=true&pieloop=on&repeat[type]=weekly"},
        {"repeating two days, until",
         {{"SUMMARY", "t"}, {"UID", "u1"}, {"RRULE", "true"}, {"INTERVAL", "2880"}, {"FREQ", "monthly"},
          {"UNTIL", "2008-01-31"}, {"DTSTART;TZID=Asia/Seoul", "2007-11-21T09:00:00"}},
         "event[title]=t&event[calendar_id]=5&event[start_at]=2007-11-21T09:00:00&event[end_at]=2007-11-22T09:00:00"
         "&event[uid]=u1&meta[set_repeat]=true&repeat[setting]=true&repeat[until_on]=2008-01-31&repeat[type]=monthly"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        paths.clear();
        bodies.clear();
        SetOutlookEvent(c.values);
        EXPECT_EQ(engine.SaveTamoAppoint(), 0);
        EXPECT_EQ(engine.ModifyTamoAppoint("42"), 1);
        ASSERT_EQ(bodies.size(), 2u);
        EXPECT_EQ(paths[0], "/events/");
        EXPECT_EQ(bodies[0], c.create);
        EXPECT_EQ(paths[1], "/events/42");
        QString change = QString::fromLatin1(c.create).remove(QStringLiteral("&event[uid]=u1"));
        if (c.values.count("RRULE"))
            change = change.replace(QRegularExpression("(&repeat\\[type\\]=\\w+)"), "\\1&meta_event[modify_type]=all");
        EXPECT_EQ(bodies[1], change + "&_method=put");
    }
}

TEST_F(AppointServiceTest, CreationAnswerUidIsReadSafely)
{
    const struct { const char* answer; const char* uid; } cases[] = {
        {"{\"id\": 1, \"uid\": \"abc\", \"x\": 2}", "abc"},
        {"{\"id\": 1, \"uid\": \"abc\"}", "abc"},           // the last field
        {"{\"uid\":\"abc\",\"id\":1}", "abc"},              // the first field, no blanks
        {"{\"id\": 1, \"uid\": \"a,b\\\"c\"}", "a,b\"c"},   // a comma and an escaped quote inside
        {"{\"id\": 1, \"uid\": \"abc", ""},                 // cut off
        {"{\"id\": 1, \"uid\": 17}", ""},                   // not a text
        {"{\"id\": 1}", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CMAPISync::UIDFromCreationAnswer(QString::fromUtf8(c.answer)), c.uid) << c.answer;
}

// An appointment without a UID is given a global object id first and its UID posted, so the
// service event carries it even when the answer never arrives; a service that answers with a UID
// of its own gets that one written into Outlook.
TEST_F(AppointServiceTest, CreationPostsANewGlobalObjectIdAndKeepsTheServiceUid)
{
    const struct {
        const char* name;
        bool echo;  // the service keeps the UID it was sent
    } cases[] = {{"service keeps the posted UID", true}, {"service answers its own UID", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AddOutlookAppoint(c.name, QDateTime(QDate(2007, 11, 22), QTime(0, 0), Qt::UTC), 60);
        engine.m_pParser = std::make_shared<CSyncParser>();
        ReadOutlook();
        ASSERT_TRUE(engine.IsUID(QString(), false));
        bodies.clear();
        echoUid = c.echo;
        EXPECT_EQ(engine.SaveTamoAppoint(), 0);
        ASSERT_EQ(bodies.size(), 1u);
        const qsizetype at = bodies[0].indexOf("&event[uid]=");
        ASSERT_GE(at, 0) << bodies[0].toStdString();
        const QString posted = bodies[0].mid(at + 12, 112);
        EXPECT_TRUE(posted.startsWith("040000008200E00074C5B7101A82E008")) << posted.toStdString();
        const QString expected = c.echo ? posted : QStringLiteral("svc-uid-1");
        EXPECT_EQ(engine.Parser()->Text(CSyncParser::OutlookEvents, u"UID"), expected);
        engine.m_pParser = std::make_shared<CSyncParser>();
        ReadOutlook();
        ASSERT_NE(OutlookEvent(c.name), nullptr);
        EXPECT_EQ(OutlookEvent(c.name)->Value(u"UID"), expected);
    }
}

// Answers that arrive but can't be used give -2 (SyncAppointment turns them into -3); transport
// failures and empty or error pages give -1. A cut-off answer to a creation that carried its UID
// is enough: the event exists with that UID.
TEST_F(AppointServiceTest, UnusableAnswersAreToldApart)
{
    const struct { std::string answer; int status; int result; } cases[] = {
        {"{\"id\": 1, \"uid\": \"abc", 200, 0},
        {"<?xml version=\"1.0\"?><RESULT><ERROR>bad</ERROR></RESULT>", 200, -2},
        {"{\"error\": \"bad\"}", 422, -2},
        {"error page", 200, -1},
        {"", 200, -1},
    };
    int n = 0;
    auto freshOutlookEvent = [&] {
        AddOutlookAppoint(QString("x%1").arg(++n), QDateTime(QDate(2007, 11, 22), QTime(0, 0), Qt::UTC), 60);
        engine.m_pParser = std::make_shared<CSyncParser>();
        ReadOutlook();
        return engine.IsUID(QString(), false);
    };
    for (const auto& c : cases) {
        answer = c.answer;
        answerStatus = c.status;
        ASSERT_TRUE(freshOutlookEvent());
        EXPECT_EQ(engine.SaveTamoAppoint(), c.result) << c.answer;
    }
    answer = "<?xml version=\"1.0\"?><RESULT><ERROR>bad</ERROR></RESULT>";
    ASSERT_TRUE(freshOutlookEvent());
    engine.Parser()->NewItem(CSyncParser::ServiceEvents);
    EXPECT_EQ(engine.SyncAppointment(nullptr), -3);

    server.Stop();
    ASSERT_TRUE(freshOutlookEvent());
    EXPECT_EQ(engine.SaveTamoAppoint(), -1);
    EXPECT_EQ(engine.ModifyTamoAppoint("1"), -1);
    EXPECT_EQ(engine.ReadAppointment(), -1);
}
