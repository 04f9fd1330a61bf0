#include "app/TamoSyncDlg.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWebEngineView>
#include <QtEndian>

#include "app/AboutDlg.h"
#include "app/Alarm.h"
#include "app/AppArt.h"
#include "app/AppEnvOptionDlg.h"
#include "app/WarningDlg.h"
#include "app/CalToolTip.h"
#include "app/DateLine.h"
#include "app/PowerWatcher.h"
#include "app/QuickAddDlg.h"
#include "app/ServicePage.h"
#include "app/StartupTrace.h"
#include "app/WebProfile.h"
#include "base/HttpClient.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "base/WindowMessage.h"
#include "base/ui/ImageList.h"
#include "base/ui/MenuXP.h"
#include "syncui/HelpDlg.h"

using namespace tamoui;

namespace {

constexpr std::uint32_t kGreyText = 0x888888;

const QString kShowText = QStringLiteral("프로그램 열기 (&H)");
const QString kHideText = QStringLiteral("프로그램 숨기기 (&H)");
const QString kMiniText = QStringLiteral("미니모드 (&M)");
const QString kExpandText = QStringLiteral("확대모드 (&M)");

constexpr QSize kSignedOutSize(420, 287);
constexpr QSize kExpandedSize(548, 412);
constexpr QSize kExpandedNoTodoSize(548, 272);
constexpr QSize kMiniSize(375, 225);
constexpr QSize kMiniNoTodoSize(190, 225);
constexpr int kMiniNoTodoShift = 190;

bool HideTodo()
{
    return ReadSetting(settings::HideTodo) != 0;
}

QString CalendarUrl(const QString& path)
{
    return CServiceConfig::Current().Url(Service::Calendar, path);
}

// The quick-add windows, one at a time: both menu entries stay greyed while one is open. After
// a save the usage event is counted and the page shows the new item.
void RunQuickAdd(CTamoSyncDlg& owner, bool bEvent)
{
    static bool s_bOpen = false;
    if (s_bOpen)
        return;
    s_bOpen = true;
    const int ids[] = {CTamoSyncDlg::ID_ADD_EVENT, CTamoSyncDlg::ID_ADD_TODO};
    for (int id : ids)
        if (QAction* item = owner.MenuItem(id))
            item->setEnabled(false);
    int result = IDCANCEL;
    if (bEvent) {
        CSetAppointmentDlg dlg(&owner);
        result = dlg.DoModal();
    } else {
        CSetTodoDlg dlg(&owner);
        result = dlg.DoModal();
    }
    s_bOpen = false;
    for (int id : ids)
        if (QAction* item = owner.MenuItem(id))
            item->setEnabled(owner.IsLoggedIn());
    if (result != IDOK)
        return;
    owner.Logger().Log(bEvent ? QStringLiteral("input") : QStringLiteral("write"));
    owner.RunPageScript(bEvent ? QStringLiteral("event_reload();") : QStringLiteral("todo_reload();"));
}

}  // namespace

CTamoSyncDlg::CTamoSyncDlg(QWidget* parent) : CTamoDlg(IDD, parent)
{
    resize(kSignedOutSize);
    AddControl(&m_stTitleStrip, IDC_TITLE_STRIP, QRect(1, 0, width() - 3, kTitleHeight));
    AddControl(&m_btnMenu, IDC_MENU, QRect(4, 3, 18, 18));
    AddControl(&m_stDateLine, IDC_DATE_LINE, QRect(8, 30, 400, 16));
    m_btnSync.setText(QStringLiteral("아웃룩 싱크"));
    AddControl(&m_btnSync, IDC_SYNC, QRect(width() - 100, 30, 90, 18));
    m_pExplorer = new CExplorer(this, MainViewRules(), this);
    SetControlId(m_pExplorer, IDC_BROWSER);
    m_pAlarms = new CAlarmCenter(this);
    m_pAlarms->m_fnOpenPage = [this](const QString& url) { OpenServicePage(url); };

    m_fnAsk = [this](const QString& title, const QString& text) {
        CHelpDlg dlg(this);
        dlg.SetMode(1, 1);
        dlg.m_strTitle = title;
        dlg.m_strHeading = text;
        return dlg.DoModal();
    };
}

