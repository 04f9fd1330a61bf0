#include "tamoui/TamoToolkit.h"

#include <QVariant>

namespace tamoui {

void SetControlId(QWidget* control, int nID)
{
    if (control)
        control->setProperty(kControlIdProperty, nID);
}

int GetControlId(const QWidget* control)
{
    return control ? control->property(kControlIdProperty).toInt() : 0;
}

QWidget* FindControl(const QWidget* root, int nID)
{
    if (!root)
        return nullptr;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (GetControlId(w) == nID)
            return w;
    }
    return nullptr;
}

}  // namespace tamoui
