#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

#include "base/GdiTypes.h"

// What the two quick-add windows compute without a window: the proposed times, the date texts,
// the calendar list, the request bodies and the reading of the service's answer.
namespace quickadd {

// One half-hour slot of the time lists: slot s (0-23) with the PM flag p is
// hour s / 2 + 12 * p, minute 30 * (s % 2); slot 0 is twelve o'clock.
struct STimeSlot {
    QDate date;
    int nSlot = 0;
    bool bPM = false;

    int Hour() const { return nSlot / 2 + (bPM ? 12 : 0); }
    int Minute() const { return nSlot % 2 ? 30 : 0; }
    QDateTime DateTime() const;
    bool operator==(const STimeSlot&) const = default;
};

// The start and end proposed for a new event at the given moment (Asia/Seoul wall time): the
// next half-hour boundary after it, and one hour later.
struct SDefaultTimes {
    STimeSlot start;
    STimeSlot end;
};
SDefaultTimes DefaultTimes(const QDateTime& nowSeoul);

// The end that follows choosing a start slot: one hour after it. The date goes to the next day
// only when the hour crosses midnight.
STimeSlot EndAfterStart(const STimeSlot& start);

// "2026년 12월 11일".
QString FormatDateText(const QDate& date);
// Reads a date text: the marks "년", "월", "일" removed, three numbers separated by blanks.
// Only real calendar dates with a four-digit year pass (no month 0, no 31 February).
std::optional<QDate> ParseDateText(const QString& text);

// The time lists' items: "12시 00분", "12시 30분", "1시 00분" ... "11시 30분".
QString SlotText(int nSlot);

// One calendar of the calendar list.
struct _comboItem {
    QString strName;
    QString strId;
    long lId = 0;
    COLORREF crColor = 0;
};

struct SCalendarList {
    // False when the answer was no usable list (no answer, not XML, or the service's ERROR).
    bool bLoaded = false;
    std::vector<_comboItem> items;
};
// Reads the answer of the calendar list. A calendar is taken only when the whole entry is
// usable: a name, and an id that is a positive number. Calendars of service type 1 (and with
// an empty service type) are not the user's to add to and are left out.
SCalendarList ParseCalendarList(const QByteArray& utf8);
// "#rgb" or "#rrggbb" as a COLORREF; false for anything else.
bool ParseColor(const QString& text, COLORREF& crColor);

// Alarm lead times of the list 1093, in seconds, by item.
long AlarmLeadSeconds(int nItem);

struct SEventFields {
    QString strTitle;
    long lCalendarId = 0;
    bool bAllDay = false;
    STimeSlot start;
    STimeSlot end;
    bool bAlarm = false;
    int nAlarmItem = 2;
};
QString EventBody(const SEventFields& fields);
QString TodoBody(const QString& strTitle);

// The answer to a save.
enum class ESaveResult { Saved, NotSent, SignInNeeded, Refused };
struct SAnswer {
    bool bSent = false;
    unsigned nStatus = 0;
    QString strText;
};
ESaveResult ReadSaveAnswer(const SAnswer& answer);

// Exchanges with the calendar service on the shared session.
SAnswer Get(const QString& strPath);
SAnswer PostForm(const QString& strPath, const QString& strBody);

}  // namespace quickadd
