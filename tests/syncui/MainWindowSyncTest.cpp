// The Outlook sync from the main window, with real Chromium in its view: button 1000 and menu
// 32793 only while signed in, and the whole way through the start window and the progress
// window to the completion box.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

#include "SyncTestSupport.h"
#include "app/LoginDlg.h"
#include "app/TamoSyncDlg.h"
#include "app/WarningDlg.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "platform/mapi/MapiStoreFile.h"
#include "support/PageScript.h"
#include "support/TestEnvironment.h"
#include "syncui/Syncing.h"
#include "tests/service/ServiceHarness.h"

using namespace tamo::test;

TEST(MainWindowSync, ButtonAndMenuStartTheSyncOnlyWhileSignedIn)
{
    ASSERT_TRUE(CServiceHarness::Get().Configure());
    ASSERT_TRUE(tamo::mapi::CreateStoreFile(tamo::mapi::DefaultStorePath()));
    WriteSettingFlag(settings::TaskBar, 0);

    CTamoSyncDlg dlg;
    dlg.m_fnAsk = [](const QString&, const QString&) { return int(tamoui::IDOK); };
    dlg.show();
    ASSERT_TRUE(WaitFor([&] { return dlg.Background() != nullptr; }));
    EXPECT_FALSE(dlg.MenuItem(CTamoSyncDlg::ID_SYNC_MENU)->isEnabled());
    EXPECT_FALSE(dlg.GetDlgItem(CTamoSyncDlg::IDC_SYNC)->isVisible());
    EXPECT_EQ(dlg.StartSync(), 0) << "nothing starts while signed out";

    CLoginDlg* login = dlg.Background()->Login();
    login->IdBox()->setEditText("demo");
    login->PasswordBox()->setText("tamo1234");
    login->SignIn(false);
    ASSERT_TRUE(WaitFor([&] { return dlg.IsLoggedIn() && !dlg.Explorer()->IsNavigationPending(); }));
    EXPECT_TRUE(dlg.MenuItem(CTamoSyncDlg::ID_SYNC_MENU)->isEnabled());
    QWidget* button = dlg.GetDlgItem(CTamoSyncDlg::IDC_SYNC);
    ASSERT_TRUE(button->isVisible());

    // Events only, the newer side wins.
    const QString body = QStringLiteral("preference[sync_range]=30&preference[sync_category_id]=%1"
                                        "&preference[sync_event_check]=true&preference[sync_todo_check]=false"
                                        "&preference[sync_todo_complete]=false&preference[sync_todo_sub]=false"
                                        "&preference[sync_conflict]=false&preference[sync_event_adv_check]=false")
                             .arg(CSyncRun::GetDefaultCategory());
    ASSERT_EQ(CServiceHarness::Get().PostForm(endpoints::kUpdateSync.toStdString(), body.toStdString()).status, 200u);

    BoxRecorder boxes;
    std::vector<int> progress;
    int warnings = 0;
    ModalWatcher watcher([&](QWidget* w) {
        if (qobject_cast<CWarningDlg*>(w)) {
            ++warnings;
            QTimer::singleShot(0, [w] {
                QTest::mouseClick(tamoui::FindControl(w, CWarningDlg::IDC_SYNC), Qt::LeftButton);
            });
        } else if (auto* bar = tamoui::FindControlAs<QProgressBar>(w, CSyncing::IDC_PROGRESS)) {
            QObject::connect(bar, &QProgressBar::valueChanged, [&progress](int v) { progress.push_back(v); });
        }
    });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(warnings, 1);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].title, QStringLiteral("싱크"));
    EXPECT_EQ(boxes.boxes[0].heading, QStringLiteral("싱크가 정상적으로 완료되었습니다"));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 5);
    EXPECT_EQ(progress.back(), 95);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_FALSE(ReadSettingString(settings::SyncDate).isEmpty());

    // The menu entry starts it the same way.
    dlg.MenuItem(CTamoSyncDlg::ID_SYNC_MENU)->trigger();
    EXPECT_EQ(warnings, 2);
    EXPECT_EQ(boxes.boxes.size(), 2u);

    dlg.MenuItem(CTamoSyncDlg::ID_LOGOUT)->trigger();
    EXPECT_FALSE(dlg.MenuItem(CTamoSyncDlg::ID_SYNC_MENU)->isEnabled());
    EXPECT_FALSE(button->isVisible());
    dlg.hide();
}
