#include "app/WarningDlg.h"

#include <QPixmap>

#include "syncui/HelpBox.h"
#include "syncui/Syncing.h"

using namespace tamoui;

namespace {
constexpr int kWidth = 380;
constexpr int kHeight = 170;
}  // namespace

CWarningDlg::CWarningDlg(QWidget* parent) : CTamoDlg(IDD, parent)
{
    resize(kWidth, kHeight);
    AddControl(&m_stBackground, IDC_BACKGROUND, QRect(5, 28, kWidth - 10, kHeight - 33));
    m_stText.SetWindowText(QStringLiteral("   Tamo캘린더와 아웃룩의 데이터를 싱크합니다.\r\n\n단, 파일규격에 따라 일부 "
                                          "데이터가 잘못될 수 있습니다."));
    AddControl(&m_stText, IDC_TEXT, QRect(20, 48, kWidth - 50, 60));
    AddControl(&m_btnHelp, IDC_HELP, QRect(kWidth - 30, 34, 16, 16));
    m_btnSync.setText(QStringLiteral("아웃룩과 싱크하기"));
    m_btnOptions.setText(QStringLiteral("환경설정"));
    m_btnCancel.setText(QStringLiteral("취소"));
    AddControl(&m_btnSync, IDC_SYNC, QRect(68, kHeight - 40, 120, 22));
    AddControl(&m_btnOptions, IDC_OPTIONS, QRect(193, kHeight - 40, 60, 22));
    AddControl(&m_btnCancel, IDCANCEL, QRect(258, kHeight - 40, 54, 22));
    MapCommand(IDC_SYNC, [this] { OnSync(); });
    MapCommand(IDC_OPTIONS, [this] { OpenOptions(); });
    MapCommand(IDC_HELP, [this] { OnHelp(); });
    MapCommand(IDCLOSE_TITLE, [this] { EndDialog(IDCANCEL); });
    // Enter does not start a sync by itself.
    MapCommand(IDOK, [] {});
}

bool CWarningDlg::OnInitDialog()
{
    m_stBackground.SetDrawPopupBkgnd(0);
    InitHelper(0, QStringLiteral("아웃룩 싱크"), 1);
    m_stText.SetFont(QStringLiteral("돋움"), 12, 0x888888, 0);
    m_stText.SetBkColor(0xFFFFFF);
    for (CTamoButton* button : {&m_btnSync, &m_btnOptions, &m_btnCancel})
        button->SetDrawNormal();
    m_btnHelp.SetImageList({QPixmap(QStringLiteral(":/bitmaps/%1.svg").arg(int(IDB_HELP)))});
    m_btnHelp.SetIcons(0);
    m_btnHelp.SetButtonStyle(CTamoButton::BS_ICON);
    m_btnHelp.SetDrawLink(nullptr, 0x888888);
    m_btnHelp.setToolTip(QStringLiteral("도움말"));
    return true;
}

void CWarningDlg::OnSync()
{
    int result = 0;
    {
        CSyncing syncing;
        result = syncing.DoModal();
    }
    if (result == IDOK) {
        hide();
        SHelpBox box;
        box.title = QStringLiteral("싱크");
        box.heading = QStringLiteral("싱크가 정상적으로 완료되었습니다");
        box.mode = 0;
        box.compact = 1;
        ShowHelpBox(parentWidget(), box);
        EndDialog(IDCANCEL);
    } else if (result == 100) {
        OpenOptions();
    }
}

void CWarningDlg::OpenOptions()
{
    if (m_fnOpenOptions)
        m_fnOpenOptions(kOptionsPage);
}

void CWarningDlg::OnHelp()
{
    SHelpBox box;
    box.title = QStringLiteral("도움말");
    box.heading = QStringLiteral("Tamo캘린더와 아웃룩의 데이터를 싱크합니다.");
    box.body = QStringLiteral(
        "Tamo캘린더는 캘린더 RFC에 의한 표준적인 룰을 따릅니다.\r\n그러나 아웃룩이나 Tamo캘린더 등 대부분의 캘린더는 "
        "사용자의\r\n편의성을 위해 조금씩 다른 방식을 채택하고 있는 관계로 데이터를 \r\n주고받을때 중복/제거/깨짐 등의 "
        "현상이 나타날 수 있습니다. \r\n\n특히, 데이터를 내보냈을 때 보다 이것을 다시 돌려 받을 때\r\n데이터가 깨질 "
        "확률이 높습니다.");
    box.mode = 0;
    box.compact = 0;
    ShowHelpBox(this, box);
}
