#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QPointer>

#include "app/Alarm.h"
#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoDlg.h"
#include "tamoui/CTamoStatic.h"

// The alarm dialog (166): the alarm's title as a link to its page, and the offer to ring again
// after a delay. Modeless; it deletes itself when it closes.
class CAlarmDlg : public CTamoDlg {
    Q_OBJECT
public:
    enum {
        IDD = 166,
        IDC_BACKGROUND = 1038,
        IDC_TEXT = 1055,
        IDC_TEXT2 = 1056,
        IDC_TITLE = 1057,
        IDC_SEPARATOR = 1060,
        IDC_REMIND = 1061,
        IDC_DELAY = 1048,
        IDC_DELAY_LABEL = 1062,
    };
    enum { TIMER_TOPMOST = 1000 };

    CAlarmDlg(const _dataAlarm& alarm, const QString& url, CAlarmCenter* pCenter, QWidget* parent = nullptr);

    // Shows the dialog top-most for a second, without a modal loop.
    void OpenModeless();

    const _dataAlarm& Alarm() const { return m_alarm; }
    QString Url() const { return m_strUrl; }
    // Minutes of a delay-list item; anything else counts as 5.
    static int DelayMinutes(int nItem);

protected:
    bool OnInitDialog() override;
    void OnTimer(int nIDEvent) override;
    void OnOK() override;

private:
    _dataAlarm m_alarm;  // a copy: the list's record may be gone long before the user answers
    QString m_strUrl;
    QPointer<CAlarmCenter> m_pCenter;

    CTamoStatic m_stBackground;
    CTamoStatic m_stText;
    CTamoStatic m_stText2;
    CTamoButton m_btnTitle;
    CTamoStatic m_stSeparator;
    QCheckBox m_chkRemind;
    QComboBox m_cbDelay;
    CTamoStatic m_stDelayLabel;
    CTamoButton m_btnOK;
};
