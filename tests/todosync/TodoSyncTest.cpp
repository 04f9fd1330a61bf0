// To-do synchronisation end to end: the stand-in service on loopback, a fresh Outlook store, and
// the sync run between them.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QUrl>

#include "TodoSyncWorld.h"
#include "base/ServiceClock.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "syncengine/OleDate.h"
#include "syncui/SyncRun.h"

using namespace tamo::test;

namespace {

int RunOnce(CSyncRun::Chooser chooser = nullptr)
{
    CSyncRun run;
    if (chooser)
        run.SetChooser(std::move(chooser));
    return run.Execute();
}

CSyncRun::Chooser Always(int direction)
{
    return [direction](const std::vector<SSyncConflict>& conflicts) {
        std::vector<SSyncDecision> out;
        for (const auto& c : conflicts)
            out.push_back({c.uid, direction, c.todo});
        return std::optional<std::vector<SSyncDecision>>(out);
    };
}

const ServiceTodo* FindTitle(const std::vector<ServiceTodo>& todos, const QString& title)
{
    for (const auto& t : todos)
        if (t.title == title)
            return &t;
    return nullptr;
}

int CountSubject(const std::vector<OutlookTask>& tasks, const QString& subject)
{
    int n = 0;
    for (const auto& t : tasks)
        n += t.subject == subject;
    return n;
}

// Every service to-do has exactly one Outlook task with its identity, and the other way round.
void ExpectPaired(TodoSyncWorld& world, const QString& domain, bool withCompleted = false, bool withSub = false)
{
    const auto todos = world.ServiceTodos();
    const auto tasks = world.OutlookTasks();
    QHash<QString, int> identities;
    for (const auto& t : tasks)
        ++identities[QStringLiteral("%1_%2@%3").arg(t.entryId, world.PcKey(), domain)];
    QHash<QString, int> uids;
    for (const auto& t : todos) {
        const bool synced = (withCompleted || t.completed.isEmpty()) && (withSub || t.parent.isEmpty() || t.parent == "0");
        if (synced)
            ++uids[t.uid];
    }
    for (auto it = uids.cbegin(); it != uids.cend(); ++it) {
        EXPECT_EQ(it.value(), 1) << it.key().toStdString();
        EXPECT_EQ(identities.value(it.key()), 1) << "no Outlook task for " << it.key().toStdString();
    }
    for (auto it = identities.cbegin(); it != identities.cend(); ++it)
        EXPECT_EQ(uids.value(it.key()), 1) << "no service to-do for " << it.key().toStdString();
}

class TodoSync : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(world.ok());
        domain = CServiceConfig::Current().MailDomain();
    }
    TodoSyncWorld world;
    QString domain;
};

}  // namespace

TEST_F(TodoSync, FirstRunCopiesEachWayAndASecondRunWritesNothing)
{
    ASSERT_TRUE(world.SetPreferences(true, false, true, true, false));
    NewTask task;
    task.subject = QStringLiteral("아웃룩 보고서");
    task.body = QStringLiteral("첫 줄\r\n둘째 줄");
    task.importance = 2;
    task.due = QStringLiteral("2026-12-24");
    task.reminderSecondsBefore = 900;
    ASSERT_FALSE(world.AddOutlookTask(task).isEmpty());
    const auto before = world.ServiceTodos();
    ASSERT_FALSE(before.empty());

    ASSERT_EQ(RunOnce(), syncstatus::kDone);

    const auto todos = world.ServiceTodos();
    const auto tasks = world.OutlookTasks();
    EXPECT_EQ(todos.size(), before.size() + 1);
    EXPECT_EQ(tasks.size(), todos.size());
    const ServiceTodo* copied = FindTitle(todos, task.subject);
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->priority, "5");
    EXPECT_EQ(copied->alarm, "900");
    EXPECT_EQ(copied->description, task.body.replace("\r\n", "\n").isEmpty() ? QString() : copied->description);
    EXPECT_TRUE(copied->due.startsWith("20261224")) << copied->due.toStdString();
    for (const auto& original : before)
        EXPECT_EQ(CountSubject(tasks, original.title), 1) << original.title.toStdString();
    ExpectPaired(world, domain, true, true);
    EXPECT_FALSE(ReadSettingString(settings::SyncDate).isEmpty());
    EXPECT_NE(ReadSettingString(settings::SyncServerDate), QStringLiteral("18991230T000000"));

    // Nothing changed since: neither side is written.
    ASSERT_EQ(RunOnce(), syncstatus::kDone);
    const auto todosAgain = world.ServiceTodos();
    const auto tasksAgain = world.OutlookTasks();
    ASSERT_EQ(todosAgain.size(), todos.size());
    for (size_t i = 0; i < todos.size(); ++i) {
        EXPECT_EQ(todosAgain[i].sequence, todos[i].sequence) << todos[i].title.toStdString();
        EXPECT_EQ(todosAgain[i].lastModified, todos[i].lastModified);
    }
    ASSERT_EQ(tasksAgain.size(), tasks.size());
    for (size_t i = 0; i < tasks.size(); ++i)
        EXPECT_EQ(tasksAgain[i].lastModified, tasks[i].lastModified) << tasks[i].subject.toStdString();
}

