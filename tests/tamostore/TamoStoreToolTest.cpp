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
