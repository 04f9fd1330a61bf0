#include "app/StartupTrace.h"

#include <time.h>

#include <cstdio>

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QTimer>
#include <QWebEngineView>

#include "app/FirstFrame.h"

#include "app/Explorer.h"

namespace startup {

namespace {

// Paints seen through an application-wide filter: the view's Chromium frames arrive in a child
// widget that exists only once the first page is under way.
class CPaintWatch : public QObject {
public:
    CPaintWatch(QWidget* window, CExplorer* explorer, std::function<bool()> fnSignedIn)
        : QObject(window), m_pWindow(window), m_pExplorer(explorer), m_fnSignedIn(std::move(fnSignedIn))
    {
        m_bPageNeeded = !WebViewOff();
        connect(explorer, &CExplorer::DocumentComplete, this, [this](const QString&, bool ok) {
            if (ok && !m_bPageLoaded) {
                m_bPageLoaded = true;
                Mark("page-loaded");
            }
        });
        qApp->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_bDone && event->type() == QEvent::Paint && watched->isWidgetType())
            OnPaint(static_cast<QWidget*>(watched));
        return false;
    }

private:
    void OnPaint(QWidget* widget)
    {
        if (widget == m_pWindow) {
            if (!m_bWindowPainted) {
                m_bWindowPainted = true;
                Mark("window-painted");
            }
            if (!m_bSignedInPainted && m_fnSignedIn()) {
                m_bSignedInPainted = true;
                Mark("signed-in-painted");
            }
        } else if (m_bPageLoaded && !m_bPagePainted && !m_bCheckQueued && m_pExplorer->View() &&
                   m_pExplorer->View()->isAncestorOf(widget)) {
            // Not inside the paint: grabbing paints again.
            m_bCheckQueued = true;
            QTimer::singleShot(0, this, [this] {
                m_bCheckQueued = false;
                if (!m_bPagePainted && HasContent(m_pExplorer->View())) {
                    m_bPagePainted = true;
                    Mark("page-painted");
                    CheckReady();
                }
            });
        }
        CheckReady();
    }

    void CheckReady()
    {
        if (m_bDone || !m_bSignedInPainted || (m_bPageNeeded && !m_bPagePainted))
            return;
        m_bDone = true;
        Mark("ready");
        qApp->removeEventFilter(this);
    }

    QWidget* m_pWindow;
    CExplorer* m_pExplorer;
    std::function<bool()> m_fnSignedIn;
    bool m_bPageNeeded = true;
    bool m_bWindowPainted = false;
    bool m_bSignedInPainted = false;
    bool m_bPageLoaded = false;
    bool m_bCheckQueued = false;
    bool m_bPagePainted = false;
    bool m_bDone = false;
};

}  // namespace

bool Tracing()
{
    static const bool on = qEnvironmentVariableIntValue("TAMO_STARTUP_TRACE") != 0;
    return on;
}

bool WebViewOff()
{
    static const bool off = qEnvironmentVariableIntValue("TAMO_STARTUP_NO_WEB") != 0;
    return off;
}

void Mark(const char* szStep)
{
    if (!Tracing())
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::fprintf(stderr, "tamo-startup %s %lld\n", szStep,
                 static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000);
    std::fflush(stderr);
}

void WatchMainWindow(QWidget* window, CExplorer* explorer, std::function<bool()> fnSignedIn)
{
    if (Tracing())
        new CPaintWatch(window, explorer, std::move(fnSignedIn));
}

}  // namespace startup
