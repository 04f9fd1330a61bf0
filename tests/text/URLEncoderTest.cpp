#include <gtest/gtest.h>

#include "base/URLEncoder.h"

namespace {

TEST(URLEncoderTest, Cases)
{
    struct Case {
        const char* label;
        QString text;
        const char* lower;
        const char* upper;
    };
    const Case cases[] = {
        {"empty", QString(), "", ""},
        {"form pair", QStringLiteral("a b&c=d"), "a+b%26c%3dd", "a+b%26c%3Dd"},
        {"hangul", QStringLiteral("\uAC00"), "%ea%b0%80", "%EA%B0%80"},
        {"percent", QStringLiteral("100%"), "100%25", "100%25"},
        {"kept punctuation", QStringLiteral("-_.!~*'()"), "-_.!~*'()", "-_.!~*'()"},
        {"plus", QStringLiteral("+"), "%2b", "%2B"},
        {"line breaks", QStringLiteral("\r\n"), "%0d%0a", "%0D%0A"},
        {"outside the plane", QStringLiteral("\U0001F600"), "%f0%9f%98%80", "%F0%9F%98%80"},
        {"reserved", QStringLiteral("/?:#@"), "%2f%3f%3a%23%40", "%2F%3F%3A%23%40"},
        {"stops at zero", QStringLiteral("a") + QChar(0) + QStringLiteral("b"), "a", "a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(CURLEncoder::EncodeUTF8(c.text, true), QLatin1String(c.lower));
        EXPECT_EQ(CURLEncoder::EncodeUTF8(c.text, false), QLatin1String(c.upper));
    }
}

TEST(URLEncoderTest, EncodeKeepsNoHighByte)
{
    EXPECT_EQ(CURLEncoder::Encode(static_cast<const char*>(nullptr), true), QString());
    EXPECT_EQ(CURLEncoder::Encode("\xB0\xA1 z", true), QStringLiteral("%b0%a1+z"));
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += char(c);
    const QString encoded = CURLEncoder::Encode(all.c_str(), false);
    EXPECT_EQ(encoded.size(), 3 * 255 - 2 * (26 + 26 + 10 + 9) - 2);  // kept ones and the blank
    for (const QChar ch : encoded)
        EXPECT_LT(ch.unicode(), 0x80);
}

}  // namespace
