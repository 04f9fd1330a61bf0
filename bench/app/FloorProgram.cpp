// The floor of the desktop program's start: the least a Qt WebEngine program does to show the
// calendar page. The same profile settings as the program's one profile, a window of the main
// window's expanded size with the view where the program places it, the same page signed in
// (the session's cookies come from the benchmark), and the same paint marks on the error output.
// Started by bench_app only: bench_app_floor <url>, cookies in TAMO_BENCH_COOKIES (cookies.txt
// lines).
#include <time.h>
#include <unistd.h>

#include <cstdio>

#include <QApplication>
#include <QImage>
#include <QNetworkCookie>
#include <QTimer>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "app/FirstFrame.h"

namespace {

void Mark(const char* szStep)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::fprintf(stderr, "tamo-startup %s %lld\n", szStep,
                 static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000);
    std::fflush(stderr);
}

void SetCookies(QWebEngineCookieStore* store, const QString& lines)
{
    for (QString line : lines.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1String("#HttpOnly_")))
            line.remove(0, 10);
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.size() < 7 || line.startsWith(QLatin1Char('#')))
            continue;
        QNetworkCookie cookie(f[5].toUtf8(), f[6].toUtf8());
        cookie.setPath(f[2].isEmpty() ? QStringLiteral("/") : f[2]);
        QString host = f[0];
        if (host.startsWith(QLatin1Char('.')))
            host.remove(0, 1);
        store->setCookie(cookie, QUrl(QStringLiteral("http://%1/").arg(host)));
    }
}

// The first paint of the window, then the view's first frame with something in it after its
// page loaded.
class CPaintWatch : public QObject {
public:
    CPaintWatch(QWidget* window, QWebEngineView* view) : m_pWindow(window), m_pView(view)
    {
        connect(view, &QWebEngineView::loadFinished, this, [this](bool ok) {
            if (ok && !m_bLoaded) {
                m_bLoaded = true;
                Mark("page-loaded");
            }
        });
        qApp->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_bDone || event->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (widget == m_pWindow && !m_bWindowPainted) {
            m_bWindowPainted = true;
            Mark("window-painted");
        } else if (m_bLoaded && !m_bPagePainted && !m_bCheckQueued && m_pView->isAncestorOf(widget)) {
            m_bCheckQueued = true;
            QTimer::singleShot(0, this, [this] {
                m_bCheckQueued = false;
                if (!m_bPagePainted && startup::HasContent(m_pView)) {
                    m_bPagePainted = true;
                    Mark("page-painted");
                    CheckReady();
                }
            });
        }
        CheckReady();
        return false;
    }

private:
    void CheckReady()
    {
        if (m_bDone || !m_bWindowPainted || !m_bPagePainted)
            return;
        m_bDone = true;
        Mark("ready");
        qApp->removeEventFilter(this);
    }

    QWidget* m_pWindow;
    QWebEngineView* m_pView;
    bool m_bWindowPainted = false;
    bool m_bLoaded = false;
    bool m_bCheckQueued = false;
    bool m_bPagePainted = false;
    bool m_bDone = false;
};

}  // namespace

int main(int argc, char** argv)
{
    Mark("main");
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_app_floor <url>\n");
        return 2;
    }
    // As the program: Chromium's sandbox cannot run for the superuser.
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS") && geteuid() == 0)
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    Mark("application-made");

    QWebEngineProfile profile;  // no storage name: off the record
    profile.setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile.setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile.setSpellCheckEnabled(false);
    QWebEngineSettings* settings = profile.settings();
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    SetCookies(profile.cookieStore(), qEnvironmentVariable("TAMO_BENCH_COOKIES"));
    Mark("profile-made");

    QWidget window;
    window.resize(548, 412);
    auto* view = new QWebEngineView(&window);
    view->setPage(new QWebEnginePage(&profile, view));
    view->setGeometry(5, 52, 538, 355);
    CPaintWatch watch(&window, view);
    view->load(QUrl(QString::fromLocal8Bit(argv[1])));
    window.show();
    const int code = app.exec();
    delete view;  // before the profile
    return code;
}
