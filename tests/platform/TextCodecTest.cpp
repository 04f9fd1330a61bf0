#include <gtest/gtest.h>

#include "platform/TextCodec.h"

using namespace platform;

namespace {

TEST(TextCodecTest, RoundTripsInEveryCodePage)
{
    const QString hangul = QStringLiteral("일정 동기화: 회의 (3층)");
    for (unsigned cp : {CP_ACP, CP_UTF8, CP_UTF7, CP_KOREAN})
        EXPECT_EQ(textcodec::ToUnicode(cp, textcodec::FromUnicode(cp, hangul)), hangul) << cp;
    const QString astral = QStringLiteral("emoji \U0001F600 end");
    for (unsigned cp : {CP_ACP, CP_UTF8, CP_UTF7})
        EXPECT_EQ(textcodec::ToUnicode(cp, textcodec::FromUnicode(cp, astral)), astral) << cp;
}

TEST(TextCodecTest, KnownEncodings)
{
    EXPECT_EQ(textcodec::FromUnicode(CP_KOREAN, QStringLiteral("가")), QByteArray("\xB0\xA1"));
    EXPECT_EQ(textcodec::ToUnicode(CP_UTF7, "Hi Mom -+Jjo--!"), QStringLiteral("Hi Mom -\u263A-!"));
    EXPECT_EQ(textcodec::FromAnsi("\xEC\x9D\xBC"), QStringLiteral("일"));
}

TEST(TextCodecTest, NothingIsDroppedSilently)
{
    // One replacement per character that CP949 can't hold, surrogate pairs included.
    EXPECT_EQ(textcodec::FromUnicode(CP_KOREAN, QStringLiteral("a\U0001F600b\u0E01c")), QByteArray("a?b?c"));
    // Invalid and cut-off input sequences become U+FFFD and the rest is kept.
    EXPECT_EQ(textcodec::ToUnicode(CP_KOREAN, QByteArray("A\xFF" "B\xB0")), QStringLiteral("A\uFFFDB\uFFFD"));
    EXPECT_EQ(textcodec::ToUnicode(CP_UTF8, QByteArray("A\xC3")), QStringLiteral("A\uFFFD"));
    EXPECT_EQ(textcodec::ToUnicode(CP_KOREAN, QByteArray()), QString());
}

}  // namespace
