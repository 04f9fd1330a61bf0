#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSet>
#include <QTest>
#include <QTimer>

#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoDlg.h"
#include "tamoui/CTamoStatic.h"

using namespace tamoui;

namespace {

// A dialog that records what reaches it.
class CProbeDlg : public CTamoDlg {
public:
    explicit CProbeDlg(int nMode = 0, QWidget* parent = nullptr) : CTamoDlg(100, parent), m_nMode(nMode)
    {
        resize(420, 287);
        AddControl(new CTamoButton(QStringLiteral("확인")), IDOK, QRect(140, 250, 60, 22));
        AddControl(new QLineEdit, 1003, QRect(20, 60, 100, 20));
        auto* background = AddControl(new CTamoStatic, 1038, QRect(0, 23, 420, 264));
        background->SetDrawPopupBkgnd(0);
        background->lower();
        MapCommand(IDCLOSE_TITLE, [this] { EndDialog(IDCANCEL); });
    }
    QVector<QPair<int, int>> commands;
    QVector<int> timers;

protected:
    bool OnInitDialog() override
    {
        InitHelper(m_nMode, QStringLiteral("도움말"), 1);
        return true;
    }
    bool OnCommand(int nID, int nCode) override
    {
        commands.push_back({nID, nCode});
        return CTamoDlg::OnCommand(nID, nCode);
    }
    void OnTimer(int nIDEvent) override { timers.push_back(nIDEvent); }

private:
    int m_nMode;
};

QSet<int> VisibleTitleButtons(const CTamoDlg& dlg)
{
    QSet<int> ids;
    for (int id : {50100, 50110, 50120, 50130, 50140, 50160}) {
        QWidget* w = dlg.GetDlgItem(id);
        if (w && !w->isHidden())
            ids.insert(id);
    }
    return ids;
}

TEST(TamoDlg, TitleStripButtonsFollowTheDisplayMode)
{
    struct Row {
        const char* name;
        int helperMode, displayMode;
        bool loggedIn;
        QSet<int> visible;
    };
    const Row rows[] = {
        {"pop-up", 0, 0, false, {50100}},
        {"options", 1, 0, false, {50100}},
        {"main, signed out", 2, 0, false, {50100, 50120}},
        {"main, expanded", 2, 1, true, {50100, 50120, 50130, 50160}},
        {"main, mini", 2, 2, true, {50100, 50120, 50140, 50160}},
        {"main, expanded but signed out", 2, 1, false, {50100, 50120}},
    };
    for (const Row& r : rows) {
        CProbeDlg dlg(r.helperMode);
        dlg.show();
        dlg.SetMode(r.displayMode, r.loggedIn);
        EXPECT_EQ(VisibleTitleButtons(dlg), r.visible) << r.name;
        EXPECT_NE(dlg.GetDlgItem(50100), nullptr) << r.name;
    }
}

TEST(TamoDlg, TitleStripButtonsSendTheirCommandIdsAndTooltips)
{
    CProbeDlg dlg(2);
    dlg.show();
    dlg.SetMode(1, true);
    const QPair<int, QString> buttons[] = {
        {50120, QStringLiteral("최소화")}, {50130, QStringLiteral("미니모드")}, {50160, QStringLiteral("새로고침")}};
    for (const auto& [id, tip] : buttons) {
        auto* b = dlg.GetDlgItemAs<CTamoButton>(id);
        ASSERT_NE(b, nullptr) << id;
        EXPECT_EQ(b->toolTip(), tip);
        dlg.commands.clear();
        QTest::mouseClick(b, Qt::LeftButton);
        ASSERT_EQ(dlg.commands.size(), 1) << id;
        EXPECT_EQ(dlg.commands[0], qMakePair(id, BN_CLICKED));
    }
    dlg.SetMode(2, true);
    dlg.commands.clear();
    QTest::mouseClick(dlg.GetDlgItemAs<CTamoButton>(50140), Qt::LeftButton);
    EXPECT_EQ(dlg.commands.value(0), qMakePair(50140, BN_CLICKED));
    EXPECT_EQ(dlg.GetDlgItem(50100)->toolTip(), QStringLiteral("닫기"));

    // The buttons stay right-aligned after the window is resized.
    auto* close = dlg.GetDlgItem(50100);
    const int fromRight = dlg.width() - close->geometry().right();
    dlg.SetDialogSize(QRect(0, 0, 548, 412), 1);
    EXPECT_EQ(dlg.size(), QSize(548, 412));
    EXPECT_EQ(dlg.width() - close->geometry().right(), fromRight);
}

void Drag(QWidget* w, QPoint from, QPoint by)
{
    const QPoint g = w->mapToGlobal(from);
    QMouseEvent press(QEvent::MouseButtonPress, from, g, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent move(QEvent::MouseMove, from + by, g + by, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, from + by, g + by, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

TEST(TamoDlg, DraggingTheBodyMovesTheWindowUnlessSwitchedOff)
{
    CProbeDlg dlg;
    dlg.move(100, 100);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    const QPoint start = dlg.pos();
    Drag(&dlg, QPoint(200, 150), QPoint(40, 30));
    EXPECT_EQ(dlg.pos(), start + QPoint(40, 30));

    dlg.SetMove(false);
    Drag(&dlg, QPoint(200, 150), QPoint(40, 30));
    EXPECT_EQ(dlg.pos(), start + QPoint(40, 30));

    // A background static lets the press through to the dialog.
    EXPECT_TRUE(dlg.GetDlgItem(1038)->testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST(TamoDlg, DoModalAnswersTheEndingResult)
{
    struct Row {
        const char* name;
        std::function<void(CProbeDlg&)> act;
        int result;
    };
    const Row rows[] = {
        {"OK button", [](CProbeDlg& d) { QTest::mouseClick(d.GetDlgItemAs<CTamoButton>(IDOK), Qt::LeftButton); }, 1},
        {"title close", [](CProbeDlg& d) { QTest::mouseClick(d.GetDlgItemAs<CTamoButton>(50100), Qt::LeftButton); }, 2},
        {"escape", [](CProbeDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }, 2},
        {"own result", [](CProbeDlg& d) { d.EndDialog(100); }, 100},
    };
    for (const Row& r : rows) {
        CProbeDlg dlg;
        QTimer::singleShot(0, &dlg, [&] { r.act(dlg); });
        EXPECT_EQ(dlg.DoModal(), r.result) << r.name;
    }
}

TEST(TamoDlg, ControlsAreFoundByIdAndRouteTheirNotifications)
{
    CProbeDlg dlg;
    dlg.show();
    auto* edit = qobject_cast<QLineEdit*>(dlg.GetDlgItem(1003));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(GetControlId(edit), 1003);
    QTest::keyClicks(edit, "ab");
    EXPECT_EQ(dlg.commands.count(qMakePair(1003, EN_CHANGE)), 2);

    dlg.SetDlgItemText(1038, QStringLiteral("본문"));
    EXPECT_EQ(dlg.GetDlgItemText(1038), QStringLiteral("본문"));
    EXPECT_EQ(dlg.GetDlgItem(4242), nullptr);

    // A page inside the dialog keeps its own controls' commands.
    auto* page = new CProbeDlg(0);
    page->Create(&dlg);
    page->SetMove(false);
    dlg.commands.clear();
    QTest::mouseClick(page->GetDlgItemAs<CTamoButton>(IDOK), Qt::LeftButton);
    EXPECT_TRUE(dlg.commands.isEmpty());
    EXPECT_EQ(page->commands.value(0), qMakePair(IDOK, BN_CLICKED));

    // Escape inside the page reaches the window, not the page.
    page->commands.clear();
    page->show();
    QTest::keyClick(page, Qt::Key_Escape);
    EXPECT_TRUE(page->commands.isEmpty());
    EXPECT_EQ(dlg.commands.value(0), qMakePair(IDCANCEL, BN_CLICKED));
}

TEST(TamoDlg, TimersKeepTheirIds)
{
    CProbeDlg dlg;
    dlg.SetTimer(4096, 5);
    dlg.SetTimer(4097, 5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg.timers.contains(4096) && dlg.timers.contains(4097); }, 2000));
    dlg.KillTimer(4096);
    EXPECT_FALSE(dlg.HasTimer(4096));
    dlg.timers.clear();
    QTest::qWait(30);
    EXPECT_FALSE(dlg.timers.contains(4096));
    EXPECT_TRUE(dlg.timers.contains(4097));
    dlg.KillTimer(4097);
    dlg.KillTimer(5);  // unknown ids are harmless
}

}  // namespace