CTamoSyncDlg::~CTamoSyncDlg()
{
    if (m_pTray)
        m_pTray->hide();
    m_logger.Stop();
}

bool CTamoSyncDlg::OnInitDialog()
{
    startup::Mark("dialog-init");
    // 1. Icons.
    setWindowIcon(AppIcon(kTrayIconSignedIn));
    // 2. The skin, the menu button, the title strip, the sync button's picture.
    InitHelper(2, QString(), 1);
    const QPixmap strip = AppBitmap(136);
    QVector<QPixmap> states;
    for (int i = 0; i < 4; ++i)
        states << strip.copy(i * 18, 0, 18, 18);
    m_btnMenu.SetImageList(states);
    m_btnMenu.SetIcons(0, 2, 3, 1);
    m_btnMenu.SetButtonStyle(CTamoButton::BS_ICON);
    m_btnMenu.setToolTip(QStringLiteral("메뉴"));
    m_stTitleStrip.m_pPicture = &m_titlePicture;
    LayoutTitle(width());
    QFont linkFont(QStringLiteral("돋움"));
    linkFont.setPixelSize(11);
    m_btnSync.SetDrawLink(&linkFont, kGreyText);
    m_btnSync.SetImageList({AppBitmap(140)});
    m_btnSync.SetIcons(0);
    m_btnSync.SetButtonStyle(CTamoButton::BS_ICON | CTamoButton::BS_TEXT);
    m_btnSync.SizeToContent();
    m_btnSync.hide();

    // 3. Tray icon (signed out), menu, date line font.
    m_pTray = new QSystemTrayIcon(this);
    m_pTray->setToolTip(QStringLiteral("Tamo캘린더"));
    SetTrayIcon(false);
    connect(m_pTray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) {
            SetMenuText(ID_SHOW_HIDE, kHideText);
            ShowFromTray();
        } else if (reason == QSystemTrayIcon::Context) {
            m_ptTrayMenu = QCursor::pos();
            SetTimer(TIMER_TRAY_MENU, 300);
        }
    });
    m_pTray->show();
    BuildMenu();
    m_stDateLine.SetFont(QStringLiteral("돋움"), 11, kGreyText, 0);
    m_stDateLine.SetBkColor(0xFFFFFF);

    // 4. The view: no size until a layout gives it one.
    PlaceBrowser(QRect());

    // 5. Timers and the date line.
    SetTimer(TIMER_PANELS, 100);
    SetTimer(TIMER_START_STATE, 100);
    WriteDateLine();
    SetTimer(TIMER_DATE_LINE, 10000);

    // 6. Start-up settings: task-bar style, the truth about auto-start, title, position.
    ApplyTaskBarStyle();
    WriteSettingFlag(settings::AutoStart, IsAutoStartRegistered() ? 1 : 0);
    setWindowTitle(QStringLiteral("Tamo Pello"));
    RestorePosition();

    // 8. First start and every start.
    if (ReadSetting(settings::Install) == 0) {
        WriteSettingFlag(settings::Install, 1);
        m_logger.Log(QStringLiteral("ins"));
    }
    m_logger.Log(QStringLiteral("exe"));

    m_pPower = new CPowerWatcher(this);
    connect(m_pPower, &CPowerWatcher::Suspend, this, &CTamoSyncDlg::OnSuspend);
    connect(m_pPower, &CPowerWatcher::Resume, this, &CTamoSyncDlg::OnResume);
    SetMode(MODE_SIGNED_OUT, false);
    startup::Mark("dialog-ready");
    return true;
}

// ---- Menu and tray ----

