#pragma once

#include <QByteArray>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <QWebEngineView>

#include "platform/WinTypes.h"

class QWebEngineNewWindowRequest;

// Command numbers of OnCommandStateChange.
constexpr long CSC_NAVIGATEFORWARD = 1;
constexpr long CSC_NAVIGATEBACK = 2;

// Ready states of GetReadyState.
constexpr long READYSTATE_UNINITIALIZED = 0;
constexpr long READYSTATE_LOADING = 1;
constexpr long READYSTATE_COMPLETE = 4;

// One browser: a view of the program's web profile, so pages open with the program's session.
// It holds the view, turns its signals into the virtual handlers below (the default handlers do
// nothing and never cancel), and offers the view's properties and methods with simple types.
// It attaches to a view that already exists, or opens a top-level browser window of its own
// (LaunchBrowser). A launched window outlives this object: the user closes it.
//
// Not available here, because the engine has no such thing: tool, menu, status and address bars
// (their handlers never fire), theatre mode, browser bars, the shell's item-id lists, the
// automation objects behind the browser (application, container, parent, document), the OLE
// command targets (ExecWB, QueryStatusWB) and offline mode.
class CWebBrowser {
public:
    CWebBrowser();
    virtual ~CWebBrowser();
    CWebBrowser(const CWebBrowser&) = delete;
    CWebBrowser& operator=(const CWebBrowser&) = delete;

    // Already attached: true and nothing changes.
    bool Attach(QWebEngineView* browser);
    // Stops listening and hands the view back.
    QWebEngineView* Detach();
    // Stops listening and forgets the view.
    void Reset();
    bool IsAttached() const { return !m_browser.isNull(); }
    QWebEngineView* GetBrowser() const { return m_browser; }

    // Opens a new top-level browser window on the URL, visible and in front. Already attached:
    // true, and nothing opens.
    bool LaunchBrowser(const QString& url);
    // A new browser window, created hidden and not navigated: the caller navigates it and shows
    // it. The flag (use a running browser) has nothing to find here: every window is the
    // program's own.
    bool LaunchBrowser(bool useRunningBrowser, const QString& url);

    // Navigates; post data sends a POST with the headers given (CR LF separated lines). A
    // non-null post data with length 0 is a zero-terminated UTF-16 text, sent as UTF-8.
    void Navigate(const QString& url, DWORD flags = 0, const QString& targetFrame = {}, const QString& headers = {},
                  const void* postData = nullptr, DWORD postDataLength = 0);
    void Navigate2(const QString& url, DWORD flags, const QByteArray& postData, const QString& targetFrame = {},
                   const QString& headers = {});

    void GoBack();
    void GoForward();
    void Refresh();
    void Refresh2(int level);  // level 3 (completely) bypasses the cache
    void Stop();
    void Quit();  // closes a launched window; fires OnQuit

    void PutProperty(const QString& name, const QVariant& value);
    // True when the property exists and is a text.
    int GetProperty(const QString& name, QString& value) const;

    QWidget* GetBrowserWnd() const;
    QPoint ClientToWindow(const QPoint& point) const { return point; }
    // A page of the program's resources (":/name").
    bool LoadFromResource(const QString& resourceName);
    bool LoadFromResource(int resourceNumber);

    QString GetLocationName() const;  // the page title
    QString GetLocationURL() const;
    long GetLeft() const;
    long GetTop() const;
    long GetWidth() const;
    long GetHeight() const;
    void SetLeft(long value);
    void SetTop(long value);
    void SetWidth(long value);
    void SetHeight(long value);
    int GetVisible() const;
    void SetVisible(int value);  // showing a window also brings it forward
    int GetFullScreen() const;
    void SetFullScreen(int value);
    int GetSilent() const { return 1; }  // pages never show script errors or dialogs
    int GetBusy() const;
    long GetReadyState() const;
    int GetTopLevelContainer() const;
    int GetResizeAble() const;
    void SetResizeAble(int value);

protected:
    virtual void OnNavigateComplete2(const QString& /*url*/) {}
    virtual void OnBeforeNavigate2(const QString& /*url*/, DWORD /*flags*/, const QString& /*targetFrame*/,
                                   const QByteArray& /*postData*/, const QString& /*headers*/, bool& /*cancel*/)
    {
    }
    virtual void OnStatusTextChange(const QString& /*text*/) {}
    virtual void OnProgressChange(long /*progress*/, long /*progressMax*/) {}
    virtual void OnCommandStateChange(long /*command*/, bool /*enable*/) {}
    virtual void OnDownloadBegin() {}
    virtual void OnDownloadComplete() {}
    virtual void OnTitleChange(const QString& /*title*/) {}
    virtual void OnPropertyChange(const QString& /*property*/) {}
    // Cancel refuses the new window; otherwise it opens as a browser window of its own.
    virtual void OnNewWindow2(bool& /*cancel*/) {}
    virtual void OnDocumentComplete(const QString& /*url*/) {}
    virtual void OnQuit() { Reset(); }
    virtual void OnVisible(bool /*visible*/) {}
    virtual void OnFullScreen(bool /*fullScreen*/) {}
    // Status code: the HTTP status of an error answer, or the engine's (negative) network error.
    virtual void OnNavigateError(const QString& /*url*/, const QString& /*targetFrame*/, long /*statusCode*/, bool& /*cancel*/) {}

private:
    void Connect();
    void Disconnect();

    QPointer<QWebEngineView> m_browser;
    class CSink;
    CSink* m_sink = nullptr;  // receives the view's signals while attached
    QVariantMap m_properties;
    bool m_windowLaunched = false;
};

// Opens what a page asked for in a new browser window of the program, in front.
void OpenInNewBrowserWindow(QWebEngineNewWindowRequest& request);
