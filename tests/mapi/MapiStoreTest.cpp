// The store's behaviour that the sync engine depends on: logon, folder layout, saving, times,
// named properties, tables and atomic saves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "MapiTestSupport.h"
#include "platform/mapi/MapiStoreFile.h"
#include "support/TestEnvironment.h"

using namespace tamo::test;

namespace {

std::uint64_t Ticks(const FILETIME& ft) { return (std::uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

std::uint64_t NowTicks()
{
    return std::uint64_t(QDateTime::currentMSecsSinceEpoch()) * 10000 + 116444736000000000ULL;
}

std::uint64_t TimeOf(IMAPIProp* object, ULONG tag)
{
    SizedSPropTagArray(1, tags) = {1, {tag}};
    ULONG count = 0;
    Buffer<SPropValue> v;
    if (object->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &v) != S_OK)
        return 0;
    return Ticks(v[0].Value.ft);
}

ULONG RowCount(IMAPIFolder* folder)
{
    Ref<IMAPITable> table;
    ULONG n = 0;
    if (FAILED(folder->GetContentsTable(MAPI_UNICODE, &table)) || FAILED(table->GetRowCount(0, &n)))
        return 9999;
    return n;
}

IMessage* OpenMessage(IMAPISession* session, const SBinary& eid, ULONG flags = MAPI_BEST_ACCESS)
{
    ULONG type = 0;
    IUnknown* unk = nullptr;
    if (FAILED(session->OpenEntry(eid.cb, reinterpret_cast<LPENTRYID>(eid.lpb), nullptr, flags, &type, &unk)))
        return nullptr;
    EXPECT_EQ(type, MAPI_MESSAGE);
    return static_cast<IMessage*>(unk);
}

class MapiStoreTest : public ::testing::Test {
protected:
    IsolatedEnvironment env;
};

}  // namespace

TEST_F(MapiStoreTest, LogonNeedsInitialisationAndAReadableStoreFile)
{
    struct Case {
        const char* name;
        QByteArray content;  // written to the store path; "-" = no file
        HRESULT expected;
    };
    const Case cases[] = {
        {"missing file", "-", MAPI_E_LOGON_FAILED},
        {"not a database", "this is not a store", MAPI_E_LOGON_FAILED},
        {"empty file", "", MAPI_E_LOGON_FAILED},
    };
    LPMAPISESSION session = nullptr;
    EXPECT_EQ(MAPILogonEx(0, nullptr, nullptr, MAPI_EXTENDED, &session), MAPI_E_NOT_INITIALIZED);
    ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
    for (const Case& c : cases) {
        QFile::remove(env.MapiStore());
        if (c.content != "-") {
            ASSERT_TRUE(WriteFile(env.MapiStore(), c.content));
        }
        EXPECT_EQ(MAPILogonEx(0, nullptr, nullptr, MAPI_EXTENDED, &session), c.expected) << c.name;
        EXPECT_EQ(session, nullptr) << c.name;
    }
    QFile::remove(env.MapiStore());
    ASSERT_TRUE(tamo::mapi::CreateStoreFile(env.MapiStore()));
    EXPECT_FALSE(tamo::mapi::CreateStoreFile(env.MapiStore())) << "an existing store is never overwritten";
    ASSERT_EQ(MAPILogonEx(0, nullptr, nullptr, MAPI_EXTENDED, &session), S_OK);
    session->Logoff(0, 0, 0);
    session->Release();
    MAPIUninitialize();
}

TEST_F(MapiStoreTest, DefaultStoreIsFoundAfterOtherStoresAndHoldsTheSpecialFolders)
{
    tamo::mapi::StoreFileOptions options;
    options.withPublicFolders = true;
    ASSERT_TRUE(tamo::mapi::CreateStoreFile(env.MapiStore(), options));
    MapiStoreSession s;
    ASSERT_TRUE(s.Ok());

    // The store table lists the non-default store first.
    Ref<IMAPITable> stores;
    ASSERT_EQ(s.Session()->GetMsgStoresTable(0, &stores), S_OK);
    SizedSPropTagArray(2, cols) = {2, {PR_DISPLAY_NAME_W, PR_DEFAULT_STORE}};
    ASSERT_EQ(stores->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
    LPSRowSet rows = nullptr;
    ASSERT_EQ(stores->QueryRows(10, 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 2u);
    EXPECT_EQ(QString::fromUtf16(rows->aRow[0].lpProps[0].Value.lpszW), "Public Folders");
    EXPECT_FALSE(rows->aRow[0].lpProps[1].Value.b);
    EXPECT_TRUE(rows->aRow[1].lpProps[1].Value.b);
    FreeProws(rows);

    // IPM subtree → its folders; the Inbox names the Tasks and Calendar folders.
    SizedSPropTagArray(1, subtreeTag) = {1, {PR_IPM_SUBTREE_ENTRYID}};
    ULONG count = 0;
    Buffer<SPropValue> subtree;
    ASSERT_EQ(s.Store()->GetProps(reinterpret_cast<LPSPropTagArray>(&subtreeTag), 0, &count, &subtree), S_OK);
    ULONG type = 0;
    Ref<IUnknown> root;
    ASSERT_EQ(s.Store()->OpenEntry(subtree[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(subtree[0].Value.bin.lpb),
                                   nullptr, 0x201, &type, &root), S_OK);
    EXPECT_EQ(type, MAPI_FOLDER);
    Ref<IMAPITable> hierarchy;
    ASSERT_EQ(static_cast<IMAPIFolder*>(root.get())->GetHierarchyTable(0, &hierarchy), S_OK);
    SizedSPropTagArray(2, hcols) = {2, {PR_DISPLAY_NAME_W, PR_ENTRYID}};
    ASSERT_EQ(hierarchy->SetColumns(reinterpret_cast<LPSPropTagArray>(&hcols), 0), S_OK);
    ASSERT_EQ(hierarchy->QueryRows(100, 0, &rows), S_OK);
    QStringList names;
    for (ULONG i = 0; i < rows->cRows; ++i)
        names << QString::fromUtf16(rows->aRow[i].lpProps[0].Value.lpszW);
    FreeProws(rows);
    EXPECT_EQ(names, QStringList({"Inbox", "Calendar", "Contacts", "Tasks", "Deleted Items"}));

    Ref<IMAPIFolder> tasks(s.OpenSpecial(PR_IPM_TASK_ENTRYID));
    Ref<IMAPIFolder> calendar(s.OpenSpecial(PR_IPM_APPOINTMENT_ENTRYID));
    ASSERT_TRUE(tasks && calendar);
    EXPECT_EQ(ReadString(tasks.get(), PR_DISPLAY_NAME_W), "Tasks");
    EXPECT_EQ(ReadString(tasks.get(), PR_CONTAINER_CLASS_W), "IPF.Task");
    EXPECT_EQ(ReadString(calendar.get(), PR_DISPLAY_NAME_W), "Calendar");
}

TEST_F(MapiStoreTest, SavedMessageReopensWithStableEntryIdAndMaintainedTimes)
{
    MapiStoreSession s;
    ASSERT_TRUE(s.Ok());
    Ref<IMAPIFolder> tasks(s.OpenSpecial(PR_IPM_TASK_ENTRYID));
    ASSERT_TRUE(tasks);

    Ref<IMessage> msg;
    ASSERT_EQ(tasks->CreateMessage(nullptr, 0, &msg), S_OK);
    SPropValue values[] = {Unicode(PR_MESSAGE_CLASS_W, u"IPM.Task"), Unicode(PR_SUBJECT_W, u"보고서 제출"),
                           Long(PR_IMPORTANCE, 2)};
    ASSERT_EQ(msg->SetProps(3, values, nullptr), S_OK);
    std::string eidBytes;
    EXPECT_EQ(EntryIdOf(msg.get(), eidBytes).cb, 0u) << "no entry id before the first save";
    EXPECT_EQ(RowCount(tasks.get()), 0u) << "nothing visible before SaveChanges";

    const std::uint64_t before = NowTicks() - 10000 /* clock granularity */;
    ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    const SBinary eid = EntryIdOf(msg.get(), eidBytes);
    ASSERT_GT(eid.cb, 0u);
    const std::uint64_t created = TimeOf(msg.get(), PR_CREATION_TIME);
    const std::uint64_t modified = TimeOf(msg.get(), PR_LAST_MODIFICATION_TIME);
    EXPECT_GE(created, before);
    EXPECT_EQ(created, modified);
    EXPECT_EQ(RowCount(tasks.get()), 1u);

    // A second session (another process in real life) sees the saved message.
    {
        MapiStoreSession other;
        Ref<IMessage> again(OpenMessage(other.Session(), eid));
        ASSERT_TRUE(again);
        EXPECT_EQ(ReadString(again.get(), PR_SUBJECT_W), "보고서 제출");
        std::string otherEid;
        EXPECT_EQ(EntryIdOf(again.get(), otherEid).cb, eid.cb);
        EXPECT_EQ(otherEid, eidBytes);
        // Changes of an open message stay private until it is saved.
        SPropValue change = Unicode(PR_SUBJECT_W, u"changed");
        ASSERT_EQ(again->SetProps(1, &change, nullptr), S_OK);
        Ref<IMessage> third(OpenMessage(other.Session(), eid));
        EXPECT_EQ(ReadString(third.get(), PR_SUBJECT_W), "보고서 제출");
        ASSERT_EQ(again->SaveChanges(0), S_OK);
        EXPECT_EQ(again->SetProps(1, &change, nullptr), MAPI_E_NO_ACCESS) << "saved without KEEP_OPEN";
    }
    Ref<IMessage> reopened(OpenMessage(s.Session(), eid));
    EXPECT_EQ(ReadString(reopened.get(), PR_SUBJECT_W), "changed");
    EXPECT_EQ(TimeOf(reopened.get(), PR_CREATION_TIME), created) << "creation time kept";
    EXPECT_GE(TimeOf(reopened.get(), PR_LAST_MODIFICATION_TIME), modified);

    // The computed identity can't be written.
    SPropValue fake{};
    fake.ulPropTag = PR_ENTRYID;
    fake.Value.bin = {3, reinterpret_cast<LPBYTE>(const_cast<char*>("abc"))};
    LPSPropProblemArray problems = nullptr;
    ASSERT_EQ(reopened->SetProps(1, &fake, &problems), S_OK);
    ASSERT_NE(problems, nullptr);
    EXPECT_EQ(problems->aProblem[0].scode, MAPI_E_COMPUTED);
    MAPIFreeBuffer(problems);
}

TEST_F(MapiStoreTest, ExplicitTimesSetBeforeASaveAreKept)
{
    MapiStoreSession s;
    Ref<IMAPIFolder> calendar(s.OpenSpecial(PR_IPM_APPOINTMENT_ENTRYID));
    Ref<IMessage> msg;
    ASSERT_EQ(calendar->CreateMessage(nullptr, 0, &msg), S_OK);
    SPropValue times[2] = {};
    times[0].ulPropTag = PR_CREATION_TIME;
    times[0].Value.ft = {0x11111111, 0x01C82C00};
    times[1].ulPropTag = PR_LAST_MODIFICATION_TIME;
    times[1].Value.ft = {0x22222222, 0x01C82C00};
    ASSERT_EQ(msg->SetProps(2, times, nullptr), S_OK);
    ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_EQ(TimeOf(msg.get(), PR_CREATION_TIME), Ticks(times[0].Value.ft));
    EXPECT_EQ(TimeOf(msg.get(), PR_LAST_MODIFICATION_TIME), Ticks(times[1].Value.ft));
    // The next ordinary save maintains the modification time again.
    SPropValue subject = Unicode(PR_SUBJECT_W, u"later");
    ASSERT_EQ(msg->SetProps(1, &subject, nullptr), S_OK);
    ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_GT(TimeOf(msg.get(), PR_LAST_MODIFICATION_TIME), Ticks(times[1].Value.ft));
}

TEST_F(MapiStoreTest, NamedPropertiesMapToOneStoreWideIdFrom0x8000)
{
    MapiStoreSession s;
    Ref<IMAPIFolder> tasks(s.OpenSpecial(PR_IPM_TASK_ENTRYID));
    Ref<IMessage> a, b;
    ASSERT_EQ(tasks->CreateMessage(nullptr, 0, &a), S_OK);
    ASSERT_EQ(tasks->CreateMessage(nullptr, 0, &b), S_OK);

    const ULONG due = s.NamedId(a.get(), PSETID_Task, 0x8105);
    EXPECT_GE(due, 0x8000u);
    EXPECT_EQ(s.NamedId(a.get(), PSETID_Task, 0x8105), due) << "resolved twice";
    EXPECT_EQ(s.NamedId(b.get(), PSETID_Task, 0x8105), due) << "same id on another message";
    EXPECT_NE(s.NamedId(a.get(), PSETID_Common, 0x8105), due) << "the set is part of the name";
    EXPECT_EQ(s.NamedId(s.Store(), PSETID_Task, 0x8105), due) << "store-wide";
    {
        MapiStoreSession other;
        EXPECT_EQ(other.NamedId(other.Store(), PSETID_Task, 0x8105), due) << "kept in the file";
    }

    // Without MAPI_CREATE an unknown name is an error entry.
    GUID meeting = PSETID_Meeting;
    MAPINAMEID unknown{&meeting, MNID_ID, {0x0003}};
    LPMAPINAMEID names[1] = {&unknown};
    Buffer<SPropTagArray> tags;
    EXPECT_EQ(a->GetIDsFromNames(1, names, 0, &tags), MAPI_W_ERRORS_RETURNED);
    EXPECT_EQ(PROP_TYPE(tags->aulPropTag[0]), PT_ERROR);
    // Once another session (another process) maps it, this one finds it too: a name found
    // missing is not taken as missing for good.
    ULONG mappedElsewhere = 0;
    {
        MapiStoreSession other;
        mappedElsewhere = other.NamedId(other.Store(), PSETID_Meeting, 0x0003);
        EXPECT_GT(mappedElsewhere, due);
    }
    ASSERT_EQ(a->GetIDsFromNames(1, names, 0, &tags), S_OK);
    EXPECT_EQ(PROP_ID(tags->aulPropTag[0]), mappedElsewhere);
    SPropValue value = Long(PROP_TAG(PT_LONG, mappedElsewhere), 7);
    LPSPropProblemArray none = nullptr;
    ASSERT_EQ(a->SetProps(1, &value, &none), S_OK);
    EXPECT_EQ(none, nullptr) << "an id mapped elsewhere can be set here";
    MAPIFreeBuffer(none);

    // A named id never handed out can't be set; a mapped one is named back.
    SPropValue stray = Long(PROP_TAG(PT_LONG, 0x9000), 1);
    LPSPropProblemArray problems = nullptr;
    ASSERT_EQ(a->SetProps(1, &stray, &problems), S_OK);
    ASSERT_NE(problems, nullptr);
    MAPIFreeBuffer(problems);
    Buffer<SPropTagArray> query;
    ASSERT_EQ(MAPIAllocateBuffer(CbNewSPropTagArray(1), reinterpret_cast<LPVOID*>(&query)), S_OK);
    query->cValues = 1;
    query->aulPropTag[0] = PROP_TAG(PT_SYSTIME, due);
    LPSPropTagArray queryTags = query.p;
    ULONG count = 0;
    Buffer<LPMAPINAMEID> resolved;
    ASSERT_EQ(a->GetNamesFromIDs(&queryTags, nullptr, 0, &count, &resolved), S_OK);
    ASSERT_EQ(count, 1u);
    EXPECT_TRUE(*resolved[0]->lpguid == PSETID_Task);
    EXPECT_EQ(resolved[0]->Kind.lID, 0x8105);
}

TEST_F(MapiStoreTest, ContentsTableListsSavedMessagesInCreationOrder)
{
    MapiStoreSession s;
    Ref<IMAPIFolder> tasks(s.OpenSpecial(PR_IPM_TASK_ENTRYID));
    std::vector<std::string> eids;
    for (const char16_t* subject : {u"one", u"two", u"three"}) {
        Ref<IMessage> msg;
        ASSERT_EQ(tasks->CreateMessage(nullptr, 0, &msg), S_OK);
        SPropValue v = Unicode(PR_SUBJECT_W, subject);
        ASSERT_EQ(msg->SetProps(1, &v, nullptr), S_OK);
        ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
        std::string eid;
        EntryIdOf(msg.get(), eid);
        eids.push_back(eid);
    }
    Ref<IMessage> unsaved;
    ASSERT_EQ(tasks->CreateMessage(nullptr, 0, &unsaved), S_OK);

    Ref<IMAPITable> table;
    ASSERT_EQ(tasks->GetContentsTable(MAPI_UNICODE, &table), S_OK);
    SizedSPropTagArray(3, cols) = {3, {PR_MESSAGE_FLAGS, PR_ENTRYID, PR_SUBJECT_W}};
    ASSERT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
    QStringList subjects;
    for (std::size_t i = 0;; ++i) {
        LPSRowSet rows = nullptr;
        ASSERT_EQ(table->QueryRows(1, 0, &rows), S_OK);
        if (rows->cRows == 0) {
            FreeProws(rows);
            break;
        }
        const SPropValue* p = rows->aRow[0].lpProps;
        EXPECT_EQ(p[0].ulPropTag, PR_MESSAGE_FLAGS);
        EXPECT_EQ(p[0].Value.l, LONG(MSGFLAG_READ));
        ASSERT_LT(i, eids.size());
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(p[1].Value.bin.lpb), p[1].Value.bin.cb), eids[i]);
        subjects << QString::fromUtf16(p[2].Value.lpszW);
        FreeProws(rows);
    }
    EXPECT_EQ(subjects, QStringList({"one", "two", "three"}));
}

TEST_F(MapiStoreTest, AFailedSaveLeavesTheStoredMessageAsItWas)
{
    MapiStoreSession s;
    Ref<IMAPIFolder> tasks(s.OpenSpecial(PR_IPM_TASK_ENTRYID));
    Ref<IMessage> msg;
    ASSERT_EQ(tasks->CreateMessage(nullptr, 0, &msg), S_OK);
    SPropValue first[] = {Unicode(PR_SUBJECT_W, u"old subject"), Unicode(PR_BODY_W, u"old body")};
    ASSERT_EQ(msg->SetProps(2, first, nullptr), S_OK);
    ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    std::string eidBytes;
    const SBinary eid = EntryIdOf(msg.get(), eidBytes);

    SPropValue second[] = {Unicode(PR_SUBJECT_W, u"new subject"), Unicode(PR_BODY_W, u"new body")};
    ASSERT_EQ(msg->SetProps(2, second, nullptr), S_OK);
    tamo::mapi::FailNextSaveAfterForTesting(1);  // one property written, then the "crash"
    EXPECT_TRUE(FAILED(msg->SaveChanges(KEEP_OPEN_READWRITE)));
    {
        Ref<IMessage> stored(OpenMessage(s.Session(), eid));
        EXPECT_EQ(ReadString(stored.get(), PR_SUBJECT_W), "old subject");
        EXPECT_EQ(ReadString(stored.get(), PR_BODY_W), "old body");
    }
    // The open message keeps its changes and a later save succeeds.
    ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    Ref<IMessage> stored(OpenMessage(s.Session(), eid));
    EXPECT_EQ(ReadString(stored.get(), PR_SUBJECT_W), "new subject");
    EXPECT_EQ(ReadString(stored.get(), PR_BODY_W), "new body");

    // A new message whose first save fails does not appear at all.
    Ref<IMessage> fresh;
    ASSERT_EQ(tasks->CreateMessage(nullptr, 0, &fresh), S_OK);
    ASSERT_EQ(fresh->SetProps(2, first, nullptr), S_OK);
    tamo::mapi::FailNextSaveAfterForTesting(0);
    EXPECT_TRUE(FAILED(fresh->SaveChanges(KEEP_OPEN_READWRITE)));
    EXPECT_EQ(RowCount(tasks.get()), 1u);
}

TEST_F(MapiStoreTest, ReadOnlyOpensRefuseChanges)
{
    MapiStoreSession s;
    Ref<IMAPIFolder> tasks(s.OpenSpecial(PR_IPM_TASK_ENTRYID));
    Ref<IMessage> msg;
    ASSERT_EQ(tasks->CreateMessage(nullptr, 0, &msg), S_OK);
    ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READONLY), S_OK);
    SPropValue v = Unicode(PR_SUBJECT_W, u"x");
    EXPECT_EQ(msg->SetProps(1, &v, nullptr), MAPI_E_NO_ACCESS);
    std::string eidBytes;
    const SBinary eid = EntryIdOf(msg.get(), eidBytes);
    Ref<IMessage> readOnly(OpenMessage(s.Session(), eid, 0));
    ASSERT_TRUE(readOnly);
    EXPECT_EQ(readOnly->SetProps(1, &v, nullptr), MAPI_E_NO_ACCESS);
}

