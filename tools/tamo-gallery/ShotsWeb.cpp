// The calendar view in both sizes, a browser window and the detail pop-up, from a tamo-service
// run in this process with the demo account signed in.
#include <functional>
#include <memory>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWebEngineView>

#include "Gallery.h"
#include "app/CalToolTip.h"
#include "app/Explorer.h"
#include "app/WebBrowser.h"
#include "base/EventWait.h"
#include "base/ServiceEndpoints.h"
#include "base/SignInCheck.h"
#include "service/TamoService.h"

namespace {

bool WaitFor(const std::function<bool()>& condition)
{
    return WaitUntil(condition, 15000);
}

// Lets the page paint what it loaded.
void Settle(int ms = 400)
{
    ProcessEventsFor(ms);
}

struct SNoHost : IExplorerHost {
    void OnPageAction(const SNavigationRule&, const QString&) override {}
};

}  // namespace

TAMO_GALLERY_SHOTS(Web)
{
    QTemporaryDir dir;
    tamo::service::SServiceOptions options;
    auto service = std::make_unique<tamo::service::CTamoService>(options);
    const QString config = dir.filePath("service.ini");
    if (!service->Open() || !service->SeedDemo() || !service->Start() || !service->WriteConfig(config.toStdString()))
        return;
    const QByteArray savedConfig = qgetenv("TAMO_SERVICE_CONFIG");
    qputenv("TAMO_SERVICE_CONFIG", config.toLocal8Bit());
    CServiceConfig::Reload();
    if (!signin::Check(QStringLiteral("demo"), QStringLiteral("tamo1234")).ok)
        return;
    const QString base = QString::fromStdString(service->BaseUrl());

    SNoHost host;
    const struct {
        const char* name;
        const QString& path;
        QSize size;
    } views[] = {
        {"calendar_full_todo", endpoints::kMessengerTodo, {365, 195}},
        {"calendar_full", endpoints::kMessengerNoTodo, {365, 195}},
        {"calendar_small_todo", endpoints::kMessengerSmallTodo, {185, 195}},
    };
    for (const auto& v : views) {
        CExplorer explorer(&host, MainViewRules());
        explorer.resize(v.size);
        bool done = false;
        QObject::connect(&explorer, &CExplorer::DocumentComplete, [&done] { done = true; });
        explorer.Navigate(base + v.path);
        explorer.show();
        if (WaitFor([&] { return done; })) {
            Settle();
            g.AddWidget(QString::fromLatin1(v.name), &explorer);
        }
    }

    CWebBrowser browser;
    if (browser.LaunchBrowser(base + QStringLiteral("/"))) {
        QWidget* window = browser.GetBrowserWnd();
        window->resize(800, 560);
        if (WaitFor([&] { return browser.GetReadyState() == READYSTATE_COMPLETE; })) {
            Settle();
            g.Add(QStringLiteral("browser_window"), CGallery::Grab(window));
        }
        browser.Quit();
    }

    QWidget owner;
    owner.resize(375, 225);
    owner.show();
    CCalToolTip* tip = CCalToolTip::Show(&owner, base + QStringLiteral("/messenger/item?cursor=1"), QPoint(40, 60));
    if (WaitFor([&] { return tip->Explorer()->HasDocument(); })) {
        Settle();
        QImage shot = CGallery::Grab(tip);
        // What the shape cuts away shows as white, as on a desktop.
        const QImage shape = CCalToolTip::Bitmap();
        for (int y = 0; y < shot.height() && y < shape.height(); ++y)
            for (int x = 0; x < shot.width() && x < shape.width(); ++x)
                if (shape.pixel(x, y) == qRgb(0xFF, 0x00, 0xFF))
                    shot.setPixel(x, y, qRgb(0xFF, 0xFF, 0xFF));
        g.Add(QStringLiteral("tooltip"), CGallery::OnWhite(shot, 8));
    }
    tip->close();
    Settle(100);
    service->Stop();
    qputenv("TAMO_SERVICE_CONFIG", savedConfig);
    CServiceConfig::Reload();
}
