#include "syncui/HelpBox.h"

#include "syncui/HelpDlg.h"

namespace {
HelpBoxHook& Hook()
{
    static HelpBoxHook hook;
    return hook;
}
}  // namespace

int ShowHelpBox(QWidget* parent, const SHelpBox& box)
{
    if (const HelpBoxHook hook = Hook())
        return hook(box);
    CHelpDlg dlg(parent);
    dlg.m_strTitle = box.title;
    dlg.m_strHeading = box.heading;
    dlg.m_strBody = box.body;
    dlg.SetMode(box.mode, box.compact);
    return dlg.DoModal();
}

HelpBoxHook SetHelpBoxHook(HelpBoxHook hook)
{
    HelpBoxHook before = std::move(Hook());
    Hook() = std::move(hook);
    return before;
}
