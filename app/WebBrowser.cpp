#include "app/WebBrowser.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineHttpRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNavigationRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineView>

#include "app/WebPage.h"
#include "app/WebProfile.h"

namespace {

// A top-level browser window of the program: one view on the program's profile. It closes on
// the user's word or the page's (window.close()), and deletes itself when closed.
class CBrowserWindow : public QWidget {
public:
    CBrowserWindow() : QWidget(nullptr, Qt::Window)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowTitle(QStringLiteral("Tamo캘린더"));
        m_view = new QWebEngineView(this);
        auto* page = new CTamoWebPage(m_view);
        m_view->setPage(page);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_view);
        connect(page, &QWebEnginePage::titleChanged, this, [this](const QString& title) {
            setWindowTitle(title.isEmpty() ? QStringLiteral("Tamo캘린더") : title);
        });
        connect(page, &QWebEnginePage::windowCloseRequested, this, &QWidget::close);
        const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                              : QRect(0, 0, 1280, 800);
        resize(qMin(1024, screen.width() * 9 / 10), qMin(768, screen.height() * 9 / 10));
    }

    QWebEngineView* View() const { return m_view; }

    void ShowInFront()
    {
        show();
        raise();
        activateWindow();
    }

private:
    QWebEngineView* m_view;
};

}  // namespace

void OpenInNewBrowserWindow(QWebEngineNewWindowRequest& request)
{
    auto* window = new CBrowserWindow;
    window->View()->page()->acceptAsNewWindow(request);
    window->ShowInFront();
}

// Receives the attached view's signals for its CWebBrowser.
class CWebBrowser::CSink : public QObject {
public:
    explicit CSink(CWebBrowser* owner) : m_owner(owner) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Show:
            m_owner->OnVisible(true);
            break;
        case QEvent::Hide:
            m_owner->OnVisible(false);
            break;
        case QEvent::Close:
            // The user closes the window: it goes, and the browser with it.
            QMetaObject::invokeMethod(this, [owner = m_owner] { owner->OnQuit(); }, Qt::QueuedConnection);
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    CWebBrowser* m_owner;
};

CWebBrowser::CWebBrowser() = default;

CWebBrowser::~CWebBrowser()
{
    if (IsAttached())
        Reset();
}

bool CWebBrowser::Attach(QWebEngineView* browser)
{
    if (IsAttached())
        return true;
    if (!browser)
        return false;
    m_browser = browser;
    Connect();
    return true;
}

QWebEngineView* CWebBrowser::Detach()
{
    QWebEngineView* browser = m_browser;
    Disconnect();
    m_browser = nullptr;
    m_windowLaunched = false;
    return browser;
}

void CWebBrowser::Reset()
{
    Detach();
}

