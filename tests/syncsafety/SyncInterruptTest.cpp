// A sync cut off at any of its writes, by a lost answer or a killed process, and two syncs at
// once: afterwards every item exists exactly once on each side, with its text.
#include <map>
#include <memory>

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QProcess>

#include "TodoSyncWorld.h"
#include "base/MarkupSTL.h"
#include "base/Settings.h"
#include "service/DemoSeed.h"
#include "syncui/SyncLock.h"
#include "syncui/SyncRun.h"

using namespace tamo::test;

namespace {

struct Outcome {
    int exitCode = -1;
    bool killed = false;
    QString out;
};

QProcess* StartTool(QProcess& process, const QString& killAfter = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TAMO_PASSWORD", tamo::service::kDemoPassword);
    env.remove("TAMO_TEST_KILL_AFTER");
    if (!killAfter.isEmpty())
        env.insert("TAMO_TEST_KILL_AFTER", killAfter);
    process.setProcessEnvironment(env);
    process.start(BinaryDir() + "/bin/tamo-sync", {"--id", tamo::service::kDemoLogin, "--quiet"});
    process.closeWriteChannel();
    return &process;
}

Outcome Finish(QProcess& process)
{
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.exitStatus() == QProcess::CrashExit, QString::fromUtf8(process.readAllStandardOutput())};
}

Outcome RunTool(const QString& killAfter = {})
{
    QProcess process;
    StartTool(process, killAfter);
    return Finish(process);
}

QString SeoulStamp(int secondsFromNow)
{
    const QDateTime seoul = QDateTime::currentDateTimeUtc().addSecs(9 * 3600 + secondsFromNow);
    return seoul.toString("yyyyMMddTHHmmss");
}

QString UtcIso(int secondsFromNow)
{
    return QDateTime::currentDateTimeUtc().addSecs(secondsFromNow).toString(Qt::ISODate);
}

// Runs tamo-store, the stand-in for Outlook; its output's last line (an entry id for add).
QString Store(const QStringList& args)
{
    QProcess p;
    p.start(BinaryDir() + "/bin/tamo-store", args);
    p.waitForFinished(30000);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed().section(u'\n', -1);
}

// Both sides of the demo account, by title, for each kind.
struct Sides {
    std::map<QString, int> serviceTodos, outlookTasks, serviceEvents, outlookAppoints;
    std::map<QString, long long> ids;  // record numbers on the service, by title

    static int Total(const std::map<QString, int>& side)
    {
        int n = 0;
        for (const auto& [title, count] : side)
            n += count;
        return n;
    }
    static int Count(const std::map<QString, int>& side, const QString& title)
    {
        const auto found = side.find(title);
        return found == side.end() ? 0 : found->second;
    }
};

class SyncInterrupt : public ::testing::Test {
protected:
    void SetUp() override { Fresh(); }

    // A new service and a new Outlook store.
    void Fresh()
    {
        world.reset();
        world = std::make_unique<TodoSyncWorld>();
        ASSERT_TRUE(world->ok());
        // Newest wins, no questions: changes travel in the conflict pass.
        ASSERT_TRUE(world->SetPreferences(true, true, false, false, false));
        calendar = CSyncRun::GetDefaultCategory();
        ASSERT_GT(calendar, 0);
    }

    long long PostItem(const QString& path, const QString& fields)
    {
        const QString answer = world->Post(path, fields);
        const qsizetype at = answer.indexOf(QLatin1String("\"id\": "));
        EXPECT_GE(at, 0) << answer.toStdString();
        return at < 0 ? 0 : answer.mid(at + 6, answer.indexOf(u',', at) - at - 6).toLongLong();
    }
    long long AddServiceEvent(const QString& title, int daysAhead)
    {
        return PostItem("/events/", QStringLiteral("event[calendar_id]=%1&event[title]=%2&event[start_at]=%3"
                                                   "&event[end_at]=%4")
                                        .arg(calendar)
                                        .arg(title, SeoulStamp(daysAhead * 86400), SeoulStamp(daysAhead * 86400 + 3600)));
    }
    QString AddOutlookAppoint(const QString& title, int daysAhead, bool withGlobalId)
    {
        QStringList args = {"add", "appointment", "--subject", title, "--start", UtcIso(daysAhead * 86400),
                            "--end", UtcIso(daysAhead * 86400 + 1800)};
        if (!withGlobalId)
            args << "--no-global-id";
        return Store(args);
    }

