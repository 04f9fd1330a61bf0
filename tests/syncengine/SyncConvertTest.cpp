// The conversion helpers and the value formatting of Outlook properties.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "syncengine/MAPISync.h"
#include "syncengine/OleDate.h"

namespace {

FILETIME Utc(int y, int mo, int d, int h, int mi, int s)
{
    SYSTEMTIME st;
    st.wYear = WORD(y), st.wMonth = WORD(mo), st.wDay = WORD(d), st.wHour = WORD(h), st.wMinute = WORD(mi),
    st.wSecond = WORD(s);
    return *oledate::SystemTimeToFileTime(st);
}

}  // namespace

TEST(SyncConvertTest, HexHelpers)
{
    EXPECT_EQ(CMAPISync::ReverseHexString("E0A50100"), "0001A5E0");
    EXPECT_EQ(CMAPISync::ReverseHexString("01020304"), "04030201");
    EXPECT_EQ(CMAPISync::HexStringToLong("E0A50100"), 108000u);
    EXPECT_EQ(CMAPISync::HexStringToLong("A0050000"), 1440u);

    BYTE buffer[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    ULONG size = 4;
    EXPECT_EQ(CMAPISync::HexStringToBinary("ABC", buffer, &size), 0) << "odd length";
    EXPECT_EQ(buffer[0], 0xEE);
    size = 1;
    EXPECT_EQ(CMAPISync::HexStringToBinary("ABCD", buffer, &size), 0) << "buffer too small";
    EXPECT_EQ(buffer[0], 0xEE);
    size = 0;
    EXPECT_EQ(CMAPISync::HexStringToBinary("01abFF", nullptr, &size), 1) << "size only";
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(CMAPISync::HexStringToBinary("01abFF", buffer, &size), 1);
    EXPECT_EQ(std::vector<BYTE>(buffer, buffer + 3), (std::vector<BYTE>{0x01, 0xAB, 0xFF}));
    size = 4;
    EXPECT_EQ(CMAPISync::HexStringToBinary("0G", buffer, &size), 0) << "not hex";

    BYTE bytes[] = {0x01, 0xAB, 0xFF};
    const SBinary bin{3, bytes};
    EXPECT_EQ(CMAPISync::BinToHexString(&bin, false), "01ABFF");
    EXPECT_EQ(CMAPISync::BinToHexString(&bin, true), "cb: 3 lpb: 01ABFF");
    const SBinary none{0, nullptr};
    EXPECT_EQ(CMAPISync::BinToHexString(&none, true), "cb: 0 lpb: <NULL>");
    EXPECT_EQ(CMAPISync::BinToHexString(&none, false), "");
    EXPECT_EQ(CMAPISync::BinToHexString(nullptr, true), "");

    WCHAR* hex = nullptr;
    CMAPISync::MyHexFromBin(bytes, 3, &hex);
    ASSERT_NE(hex, nullptr);
    EXPECT_EQ(QString::fromUtf16(hex), "01ABFF");
    delete[] hex;
    CMAPISync::MyHexFromBin(bytes, 0, &hex);
    EXPECT_EQ(hex, nullptr);
}

TEST(SyncConvertTest, TextFormOfBytes)
{
    BYTE bytes[] = {'v', 0, 8, 9, 10, 13, 'x', 0xE9};
    const SBinary bin{8, bytes};
    EXPECT_EQ(CMAPISync::BinToTextString(&bin, false), QString("v.....x") + QChar(0xE9));
    EXPECT_EQ(CMAPISync::BinToTextString(&bin, true), QString("v.\b\t\n\rx") + QChar(0xE9));
}

TEST(SyncConvertTest, FileTimesAsServiceText)
{
    const FILETIME ft = Utc(2007, 11, 21, 20, 15, 0);
    QString text, second;
    CMAPISync::FileTimeToString(&ft, text, &second);
    EXPECT_EQ(text, "20071121T291500");
    EXPECT_TRUE(second.startsWith("Low: 0x")) << qPrintable(second);
    const auto back = oledate::ToDateTime(CMAPISync::StringtoDate(text));
    ASSERT_TRUE(back);
    EXPECT_EQ(std::make_tuple(back->year, back->month, back->day, back->hour, back->minute),
              std::make_tuple(2007, 11, 22, 5, 15));
    CMAPISync::FileTimeToString2(&ft, text, nullptr);
    EXPECT_EQ(text, "2007-11-21");
    text = "kept";
    CMAPISync::FileTimeToString(nullptr, text, nullptr);
    EXPECT_EQ(text, "kept");
}

TEST(SyncConvertTest, InterpretPropFormatsEachType)
{
    WCHAR subject[] = u"보고서";
    LPWSTR words[] = {subject, const_cast<LPWSTR>(u"")};
    LONG longs[] = {7, -1};
    BYTE bytes[] = {0x0A, 'b'};
    FILETIME due = Utc(2007, 11, 21, 0, 0, 0);
    struct Case {
        const char* name;
        SPropValue value;
        ULONG tag;  // the asked-for tag
        QString text, second;
    };
    auto make = [](ULONG tag, auto fill) {
        SPropValue v{};
        v.ulPropTag = tag;
        fill(v.Value);
        return v;
    };
    const std::vector<Case> cases = {
        {"short", make(PROP_TAG(PT_I2, 1), [](_PV& v) { v.i = -3; }), 0, "-3", "0xFFFFFFFD"},
        {"long", make(PR_IMPORTANCE, [](_PV& v) { v.l = 26; }), 0, "26", "0x1A"},
        {"long unsigned", make(PR_IMPORTANCE, [](_PV& v) { v.l = -1; }), 0, "4294967295", "0xFFFFFFFF"},
        {"boolean", make(PROP_TAG(PT_BOOLEAN, 1), [](_PV& v) { v.b = 1; }), 0, "T", ""},
        {"boolean false", make(PROP_TAG(PT_BOOLEAN, 1), [](_PV& v) { v.b = 0; }), 0, "F", ""},
        {"object", make(PROP_TAG(PT_OBJECT, 1), [](_PV& v) { v.l = 0; }), 0, "Object", ""},
        {"text", make(PR_SUBJECT_W, [&](_PV& v) { v.lpszW = subject; }), 0, "보고서", ""},
        {"unreadable text", make(PR_SUBJECT_W, [](_PV& v) { v.lpszW = nullptr; }), 0, "<Exception>", ""},
        {"task due date", make(PROP_TAG(PT_SYSTIME, 0x8123), [&](_PV& v) { v.ft = due; }), PROP_TAG(PT_SYSTIME, 0x8105),
         "2007-11-21", "Low: 0x"},
        {"other time", make(PR_CREATION_TIME, [&](_PV& v) { v.ft = due; }), PR_CREATION_TIME, "20071121T090000", "Low: 0x"},
        {"binary", make(PR_ENTRYID, [&](_PV& v) { v.bin = {2, bytes}; }), 0, "0A62", ".b"},
        {"error", make(PROP_TAG(PT_ERROR, 1), [](_PV& v) { v.err = MAPI_E_NOT_FOUND; }), 0, "", ""},
        {"keywords", make(0x8188101F, [&](_PV& v) { v.MVszW = {2, words}; }), 0, "2: 보고서; <NULL String>", ""},
        {"multi-valued long", make(PROP_TAG(PT_MV_LONG, 1), [&](_PV& v) { v.MVl = {2, longs}; }), 0,
         "2: 7; 4294967295", "0x7; 0xFFFFFFFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString text, second;
        CMAPISync::InterpretProp(&c.value, text, &second, c.tag ? c.tag : c.value.ulPropTag);
        EXPECT_EQ(text, c.text);
        if (c.second.startsWith("Low: 0x"))
            EXPECT_TRUE(second.startsWith(c.second)) << qPrintable(second);
        else
            EXPECT_EQ(second, c.second);
    }
}

TEST(SyncConvertTest, NarrowTextIsCodePage949ForTheLog)
{
    char* narrow = CMAPISync::WCharToChar(u"회의 A");
    ASSERT_NE(narrow, nullptr);
    EXPECT_EQ(QByteArray(narrow), QByteArray("\xC8\xB8\xC0\xC7 A"));
    std::free(narrow);
    WCHAR* wide = CMAPISync::CharToWChar("caf\xC3\xA9");
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(QString::fromUtf16(wide), QString::fromUtf8("caf\xC3\xA9"));
    std::free(wide);
}

TEST(SyncConvertTest, OleDatesRoundTripThroughFileTimes)
{
    const double date = *oledate::FromDateTime(2007, 11, 21, 9, 30, 15);
    const auto ft = oledate::ToFileTime(date);
    ASSERT_TRUE(ft);
    EXPECT_DOUBLE_EQ(oledate::FromFileTime(*ft), date);
    const auto st = oledate::FileTimeToSystemTime(*ft);
    ASSERT_TRUE(st);
    EXPECT_EQ(st->wDayOfWeek, 3) << "a Wednesday";
    EXPECT_DOUBLE_EQ(oledate::AddDays(*oledate::FromDateTime(1899, 12, 29, 6, 0, 0), 1), 0.25);
    EXPECT_DOUBLE_EQ(*oledate::FromDateTime(1899, 12, 29, 6, 0, 0), -1.25);
}
