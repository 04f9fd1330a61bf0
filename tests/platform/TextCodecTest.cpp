#include <gtest/gtest.h>

#include "platform/TextCodec.h"

using namespace platform;

TEST(TextCodecTest, Utf8RoundTrip)
{
    const QString text = QStringLiteral("일정 동기화 \U0001F600");
    EXPECT_EQ(textcodec::ToUnicode(CP_UTF8, textcodec::FromUnicode(CP_UTF8, text)), text);
}
