#pragma once

#include <functional>
#include <map>

#include <QPoint>
#include <QPointer>

#include "app/AppArt.h"
#include "app/Explorer.h"
#include "app/LoginDlg.h"
#include "base/WebLogger.h"
#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoDlg.h"
#include "tamoui/CTamoStatic.h"

class CAlarmCenter;
class CPowerWatcher;
class QAction;
class QMenu;
class QSystemTrayIcon;

// The main window (102): the calendar page in a skinned window with three layouts (signed out,
// expanded, mini), its menu, tray icon, date line and the timers that keep the session, the
// page and the date line fresh.
class CTamoSyncDlg : public CTamoDlg, public ISignInHost, public IExplorerHost {
    Q_OBJECT
public:
    enum {
        IDD = 102,
        IDC_MENU = 1008,
        IDC_TITLE_STRIP = 1023,
        IDC_DATE_LINE = 1024,
        IDC_SYNC = 1000,
        IDC_BROWSER = 1068,
    };
    // Menu 149, sub-menu 0.
    enum {
        ID_LOGOUT = 32782,
        ID_TOPMOST = 32783,
        ID_OPTIONS = 32784,
        ID_WEB_CALENDAR = 32785,
        ID_ADD_EVENT = 32786,
        ID_ADD_TODO = 32787,
        ID_BLOG = 32788,
        ID_HELP = 32789,
        ID_ABOUT = 32790,
        ID_SHOW_HIDE = 32791,
        ID_QUIT = 32792,
        ID_SYNC_MENU = 32793,
        ID_MODE = 32794,
        IDM_ABOUTBOX = 16,
    };
    enum {
        TIMER_PANELS = 4096,
        TIMER_DATE_LINE = 4097,
        TIMER_TRAY_MENU = 4098,
        TIMER_START_STATE = 4099,
        TIMER_ALARM_FETCH = 4100,
        TIMER_ALARMS = 4101,
        TIMER_RESIGN_IN = 4102,
        TIMER_SESSION = 4103,
        TIMER_RELOAD = 4104,
    };
    enum { MODE_SIGNED_OUT = 0, MODE_EXPANDED = 1, MODE_MINI = 2 };
    static constexpr int kTrayIconSignedIn = 161;
    static constexpr int kTrayIconSignedOut = 180;
    static constexpr int kMaxSilentTries = 5;

    explicit CTamoSyncDlg(QWidget* parent = nullptr);
    ~CTamoSyncDlg() override;

    // ISignInHost
    bool OnSignInResult(bool bSuccess, bool bSilent, const signin::Result& result) override;
    void OpenServicePage(const QString& url) override;
    // IExplorerHost
    void OnPageAction(const SNavigationRule& rule, const QString& url) override;

    void SignOut();
    void MiniMode();
    void ExpandMode();
    void RunPageScript(const QString& text);
    // Another copy of the program asked for this window.
    void BringForward();
    // The computer goes to sleep, or wakes up.
    void OnSuspend();
    void OnResume();

    bool IsLoggedIn() const { return m_bLoggedIn; }
    int GetDisplayMode() const { return m_nDisplayMode; }
    QString GetCookie() const { return m_strCookie; }
    int GetTrayIcon() const { return m_nTrayIcon; }
    int GetSilentTries() const { return m_nRetry; }
    CExplorer* Explorer() const { return m_pExplorer; }
    CDlgBG* Background() const { return m_pBG; }
    QMenu* Menu() const { return m_pMenu; }
    QAction* MenuItem(int nID) const;
    QSystemTrayIcon* TrayIcon() const { return m_pTray; }
    CWebLogger& Logger() { return m_logger; }
    CAlarmCenter* Alarms() const { return m_pAlarms; }
    // Runs the options dialog on page 0 (basic) or 1 (sync); the menu entry is greyed while it is
    // open. After OK the window takes the task-bar setting again. Answers the dialog's result.
    int OpenOptions(int nPage);
    // The Outlook sync (button 1000, menu 32793): the start window, then the pages reloaded.
    int StartSync();

    // The question before quitting: answers 1 (OK) or 2 (cancel). Tests replace it.
    std::function<int(const QString& title, const QString& text)> m_fnAsk;

signals:
    // The session cookie changed (sign-in, refresh, sign-out).
    void SessionChanged();

protected:
    bool OnInitDialog() override;
    bool OnCommand(int nID, int nCode) override;
    void OnTimer(int nIDEvent) override;
    void OnOK() override {}      // Enter never closes the window
    void OnCancel() override {}  // nor does Escape
    void customEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void BuildMenu();
    void OnMenuCommand(int nID);
    void SetMenuText(int nID, const QString& text);
    QString MenuText(int nID) const;
    void EnableSignedInItems(bool bEnable);
    void SetTrayIcon(bool bSignedIn);
    void TrackMenu(const QPoint& at);

    void CreatePanels();
    void ApplyExpandedLayout(bool bLoad);
    void LayoutTitle(int nWidth);
    void PlaceBrowser(const QRect& rc);
    void NavigatePath(const QString& path);
    void ApplyPageMode(const SModeGeometry& geometry);
    void WriteDateLine();
    void StartSignedInTimers();
    void StopSignedInTimers();
    void SilentSignIn();
    void RefreshSession();
    void FetchAndShowAlarms();

    void OnClose();
    void OnMinimize();
    void OnRefresh();
    void OnShowHide();
    void OnQuit();
    void HideToTray();
    void ShowFromTray();
    void SavePosition();
    void RestorePosition();
    void ApplyTaskBarStyle();
    void SetWindowFlagsKeepShown(Qt::WindowFlags flags);
    void OpenAbout();
    int Ask(const QString& title, const QString& text);

    CTamoButton m_btnMenu;
    CTamoStatic m_stTitleStrip;
    CAppPicture m_titlePicture{159};
    CTamoStatic m_stDateLine;
    CTamoButton m_btnSync;
    CExplorer* m_pExplorer = nullptr;
    CDlgBG* m_pBG = nullptr;
    QMenu* m_pMenu = nullptr;
    std::map<int, QAction*> m_menuItems;
    QSystemTrayIcon* m_pTray = nullptr;
    CPowerWatcher* m_pPower = nullptr;
    CAlarmCenter* m_pAlarms = nullptr;
    CWebLogger m_logger;
    QPointer<QWidget> m_pAbout;
    QPointer<QWidget> m_pOptions;

    bool m_bLoggedIn = false;
    QString m_strCookie;
    int m_nLoginError = 0;
    QString m_strErrorUrl;
    int m_nRetry = 0;
    bool m_bWasLoggedIn = false;  // signed in when the computer went to sleep
    int m_nDisplayMode = MODE_SIGNED_OUT;
    bool m_bMenuFromWindow = false;
    QPoint m_ptTrayMenu;
    int m_nTrayIcon = kTrayIconSignedOut;
    int m_nMiniShift = 0;  // how far mini mode moved the window right
};
