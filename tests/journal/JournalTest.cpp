// The sync journal and the dry run against tamo-service and a fresh Outlook store.
#include <gtest/gtest.h>

#include <algorithm>

#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include "JournalWorld.h"
#include "base/Settings.h"
#include "support/TestEnvironment.h"
#include "syncengine/SyncJournal.h"
#include "syncengine/SyncPlan.h"
#include "syncui/SyncRun.h"

using namespace tamo::test;

void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace {

// "side kind action: title", as the plan prints a write.
QStringList Described(const std::vector<SSyncWrite>& writes)
{
    QStringList lines;
    for (const SSyncWrite& w : writes)
        if (w.action != SyncAction::Rekey)  // the second step of a copy into Outlook
            lines << CSyncPlan::Line(w);
    lines.sort();
    return lines;
}

std::vector<SSyncWrite> WritesOf(const std::vector<SJournalWrite>& records)
{
    std::vector<SSyncWrite> writes;
    for (const SJournalWrite& r : records)
        writes.push_back(r.write);
    return writes;
}

void MoveSyncTimesPastChanges()
{
    const QString later = QDateTime::currentDateTimeUtc().addSecs(9 * 3600 + 180).toString("yyyyMMddTHHmmss");
    WriteSettingString(settings::SyncDate, later);
    WriteSettingString(settings::SyncServerDate, later);
}

QString AfterTitle(const SSyncWrite& w)
{
    return QJsonDocument::fromJson(w.after.toUtf8()).object().value("SUMMARY").toString();
}

class Journal : public ::testing::Test {
protected:
    void SetUp() override { Fresh(); }

    void Fresh()
    {
        world.reset();
        world = std::make_unique<JournalWorld>();
        ASSERT_TRUE(world->ok());
    }

    // Both sides start with one item of each kind, paired by a first run; then each side changes
    // one item of each kind and gains new ones (one appointment written without a global id).
    void PairThenChange()
    {
        const long long todo = world->AddServiceTodo(QStringLiteral("바뀔 할일"));
        const QString task = world->AddOutlookTask(QStringLiteral("바뀔 작업"));
        const long long event = world->AddServiceEvent(QStringLiteral("바뀔 일정"), 2);
        const QString appoint = world->AddOutlookAppoint(QStringLiteral("바뀔 약속"), 3);
        ASSERT_EQ(RunTamoSync({}).exitCode, 0);

        ASSERT_TRUE(world->ChangeServiceItem(true, todo, QStringLiteral("서비스에서 바뀐 할일")));
        ASSERT_TRUE(world->ChangeOutlookItem(task, QStringLiteral("아웃룩에서 바뀐 작업")));
        ASSERT_TRUE(world->ChangeServiceItem(false, event, QStringLiteral("서비스에서 바뀐 일정")));
        ASSERT_TRUE(world->ChangeOutlookItem(appoint, QStringLiteral("아웃룩에서 바뀐 약속")));
        world->AddServiceTodo(QStringLiteral("새 할일"));
        world->AddOutlookTask(QStringLiteral("새 작업"));
        world->AddServiceEvent(QStringLiteral("새 일정"), 4);
        world->AddOutlookAppoint(QStringLiteral("새 약속"), 5);
        world->AddOutlookAppoint(QStringLiteral("남의 약속"), 6, false);
    }

    std::unique_ptr<JournalWorld> world;
};

const QStringList kChangesWritten = [] {
    QStringList lines = {
        "아웃룩 할일 추가: 새 할일",           "아웃룩 할일 수정: 서비스에서 바뀐 할일",
        "서비스 할일 추가: 새 작업",           "서비스 할일 수정: 아웃룩에서 바뀐 작업",
        "아웃룩 일정 추가: 새 일정",           "아웃룩 일정 수정: 서비스에서 바뀐 일정",
        "서비스 일정 추가: 새 약속",           "서비스 일정 추가: 남의 약속",
        "서비스 일정 수정: 아웃룩에서 바뀐 약속",
    };
    lines.sort();
    return lines;
}();

}  // namespace

