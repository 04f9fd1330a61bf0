#include "app/TamoSyncApp.h"

#include <QDir>
#include <QTextStream>
#include <QTimer>

#include "app/StartupTrace.h"
#include "app/TamoSyncDlg.h"
#include "app/UpdateCheck.h"
#include "base/EventWait.h"
#include "platform/SingleInstance.h"

namespace {

// The demo without a display: waits for the sign-in and each layout's page, pictures each.
void TakeDemoShots(CTamoSyncDlg* dlg, const QString& folder)
{
    QDir().mkpath(folder);
    QTextStream out(stdout);
    auto waitPage = [&] {
        WaitUntil([&] { return !dlg->Explorer()->IsNavigationPending() && dlg->Explorer()->HasDocument(); }, 15000);
        ProcessEventsFor(600);
    };
    auto shoot = [&](const QString& name) {
        const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
        dlg->grab().save(path, "PNG");
        out << path << "\n";
        out.flush();
    };
    ProcessEventsFor(300);
    if (!dlg->IsLoggedIn()) {
        shoot(QStringLiteral("signed_out"));
        out << "not signed in: the saved account did not sign in\n";
        dlg->EndDialog(tamoui::IDOK);
        return;
    }
    waitPage();
    shoot(QStringLiteral("expanded"));
    dlg->MiniMode();
    waitPage();
    shoot(QStringLiteral("mini"));
    dlg->ExpandMode();
    waitPage();
    dlg->SignOut();
    ProcessEventsFor(300);
    shoot(QStringLiteral("signed_out"));
    out << "pictures in " << QDir(folder).absolutePath() << "\n";
    dlg->EndDialog(tamoui::IDOK);
}

// Makes the main view's page once the window has first painted; the first navigation would make
// it anyway, later and on the way to the page.
class CStartWeb : public QObject {
public:
    explicit CStartWeb(CTamoSyncDlg* dlg) : QObject(dlg), m_pDlg(dlg) { dlg->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_pDlg && event->type() == QEvent::Paint) {
            m_pDlg->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                m_pDlg->Explorer()->EnsurePage();
                startup::Mark("page-made");
                deleteLater();
            });
        }
        return false;
    }

private:
    CTamoSyncDlg* m_pDlg;
};

void StartWebAfterFirstPaint(CTamoSyncDlg* dlg)
{
    if (!startup::WebViewOff())
        new CStartWeb(dlg);
}

}  // namespace

bool CTamoSyncApp::InitInstance()
{
    platform::CSingleInstance instance;
    if (!instance.CheckSingleInstance())
        return false;
    // A request to end that comes while the program starts (the version check runs events) is
    // kept for the window rather than lost.
    bool terminateAsked = false;
    QObject::connect(&instance, &platform::CSingleInstance::terminateRequested, &instance,
                     [&terminateAsked] { terminateAsked = true; });
    // The version check: -1 ends the program; 2 hands over to the update program and ends.
    update::RemoveUpdaterLeftovers();
    CUpdateCheck check;
    const int nCheck = check.CheckVersion();
    if (nCheck == CUpdateCheck::RESULT_ACCEPTED)
        check.StartUpdater();
    if (nCheck == CUpdateCheck::RESULT_END || nCheck == CUpdateCheck::RESULT_ACCEPTED)
        return false;

    startup::Mark("version-checked");

    CTamoSyncDlg dlg;
    startup::Mark("window-made");
    startup::WatchMainWindow(&dlg, dlg.Explorer(), [&dlg] { return dlg.IsLoggedIn(); });
    // Chromium starts (the one web profile with its external object, the view's page) once the
    // window has painted, while it waits for its panels, instead of keeping the window from showing.
    StartWebAfterFirstPaint(&dlg);
    QObject::connect(&instance, &platform::CSingleInstance::activateRequested, &dlg, &CTamoSyncDlg::BringForward);
    QObject::connect(&instance, &platform::CSingleInstance::terminateRequested, &dlg,
                     [&dlg] { dlg.EndDialog(tamoui::IDOK); });
    if (!m_options.demoShots.isEmpty()) {
        // Once the panels have signed in with the saved account.
        QTimer::singleShot(1500, &dlg, [&dlg, folder = m_options.demoShots] { TakeDemoShots(&dlg, folder); });
    }
    if (terminateAsked)
        return false;
    dlg.DoModal();
    return false;
}
