#pragma once

#include <QtGlobal>

// Questions to the desktop session.
class CShell {
public:
    // True when the user is not at the desktop: a screen saver runs or the session is
    // locked. Asks the session's screen saver, then the login manager's locked hint, over
    // D-Bus; false where neither can be asked.
    static bool CheckScreenSaver();
    // Takes a window's button off the task bar. The window systems here keep no task-bar list
    // of their own to edit (a window that wants no button says so with its window flags), so
    // this answers true for any window
    // (false for none).
    static bool DeleteFromTaskbar(quintptr hWnd);
};
