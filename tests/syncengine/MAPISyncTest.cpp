// The engine object against a real store file: logon, copies, the PC key, folder walks, named
// properties and the appointment global object id.
#include <gtest/gtest.h>

#include <QFile>

#include "base/Settings.h"
#include "platform/mapi/MapiStoreFile.h"
#include "support/TestEnvironment.h"
#include "syncengine/MAPISync.h"

using tamo::test::IsolatedEnvironment;

namespace {

class MAPISyncTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tamo::mapi::CreateStoreFile(env.MapiStore())); }

    // A saved message in the folder the Inbox names under folderTag; its entry id in hex.
    static QString AddMessage(CMAPISync& engine, ULONG folderTag, const QString& subject,
                              const std::function<void(IMessage*)>& more = {})
    {
        IMAPIFolder* folder = engine.m_outlook.OpenSpecialFolder(folderTag);
        EXPECT_NE(folder, nullptr);
        if (!folder)
            return QString();
        IMessage* msg = nullptr;
        EXPECT_EQ(folder->CreateMessage(nullptr, 0, &msg), S_OK);
        CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_SUBJECT_W, subject);
        if (more)
            more(msg);
        EXPECT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
        const QString eid = engine.GetPropVal(msg, PR_ENTRYID, false, PROPSET_NONE);
        msg->Release();
        return eid;
    }

    IsolatedEnvironment env;
};

}  // namespace

TEST_F(MAPISyncTest, InitMapiOpensTheIpmSubtreeAndMakesAnItemStore)
{
    CMAPISync engine;
    EXPECT_EQ(engine.m_lCalendarID, -1);
    EXPECT_EQ(engine.m_nSyncRangeDays, 0);
    EXPECT_EQ(engine.m_pParser, nullptr);
    ASSERT_EQ(engine.InitMapi(), 1);
    ASSERT_NE(engine.m_pParser, nullptr);
    EXPECT_NE(engine.m_outlook.GetSession(), nullptr);
    EXPECT_NE(engine.m_outlook.GetMessageStore(), nullptr);
    EXPECT_NE(engine.m_outlook.m_pHierarchy, nullptr);
    EXPECT_EQ(engine.m_outlook.m_ulMDBFlags, 0x201u);
    SizedSPropTagArray(1, tags) = {1, {PR_DISPLAY_NAME_W}};
    ULONG count = 0;
    LPSPropValue raw = nullptr;
    ASSERT_EQ(engine.m_outlook.GetFolder()->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), MAPI_UNICODE, &count, &raw),
              S_OK);
    EXPECT_EQ(QString::fromUtf16(raw->Value.lpszW), "Top of Information Store");
    MAPIFreeBuffer(raw);

    // A second logon releases the first session and starts a fresh item store.
    engine.m_pParser->NewItem(CSyncParser::ServiceTodos);
    engine.m_pParser->AppendCurrent(CSyncParser::ServiceTodos);
    const std::weak_ptr<CSyncParser> first = engine.m_pParser;
    ASSERT_EQ(engine.InitMapi(), 1);
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(engine.GetParserCount(true), 0u);
    EXPECT_EQ(engine.TermMapi(), 0);
    EXPECT_EQ(engine.m_outlook.GetSession(), nullptr);
    EXPECT_EQ(engine.TermMapi(), 0) << "harmless twice";
}

TEST_F(MAPISyncTest, AMissingOrUnreadableStoreFailsInit)
{
    for (const QByteArray& content : {QByteArray("-"), QByteArray("not sqlite at all")}) {
        QFile::remove(env.MapiStore());
        if (content != "-") {
            ASSERT_TRUE(tamo::test::WriteFile(env.MapiStore(), content));
        }
        CMAPISync engine;
        EXPECT_EQ(engine.InitMapi(), -1);
        EXPECT_EQ(engine.m_pParser, nullptr);
        EXPECT_EQ(engine.TermMapi(), 0);
    }
}

