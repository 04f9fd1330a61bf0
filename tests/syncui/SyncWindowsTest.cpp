// The sync progress window end to end: tamo-service in the test process, a fresh Outlook store,
// the window offscreen; message boxes answered through the box seam.
#include <gtest/gtest.h>

#include <set>

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProgressBar>
#include <QTest>

#include "SyncTestSupport.h"
#include "TodoSyncWorld.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "syncui/Syncing.h"
#include "tamoui/TamoToolkit.h"

using namespace tamo::test;

namespace {

// Watches the progress bar of every sync window that opens.
struct ProgressLog {
    std::vector<int> values;
    void Attach(QWidget* w)
    {
        if (auto* bar = tamoui::FindControlAs<QProgressBar>(w, CSyncing::IDC_PROGRESS))
            QObject::connect(bar, &QProgressBar::valueChanged, [this](int v) { values.push_back(v); });
    }
};

bool PostPreferences(TodoSyncWorld& world, const QString& range, int category, bool event, bool todo)
{
    auto flag = [](bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); };
    const QString body = QStringLiteral("preference[sync_range]=%1&preference[sync_category_id]=%2"
                                        "&preference[sync_event_check]=%3&preference[sync_todo_check]=%4"
                                        "&preference[sync_todo_complete]=false&preference[sync_todo_sub]=false"
                                        "&preference[sync_conflict]=false&preference[sync_event_adv_check]=false")
                             .arg(range)
                             .arg(category)
                             .arg(flag(event), flag(todo));
    return !world.Post(endpoints::kUpdateSync, body).isEmpty();
}

bool Fault(TodoSyncWorld& world, const QString& fields)
{
    return !world.Post(QStringLiteral("/_test/fault"), fields).isEmpty();
}

}  // namespace

TEST(SyncWindow, RunsToTheEndWithItsProgressInOrderAndRecordsTheTimes)
{
    TodoSyncWorld world;
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.SetPreferences(true, true, false, false, false));
    NewTask task;
    task.subject = QStringLiteral("창에서 싱크");
    ASSERT_FALSE(world.AddOutlookTask(task).isEmpty());
    // The task's copy onto the service answers late, so the window animates meanwhile.
    ASSERT_TRUE(Fault(world, QStringLiteral("path=/todos/&delay_ms=800")));
    BoxRecorder boxes;
    ProgressLog progress;
    ModalWatcher watcher([&](QWidget* w) { progress.Attach(w); });

    CSyncing dlg;
    std::set<int> frames;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { frames.insert(dlg.GetAniFrame()); });
    sampler.start(50);
    EXPECT_EQ(dlg.DoModal(), tamoui::IDOK);
    EXPECT_EQ(dlg.GetStatus(), syncstatus::kDone);
    EXPECT_TRUE(boxes.boxes.empty());
    // The start steps, the to-do and event steps, the newer-side pass.
    const std::vector<int> marks = {5, 10, 15, 20, 25, 30, 35, 40, 70, 80, 95};
    size_t at = 0;
    for (int v : progress.values)
        if (at < marks.size() && v == marks[at])
            ++at;
    EXPECT_EQ(at, marks.size()) << "progress seen: " << ::testing::PrintToString(progress.values);
    EXPECT_TRUE(std::is_sorted(progress.values.begin(), progress.values.end()));
    // The animation ran meanwhile (a frame every 200 ms from frame 1).
    EXPECT_GE(frames.size(), 3u);
    EXPECT_FALSE(ReadSettingString(settings::SyncDate).isEmpty());
    EXPECT_NE(ReadSettingString(settings::SyncServerDate), QStringLiteral("18991230T000000"));
    bool copied = false;
    for (const auto& t : world.ServiceTodos())
        copied = copied || t.title == task.subject;
    EXPECT_TRUE(copied);
}