TEST_F(TodoSync, CompletedAndSubTodosFollowThePreferences)
{
    const auto all = world.ServiceTodos();
    int completed = 0, sub = 0;
    for (const auto& t : all) {
        completed += !t.completed.isEmpty();
        sub += t.parent != "0" && !t.parent.isEmpty();
    }
    ASSERT_GT(completed, 0);
    ASSERT_GT(sub, 0);
    struct Case {
        const char* name;
        bool complete, sub;
    };
    for (const Case& c : {Case{"neither", false, false}, Case{"completed", true, false}, Case{"sub", false, true},
                          Case{"both", true, true}}) {
        SCOPED_TRACE(c.name);
        CSyncRun reader;
        reader.SetChooser(Always(-1));
        CMAPISync engine;
        ASSERT_EQ(engine.InitMapi(), 1);
        ASSERT_EQ(engine.ReadTodo(c.complete, c.sub), 1);
        size_t expected = 0;
        for (const auto& t : all) {
            const bool isCompleted = !t.completed.isEmpty();
            const bool isSub = t.parent != "0" && !t.parent.isEmpty();
            expected += (c.complete || !isCompleted) && (c.sub || !isSub);
        }
        EXPECT_EQ(engine.GetParserCount(true), expected);
    }
}

TEST_F(TodoSync, CompletedOutlookTaskSkippedOrSentWithItsDate)
{
    NewTask done;
    done.subject = QStringLiteral("끝난 일");
    done.due = QStringLiteral("2026-11-21");
    done.complete = true;
    ASSERT_FALSE(world.AddOutlookTask(done).isEmpty());

    ASSERT_TRUE(world.SetPreferences(true, false, false, false, false));
    ASSERT_EQ(RunOnce(), syncstatus::kDone);
    EXPECT_EQ(FindTitle(world.ServiceTodos(), done.subject), nullptr);

    ASSERT_TRUE(world.SetPreferences(true, false, true, false, false));
    ASSERT_EQ(RunOnce(), syncstatus::kDone);
    const ServiceTodo* sent = FindTitle(world.ServiceTodos(), done.subject);
    ASSERT_NE(sent, nullptr);
    EXPECT_TRUE(sent->completed.startsWith("20261121")) << sent->completed.toStdString();
}

TEST_F(TodoSync, ATaskCompletedInOutlookIsNotCopiedBackWhileCompletedOnesAreExcluded)
{
    ASSERT_TRUE(world.SetPreferences(true, false, false, false, false));
    ASSERT_GT(world.AddServiceTodo(QStringLiteral("todo[title]=finish&todo[priority]=3")), 0);
    ASSERT_EQ(RunOnce(), syncstatus::kDone);
    QString entry;
    for (const auto& t : world.OutlookTasks())
        if (t.subject == "finish")
            entry = t.entryId;
    ASSERT_FALSE(entry.isEmpty());
    ASSERT_TRUE(world.SetOutlookSubject(entry, "finish", OleNowUtcPlus(60), true));
    ASSERT_EQ(RunOnce(), syncstatus::kDone);
    EXPECT_EQ(CountSubject(world.OutlookTasks(), "finish"), 1);
}