void CWebBrowser::Connect()
{
    m_sink = new CSink(this);
    QWebEngineView* view = m_browser;
    QWebEnginePage* page = view->page();
    view->window()->installEventFilter(m_sink);
    QObject::connect(view, &QObject::destroyed, m_sink, [this] {
        // The window went without a close (its owner deleted it): the same as quitting.
        OnQuit();
    });
    QObject::connect(page, &QWebEnginePage::navigationRequested, m_sink, [this](QWebEngineNavigationRequest& request) {
        bool cancel = false;
        OnBeforeNavigate2(request.url().toString(QUrl::FullyEncoded), 0, QString(), QByteArray(), QString(), cancel);
        if (cancel)
            request.reject();
    });
    QObject::connect(page, &QWebEnginePage::urlChanged, m_sink, [this](const QUrl& url) {
        OnNavigateComplete2(url.toString(QUrl::FullyEncoded));
    });
    QObject::connect(page, &QWebEnginePage::loadStarted, m_sink, [this] { OnDownloadBegin(); });
    QObject::connect(page, &QWebEnginePage::loadingChanged, m_sink, [this](const QWebEngineLoadingInfo& info) {
        const QString url = info.url().toString(QUrl::FullyEncoded);
        switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            return;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
            OnDownloadComplete();
            OnDocumentComplete(url);
            return;
        case QWebEngineLoadingInfo::LoadStoppedStatus:
            OnDownloadComplete();
            return;
        case QWebEngineLoadingInfo::LoadFailedStatus: {
            OnDownloadComplete();
            const long status = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain
                                    ? long(info.errorCode())
                                    : -long(qAbs(info.errorCode()));
            bool cancel = false;
            OnNavigateError(url, QString(), status, cancel);
            if (cancel)
                m_browser->stop();
            return;
        }
        }
    });
    QObject::connect(page, &QWebEnginePage::loadProgress, m_sink, [this](int progress) { OnProgressChange(progress, 100); });
    QObject::connect(page, &QWebEnginePage::titleChanged, m_sink, [this](const QString& title) { OnTitleChange(title); });
    QObject::connect(page, &QWebEnginePage::linkHovered, m_sink, [this](const QString& url) { OnStatusTextChange(url); });
    QObject::connect(page->action(QWebEnginePage::Back), &QAction::changed, m_sink, [this, page] {
        OnCommandStateChange(CSC_NAVIGATEBACK, page->action(QWebEnginePage::Back)->isEnabled());
    });
    QObject::connect(page->action(QWebEnginePage::Forward), &QAction::changed, m_sink, [this, page] {
        OnCommandStateChange(CSC_NAVIGATEFORWARD, page->action(QWebEnginePage::Forward)->isEnabled());
    });
    QObject::connect(page, &QWebEnginePage::fullScreenRequested, m_sink, [this](QWebEngineFullScreenRequest request) {
        request.accept();
        SetFullScreen(request.toggleOn());
    });
    if (auto* tamoPage = qobject_cast<CTamoWebPage*>(page))
        tamoPage->SetNewWindowFilter([this] {
            bool cancel = false;
            OnNewWindow2(cancel);
            return !cancel;
        });
}

void CWebBrowser::Disconnect()
{
    if (!m_sink)
        return;
    if (m_browser) {
        m_browser->window()->removeEventFilter(m_sink);
        if (auto* tamoPage = qobject_cast<CTamoWebPage*>(m_browser->page()))
            tamoPage->SetNewWindowFilter(nullptr);
    }
    delete m_sink;  // its connections go with it
    m_sink = nullptr;
}

bool CWebBrowser::LaunchBrowser(const QString& url)
{
    if (IsAttached())
        return true;
    if (!LaunchBrowser(false, url))
        return false;
    Navigate(url);
    SetVisible(1);
    return true;
}

bool CWebBrowser::LaunchBrowser(bool useRunningBrowser, const QString& url)
{
    Q_UNUSED(useRunningBrowser);
    Q_UNUSED(url);
    if (IsAttached())
        return true;
    auto* window = new CBrowserWindow;
    m_windowLaunched = true;
    const bool attached = Attach(window->View());
    m_windowLaunched = attached;
    return attached;
}

namespace {

QWebEngineHttpRequest MakeRequest(const QString& url, const QString& headers, const QByteArray* postData)
{
    QWebEngineHttpRequest request{QUrl(url)};
    for (const QString& line : headers.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon > 0)
            request.setHeader(line.left(colon).trimmed().toLatin1(), line.mid(colon + 1).trimmed().toUtf8());
    }
    if (postData) {
        request.setMethod(QWebEngineHttpRequest::Post);
        request.setPostData(*postData);
    }
    return request;
}

}  // namespace

void CWebBrowser::Navigate(const QString& url, DWORD flags, const QString& targetFrame, const QString& headers,
                           const void* postData, DWORD postDataLength)
{
    if (!postData) {
        Navigate2(url, flags, QByteArray(), targetFrame, headers);
        return;
    }
    QByteArray body;
    if (postDataLength == 0)
        body = QString::fromUtf16(static_cast<const char16_t*>(postData)).toUtf8();
    else
        body = QByteArray(static_cast<const char*>(postData), qsizetype(postDataLength));
    PushCookiesToWeb();
    m_browser->load(MakeRequest(url, headers, &body));
}

void CWebBrowser::Navigate2(const QString& url, DWORD /*flags*/, const QByteArray& postData,
                            const QString& /*targetFrame*/, const QString& headers)
{
    PushCookiesToWeb();
    m_browser->load(MakeRequest(url, headers, postData.isNull() ? nullptr : &postData));
}