    Sides Read()
    {
        Sides sides;
        for (const ServiceTodo& todo : world->ServiceTodos()) {
            ++sides.serviceTodos[todo.title];
            sides.ids[todo.title] = todo.id;
        }
        for (const OutlookTask& task : world->OutlookTasks())
            ++sides.outlookTasks[task.subject];
        const QByteArray xmlText = world->Get("/_test/items?kind=event&account=demo").toUtf8();
        CMarkupSTL xml;
        if (xml.SetDoc(std::string_view(xmlText.constData(), size_t(xmlText.size()))) && xml.FindElem())
            while (xml.FindChildElem("item")) {
                xml.IntoElem();
                xml.FindChildElem("id");
                const long long id = std::stoll(xml.GetChildData());
                xml.ResetChildPos();
                xml.FindChildElem("title");
                const QString title = QString::fromStdString(xml.GetChildData());
                ++sides.serviceEvents[title];
                sides.ids[title] = id;
                xml.OutOfElem();
            }
        CMAPISync engine;
        EXPECT_EQ(engine.InitMapi(), 1);
        if (engine.m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID) && engine.m_outlook.GetContents()) {
            CMAPIMessage message;
            while (engine.m_outlook.GetNextMessage(message))
                ++sides.outlookAppoints[message.GetSubject()];
        }
        return sides;
    }

    std::unique_ptr<TodoSyncWorld> world;
    int calendar = 0;
};

// One write of the run, and how it is cut off: the service's answer to it is lost (the request
// took effect), or the process is killed right after it.
struct Cut {
    const char* name;
    const char* killAfter;  // checkpoint[:n], or null
    const char* dropPath;   // "todo-new", "todo-old", "event-new", "event-old" or null
};

const Cut kCuts[] = {
    {"to-do copied into Outlook, killed", "todo.outlook.create", nullptr},
    {"to-do re-keyed, killed", "todo.service.rekey", nullptr},
    {"to-do re-key answer lost", nullptr, "todo-new"},
    {"to-do created on the service, killed", "todo.service.create", nullptr},
    {"to-do creation answer lost", nullptr, "todos"},
    {"to-do changed on the service, killed", "todo.service.modify", nullptr},
    {"to-do change answer lost", nullptr, "todo-old"},
    {"to-do changed in Outlook, killed", "todo.outlook.modify", nullptr},
    {"event copied into Outlook, killed", "event.outlook.create", nullptr},
    {"global object id given, killed", "event.outlook.globalid", nullptr},
    {"event created on the service, killed", "event.service.create", nullptr},
    {"second event created on the service, killed", "event.service.create:2", nullptr},
    {"event creation answer lost", nullptr, "events"},
    {"event changed on the service, killed", "event.service.modify", nullptr},
    {"event change answer lost", nullptr, "event-old"},
    {"event changed in Outlook, killed", "event.outlook.modify", nullptr},
};

}  // namespace

