#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QDir>
#include <QFile>

#include "base/HttpClient.h"
#include "service/DropConnection.h"
#include "support/LoopbackServer.h"

using tamo::test::LoopbackServer;

namespace {

const QString kFormHeader = QStringLiteral("Content-Type: application/x-www-form-urlencoded");
const std::string kHangul = "가나다라 일정 할 일 — 동기화";
const std::string kCutText = "\xEF\xBB\xBF" "가 \xF0\x9F\x98\x80 일정\xE1\x41 끝\xEF\xBB\xBF" "다\xEA\xB0";

// One server for the whole program, with routes for the cases below.
class HttpClientTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_server = new LoopbackServer;
        httplib::Server& s = s_server->Server();
        s.Get("/status/(\\d+)", [](const httplib::Request& req, httplib::Response& res) {
            res.status = std::stoi(req.matches[1]);
            res.set_content("status body", "text/plain");
        });
        // Echoes what the server received: method, target, selected headers, body.
        auto echo = [](const httplib::Request& req, httplib::Response& res) {
            std::string text = req.method + " " + req.target + "\n";
            for (const char* name : {"Accept", "Range", "Cookie", "Content-Type", "Cache-Control", "X-Extra"})
                text += std::string(name) + "=" + req.get_header_value(name) + "\n";
            text += "body=" + req.body;
            res.set_content(text, "text/plain");
        };
        s.Get("/range", [](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(s_mutex);
            s_lastRange = req.get_header_value("Range");
            res.set_content("ok", "text/plain");
        });
        s.Get("/echo.*", echo);
        s.Post("/echo.*", echo);
        // Answers with the client's port once two requests are in: they came on two connections.
        s.Get("/meet", [](const httplib::Request& req, httplib::Response& res) {
            std::unique_lock lock(s_mutex);
            ++s_meeting;
            s_met.notify_all();
            s_met.wait_for(lock, std::chrono::seconds(10), [] { return s_meeting >= 2; });
            res.set_content(std::to_string(req.remote_port), "text/plain");
        });
        // The first request after a reset does its work, then loses its answer with its connection.
        auto dropFirst = [](const httplib::Request& req, httplib::Response& res) {
            std::unique_lock lock(s_mutex);
            if (++s_drop.requests > 1) {
                res.set_content("ok", "text/plain");
                return;
            }
            s_drop.firstPort = req.remote_port;
            s_drop.dropped = tamo::service::DropConnection(req);
        };
        s.Get("/drop-first", dropFirst);
        s.Post("/drop-first", dropFirst);
        s.Put("/drop-first", dropFirst);
        s.Delete("/drop-first", dropFirst);
        s.Post("/see-other", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Location", "/echo/after-post");
            res.status = 303;
        });
        s.Get("/login", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "TS=abc; path=/");
            res.set_header("Location", "/echo/after-login");
            res.status = 302;
        });
        s.Get("/two-cookies", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "HM_CU=first; path=/");
            res.set_header("Set-Cookie", "ts=  second ; path=/");
            res.set_content("ok", "text/plain");
        });
        s.Get("/hangul", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(kHangul, "text/plain; charset=utf-8");
        });
        s.Get("/bytes/(\\d+)", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(std::string(std::stoul(req.matches[1]), 'x'), "application/octet-stream");
        });
        s.Get("/zero-inside", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string("ab\0cd", 5), "application/octet-stream");
        });
        // Two bytes at a time, so that characters (and a bad sequence) are cut between pieces.
        s.Get("/in-pieces", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [](size_t offset, httplib::DataSink& sink) {
                if (offset >= kCutText.size()) {
                    sink.done();
                    return true;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                return sink.write(kCutText.data() + offset, std::min<size_t>(2, kCutText.size() - offset));
            });
        });
        s.Get("/empty", [](const httplib::Request&, httplib::Response& res) { res.set_content("", "text/plain"); });
        s.Get("/dated", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Last-Modified", "Tue, 15 Nov 1994 08:12:31 GMT");
            res.set_content("x", "text/plain");
        });
        s.Get("/stall", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [](size_t offset, httplib::DataSink& sink) {
                if (offset == 0) {
                    sink.write("s", 1);
                    return true;
                }
                std::this_thread::sleep_for(std::chrono::seconds(3));
                sink.done();
                return true;
            });
        });
        s_server->Start();
    }
    static void TearDownTestSuite()
    {
        delete s_server;
        s_server = nullptr;
    }

    static QString Url(const std::string& path) { return QString::fromStdString(s_server->Url(path)); }

    static QString Get(const std::string& path, unsigned codePage = CP_UTF8)
    {
        CHttpClient http;
        if (!http.Open(QStringLiteral("GET"), Url(path)) || !http.Send(QString(), 0, nullptr, 0))
            return QStringLiteral("<failed>");
        return http.ReadAll(codePage, -1);
    }

    struct SDropped {
        int requests = 0;
        int firstPort = 0;
        bool dropped = false;
    };

    static LoopbackServer* s_server;
    static std::mutex s_mutex;
    static std::string s_lastRange;
    static SDropped s_drop;
    static int s_meeting;
    static std::condition_variable s_met;
};

