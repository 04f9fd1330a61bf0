#pragma once

#include <QPointer>

#include "app/Alarm.h"
#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoDlg.h"
#include "tamoui/CTamoStatic.h"

class CAlarmDlg;

// The sliding alert: a small top-most window that grows up from the task-bar corner, stays a
// few seconds (longer while the pointer rests on it, once) and slides down again. Windows that
// are open at once stack upward. It never takes the keyboard focus and deletes itself when it
// is gone.
class CAlertWnd : public CTamoDlg {
    Q_OBJECT
public:
    enum {
        IDC_CLOSE = 1066,
        IDC_REMIND = 1067,
        IDC_TITLE = 1068,
        IDC_ICON = 10001,
        IDC_LINE = 10002,
    };
    enum { TIMER_SLIDE_IN = 1000, TIMER_SLIDE_OUT = 1001, TIMER_HOLD = 1002 };
    static constexpr unsigned WM_ALERT_START = 0x0400 + 2003;  // 3027
    static constexpr int kWidth = 188;
    static constexpr int kHeight = 124;
    static constexpr int kStep = 8;
    static constexpr int kStepMs = 20;
    static constexpr int kHoldMs = 5000;
    static constexpr int kHoverHoldMs = 7000;

    CAlertWnd(const _dataAlarm& alarm, const QString& url, CAlarmCenter* pCenter);
    ~CAlertWnd() override;

    // How many alert windows are open in the program.
    static int Count();
    // The work area the windows stack in; an empty rectangle gives the primary screen's back.
    static void SetWorkAreaForTesting(const QRect& rc);
    static QRect WorkArea();

    const _dataAlarm& Alarm() const { return m_alarm; }
    QString Url() const { return m_strUrl; }
    int Bottom() const { return m_nBottom; }
    int CurrentHeight() const { return m_nHeight; }
    bool WasHeld() const { return m_bHeld; }
    CAlarmDlg* AlarmDialog() const { return m_pAlarmDlg; }

    // The steps of the motion, as the window's message and timers run them.
    void OnStart();
    void OnTimer(int nIDEvent) override;

protected:
    bool OnEraseBkgnd(QPainter* pDC) override;
    void customEvent(QEvent* event) override;
    void OnOK() override {}
    void OnCancel() override { DestroyWindow(); }

private:
    void Place();
    void ApplyHeight(int nHeight);
    bool CursorInside() const;
    void DestroyWindow();
    void OpenAlarmDlg();

    _dataAlarm m_alarm;  // a copy: the list's record may be gone while the window shows
    QString m_strUrl;
    QPointer<CAlarmCenter> m_pCenter;
    QPointer<CAlarmDlg> m_pAlarmDlg;
    bool m_bAlarmDlgOpened = false;

    int m_nLeft = 0;
    int m_nBottom = 0;
    int m_nHeight = 0;
    bool m_bHeld = false;
    bool m_bDestroying = false;

    CTamoButton m_btnClose;
    CTamoButton m_btnIcon;
    CTamoStatic m_stLine;
    CTamoButton m_btnRemind;
    CTamoButton m_btnTitle;
};