void CTamoSyncDlg::BuildMenu()
{
    struct SItem {
        int id;
        const char* text;
        int image;  // bitmap, or 0
    };
    static const SItem kItems[] = {
        {ID_LOGOUT, "로그 아웃", 0},
        {ID_TOPMOST, "항상 위 (&A)", 0},
        {ID_OPTIONS, "환경설정 (&C)", 151},
        {ID_SYNC_MENU, "아웃룩 싱크 (&O)", 0},
        {ID_MODE, "미니모드 (&M)", 0},
        {0, nullptr, 0},
        {ID_WEB_CALENDAR, "웹 Tamo캘린더 (&W)", 0},
        {ID_ADD_EVENT, "일정등록하기 (&S)", 153},
        {ID_ADD_TODO, "할일등록하기 (&T)", 154},
        {0, nullptr, 0},
        {ID_BLOG, "캘린더 공식블로그 (&B)", 0},
        {ID_HELP, "도움말/문의 (&Q)", 0},
        {ID_ABOUT, "프로그램 정보 (&F)", 0},
        {0, nullptr, 0},
        {ID_SHOW_HIDE, "프로그램 숨기기 (&H)", 152},
        {ID_QUIT, "프로그램 종료 (&X)", 150},
    };
    m_pMenu = new QMenu(this);
    for (const SItem& item : kItems) {
        if (item.id == 0) {
            m_pMenu->addSeparator();
            continue;
        }
        QAction* action = m_pMenu->addAction(QString::fromUtf8(item.text));
        action->setData(item.id);
        if (item.image)
            action->setIcon(QIcon(AppBitmap(item.image)));
        m_menuItems[item.id] = action;
        const int id = item.id;
        connect(action, &QAction::triggered, this, [this, id] { OnMenuCommand(id); });
    }
    MenuItem(ID_TOPMOST)->setCheckable(true);
    CMenuXP::SetXPLookNFeel(this, m_pMenu);
    EnableSignedInItems(false);
}

QAction* CTamoSyncDlg::MenuItem(int nID) const
{
    const auto found = m_menuItems.find(nID);
    return found == m_menuItems.end() ? nullptr : found->second;
}

void CTamoSyncDlg::SetMenuText(int nID, const QString& text)
{
    if (QAction* action = MenuItem(nID))
        action->setText(text);
}

QString CTamoSyncDlg::MenuText(int nID) const
{
    const QAction* action = MenuItem(nID);
    return action ? action->text() : QString();
}

void CTamoSyncDlg::EnableSignedInItems(bool bEnable)
{
    for (int id : {ID_LOGOUT, ID_ADD_EVENT, ID_ADD_TODO, ID_SYNC_MENU})
        MenuItem(id)->setEnabled(bEnable);
}

void CTamoSyncDlg::SetTrayIcon(bool bSignedIn)
{
    m_nTrayIcon = bSignedIn ? kTrayIconSignedIn : kTrayIconSignedOut;
    if (m_pTray)
        m_pTray->setIcon(AppIcon(m_nTrayIcon));
}

void CTamoSyncDlg::TrackMenu(const QPoint& at)
{
    m_pMenu->exec(at);
    m_bMenuFromWindow = false;
}

void CTamoSyncDlg::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    // The title strip stands for the window frame: its menu is the system menu.
    if (event->pos().y() >= kTitleHeight)
        return;
    QMenu system(this);
    system.addSeparator();
    system.addAction(QStringLiteral("TamoSync 정보(&A)..."), this, [this] { SendCommand(IDM_ABOUTBOX); });
    system.exec(event->globalPos());
}