void CWebBrowser::GoBack() { m_browser->back(); }
void CWebBrowser::GoForward() { m_browser->forward(); }
void CWebBrowser::Refresh() { m_browser->reload(); }

void CWebBrowser::Refresh2(int level)
{
    m_browser->page()->triggerAction(level >= 3 ? QWebEnginePage::ReloadAndBypassCache : QWebEnginePage::Reload);
}

void CWebBrowser::Stop() { m_browser->stop(); }

void CWebBrowser::Quit()
{
    if (m_windowLaunched)
        m_browser->window()->close();
    else
        OnQuit();
}

void CWebBrowser::PutProperty(const QString& name, const QVariant& value)
{
    m_properties[name] = value;
    OnPropertyChange(name);
}

int CWebBrowser::GetProperty(const QString& name, QString& value) const
{
    const auto found = m_properties.constFind(name);
    if (found == m_properties.constEnd() || found->typeId() != QMetaType::QString)
        return 0;
    value = found->toString();
    return 1;
}

QWidget* CWebBrowser::GetBrowserWnd() const
{
    return m_browser ? m_browser->window() : nullptr;
}

bool CWebBrowser::LoadFromResource(const QString& resourceName)
{
    const QString path = QStringLiteral(":/") + resourceName;
    if (!QFile::exists(path))
        return false;
    Navigate(QStringLiteral("qrc") + path);
    return true;
}

bool CWebBrowser::LoadFromResource(int resourceNumber)
{
    return LoadFromResource(QString::number(resourceNumber));
}

QString CWebBrowser::GetLocationName() const { return m_browser ? m_browser->title() : QString(); }
QString CWebBrowser::GetLocationURL() const
{
    return m_browser ? m_browser->url().toString(QUrl::FullyEncoded) : QString();
}

long CWebBrowser::GetLeft() const { return m_browser->window()->x(); }
long CWebBrowser::GetTop() const { return m_browser->window()->y(); }
long CWebBrowser::GetWidth() const { return m_browser->window()->width(); }
long CWebBrowser::GetHeight() const { return m_browser->window()->height(); }
void CWebBrowser::SetLeft(long value) { m_browser->window()->move(int(value), m_browser->window()->y()); }
void CWebBrowser::SetTop(long value) { m_browser->window()->move(m_browser->window()->x(), int(value)); }
void CWebBrowser::SetWidth(long value) { m_browser->window()->resize(int(value), m_browser->window()->height()); }
void CWebBrowser::SetHeight(long value) { m_browser->window()->resize(m_browser->window()->width(), int(value)); }

int CWebBrowser::GetVisible() const { return m_browser->window()->isVisible() ? 1 : 0; }

void CWebBrowser::SetVisible(int value)
{
    QWidget* window = m_browser->window();
    if (!value) {
        window->hide();
        return;
    }
    window->show();
    window->raise();
    window->activateWindow();
}

int CWebBrowser::GetFullScreen() const { return m_browser->window()->isFullScreen() ? 1 : 0; }

void CWebBrowser::SetFullScreen(int value)
{
    QWidget* window = m_browser->window();
    if (bool(value) == window->isFullScreen())
        return;
    if (value)
        window->showFullScreen();
    else
        window->showNormal();
    OnFullScreen(value != 0);
}

int CWebBrowser::GetBusy() const
{
    return GetReadyState() == READYSTATE_LOADING ? 1 : 0;
}

long CWebBrowser::GetReadyState() const
{
    if (!m_browser || m_browser->url().isEmpty())
        return READYSTATE_UNINITIALIZED;
    // The page's loading state is what the engine reports through its actions.
    return m_browser->page()->action(QWebEnginePage::Stop)->isEnabled() ? READYSTATE_LOADING : READYSTATE_COMPLETE;
}

int CWebBrowser::GetTopLevelContainer() const { return m_browser && m_browser->isWindow() ? 1 : m_windowLaunched ? 1 : 0; }

int CWebBrowser::GetResizeAble() const
{
    const QWidget* window = m_browser->window();
    return window->minimumSize() != window->maximumSize() ? 1 : 0;
}

void CWebBrowser::SetResizeAble(int value)
{
    QWidget* window = m_browser->window();
    if (value) {
        window->setMinimumSize(0, 0);
        window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        window->setFixedSize(window->size());
    }
}
