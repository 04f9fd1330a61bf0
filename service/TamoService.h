#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "base/TextCipher.h"
#include "service/FaultTable.h"
#include "service/FormFields.h"
#include "service/ServiceClock.h"
#include "service/ServiceDatabase.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace tamo::service {

struct SServiceOptions {
    std::string databasePath = ":memory:";
    std::string host = "127.0.0.1";
    int port = 0;  // 0: any free port
    int sessionIdleSeconds = 3600;
    bool testHooks = false;
    std::string updateDir;  // the version document and the update files; empty: no update files
    std::string updateCurrent = TAMO_VERSION;  // by default this build is the newest
    std::string cipherSaltHex = "3C6E0B8A9F12D4577A1B2C3D4E5F6071";
    std::string cipherIvHex = "A1B2C3D4E5F60718";
    std::size_t maxBodyBytes = 1024 * 1024;  // larger request bodies are refused with 413
    std::string mailDomain = "calendar.tamo";  // domain of the to-do identities
    // How long an idle connection is kept for the client's next request. Stopping the server
    // waits for idle connections to end; on loopback a new connection costs next to nothing.
    int keepAliveSeconds = 1;
};

// The stand-in for the outside web services of the desktop calendar: sign-in, session refresh
// and hand-over, the calendar service (calendars, events, to-dos, exports, alarms, preferences),
// statistics and update. All of them are served from one host and port; their paths do not
// collide. State lives in a CServiceDatabase; times come from a CServiceClock.
class CTamoService {
public:
    explicit CTamoService(SServiceOptions options);
    ~CTamoService();
    CTamoService(const CTamoService&) = delete;
    CTamoService& operator=(const CTamoService&) = delete;

    // Opens the database and checks the options. False with LastError() on failure.
    [[nodiscard]] bool Open();
    // The demo account with its calendars, events and to-dos; does nothing when it exists.
    [[nodiscard]] bool SeedDemo();
    // Binds the listening socket; the port is known afterwards. False on failure.
    [[nodiscard]] bool Bind();
    // Serves until Stop(); call after Bind() (blocks).
    void Serve();
    // Bind() and serve on a thread of its own.
    [[nodiscard]] bool Start();
    void Stop();

    int Port() const { return m_port; }
    // "http://<host>:<port>"
    std::string BaseUrl() const;
    const std::string& LastError() const { return m_lastError; }
    // Writes the client's service configuration: every service at BaseUrl(), the cipher's salt
    // and IV, the mail domain. Call after Bind().
    [[nodiscard]] bool WriteConfig(const std::string& path) const;
    const SServiceOptions& Options() const { return m_options; }

    CServiceClock& Clock() { return m_clock; }
    CServiceDatabase& Database() { return m_database; }
    CFaultTable& Faults() { return m_faults; }
    const CTextCipher& Cipher() const { return *m_cipher; }

    // The account a session cookie text ("HM_CU=...; TS=...") signs in, if it is valid now.
    std::optional<SSession> SessionOf(std::string_view cookieHeader);

private:
    enum class EAnswer { Xml, Text };
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    void Routes();
    void On(const char* method, const char* pattern, Handler handler);
    void Dispatch(const Handler& handler, const httplib::Request& req, httplib::Response& res);
    [[nodiscard]] std::optional<SSession> RequireSession(const httplib::Request& req, httplib::Response& res,
                                                         EAnswer answer);

    // Answers.
    void ErrorXml(httplib::Response& res, int status, int type, std::string_view message) const;
    void ErrorPage(httplib::Response& res, int status, std::string_view message) const;
    void Refuse(httplib::Response& res, EAnswer answer, int status, std::string_view message) const;

    // Sign-in, session refresh, hand-over.
    void SignInCheck(const httplib::Request& req, httplib::Response& res);
    void RefreshSession(const httplib::Request& req, httplib::Response& res);
    void HandOver(const httplib::Request& req, httplib::Response& res);
    SSession NewSession(std::int64_t accountId);
    void SetSessionCookies(httplib::Response& res, const SSession& session, bool all, const std::string& ip) const;

    // Calendars, preferences, clock, alarms.
    void Calendars(const httplib::Request& req, httplib::Response& res);
    void DefaultCalendar(const httplib::Request& req, httplib::Response& res);
    void OneCalendar(const httplib::Request& req, httplib::Response& res);
    void Preferences(const httplib::Request& req, httplib::Response& res);
    void UpdatePreferences(const httplib::Request& req, httplib::Response& res);
    void PcKey(const httplib::Request& req, httplib::Response& res);
    void ServerTime(const httplib::Request& req, httplib::Response& res);
    void Alarms(const httplib::Request& req, httplib::Response& res);
    std::int64_t DefaultCalendarOf(const SAccount& account);

    // Events and to-dos.
    bool ItemToWrite(const httplib::Request& req, httplib::Response& res, const SSession& session,
                     const CFormFields& form, EItemKind kind, SItem& item, bool& modify);
    void PostEvent(const httplib::Request& req, httplib::Response& res);
    void PostTodo(const httplib::Request& req, httplib::Response& res);
    void ExportEvents(const httplib::Request& req, httplib::Response& res);
    void ExportTodos(const httplib::Request& req, httplib::Response& res);
    std::string NewUid();

    // Statistics, update, pages, test hooks.
    void Statistic(const httplib::Request& req, httplib::Response& res);
    void VersionDocument(const httplib::Request& req, httplib::Response& res);
    void UpdateFile(const httplib::Request& req, httplib::Response& res);
    void PageRoutes();  // the calendar, help and account pages (TamoServicePages.cpp)
    void HookRoutes();
    bool HookAllowed(const httplib::Request& req, httplib::Response& res) const;

    SServiceOptions m_options;
    std::optional<CTextCipher> m_cipher;
    CServiceClock m_clock;
    CServiceDatabase m_database;
    CFaultTable m_faults;
    // Changes read, modify and write a record: one at a time, so that none is lost.
    std::mutex m_changeMutex;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    std::string m_lastError;
};

}  // namespace tamo::service