TEST_F(MAPISyncTest, CopiesShareTheItemStoreAndOutliveEachOther)
{
    auto original = std::make_unique<CMAPISync>();
    ASSERT_EQ(original->InitMapi(), 1);
    original->m_pParser->ParseTodos(u"BEGIN:VTODO\r\nUID:x\r\nEND:VTODO");
    CMAPISync copy(*original);
    CMAPISync assigned;
    assigned = *original;
    EXPECT_EQ(copy.m_pParser, original->m_pParser);
    original.reset();  // the copies keep the store and their Outlook objects
    EXPECT_EQ(copy.GetParserCount(true), 1u);
    ASSERT_NE(copy.m_outlook.OpenSpecialFolder(PR_IPM_TASK_ENTRYID), nullptr);
    EXPECT_TRUE(copy.m_outlook.GetContents());
    assigned = copy;
    EXPECT_EQ(assigned.GetParserCount(true), 1u);
}

TEST_F(MAPISyncTest, PcKeyFromTheSettingsTable)
{
    struct Case {
        const char* stored;  // nullptr: no value
        const char* key;
        int result;
    };
    const Case cases[] = {{nullptr, "0", 1}, {"null", "null", -1}, {"", "", -1}, {"Null", "Null", 1}, {"pc-77", "pc-77", 1}};
    for (const Case& c : cases) {
        DeleteRegValue(settings::kKeyPath, settings::ValueName(settings::PcKey));
        if (c.stored) {
            ASSERT_TRUE(WriteSettingString(settings::PcKey, c.stored));
        }
        CMAPISync engine;
        EXPECT_EQ(engine.GetPCKey(), c.result) << (c.stored ? c.stored : "(none)");
        EXPECT_EQ(engine.m_strPCKey, c.key);
    }
}

TEST_F(MAPISyncTest, FolderWalkAndNamedPropertiesThroughTheWrappers)
{
    CMAPISync engine;
    ASSERT_EQ(engine.InitMapi(), 1);
    SYSTEMTIME due{};
    due.wYear = 2007, due.wMonth = 11, due.wDay = 21;
    const QString first = AddMessage(engine, PR_IPM_TASK_ENTRYID, "보고서", [&](IMessage* msg) {
        CMAPIEx::SetNamedProp(msg, PROPSET_TASK, 0x8105, due);
        CMAPIEx::SetNamedProp(msg, PROPSET_TASK, 0x811C, true);
        CMAPIEx::SetNamedProp(msg, PROPSET_COMMON, 0x8501, LONG(15));
        CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_IMPORTANCE, LONG(2));
    });
    const QString second = AddMessage(engine, PR_IPM_TASK_ENTRYID, "second");
    AddMessage(engine, PR_IPM_APPOINTMENT_ENTRYID, "not a task");
    ASSERT_FALSE(first.isEmpty());
    EXPECT_NE(first, second);

    ASSERT_NE(engine.m_outlook.OpenSpecialFolder(PR_IPM_TASK_ENTRYID), nullptr);
    ASSERT_TRUE(engine.m_outlook.GetContents());
    CMAPIMessage message;
    QStringList subjects;
    while (engine.m_outlook.GetNextMessage(message))
        subjects << message.GetSubject();
    EXPECT_EQ(subjects, QStringList({"보고서", "second"}));

    ASSERT_TRUE(engine.m_outlook.GetContents());
    ASSERT_TRUE(engine.m_outlook.GetNextMessage(message));
    IMessage* msg = message.GetMessageW();
    EXPECT_EQ(CMAPISync::BinToHexString(message.GetEntryID(), false), first);
    EXPECT_EQ(message.IsUnread(), 0);
    EXPECT_EQ(message.GetAttachmentCount(), 0);
    EXPECT_EQ(engine.GetPropVal(msg, PROP_TAG(PT_SYSTIME, 0x8105), true, PROPSET_TASK), "2007-11-21");
    EXPECT_EQ(engine.GetPropVal(msg, PROP_TAG(PT_BOOLEAN, 0x811C), true, PROPSET_TASK), "T");
    EXPECT_EQ(engine.GetPropVal(msg, PROP_TAG(PT_LONG, 0x8501), true, PROPSET_COMMON), "15");
    EXPECT_EQ(engine.GetPropVal(msg, PR_IMPORTANCE, false, PROPSET_NONE), "2");
    EXPECT_EQ(engine.GetPropVal(msg, PR_SUBJECT_W, false, PROPSET_NONE), "보고서");
    EXPECT_EQ(engine.GetPropVal(msg, PR_BODY_W, false, PROPSET_NONE), "") << "absent";
    EXPECT_EQ(engine.GetPropVal(msg, PROP_TAG(PT_SYSTIME, 0x810F), true, PROPSET_TASK), "") << "absent named";
    const QString created = engine.GetPropVal(msg, PR_CREATION_TIME, false, PROPSET_NONE);
    EXPECT_EQ(created.size(), 15) << qPrintable(created);
    EXPECT_GT(CMAPISync::StringtoDate(created), 0.0);

    // The same named property resolves to the same id on another message.
    CMAPIMessage other;
    ASSERT_TRUE(engine.m_outlook.GetNextMessage(other));
    EXPECT_EQ(CMAPIEx::ResolveNamedProp(other.GetMessageW(), PROPSET_TASK, 0x8105, PT_SYSTIME),
              CMAPIEx::ResolveNamedProp(msg, PROPSET_TASK, 0x8105, PT_SYSTIME));
    EXPECT_FALSE(engine.m_outlook.GetNextMessage(other)) << "two tasks only";

    CMAPIMessage attached;
    EXPECT_TRUE(attached.Attach(msg));
    EXPECT_EQ(attached.GetSubject(), "보고서");
}

