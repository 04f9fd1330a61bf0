#include "app/AppEnvOptionDlg.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPainter>
#include <QRadioButton>

#include "app/SoundDlg.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "base/ui/GdiConvert.h"
#include "syncengine/EngineHttp.h"
#include "syncui/OptionDlg.h"
#include "syncui/OutlookOptionDlg.h"

using namespace tamoui;

namespace tamosync {

namespace {
constexpr std::uint32_t kGreyText = 0x888888;
}  // namespace

bool ReportOptionChoices(long nNotiMode, long nMiniMode)
{
    const QString body = QString::asprintf("notimode=%ld&minimode=%ld", nNotiMode, nMiniMode);
    return enginehttp::PostForm(CServiceConfig::Current().Url(Service::Statistics, endpoints::kInsertConfig), body).Ok();
}

COptionDlg::COptionDlg(QWidget* parent) : CTamoDlg(IDD, parent)
{
    resize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, tamo::ColorFromRef(kGreyText));
    pal.setColor(QPalette::ButtonText, tamo::ColorFromRef(kGreyText));
    setPalette(pal);

    AddControl(&m_stBasic, IDC_GROUP_BASIC, QRect(15, 10, 200, 18));
    m_stBasic.SetWindowText(QStringLiteral("기본 설정"));
    Check(IDC_AUTO_START, QStringLiteral("윈도우  시작 시 자동 실행"), QRect(25, 32, 330, 20));
    Check(IDC_HIDE_IN_TRAY, QStringLiteral("윈도우 시작 시 트레이에서만 실행하기"), QRect(45, 54, 310, 20));
    Check(IDC_MINI_MODE, QStringLiteral("다음 실행 시 미니모드로 시작"), QRect(25, 76, 330, 20));
    Check(IDC_TASKBAR, QStringLiteral("작업 표시줄에 나타내지 않기"), QRect(25, 98, 330, 20));
    Check(IDC_EXIT_HIDE, QStringLiteral("종료버튼(X) 클릭 시 트레이로 가기"), QRect(25, 120, 330, 20));
    // Kept for its setting; the page does not show it.
    Check(IDC_HIDE_TODO, QStringLiteral("\"할일\" 영역 보지 않기"), QRect(25, 142, 330, 20))->hide();

    AddControl(&m_stAlarm, IDC_GROUP_ALARM, QRect(15, 156, 200, 18));
    m_stAlarm.SetWindowText(QStringLiteral("알림 설정"));
    m_pPopup = new QRadioButton(QStringLiteral("팝업으로 알림 받기"), this);
    AddControl(m_pPopup, IDC_ALARM_POPUP, QRect(25, 178, 160, 20));
    m_pAlert = new QRadioButton(QStringLiteral("알림창으로 알림 받기"), this);
    AddControl(m_pAlert, IDC_ALARM_ALERT, QRect(190, 178, 180, 20));
    Check(IDC_ALARM_SOUND, QStringLiteral("알림이 뜰 때 소리를 들려줍니다"), QRect(25, 200, 230, 20));
    m_btnSound.setText(QStringLiteral("[소리설정]"));
    AddControl(&m_btnSound, IDC_SOUND_SETTINGS, QRect(260, 200, 80, 20));
    Check(IDC_NO_ALARM_FULLSCREEN, QStringLiteral("전체화면/게임 시 알림 받지 않기"), QRect(25, 222, 330, 20));

    // Any non-zero value counts as checked.
    const std::pair<int, int> values[] = {
        {IDC_AUTO_START, settings::AutoStart},   {IDC_HIDE_IN_TRAY, settings::HideInTray},
        {IDC_MINI_MODE, settings::Mode},         {IDC_TASKBAR, settings::TaskBar},
        {IDC_EXIT_HIDE, settings::ExitHide},     {IDC_HIDE_TODO, settings::HideTodo},
        {IDC_ALARM_SOUND, settings::AlarmSound}, {IDC_NO_ALARM_FULLSCREEN, settings::NoAlarmInFullscreen},
    };
    for (const auto& [id, index] : values)
        GetDlgItemAs<QCheckBox>(id)->setChecked(ReadSetting(index) != 0);
    (ReadSetting(settings::AlarmMode) != 0 ? m_pAlert : m_pPopup)->setChecked(true);
    EnableHideInTray();

