// Statistics, the update service, the test hooks with fault injection, and state that persists.
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include "ServiceHarness.h"
#include "base/HttpClient.h"

using tamo::service::CTamoService;
using tamo::service::SServiceOptions;
using tamo::test::CServiceHarness;
using tamo::test::Encode;
using tamo::test::IdOfAnswer;
using tamo::test::ParseXml;
using tamo::test::ReadEventExport;

namespace {

class ServiceHooksTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(h.SignInDemo()); }
    void TearDown() override
    {
        h.Service().Faults().ClearAll();
        h.Service().Clock().Reset();
    }

    // Fetches from another service instance (its own port).
    static CServiceHarness::SAnswer FetchFrom(const CTamoService& service, const std::string& path)
    {
        CServiceHarness::SAnswer answer;
        CHttpClient http;
        if (!http.Open(QStringLiteral("GET"), QString::fromStdString(service.BaseUrl() + path)) ||
            !http.Send(QString(), 0, nullptr, 0))
            return answer;
        answer.sent = true;
        answer.status = http.GetStatusCode();
        answer.body = http.ReadAll(CP_UTF8, -1).toStdString();
        return answer;
    }

    // What came back for raw request bytes on a connection of its own, and whether the server
    // closed it. Raw, so that not even a stray byte of an answer goes unseen.
    struct SRawAnswer {
        QByteArray bytes;
        bool closed = false;
    };
    SRawAnswer Exchange(const QByteArray& request)
    {
        SRawAnswer answer;
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(h.Service().Port()));
        if (!socket.waitForConnected(5000))
            return answer;
        socket.write(request);
        socket.waitForBytesWritten(5000);
        while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(10000))
            answer.bytes += socket.readAll();
        answer.bytes += socket.readAll();
        answer.closed = socket.state() != QAbstractSocket::ConnectedState;
        return answer;
    }

    int TodosTitled(const std::string& title)
    {
        const auto xml = ParseXml(h.GetPath("/_test/items?kind=todo&account=demo").body);
        int count = 0;
        for (const auto* item : xml ? xml->Children("item") : std::vector<const tamo::test::SXmlNode*>{})
            count += item->ChildText("title") == title;
        return count;
    }

    CServiceHarness& h = CServiceHarness::Get();
};

TEST_F(ServiceHooksTest, StatisticsRecordWhatTheyReceive)
{
    h.SignOut();  // the statistics service needs no session
    const auto stat = h.PostForm("/cal/statistics/insertstat.jsp?macaddr=00112233AABB&tamoid=user1",
                                 "cate[]=ins&cate[]=exe&cate[]=log");
    EXPECT_EQ(stat.status, 200u);
    EXPECT_FALSE(stat.body.empty());
    EXPECT_FALSE(h.PostForm("/cal/statistics/insertconfig.jsp", "notimode=1&minimode=0").body.empty());

    const auto xml = ParseXml(h.GetPath("/_test/statistics").body);
    ASSERT_TRUE(xml);
    const auto records = xml->Children("record");
    ASSERT_GE(records.size(), 2u);
    const auto& last = *records[records.size() - 1];
    const auto& before = *records[records.size() - 2];
    EXPECT_EQ(before.ChildText("path"), "/cal/statistics/insertstat.jsp");
    EXPECT_EQ(before.ChildText("query"), "macaddr=00112233AABB&tamoid=user1");
    EXPECT_EQ(before.ChildText("body"), "cate[]=ins&cate[]=exe&cate[]=log");
    EXPECT_EQ(last.ChildText("path"), "/cal/statistics/insertconfig.jsp");
    EXPECT_EQ(last.ChildText("body"), "notimode=1&minimode=0");
}

TEST_F(ServiceHooksTest, FaultsPerPath)
{
    const std::string path = "/sync/server_time";
    const std::string normal = h.GetPath(path).body;
    ASSERT_TRUE(ParseXml(normal));
    auto fault = [this, &path](const std::string& fields) {
        ASSERT_EQ(h.PostForm("/_test/fault", "path=" + Encode(path) + "&" + fields).status, 200u) << fields;
    };

    fault("status=503");
    auto answer = h.GetPath(path);
    EXPECT_EQ(answer.status, 503u);
    EXPECT_TRUE(ParseXml(answer.body));

    fault("error_page=1");
    EXPECT_EQ(h.GetPath(path).body.substr(0, 10), "error page");

    fault("malformed=1");
    answer = h.GetPath(path);
    EXPECT_FALSE(answer.body.empty());
    EXPECT_FALSE(ParseXml(answer.body)) << answer.body;

    fault("cut=20");
    answer = h.GetPath(path);
    EXPECT_LT(answer.body.size(), normal.size());
    EXPECT_FALSE(ParseXml(answer.body));

    fault("delay_ms=300");
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(ParseXml(h.GetPath(path).body));
    EXPECT_GE(timer.elapsed(), 300);

    // A counted fault goes away by itself; a cleared one at once.
    fault("status=500&count=1");
    EXPECT_EQ(h.GetPath(path).status, 500u);
    EXPECT_EQ(h.GetPath(path).status, 200u);
    fault("status=500");
    EXPECT_EQ(h.PostForm("/_test/fault/clear", "path=" + Encode(path)).status, 200u);
    EXPECT_EQ(h.GetPath(path).status, 200u);
    // Other paths never saw any of it.
    EXPECT_EQ(h.GetPath("/preference/pc_key").status, 200u);
    EXPECT_EQ(h.PostForm("/_test/fault", "path=nowhere").status, 400u);
}