TEST_F(Journal, DryRunWritesNothingAndTheNextRunWritesExactlyItsPlan)
{
    PairThenChange();
    const WorldSides before = world->Read();
    const QString syncDate = ReadSettingString(settings::SyncDate);

    // From the command line: the plan in Korean, one line per item and the totals.
    const ToolOutcome printed = RunTamoSync({"--dry-run"});
    EXPECT_EQ(printed.exitCode, 0) << printed.out.toStdString();
    for (const QString& line : kChangesWritten)
        EXPECT_TRUE(printed.out.contains(line)) << line.toStdString() << "\n" << printed.out.toStdString();
    EXPECT_TRUE(printed.out.contains("합계 아웃룩: 할일 추가 1건, 할일 수정 1건, 일정 추가 1건, 일정 수정 1건"))
        << printed.out.toStdString();
    EXPECT_TRUE(printed.out.contains("합계 서비스: 할일 추가 1건, 할일 수정 1건, 일정 추가 2건, 일정 수정 1건"))
        << printed.out.toStdString();

    // From the sync run, as a preview window gets it.
    CSyncRun dry;
    dry.SetDryRun(true);
    ASSERT_EQ(dry.Execute(), syncstatus::kDone);
    EXPECT_EQ(Described(dry.Plan().Writes()), kChangesWritten);

    // Neither side, the sync times nor the journal's writes changed; the journal knows the dry runs happened.
    EXPECT_TRUE(world->Read() == before);
    EXPECT_EQ(ReadSettingString(settings::SyncDate), syncDate);
    CSyncJournal journal;
    ASSERT_TRUE(journal.Open());
    // The user's alone, as the rest of what the program keeps.
    EXPECT_EQ(ModeOf(CSyncJournal::DefaultPath()), 0600);
    EXPECT_EQ(ModeOf(QFileInfo(CSyncJournal::DefaultPath()).absolutePath()), 0700);
    const auto lastDry = journal.LastRun(SyncRunKind::DryRun, true);
    ASSERT_TRUE(lastDry.has_value());
    EXPECT_EQ(lastDry->id, dry.JournalRun());
    EXPECT_EQ(lastDry->status, syncstatus::kDone);
    EXPECT_TRUE(journal.Writes(lastDry->id).empty());
    EXPECT_TRUE(journal.Pairs(lastDry->id, true).empty());

    CSyncRun real;
    ASSERT_EQ(real.Execute(), syncstatus::kDone);
    const std::vector<SJournalWrite> written = journal.Writes(real.JournalRun());
    EXPECT_EQ(Described(WritesOf(written)), Described(dry.Plan().Writes()));
    for (const SJournalWrite& w : written)
        EXPECT_EQ(w.state, journalstate::kDone) << CSyncPlan::Line(w.write).toStdString();
    EXPECT_FALSE(journal.Pairs(real.JournalRun(), true).empty());
    EXPECT_FALSE(journal.Pairs(real.JournalRun(), false).empty());

    // The changes above carry stamps two minutes ahead; the recorded sync times move past them,
    // as the clock would have.
    MoveSyncTimesPastChanges();
    CSyncRun again;
    ASSERT_EQ(again.Execute(), syncstatus::kDone);
    EXPECT_EQ(Described(WritesOf(journal.Writes(again.JournalRun()))), QStringList()) << "nothing changed since";
}

