// The desktop program's windows: the about dialog, the login panels on their white background,
// and the main window signed out, after a failed sign-in, signed in (expanded, with its menu
// open, mini). The main window signs in to a tamo-service run in this process with the demo
// account; the settings live in a temporary folder of their own for the whole group.
#include <functional>
#include <memory>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>

#include "Gallery.h"
#include "app/AboutDlg.h"
#include "app/Account.h"
#include "app/Explorer.h"
#include "app/LoginDlg.h"
#include "app/TamoSyncDlg.h"
#include "base/EventWait.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "service/TamoService.h"

namespace {

bool WaitFor(const std::function<bool()>& condition, int ms = 20000)
{
    return WaitUntil(condition, ms);
}

// Lets timers fire and pages paint what they loaded.
void Settle(int ms)
{
    ProcessEventsFor(ms);
}

// Sets an environment variable for a while and puts back what was there (or nothing).
class CEnvOverride {
public:
    CEnvOverride(const char* name, const QString& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(m_name, value.toLocal8Bit());
    }
    ~CEnvOverride()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    void Set(const QString& value) { qputenv(m_name, value.toLocal8Bit()); }
    CEnvOverride(const CEnvOverride&) = delete;
    CEnvOverride& operator=(const CEnvOverride&) = delete;

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

// The service configuration in force for a while; the previous one comes back afterwards.
class CServiceConfigOverride {
public:
    explicit CServiceConfigOverride(const QString& path) : m_env("TAMO_SERVICE_CONFIG", path)
    {
        CServiceConfig::Reload();
    }

private:
    // Members end in reverse order: the variable is put back first, then read again.
    struct SReloadAtEnd {
        ~SReloadAtEnd() { CServiceConfig::Reload(); }
    } m_reload;
    CEnvOverride m_env;
};

// The login panels' owner when they are shown on their own: nothing happens on its calls.
struct SQuietSignInHost : ISignInHost {
    bool OnSignInResult(bool, bool, const signin::Result&) override { return true; }
    void OpenServicePage(const QString&) override {}
};

// Waits until the main window's view has loaded a page and no navigation is under way.
bool WaitForPage(CTamoSyncDlg& dlg, int loadsBefore, const int& loads)
{
    return WaitFor([&] {
        return loads > loadsBefore && dlg.Explorer()->HasDocument() && !dlg.Explorer()->IsNavigationPending();
    });
}

void LoginPanelShots(CGallery& g, const QDir& root, CEnvOverride& configHome, bool haveCipher)
{
    SQuietSignInHost host;

    // A first start: nothing stored, the settings at their defaults.
    configHome.Set(root.filePath(QStringLiteral("fresh")));
    {
        CDlgBG bg(&host);
        g.AddWidget(QStringLiteral("login_empty"), &bg);
        bg.ShowError();
        g.AddWidget(QStringLiteral("login_failed"), &bg);
    }

    // An account remembered with both boxes ticked, after three different IDs signed in here.
    // The password is kept enciphered: without the service's configuration there is no cipher.
    if (!haveCipher)
        return;
    configHome.Set(root.filePath(QStringLiteral("saved")));
    WriteSettingFlag(settings::SavePW, 1);
    WriteSettingFlag(settings::AutoLogin, 1);
    const quint32 now = quint32(QDateTime::currentSecsSinceEpoch());
    account::Store(QStringLiteral("kimsj77"), QStringLiteral("hanbit2008"), true, now - 7200);
    account::Store(QStringLiteral("parkhy"), QStringLiteral("sunflower"), true, now - 3600);
    account::Store(QStringLiteral("demo"), QStringLiteral("tamo1234"), true, now);
    {
        CDlgBG bg(&host);
        g.AddWidget(QStringLiteral("login_saved"), &bg);
        QComboBox* ids = bg.Login()->IdBox();
        ids->showPopup();
        Settle(100);
        if (QWidget* list = ids->view() ? ids->view()->window() : nullptr; list && list->isVisible())
            g.Add(QStringLiteral("login_saved_id_list"), CGallery::WithPopup(&bg, list));
        ids->hidePopup();
        Settle(50);
    }
}

void MainWindowShots(CGallery& g, const QDir& root, CEnvOverride& configHome, bool haveService)
{
    configHome.Set(root.filePath(QStringLiteral("main")));
    // A normal window with a task-bar button, no sign-in by itself, the expanded layout after
    // sign-in with the to-do list.
    WriteSettingFlag(settings::TaskBar, 0);
    WriteSettingFlag(settings::AutoLogin, 0);
    WriteSettingFlag(settings::HideInTray, 0);
    WriteSettingFlag(settings::Mode, 0);
    WriteSettingFlag(settings::HideTodo, 0);

    auto dlg = std::make_unique<CTamoSyncDlg>();
    dlg->m_fnAsk = [](const QString&, const QString&) { return 2; };
    int loads = 0;
    QObject::connect(dlg->Explorer(), &CExplorer::DocumentComplete, [&loads] { ++loads; });
    dlg->move(40, 40);
    dlg->show();
    // The login panel comes from a 100 ms timer.
    Settle(300);
    if (!dlg->Background())
        return;
    g.Add(QStringLiteral("main_signed_out"), CGallery::OnWhite(CGallery::Grab(dlg.get()), 8));

    if (!haveService)
        return;
    CLoginDlg* login = dlg->Background()->Login();
    auto signIn = [&](const QString& password) {
        login->IdBox()->setEditText(QStringLiteral("demo"));
        login->PasswordBox()->setText(password);
        login->SignIn(false);
    };

    signIn(QStringLiteral("wrong-password"));
    Settle(100);
    if (!dlg->IsLoggedIn() && dlg->Background()->Error() && dlg->Background()->Error()->isVisible())
        g.Add(QStringLiteral("main_login_failed"), CGallery::OnWhite(CGallery::Grab(dlg.get()), 8));
    dlg->Background()->ShowLogin();

    const int loadsBefore = loads;
    signIn(QStringLiteral("tamo1234"));
    if (!dlg->IsLoggedIn())
        return;
    if (WaitForPage(*dlg, loadsBefore, loads)) {
        Settle(500);
        g.Add(QStringLiteral("main_expanded"), CGallery::OnWhite(CGallery::Grab(dlg.get()), 8));

        // The menu as the menu button opens it, the mode entry under the pointer.
        QMenu* menu = dlg->Menu();
        QWidget* button = dlg->GetDlgItem(CTamoSyncDlg::IDC_MENU);
        menu->popup(button ? button->mapToGlobal(QPoint(0, button->height())) : dlg->mapToGlobal(QPoint(4, 21)));
        Settle(100);
        if (QAction* mode = dlg->MenuItem(CTamoSyncDlg::ID_MODE)) {
            CGallery::Hover(menu, menu->actionGeometry(mode).center());
            if (menu->activeAction() != mode)
                menu->setActiveAction(mode);
        }
        Settle(50);
        g.Add(QStringLiteral("main_menu"), CGallery::WithPopup(dlg.get(), menu));
        menu->hide();
        Settle(50);

        const int miniBefore = loads;
        dlg->MiniMode();
        if (dlg->GetDisplayMode() == CTamoSyncDlg::MODE_MINI && WaitForPage(*dlg, miniBefore, loads)) {
            Settle(500);
            g.Add(QStringLiteral("main_mini"), CGallery::OnWhite(CGallery::Grab(dlg.get()), 8));
        }
    }
    // Leave no session behind in the shared cookie stores for the groups that follow.
    WaitFor([&] { return !dlg->Explorer()->IsNavigationPending(); }, 5000);
    dlg->SignOut();
    Settle(100);
    dlg->hide();
}

}  // namespace

TAMO_GALLERY_SHOTS(App)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return;
    const QDir root(dir.path());
    CEnvOverride configHome("XDG_CONFIG_HOME", root.filePath(QStringLiteral("about")));

    {
        CAboutDlg about;
        g.AddWidget(QStringLiteral("about"), &about);
    }

    tamo::service::SServiceOptions options;
    auto service = std::make_unique<tamo::service::CTamoService>(options);
    const QString config = root.filePath(QStringLiteral("service.ini"));
    const bool haveService =
        service->Open() && service->SeedDemo() && service->Start() && service->WriteConfig(config.toStdString());
    std::unique_ptr<CServiceConfigOverride> serviceConfig;
    if (haveService)
        serviceConfig = std::make_unique<CServiceConfigOverride>(config);

    LoginPanelShots(g, root, configHome, haveService);
    MainWindowShots(g, root, configHome, haveService);
    Settle(100);

    serviceConfig.reset();
    if (haveService)
        service->Stop();
}
