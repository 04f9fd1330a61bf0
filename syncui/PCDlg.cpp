#include "syncui/PCDlg.h"

#include <QSysInfo>

using namespace tamoui;

CPCDlg::CPCDlg(QWidget* parent) : CTamoDlg(IDD, parent)
{
    resize(330, 200);
    AddControl(&m_stBackground, IDC_BACKGROUND, QRect(5, 28, 320, 132));
    AddControl(&m_stTitle, IDC_TITLE, QRect(25, 45, 280, 18));
    AddControl(&m_stRule, IDC_RULE, QRect(25, 75, 280, 18));
    AddControl(&m_stName, IDC_NAME, QRect(25, 100, 280, 18));
    AddControl(&m_stQuestion, IDC_QUESTION, QRect(25, 120, 280, 18));
    m_stTitle.SetWindowText(QStringLiteral("할일 아웃룩 싱크 PC인증"));
    m_stRule.SetWindowText(QStringLiteral("할일은 인증 받은 1대의 PC만 싱크가 가능합니다."));
    m_stQuestion.SetWindowText(QStringLiteral("PC와 할일 아웃룩 싱크를 하시겠습니까?"));
    m_btnOK.setText(QStringLiteral("확인"));
    m_btnCancel.setText(QStringLiteral("취소"));
    AddControl(&m_btnOK, IDOK, QRect(100, 168, 60, 22));
    AddControl(&m_btnCancel, IDCANCEL, QRect(170, 168, 60, 22));
    MapCommand(IDCLOSE_TITLE, [this] { EndDialog(IDCANCEL); });
}

QString CPCDlg::FormatNameLine(const QString& strComputerName)
{
    return QStringLiteral("앞으로 [ %1 ]").arg(strComputerName);
}

QString CPCDlg::GetComputerName() const
{
    return QSysInfo::machineHostName().left(kMaxComputerName);
}

bool CPCDlg::OnInitDialog()
{
    m_stBackground.SetDrawPopupBkgnd(0);
    m_btnOK.SetDrawNormal();
    m_btnCancel.SetDrawNormal();
    InitHelper(1, QStringLiteral("도움말"), 1);
    m_stName.SetWindowText(FormatNameLine(GetComputerName()));
    m_stTitle.SetFont(QStringLiteral("돋움"), 12, 0x0281FB, 1);
    for (CTamoStatic* st : {&m_stRule, &m_stName, &m_stQuestion})
        st->SetFont(QStringLiteral("돋움"), 12, 0x888888, 0);
    for (CTamoStatic* st : {&m_stTitle, &m_stRule, &m_stName, &m_stQuestion})
        st->SetBkColor(0xFFFFFF);
    return true;
}
