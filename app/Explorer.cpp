#include "app/Explorer.h"

#include <QPointer>
#include <QVBoxLayout>
#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "app/StartupTrace.h"
#include "app/WebPage.h"
#include "app/WebProfile.h"

struct CExplorer::Impl {
    IExplorerHost* host = nullptr;
    std::span<const SNavigationRule> rules;
    CTamoWebPage* page = nullptr;
    QWebEngineView* view = nullptr;
    bool pending = false;
    bool loaded = false;
};

CExplorer::CExplorer(IExplorerHost* host, std::span<const SNavigationRule> rules, QWidget* parent)
    : QWidget(parent), m(std::make_unique<Impl>())
{
    m->host = host;
    m->rules = rules;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

CExplorer::~CExplorer() = default;

void CExplorer::EnsurePage()
{
    // Measuring the program without Chromium: the page area stays empty.
    if (m->view || startup::WebViewOff())
        return;
    // The view comes with its page: a view shown without one makes its own on another profile.
    // The program's first page starts Chromium (the profile's browser side): tens of milliseconds.
    m->view = new QWebEngineView(this);
    m->page = new CTamoWebPage(m->view);
    m->view->setPage(m->page);
    m->view->setContextMenuPolicy(Qt::NoContextMenu);
    layout()->addWidget(m->view);
    setFocusProxy(m->view);
    m->view->show();
    m->page->SetNavigationFilter([this](const QUrl& url, bool isMainFrame) {
        const QString text = url.toString(QUrl::FullyEncoded);
        if (const SNavigationRule* rule = MatchNavigation(m->rules, text)) {
            // The owner may open windows or resize this one: not inside Chromium's callback.
            QPointer<CExplorer> self(this);
            QMetaObject::invokeMethod(
                this,
                [self, rule, text] {
                    if (self && self->m->host)
                        self->m->host->OnPageAction(*rule, text);
                },
                Qt::QueuedConnection);
            return false;
        }
        if (isMainFrame && !CTamoWebPage::IsSameDocument(m->page->url(), url))
            m->pending = true;
        return true;
    });
    connect(m->page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
            return;
        // Succeeded, failed or stopped: the navigation is over either way.
        m->pending = false;
        m->loaded = m->loaded || info.status() == QWebEngineLoadingInfo::LoadSucceededStatus;
        emit DocumentComplete(info.url().toString(), info.status() == QWebEngineLoadingInfo::LoadSucceededStatus);
    });
}

void CExplorer::Navigate(const QString& url)
{
    EnsurePage();
    if (!m->view)
        return;
    PushCookiesToWeb();
    // The load is under way from here on, unless the page's rules will take the URL over.
    if (!MatchNavigation(m->rules, QUrl(url).toString(QUrl::FullyEncoded)))
        m->pending = true;
    m->view->load(QUrl(url));
}

void CExplorer::RunPageScript(const QString& text)
{
    if (!m->loaded)
        return;
    m->page->runJavaScript(text, QWebEngineScript::MainWorld);
}

bool CExplorer::IsNavigationPending() const
{
    return m->pending;
}

void CExplorer::ClearNavigationPending()
{
    m->pending = false;
}

bool CExplorer::HasDocument() const
{
    return m->loaded;
}

QString CExplorer::LocationURL() const
{
    return m->page ? m->page->url().toString() : QString();
}

QWebEngineView* CExplorer::View() const
{
    // The view exists from its first use on.
    const_cast<CExplorer*>(this)->EnsurePage();
    return m->view;
}