LoopbackServer* HttpClientTest::s_server = nullptr;
std::mutex HttpClientTest::s_mutex;
std::string HttpClientTest::s_lastRange;
HttpClientTest::SDropped HttpClientTest::s_drop;
int HttpClientTest::s_meeting = 0;
std::condition_variable HttpClientTest::s_met;

TEST_F(HttpClientTest, StatusIsNotATransportFailure)
{
    for (int status : {200, 404, 500}) {
        CHttpClient http;
        ASSERT_TRUE(http.Open(QStringLiteral("GET"), Url("/status/" + std::to_string(status))));
        ASSERT_TRUE(http.Send(QString(), 0, nullptr, 0)) << status;
        EXPECT_EQ(http.GetStatusCode(), unsigned(status));
        EXPECT_EQ(http.GetContentLength(), 11u);
        EXPECT_EQ(http.ReadAll(CP_UTF8, -1), QStringLiteral("status body"));
    }
}

TEST_F(HttpClientTest, GetSendsTheFixedHeadersAndTheCanonicalTarget)
{
    const QString echo = Get("/echo/a b?x=1 2");
    EXPECT_TRUE(echo.startsWith(QStringLiteral("GET /echo/a%20b?x=1%202\n"))) << echo.toStdString();
    EXPECT_TRUE(echo.contains(QStringLiteral("Accept=*/*\n")));
    EXPECT_TRUE(echo.contains(QStringLiteral("Cache-Control=no-cache\n")));
    EXPECT_TRUE(echo.contains(QStringLiteral("Content-Type=\n")));
}

TEST_F(HttpClientTest, FormPostCarriesItsBody)
{
    CHttpClient http;
    ASSERT_TRUE(http.Open(QStringLiteral("POST"), Url("/echo/form")));
    const QByteArray body = QStringLiteral("title=%EC%9D%BC&x=1").toUtf8();
    ASSERT_TRUE(http.Send(kFormHeader, 47, body.constData(), DWORD(body.size())));
    const QString echo = http.ReadAll(CP_UTF8, -1);
    EXPECT_TRUE(echo.startsWith(QStringLiteral("POST /echo/form\n")));
    EXPECT_TRUE(echo.contains(QStringLiteral("Content-Type=application/x-www-form-urlencoded\n")));
    EXPECT_TRUE(echo.endsWith(QStringLiteral("body=title=%EC%9D%BC&x=1")));
}

TEST_F(HttpClientTest, StreamedBodyIsWrittenInPiecesAndEndedByClose)
{
    const QByteArray body(500, 'q');
    CHttpClient http;
    ASSERT_TRUE(http.Open(QStringLiteral("POST"), Url("/echo/stream")));
    ASSERT_TRUE(http.Send(kFormHeader, 47, nullptr, DWORD(body.size())));
    EXPECT_EQ(http.Write(body.constData(), 200), 200);
    EXPECT_EQ(http.Write(body.constData() + 200, 300), 300);
    ASSERT_TRUE(http.EndRequest());
    EXPECT_EQ(http.GetStatusCode(), 200u);
    EXPECT_TRUE(http.ReadAll(CP_UTF8, -1).endsWith(QStringLiteral("body=") + QString(500, QLatin1Char('q'))));

    // Close ends a streamed request that is still open, and a short body fails instead of hanging.
    CHttpClient shortBody;
    ASSERT_TRUE(shortBody.Open(QStringLiteral("POST"), Url("/echo/short")));
    ASSERT_TRUE(shortBody.Send(kFormHeader, 47, nullptr, 10));
    EXPECT_EQ(shortBody.Write("abc", 3), 3);
    EXPECT_EQ(shortBody.Read(nullptr, 0), -1);
    shortBody.Close();
}

TEST_F(HttpClientTest, RedirectsAreFollowedAndTheirCookiesKept)
{
    CHttpClient http;
    ASSERT_TRUE(http.Open(QStringLiteral("GET"), Url("/login")));
    ASSERT_TRUE(http.Send(QString(), 0, nullptr, 0));
    EXPECT_EQ(http.GetStatusCode(), 200u);
    const QString answer = http.ReadAll(CP_UTF8, -1);
    EXPECT_TRUE(answer.startsWith(QStringLiteral("GET /echo/after-login\n"))) << answer.toStdString();
    EXPECT_TRUE(answer.contains(QStringLiteral("Cookie=TS=abc\n")));

    // The next client, on another thread, sees the same store.
    QString fromThread;
    std::thread([&] { fromThread = Get("/echo/next"); }).join();
    EXPECT_TRUE(fromThread.contains(QStringLiteral("Cookie=TS=abc\n"))) << fromThread.toStdString();
    EXPECT_EQ(CHttpClient::GetCookie(Url("/")), QStringLiteral("TS=abc"));
}

