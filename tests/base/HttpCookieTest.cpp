#include <gtest/gtest.h>

#include "base/HttpClient.h"

namespace {

TEST(CCookieTest, ParseSkipsPiecesWithoutName)
{
    CCookie cookie;
    cookie.Parse(QStringLiteral("a=1; =x; b; c = 3 "));
    EXPECT_EQ(cookie.Get(QStringLiteral("a")), QStringLiteral("1"));
    EXPECT_EQ(cookie.Get(QStringLiteral("c")), QStringLiteral("3"));
    EXPECT_EQ(cookie.Get(QStringLiteral("b")), QString());
    EXPECT_EQ(cookie.MakeString(), QStringLiteral("a=1;c=3"));
    cookie.Parse(QStringLiteral("a=2"));  // later pairs replace, the map is not emptied
    EXPECT_EQ(cookie.MakeString(), QStringLiteral("a=2;c=3"));
    EXPECT_EQ(CCookie().MakeString(), QString());
}

TEST(CCookieTest, SetCookieWritesEveryPairWithTheAttributes)
{
    CCookie cookie;
    cookie.Set(QStringLiteral("HM_CU"), QStringLiteral("u1"));
    cookie.Set(QStringLiteral("TS"), QStringLiteral("123"));
    ASSERT_TRUE(cookie.SetCookie(QStringLiteral("http://pairs.cookie.test/any/page"), QStringLiteral("  path=/")));
    EXPECT_EQ(CHttpClient::GetCookie(QStringLiteral("http://pairs.cookie.test/other")),
              QStringLiteral("HM_CU=u1; TS=123"));
    // Without "path=/" the cookie belongs to the page's folder only.
    ASSERT_TRUE(CCookie(cookie).SetCookie(QStringLiteral("http://folder.cookie.test/a/page"), QString()));
    EXPECT_EQ(CHttpClient::GetCookie(QStringLiteral("http://folder.cookie.test/b")), QString());
    EXPECT_EQ(CHttpClient::GetCookie(QStringLiteral("http://folder.cookie.test/a/x")), QStringLiteral("HM_CU=u1; TS=123"));
}

TEST(SharedCookieStoreTest, AttributesDecideWhereACookieGoes)
{
    ASSERT_TRUE(CHttpClient::SetCookie(QStringLiteral("http://www.shop.test/"), QStringLiteral("d=1; domain=.shop.test; path=/")));
    ASSERT_TRUE(CHttpClient::SetCookie(QStringLiteral("http://www.shop.test/"), QStringLiteral("h=2; path=/")));
    ASSERT_TRUE(CHttpClient::SetCookie(QStringLiteral("http://www.shop.test/"), QStringLiteral("s=3; path=/; secure")));
    EXPECT_EQ(CHttpClient::GetCookie(QStringLiteral("http://mail.shop.test/")), QStringLiteral("d=1"));
    EXPECT_EQ(CHttpClient::GetCookie(QStringLiteral("http://www.shop.test/")), QStringLiteral("d=1; h=2"));
    EXPECT_EQ(CHttpClient::GetCookie(QStringLiteral("https://www.shop.test/")), QStringLiteral("d=1; h=2; s=3"));
    // Another site's domain is refused; an expiry in the past removes the cookie.
    EXPECT_FALSE(CHttpClient::SetCookie(QStringLiteral("http://www.shop.test/"), QStringLiteral("x=1; domain=other.test")));
    ASSERT_TRUE(CHttpClient::SetCookie(QStringLiteral("http://www.shop.test/"), QStringLiteral("h=2; path=/; max-age=0")));
    EXPECT_EQ(CHttpClient::GetCookie(QStringLiteral("http://www.shop.test/")), QStringLiteral("d=1"));
    EXPECT_FALSE(CHttpClient::SetCookie(QStringLiteral("ftp://www.shop.test/"), QStringLiteral("a=1")));
    EXPECT_FALSE(CHttpClient::SetCookie(QStringLiteral("http://www.shop.test/"), QStringLiteral("novalue")));
}

}  // namespace