void CTamoSyncDlg::OnMenuCommand(int nID)
{
    switch (nID) {
    case ID_LOGOUT:
        if (m_bLoggedIn && !m_pExplorer->IsNavigationPending())
            SignOut();
        break;
    case ID_TOPMOST: {
        const bool top = windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        SetWindowFlagsKeepShown(windowFlags() ^ Qt::WindowStaysOnTopHint);
        MenuItem(ID_TOPMOST)->setChecked(!top);
        break;
    }
    case ID_MODE:
        if (MenuText(ID_MODE) == kMiniText)
            MiniMode();
        else
            ExpandMode();
        break;
    case ID_WEB_CALENDAR:
        OpenServicePage(CalendarUrl(QStringLiteral("/")));
        break;
    case ID_ADD_EVENT:
    case ID_ADD_TODO:
        RunQuickAdd(*this, nID == ID_ADD_EVENT);
        break;
    case ID_BLOG:
        OpenServicePage(CServiceConfig::Current().Url(Service::Blog, QStringLiteral("/")));
        break;
    case ID_HELP:
        OpenServicePage(CServiceConfig::Current().Url(Service::Help, endpoints::kHelpTop));
        break;
    case ID_OPTIONS:
        OpenOptions(0);
        break;
    case ID_SYNC_MENU:
        StartSync();
        break;
    case ID_ABOUT:
        OpenAbout();
        break;
    case ID_SHOW_HIDE:
        OnShowHide();
        break;
    case ID_QUIT:
        OnQuit();
        break;
    default:
        break;
    }
    m_bMenuFromWindow = false;
}

bool CTamoSyncDlg::OnCommand(int nID, int nCode)
{
    if (nCode != BN_CLICKED)
        return CTamoDlg::OnCommand(nID, nCode);
    switch (nID) {
    case IDC_TITLE_CLOSE:
        OnClose();
        return true;
    case IDC_TITLE_MINIMIZE:
        OnMinimize();
        return true;
    case IDC_TITLE_MINI:
        MiniMode();
        return true;
    case IDC_TITLE_EXPAND:
        ExpandMode();
        return true;
    case IDC_TITLE_REFRESH:
        OnRefresh();
        return true;
    case IDC_TITLE_SPARE:
        return true;
    case IDC_SYNC:
        StartSync();
        return true;
    case IDC_MENU:
        m_bMenuFromWindow = true;
        TrackMenu(QCursor::pos());
        return true;
    default:
        break;
    }
    if (nID >= IDM_ABOUTBOX && nID <= 31) {
        OpenAbout();
        return true;
    }
    if (MenuItem(nID)) {
        OnMenuCommand(nID);
        return true;
    }
    return CTamoDlg::OnCommand(nID, nCode);
}

void CTamoSyncDlg::customEvent(QEvent* event)
{
    // Commands posted to the window (the detail pop-up's "add event").
    if (event->type() == CWindowMessageEvent::EventType()) {
        const auto* message = static_cast<CWindowMessageEvent*>(event);
        if (message->Message() == WM_COMMAND) {
            const int id = int(message->WParam());
            if (!MenuItem(id) || MenuItem(id)->isEnabled())
                SendCommand(id);
        }
        return;
    }
    CTamoDlg::customEvent(event);
}

// ---- Sign-in and sign-out ----

void CTamoSyncDlg::CreatePanels()
{
    m_pBG = new CDlgBG(this, this);
    m_pBG->Create(this);
    m_pBG->move(CDlgBG::kRect.topLeft());
    m_pBG->show();
    m_pBG->raise();
    startup::Mark("panels-made");
    if (ReadSetting(settings::AutoLogin) != 0)
        m_pBG->Login()->SignIn(false);
}

bool CTamoSyncDlg::OnSignInResult(bool bSuccess, bool bSilent, const signin::Result& result)
{
    if (m_pExplorer->IsNavigationPending())
        return false;
    m_nLoginError = result.error;
    m_strErrorUrl = result.url;
    if (bSuccess) {
        m_logger.Log(QStringLiteral("log"));
        m_pBG->hide();
        m_bLoggedIn = true;
        m_strCookie = result.cookie;
        EnableSignedInItems(true);
        m_btnSync.setVisible(m_btnSync.isEnabled());
        if (ReadSetting(settings::Mode) != 1) {
            ApplyExpandedLayout(true);
            m_btnSync.move(width() - 100, 30);
        } else {
            MiniMode();
        }
        StartSignedInTimers();
        // Every sign-in fetches, in either layout (after sleep too); another user's alarms go.
        m_pAlarms->SetUser(m_pBG ? m_pBG->Login()->IdBox()->currentText() : QString());
        startup::Mark("signed-in");
        FetchAndShowAlarms();
        startup::Mark("alarms-fetched");
    } else {
        if (!bSilent)
            m_pBG->ShowError();
        m_bLoggedIn = false;
        EnableSignedInItems(false);
        m_btnSync.hide();
        StopSignedInTimers();
    }
    SetTrayIcon(bSuccess);
    emit SessionChanged();
    return true;
}

