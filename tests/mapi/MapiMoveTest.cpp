// Moving messages between folders (IMAPIFolder::CopyMessages with MESSAGE_MOVE) and the Deleted
// Items folder the store names.
#include <gtest/gtest.h>

#include "MapiTestSupport.h"
#include "platform/mapi/MapiStoreFile.h"
#include "support/TestEnvironment.h"

#include <sqlite3.h>

using namespace tamo::test;

namespace {

ULONG Rows(IMAPIFolder* folder)
{
    Ref<IMAPITable> table;
    ULONG n = 0;
    if (FAILED(folder->GetContentsTable(MAPI_UNICODE, &table)) || FAILED(table->GetRowCount(0, &n)))
        return 9999;
    return n;
}

// A saved message in the folder; its entry id.
std::string NewMessage(IMAPIFolder* folder)
{
    Ref<IMessage> msg;
    if (FAILED(folder->CreateMessage(nullptr, 0, &msg)) || FAILED(msg->SaveChanges(KEEP_OPEN_READWRITE)))
        return {};
    SizedSPropTagArray(1, tags) = {1, {PR_ENTRYID}};
    ULONG count = 0;
    Buffer<SPropValue> v;
    if (msg->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &v) != S_OK)
        return {};
    return std::string(reinterpret_cast<const char*>(v[0].Value.bin.lpb), v[0].Value.bin.cb);
}

SBinary Bin(std::string& bytes) { return SBinary{ULONG(bytes.size()), reinterpret_cast<LPBYTE>(bytes.data())}; }

// The folder the store names as its Deleted Items; false when it names none.
bool OpenDeletedItems(MapiStoreSession& s, Ref<IUnknown>& unknown)
{
    SizedSPropTagArray(1, wasteTag) = {1, {PR_IPM_WASTEBASKET_ENTRYID}};
    ULONG count = 0;
    Buffer<SPropValue> waste;
    ULONG type = 0;
    if (s.Store()->GetProps(reinterpret_cast<LPSPropTagArray>(&wasteTag), 0, &count, &waste) != S_OK ||
        FAILED(s.Store()->OpenEntry(waste[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(waste[0].Value.bin.lpb),
                                    nullptr, MAPI_MODIFY, &type, &unknown)) ||
        type != MAPI_FOLDER)
        return false;
    return true;
}

}  // namespace

TEST(MapiMove, MessagesMoveToDeletedItemsAndBackAllOrNone)
{
    IsolatedEnvironment env;
    ASSERT_TRUE(tamo::mapi::CreateStoreFile(env.MapiStore()));
    MapiStoreSession s;
    ASSERT_TRUE(s.Ok());
    Ref<IMAPIFolder> tasks(s.OpenSpecial(PR_IPM_TASK_ENTRYID));
    Ref<IMAPIFolder> calendar(s.OpenSpecial(PR_IPM_APPOINTMENT_ENTRYID));
    ASSERT_TRUE(tasks && calendar);

    Ref<IUnknown> unknown;
    ASSERT_TRUE(OpenDeletedItems(s, unknown));
    auto* deleted = static_cast<IMAPIFolder*>(unknown.get());
    ULONG type = 0;

    std::string one = NewMessage(tasks.get()), two = NewMessage(tasks.get()), elsewhere = NewMessage(calendar.get());
    std::string garbage = "not an entry id";
    ASSERT_FALSE(one.empty() || two.empty() || elsewhere.empty());

    struct Refused {
        const char* name;
        std::vector<std::string*> entries;
        ULONG flags;
        HRESULT result;
    };
    const Refused refused[] = {
        {"a copy", {&one}, 0, MAPI_E_NO_SUPPORT},
        {"one of them is in another folder", {&one, &elsewhere}, MESSAGE_MOVE, MAPI_E_NOT_FOUND},
        {"an entry id of nothing", {&two, &garbage}, MESSAGE_MOVE, MAPI_E_INVALID_ENTRYID},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.name);
        std::vector<SBinary> bins;
        for (std::string* e : r.entries)
            bins.push_back(Bin(*e));
        ENTRYLIST list{ULONG(bins.size()), bins.data()};
        EXPECT_EQ(tasks->CopyMessages(&list, nullptr, deleted, 0, nullptr, r.flags), r.result);
        EXPECT_EQ(Rows(tasks.get()), 2u) << "nothing moved";
        EXPECT_EQ(Rows(deleted), 0u);
    }

    SBinary both[] = {Bin(one), Bin(two)};
    ENTRYLIST list{2, both};
    ASSERT_EQ(tasks->CopyMessages(&list, nullptr, deleted, 0, nullptr, MESSAGE_MOVE), S_OK);
    EXPECT_EQ(Rows(tasks.get()), 0u);
    EXPECT_EQ(Rows(deleted), 2u);
    // The entry ids still open the messages, now in Deleted Items; and they go back.
    Ref<IUnknown> moved;
    EXPECT_EQ(s.Session()->OpenEntry(both[0].cb, reinterpret_cast<LPENTRYID>(both[0].lpb), nullptr, 0, &type, &moved),
              S_OK);
    ENTRYLIST back{1, both};
    ASSERT_EQ(deleted->CopyMessages(&back, nullptr, tasks.get(), 0, nullptr, MESSAGE_MOVE), S_OK);
    EXPECT_EQ(Rows(tasks.get()), 1u);
    EXPECT_EQ(Rows(deleted), 1u);
}

TEST(MapiMove, AnOlderStoreFileGetsItsDeletedItemsNamed)
{
    IsolatedEnvironment env;
    ASSERT_TRUE(tamo::mapi::CreateStoreFile(env.MapiStore()));
    {
        // As files were laid out before the store named the folder.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(env.MapiStore().toUtf8().constData(), &db), SQLITE_OK);
        const std::string sql = "DELETE FROM props WHERE id=" + std::to_string(PROP_ID(PR_IPM_WASTEBASKET_ENTRYID));
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        EXPECT_EQ(sqlite3_changes(db), 1);
        sqlite3_close(db);
    }
    MapiStoreSession s;
    ASSERT_TRUE(s.Ok());
    Ref<IUnknown> unknown;
    ASSERT_TRUE(OpenDeletedItems(s, unknown));
    auto* deleted = static_cast<IMAPIFolder*>(unknown.get());
    SizedSPropTagArray(1, nameTag) = {1, {PR_DISPLAY_NAME_W}};
    ULONG count = 0;
    Buffer<SPropValue> name;
    ASSERT_EQ(deleted->GetProps(reinterpret_cast<LPSPropTagArray>(&nameTag), 0, &count, &name), S_OK);
    EXPECT_EQ(std::u16string(name[0].Value.lpszW), u"Deleted Items");
}
