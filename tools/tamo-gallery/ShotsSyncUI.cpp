// The message box in each mode and the PC certification dialog.
#include "Gallery.h"

#include "syncui/HelpDlg.h"
#include "syncui/PCDlg.h"

namespace {
class CGalleryPCDlg : public CPCDlg {
protected:
    QString GetComputerName() const override { return QStringLiteral("OFFICE-PC"); }
};
}  // namespace

TAMO_GALLERY_SHOTS(SyncUI)
{
    const struct {
        const char* name;
        int mode, compact;
        const char* title;
        const char* heading;
        const char* body;
    } boxes[] = {
        {"helpdlg_error_compact", 0, 1, "에러", "서버와 연결할 수 없습니다.\r\n잠시 후 다시 시도하세요.", ""},
        {"helpdlg_done_compact", 0, 1, "싱크", "싱크가 정상적으로 완료되었습니다", ""},
        {"helpdlg_todo_full", 0, 0, "도움말", "할일 싱크",
         "할일은 아웃룩 특성상 1대의 PC에서만 정상적인 싱크가 가능합니다. \r\n즉, 이 PC와 할일을 싱크하다가 타 PC에서도 "
         "싱크를 하면\r\n동일한 할일이 두개씩 중복으로 쌓일 수도 있습니다.\r\n"},
        {"helpdlg_question_two_buttons", 1, 0, "도움말", "고급 싱크 설정",
         "이 옵션은 일반적인 싱크 상황에서는 사용하지 마세요!\r\n고급 싱크는 속도가 매우 느려질 수 있습니다.\r\n"},
        {"helpdlg_question_compact", 1, 1, "경고", "Pello를 종료하시겠습니까?", ""},
    };
    for (const auto& b : boxes) {
        CHelpDlg dlg;
        dlg.SetMode(b.mode, b.compact);
        dlg.m_strTitle = QString::fromUtf8(b.title);
        dlg.m_strHeading = QString::fromUtf8(b.heading);
        dlg.m_strBody = QString::fromUtf8(b.body);
        g.AddWidget(QString::fromUtf8(b.name), &dlg);
    }
    CGalleryPCDlg pc;
    g.AddWidget(QStringLiteral("pcdlg"), &pc);
}
