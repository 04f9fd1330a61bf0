#pragma once

#include <functional>

#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoDlg.h"
#include "tamoui/CTamoStatic.h"

// The start of an Outlook synchronisation: a warning about the data, the button that runs the
// sync window, the sync options and a help text. It closes as cancelled in every normal case.
class CWarningDlg : public CTamoDlg {
    Q_OBJECT
public:
    enum {
        IDD = 3002,
        IDC_BACKGROUND = 3025,
        IDC_SYNC = 3002,
        IDC_TEXT = 3003,
        IDC_OPTIONS = 3004,
        IDC_HELP = 3017,
        IDB_HELP = 3016,
    };
    static constexpr int kOptionsPage = 1;  // the page of the sync options

    explicit CWarningDlg(QWidget* parent = nullptr);

    // Opens the options window on a page; the main window fills it.
    std::function<int(int nPage)> m_fnOpenOptions;

protected:
    bool OnInitDialog() override;

private:
    void OnSync();
    void OnHelp();
    void OpenOptions();

    CTamoStatic m_stBackground;
    CTamoStatic m_stText;
    CTamoButton m_btnSync;
    CTamoButton m_btnOptions;
    CTamoButton m_btnCancel;
    CTamoButton m_btnHelp;
};
