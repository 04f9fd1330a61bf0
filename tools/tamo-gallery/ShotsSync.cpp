// The sync windows: the start window, the progress window (two frames), the conflict dialog on
// each tab and the message boxes of a run.
#include "Gallery.h"

#include <QProgressBar>

#include "syncui/DlgConflict.h"
#include "syncui/HelpDlg.h"
#include "syncui/SyncRun.h"
#include "syncui/Syncing.h"
#ifdef TAMO_GALLERY_HAS_PROGRAM
#include "app/WarningDlg.h"
#endif

TAMO_GALLERY_SHOTS(Sync)
{
#ifdef TAMO_GALLERY_HAS_PROGRAM
    {
        CWarningDlg start;
        g.AddWidget(QStringLiteral("start"), &start);
    }
#endif
    for (const auto& [frame, value] : {std::pair{0, 20}, std::pair{3, 55}}) {
        CSyncing syncing;
        syncing.show();
        // A picture of the window, not a run.
        syncing.KillTimer(CSyncing::TIMER_START);
        syncing.KillTimer(CSyncing::TIMER_ANIMATION);
        syncing.ShowFrame(frame);
        if (auto* bar = syncing.GetDlgItemAs<QProgressBar>(CSyncing::IDC_PROGRESS))
            bar->setValue(value);
        g.AddWidget(QStringLiteral("syncing_frame_%1").arg(frame), &syncing);
        syncing.hide();
    }

    const struct {
        int id;
        const char* name;
    } tabs[] = {{CDlgConflict::IDC_TAB_ALL, "all"}, {CDlgConflict::IDC_TAB_EVENT, "events"},
                {CDlgConflict::IDC_TAB_TODO, "todos"}};
    for (const auto& tab : tabs) {
        CDlgConflict conflict;
        conflict.AddData("t1", QStringLiteral("보고서 제출 (서비스)"), QStringLiteral("보고서 제출 (아웃룩)"), true, true);
        conflict.AddData("t2", QStringLiteral("장보기"), QStringLiteral("장보기 - 우유"), true, false);
        conflict.AddData("e1", QStringLiteral("팀 회의 10:00"), QStringLiteral("팀 회의 11:00"), false, false);
        conflict.AddData("e2", QStringLiteral("저녁 약속"), QStringLiteral("저녁 약속 (강남)"), false, true);
        conflict.AddData("e3", QStringLiteral("치과 예약"), QStringLiteral("치과"), false, true);
        conflict.show();
        conflict.SendCommand(tab.id);
        g.AddWidget(QStringLiteral("conflict_%1").arg(QLatin1String(tab.name)), &conflict);
        conflict.hide();
    }

    // Every box a run can end with, and the completion and help boxes of the start window.
    const int codes[] = {syncstatus::kNoPreferences,       syncstatus::kNoCategory,      syncstatus::kNoOutlook,
                         syncstatus::kNoPcKey,             syncstatus::kReadTodoFailed,  syncstatus::kReadOutlookTodoFailed,
                         syncstatus::kTodoSyncFailed,      syncstatus::kReadEventFailed, syncstatus::kReadOutlookEventFailed,
                         syncstatus::kEventSyncFailed,     syncstatus::kIncomplete,      syncstatus::kBusy,
                         syncstatus::kNothingSelected,     syncstatus::kDuplicateEvents};
    for (int code : codes) {
        CHelpDlg box;
        box.SetMode(0, 1);
        box.m_strTitle = QStringLiteral("에러");
        box.m_strHeading = syncstatus::Message(code, 3);
        g.AddWidget(QStringLiteral("error_%1").arg(code), &box);
    }
    {
        CHelpDlg done;
        done.SetMode(0, 1);
        done.m_strTitle = QStringLiteral("싱크");
        done.m_strHeading = QStringLiteral("싱크가 정상적으로 완료되었습니다");
        g.AddWidget(QStringLiteral("done"), &done);
    }
    {
        CHelpDlg help;
        help.SetMode(0, 0);
        help.m_strHeading = QStringLiteral("Tamo캘린더와 아웃룩의 데이터를 싱크합니다.");
        help.m_strBody = QStringLiteral(
            "Tamo캘린더는 캘린더 RFC에 의한 표준적인 룰을 따릅니다.\r\n그러나 아웃룩이나 Tamo캘린더 등 대부분의 캘린더는 "
            "사용자의\r\n편의성을 위해 조금씩 다른 방식을 채택하고 있는 관계로 데이터를 \r\n주고받을때 중복/제거/깨짐 등의 "
            "현상이 나타날 수 있습니다. \r\n\n특히, 데이터를 내보냈을 때 보다 이것을 다시 돌려 받을 때\r\n데이터가 깨질 "
            "확률이 높습니다.");
        g.AddWidget(QStringLiteral("help"), &help);
    }
}