namespace {
struct CountingSink : IMAPIAdviseSink {
    int refs = 1;
    std::vector<ULONG> events;
    HRESULT QueryInterface(REFIID, LPVOID*) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    ULONG OnNotify(ULONG n, LPNOTIFICATION list) override
    {
        for (ULONG i = 0; i < n; ++i)
            events.push_back(list[i].ulEventType);
        return 0;
    }
};
}  // namespace

TEST_F(MapiStoreTest, AdviseReportsCreatedAndModifiedMessagesUntilUnadvised)
{
    MapiStoreSession s;
    CountingSink sink;
    ULONG connection = 0;
    ASSERT_EQ(s.Store()->Advise(0, nullptr, fnevObjectCreated | fnevObjectModified, &sink, &connection), S_OK);
    Ref<IMAPIFolder> tasks(s.OpenSpecial(PR_IPM_TASK_ENTRYID));
    Ref<IMessage> msg;
    ASSERT_EQ(tasks->CreateMessage(nullptr, 0, &msg), S_OK);
    ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_EQ(sink.events, (std::vector<ULONG>{fnevObjectCreated, fnevObjectModified}));
    ASSERT_EQ(s.Store()->Unadvise(connection), S_OK);
    EXPECT_EQ(s.Store()->Unadvise(connection), MAPI_E_NOT_FOUND);
    ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_EQ(sink.events.size(), 2u);
    EXPECT_EQ(sink.refs, 1);
}

