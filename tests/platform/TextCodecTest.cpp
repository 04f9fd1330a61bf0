#include <random>

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

// Text that arrives in pieces converts exactly as the joined bytes do, wherever the cuts fall:
// inside characters, inside invalid or cut-off sequences, before a byte-order mark.
TEST(TextCodecTest, PiecesConvertAsTheWhole)
{
    const struct {
        const char* label;
        QByteArray bytes;
    } cases[] = {
        {"hangul and ascii", QByteArray("start 가나다 일정 end")},
        {"astral", QByteArray("a\xF0\x9F\x98\x80" "b\xF4\x8F\xBF\xBF")},
        {"mark at the start", QByteArray("\xEF\xBB\xBF" "가x")},
        {"mark inside", QByteArray("x\xEF\xBB\xBF" "가")},
        {"cut-off at the end", QByteArray("가\xEA\xB0")},
        {"invalid bytes", QByteArray("\xE1\x41\xC0\x80\xED\xA0\x80\xF8\x80\x80\x80\x80\x41\xFF\xF4\x90\x80\x80\xE0\x80\x80")},
        {"noncharacters", QByteArray("\xEF\xBF\xBF\xF1\x8F\xBF\xBE")},
        {"stray continuations", QByteArray("\x80\x80\x80\x80\x80\x80\x80\x80\x80 ok")},
    };
    // Random text over the same kinds of bytes, long enough to cross the eight-byte steps.
    const char* parts[] = {"a", "bcdefghij", "가", "\xC3\xA9", "\xF0\x9F\x98\x80", "\xEF\xBB\xBF", "\x80",
                           "\xE1\x41", "\xC0", "\xED\xA0\x80", "\xFF", "\xF4\x90", "\xE0\x80"};
    std::mt19937 random(19);
    std::vector<std::pair<std::string, QByteArray>> texts;
    for (const auto& c : cases)
        texts.emplace_back(c.label, c.bytes);
    for (int n = 0; n < 300; ++n) {
        QByteArray bytes;
        const int count = int(random() % 40);
        for (int i = 0; i < count; ++i)
            bytes += parts[random() % std::size(parts)];
        texts.emplace_back("random " + std::to_string(n), bytes);
    }
    for (const auto& [label, bytes] : texts) {
        for (unsigned cp : {CP_UTF8, CP_UTF7, CP_KOREAN}) {
            const QString whole = textcodec::ToUnicode(cp, bytes);
            // Every single cut, then a few random cuttings into many pieces.
            for (int cut = 0; cut <= bytes.size(); ++cut) {
                textcodec::StreamDecoder decoder(cp);
                decoder.Append(QByteArrayView(bytes).first(cut));
                decoder.Append(QByteArrayView(bytes).sliced(cut));
                ASSERT_EQ(decoder.Finish(), whole) << label << " cp " << cp << " cut at " << cut;
            }
            for (int round = 0; round < 5; ++round) {
                textcodec::StreamDecoder decoder(cp);
                for (qsizetype at = 0; at < bytes.size();) {
                    const qsizetype n = std::min<qsizetype>(bytes.size() - at, qsizetype(random() % 5));
                    decoder.Append(QByteArrayView(bytes).sliced(at, n));
                    at += n;
                }
                ASSERT_EQ(decoder.Finish(), whole) << label << " cp " << cp << " round " << round;
            }
        }
    }
}

}  // namespace
