#pragma once

#include "app/AppArt.h"
#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoDlg.h"
#include "tamoui/CTamoStatic.h"

// The about dialog (100): the version, the date the program was made, who made it.
class CAboutDlg : public CTamoDlg {
    Q_OBJECT
public:
    enum {
        IDD = 100,
        IDC_BACKGROUND = 1038,
        IDC_VERSION = 1039,
        IDC_DATE = 1040,
        IDC_MAKER1 = 1041,
        IDC_MAKER2 = 1042,
        IDC_PICTURE1 = 1043,
        IDC_PICTURE2 = 1046,
    };

    explicit CAboutDlg(QWidget* parent = nullptr);

protected:
    bool OnInitDialog() override;

private:
    CTamoStatic m_stBackground;
    CTamoStatic m_stVersion;
    CTamoStatic m_stDate;
    CTamoStatic m_stMaker1;
    CTamoStatic m_stMaker2;
    CTamoStatic m_stPicture1;
    CTamoStatic m_stPicture2;
    CTamoButton m_btnOK;
    CAppPicture m_picture1{131};
    CAppPicture m_picture2{132};
};
