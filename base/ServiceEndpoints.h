#pragma once

#include <array>

#include <QByteArray>
#include <QString>

// The outside web services and the paths the system calls on them. The base address of each
// service, the cipher's salt and IV, and the service's mail domain are configuration:
//
//   [services]
//   calendar=http://127.0.0.1:8080       ; calendar pages, alarms, events, to-dos, sync, preferences
//   login=...                            ; session hand-over
//   update=...                           ; sign-in check and version documents
//   auth=...                             ; session refresh
//   statistics=...                       ; usage events
//   help=...  blog=...  account=...      ; pages opened in a browser
//   [cipher]
//   salt=<32 hex digits>                 ; 16 bytes
//   iv=<16 hex digits>                   ; 8 bytes
//   [identity]
//   mail_domain=example.test             ; domain of the to-do identities
//
// read from "service.ini" beside the program, or from the file TAMO_SERVICE_CONFIG names.
enum class Service { Calendar, Login, Update, Auth, Statistics, Help, Blog, Account, Count };

namespace endpoints {
// Calendar service.
inline const QString kMessengerTodo = QStringLiteral("/messenger/?todo_visible=1");
inline const QString kMessengerNoTodo = QStringLiteral("/messenger/?todo_visible=0");
inline const QString kMessengerSmallTodo = QStringLiteral("/messenger/?size=small&todo_visible=1");
inline const QString kMessengerSmallNoTodo = QStringLiteral("/messenger/?size=small&todo_visible=0");
inline const QString kBlank = QStringLiteral("/blank.html");
inline const QString kAlarmList = QStringLiteral("/alarm/simple_list?alarm_type=2");
inline const QString kCalendarList = QStringLiteral("/calendars/?format=xml");
inline const QString kDefaultCalendar = QStringLiteral("/calendar/show_default");
inline const QString kCalendarPrefix = QStringLiteral("/calendars");  // + "%s/%ld.xml"
inline const QString kEvents = QStringLiteral("/events/");
inline const QString kTodos = QStringLiteral("/todos/");
inline const QString kExportTodo = QStringLiteral("/sync/export_todo");
inline const QString kExportEvent = QStringLiteral("/sync/export_event");
inline const QString kPreference = QStringLiteral("/preference/?format=xml");
inline const QString kPcKey = QStringLiteral("/preference/pc_key");
inline const QString kServerTime = QStringLiteral("/sync/server_time");
inline const QString kUpdateSync = QStringLiteral("/preference/update_sync?");
// Update service.
inline const QString kSignInCheck = QStringLiteral("/dxm/sb_updatev2.xml");
// Login service.
inline const QString kLoginHandOver = QStringLiteral("/Mail-bin/uin_open2.cgi");
// Authentication service.
inline const QString kSessionRefresh = QStringLiteral("/bin/tamoupdate.cgi");
// Statistics service.
inline const QString kInsertStat = QStringLiteral("/cal/statistics/insertstat.jsp");
inline const QString kInsertConfig = QStringLiteral("/cal/statistics/insertconfig.jsp");
// Help pages, official blog, account pages.
inline const QString kHelpTop = QStringLiteral("/tamofaq/top.jsp?SITE_ID=177");
inline const QString kJoin = QStringLiteral("/joinintamo/intro.join");
inline const QString kFindId = QStringLiteral("/findid/html/index.html");
}  // namespace endpoints

class CServiceConfig {
public:
    // The configuration file: TAMO_SERVICE_CONFIG, else "service.ini" beside the program.
    static QString DefaultPath();

    // The process-wide configuration, loaded from DefaultPath() on first use.
    // Reload() reads the file again (tests that point TAMO_SERVICE_CONFIG elsewhere).
    static const CServiceConfig& Current();
    static bool Reload();

    // Reads a file; on failure Error() names the file and the key that is missing or malformed,
    // and the configuration is left empty.
    [[nodiscard]] bool Load(const QString& path);
    bool IsLoaded() const { return m_loaded; }
    QString Error() const { return m_error; }

    QString BaseUrl(Service service) const;
    // Base address + path ("/events/" ...). Empty when the configuration is not loaded.
    QString Url(Service service, const QString& path) const;
    QByteArray Salt() const { return m_salt; }
    QByteArray Iv() const { return m_iv; }
    QString MailDomain() const { return m_mailDomain; }

    // The INI key of a service ("calendar", "login", ...).
    static QString KeyName(Service service);

    // Writes a configuration file (the stand-in service and the tests use it).
    static bool Write(const QString& path, const std::array<QString, size_t(Service::Count)>& baseUrls,
                      const QByteArray& salt, const QByteArray& iv, const QString& mailDomain);

private:
    bool Fail(const QString& message);

    bool m_loaded = false;
    QString m_error;
    std::array<QString, size_t(Service::Count)> m_base;
    QByteArray m_salt;
    QByteArray m_iv;
    QString m_mailDomain;
};