// The store is the user's mail and calendar. Under the usual umask 022 its folders, the file and
// SQLite's -wal and -shm beside it are the user's alone from the start, and what an older build
// left open is tightened at the next logon. A folder the user chose for the store is theirs to
// set: it keeps its mode.
TEST_F(MapiStoreTest, TheStoreAndItsCompanionFilesAreTheUsersAlone)
{
    ScopedUmask umask(022);
    struct Case {
        const char* name;
        const char* store;            // below the environment's root; "": the default place
        std::vector<QString> shared;  // folders that exist first with 0755 and keep it
        std::vector<QString> owned;   // folders that end 0700
    };
    const Case cases[] = {
        {"the default place", "", {"data"}, {"data/Tamo", "data/Tamo/Outlook"}},
        {"a place of the user's choosing", "chosen/store.sqlite", {"chosen"}, {}},
    };
    auto octal = [](int mode) { return mode < 0 ? std::string("missing") : QString::number(mode, 8).toStdString(); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IsolatedEnvironment caseEnv;
        const QString root = caseEnv.Root() + '/';
        ScopedEnv storeVariable("TAMO_MAPI_STORE", *c.store ? (root + c.store).toUtf8() : QByteArray());
        const QString path = tamo::mapi::DefaultStorePath();
        if (!*c.store) {
            ASSERT_EQ(path, caseEnv.DataHome() + "/Tamo/Outlook/default.sqlite");
        }
        for (const QString& folder : c.shared) {
            ASSERT_TRUE(QDir().mkpath(root + folder));
            ASSERT_TRUE(SetMode(root + folder, 0755));
        }
        auto expectPrivate = [&](const QStringList& files) {
            for (const QString& folder : c.shared)
                EXPECT_EQ(octal(ModeOf(root + folder)), octal(0755)) << folder.toStdString();
            for (const QString& folder : c.owned)
                EXPECT_EQ(octal(ModeOf(root + folder)), octal(0700)) << folder.toStdString();
            for (const QString& file : files)
                EXPECT_EQ(octal(ModeOf(file)), octal(0600)) << file.toStdString();
        };

        ASSERT_TRUE(tamo::mapi::CreateStoreFile(path));
        expectPrivate({path});
        const QStringList withCompanions = {path, path + "-wal", path + "-shm"};
        MapiStoreSession s;
        ASSERT_TRUE(s.Ok());
        Ref<IMAPIFolder> tasks(s.OpenSpecial(PR_IPM_TASK_ENTRYID));
        Ref<IMessage> msg;
        ASSERT_EQ(tasks->CreateMessage(nullptr, 0, &msg), S_OK);
        SPropValue subject = Unicode(PR_SUBJECT_W, u"병원 예약");
        ASSERT_EQ(msg->SetProps(1, &subject, nullptr), S_OK);
        ASSERT_EQ(msg->SaveChanges(0), S_OK);
        ASSERT_GT(QFileInfo(path + "-wal").size(), 0) << "the saved message waits in the write-ahead log";
        expectPrivate(withCompanions);

        for (const QString& folder : c.owned)
            ASSERT_TRUE(SetMode(root + folder, 0755));
        for (const QString& file : withCompanions)
            ASSERT_TRUE(SetMode(file, 0644));
        MapiStoreSession next;
        ASSERT_TRUE(next.Ok());
        expectPrivate(withCompanions);
    }
}
