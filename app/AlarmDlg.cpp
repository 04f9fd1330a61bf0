#include "app/AlarmDlg.h"

using namespace tamoui;

namespace {
constexpr int kAlarmDlgWidth = 260;
constexpr int kAlarmDlgHeight = 162;
constexpr std::uint32_t kAlarmDlgGrey = 0x888888;
constexpr std::uint32_t kAlarmDlgAccent = 0x0281FB;
}  // namespace

CAlarmDlg::CAlarmDlg(const _dataAlarm& alarm, const QString& url, CAlarmCenter* pCenter, QWidget* parent)
    : CTamoDlg(IDD, parent), m_alarm(alarm), m_strUrl(url), m_pCenter(pCenter)
{
    resize(kAlarmDlgWidth, kAlarmDlgHeight);
    AddControl(&m_stBackground, IDC_BACKGROUND, QRect(5, 28, kAlarmDlgWidth - 10, kAlarmDlgHeight - 33));
    AddControl(&m_stText, IDC_TEXT, QRect(16, 38, kAlarmDlgWidth - 32, 14));
    AddControl(&m_stText2, IDC_TEXT2, QRect(16, 54, kAlarmDlgWidth - 32, 14));
    AddControl(&m_btnTitle, IDC_TITLE, QRect(16, 70, kAlarmDlgWidth - 32, 18));
    AddControl(&m_stSeparator, IDC_SEPARATOR, QRect(10, 96, kAlarmDlgWidth - 10, 1));
    AddControl(&m_chkRemind, IDC_REMIND, QRect(16, 105, 18, 20));
    AddControl(&m_cbDelay, IDC_DELAY, QRect(36, 104, 70, 22));
    AddControl(&m_stDelayLabel, IDC_DELAY_LABEL, QRect(112, 108, 80, 14));
    AddControl(&m_btnOK, IDOK, QRect(kAlarmDlgWidth - 76, 130, 60, 22));

    m_stText.SetWindowText(QStringLiteral("알림을 요청하셨습니다."));
    m_btnTitle.setText(alarm.title);
    m_stDelayLabel.SetWindowText(QStringLiteral("후 다시 알림"));
    m_btnOK.setText(QStringLiteral("확인"));
    m_cbDelay.addItems({QStringLiteral("1분"), QStringLiteral(" 5분"), QStringLiteral(" 10분"), QStringLiteral(" 30분"),
                        QStringLiteral(" 1시간")});
    m_cbDelay.setCurrentIndex(1);
    m_cbDelay.setEnabled(false);
    // A summary of several alarms has no item to ring for again.
    m_chkRemind.setEnabled(alarm.id != 0);

    MapCommand(IDC_REMIND, [this] { m_cbDelay.setEnabled(m_chkRemind.isChecked()); });
    MapCommand(IDC_TITLE, [this] {
        if (m_pCenter)
            m_pCenter->OpenPage(m_strUrl);
    });
    MapCommand(IDCLOSE_TITLE, [this] { EndDialog(IDCANCEL); });
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
}

bool CAlarmDlg::OnInitDialog()
{
    InitHelper(0, QStringLiteral("Tamo 캘린더 알림 서비스"), 1);
    m_stBackground.SetDrawPopupBkgnd(0);
    for (CTamoStatic* st : {&m_stText, &m_stText2, &m_stDelayLabel}) {
        st->SetFont(QStringLiteral("돋움"), 12, kAlarmDlgGrey, 0);
        st->SetBkColor(0xFFFFFF);
    }
    QFont linkFont(QStringLiteral("돋움"));
    linkFont.setPixelSize(12);
    linkFont.setBold(true);
    m_btnTitle.SetDrawLink(&linkFont, kAlarmDlgAccent);
    m_btnTitle.setCursor(Qt::PointingHandCursor);
    m_stSeparator.SetBkColor(0xE4E4E4);
    m_btnOK.SetDrawNormal();
    return true;
}

void CAlarmDlg::OpenModeless()
{
    // Top-most while it appears, then an ordinary window that others may cover.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    show();
    SetTimer(TIMER_TOPMOST, 1000);
}

void CAlarmDlg::OnTimer(int nIDEvent)
{
    if (nIDEvent != TIMER_TOPMOST)
        return;
    KillTimer(TIMER_TOPMOST);
    const QPoint at = pos();
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, false);  // hides the window: show it again in place
    move(at);
    if (visible) {
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        show();
    }
}

int CAlarmDlg::DelayMinutes(int nItem)
{
    static const int kMinutes[] = {1, 5, 10, 30, 60};
    return nItem >= 0 && nItem < 5 ? kMinutes[nItem] : 5;
}

void CAlarmDlg::OnOK()
{
    if (m_chkRemind.isChecked() && m_pCenter)
        m_pCenter->RemindAgain(m_alarm, DelayMinutes(m_cbDelay.currentIndex()));
    EndDialog(IDOK);
}