TEST_F(ServiceHooksTest, DroppedAnswerAfterTheRequestTookEffect)
{
    const std::string title = "답 없는 할 일";
    const std::string form = "todo[title]=" + Encode(title);
    const QByteArray request = QByteArray("POST /todos/ HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nCookie: ") +
                               CHttpClient::GetCookie(h.Url("/")).toUtf8() +
                               "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                               QByteArray::number(qsizetype(form.size())) + "\r\n\r\n" + form.c_str();
    ASSERT_EQ(h.PostForm("/_test/fault", "path=/todos/&drop=1&count=2").status, 200u);
    for (int i = 1; i <= 2; ++i) {
        const SRawAnswer answer = Exchange(request);
        EXPECT_TRUE(answer.closed) << i;
        EXPECT_EQ(answer.bytes, QByteArray()) << i;
        EXPECT_EQ(TodosTitled(title), i) << "each dropped request created its to-do once";
    }
    // The count is used up: the next one is answered.
    EXPECT_TRUE(Exchange(request).bytes.startsWith("HTTP/1.1 200 "));
    EXPECT_EQ(TodosTitled(title), 3);
}

TEST_F(ServiceHooksTest, ChosenLastModifiedAndStoredItems)
{
    const std::string calendar = std::to_string(h.DemoCalendars()[2]);
    const auto answer = h.PostForm("/events/", "event[title]=" + Encode("훅 일정") + "&event[calendar_id]=" +
                                                   calendar + "&event[start_at]=20071121T09:00:00"
                                                              "&test[last_modified]=20070101T080000");
    ASSERT_EQ(answer.status, 200u) << answer.body;
    const std::string id = std::to_string(IdOfAnswer(answer.body));
    bool exported = false;
    for (const auto& e : ReadEventExport(h.GetPath("/sync/export_event?calendar=" + calendar).body)) {
        if (e.Get("X-ID") == id) {
            EXPECT_EQ(e.Get("LAST-MODIFIED;TZID=Asia/Seoul"), "20070101T080000");
            exported = true;
        }
    }
    EXPECT_TRUE(exported);
    ASSERT_EQ(h.PostForm("/events/" + id, "test[last_modified]=2007-01-02T08:00:00&_method=put").status, 200u);

    const auto xml = ParseXml(h.GetPath("/_test/items?kind=event&account=demo").body);
    ASSERT_TRUE(xml);
    const tamo::test::SXmlNode* stored = nullptr;
    for (const auto* item : xml->Children("item"))
        if (item->ChildText("id") == id)
            stored = item;
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->ChildText("title"), "훅 일정");
    EXPECT_EQ(stored->ChildText("last-modified"), "20070102T080000");
    EXPECT_EQ(stored->ChildText("start"), "20071121T090000");

    // The clock hook, as a test in another process would use it.
    EXPECT_EQ(h.PostForm("/_test/clock", "freeze=20071121T093000").body, "20071121T093000\n");
    EXPECT_EQ(h.PostForm("/_test/clock", "advance=30").body, "20071121T093030\n");
    EXPECT_EQ(h.PostForm("/_test/clock", "set=bad").status, 400u);
}

TEST_F(ServiceHooksTest, WithoutTheFlagThereAreNoHooks)
{
    SServiceOptions options;
    options.keepAliveSeconds = 0;
    CTamoService plain(options);
    ASSERT_TRUE(plain.Open() && plain.SeedDemo() && plain.Start()) << plain.LastError();
    for (const char* path : {"/_test/items", "/_test/statistics"}) {
        const auto answer = FetchFrom(plain, path);
        EXPECT_EQ(answer.status, 404u) << path;
        EXPECT_EQ(answer.body.substr(0, 10), "error page") << path;
    }
    SServiceOptions remote;
    remote.testHooks = true;
    remote.host = "0.0.0.0";
    CTamoService exposed(remote);
    EXPECT_FALSE(exposed.Open());
}

