// The sign-in check: the evaluation of the service's answers, and the whole check against the
// stand-in service.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TodoSyncWorld.h"
#include "base/ServiceEndpoints.h"
#include "base/SignInCheck.h"
#include "base/TextCipher.h"
#include "service/DemoSeed.h"
#include "service/FormFields.h"

TEST(SignInCheck, AnswersBecomeTheCookieOrAnErrorNumber)
{
    struct Case {
        const char* name;
        const char* answer;
        bool ok;
        int error;
        const char* cookie;
    };
    const Case cases[] = {
        {"nothing", "", false, 7004, ""},
        {"not xml", "<html><body>error page", false, 7005, ""},
        {"root error", "<result><ERROR TYPE=\"4001\" URL=\"http://x/\"/></result>", false, 4001, ""},
        {"error without type", "<result><ERROR/></result>", false, 7008, ""},
        {"login error", "<result><LOGIN><ERROR TYPE=\"4003\"/></LOGIN></result>", false, 4003, ""},
        {"no cookie", "<result><LOGIN><SNS/></LOGIN></result>", false, 7009, ""},
        {"empty cookie", "<result><LOGIN><COOKIE></COOKIE><SNS/></LOGIN></result>", false, 7009, ""},
        {"no sns", "<result><LOGIN><COOKIE>HM_CU=a</COOKIE></LOGIN></result>", false, 7010, ""},
        {"signed in", "<result><LOGIN><COOKIE>HM_CU=a; TS=b</COOKIE><SNS>0</SNS></LOGIN></result>", true, 0,
         "HM_CU=a; TS=b"},
        {"neither", "<result><OTHER/></result>", false, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const signin::Result r = signin::Evaluate(QString::fromUtf8(c.answer));
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.cookie, QString::fromUtf8(c.cookie));
    }
    EXPECT_EQ(signin::Evaluate("<r><ERROR TYPE=\"5\" URL=\"http://u/\"/></r>").url, QStringLiteral("http://u/"));
}

TEST(SignInCheck, AgainstTheService)
{
    tamo::test::TodoSyncWorld world;
    ASSERT_TRUE(world.ok());
    const signin::Result good = signin::Check(QStringLiteral("DEMO"), QString::fromLatin1(tamo::service::kDemoPassword));
    EXPECT_TRUE(good.ok);
    EXPECT_TRUE(good.cookie.contains("HM_CU=")) << good.cookie.toStdString();
    const signin::Result bad = signin::Check(QStringLiteral("demo"), QStringLiteral("wrong"));
    EXPECT_FALSE(bad.ok);
    EXPECT_NE(bad.error, 0);
    EXPECT_EQ(signin::Check(QString(), QStringLiteral("x")).error, 0);
}

// The ID goes out as one escaped query value: letters and digits as they are, whatever means
// something in a query, or is not ASCII, as %xx, so that the service reads back the ID typed.
TEST(SignInCheck, TheIdIsOneEscapedQueryValue)
{
    struct Case {
        const char* id;
        const char* onTheWire;
    };
    const Case cases[] = {
        {"demo", "demo"},
        {"kim2007", "kim2007"},
        {"lee.min-ho_1", "lee.min-ho_1"},
        {"demo&pw=x", "demo%26pw%3dx"},
        {"a+b", "a%2bb"},
        {"a b", "a+b"},
        {"홍길동", "%ed%99%8d%ea%b8%b8%eb%8f%99"},
    };
    const QString base = CServiceConfig::Current().Url(Service::Update, endpoints::kSignInCheck);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const QString url = signin::CheckUrl(QString::fromUtf8(c.id), QStringLiteral("0A1B2C"));
        EXPECT_EQ(url.toStdString(),
                  (base + QStringLiteral("?versiontype=&id=%1&pw=0A1B2C").arg(QLatin1String(c.onTheWire))).toStdString());
        const auto fields = tamo::service::CFormFields::FromTarget(url.toStdString());
        std::vector<std::string> names;
        for (const auto& field : fields.All())
            names.push_back(field.first);
        EXPECT_EQ(names, (std::vector<std::string>{"versiontype", "id", "pw"}));
        EXPECT_EQ(fields.Value("id"), c.id);
        EXPECT_EQ(fields.Value("pw"), "0A1B2C");
    }
}

TEST(SignInCheck, AnUnusualIdSignsInAsItselfAndInjectsNothing)
{
    tamo::test::TodoSyncWorld world;
    ASSERT_TRUE(world.ok());
    for (const char* id : {"kim&lee", "x=y", "a+b", "홍길동"}) {
        SCOPED_TRACE(id);
        const auto account = world.Service().Database().CreateAccount(id, "pw-1234");
        ASSERT_TRUE(account);
        const signin::Result r = signin::Check(QString::fromUtf8(id), QStringLiteral("pw-1234"));
        EXPECT_TRUE(r.ok) << r.error;
        const auto session = world.Service().SessionOf(r.cookie.toStdString());
        EXPECT_EQ(session ? session->accountId : -1, *account);
    }

    // An ID carrying the demo account's own enciphered password as a second "pw" field: read as
    // query fields it would sign in as demo; as one ID it names no account.
    const QString demoPw = EncryptToHex(QStringLiteral("demo"), QString::fromLatin1(tamo::service::kDemoPassword));
    ASSERT_FALSE(demoPw.isEmpty());
    const signin::Result injected = signin::Check(QStringLiteral("demo&pw=") + demoPw, QStringLiteral("anything"));
    EXPECT_FALSE(injected.ok);
    EXPECT_EQ(injected.error, 1001) << "the service's unknown ID";
}