TEST_F(TodoSync, AlarmSurvivesServiceToOutlookToService)
{
    ASSERT_TRUE(world.SetPreferences(true, false, false, false, false));
    const int seconds[] = {60, 900, 3600, 86400, 604800};
    for (int s : seconds)
        ASSERT_GT(world.AddServiceTodo(QStringLiteral("todo[title]=alarm%1&todo[duedate_on]=20261224&todo[priority]=3"
                                                      "&meta[set_alarm]=true&alarm[delta_sec]=%1&alarm[program]=1")
                                           .arg(s)),
                  0);
    ASSERT_EQ(RunOnce(), syncstatus::kDone);
    // Outlook becomes the newer side of every pair, so the next run writes each back.
    const double later = OleNowUtcPlus(120);
    for (const auto& task : world.OutlookTasks()) {
        if (task.subject.startsWith("alarm")) {
            ASSERT_TRUE(world.SetOutlookSubject(task.entryId, task.subject + "*", later));
        }
    }
    ASSERT_EQ(RunOnce(), syncstatus::kDone);
    const auto todos = world.ServiceTodos();
    for (int s : seconds) {
        const ServiceTodo* todo = FindTitle(todos, QStringLiteral("alarm%1*").arg(s));
        ASSERT_NE(todo, nullptr) << s;
        EXPECT_EQ(todo->alarm, QString::number(s));
    }
}