TEST_F(ServiceHooksTest, UpdateServiceServesTheFolder)
{
    QTemporaryDir dir;
    const QByteArray setup = QByteArray("MZ installer ") + QByteArray(5000, '\x7f');
    QFile file(dir.filePath(QStringLiteral("TamoSetup.exe")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(setup);
    file.close();

    SServiceOptions options;
    options.keepAliveSeconds = 0;
    options.updateDir = dir.path().toStdString();
    options.updateCurrent = "1.0.0.3";
    CTamoService update(options);
    ASSERT_TRUE(update.Open() && update.Start()) << update.LastError();

    const auto xml = ParseXml(FetchFrom(update, "/update/version.xml").body);
    ASSERT_TRUE(xml);
    EXPECT_EQ(xml->name, "version");
    EXPECT_EQ(xml->attributes.at("current"), "1.0.0.3");
    const auto entries = xml->Children("update");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]->attributes.at("maxVersion"), "1.0.0.3");
    EXPECT_EQ(entries[0]->attributes.at("sha256"),
              QCryptographicHash::hash(setup, QCryptographicHash::Sha256).toHex().toStdString());

    CHttpClient http;
    ASSERT_TRUE(http.Open(QStringLiteral("GET"), QString::fromStdString(entries[0]->attributes.at("url"))));
    ASSERT_TRUE(http.Send(QString(), 0, nullptr, 0));
    EXPECT_EQ(http.GetStatusCode(), 200u);
    EXPECT_EQ(http.GetContentLength(), unsigned(setup.size()));
    const QString saved = dir.filePath(QStringLiteral("downloaded.bin"));
    ASSERT_TRUE(http.DownloadToFile(saved));
    QFile back(saved);
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll(), setup);

    for (const char* bad : {"/update/files/missing.exe", "/update/files/..%2Fservice.ini", "/update/files/.hidden"})
        EXPECT_EQ(FetchFrom(update, bad).status, 404u) << bad;

    // A version document of the folder's own is served as it stands.
    QFile own(dir.filePath(QStringLiteral("version.xml")));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.write("<version current=\"9.9\"><update minVersion=\"1\" maxVersion=\"2\" url=\"http://x/y\"/></version>");
    own.close();
    EXPECT_EQ(ParseXml(FetchFrom(update, "/update/version.xml").body)->attributes.at("current"), "9.9");
}

TEST_F(ServiceHooksTest, StateAndSessionsOutliveTheProcess)
{
    QTemporaryDir dir;
    SServiceOptions options;
    options.keepAliveSeconds = 0;
    options.databasePath = dir.filePath(QStringLiteral("service.sqlite")).toStdString();
    std::string eventId;
    {
        CTamoService first(options);
        ASSERT_TRUE(first.Open() && first.SeedDemo() && first.Start()) << first.LastError();
        // Sign in on this instance; the shared cookie store keeps the session for 127.0.0.1.
        const QString pw = first.Cipher().EncryptToHex(u"demo", u"tamo1234");
        ASSERT_NE(FetchFrom(first, "/dxm/sb_updatev2.xml?versiontype=&id=demo&pw=" + pw.toStdString()).body.find("COOKIE"),
                  std::string::npos);
        tamo::service::SItem item;
        item.accountId = first.Database().FindAccount("demo")->id;
        item.calendarId = first.Database().FindAccount("demo")->defaultCalendar;
        item.uid = "persisted@calendar.tamo";
        item.title = "남는 일정";
        item.startAt = item.endAt = "20071121T090000";
        ASSERT_TRUE(first.Database().InsertItem(item));
        eventId = std::to_string(item.calendarId);
    }
    {
        CTamoService second(options);
        ASSERT_TRUE(second.Open() && second.SeedDemo() && second.Start()) << second.LastError();
        const auto answer = FetchFrom(second, "/sync/export_event?calendar=" + eventId);
        EXPECT_EQ(answer.status, 200u);
        EXPECT_NE(answer.body.find("SUMMARY:남는 일정\r\n"), std::string::npos);
        EXPECT_EQ(second.Database().ListCalendars(second.Database().FindAccount("demo")->id).size(), 4u);
    }
    // A file from a newer schema is not touched.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(options.databasePath.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "PRAGMA user_version=99", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    CTamoService newer(options);
    EXPECT_FALSE(newer.Open());
    EXPECT_NE(newer.LastError().find("newer"), std::string::npos) << newer.LastError();
}

}  // namespace