TEST(SyncWindow, EachStatusShowsItsBoxAndEndsWithItsResult)
{
    struct Case {
        const char* name;
        std::function<bool(TodoSyncWorld&)> arrange;
        int status;
        int result;
    };
    const Case cases[] = {
        {"nothing selected",
         [](TodoSyncWorld& w) { return w.SetPreferences(false, false, false, false, false); },
         syncstatus::kNothingSelected, 100},
        {"preferences unreadable",
         [](TodoSyncWorld& w) { return Fault(w, QStringLiteral("path=/preference/&drop=1")); },
         syncstatus::kNoPreferences, 100},
        {"no category",
         [](TodoSyncWorld& w) { return PostPreferences(w, QStringLiteral("30"), 0, true, false); },
         syncstatus::kNoCategory, 100},
        {"no PC key",
         [](TodoSyncWorld& w) {
             return w.SetPreferences(true, false, false, false, false) &&
                    Fault(w, QStringLiteral("path=/preference/pc_key&drop=1")) &&
                    WriteSettingString(settings::PcKey, QStringLiteral("0"));
         },
         syncstatus::kNoPcKey, 100},
        {"to-dos unreadable",
         [](TodoSyncWorld& w) {
             return w.SetPreferences(true, false, false, false, false) &&
                    Fault(w, QStringLiteral("path=/sync/export_todo&drop=1"));
         },
         syncstatus::kReadTodoFailed, 2},
        {"events unreadable",
         [](TodoSyncWorld& w) {
             return w.SetPreferences(false, true, false, false, false) &&
                    Fault(w, QStringLiteral("path=/sync/export_event&drop=1"));
         },
         syncstatus::kReadEventFailed, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TodoSyncWorld world;
        ASSERT_TRUE(world.ok());
        ASSERT_TRUE(c.arrange(world));
        BoxRecorder boxes;
        CSyncing dlg;
        EXPECT_EQ(dlg.DoModal(), c.result);
        EXPECT_EQ(dlg.GetStatus(), c.status);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].title, QStringLiteral("에러"));
        EXPECT_EQ(boxes.boxes[0].heading, syncstatus::Message(c.status));
        EXPECT_EQ(boxes.boxes[0].mode, 0);
        EXPECT_EQ(boxes.boxes[0].compact, 1);
        EXPECT_TRUE(ReadSettingString(settings::SyncDate).isEmpty());
    }
}

TEST(SyncWindow, EveryWayOfStoppingASlowRunEndsItSoonWithoutABox)
{
    struct Case {
        const char* name;
        std::function<void(CSyncing&)> stop;
    };
    const Case cases[] = {
        {"cancel button", [](CSyncing& d) { QTest::mouseClick(d.GetDlgItem(tamoui::IDOK), Qt::LeftButton); }},
        {"Escape", [](CSyncing& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"Enter", [](CSyncing& d) { QTest::keyClick(&d, Qt::Key_Return); }},
        {"close button", [](CSyncing& d) { QTest::mouseClick(d.GetDlgItem(tamoui::IDCLOSE_TITLE), Qt::LeftButton); }},
        {"closing the window", [](CSyncing& d) { d.close(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TodoSyncWorld world;
        ASSERT_TRUE(world.ok());
        ASSERT_TRUE(world.SetPreferences(true, false, false, false, false));
        // Each new to-do's re-key after its copy into Outlook answers late.
        for (int i = 0; i < 6; ++i) {
            const long long id = world.AddServiceTodo(QStringLiteral("todo[title]=slow%1").arg(i));
            ASSERT_GT(id, 0);
            ASSERT_TRUE(Fault(world, QStringLiteral("path=/todos/%1&delay_ms=1200").arg(id)));
        }
        BoxRecorder boxes;
        CSyncing dlg;
        QElapsedTimer stopped;
        bool acted = false;
        ModalWatcher watcher([&](QWidget* w) {
            auto* bar = tamoui::FindControlAs<QProgressBar>(w, CSyncing::IDC_PROGRESS);
            if (!bar)
                return;
            QObject::connect(bar, &QProgressBar::valueChanged, [&](int v) {
                if (v >= 30 && !acted) {
                    acted = true;
                    // Into the engine's pass, then stop.
                    QTimer::singleShot(300, [&] {
                        stopped.start();
                        c.stop(dlg);
                    });
                }
            });
        });
        EXPECT_EQ(dlg.DoModal(), tamoui::IDCANCEL);
        ASSERT_TRUE(acted);
        EXPECT_LT(stopped.elapsed(), 4000);
        EXPECT_EQ(dlg.GetStatus(), syncstatus::kStopped);
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_TRUE(ReadSettingString(settings::SyncDate).isEmpty());
        world.Post(QStringLiteral("/_test/fault/clear"), QString());
    }
}

TEST(SyncWindow, ServiceClockUnreadableKeepsThePreviousServerDate)
{
    TodoSyncWorld world;
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.SetPreferences(true, false, false, false, false));
    ASSERT_TRUE(WriteSettingString(settings::SyncServerDate, QStringLiteral("20261201T101010")));
    ASSERT_TRUE(Fault(world, QStringLiteral("path=/sync/server_time&drop=1")));
    BoxRecorder boxes;
    CSyncing dlg;
    EXPECT_EQ(dlg.DoModal(), tamoui::IDOK);
    EXPECT_EQ(ReadSettingString(settings::SyncServerDate), QStringLiteral("20261201T101010"));
    EXPECT_FALSE(ReadSettingString(settings::SyncDate).isEmpty());
}