TEST_F(SyncInterrupt, EveryWriteCutOffLeavesEachItemOnceOnEachSide)
{
    for (const Cut& cut : kCuts) {
        SCOPED_TRACE(cut.name);
        Fresh();
        if (HasFatalFailure())
            return;

        // A first run pairs what both sides start with.
        const long long oldTodo = PostItem("/todos/", "todo[title]=%EB%B0%94%EB%80%94+%ED%95%A0%EC%9D%BC");  // "바뀔 할일"
        const QString oldTask = world->AddOutlookTask({QStringLiteral("바뀔 작업"), {}, 1, {}, -1, false});
        const long long oldEvent = AddServiceEvent(QStringLiteral("바뀔 일정"), 2);
        const QString oldAppoint = AddOutlookAppoint(QStringLiteral("바뀔 약속"), 3, true);
        const Outcome first = RunTool();
        ASSERT_EQ(first.exitCode, 0) << first.out.toStdString();
        // The service copies of the Outlook items, which the Outlook changes below overwrite.
        const Sides paired = Read();

        // Then a change on each side of each kind, and a new item on each side of each kind (one
        // appointment written by another program, without a global object id).
        const QString later = SeoulStamp(120);
        PostItem(QStringLiteral("/todos/%1").arg(oldTodo),
                 "todo[title]=%EC%84%9C%EB%B9%84%EC%8A%A4%EC%97%90%EC%84%9C+%EB%B0%94%EB%80%90+%ED%95%A0%EC%9D%BC"
                 "&test[last_modified]=" + later + "&_method=put");  // "서비스에서 바뀐 할일"
        ASSERT_TRUE(world->SetOutlookSubject(oldTask, QStringLiteral("아웃룩에서 바뀐 작업"), OleNowUtcPlus(120)));
        PostItem(QStringLiteral("/events/%1").arg(oldEvent),
                 "event[title]=%EC%84%9C%EB%B9%84%EC%8A%A4%EC%97%90%EC%84%9C+%EB%B0%94%EB%80%90+%EC%9D%BC%EC%A0%95"
                 "&test[last_modified]=" + later + "&_method=put");  // "서비스에서 바뀐 일정"
        ASSERT_TRUE(world->SetOutlookSubject(oldAppoint, QStringLiteral("아웃룩에서 바뀐 약속"), OleNowUtcPlus(120)));
        const long long newTodo = PostItem("/todos/", "todo[title]=%EC%83%88+%ED%95%A0%EC%9D%BC");  // "새 할일"
        world->AddOutlookTask({QStringLiteral("새 작업"), QStringLiteral("본문 ①"), 2, {}, -1, false});
        AddServiceEvent(QStringLiteral("새 일정"), 4);
        AddOutlookAppoint(QStringLiteral("새 약속"), 5, true);
        AddOutlookAppoint(QStringLiteral("남의 약속"), 6, false);
        const Sides before = Read();

        if (cut.dropPath) {
            const std::map<std::string, QString> paths = {{"todos", "/todos/"},
                                                          {"events", "/events/"},
                                                          {"todo-new", QStringLiteral("/todos/%1").arg(newTodo)},
                                                          {"todo-old", QStringLiteral("/todos/%1").arg(paired.ids.at("바뀔 작업"))},
                                                          {"event-old", QStringLiteral("/events/%1").arg(paired.ids.at("바뀔 약속"))}};
            ASSERT_FALSE(world->Post("/_test/fault", "path=" + paths.at(cut.dropPath) + "&drop=1&count=1").isEmpty());
            const Outcome cutOff = RunTool();
            EXPECT_NE(cutOff.exitCode, 0) << "a lost answer is not a complete run: " << cutOff.out.toStdString();
            ASSERT_FALSE(world->Post("/_test/fault/clear", QString()).isEmpty());
        } else {
            const Outcome killed = RunTool(cut.killAfter);
            EXPECT_TRUE(killed.killed) << "never reached " << cut.killAfter << ": " << killed.out.toStdString();
        }

        for (int run = 1; run <= 2; ++run) {
            const Outcome again = RunTool();
            EXPECT_TRUE(again.out.contains("상태 1000")) << "run " << run << ": " << again.out.toStdString();
        }

        const Sides after = Read();
        struct Side {
            const char* name;
            const std::map<QString, int>& items;
            int total;
            QStringList titles;
        };
        const Side sides[] = {
            {"service to-dos", after.serviceTodos, Sides::Total(before.serviceTodos) + 1,
             {"서비스에서 바뀐 할일", "아웃룩에서 바뀐 작업", "새 할일", "새 작업"}},
            {"Outlook tasks", after.outlookTasks, Sides::Total(before.outlookTasks) + 1,
             {"서비스에서 바뀐 할일", "아웃룩에서 바뀐 작업", "새 할일", "새 작업"}},
            {"service events", after.serviceEvents, Sides::Total(before.serviceEvents) + 2,
             {"서비스에서 바뀐 일정", "아웃룩에서 바뀐 약속", "새 일정", "새 약속", "남의 약속"}},
            {"Outlook appointments", after.outlookAppoints, Sides::Total(before.outlookAppoints) + 1,
             {"서비스에서 바뀐 일정", "아웃룩에서 바뀐 약속", "새 일정", "새 약속", "남의 약속"}},
        };
        for (const Side& side : sides) {
            SCOPED_TRACE(side.name);
            EXPECT_EQ(Sides::Total(side.items), side.total);
            for (const QString& title : side.titles)
                EXPECT_EQ(Sides::Count(side.items, title), 1) << title.toStdString();
        }
    }
}

// A creation the service fails does not stop the pass, but the run does not call itself done:
// it says how many items did not get through, records no sync times, and the next run sends them.
TEST_F(SyncInterrupt, FailedItemsMakeAnIncompleteRunThatTheNextOneFinishes)
{
    ASSERT_EQ(RunTool().exitCode, 0);
    const QString syncDate = ReadSettingString(settings::SyncDate);
    ASSERT_FALSE(syncDate.isEmpty());
    AddOutlookAppoint(QStringLiteral("하나"), 1, true);
    AddOutlookAppoint(QStringLiteral("둘"), 2, false);
    AddOutlookAppoint(QStringLiteral("셋"), 3, true);
    ASSERT_FALSE(world->Post("/_test/fault", "path=/events/&error_page=1&count=2").isEmpty());
    const Outcome failed = RunTool();
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.out.contains("상태 1015: 2개 항목을 싱크하지 못했습니다. 다음 싱크 때 다시 시도합니다."))
        << failed.out.toStdString();
    EXPECT_EQ(ReadSettingString(settings::SyncDate), syncDate);

    EXPECT_TRUE(RunTool().out.contains("상태 1000"));
    const Sides after = Read();
    for (const QString& title : {QStringLiteral("하나"), QStringLiteral("둘"), QStringLiteral("셋")}) {
        EXPECT_EQ(Sides::Count(after.serviceEvents, title), 1) << title.toStdString();
        EXPECT_EQ(Sides::Count(after.outlookAppoints, title), 1) << title.toStdString();
    }
}