TEST_F(MAPISyncTest, PutAppointGlobalIdWritesTheVCalForm)
{
    CMAPISync engine;
    ASSERT_EQ(engine.InitMapi(), 1);
    const QString eid = AddMessage(engine, PR_IPM_APPOINTMENT_ENTRYID, "meeting");
    struct Case {
        QString uid;
        int size;
        QString text;  // expected text from byte 52 (without the final zero)
    };
    const QString outlookId =
        "040000008200E00074C5B7101A82E00800000000C0A4C6A0D52BC8010000000000000000100000004D2A1C2F3E4A5B6C7D8E9FA0B1C2D3E4";
    const Case cases[] = {
        {"0123456789", 63, "0123456789"},
        {"event-uid@calendar.example", 53 + 26, "event-uid@calendar.example"},
        {outlookId, 56, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uid.toStdString());
        ASSERT_EQ(engine.PutAppointGlobalID(eid, c.uid), 1);
        CMAPIMessage message;
        ULONG size = 0;
        CMAPISync::HexStringToBinary(eid, nullptr, &size);
        QByteArray bytes(int(size), 0);
        CMAPISync::HexStringToBinary(eid, reinterpret_cast<BYTE*>(bytes.data()), &size);
        ASSERT_TRUE(engine.m_outlook.OpenMessage(SBinary{size, reinterpret_cast<LPBYTE>(bytes.data())}, 0, message));
        const MapiBuffer<SPropValue> blob =
            CMAPIEx::GetNamedPropValue(message.GetMessageW(), PROP_TAG(PT_BINARY, 0x0003), true, PROPSET_MEETING);
        ASSERT_TRUE(blob);
        ASSERT_EQ(int(blob->Value.bin.cb), c.size);
        const QString text = CMAPISync::BinToTextString(&blob->Value.bin, false);
        if (c.text.isEmpty()) {
            EXPECT_EQ(CMAPISync::BinToHexString(&blob->Value.bin, false), c.uid);
        } else {
            EXPECT_EQ(text.mid(40, 8), "vCal-Uid");
            EXPECT_EQ(text.mid(52, text.size() - 53), c.text);
            EXPECT_EQ(blob->Value.bin.lpb[blob->Value.bin.cb - 1], 0);
        }
    }
    // Without a UID the current service event's is taken.
    engine.m_pParser->ParseEvents(u"BEGIN:VEVENT\r\nUID:from-service\r\nEND:VEVENT");
    ASSERT_EQ(engine.PutAppointGlobalID(eid, QString()), 1);
    EXPECT_EQ(engine.PutAppointGlobalID("00FF", "x"), -1) << "no such message";
}
