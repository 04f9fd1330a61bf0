// tamo-sync run as a user runs it: a subprocess against the stand-in service and a fresh store.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include "TodoSyncWorld.h"
#include "service/DemoSeed.h"
#include "support/TestEnvironment.h"

using namespace tamo::test;

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

QString Program() { return BinaryDir() + "/bin/tamo-sync"; }

Outcome RunTool(const QStringList& args, const QString& password)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TAMO_PASSWORD", password);
    process.setProcessEnvironment(env);
    process.start(Program(), args);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

TEST(TamoSyncTool, SignsInSyncsAndTellsTheOutcomeByItsExitStatus)
{
    TodoSyncWorld world;
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.SetPreferences(true, true, false, false, true));
    struct Case {
        const char* name;
        QStringList args;
        QString password;
        int exitCode;
        const char* expected;
    };
    const Case cases[] = {
        {"wrong password", {"--id", "demo"}, "nope", 2, "로그인에 실패하였습니다"},
        {"bad conflict mode", {"--id", "demo", "--conflicts", "coin"}, "x", 2, ""},
        {"first run", {"--id", "demo"}, tamo::service::kDemoPassword, 0, "상태 1000: 싱크가 정상적으로 완료되었습니다"},
        {"second run", {"--id", "demo", "--conflicts", "newest"}, tamo::service::kDemoPassword, 0, "상태 1000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome o = RunTool(c.args, c.password);
        EXPECT_EQ(o.exitCode, c.exitCode) << o.out.toStdString() << o.err.toStdString();
        EXPECT_TRUE((o.out + o.err).contains(QString::fromUtf8(c.expected))) << o.out.toStdString() << o.err.toStdString();
    }
    const Outcome first = RunTool({"--id", "demo"}, tamo::service::kDemoPassword);
    EXPECT_TRUE(first.out.contains("진행 95%"));
    EXPECT_FALSE(world.OutlookTasks().empty());

    ASSERT_TRUE(world.SetPreferences(false, false, false, false, true));
    const Outcome none = RunTool({"--id", "demo", "--quiet"}, tamo::service::kDemoPassword);
    EXPECT_EQ(none.exitCode, 100);
    EXPECT_TRUE(none.out.contains("상태 1020")) << none.out.toStdString();
}

TEST(TamoSyncTool, KilledBetweenOutlookCopyAndReKeyLeavesOneCopy)
{
    TodoSyncWorld world;
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.SetPreferences(true, false, false, false, false));
    const long long id = world.AddServiceTodo(QStringLiteral("todo[title]=killed&todo[priority]=3"));
    ASSERT_GT(id, 0);
    // The re-key of this to-do hangs, so the process is killed with the Outlook copy made.
    ASSERT_FALSE(
        world.Post("/_test/fault", QStringLiteral("path=/todos/%1&delay_ms=10000").arg(id)).isEmpty());

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TAMO_PASSWORD", tamo::service::kDemoPassword);
    process.setProcessEnvironment(env);
    process.start(Program(), {"--id", "demo", "--quiet"});
    QElapsedTimer waited;
    waited.start();
    bool copied = false;
    while (!copied && waited.elapsed() < 20000) {
        for (const auto& task : world.OutlookTasks())
            copied = copied || task.subject == "killed";
        if (!copied)
            QThread::msleep(50);
    }
    ASSERT_TRUE(copied);
    process.kill();
    process.waitForFinished(5000);
    ASSERT_FALSE(world.Post("/_test/fault/clear", QString()).isEmpty());

    const Outcome again = RunTool({"--id", "demo", "--quiet"}, tamo::service::kDemoPassword);
    EXPECT_EQ(again.exitCode, 0) << again.out.toStdString();
    int copies = 0;
    QString entry;
    for (const auto& task : world.OutlookTasks())
        if (task.subject == "killed") {
            ++copies;
            entry = task.entryId;
        }
    EXPECT_EQ(copies, 1);
    for (const auto& todo : world.ServiceTodos()) {
        if (todo.title == "killed") {
            EXPECT_TRUE(todo.uid.startsWith(entry + "_")) << todo.uid.toStdString();
        }
    }
}