TEST_F(SyncInterrupt, TwoSyncsStartedTogetherCopyEachItemOnce)
{
    for (int i = 0; i < 20; ++i) {
        PostItem("/todos/", QStringLiteral("todo[title]=s%1").arg(i));
        world->AddOutlookTask({QStringLiteral("o%1").arg(i), {}, 1, {}, -1, false});
        AddServiceEvent(QStringLiteral("se%1").arg(i), 1 + i % 20);
        AddOutlookAppoint(QStringLiteral("oe%1").arg(i), 1 + i % 20, i % 2 == 0);
    }
    QProcess one, two;
    StartTool(one);
    StartTool(two);
    const Outcome a = Finish(one);
    const Outcome b = Finish(two);
    // One of them syncs; the other either came after it or found the store busy.
    for (const Outcome* o : {&a, &b})
        EXPECT_TRUE(o->out.contains("상태 1000") || o->out.contains("상태 1016")) << o->out.toStdString();
    EXPECT_TRUE(a.out.contains("상태 1000") || b.out.contains("상태 1000"));
    for (const Outcome* o : {&a, &b}) {
        if (o->out.contains("상태 1016")) {
            EXPECT_TRUE(o->out.contains("다른 싱크가 진행 중입니다")) << o->out.toStdString();
        }
    }
    EXPECT_EQ(RunTool().exitCode, 0);

    const Sides after = Read();
    for (int i = 0; i < 20; ++i) {
        for (const auto* side : {&after.serviceTodos, &after.outlookTasks}) {
            EXPECT_EQ(Sides::Count(*side, QStringLiteral("s%1").arg(i)), 1) << i;
            EXPECT_EQ(Sides::Count(*side, QStringLiteral("o%1").arg(i)), 1) << i;
        }
        for (const auto* side : {&after.serviceEvents, &after.outlookAppoints}) {
            EXPECT_EQ(Sides::Count(*side, QStringLiteral("se%1").arg(i)), 1) << i;
            EXPECT_EQ(Sides::Count(*side, QStringLiteral("oe%1").arg(i)), 1) << i;
        }
    }
}

TEST(SyncLock, OneHolderPerStoreAndFreeAgainWhenReleased)
{
    const QString store = qEnvironmentVariable("TAMO_MAPI_STORE");
    CSyncLock first, second, other;
    ASSERT_EQ(first.TryAcquire(store), CSyncLock::Result::Held);
    EXPECT_EQ(second.TryAcquire(store), CSyncLock::Result::Busy);
    EXPECT_EQ(other.TryAcquire(store + ".other"), CSyncLock::Result::Held);
    first.Release();
    EXPECT_EQ(second.TryAcquire(store), CSyncLock::Result::Held);
    EXPECT_EQ(first.TryAcquire("/nonexistent-folder/store.sqlite"), CSyncLock::Result::NoFile);
}

TEST(SyncLock, TheLockFileIsTheUsersAlone)
{
    ScopedUmask umask(022);
    const QString store = qEnvironmentVariable("TAMO_MAPI_STORE");
    const QString lockFile = store + ".sync-lock";
    struct Case {
        const char* name;
        int before;  // -1: no lock file yet
    };
    for (const Case& c : {Case{"made by this run", -1}, Case{"left open to others by an older build", 0644}}) {
        QFile::remove(lockFile);
        if (c.before >= 0) {
            ASSERT_TRUE(WriteFile(lockFile, QByteArray()));
            ASSERT_TRUE(SetMode(lockFile, c.before));
        }
        CSyncLock lock;
        ASSERT_EQ(lock.TryAcquire(store), CSyncLock::Result::Held) << c.name;
        EXPECT_EQ(ModeOf(lockFile), 0600) << c.name << ": " << QString::number(ModeOf(lockFile), 8).toStdString();
    }
}