    m_fnSoundDlg = [this] {
        CSoundDlg dlg(this);
        dlg.DoModal();
    };
    MapCommand(IDC_AUTO_START, [this] { EnableHideInTray(); });
    MapCommand(IDC_SOUND_SETTINGS, [this] { m_fnSoundDlg(); });

    m_stBasic.SetFont(QStringLiteral("돋움"), 11, 0x555555, 0);
    m_stAlarm.SetFont(QStringLiteral("돋움"), 11, 0x555555, 0);
    m_stBasic.SetBkColor(0xFFFFFF);
    m_stAlarm.SetBkColor(0xFFFFFF);
    m_btnSound.SetDrawLink(nullptr, 0x0281FB);
    SetMove(false);
}

QCheckBox* COptionDlg::Check(int nID, const QString& text, const QRect& rc)
{
    return AddControl(new QCheckBox(text, this), nID, rc);
}

bool COptionDlg::IsChecked(int nID) const
{
    const auto* box = GetDlgItemAs<QAbstractButton>(nID);
    return box && box->isChecked();
}

void COptionDlg::EnableHideInTray()
{
    // The box keeps its value while disabled; only its use depends on auto-start.
    GetDlgItem(IDC_HIDE_IN_TRAY)->setEnabled(IsChecked(IDC_AUTO_START));
}

void COptionDlg::Save()
{
    const std::pair<int, DWORD> values[] = {
        {settings::AutoStart, IsChecked(IDC_AUTO_START)},
        {settings::Mode, IsChecked(IDC_MINI_MODE)},
        {settings::HideInTray, IsChecked(IDC_HIDE_IN_TRAY)},
        {settings::TaskBar, IsChecked(IDC_TASKBAR)},
        {settings::HideTodo, IsChecked(IDC_HIDE_TODO)},
        {settings::AlarmMode, IsChecked(IDC_ALARM_ALERT) ? 1u : 0u},
        {settings::AlarmSound, IsChecked(IDC_ALARM_SOUND)},
        {settings::NoAlarmInFullscreen, IsChecked(IDC_NO_ALARM_FULLSCREEN)},
        {settings::ExitHide, IsChecked(IDC_EXIT_HIDE)},
    };
    // Write failures are not the user's to handle.
    for (const auto& [index, value] : values)
        (void)WriteSettingFlag(index, value);
    if (IsChecked(IDC_AUTO_START))
        (void)RegisterAutoStart(AutoStartCommand());
    else
        (void)UnregisterAutoStart();
    (void)ReportOptionChoices(IsChecked(IDC_ALARM_ALERT) ? 1 : 0, IsChecked(IDC_MINI_MODE) ? 1 : 0);
}

}  // namespace tamosync

CAppEnvOptionDlg::CAppEnvOptionDlg(int nFirstPage, bool bLoggedIn, QWidget* parent)
    : CTamoDlg(IDD, parent), m_nFirstPage(nFirstPage), m_bLoggedIn(bLoggedIn)
{
    resize(kWidth, kHeight);
    AddControl(&m_btnTabBasic, IDC_TAB_BASIC, QRect(10, 30, 104, 23));
    AddControl(&m_btnTabSync, IDC_TAB_SYNC, QRect(116, 30, 104, 23));
    m_btnOK.setText(QStringLiteral("확인"));
    m_btnCancel.setText(QStringLiteral("취소"));
    AddControl(&m_btnOK, IDOK, QRect(kWidth / 2 - 65, kHeight - 32, 60, 22));
    AddControl(&m_btnCancel, IDCANCEL, QRect(kWidth / 2 + 5, kHeight - 32, 60, 22));
    MapCommand(IDCLOSE_TITLE, [this] { EndDialog(IDCANCEL); });
    MapCommand(IDC_TAB_BASIC, [this] { ShowPage(0); });
    MapCommand(IDC_TAB_SYNC, [this] { ShowPage(1); });
    m_fnMessage = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };
    m_fnNewBasicPage = [](QWidget* parent) { return new tamosync::COptionDlg(parent); };
    m_fnNewSyncPage = [](QWidget* parent) { return new COutlookOptionDlg(parent); };
}