void CTamoSyncDlg::SignOut()
{
    if (!m_bLoggedIn)
        return;
    m_bLoggedIn = false;
    m_stTitleStrip.show();
    m_stDateLine.show();
    if (m_nMiniShift) {
        move(x() - m_nMiniShift, y());
        m_nMiniShift = 0;
    }
    m_nDisplayMode = MODE_SIGNED_OUT;
    resize(kSignedOutSize);
    LayoutTitle(kSignedOutSize.width());
    SetMode(MODE_SIGNED_OUT, false);
    SetDialogSize(QRect(pos(), kSignedOutSize), MODE_SIGNED_OUT);
    EnableSignedInItems(false);
    m_btnSync.hide();
    SetMenuText(ID_MODE, kMiniText);
    m_pExplorer->Navigate(QStringLiteral("about:blank"));
    PlaceBrowser(QRect());
    m_pBG->show();
    m_pBG->ShowLogin();
    m_pBG->Login()->LoadSavedAccount();
    SetTrayIcon(false);
    // Nothing of the session stays: its timers, its cookie, its cookies in both stores.
    StopSignedInTimers();
    m_strCookie.clear();
    ForgetCookies();
    emit SessionChanged();
}

void CTamoSyncDlg::StartSignedInTimers()
{
    SetTimer(TIMER_ALARMS, 30 * 1000);
    // Alarms set on the service after the sign-in are seen within five minutes.
    SetTimer(TIMER_ALARM_FETCH, 5 * 60 * 1000);
    SetTimer(TIMER_SESSION, 20 * 60 * 1000);
    SetTimer(TIMER_RELOAD, 5 * 60 * 1000);
}

void CTamoSyncDlg::StopSignedInTimers()
{
    for (int id : {TIMER_ALARM_FETCH, TIMER_ALARMS, TIMER_SESSION, TIMER_RELOAD})
        KillTimer(id);
}

void CTamoSyncDlg::OnSuspend()
{
    if (!m_bLoggedIn)
        return;
    SignOut();
    m_bWasLoggedIn = true;
}

void CTamoSyncDlg::OnResume()
{
    if (!m_bWasLoggedIn)
        return;
    if (m_bLoggedIn) {
        m_bWasLoggedIn = false;
        return;
    }
    m_nRetry = 0;
    SetTimer(TIMER_RESIGN_IN, 1000);
}

void CTamoSyncDlg::SilentSignIn()
{
    KillTimer(TIMER_RESIGN_IN);
    if (!m_pBG)
        return;
    m_pBG->Login()->SignIn(true);
    if (m_bLoggedIn) {
        m_bWasLoggedIn = false;
        return;
    }
    if (m_nLoginError == signin::kNoAnswer && ++m_nRetry < kMaxSilentTries) {
        SetTimer(TIMER_RESIGN_IN, 2000);
        return;
    }
    // Given up, or refused: the user signs in again.
    m_bWasLoggedIn = false;
    m_pBG->show();
    m_pBG->ShowLogin();
}

void CTamoSyncDlg::RefreshSession()
{
    CHttpClient http;
    if (!http.Open(QStringLiteral("GET"), CServiceConfig::Current().Url(Service::Auth, endpoints::kSessionRefresh)) ||
        !http.Send(QString(), 0, nullptr, 0) || http.GetStatusCode() != 200)
        return;
    QString ts, hts;
    if (!http.GetCookie(QStringLiteral("TS"), ts) || !http.GetCookie(QStringLiteral("HTS"), hts))
        return;
    CCookie cookie;
    cookie.Parse(m_strCookie);
    cookie.Set(QStringLiteral("TS"), ts);
    cookie.Set(QStringLiteral("HTS"), hts);
    m_strCookie = cookie.MakeString();
    emit SessionChanged();
}

