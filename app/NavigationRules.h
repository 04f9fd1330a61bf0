#pragma once

#include <span>

#include <QRect>
#include <QSize>
#include <QString>

// What the calendar page asks of the program by navigating to certain URLs. The rules are
// tried in their order, the first whose text occurs anywhere in the URL wins, and every rule
// cancels the navigation; a URL no rule matches is loaded.
enum class ENavAction {
    QuickAddEvent,  // the event quick-add dialog
    ToolTip,        // the detail pop-up at the cursor, loading this URL
    QuickAddTodo,   // the to-do quick-add dialog
    Mode,           // a display mode change; the geometry says which
    ServicePage,    // a page of the calendar service in a browser window, signed in
};

// The main window's geometry after a mode change.
struct SModeGeometry {
    QSize window;   // the window's new size
    int moveX = 0;  // how far the window moves to the right (negative: left)
    QRect browser;  // the browser view inside the window
    QSize skin;     // the skinned size passed with the current display mode
};

struct SNavigationRule {
    const char* contains;
    ENavAction action;
    SModeGeometry mode;       // Mode only
    const char* servicePath;  // ServicePage only: the path on the calendar service
};

// The rules of the main view, in order.
std::span<const SNavigationRule> MainViewRules();
// The detail pop-up's own view takes over "event/new" alone.
std::span<const SNavigationRule> ToolTipRules();

// The first rule whose text occurs in the URL; null when none does.
const SNavigationRule* MatchNavigation(std::span<const SNavigationRule> rules, const QString& url);
