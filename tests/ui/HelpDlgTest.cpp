#include <gtest/gtest.h>

#include <QSysInfo>
#include <QTest>
#include <QTimer>

#include "syncui/HelpDlg.h"
#include "syncui/PCDlg.h"
#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoStatic.h"

using namespace tamoui;

namespace {

// Opens the dialog modally, lets check look at it open, then presses the button with that id.
template <typename Dlg>
int RunAndPress(Dlg& dlg, int nButton, const std::function<void()>& check = {})
{
    QTimer::singleShot(0, &dlg, [&] {
        if (check)
            check();
        auto* b = dlg.template GetDlgItemAs<CTamoButton>(nButton);
        if (!b || b->isHidden())
            dlg.EndDialog(-1);
        else
            QTest::mouseClick(b, Qt::LeftButton);
    });
    return dlg.DoModal();
}

TEST(HelpDlg, GeometryFollowsModeAndCompactFlag)
{
    struct Row {
        const char* name;
        int mode, compact;
        QSize window;
        int okX, cancelX;  // cancelX -1: no cancel button
    };
    const Row rows[] = {
        {"one button, compact", 0, 1, {410, 130}, 140, -1},
        {"one button, full", 0, 0, {410, 300}, 410 / 2 - 30, -1},
        {"two buttons, full", 1, 0, {410, 300}, 110, 110 + 60 + 5},
        {"two buttons, compact", 1, 1, {410, 130}, 110, 175},
    };
    for (const Row& r : rows) {
        CHelpDlg dlg;
        dlg.SetMode(r.mode, r.compact);
        dlg.m_strTitle = QStringLiteral("에러");
        dlg.m_strHeading = QStringLiteral("서버에 연결할 수 없습니다.\r\n잠시 후 다시 시도하세요.");
        const int result = RunAndPress(dlg, IDOK, [&] {
            EXPECT_EQ(dlg.size(), r.window) << r.name;
            auto* ok = dlg.GetDlgItem(IDOK);
            auto* cancel = dlg.GetDlgItem(CHelpDlg::IDC_CANCEL);
            EXPECT_EQ(ok->pos(), QPoint(r.okX, r.window.height() - 30)) << r.name;
            EXPECT_EQ(cancel->isVisible(), r.cancelX >= 0) << r.name;
            if (r.cancelX >= 0) {
                EXPECT_EQ(cancel->pos(), QPoint(r.cancelX, r.window.height() - 30)) << r.name;
            }
            if (r.compact) {
                EXPECT_EQ(dlg.GetDlgItem(CHelpDlg::IDC_BACKGROUND)->size(), QSize(400, 65)) << r.name;
            }
            if (r.mode == 0) {
                EXPECT_EQ(dlg.GetDlgItem(CHelpDlg::IDC_HEADING)->geometry(),
                          QRect(30, 50, r.window.width() - 30, r.window.height() - 40))
                    << r.name;
            }
            EXPECT_EQ(dlg.GetDlgItemText(CHelpDlg::IDC_HEADING), dlg.m_strHeading);
            EXPECT_EQ(dlg.windowTitle(), QStringLiteral("에러"));
        });
        EXPECT_EQ(result, 1) << r.name;
    }
}

TEST(HelpDlg, ButtonsAnswerOkOrCancel)
{
    const struct {
        const char* name;
        int mode, button, result;
    } rows[] = {
        {"OK", 1, IDOK, 1},
        {"취소", 1, CHelpDlg::IDC_CANCEL, 2},
        {"title close", 1, IDCLOSE_TITLE, 2},
        {"title close, one button", 0, IDCLOSE_TITLE, 2},
    };
    for (const auto& r : rows) {
        CHelpDlg dlg;
        dlg.SetMode(r.mode, 0);
        EXPECT_EQ(RunAndPress(dlg, r.button), r.result) << r.name;
    }
    CHelpDlg fresh;
    EXPECT_EQ(fresh.m_strTitle, QStringLiteral("도움말"));
    EXPECT_EQ(fresh.GetMode(), 0);
    EXPECT_EQ(fresh.GetCompact(), 0);
}

class CNamedPCDlg : public CPCDlg {
protected:
    QString GetComputerName() const override { return QStringLiteral("OFFICE-PC"); }
};

TEST(PCDlg, NamesTheComputerAndAnswers)
{
    CNamedPCDlg dlg;
    const int result = RunAndPress(dlg, IDOK, [&] {
        EXPECT_EQ(dlg.GetDlgItemText(CPCDlg::IDC_NAME), QStringLiteral("앞으로 [ OFFICE-PC ]"));
        EXPECT_EQ(dlg.GetDlgItemText(CPCDlg::IDC_TITLE), QStringLiteral("할일 아웃룩 싱크 PC인증"));
        EXPECT_EQ(dlg.GetDlgItemText(CPCDlg::IDC_QUESTION), QStringLiteral("PC와 할일 아웃룩 싱크를 하시겠습니까?"));
    });
    EXPECT_EQ(result, 1);

    CPCDlg host;
    EXPECT_EQ(RunAndPress(host, IDCANCEL, [&] {
        EXPECT_EQ(host.GetDlgItemText(CPCDlg::IDC_NAME), CPCDlg::FormatNameLine(QSysInfo::machineHostName()));
    }), 2);
    CPCDlg closed;
    EXPECT_EQ(RunAndPress(closed, IDCLOSE_TITLE), 2);
}

}  // namespace
