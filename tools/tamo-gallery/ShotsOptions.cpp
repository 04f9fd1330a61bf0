// The options dialog on both tabs (the sync page loaded from tamo-service), the sync option
// window and the sound dialog.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "Gallery.h"
#include "app/AppEnvOptionDlg.h"
#include "app/SoundDlg.h"
#include "base/EventWait.h"
#include "base/ServiceEndpoints.h"
#include "base/SignInCheck.h"
#include "service/TamoService.h"
#include "syncui/OptionDlg.h"
#include "syncui/OutlookOptionDlg.h"

namespace {

}  // namespace

TAMO_GALLERY_SHOTS(Options)
{
    QTemporaryDir dir;
    tamo::service::SServiceOptions options;
    auto service = std::make_unique<tamo::service::CTamoService>(options);
    const QString config = dir.filePath("service.ini");
    const QByteArray savedConfig = qgetenv("TAMO_SERVICE_CONFIG");
    const bool online = service->Open() && service->SeedDemo() && service->Start() && service->WriteConfig(config.toStdString());
    if (online) {
        qputenv("TAMO_SERVICE_CONFIG", config.toLocal8Bit());
        CServiceConfig::Reload();
        (void)signin::Check(QStringLiteral("demo"), QStringLiteral("tamo1234"));
    }
    {
        CAppEnvOptionDlg dlg(0, online);
        dlg.m_fnMessage = [](const QString&) {};
        dlg.move(40, 40);
        dlg.show();
        if (WaitUntil([&] { return dlg.BasicPage() && (!online || (dlg.SyncPage() && dlg.SyncPage()->IsLoadDone())); }, 5000)) {
            g.AddWidget(QStringLiteral("basic_page"), &dlg);
            if (online) {
                dlg.ShowPage(1);
                g.AddWidget(QStringLiteral("sync_page"), &dlg);
            }
        }
    }
    if (online) {
        syncui::COptionDlg window;
        window.m_fnMessage = [](const QString&) {};
        window.move(40, 40);
        window.show();
        if (WaitUntil([&] { return window.Page() && window.Page()->IsLoadDone(); }, 5000))
            g.AddWidget(QStringLiteral("sync_window"), &window);
    }
    {
        CSoundDlg sound;
        sound.move(40, 40);
        g.AddWidget(QStringLiteral("sound"), &sound);
    }
    if (online) {
        service->Stop();
        if (savedConfig.isNull())
            qunsetenv("TAMO_SERVICE_CONFIG");
        else
            qputenv("TAMO_SERVICE_CONFIG", savedConfig);
        CServiceConfig::Reload();
    }
}
