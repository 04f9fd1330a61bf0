// Sign-in check, session cookies, session expiry, refresh and hand-over.
#include <gtest/gtest.h>

#include "ServiceHarness.h"
#include "base/HttpClient.h"
#include "service/DemoSeed.h"

using tamo::test::CServiceHarness;
using tamo::test::Encode;
using tamo::test::ParseXml;

namespace {

class SignInTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(h.SignInDemo()); }
    void TearDown() override { h.Service().Clock().Reset(); }

    std::string SignInQuery(const std::string& id, const std::string& pwHex)
    {
        return "/dxm/sb_updatev2.xml?versiontype=&id=" + Encode(id) + "&pw=" + pwHex;
    }
    std::string Scramble(const std::string& key, const std::string& password)
    {
        return h.Service().Cipher().EncryptToHex(QString::fromStdString(key), QString::fromStdString(password)).toStdString();
    }

    CServiceHarness& h = CServiceHarness::Get();
};

TEST_F(SignInTest, AnswersOfTheSignInCheck)
{
    struct {
        const char* label;
        std::string id;
        std::string pwHex;
        int errorType;  // 0: signed in
    } cases[] = {
        {"right password", "demo", Scramble("demo", "tamo1234"), 0},
        {"ID in capitals", "DEMO", Scramble("DEMO", "tamo1234"), 0},
        {"wrong password", "demo", Scramble("demo", "tamo12345"), 1002},
        {"scrambled with another key", "demo", Scramble("other", "tamo1234"), 1002},
        {"not hexadecimal", "demo", "XYZ", 1002},
        {"unknown ID", "nobody", Scramble("nobody", "tamo1234"), 1001},
        {"no password", "demo", "", 1003},
        {"no ID", "", Scramble("", "tamo1234"), 1003},
    };
    for (const auto& c : cases) {
        const auto answer = h.GetPath(SignInQuery(c.id, c.pwHex));
        ASSERT_TRUE(answer.sent) << c.label;
        const auto xml = ParseXml(answer.body);
        ASSERT_TRUE(xml) << c.label << ": " << answer.body;
        const auto* login = xml->Child("LOGIN");
        ASSERT_TRUE(login) << c.label;
        if (c.errorType == 0) {
            const std::string cookie = login->ChildText("COOKIE");
            for (const char* name : {"HM_CU=", "TS=", "HTS=", "PROF=", "HIP="})
                EXPECT_NE(cookie.find(name), std::string::npos) << c.label << ": " << cookie;
            EXPECT_TRUE(login->Child("SNS")) << c.label;
            EXPECT_FALSE(login->Child("ERROR")) << c.label;
        } else {
            const auto* error = login->Child("ERROR");
            ASSERT_TRUE(error) << c.label << ": " << answer.body;
            EXPECT_EQ(error->attributes.at("TYPE"), std::to_string(c.errorType)) << c.label;
            EXPECT_FALSE(error->attributes.at("URL").empty()) << c.label;
            EXPECT_FALSE(login->Child("COOKIE")) << c.label;
        }
    }
}

TEST_F(SignInTest, CookiesOfTheAnswerSignInLaterRequests)
{
    const QString stored = CHttpClient::GetCookie(h.Url("/"));
    for (const char* name : {"HM_CU=", "TS=", "HTS=", "PROF=", "HIP="})
        EXPECT_TRUE(stored.contains(QLatin1String(name))) << stored.toStdString();
    EXPECT_NE(h.GetPath("/sync/server_time").body.find("<time>"), std::string::npos);

    h.SignOut();
    const auto refused = ParseXml(h.GetPath("/sync/server_time").body);
    ASSERT_TRUE(refused);
    EXPECT_TRUE(refused->Child("ERROR"));
}

