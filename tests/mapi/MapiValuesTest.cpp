// Every property type the engine writes comes back as it was written, also after a reopen.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "MapiTestSupport.h"
#include "support/TestEnvironment.h"

using namespace tamo::test;

namespace {

// Values that outlive the test table's SPropValues.
WCHAR kKorean[] = u"회의 준비 — C:\\new";
WCHAR kEmpty[] = u"";
char kNarrow[] = "caf\xC3\xA9";  // UTF-8: the ANSI code page here
BYTE kBytes[] = {0x00, 0x01, 0xAB, 0xFF};
LPWSTR kWords[] = {const_cast<LPWSTR>(u"Business"), const_cast<LPWSTR>(u"개인")};
LONG kLongs[] = {1, -2, 0x7FFFFFFF};
SBinary kBins[] = {{4, kBytes}, {0, nullptr}};

struct ValueCase {
    const char* name;
    SPropValue written;
    ULONG readTag;  // the tag asked for
    std::function<void(const SPropValue&)> check;
};

SPropValue Make(ULONG tag, std::function<void(_PV&)> fill)
{
    SPropValue v{};
    v.ulPropTag = tag;
    fill(v.Value);
    return v;
}

std::vector<ValueCase> Cases()
{
    return {
        {"short", Make(PROP_TAG(PT_I2, 0x6001), [](_PV& v) { v.i = -5; }), PROP_TAG(PT_I2, 0x6001),
         [](const SPropValue& v) { EXPECT_EQ(v.Value.i, -5); }},
        {"long", Make(PR_IMPORTANCE, [](_PV& v) { v.l = 2; }), PR_IMPORTANCE,
         [](const SPropValue& v) { EXPECT_EQ(v.Value.l, 2); }},
        {"boolean", Make(PROP_TAG(PT_BOOLEAN, 0x6002), [](_PV& v) { v.b = 1; }), PROP_TAG(PT_BOOLEAN, 0x6002),
         [](const SPropValue& v) { EXPECT_EQ(v.Value.b, 1); }},
        {"double", Make(PROP_TAG(PT_DOUBLE, 0x6003), [](_PV& v) { v.dbl = 39407.5; }), PROP_TAG(PT_DOUBLE, 0x6003),
         [](const SPropValue& v) { EXPECT_DOUBLE_EQ(v.Value.dbl, 39407.5); }},
        {"64-bit", Make(PROP_TAG(PT_I8, 0x6004), [](_PV& v) { v.li.QuadPart = -1234567890123LL; }),
         PROP_TAG(PT_I8, 0x6004), [](const SPropValue& v) { EXPECT_EQ(v.Value.li.QuadPart, -1234567890123LL); }},
        {"time", Make(PROP_TAG(PT_SYSTIME, 0x6005), [](_PV& v) { v.ft = {0x89ABCDEF, 0x01C82C4F}; }),
         PROP_TAG(PT_SYSTIME, 0x6005),
         [](const SPropValue& v) {
             EXPECT_EQ(v.Value.ft.dwLowDateTime, 0x89ABCDEFu);
             EXPECT_EQ(v.Value.ft.dwHighDateTime, 0x01C82C4Fu);
         }},
        {"wide text", Make(PR_SUBJECT_W, [](_PV& v) { v.lpszW = kKorean; }), PR_SUBJECT_W,
         [](const SPropValue& v) { EXPECT_EQ(QString::fromUtf16(v.Value.lpszW), QString::fromUtf16(kKorean)); }},
        {"empty text", Make(PR_BODY_W, [](_PV& v) { v.lpszW = kEmpty; }), PR_BODY_W,
         [](const SPropValue& v) { EXPECT_EQ(v.Value.lpszW[0], 0); }},
        {"narrow text read wide", Make(PR_SUBJECT_A, [](_PV& v) { v.lpszA = kNarrow; }), PR_SUBJECT_W,
         [](const SPropValue& v) { EXPECT_EQ(QString::fromUtf16(v.Value.lpszW), QString::fromUtf8(kNarrow)); }},
        {"wide text read narrow", Make(PR_SUBJECT_W, [](_PV& v) { v.lpszW = kKorean; }), PR_SUBJECT_A,
         [](const SPropValue& v) { EXPECT_EQ(QString::fromUtf8(v.Value.lpszA), QString::fromUtf16(kKorean)); }},
        {"binary", Make(PROP_TAG(PT_BINARY, 0x6006), [](_PV& v) { v.bin = {4, kBytes}; }), PROP_TAG(PT_BINARY, 0x6006),
         [](const SPropValue& v) {
             ASSERT_EQ(v.Value.bin.cb, 4u);
             EXPECT_EQ(std::memcmp(v.Value.bin.lpb, kBytes, 4), 0);
         }},
        {"empty binary", Make(PROP_TAG(PT_BINARY, 0x6007), [](_PV& v) { v.bin = {0, nullptr}; }),
         PROP_TAG(PT_BINARY, 0x6007), [](const SPropValue& v) { EXPECT_EQ(v.Value.bin.cb, 0u); }},
        {"multi-valued text", Make(PROP_TAG(PT_MV_UNICODE, 0x6008), [](_PV& v) { v.MVszW = {2, kWords}; }),
         PROP_TAG(PT_MV_UNICODE, 0x6008),
         [](const SPropValue& v) {
             ASSERT_EQ(v.Value.MVszW.cValues, 2u);
             EXPECT_EQ(QString::fromUtf16(v.Value.MVszW.lppszW[1]), "개인");
         }},
        {"multi-valued long", Make(PROP_TAG(PT_MV_LONG, 0x6009), [](_PV& v) { v.MVl = {3, kLongs}; }),
         PROP_TAG(PT_MV_LONG, 0x6009),
         [](const SPropValue& v) {
             ASSERT_EQ(v.Value.MVl.cValues, 3u);
             EXPECT_EQ(v.Value.MVl.lpl[1], -2);
             EXPECT_EQ(v.Value.MVl.lpl[2], 0x7FFFFFFF);
         }},
        {"multi-valued binary", Make(PROP_TAG(PT_MV_BINARY, 0x600A), [](_PV& v) { v.MVbin = {2, kBins}; }),
         PROP_TAG(PT_MV_BINARY, 0x600A),
         [](const SPropValue& v) {
             ASSERT_EQ(v.Value.MVbin.cValues, 2u);
             EXPECT_EQ(v.Value.MVbin.lpbin[0].cb, 4u);
             EXPECT_EQ(v.Value.MVbin.lpbin[1].cb, 0u);
         }},
    };
}

}  // namespace