// Killed right after one of its writes, a run leaves intents that the next run (a dry run will
// do) settles by looking at the sides: then every write the journal says reached its side is
// there, and every one it says did not is not.
TEST_F(Journal, AKilledRunLeavesAJournalThatSaysWhatReachedEachSide)
{
    const char* const kills[] = {"todo.outlook.create", "todo.service.rekey",  "todo.service.create",
                                 "todo.outlook.modify", "todo.service.modify", "event.outlook.create",
                                 "event.service.create:2", "event.outlook.modify", "event.service.modify"};
    for (const char* kill : kills) {
        SCOPED_TRACE(kill);
        Fresh();
        PairThenChange();
        if (HasFatalFailure())
            return;
        const WorldSides before = world->Read();
        const ToolOutcome killed = RunTamoSync({}, QString::fromLatin1(kill));
        ASSERT_TRUE(killed.killed) << killed.out.toStdString();
        ASSERT_EQ(RunTamoSync({"--dry-run"}).exitCode, 0);

        CSyncJournal journal;
        ASSERT_TRUE(journal.Open());
        const auto run = journal.LastRun(SyncRunKind::Sync, false);
        ASSERT_TRUE(run.has_value());
        EXPECT_EQ(run->status, -1) << "a killed run has no end";
        const std::vector<SJournalWrite> writes = journal.Writes(run->id);
        ASSERT_FALSE(writes.empty());
        EXPECT_EQ(writes.back().state, journalstate::kDone) << "the write the run was killed after reached its side";

        const WorldSides sides = world->Read();
        for (const SJournalWrite& w : writes) {
            SCOPED_TRACE(CSyncPlan::Line(w.write).toStdString());
            EXPECT_NE(w.state, journalstate::kIntent);
            const bool outlook = w.write.side == SyncSide::Outlook;
            const SideItems& side = w.write.todo ? (outlook ? sides.outlookTasks : sides.serviceTodos)
                                                 : (outlook ? sides.outlookAppoints : sides.serviceEvents);
            const bool there = w.write.action == SyncAction::Modify ? side.titles.count(AfterTitle(w.write)) > 0
                                                                    : side.uids.count(w.write.uid) > 0;
            EXPECT_EQ(there, w.state == journalstate::kDone);
        }

        // Undo of the killed run: Outlook is as it was before it; the service keeps what the run
        // created there (listed) and has its earlier values back.
        const ToolOutcome undo = RunTamoSync({"--undo-last"});
        EXPECT_EQ(undo.exitCode, 0) << undo.out.toStdString();
        const WorldSides undone = world->Read();
        EXPECT_EQ(undone.outlookTasks.titles, before.outlookTasks.titles) << undo.out.toStdString();
        EXPECT_EQ(undone.outlookAppoints.titles, before.outlookAppoints.titles) << undo.out.toStdString();
        std::multiset<QString> serviceTitles = before.serviceTodos.titles;
        serviceTitles.insert(before.serviceEvents.titles.begin(), before.serviceEvents.titles.end());
        for (const SJournalWrite& w : writes)
            if (w.write.side == SyncSide::Service && w.write.action == SyncAction::Create && w.state == journalstate::kDone)
                serviceTitles.insert(w.write.summary);
        std::multiset<QString> serviceNow = undone.serviceTodos.titles;
        serviceNow.insert(undone.serviceEvents.titles.begin(), undone.serviceEvents.titles.end());
        EXPECT_EQ(serviceNow, serviceTitles) << undo.out.toStdString();
    }
}