TEST_F(HttpClientTest, PostFollowsASeeOther)
{
    CHttpClient http;
    ASSERT_TRUE(http.Open(QStringLiteral("POST"), Url("/see-other")));
    ASSERT_TRUE(http.Send(kFormHeader, -1, "x=1", 3));
    EXPECT_EQ(http.GetStatusCode(), 200u);
    const QString answer = http.ReadAll(CP_UTF8, -1);
    EXPECT_TRUE(answer.startsWith(QStringLiteral("GET /echo/after-post\n"))) << answer.toStdString();
}

// The server does the work of a request that came on a reused connection, then closes it without
// an answer. Only a request that may be repeated goes out again, on a fresh connection or on the
// other pooled one; any other fails, since the server may have acted on it (created an item).
TEST_F(HttpClientTest, LostAnswerOnAReusedConnection)
{
    const struct {
        const char* verb;
        int requests;  // as the server saw them
        bool answered;
    } cases[] = {{"POST", 1, false}, {"PUT", 1, false}, {"DELETE", 1, false}, {"GET", 2, true}};
    for (const size_t pooled : {1u, 2u}) {
        for (const auto& c : cases) {
            {
                std::lock_guard lock(s_mutex);
                s_drop = {};
                s_meeting = pooled == 1 ? 2 : 0;
            }
            // A session of its own, whose pool holds only the connections opened here.
            CHttpSession session;
            std::vector<int> ports(pooled);
            std::vector<std::thread> openers;
            for (int& port : ports)
                openers.emplace_back([&session, &port] {
                    CHttpClient http(&session);
                    if (http.Open(QStringLiteral("GET"), Url("/meet")) && http.Send(QString(), 0, nullptr, 0))
                        port = http.ReadAll(CP_UTF8, -1).toInt();
                });
            for (std::thread& opener : openers)
                opener.join();
            ASSERT_EQ(std::set<int>(ports.begin(), ports.end()).size(), pooled);

            CHttpClient http(&session);
            ASSERT_TRUE(http.Open(QString::fromLatin1(c.verb), Url("/drop-first")));
            const bool get = std::string_view(c.verb) == "GET";
            const bool sent = get ? http.Send(QString(), 0, nullptr, 0) : http.Send(kFormHeader, -1, "x=1", 3);
            const QString answer = sent ? http.ReadAll(CP_UTF8, -1) : QString();
            EXPECT_EQ(sent && answer == QStringLiteral("ok"), c.answered) << c.verb << ", pooled " << pooled;
            std::lock_guard lock(s_mutex);
            EXPECT_TRUE(s_drop.dropped);
            EXPECT_EQ(s_drop.requests, c.requests) << c.verb << ", pooled " << pooled;
            EXPECT_TRUE(std::ranges::count(ports, s_drop.firstPort)) << c.verb << ": a pooled connection was reused";
        }
    }
}

TEST_F(HttpClientTest, GetCookieWalksTheSetCookieHeaders)
{
    CHttpClient http;
    ASSERT_TRUE(http.Open(QStringLiteral("GET"), Url("/two-cookies")));
    ASSERT_TRUE(http.Send(QString(), 0, nullptr, 0));
    QString value = QStringLiteral("unchanged");
    ASSERT_TRUE(http.GetCookie(QStringLiteral("TS"), value));
    EXPECT_EQ(value, QStringLiteral("second"));
    ASSERT_TRUE(http.GetCookie(QStringLiteral("hm_cu"), value));
    EXPECT_EQ(value, QStringLiteral("first"));
    value = QStringLiteral("unchanged");
    EXPECT_FALSE(http.GetCookie(QStringLiteral("PROF"), value));
    EXPECT_EQ(value, QStringLiteral("unchanged"));
}

TEST_F(HttpClientTest, RangeHeaderAsTheServerReceivesIt)
{
    struct {
        std::int64_t first, last;
        const char* header;
    } cases[] = {{100, -1, "bytes=100-"}, {-1, 500, "bytes=-500"}, {0, 99, "bytes=0-99"}};
    for (const auto& c : cases) {
        CHttpClient http;
        ASSERT_TRUE(http.Open(QStringLiteral("GET"), Url("/range")));
        ASSERT_TRUE(http.SetRange(c.first, c.last));
        EXPECT_FALSE(http.SetRange(1, 2)) << "only added when the request has none";
        ASSERT_TRUE(http.Send(QString(), 0, nullptr, 0));
        http.ReadAll(CP_UTF8, -1);
        std::lock_guard lock(s_mutex);
        EXPECT_EQ(s_lastRange, c.header);
    }
}

