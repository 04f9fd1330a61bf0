#include "service/TamoService.h"

#include <chrono>

#include <httplib.h>

#include "base/ServiceEndpoints.h"
#include "service/DropConnection.h"
#include "service/ServiceXml.h"

namespace tamo::service {

namespace {

// The error numbers of the service's error form.
constexpr int kErrorNotSignedIn = 2001;
constexpr int kErrorNotFound = 4004;

std::string CookieValue(std::string_view header, std::string_view name)
{
    size_t start = 0;
    while (start < header.size()) {
        size_t end = header.find(';', start);
        if (end == std::string_view::npos)
            end = header.size();
        std::string_view pair = header.substr(start, end - start);
        while (!pair.empty() && pair.front() == ' ')
            pair.remove_prefix(1);
        const size_t eq = pair.find('=');
        if (eq != std::string_view::npos && pair.substr(0, eq) == name)
            return std::string(pair.substr(eq + 1));
        start = end + 1;
    }
    return {};
}

}  // namespace

CTamoService::CTamoService(SServiceOptions options)
    : m_options(std::move(options)), m_server(std::make_unique<httplib::Server>())
{
}

CTamoService::~CTamoService() { Stop(); }

bool CTamoService::Open()
{
    m_cipher = CTextCipher::FromHex(QString::fromStdString(m_options.cipherSaltHex),
                                    QString::fromStdString(m_options.cipherIvHex));
    if (!m_cipher) {
        m_lastError = "the cipher salt must be 32 and the IV 16 hexadecimal digits";
        return false;
    }
    if (m_options.testHooks && m_options.host != "127.0.0.1" && m_options.host != "localhost" &&
        m_options.host != "::1") {
        m_lastError = "test hooks are only served on loopback";
        return false;
    }
    if (!m_database.Open(m_options.databasePath)) {
        m_lastError = "database " + m_options.databasePath + ": " + m_database.LastError();
        return false;
    }
    m_server->set_payload_max_length(m_options.maxBodyBytes);
    m_server->set_read_timeout(std::chrono::seconds(10));
    m_server->set_write_timeout(std::chrono::seconds(30));
    m_server->set_keep_alive_timeout(m_options.keepAliveSeconds);
    // Headers and body go out in separate writes; without this the client's delayed
    // acknowledgement holds every answer back by tens of milliseconds.
    m_server->set_tcp_nodelay(true);
    // Answers the routes left without a body of their own (unknown paths, refused bodies).
    m_server->set_error_handler(
        httplib::Server::HandlerWithResponse([this](const httplib::Request&, httplib::Response& res) {
            if (!res.body.empty())
                return httplib::Server::HandlerResponse::Unhandled;
            ErrorPage(res, res.status, res.status == 413 ? "request body too large" : "no such page");
            return httplib::Server::HandlerResponse::Handled;
        }));
    Routes();
    return true;
}

bool CTamoService::Bind()
{
    if (m_options.port == 0) {
        m_port = m_server->bind_to_any_port(m_options.host);
    } else {
        m_port = m_server->bind_to_port(m_options.host, m_options.port) ? m_options.port : -1;
    }
    if (m_port <= 0) {
        m_lastError = "cannot listen on " + m_options.host + ":" + std::to_string(m_options.port);
        return false;
    }
    return true;
}

void CTamoService::Serve() { m_server->listen_after_bind(); }

bool CTamoService::Start()
{
    if (!Bind())
        return false;
    m_thread = std::thread([this] { Serve(); });
    while (!m_server->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void CTamoService::Stop()
{
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

std::string CTamoService::BaseUrl() const
{
    const std::string host = m_options.host == "0.0.0.0" ? "127.0.0.1" : m_options.host;
    return "http://" + host + ":" + std::to_string(m_port);
}

bool CTamoService::WriteConfig(const std::string& path) const
{
    std::array<QString, size_t(Service::Count)> bases;
    bases.fill(QString::fromStdString(BaseUrl()));
    const QByteArray salt(reinterpret_cast<const char*>(m_cipher->GetSalt().data()), 16);
    const QByteArray iv(reinterpret_cast<const char*>(m_cipher->GetInitVector().data()), 8);
    return CServiceConfig::Write(QString::fromStdString(path), bases, salt, iv,
                                 QString::fromStdString(m_options.mailDomain));
}

void CTamoService::On(const char* method, const char* pattern, Handler handler)
{
    auto wrapped = [this, handler = std::move(handler)](const httplib::Request& req, httplib::Response& res) {
        Dispatch(handler, req, res);
    };
    const std::string_view m(method);
    if (m == "GET")
        m_server->Get(pattern, wrapped);
    else if (m == "POST")
        m_server->Post(pattern, wrapped);
}

void CTamoService::Dispatch(const Handler& handler, const httplib::Request& req, httplib::Response& res)
{
    const std::optional<SFault> fault = m_faults.Take(req.path);
    if (fault && fault->delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(fault->delayMs));
    if (fault && fault->errorPage)
        ErrorPage(res, 200, "the service is not available");
    else
        handler(req, res);
    if (!fault)
        return;
    if (fault->drop) {
        DropConnection(req);
        return;
    }
    if (fault->status > 0)
        res.status = fault->status;
    if (fault->malformed)
        res.set_content(std::string(kXmlDeclaration) + "<result><broken attr=\"x></result", "text/xml; charset=utf-8");
    if (fault->cutAfter >= 0) {
        // Announce the whole body, send only its start and drop the connection.
        auto body = std::make_shared<std::string>(std::move(res.body));
        const size_t cut = std::min(body->size(), size_t(fault->cutAfter));
        const std::string type = res.get_header_value("Content-Type");
        res.body.clear();
        res.set_content_provider(body->size(), type.empty() ? "text/plain" : type.c_str(),
                                 [body, cut](size_t offset, size_t length, httplib::DataSink& sink) {
                                     if (offset >= cut)
                                         return false;
                                     const size_t n = std::min(length, cut - offset);
                                     sink.write(body->data() + offset, n);
                                     return offset + n < cut;
                                 });
    }
}

std::optional<SSession> CTamoService::SessionOf(std::string_view cookieHeader)
{
    const std::string token = CookieValue(cookieHeader, "HM_CU");
    if (token.empty())
        return std::nullopt;
    auto session = m_database.FindSession(token);
    if (!session)
        return std::nullopt;
    const std::int64_t now = m_clock.NowEpoch();
    if (now - session->lastSeen > m_options.sessionIdleSeconds) {
        (void)m_database.DeleteSession(token);
        return std::nullopt;
    }
    if (now != session->lastSeen) {
        session->lastSeen = now;
        (void)m_database.SaveSession(*session);
    }
    return session;
}

std::optional<SSession> CTamoService::RequireSession(const httplib::Request& req, httplib::Response& res,
                                                     EAnswer answer)
{
    std::string cookies;
    for (size_t i = 0, n = req.get_header_value_count("Cookie"); i < n; ++i) {
        if (!cookies.empty())
            cookies += "; ";
        cookies += req.get_header_value("Cookie", i);
    }
    auto session = SessionOf(cookies);
    if (!session)
        Refuse(res, answer, 401, "로그인이 필요합니다.");
    return session;
}

void CTamoService::ErrorXml(httplib::Response& res, int status, int type, std::string_view message) const
{
    std::string body(kXmlDeclaration);
    body += "<result><ERROR TYPE=\"" + std::to_string(type) + "\" URL=\"";
    AppendXmlText(body, BaseUrl() + "/");
    body += "\">";
    AppendXmlText(body, message);
    body += "</ERROR></result>\n";
    res.status = status;
    res.set_content(body, "text/xml; charset=utf-8");
}

void CTamoService::ErrorPage(httplib::Response& res, int status, std::string_view message) const
{
    // Readers look for these words at the very start of the answer.
    std::string body = "error page\n<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Tamo 캘린더 - "
                       "error page</title></head><body><h1>error page</h1><p>";
    AppendXmlText(body, message);
    body += "</p></body></html>\n";
    res.status = status;
    res.set_content(body, "text/html; charset=utf-8");
}

void CTamoService::Refuse(httplib::Response& res, EAnswer answer, int status, std::string_view message) const
{
    if (answer == EAnswer::Xml)
        ErrorXml(res, status, status == 401 ? kErrorNotSignedIn : status == 404 ? kErrorNotFound : status * 10,
                 message);
    else
        ErrorPage(res, status, message);
}

void CTamoService::Routes()
{
    using R = const httplib::Request&;
    using W = httplib::Response&;
    // Sign-in (update service), session refresh (authentication service), hand-over (login service).
    On("GET", "/dxm/sb_updatev2.xml", [this](R req, W res) { SignInCheck(req, res); });
    On("GET", "/bin/tamoupdate.cgi", [this](R req, W res) { RefreshSession(req, res); });
    On("POST", "/Mail-bin/uin_open2.cgi", [this](R req, W res) { HandOver(req, res); });
    // Calendar service.
    On("GET", "/calendars/?", [this](R req, W res) { Calendars(req, res); });
    On("GET", R"(/calendars/(-?\d+)\.xml)", [this](R req, W res) { OneCalendar(req, res); });
    On("GET", "/calendar/show_default", [this](R req, W res) { DefaultCalendar(req, res); });
    On("GET", "/preference/?", [this](R req, W res) { Preferences(req, res); });
    On("POST", "/preference/update_sync", [this](R req, W res) { UpdatePreferences(req, res); });
    On("GET", "/preference/pc_key", [this](R req, W res) { PcKey(req, res); });
    On("GET", "/sync/server_time", [this](R req, W res) { ServerTime(req, res); });
    On("GET", "/sync/export_todo", [this](R req, W res) { ExportTodos(req, res); });
    On("GET", "/sync/export_event", [this](R req, W res) { ExportEvents(req, res); });
    On("GET", "/alarm/simple_list", [this](R req, W res) { Alarms(req, res); });
    On("POST", R"(/events(/(\d*))?)", [this](R req, W res) { PostEvent(req, res); });
    On("POST", R"(/todos(/(\d*))?)", [this](R req, W res) { PostTodo(req, res); });
    // Statistics service.
    for (const char* path : {"/cal/statistics/insertstat.jsp", "/cal/statistics/insertconfig.jsp"}) {
        On("POST", path, [this](R req, W res) { Statistic(req, res); });
        On("GET", path, [this](R req, W res) { Statistic(req, res); });
    }
    // Update service.
    On("GET", "/update/version.xml", [this](R req, W res) { VersionDocument(req, res); });
    On("GET", R"(/update/files/([^/]+))", [this](R req, W res) { UpdateFile(req, res); });
    // The web pages: calendar, help and account pages.
    PageRoutes();
    if (m_options.testHooks)
        HookRoutes();
}

}  // namespace tamo::service