void CTamoSyncDlg::FetchAndShowAlarms()
{
    m_nLoginError = m_pAlarms->Fetch();
    if (m_nLoginError != 0)
        m_strErrorUrl = m_pAlarms->LastErrorUrl();
    m_pAlarms->ShowDue();
}

void CTamoSyncDlg::OpenServicePage(const QString& url)
{
    ::OpenServicePage(url, m_bLoggedIn, m_strCookie);
}

// ---- Layouts ----

void CTamoSyncDlg::LayoutTitle(int nWidth)
{
    m_stTitleStrip.setGeometry(1, 0, nWidth - 3, kTitleHeight);
    m_btnMenu.raise();
}

void CTamoSyncDlg::PlaceBrowser(const QRect& rc)
{
    m_pExplorer->setGeometry(rc);
    m_pExplorer->setVisible(rc.isValid() && !rc.isEmpty());
}

void CTamoSyncDlg::NavigatePath(const QString& path)
{
    m_pExplorer->Navigate(CalendarUrl(path));
}

void CTamoSyncDlg::ApplyExpandedLayout(bool bLoad)
{
    m_nDisplayMode = MODE_EXPANDED;
    const QSize size = HideTodo() ? kExpandedNoTodoSize : kExpandedSize;
    resize(size);
    LayoutTitle(size.width());
    SetMode(MODE_EXPANDED, m_bLoggedIn);
    SetDialogSize(QRect(pos(), size), MODE_EXPANDED);
    PlaceBrowser(QRect(5, 52, size.width() - 10, size.height() - 57));
    if (bLoad)
        NavigatePath(HideTodo() ? endpoints::kMessengerNoTodo : endpoints::kMessengerTodo);
}

void CTamoSyncDlg::MiniMode()
{
    // Only from the signed-in layouts: without a session there is nothing to show small.
    if (m_pExplorer->IsNavigationPending() || !m_bLoggedIn ||
        (m_nDisplayMode != MODE_SIGNED_OUT && m_nDisplayMode != MODE_EXPANDED))
        return;
    m_logger.Log(QStringLiteral("minimode"));
    m_stTitleStrip.hide();
    m_btnSync.hide();
    m_stDateLine.hide();
    if (m_pBG)
        m_pBG->hide();
    m_nDisplayMode = MODE_MINI;
    const bool hideTodo = HideTodo();
    const QSize size = hideTodo ? kMiniNoTodoSize : kMiniSize;
    if (hideTodo && m_nMiniShift == 0) {
        m_nMiniShift = kMiniNoTodoShift;
        move(x() + m_nMiniShift, y());
    }
    resize(size);
    SetMode(MODE_MINI, m_bLoggedIn);
    SetDialogSize(QRect(pos(), size), MODE_MINI);
    RunPageScript(QStringLiteral("miniLoading();"));
    PlaceBrowser(hideTodo ? QRect(2, 27, 185, 195) : QRect(5, 27, 365, 195));
    NavigatePath(hideTodo ? endpoints::kMessengerSmallNoTodo : endpoints::kMessengerSmallTodo);
    SetMenuText(ID_MODE, kExpandText);
}

void CTamoSyncDlg::ExpandMode()
{
    if (m_pExplorer->IsNavigationPending() || !m_bLoggedIn ||
        (m_nDisplayMode != MODE_SIGNED_OUT && m_nDisplayMode != MODE_MINI))
        return;
    m_logger.Log(QStringLiteral("expmode"));
    m_stTitleStrip.show();
    m_btnSync.setVisible(m_btnSync.isEnabled());
    m_stDateLine.show();
    // Back to where the window stood before mini mode moved it.
    if (m_nMiniShift) {
        move(x() - m_nMiniShift, y());
        m_nMiniShift = 0;
    }
    RunPageScript(QStringLiteral("miniLoading();"));
    ApplyExpandedLayout(true);
    m_btnSync.move(width() - 100, 27);
    WriteDateLine();
    SetMenuText(ID_MODE, kMiniText);
}

