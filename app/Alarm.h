#pragma once

#include <functional>
#include <list>
#include <string>
#include <vector>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

class QWidget;

// One alarm of the calendar service.
struct _dataAlarm {
    int id = 0;             // the item's id ("alarmable_id"); 0 for a summary of several
    QString title;
    double dtAlarm = 0;     // days since 30 December 1899, Asia/Seoul wall time; 0 = no time
    bool bEvent = true;     // false for a to-do
    bool bShown = false;
};

namespace alarms {

// Error numbers of a fetch (the service may also send its own in ERROR TYPE).
constexpr int kNoAnswer = 7004;
constexpr int kNotXml = 7005;
constexpr int kErrorNoType = 7008;

// Records older than this many whole minutes leave their list.
constexpr int kDropAfterMinutes = 5;
// At most this many windows in one pass; anything more goes into one summary window.
constexpr int kMaxWindowsPerPass = 3;

// The service clock's now as a day number.
double NowOle();
// A day number from a date and time in Asia/Seoul wall time; 0 for an impossible one.
double ToOle(int year, int month, int day, int hour, int minute, int second);
// "YYYYMMDDTHHMMSS", read by position; 0 without a time part or for an impossible date.
double ParseAlarmAt(const std::string& text);
// Whole minutes from now to the alarm, truncated toward zero after adding half a second with
// the sign of the difference.
int DueMinutes(double dtAlarm, double dtNow);
// The page an alarm opens: the event's edit page, or the to-do list.
QString PageUrl(const _dataAlarm& alarm);

struct SFetchResult {
    int error = 0;     // 0, kNoAnswer, kNotXml, kErrorNoType or the service's own number
    QString url;       // sent with an ERROR (kept, not shown)
    std::vector<_dataAlarm> alarms;
};
// Reads the alarm list's answer text.
SFetchResult ParseAlarmList(const QString& answer);
// GET of the alarm list on the default session.
SFetchResult FetchAlarmList();

// The file an "AlarmSoundFile" text names: a bare name lies in the "alarm" folder beside the
// program.
QString AlarmSoundPath(const QString& setting);
// Plays the configured sound when "AlarmSound" is set and the file exists; true when a sound was
// handed to the player. Silent, never failing, without an audio device.
bool PlayAlarmSound();

// Whether another program's window covers the whole monitor of the main window (the active
// window on X11), or, where that cannot be known, whether the screen saver runs.
bool IsFullScreenActive(const QWidget* pMainWnd);

}  // namespace alarms

// The main window's alarms: the fetched list and the re-alarm list, the pass that shows due
// alarms, and the windows that show them. Windows keep their own copy of the alarm; a
// remind-again finds its record again by id.
class CAlarmCenter : public QObject {
    Q_OBJECT
public:
    explicit CAlarmCenter(QWidget* pMainWnd);
    ~CAlarmCenter() override;

    // Fetches the list and merges it into the fetched list; the error number (0 on success).
    int Fetch();
    // Merges fetched records: a known id that is not shown yet takes the new time and title.
    void Merge(const std::vector<_dataAlarm>& alarms);
    // The pass of timer 4101 and after each fetch. Held back while the hold test says so; the
    // first pass after a hold shows what fell due meanwhile.
    void ShowDue();
    // The user asks to be reminded again: minutes after the alarm's own time, but never in the
    // past (a late choice rings at the next pass).
    void RemindAgain(const _dataAlarm& alarm, int nMinutes);
    // The signed-in ID; another ID than the last one drops the lists and closes the windows.
    void SetUser(const QString& id);
    void Clear();
    void CloseWindows();

    // A page of the services, opened by the alarm windows.
    void OpenPage(const QString& url);

    QWidget* MainWnd() const { return m_pMainWnd; }
    int LastError() const { return m_nLastError; }
    QString LastErrorUrl() const { return m_strErrorUrl; }
    const std::list<_dataAlarm>& Alarms() const { return m_listAlarm; }
    const std::list<_dataAlarm>& ReAlarms() const { return m_listReAlarm; }
    std::list<_dataAlarm>& Alarms() { return m_listAlarm; }
    std::list<_dataAlarm>& ReAlarms() { return m_listReAlarm; }
    // The alarm windows still open, oldest first.
    QList<QWidget*> Windows() const;
    bool IsHeld() const { return m_bHeld; }

    // Seams: how pages open, whether the screen saver runs, whether a full-screen program runs
    // (asked only when "NoAlarmInFullscreen" is set).
    std::function<void(const QString&)> m_fnOpenPage;
    std::function<bool()> m_fnScreenSaver;
    std::function<bool()> m_fnFullScreen;

private:
    bool HoldBack() const;
    void Show(const _dataAlarm& alarm);

    QWidget* m_pMainWnd;
    std::list<_dataAlarm> m_listAlarm;
    std::list<_dataAlarm> m_listReAlarm;
    QList<QPointer<QWidget>> m_windows;
    QString m_strUser;
    int m_nLastError = 0;
    QString m_strErrorUrl;
    bool m_bHeld = false;
    double m_dtHeldFrom = 0;  // the first pass that was held back
};