// Undo after a run that created and changed on both sides puts both sides back (what it created
// on the service stays, listed), leaves alone an item edited after the run, and a following run
// writes nothing. The undo is a run of its own, and undoing it brings the run's writes back.
TEST_F(Journal, UndoPutsBothSidesBackAndLeavesLaterEditsAlone)
{
    for (const bool editAfter : {false, true}) {
        SCOPED_TRACE(editAfter ? "an item edited after the run" : "nothing edited after the run");
        Fresh();
        PairThenChange();
        if (HasFatalFailure())
            return;
        const WorldSides before = world->Read();
        ASSERT_EQ(RunTamoSync({}).exitCode, 0);
        const WorldSides synced = world->Read();

        CSyncJournal journal;
        ASSERT_TRUE(journal.Open());
        const qint64 syncRun = journal.LastRun(SyncRunKind::Sync, true)->id;
        if (editAfter) {
            for (const SJournalWrite& w : journal.Writes(syncRun)) {
                if (w.write.side == SyncSide::Outlook && w.write.action == SyncAction::Modify && w.write.todo) {
                    ASSERT_TRUE(world->ChangeOutlookItem(w.write.entryId, QStringLiteral("나중에 고친 할일")));
                }
            }
        }

        const ToolOutcome undo = RunTamoSync({"--undo-last"});
        EXPECT_EQ(undo.exitCode, 0) << undo.out.toStdString();
        for (const char* line : {"서비스에 남아 있음 (서비스에서 지워 주세요): 서비스 할일 새 작업",
                                 "서비스에 남아 있음 (서비스에서 지워 주세요): 서비스 일정 남의 약속",
                                 "지운 편지함으로 옮김: 아웃룩 할일 새 할일", "되돌림: 서비스 할일 아웃룩에서 바뀐 작업"})
            EXPECT_TRUE(undo.out.contains(QString::fromUtf8(line))) << line << "\n" << undo.out.toStdString();
        if (editAfter) {
            EXPECT_TRUE(undo.out.contains("그대로 둠 (싱크 뒤에 바뀜): 아웃룩 할일 서비스에서 바뀐 할일"))
                << undo.out.toStdString();
        }
        const auto undoRun = journal.LastRun(SyncRunKind::Undo, true);
        ASSERT_TRUE(undoRun.has_value());
        EXPECT_EQ(undoRun->undoes, syncRun);

        WorldSides undone = world->Read();
        std::multiset<QString> outlookTasks = before.outlookTasks.titles;
        if (editAfter) {
            outlookTasks.erase(outlookTasks.find(QStringLiteral("바뀔 할일")));
            outlookTasks.insert(QStringLiteral("나중에 고친 할일"));
        }
        EXPECT_EQ(undone.outlookTasks.titles, outlookTasks);
        EXPECT_EQ(undone.outlookAppoints.titles, before.outlookAppoints.titles);
        std::multiset<QString> serviceTodos = before.serviceTodos.titles;
        serviceTodos.insert(QStringLiteral("새 작업"));
        std::multiset<QString> serviceEvents = before.serviceEvents.titles;
        serviceEvents.insert({QStringLiteral("새 약속"), QStringLiteral("남의 약속")});
        EXPECT_EQ(undone.serviceTodos.titles, serviceTodos);
        EXPECT_EQ(undone.serviceEvents.titles, serviceEvents) << undo.out.toStdString();
        if (editAfter)
            continue;

        MoveSyncTimesPastChanges();
        CSyncRun third;
        ASSERT_EQ(third.Execute(), syncstatus::kDone);
        EXPECT_EQ(Described(WritesOf(journal.Writes(third.JournalRun()))), QStringList()) << "nothing to write";
        EXPECT_TRUE(world->Read() == undone);

        // The third run wrote nothing, so the undo is the last run that did: undoing it brings the
        // synchronised state back.
        const ToolOutcome redo = RunTamoSync({"--undo-last"});
        EXPECT_EQ(redo.exitCode, 0) << redo.out.toStdString();
        const WorldSides redone = world->Read();
        EXPECT_EQ(redone.outlookTasks.titles, synced.outlookTasks.titles) << redo.out.toStdString();
        EXPECT_EQ(redone.outlookAppoints.titles, synced.outlookAppoints.titles) << redo.out.toStdString();
        EXPECT_EQ(redone.serviceTodos.titles, synced.serviceTodos.titles) << redo.out.toStdString();
        EXPECT_EQ(redone.serviceEvents.titles, synced.serviceEvents.titles) << redo.out.toStdString();
    }
}