void CTamoSyncDlg::ApplyPageMode(const SModeGeometry& geometry)
{
    if (geometry.moveX)
        move(x() + geometry.moveX, y());
    resize(geometry.window);
    PlaceBrowser(geometry.browser);
    SetDialogSize(QRect(pos(), geometry.skin), m_nDisplayMode);
}

void CTamoSyncDlg::OnPageAction(const SNavigationRule& rule, const QString& url)
{
    switch (rule.action) {
    case ENavAction::QuickAddEvent:
        OnMenuCommand(ID_ADD_EVENT);
        break;
    case ENavAction::QuickAddTodo:
        OnMenuCommand(ID_ADD_TODO);
        break;
    case ENavAction::ToolTip:
        CCalToolTip::Show(this, url, QCursor::pos());
        break;
    case ENavAction::Mode:
        ApplyPageMode(rule.mode);
        break;
    case ENavAction::ServicePage:
        OpenServicePage(CalendarUrl(QString::fromLatin1(rule.servicePath)));
        break;
    }
}

void CTamoSyncDlg::RunPageScript(const QString& text)
{
    m_pExplorer->RunPageScript(text);
}

void CTamoSyncDlg::WriteDateLine()
{
    m_stDateLine.SetWindowText(CurrentDateLine());
}

// ---- Timers ----

void CTamoSyncDlg::OnTimer(int nIDEvent)
{
    switch (nIDEvent) {
    case TIMER_PANELS:
        KillTimer(TIMER_PANELS);
        CreatePanels();
        break;
    case TIMER_DATE_LINE:
        WriteDateLine();
        break;
    case TIMER_TRAY_MENU:
        KillTimer(TIMER_TRAY_MENU);
        raise();
        activateWindow();
        m_bMenuFromWindow = false;
        TrackMenu(m_ptTrayMenu);
        break;
    case TIMER_START_STATE:
        KillTimer(TIMER_START_STATE);
        if (ReadSetting(settings::AutoStart) != 0 && ReadSetting(settings::HideInTray) != 0)
            HideToTray();
        if (ReadSetting(settings::Mode) != 0 && m_bLoggedIn)
            MiniMode();
        break;
    case TIMER_RESIGN_IN:
        SilentSignIn();
        break;
    case TIMER_SESSION:
        RefreshSession();
        break;
    case TIMER_RELOAD:
        RunPageScript(QStringLiteral("todo_reload();"));
        RunPageScript(QStringLiteral("event_reload();"));
        break;
    case TIMER_ALARM_FETCH:
        if (m_bLoggedIn)
            FetchAndShowAlarms();
        break;
    case TIMER_ALARMS:
        m_pAlarms->ShowDue();
        break;
    default:
        break;
    }
}

// ---- Window commands ----

int CTamoSyncDlg::Ask(const QString& title, const QString& text)
{
    return m_fnAsk ? m_fnAsk(title, text) : IDOK;
}

void CTamoSyncDlg::OnClose()
{
    if (ReadSetting(settings::ExitHide) != 0) {
        SetMenuText(ID_SHOW_HIDE, kShowText);
        hide();
        return;
    }
    if (Ask(QStringLiteral("경고"), QStringLiteral("Pello를 종료하시겠습니까?")) != IDOK)
        return;
    SavePosition();
    EndDialog(IDOK);
}

void CTamoSyncDlg::HideToTray()
{
    // The minimise rule: without a task-bar button the window goes to the tray.
    OnMinimize();
}

void CTamoSyncDlg::OnMinimize()
{
    if (ReadSetting(settings::TaskBar) != 0) {
        if (MenuText(ID_SHOW_HIDE) == kHideText) {
            SetMenuText(ID_SHOW_HIDE, kShowText);
            hide();
        }
        return;
    }
    showMinimized();
}

void CTamoSyncDlg::OnRefresh()
{
    RunPageScript(QStringLiteral("todo_reload();"));
    RunPageScript(QStringLiteral("event_reload();"));
    if (m_bLoggedIn)
        FetchAndShowAlarms();
    m_pExplorer->ClearNavigationPending();
}