TEST(MapiValuesTest, EveryKeptTypeRoundTripsThroughSaveAndReopen)
{
    IsolatedEnvironment env;
    MapiStoreSession s;
    ASSERT_TRUE(s.Ok());
    Ref<IMAPIFolder> tasks(s.OpenSpecial(PR_IPM_TASK_ENTRYID));
    for (const ValueCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        Ref<IMessage> msg;
        ASSERT_EQ(tasks->CreateMessage(nullptr, 0, &msg), S_OK);
        SPropValue written = c.written;
        LPSPropProblemArray problems = nullptr;
        ASSERT_EQ(msg->SetProps(1, &written, &problems), S_OK);
        EXPECT_EQ(problems, nullptr);
        ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
        std::string eidBytes;
        const SBinary eid = EntryIdOf(msg.get(), eidBytes);
        msg.reset();

        MapiStoreSession other;
        ULONG type = 0;
        Ref<IUnknown> unk;
        ASSERT_EQ(other.Session()->OpenEntry(eid.cb, reinterpret_cast<LPENTRYID>(eid.lpb), nullptr, 0, &type, &unk), S_OK);
        auto* reopened = static_cast<IMessage*>(unk.get());
        SizedSPropTagArray(1, tags) = {1, {c.readTag}};
        ULONG count = 0;
        Buffer<SPropValue> value;
        ASSERT_EQ(reopened->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &value), S_OK);
        EXPECT_EQ(value[0].ulPropTag, c.readTag);
        c.check(value[0]);
    }
}

TEST(MapiValuesTest, MissingOrMismatchedPropertiesAnswerNotFound)
{
    IsolatedEnvironment env;
    MapiStoreSession s;
    Ref<IMAPIFolder> tasks(s.OpenSpecial(PR_IPM_TASK_ENTRYID));
    Ref<IMessage> msg;
    ASSERT_EQ(tasks->CreateMessage(nullptr, 0, &msg), S_OK);
    SPropValue v = Long(PR_IMPORTANCE, 1);
    ASSERT_EQ(msg->SetProps(1, &v, nullptr), S_OK);
    SizedSPropTagArray(3, tags) = {3, {PR_IMPORTANCE, PR_BODY_W, PROP_TAG(PT_UNICODE, PROP_ID(PR_IMPORTANCE))}};
    ULONG count = 0;
    Buffer<SPropValue> values;
    ASSERT_EQ(msg->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values), MAPI_W_ERRORS_RETURNED);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(values[0].Value.l, 1);
    EXPECT_EQ(values[1].ulPropTag, PROP_TAG(PT_ERROR, PROP_ID(PR_BODY_W)));
    EXPECT_EQ(values[1].Value.err, MAPI_E_NOT_FOUND);
    EXPECT_EQ(PROP_TYPE(values[2].ulPropTag), PT_ERROR);
}