TEST_F(SignInTest, EveryCalendarRequestNeedsASession)
{
    h.SignOut();
    struct {
        const char* method;
        const char* path;
        const char* body;
        bool xml;  // the caller expects XML; otherwise text
    } cases[] = {
        {"GET", "/alarm/simple_list?alarm_type=2", "", true},
        {"GET", "/calendars/?format=xml", "", true},
        {"GET", "/calendar/show_default", "", true},
        {"GET", "/calendars/1.xml", "", true},
        {"GET", "/preference/?format=xml", "", true},
        {"GET", "/preference/pc_key", "", true},
        {"GET", "/sync/server_time", "", true},
        {"POST", "/preference/update_sync?", "preference[sync_range]=7", false},
        {"GET", "/sync/export_todo", "", false},
        {"GET", "/sync/export_event?calendar=1", "", false},
        {"POST", "/events/", "event[title]=x&event[start_at]=20071121", false},
        {"POST", "/todos/", "todo[title]=x", false},
        {"POST", "/todos/1", "todo[uid]=x&_method=put", false},
        {"GET", "/bin/tamoupdate.cgi", "", false},
    };
    for (const auto& c : cases) {
        const auto answer = h.Fetch(c.method, c.path, c.body);
        ASSERT_TRUE(answer.sent) << c.path;
        EXPECT_EQ(answer.status, 401u) << c.path;
        if (c.xml) {
            const auto xml = ParseXml(answer.body);
            ASSERT_TRUE(xml) << c.path;
            const auto* error = xml->Child("ERROR");
            ASSERT_TRUE(error) << c.path;
            EXPECT_EQ(error->attributes.at("TYPE"), "2001") << c.path;
        } else {
            EXPECT_EQ(answer.body.substr(0, 10), "error page") << c.path;
        }
    }
}

TEST_F(SignInTest, SessionsEndAfterTheIdleTime)
{
    const int idle = h.Service().Options().sessionIdleSeconds;
    auto signedIn = [this] { return h.GetPath("/sync/server_time").status == 200; };
    // Each request keeps the session alive for another idle time.
    h.Service().Clock().Advance(idle - 5);
    EXPECT_TRUE(signedIn());
    h.Service().Clock().Advance(idle - 5);
    EXPECT_TRUE(signedIn());
    h.Service().Clock().Advance(idle + 1);
    EXPECT_FALSE(signedIn());
    // Once ended it stays ended, whatever the clock does.
    h.Service().Clock().Reset();
    EXPECT_FALSE(signedIn());
}

TEST_F(SignInTest, RefreshAnswersFreshStamps)
{
    const QString before = CHttpClient::GetCookie(h.Url("/"));
    CHttpClient http;
    ASSERT_TRUE(http.Open(QStringLiteral("GET"), h.Url("/bin/tamoupdate.cgi")));
    ASSERT_TRUE(http.Send(QString(), 0, nullptr, 0));
    EXPECT_EQ(http.GetStatusCode(), 200u);
    QString ts, hts, hmcu;
    EXPECT_TRUE(http.GetCookie(QStringLiteral("TS"), ts));
    EXPECT_TRUE(http.GetCookie(QStringLiteral("HTS"), hts));
    EXPECT_FALSE(http.GetCookie(QStringLiteral("HM_CU"), hmcu));
    EXPECT_FALSE(ts.isEmpty());
    EXPECT_FALSE(before.contains(QStringLiteral("HTS=") + hts));
    EXPECT_FALSE(http.ReadAll(CP_UTF8, -1).isEmpty());
}

TEST_F(SignInTest, HandOverSetsTheCookiesAndGoesToTheTarget)
{
    CCookie kept;
    kept.Parse(CHttpClient::GetCookie(h.Url("/")));
    const std::string body = "url=" + Encode(h.Url("/blank.html").toStdString()) + "&HM_CU=" +
                             kept.Get(QStringLiteral("HM_CU")).toStdString() + "&TS=111&HTS=ABC&PROF=1&HIP=127.0.0.1";
    h.SignOut();
    const auto answer = h.PostForm("/Mail-bin/uin_open2.cgi", body);
    EXPECT_EQ(answer.status, 200u);
    EXPECT_NE(answer.body.find("<body></body>"), std::string::npos) << answer.body;  // the blank page
    CCookie now;
    now.Parse(CHttpClient::GetCookie(h.Url("/")));
    EXPECT_EQ(now.Get(QStringLiteral("HM_CU")), kept.Get(QStringLiteral("HM_CU")));
    EXPECT_EQ(now.Get(QStringLiteral("TS")), QStringLiteral("111"));
    EXPECT_EQ(h.GetPath("/sync/server_time").status, 200u);

    for (const std::string bad : {"url=javascript%3Aalert(1)", "url=%2F%2Fevil.example%2F",
                                  "url=%2Fblank.html%0D%0ASet-Cookie%3A%20x%3D1", "url=%2F&HM_CU=a%3Bb"}) {
        EXPECT_EQ(h.PostForm("/Mail-bin/uin_open2.cgi", bad).status, 400u) << bad;
    }
}

}  // namespace
