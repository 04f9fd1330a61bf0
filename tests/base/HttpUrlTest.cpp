#include <cctype>

#include <gtest/gtest.h>

#include "base/HttpClient.h"

namespace {

struct UrlCase {
    const char* label;
    const char* url;
    int result;
    int scheme;
    const char* host;
    const char* path;
    int port;
};

const UrlCase kUrlCases[] = {
    {"blank escaped before the query, kept after", "http://host:8080/a b?x=1 2", 1, 3, "host", "/a%20b?x=1 2", 8080},
    {"default port and root", "http://example.test", 1, 3, "example.test", "/", 80},
    {"query without a path", "http://example.test?a=1", 1, 3, "example.test", "/?a=1", 80},
    {"fragment not sent", "http://h/p#frag", 1, 3, "h", "/p", 80},
    {"dot segments folded", "http://h/a/./b/../c", 1, 3, "h", "/a/c", 80},
    {"https known, port 443", "https://h/x", 1, 4, "h", "/x", 443},
    {"unsafe characters escaped", "http://h/a<b>|\"", 1, 3, "h", "/a%3Cb%3E%7C%22", 80},
    {"non-ASCII path as UTF-8 escapes", "http://h/일", 1, 3, "h", "/%EC%9D%BC", 80},
    {"user info dropped", "http://user:pw@h:81/", 1, 3, "h", "/", 81},
    {"IPv6 literal", "http://[::1]:8000/z", 1, 3, "::1", "/z", 8000},
    {"no scheme", "example.test/x", 0, -1, "", "", 0},
    {"unknown scheme", "zzz://h/", 0, -1, "", "", 0},
    {"bad port", "http://h:99999/", 0, -1, "", "", 0},
    {"empty host", "http:///x", 0, -1, "", "", 0},
};

class ParseUrlTest : public testing::TestWithParam<UrlCase> {};

TEST_P(ParseUrlTest, Cracks)
{
    const UrlCase& c = GetParam();
    int scheme = 99, port = 0;
    QString host, path;
    const int result = CHttpClient::ParseURL(QString::fromUtf8(c.url), scheme, host, path, port, ICU_BROWSER_MODE);
    EXPECT_EQ(result != 0, c.result != 0);
    EXPECT_EQ(scheme, c.scheme);
    if (c.result) {
        EXPECT_EQ(host, QString::fromUtf8(c.host));
        EXPECT_EQ(path, QString::fromUtf8(c.path));
        EXPECT_EQ(port, c.port);
    }
}

INSTANTIATE_TEST_SUITE_P(Urls, ParseUrlTest, testing::ValuesIn(kUrlCases),
                         [](const auto& info) {
                             std::string name;
                             for (const char* p = info.param.label; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST(ParseUrlTest, WithoutCanonicalisationKeepsTheText)
{
    int scheme = 0, port = 0;
    QString host, path;
    ASSERT_TRUE(CHttpClient::ParseURL(QStringLiteral("http://h/a b"), scheme, host, path, port, 0));
    EXPECT_EQ(path, QStringLiteral("/a b"));
}

TEST(ParseStringToArrayTest, RunsOfDelimitersGiveNoEmptyTokens)
{
    QString text = QStringLiteral(";;a; b;;c;");
    QStringList tokens{QStringLiteral("stale")};
    ParseStringToArray(text, QStringLiteral(";"), tokens);
    EXPECT_EQ(tokens, (QStringList{QStringLiteral("a"), QStringLiteral(" b"), QStringLiteral("c")}));
    QString none = QStringLiteral(";;;");
    ParseStringToArray(none, QStringLiteral(";"), tokens);
    EXPECT_TRUE(tokens.isEmpty());
}

}  // namespace
