// The sign-in check: the evaluation of the service's answers, and the whole check against the
// stand-in service.
#include <gtest/gtest.h>

#include "TodoSyncWorld.h"
#include "base/SignInCheck.h"
#include "service/DemoSeed.h"

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
