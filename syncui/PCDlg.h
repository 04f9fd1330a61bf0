#pragma once

#include <QString>

#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoDlg.h"
#include "tamoui/CTamoStatic.h"

// Asks whether this computer, named in the text, becomes the one PC that syncs to-dos.
// DoModal answers 1 (OK) or 2 (cancel).
class CPCDlg : public CTamoDlg {
    Q_OBJECT
public:
    enum { IDD = 175, IDC_BACKGROUND = 1038, IDC_TITLE = 3036, IDC_RULE = 3037, IDC_NAME = 3038, IDC_QUESTION = 3039 };
    static constexpr int kMaxComputerName = 256;

    explicit CPCDlg(QWidget* parent = nullptr);

    // "앞으로 [ name ]".
    static QString FormatNameLine(const QString& strComputerName);

protected:
    bool OnInitDialog() override;
    // The computer's name: the host name, at most 256 characters.
    virtual QString GetComputerName() const;

private:
    CTamoButton m_btnOK;
    CTamoButton m_btnCancel;
    CTamoStatic m_stBackground;
    CTamoStatic m_stTitle;
    CTamoStatic m_stRule;
    CTamoStatic m_stName;
    CTamoStatic m_stQuestion;
};
