#include "app/WebPage.h"

#include "app/WebBrowser.h"
#include "app/WebProfile.h"

CTamoWebPage::CTamoWebPage(QObject* parent) : QWebEnginePage(TamoWebProfile(), parent)
{
    connect(this, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest& request) {
        if (!m_newWindowFilter || m_newWindowFilter())
            OpenInNewBrowserWindow(request);
    });
}

bool CTamoWebPage::IsSameDocument(const QUrl& from, const QUrl& to)
{
    return to.hasFragment() && !from.isEmpty() &&
           from.adjusted(QUrl::RemoveFragment) == to.adjusted(QUrl::RemoveFragment);
}

bool CTamoWebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    if (m_filter && !m_filter(url, isMainFrame))
        return false;
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}