CAppEnvOptionDlg::~CAppEnvOptionDlg() = default;

bool CAppEnvOptionDlg::OnInitDialog()
{
    InitHelper(1, QStringLiteral("환경설정"), 1);
    m_btnOK.SetDrawNormal();
    m_btnCancel.SetDrawNormal();
    syncui::SetUpTab(m_btnTabBasic, m_basicImages, QStringLiteral("기본 설정"));
    // The second tab only while signed in.
    if (m_bLoggedIn)
        syncui::SetUpTab(m_btnTabSync, m_syncImages, QStringLiteral("싱크 설정"));
    else
        m_btnTabSync.hide();
    CheckTab(0);
    SetTimer(TIMER_BASIC_PAGE, 100);
    return true;
}

bool CAppEnvOptionDlg::CreatePage(CTamoDlg* page)
{
    if (!page->Create(this))
        return false;
    page->move(10, 53);
    page->hide();
    return true;
}

void CAppEnvOptionDlg::OnTimer(int nIDEvent)
{
    if (nIDEvent == TIMER_BASIC_PAGE) {
        KillTimer(TIMER_BASIC_PAGE);
        tamosync::COptionDlg* page = m_fnNewBasicPage(this);
        if (!page) {
            m_fnMessage(QStringLiteral("Error Creating Dialog Object"));
        } else if (!CreatePage(page)) {
            delete page;
            m_fnMessage(QStringLiteral("Error createing Dialog"));
        } else {
            m_pBasic = page;
        }
        SetTimer(TIMER_SYNC_PAGE, 100);
        if (m_nFirstPage == 0 && m_pBasic)
            ShowPage(0);
    } else if (nIDEvent == TIMER_SYNC_PAGE) {
        KillTimer(TIMER_SYNC_PAGE);
        if (m_bLoggedIn) {
            COutlookOptionDlg* page = m_fnNewSyncPage(this);
            if (!page) {
                m_fnMessage(QStringLiteral("Error Creating Dialog Object"));
            } else if (!CreatePage(page)) {
                delete page;
                m_fnMessage(QStringLiteral("Error createing Dialog"));
            } else {
                m_pSync = page;
            }
        }
        // Asked for the sync page but without one (signed out, or it failed): the basic page
        // rather than an empty dialog.
        if (m_nFirstPage == 1)
            ShowPage(m_pSync ? 1 : 0);
    }
}

void CAppEnvOptionDlg::CheckTab(int nPage)
{
    m_btnTabBasic.SetCheck(nPage == 0);
    m_btnTabSync.SetCheck(nPage == 1);
}

void CAppEnvOptionDlg::ShowPage(int nPage)
{
    // A page that does not exist (not yet, failed, or signed out) is never switched to.
    if (nPage == 1) {
        if (!m_bLoggedIn || !m_pSync) {
            CheckTab(m_nCurrentPage);
            return;
        }
        if (m_pBasic)
            m_pBasic->hide();
        m_pSync->show();
    } else {
        if (!m_pBasic) {
            CheckTab(m_nCurrentPage);
            return;
        }
        if (m_pSync)
            m_pSync->hide();
        m_pBasic->show();
    }
    m_nCurrentPage = nPage;
    CheckTab(nPage);
}

void CAppEnvOptionDlg::OnOK()
{
    if (m_bLoggedIn && m_pSync)
        m_pSync->PutEnv();
    if (m_pBasic)
        m_pBasic->Save();
    EndDialog(IDOK);
}

bool CAppEnvOptionDlg::OnEraseBkgnd(QPainter* pDC)
{
    DrawHelper(pDC, GetClientRect());
    return true;
}