// A pair deleted on one side: with the option off it comes back as before; with it on, a
// deletion on the service takes the Outlook copy to Deleted Items and one in Outlook is not
// copied back (the service keeps its item: its interface deletes nothing). Both stay so.
TEST_F(Journal, DeletionsComeBackWithTheOptionOffAndStayDeletedWithItOn)
{
    struct Case {
        const char* name;
        bool keep;
        bool onService;
        int serviceCopies;  // of each deleted title, after the second run
        int outlookCopies;
        const char* report;
    };
    const Case cases[] = {
        {"off, deleted on the service", false, true, 1, 1, ""},
        {"off, deleted in Outlook", false, false, 1, 1, ""},
        {"on, deleted on the service", true, true, 0, 0, "지운 편지함으로 옮김: 아웃룩 할일 지울 할일"},
        {"on, deleted in Outlook", true, false, 1, 0, "되살리지 않음: 서비스 할일 지울 할일"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        const long long todo = world->AddServiceTodo(QStringLiteral("지울 할일"));
        const long long event = world->AddServiceEvent(QStringLiteral("지울 일정"), 3);
        world->AddServiceTodo(QStringLiteral("남을 할일"));
        world->AddOutlookTask(QStringLiteral("남을 작업"));
        ASSERT_EQ(RunTamoSync({}).exitCode, 0);

        if (c.onService) {
            ASSERT_TRUE(world->DeleteServiceItem(todo));
            ASSERT_TRUE(world->DeleteServiceItem(event));
        } else {
            // The Outlook copies made by the first run.
            CSyncJournal journal;
            ASSERT_TRUE(journal.Open());
            for (const SJournalWrite& w : journal.Writes(journal.LastRun(SyncRunKind::Sync, true)->id)) {
                if (w.write.side == SyncSide::Outlook && w.write.action == SyncAction::Create &&
                    w.write.summary.startsWith(QStringLiteral("지울"))) {
                    ASSERT_TRUE(world->DeleteOutlookItem(w.write.todo, w.write.entryId)) << w.write.summary.toStdString();
                }
            }
        }
        const QStringList args = c.keep ? QStringList{"--keep-deletions"} : QStringList{};
        const ToolOutcome second = RunTamoSync(args);
        EXPECT_EQ(second.exitCode, 0) << second.out.toStdString();
        EXPECT_TRUE(second.out.contains(QString::fromUtf8(c.report))) << second.out.toStdString();
        const ToolOutcome third = RunTamoSync(args);
        EXPECT_EQ(third.exitCode, 0) << third.out.toStdString();

        const WorldSides sides = world->Read();
        EXPECT_EQ(int(sides.serviceTodos.titles.count("지울 할일")), c.serviceCopies);
        EXPECT_EQ(int(sides.serviceEvents.titles.count("지울 일정")), c.serviceCopies);
        EXPECT_EQ(int(sides.outlookTasks.titles.count("지울 할일")), c.outlookCopies);
        EXPECT_EQ(int(sides.outlookAppoints.titles.count("지울 일정")), c.outlookCopies);
        for (const char* kept : {"남을 할일", "남을 작업"}) {
            EXPECT_EQ(int(sides.serviceTodos.titles.count(kept)), 1) << kept;
            EXPECT_EQ(int(sides.outlookTasks.titles.count(kept)), 1) << kept;
        }
    }
}

// Deleting 30 of 40 to-dos on the service trips the guard: nothing of that kind is deleted (nor
// copied back), the run says so with its own status, and the user's leave applies them.
TEST_F(Journal, DeletingMostToDosTripsTheMassDeletionGuard)
{
    const size_t seeded = world->Read().serviceTodos.titles.size();  // the demo account's own
    std::vector<long long> ids;
    for (int i = 0; i < 40; ++i)
        ids.push_back(world->AddServiceTodo(QStringLiteral("할일 %1").arg(i)));
    ASSERT_EQ(RunTamoSync({}).exitCode, 0);
    for (int i = 0; i < 30; ++i)
        ASSERT_TRUE(world->DeleteServiceItem(ids[size_t(i)]));

    const ToolOutcome preview = RunTamoSync({"--keep-deletions", "--dry-run"});
    EXPECT_EQ(preview.exitCode, 3) << preview.out.toStdString();
    EXPECT_TRUE(preview.out.contains(QStringLiteral("할일 30건이 지워져 있어 지우지 않습니다 (전체 %1건).").arg(40 + seeded)))
        << preview.out.toStdString();

    const ToolOutcome held = RunTamoSync({"--keep-deletions"});
    EXPECT_EQ(held.exitCode, 3) << held.out.toStdString();
    EXPECT_TRUE(held.out.contains("상태 1017: 지워진 항목이 너무 많아")) << held.out.toStdString();
    EXPECT_EQ(world->Read().outlookTasks.titles.size(), 40u + seeded);
    EXPECT_EQ(world->Read().serviceTodos.titles.size(), 10u + seeded) << "not copied back either";

    const ToolOutcome allowed = RunTamoSync({"--keep-deletions", "--allow-mass-delete"});
    EXPECT_EQ(allowed.exitCode, 0) << allowed.out.toStdString();
    const WorldSides sides = world->Read();
    EXPECT_EQ(sides.outlookTasks.titles.size(), 10u + seeded);
    EXPECT_EQ(sides.serviceTodos.titles.size(), 10u + seeded);
}