void CTamoSyncDlg::ShowFromTray()
{
    raise();
    activateWindow();
    if (isMinimized())
        showNormal();
    show();
    update();
}

void CTamoSyncDlg::OnShowHide()
{
    if (MenuText(ID_SHOW_HIDE) != kHideText) {
        SetMenuText(ID_SHOW_HIDE, kHideText);
        ShowFromTray();
    } else {
        SetMenuText(ID_SHOW_HIDE, kShowText);
        hide();
    }
}

void CTamoSyncDlg::OnQuit()
{
    const bool shown = MenuText(ID_SHOW_HIDE) != kShowText && isVisible() && !isMinimized();
    if (!shown) {
        EndDialog(IDOK);
        return;
    }
    if (m_bMenuFromWindow &&
        Ask(QStringLiteral("경고"), QStringLiteral("Pello를 종료하시겠습니까?")) != IDOK)
        return;
    SavePosition();
    EndDialog(IDOK);
}

void CTamoSyncDlg::BringForward()
{
    SetMenuText(ID_SHOW_HIDE, kHideText);
    ShowFromTray();
}

void CTamoSyncDlg::SavePosition()
{
    // Mini mode with the to-do list hidden stands the window further right than its place.
    const QPoint at(x() - m_nMiniShift, y());
    unsigned char bytes[8];
    qToLittleEndian<qint32>(at.x(), bytes);
    qToLittleEndian<qint32>(at.y(), bytes + 4);
    WriteWindowPosition(bytes);
}

void CTamoSyncDlg::RestorePosition()
{
    unsigned char bytes[8];
    if (!ReadWindowPosition(bytes))
        return;
    const QPoint at(qFromLittleEndian<qint32>(bytes), qFromLittleEndian<qint32>(bytes + 4));
    // A place on a screen that is no longer there would hide the window: keep it reachable.
    const QRect title(at, QSize(width(), kTitleHeight));
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(title)) {
            move(at);
            return;
        }
}

void CTamoSyncDlg::ApplyTaskBarStyle()
{
    Qt::WindowFlags flags = windowFlags() & ~(Qt::Tool | Qt::Window);
    flags |= ReadSetting(settings::TaskBar) != 0 ? Qt::Tool : Qt::Window;
    if (flags != windowFlags())
        SetWindowFlagsKeepShown(flags);
}

void CTamoSyncDlg::SetWindowFlagsKeepShown(Qt::WindowFlags flags)
{
    // New window flags hide the window: show it again where it was.
    const bool visible = isVisible();
    const QPoint at = pos();
    setWindowFlags(flags);
    move(at);
    if (visible)
        show();
}

int CTamoSyncDlg::StartSync()
{
    if (!m_bLoggedIn)
        return 0;
    m_logger.Log(QStringLiteral("sink"));
    CWarningDlg dlg(this);
    dlg.m_fnOpenOptions = [this](int nPage) { return OpenOptions(nPage); };
    const int result = dlg.DoModal();
    if (result != 0) {
        RunPageScript(QStringLiteral("todo_reload();"));
        RunPageScript(QStringLiteral("event_reload();"));
    }
    return result;
}

int CTamoSyncDlg::OpenOptions(int nPage)
{
    if (m_pOptions)
        return IDCANCEL;
    CAppEnvOptionDlg dlg(nPage, m_bLoggedIn, this);
    m_pOptions = &dlg;
    MenuItem(ID_OPTIONS)->setEnabled(false);
    const int result = dlg.DoModal();
    MenuItem(ID_OPTIONS)->setEnabled(true);
    if (result == IDOK) {
        // The task-bar choice takes effect on the window at once.
        hide();
        ApplyTaskBarStyle();
        show();
        raise();
        activateWindow();
    }
    return result;
}

void CTamoSyncDlg::OpenAbout()
{
    if (m_pAbout)
        return;
    CAboutDlg dlg(this);
    m_pAbout = &dlg;
    dlg.DoModal();
}
