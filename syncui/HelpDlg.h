#pragma once

#include <QString>

#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoDlg.h"
#include "tamoui/CTamoStatic.h"

// The system's message box: a title, an orange heading and a grey body text, with OK alone
// (mode 0) or OK and cancel (mode 1); compact makes it a small 410 x 130 window.
// The caller sets the texts before DoModal, which answers 1 (OK) or 2 (cancel).
class CHelpDlg : public CTamoDlg {
    Q_OBJECT
public:
    enum { IDD = 3005, IDC_BACKGROUND = 3025, IDC_CANCEL = 3040, IDC_HEADING = 3006, IDC_BODY = 3007 };
    static constexpr int kWidth = 410;
    static constexpr int kHeight = 300;
    static constexpr int kCompactHeight = 130;

    explicit CHelpDlg(QWidget* parent = nullptr);

    int SetMode(int nMode, int nCompact);
    int GetMode() const { return m_nMode; }
    int GetCompact() const { return m_nCompact; }

    QString m_strHeading;
    QString m_strBody;
    QString m_strTitle = QStringLiteral("도움말");

protected:
    bool OnInitDialog() override;

private:
    CTamoStatic m_stBackground;
    CTamoButton m_btnOK;
    CTamoButton m_btnCancel;
    int m_nMode = 0;
    int m_nCompact = 0;
    CTamoStatic m_stHeading;
    CTamoStatic m_stBody;
};
