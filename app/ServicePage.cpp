#include "app/ServicePage.h"

#include <memory>

#include <QWebEngineView>

#include "app/WebBrowser.h"
#include "base/HttpClient.h"
#include "base/ServiceEndpoints.h"
#include "base/URLEncoder.h"

QByteArray HandOverBody(const QString& url, const QString& keptCookie)
{
    CCookie cookie;
    cookie.Parse(keptCookie);
    QString body = QStringLiteral("url=") + CURLEncoder::EncodeUTF8(url, true);
    for (const char* name : {"HM_CU", "TS", "HTS", "PROF", "HIP"}) {
        const QString value = cookie.Get(QLatin1String(name));
        if (!value.isEmpty())
            body += QLatin1Char('&') + QLatin1String(name) + QLatin1Char('=') + CURLEncoder::EncodeUTF8(value, true);
    }
    return body.toUtf8();
}

bool OpenServicePage(const QString& url, bool signedIn, const QString& keptCookie)
{
    CWebBrowser browser;  // the window stays when the wrapper goes
    if (!signedIn)
        return browser.LaunchBrowser(url);

    const CServiceConfig& config = CServiceConfig::Current();
    const QString blank = config.Url(Service::Calendar, endpoints::kBlank);
    const QString handOver = config.Url(Service::Login, endpoints::kLoginHandOver);
    if (blank.isEmpty() || handOver.isEmpty() || !browser.LaunchBrowser(false, blank))
        return false;
    // The hand-over goes once the blank page stands, so that nothing cuts it short.
    QWebEngineView* view = browser.GetBrowser();
    const QByteArray body = HandOverBody(url, keptCookie);
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(view, &QWebEngineView::loadFinished, view, [view, handOver, body, connection] {
        QObject::disconnect(*connection);
        CWebBrowser post;
        post.Attach(view);
        post.Navigate(handOver, 0, QString(), QStringLiteral("Content-Type: application/x-www-form-urlencoded\r\n"),
                      body.constData(), DWORD(body.size()));
        post.Detach();
    });
    browser.Navigate(blank);
    browser.SetVisible(1);
    browser.Detach();
    return true;
}
