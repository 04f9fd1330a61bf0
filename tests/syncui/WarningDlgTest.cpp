// The sync start window: the run from its button to the completion box, the options for a run
// that needs them and for its own button, and its help text.
#include <gtest/gtest.h>

#include <QTest>

#include "SyncTestSupport.h"
#include "TodoSyncWorld.h"
#include "app/WarningDlg.h"
#include "base/Settings.h"
#include "syncui/Syncing.h"
#include "tamoui/TamoToolkit.h"

using namespace tamo::test;

namespace {

void ClickLater(QWidget* w, int id)
{
    QTimer::singleShot(0, [w, id] { QTest::mouseClick(tamoui::FindControl(w, id), Qt::LeftButton); });
}

}  // namespace

TEST(WarningDlg, SyncButtonRunsTheSyncAndEndsWithTheCompletionBox)
{
    TodoSyncWorld world;
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.SetPreferences(false, true, false, false, false));
    BoxRecorder boxes;
    bool syncing = false, hiddenAtBox = false;
    CWarningDlg dlg;
    std::vector<int> pages;
    dlg.m_fnOpenOptions = [&pages](int page) {
        pages.push_back(page);
        return int(tamoui::IDCANCEL);
    };
    SetHelpBoxHook([&](const SHelpBox& box) {
        boxes.boxes.push_back(box);
        hiddenAtBox = !dlg.isVisible();
        return 1;
    });
    ModalWatcher watcher([&](QWidget* w) {
        if (w == &dlg)
            ClickLater(w, CWarningDlg::IDC_SYNC);
        syncing = syncing || qobject_cast<CSyncing*>(w) != nullptr;
    });
    EXPECT_EQ(dlg.DoModal(), tamoui::IDCANCEL);
    EXPECT_TRUE(syncing);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].title, QStringLiteral("싱크"));
    EXPECT_EQ(boxes.boxes[0].heading, QStringLiteral("싱크가 정상적으로 완료되었습니다"));
    EXPECT_EQ(boxes.boxes[0].mode, 0);
    EXPECT_EQ(boxes.boxes[0].compact, 1);
    EXPECT_TRUE(hiddenAtBox);
    EXPECT_TRUE(pages.empty());
    EXPECT_FALSE(ReadSettingString(settings::SyncDate).isEmpty());
}

TEST(WarningDlg, ARunThatNeedsTheOptionsOpensThemAndTheWindowStays)
{
    TodoSyncWorld world;
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.SetPreferences(false, false, false, false, false));  // 1020
    BoxRecorder boxes;
    CWarningDlg dlg;
    std::vector<int> pages;
    dlg.m_fnOpenOptions = [&pages, &dlg](int page) {
        pages.push_back(page);
        // The window stays after the options: close it as the user would.
        ClickLater(&dlg, tamoui::IDCANCEL);
        return int(tamoui::IDCANCEL);
    };
    ModalWatcher watcher([&](QWidget* w) {
        if (w == &dlg)
            ClickLater(w, CWarningDlg::IDC_SYNC);
    });
    EXPECT_EQ(dlg.DoModal(), tamoui::IDCANCEL);
    EXPECT_EQ(pages, std::vector<int>({CWarningDlg::kOptionsPage}));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].heading, syncstatus::Message(syncstatus::kNothingSelected));
}

TEST(WarningDlg, OptionsAndHelpButtons)
{
    BoxRecorder boxes;
    CWarningDlg dlg;
    std::vector<int> pages;
    dlg.m_fnOpenOptions = [&pages](int page) {
        pages.push_back(page);
        return int(tamoui::IDOK);
    };
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("아웃룩 싱크"));
    EXPECT_EQ(dlg.GetDlgItemText(CWarningDlg::IDC_TEXT),
              QStringLiteral("   Tamo캘린더와 아웃룩의 데이터를 싱크합니다.\r\n\n단, 파일규격에 따라 일부 데이터가 잘못될 수 "
                             "있습니다."));
    QTest::mouseClick(dlg.GetDlgItem(CWarningDlg::IDC_OPTIONS), Qt::LeftButton);
    EXPECT_EQ(pages, std::vector<int>({1}));
    EXPECT_TRUE(dlg.isVisible());
    QTest::mouseClick(dlg.GetDlgItem(CWarningDlg::IDC_HELP), Qt::LeftButton);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].title, QStringLiteral("도움말"));
    EXPECT_EQ(boxes.boxes[0].heading, QStringLiteral("Tamo캘린더와 아웃룩의 데이터를 싱크합니다."));
    EXPECT_TRUE(boxes.boxes[0].body.startsWith(QStringLiteral("Tamo캘린더는 캘린더 RFC에 의한")));
    QTest::mouseClick(dlg.GetDlgItem(tamoui::IDCLOSE_TITLE), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), tamoui::IDCANCEL);
}
