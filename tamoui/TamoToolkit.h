#pragma once

#include <QString>
#include <QWidget>

#include "tamoui/TamoExport.h"

// The small dialog toolkit: controls carry their numeric ids, and commands and notifications
// travel as (id, code) pairs to the dialog that holds the control.
namespace tamoui {

// Command results and ids every dialog knows.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDCLOSE_TITLE = 50100;

// Notification codes.
constexpr int BN_CLICKED = 0;
constexpr int CBN_SELCHANGE = 1;
constexpr int EN_CHANGE = 0x0300;
constexpr int NM_CLICK = -2;

// The dynamic property that holds a control's id. Widgets of other libraries set the same
// property, so one lookup finds every control.
inline constexpr const char* kControlIdProperty = "tamoCtrlId";

TAMOUI_EXPORT void SetControlId(QWidget* control, int nID);
// The control's id, 0 when it has none.
TAMOUI_EXPORT int GetControlId(const QWidget* control);
// The first descendant of root (depth first) carrying that id, or null.
TAMOUI_EXPORT QWidget* FindControl(const QWidget* root, int nID);

template <typename T>
T* FindControlAs(const QWidget* root, int nID)
{
    return qobject_cast<T*>(FindControl(root, nID));
}

}  // namespace tamoui
