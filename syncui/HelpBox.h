#pragma once

#include <functional>

#include <QString>

class QWidget;

// One message box of the sync windows, shown with CHelpDlg. Tests answer the boxes through the
// hook instead of a person; the program never sets it.
struct SHelpBox {
    QString title;
    QString heading;
    QString body;
    int mode = 0;
    int compact = 1;
};

using HelpBoxHook = std::function<int(const SHelpBox&)>;

// Shows the box modally; its result (1 OK, 2 cancel), or the hook's answer when one is set.
int ShowHelpBox(QWidget* parent, const SHelpBox& box);
// Sets the hook (an empty one shows the boxes again); returns the one before.
HelpBoxHook SetHelpBoxHook(HelpBoxHook hook);