TEST_F(HttpClientTest, ReadAllConvertsAndHonoursTheLimit)
{
    EXPECT_EQ(Get("/hangul", CP_UTF8), QString::fromStdString(kHangul));
    EXPECT_EQ(Get("/hangul", 0), QString::fromStdString(kHangul)) << "the ANSI code page is UTF-8 here";
    EXPECT_EQ(Get("/empty"), QString());
    EXPECT_EQ(Get("/zero-inside"), QStringLiteral("ab"));
    EXPECT_EQ(Get("/in-pieces"), QString::fromUtf8(kCutText)) << "as if the body had come in one piece";

    CHttpClient http;
    ASSERT_TRUE(http.Open(QStringLiteral("GET"), Url("/bytes/5000")));
    ASSERT_TRUE(http.Send(QString(), 0, nullptr, 0));
    const QString limited = http.ReadAll(CP_UTF8, 100);
    EXPECT_GE(limited.size(), 100);
    EXPECT_LE(limited.size(), 1023);
    EXPECT_EQ(Get("/bytes/70000").size(), 70000);
}

TEST_F(HttpClientTest, HeaderQueries)
{
    CHttpClient http;
    ASSERT_TRUE(http.Open(QStringLiteral("GET"), Url("/dated")));
    ASSERT_TRUE(http.Send(QString(), 0, nullptr, 0));
    SYSTEMTIME when;
    ASSERT_TRUE(http.QueryInfo(HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, when));
    EXPECT_EQ(when.wYear, 1994);
    EXPECT_EQ(when.wMonth, 11);
    EXPECT_EQ(when.wDay, 15);
    EXPECT_EQ(when.wHour, 8);
    EXPECT_EQ(when.wDayOfWeek, 2);
    QString text;
    EXPECT_TRUE(http.QueryInfo(HTTP_QUERY_STATUS_TEXT, text));
    EXPECT_EQ(text, QStringLiteral("OK"));
    EXPECT_FALSE(http.QueryInfo(HTTP_QUERY_SET_COOKIE, text));
    EXPECT_EQ(http.GetInfoNum(HTTP_QUERY_EXPIRES, 77), 77u);
}

TEST_F(HttpClientTest, DownloadToFile)
{
    const QString path = QDir::tempPath() + QStringLiteral("/download.bin");
    CHttpClient http;
    ASSERT_TRUE(http.Open(QStringLiteral("GET"), Url("/bytes/3000")));
    ASSERT_TRUE(http.Send(QString(), 0, nullptr, 0));
    ASSERT_TRUE(http.DownloadToFile(path));
    EXPECT_EQ(QFile(path).size(), 3000);
    EXPECT_FALSE(http.DownloadToFile(QStringLiteral("/nonexistent-dir/x.bin")));
}

TEST_F(HttpClientTest, RefusedWithoutTouchingTheNetwork)
{
    CHttpClient http;
    EXPECT_FALSE(http.Open(QStringLiteral("GET"), QStringLiteral("ftp://127.0.0.1/x")));
    EXPECT_FALSE(http.Open(QStringLiteral("GET"), QStringLiteral("not a url")));
    EXPECT_FALSE(http.Send(QString(), 0, nullptr, 0));
    EXPECT_EQ(http.Read(nullptr, 0), -1);
    EXPECT_EQ(http.GetStatusCode(), 0u);
    EXPECT_EQ(http.Available(), 0u);
}

TEST_F(HttpClientTest, UnreachablePortFailsTheSend)
{
    CHttpClient http;
    ASSERT_TRUE(http.Open(QStringLiteral("GET"),
                          QStringLiteral("http://127.0.0.1:%1/").arg(tamo::test::UnusedLoopbackPort())));
    EXPECT_FALSE(http.Send(QString(), 0, nullptr, 0));
    EXPECT_EQ(http.ReadAll(CP_UTF8, -1), QString());
}

TEST_F(HttpClientTest, StalledTransferIsAbandoned)
{
    CHttpSession session;
    session.SetTimeouts(5, 1);
    CHttpClient http(&session);
    ASSERT_TRUE(http.Open(QStringLiteral("GET"), Url("/stall")));
    ASSERT_TRUE(http.Send(QString(), 0, nullptr, 0));
    char piece[64];
    EXPECT_EQ(http.Read(piece, sizeof piece), 1);
    EXPECT_EQ(http.Read(piece, sizeof piece), -1) << "the server sent nothing for longer than the stall limit";
}

}  // namespace
