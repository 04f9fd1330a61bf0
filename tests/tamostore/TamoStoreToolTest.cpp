// tamo-store as tests use it: seed the Outlook side from the command line, read it back the way
// the engine does.
#include <gtest/gtest.h>

#include <QProcess>

#include "support/TestEnvironment.h"
#include "syncengine/MAPISync.h"

using namespace tamo::test;

namespace {

struct ToolRun {
    int code;
    QString out;
};

ToolRun Tool(const QStringList& args, const QByteArray& input = {})
{
    QProcess p;
    p.start(BinaryDir() + "/bin/tamo-store", args);
    if (!input.isEmpty()) {
        p.write(input);
        p.closeWriteChannel();
    }
    if (!p.waitForFinished(30000))
        return {-1, QString()};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()).trimmed()};
}

}  // namespace

TEST(TamoStoreToolTest, SeededItemsReadBackThroughTheEngine)
{
    IsolatedEnvironment env;
    EXPECT_NE(Tool({"list"}).code, 0) << "no store yet";
    ASSERT_EQ(Tool({"create"}).code, 0);
    EXPECT_NE(Tool({"create"}).code, 0) << "never overwrites a store";

    const ToolRun task = Tool({"add", "task", "--subject", "보고서", "--due", "2007-11-21", "--importance", "2",
                           "--modified", "2007-11-20T10:00:00Z"});
    ASSERT_EQ(task.code, 0);
    const ToolRun event = Tool({"add", "appointment", "--json", "-"},
                           R"({"subject": "회의", "start": "2007-11-21T00:00:00Z", "end": "2007-11-21T01:30:00Z",
                               "uid": "ev-1@calendar", "reminderMinutes": 15, "keywords": ["12"]})");
    ASSERT_EQ(event.code, 0);
    EXPECT_EQ(Tool({"set", event.out, "--subject", "회의 (변경)"}).code, 0);
    EXPECT_NE(Tool({"add", "appointment", "--start", "not a time"}).code, 0);

    const ToolRun list = Tool({"list"});
    ASSERT_EQ(list.code, 0);
    EXPECT_TRUE(list.out.contains(task.out + "  20071120T190000  IPM.Task  보고서")) << qPrintable(list.out);
    const ToolRun show = Tool({"show", event.out});
    EXPECT_TRUE(show.out.contains("PSETID_Meeting/0x0003")) << qPrintable(show.out);
    EXPECT_TRUE(show.out.contains("PS_PUBLIC_STRINGS/Keywords")) << qPrintable(show.out);

    CMAPISync engine;
    ASSERT_EQ(engine.InitMapi(), 1);
    ASSERT_TRUE(engine.m_outlook.OpenSpecialFolder(PR_IPM_TASK_ENTRYID) && engine.m_outlook.GetContents());
    CMAPIMessage message;
    ASSERT_TRUE(engine.m_outlook.GetNextMessage(message));
    IMessage* msg = message.GetMessageW();
    EXPECT_EQ(message.GetSubject(), "보고서");
    EXPECT_EQ(engine.GetPropVal(msg, PROP_TAG(PT_SYSTIME, 0x8105), true, PROPSET_TASK), "2007-11-21");
    EXPECT_EQ(engine.GetPropVal(msg, PR_IMPORTANCE, false, PROPSET_NONE), "2");
    EXPECT_EQ(engine.GetPropVal(msg, PR_LAST_MODIFICATION_TIME, false, PROPSET_NONE), "20071120T190000");

    ASSERT_TRUE(engine.m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID) && engine.m_outlook.GetContents());
    ASSERT_TRUE(engine.m_outlook.GetNextMessage(message));
    msg = message.GetMessageW();
    EXPECT_EQ(message.GetSubject(), "회의 (변경)");
    EXPECT_EQ(engine.GetPropVal(msg, PROP_TAG(PT_SYSTIME, 0x820D), true, PROPSET_APPOINTMENT), "20071121T090000");
    EXPECT_EQ(engine.GetPropVal(msg, PROP_TAG(PT_LONG, 0x8213), true, PROPSET_APPOINTMENT), "90");
    EXPECT_EQ(engine.GetPropVal(msg, PROP_TAG(PT_BOOLEAN, 0x8503), true, PROPSET_COMMON), "T");
    const MapiBuffer<SPropValue> gid =
        CMAPIEx::GetNamedPropValue(msg, PROP_TAG(PT_BINARY, 0x0003), true, PROPSET_MEETING);
    ASSERT_TRUE(gid);
    const QString text = CMAPISync::BinToTextString(&gid->Value.bin, false);
    EXPECT_EQ(text.mid(40, 8), "vCal-Uid");
    EXPECT_EQ(text.mid(52, text.size() - 53), "ev-1@calendar");
}

TEST(TamoStoreToolTest, NewAppointmentsGetAGlobalObjectIdAsOutlookGivesThem)
{
    IsolatedEnvironment env;
    ASSERT_EQ(Tool({"create"}).code, 0);
    const QStringList times = {"--start", "2007-11-21T00:00:00Z", "--end", "2007-11-21T01:00:00Z"};
    const QString first = Tool(QStringList{"add", "appointment", "--subject", "a"} + times).out;
    const QString second = Tool(QStringList{"add", "appointment", "--subject", "b"} + times).out;
    const QString bare = Tool(QStringList{"add", "appointment", "--subject", "c", "--no-global-id"} + times).out;
    const QString task = Tool({"add", "task", "--subject", "d"}).out;

    CMAPISync engine;
    ASSERT_EQ(engine.InitMapi(), 1);
    auto globalId = [&engine](const QString& entryHex) {
        QByteArray entry = QByteArray::fromHex(entryHex.toLatin1());
        CMAPIMessage message;
        if (!engine.m_outlook.OpenMessage(SBinary{ULONG(entry.size()), reinterpret_cast<LPBYTE>(entry.data())}, 0,
                                          message))
            return QString("unopened");
        const auto id = CMAPIEx::GetNamedPropValue(message.GetMessageW(), PROP_TAG(PT_BINARY, 0x0003), true,
                                                   PROPSET_MEETING);
        return id && PROP_TYPE(id->ulPropTag) == PT_BINARY ? CMAPISync::BinToHexString(&id->Value.bin, false).toUpper()
                                                           : QString();
    };
    ASSERT_TRUE(engine.m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID));
    const QString a = globalId(first), b = globalId(second);
    // Class id, zero instance date, a creation time, reserved zeros, size 16 and a random id.
    for (const QString& id : {a, b}) {
        ASSERT_EQ(id.size(), 112) << qPrintable(id);
        EXPECT_TRUE(id.startsWith("040000008200E00074C5B7101A82E00800000000")) << qPrintable(id);
        EXPECT_NE(id.mid(40, 16), "0000000000000000");
        EXPECT_EQ(id.mid(56, 24), "000000000000000010000000");
    }
    EXPECT_NE(a, b);
    EXPECT_EQ(globalId(bare), "");
    ASSERT_TRUE(engine.m_outlook.OpenSpecialFolder(PR_IPM_TASK_ENTRYID));
    EXPECT_EQ(globalId(task), "") << "tasks carry none";
}
