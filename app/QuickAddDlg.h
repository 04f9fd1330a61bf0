#pragma once

#include <functional>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "app/QuickAdd.h"
#include "tamoui/CTamoButton.h"
#include "tamoui/CTamoDlg.h"
#include "tamoui/CTamoStatic.h"

class CFPSMiniCalendarCtrl;

// A date box: a click on it opens the month picker.
class CMyEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

signals:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// An AM/PM box: a click flips it instead of opening its list.
class CAmPmCombo : public QComboBox {
    Q_OBJECT
public:
    explicit CAmPmCombo(QWidget* parent = nullptr);

signals:
    void Flipped();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// The calendar list: the chosen calendar is drawn as a box in its colour with its name in white.
class CCalendarCombo : public QComboBox {
    Q_OBJECT
public:
    static constexpr int kColorRole = Qt::UserRole + 1;
    using QComboBox::QComboBox;
    void AddCalendar(const quickadd::_comboItem& item);
    long SelectedId() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The month picker (181): a mini calendar under a date box; picking a day closes it with OK,
// a click elsewhere or Escape closes it as cancelled.
class CMonthDlg : public CTamoDlg {
    Q_OBJECT
public:
    enum { IDD = 181, IDC_CALENDAR = 32998 };
    static constexpr QSize kSize{165, 145};

    CMonthDlg(const QDate& date, QWidget* parent = nullptr);
    QDate GetDate() const { return m_date; }
    CFPSMiniCalendarCtrl* Calendar() const { return m_pCalendar; }

protected:
    bool OnInitDialog() override;

private:
    QDate m_date;
    CFPSMiniCalendarCtrl* m_pCalendar = nullptr;
};

// Shared by both quick-add windows: how they tell the user something. Tests replace it.
using MessageFn = std::function<void(const QString& title, const QString& text)>;

// Quick add of an event (162). DoModal answers 1 only after the service took the event.
class CSetAppointmentDlg : public CTamoDlg {
    Q_OBJECT
public:
    enum {
        IDD = 162,
        IDC_START_DATE = 1078,
        IDC_START_AMPM = 1048,
        IDC_START_TIME = 1081,
        IDC_END_DATE = 1082,
        IDC_END_AMPM = 1083,
        IDC_END_TIME = 1086,
        IDC_TITLE = 1084,
        IDC_CALENDAR = 1085,
        IDC_ALLDAY = 1088,
        IDC_ALARM = 1092,
        IDC_ALARM_LEAD = 1093,
        IDC_SAVE = 1089,
        IDC_CANCEL = 1047,
    };
    static constexpr int kTitleLimit = 80;

    explicit CSetAppointmentDlg(QWidget* parent = nullptr);

    // Fills the calendar list from the service's answer; the message shows only when a
    // well-formed list has no calendar to offer.
    void LoadCalendarList(const QByteArray& utf8);
    const std::vector<quickadd::_comboItem>& Calendars() const { return m_items; }
    // What the boxes hold, as the save sends it; false (with the message shown) when the dates
    // or times cannot be saved.
    bool GetFields(quickadd::SEventFields& fields);
    void Save();

    // The month picker of a date box, run modally under it.
    void OpenMonthPicker(int nDateId);

    MessageFn m_fnMessage;

protected:
    bool OnInitDialog() override;
    void OnOK() override { Save(); }

private:
    void FillDefaults();
    void OnStartSlotChosen(int nSlot);
    void OnDateChanged(int nDateId);
    void EnableTimes();
    void ShowMessage(const QString& title, const QString& text);

    CTamoStatic m_stStart, m_stEnd, m_stTitle, m_stCalendar;
    CMyEdit m_edStartDate, m_edEndDate;
    CAmPmCombo m_cbStartAmPm, m_cbEndAmPm;
    QComboBox m_cbStartTime, m_cbEndTime;
    QLineEdit m_edTitle;
    CCalendarCombo m_cbCalendar;
    QCheckBox m_chkAllDay, m_chkAlarm;
    QComboBox m_cbAlarmLead;
    CTamoButton m_btnSave, m_btnCancel;
    std::vector<quickadd::_comboItem> m_items;
    // The dates the end follows: the day offset between them is kept when the start moves.
    QDate m_startDate, m_endDate;
    bool m_bStartTyped = false, m_bEndTyped = false;
};

// Quick add of a to-do (164). DoModal answers 1 only after the service took the to-do.
class CSetTodoDlg : public CTamoDlg {
    Q_OBJECT
public:
    enum { IDD = 164, IDC_LABEL = 1073, IDC_TITLE = 1074, IDC_SAVE = 1075 };
    static constexpr int kTitleLimit = 80;

    explicit CSetTodoDlg(QWidget* parent = nullptr);
    void Save();

    MessageFn m_fnMessage;

protected:
    bool OnInitDialog() override;
    void OnOK() override { Save(); }

private:
    CTamoStatic m_stLabel;
    QLineEdit m_edTitle;
    CTamoButton m_btnSave;
};

namespace quickadd {
// The texts the two windows show.
extern const QString kMsgNoCalendar;
extern const QString kMsgBadDate;
extern const QString kMsgEndBeforeStart;
extern const QString kMsgSaveFailed;
extern const QString kMsgSignInNeeded;
}  // namespace quickadd