TEST_F(TodoSync, ConflictDirectionsEndWithTheChosenTexts)
{
    struct Case {
        const char* name;
        int direction;
        std::vector<QString> serviceTitles, outlookSubjects;
    };
    const QString svc = QStringLiteral("서비스에서 고침"), olk = QStringLiteral("아웃룩에서 고침");
    const Case cases[] = {{"keep both", 0, {svc, olk}, {svc, olk}},
                          {"service wins", 1, {svc}, {svc}},
                          {"outlook wins", 2, {olk}, {olk}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TodoSyncWorld w;
        ASSERT_TRUE(w.ok());
        ASSERT_TRUE(w.SetPreferences(true, false, false, false, true));
        const long long id = w.AddServiceTodo(QStringLiteral("todo[title]=original&todo[priority]=3"));
        ASSERT_GT(id, 0);
        ASSERT_EQ(RunOnce(Always(-1)), syncstatus::kDone);
        QString entry;
        for (const auto& t : w.OutlookTasks())
            if (t.subject == "original")
                entry = t.entryId;
        ASSERT_FALSE(entry.isEmpty());
        // Both sides change after the recorded sync.
        const QDateTime later = tamo::clock::NowSeoul().addSecs(60);
        ASSERT_FALSE(w.Post(endpoints::kTodos + QString::number(id),
                            "todo[title]=" + QString::fromUtf8(QUrl::toPercentEncoding(svc)) +
                                "&test[last_modified]=" + later.toString("yyyyMMddTHHmmss") + "&_method=put")
                         .isEmpty());
        ASSERT_TRUE(w.SetOutlookSubject(entry, olk, OleNowUtcPlus(60)));

        ASSERT_EQ(RunOnce(Always(c.direction)), syncstatus::kDone);
        QStringList titles, subjects;
        for (const auto& t : w.ServiceTodos())
            if (t.title == svc || t.title == olk || t.title == "original")
                titles << t.title;
        for (const auto& t : w.OutlookTasks())
            if (t.subject == svc || t.subject == olk || t.subject == "original")
                subjects << t.subject;
        titles.sort();
        subjects.sort();
        QStringList wantTitles(c.serviceTitles.begin(), c.serviceTitles.end());
        QStringList wantSubjects(c.outlookSubjects.begin(), c.outlookSubjects.end());
        wantTitles.sort();
        wantSubjects.sort();
        EXPECT_EQ(titles, wantTitles);
        EXPECT_EQ(subjects, wantSubjects);
        ExpectPaired(w, domain);
    }
}

namespace {
// Stops the run after a number of item questions, as the cancel button would.
class CancellingRun : public CSyncRun {
public:
    explicit CancellingRun(int after) : m_after(after) {}
    bool IsContinue() override
    {
        if (++m_asked > m_after)
            Cancel();
        return CSyncRun::IsContinue();
    }

private:
    int m_after;
    int m_asked = 0;
};
}  // namespace

TEST_F(TodoSync, CancelStopsWithinOneItemAndTheNextRunCompletes)
{
    ASSERT_TRUE(world.SetPreferences(true, false, false, false, false));
    for (int i = 0; i < 6; ++i) {
        NewTask task;
        task.subject = QStringLiteral("outlook %1").arg(i);
        ASSERT_FALSE(world.AddOutlookTask(task).isEmpty());
    }
    const size_t serviceBefore = world.ServiceTodos().size();
    {
        // 6 tasks read, then the service pass: stop after a few of its items.
        CancellingRun run(6 + 2);
        EXPECT_EQ(run.Execute(), syncstatus::kStopped);
    }
    // At most the two items let through were copied, each completely.
    const auto tasks = world.OutlookTasks();
    EXPECT_LE(tasks.size(), 6u + 2u);
    EXPECT_EQ(world.ServiceTodos().size(), serviceBefore);
    EXPECT_TRUE(ReadSettingString(settings::SyncDate).isEmpty());

    ASSERT_EQ(RunOnce(), syncstatus::kDone);
    ExpectPaired(world, domain);
}

TEST_F(TodoSync, ServiceFailingMidRunEndsWith1008AndLosesNothing)
{
    ASSERT_TRUE(world.SetPreferences(true, false, false, false, false));
    NewTask task;
    task.subject = QStringLiteral("남을 일");
    ASSERT_FALSE(world.AddOutlookTask(task).isEmpty());
    // Creating on the service fails from the first request on.
    ASSERT_FALSE(world.Post(QStringLiteral("/_test/fault"), QStringLiteral("path=/todos/&error_page=1&cut=0")).isEmpty());
    CSyncRun run;
    const int status = run.Execute();
    EXPECT_EQ(status, syncstatus::kTodoSyncFailed);
    EXPECT_EQ(syncstatus::Message(status), QStringLiteral("할일 싱크에 실패했습니다!\r\n관리자에게 문의해 주세요"));
    EXPECT_EQ(syncstatus::DialogResult(status), 2);
    ASSERT_FALSE(world.Post(QStringLiteral("/_test/fault/clear"), QString()).isEmpty());

    ASSERT_EQ(RunOnce(), syncstatus::kDone);
    EXPECT_NE(FindTitle(world.ServiceTodos(), task.subject), nullptr);
    ExpectPaired(world, domain);
}

TEST_F(TodoSync, ARunCutOffBeforeTheReKeyMakesNoSecondCopy)
{
    ASSERT_TRUE(world.SetPreferences(true, false, false, false, false));
    const long long id = world.AddServiceTodo(QStringLiteral("todo[title]=once&todo[priority]=3"));
    ASSERT_GT(id, 0);
    // The re-key of that to-do fails: the Outlook copy exists, the service still has its own UID.
    ASSERT_FALSE(world.Post(QStringLiteral("/_test/fault"),
                            QStringLiteral("path=/todos/%1&error_page=1&cut=0").arg(id))
                     .isEmpty());
    EXPECT_EQ(RunOnce(), syncstatus::kTodoSyncFailed);
    ASSERT_FALSE(world.Post(QStringLiteral("/_test/fault/clear"), QString()).isEmpty());
    EXPECT_EQ(CountSubject(world.OutlookTasks(), "once"), 1);

    ASSERT_EQ(RunOnce(), syncstatus::kDone);
    EXPECT_EQ(CountSubject(world.OutlookTasks(), "once"), 1);
    ExpectPaired(world, domain);
}

TEST_F(TodoSync, StartStopsOnPreferencesAndPcKey)
{
    ASSERT_TRUE(world.SetPreferences(false, false, false, false, false));
    CSyncRun none;
    EXPECT_EQ(none.Execute(), syncstatus::kNothingSelected);
    EXPECT_EQ(syncstatus::DialogResult(syncstatus::kNothingSelected), 100);

    ASSERT_TRUE(world.SetPreferences(false, true, false, false, false));
    CSyncRun eventsOnly;
    EXPECT_EQ(eventsOnly.Execute(), syncstatus::kDone) << "events alone are a complete run";
}
