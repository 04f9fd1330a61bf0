#pragma once

#include <functional>

#include <QWebEnginePage>

// A page on the program's profile that keeps quiet: script errors, console output and script
// dialogs never reach the user, and downloads are refused. A filter, when set, sees every
// navigation request (frames included) before it goes ahead. A page that asks for a new window
// gets a browser window of the program.
class CTamoWebPage : public QWebEnginePage {
    Q_OBJECT
public:
    // Answers whether the navigation goes ahead.
    using NavigationFilter = std::function<bool(const QUrl& url, bool isMainFrame)>;

    explicit CTamoWebPage(QObject* parent = nullptr);

    void SetNavigationFilter(NavigationFilter filter) { m_filter = std::move(filter); }
    // Asked before a link or script opens a new window (a browser window of the program);
    // false refuses it.
    void SetNewWindowFilter(std::function<bool()> filter) { m_newWindowFilter = std::move(filter); }

    // A move to another place in the same document (only the fragment differs): no load follows.
    static bool IsSameDocument(const QUrl& from, const QUrl& to);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) override {}
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override { return false; }

private:
    NavigationFilter m_filter;
    std::function<bool()> m_newWindowFilter;
};
