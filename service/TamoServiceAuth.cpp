// Sign-in check, session refresh and the hand-over of a session to a browser window.
#include "service/TamoService.h"

#include <QRandomGenerator>

#include <httplib.h>

#include "service/FormFields.h"
#include "service/ServiceXml.h"

namespace tamo::service {

namespace {

// Error numbers of the sign-in answer.
constexpr int kErrorUnknownId = 1001;
constexpr int kErrorWrongPassword = 1002;
constexpr int kErrorBadRequest = 1003;

std::string RandomHex(int bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        const auto b = QRandomGenerator::system()->bounded(256);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

// Cookie values travel as they are in Set-Cookie headers: nothing that ends or splits them.
bool IsCookieSafe(std::string_view value)
{
    for (char c : value)
        if (static_cast<unsigned char>(c) <= 0x20 || c == ';' || c == ',' || c == '"' || c == '\\' ||
            static_cast<unsigned char>(c) == 0x7F)
            return false;
    return true;
}

// Targets of the hand-over: http(s) addresses and paths of this host, nothing that could split
// the Location header or run script.
bool IsRedirectTarget(std::string_view url)
{
    for (char c : url)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) == 0x7F)
            return false;
    if (url.substr(0, 7) == "http://" || url.substr(0, 8) == "https://")
        return true;
    return !url.empty() && url.front() == '/' && url.substr(0, 2) != "//";
}

void LoginError(std::string& body, int type, const std::string& url)
{
    body += "<LOGIN><ERROR TYPE=\"" + std::to_string(type) + "\" URL=\"";
    AppendXmlText(body, url);
    body += "\"/></LOGIN>";
}

}  // namespace

SSession CTamoService::NewSession(std::int64_t accountId)
{
    SSession session;
    session.token = RandomHex(16);
    session.accountId = accountId;
    session.ts = std::to_string(m_clock.NowEpoch());
    session.hts = RandomHex(8);
    session.lastSeen = m_clock.NowEpoch();
    return session;
}

void CTamoService::SetSessionCookies(httplib::Response& res, const SSession& session, bool all,
                                     const std::string& ip) const
{
    auto set = [&res](const std::string& name, const std::string& value) {
        res.set_header("Set-Cookie", name + "=" + value + "; Path=/");
    };
    if (all)
        set("HM_CU", session.token);
    set("TS", session.ts);
    set("HTS", session.hts);
    if (all) {
        set("PROF", "1");
        set("HIP", ip.empty() ? std::string("127.0.0.1") : ip);
    }
}

void CTamoService::SignInCheck(const httplib::Request& req, httplib::Response& res)
{
    const CFormFields query = CFormFields::FromTarget(req.target);
    // The password is scrambled with the ID as sent; accounts are found by the ID in lower case.
    const std::string sentId = query.Value("id");
    const std::string id = Lower(sentId);
    const std::string pw = query.Value("pw");
    const std::string findUrl = BaseUrl() + "/findid/html/index.html";

    std::string body(kXmlDeclaration);
    body += "<result>";
    const auto account = id.empty() ? std::nullopt : m_database.FindAccount(id);
    if (id.empty() || pw.empty() || !IsCleanUtf8(id)) {
        LoginError(body, kErrorBadRequest, findUrl);
    } else if (!account) {
        LoginError(body, kErrorUnknownId, findUrl);
    } else {
        const QString password = m_cipher->DecryptFromHex(QString::fromStdString(sentId), QString::fromStdString(pw));
        if (password.isEmpty() || password.toStdString() != account->password) {
            LoginError(body, kErrorWrongPassword, findUrl);
        } else {
            const SSession session = NewSession(account->id);
            (void)m_database.SaveSession(session);
            (void)m_database.DeleteSessionsIdleSince(m_clock.NowEpoch() - m_options.sessionIdleSeconds);
            const std::string ip = req.remote_addr;
            SetSessionCookies(res, session, true, ip);
            const std::string cookie = "HM_CU=" + session.token + "; TS=" + session.ts + "; HTS=" + session.hts +
                                       "; PROF=1; HIP=" + (ip.empty() ? std::string("127.0.0.1") : ip);
            body += "<LOGIN>";
            AppendXmlElement(body, "COOKIE", cookie);
            AppendXmlElement(body, "SNS", "0");
            body += "</LOGIN>";
        }
    }
    body += "</result>\n";
    res.set_content(body, "text/xml; charset=utf-8");
}

void CTamoService::RefreshSession(const httplib::Request& req, httplib::Response& res)
{
    auto session = RequireSession(req, res, EAnswer::Text);
    if (!session)
        return;
    session->ts = std::to_string(m_clock.NowEpoch());
    session->hts = RandomHex(8);
    (void)m_database.SaveSession(*session);
    SetSessionCookies(res, *session, false, req.remote_addr);
    res.set_content("OK\n", "text/plain; charset=utf-8");
}

void CTamoService::HandOver(const httplib::Request& req, httplib::Response& res)
{
    const CFormFields form = CFormFields::Parse(req.body);
    const std::string url = form.Get("url").value_or("/");
    if (!IsRedirectTarget(url)) {
        ErrorPage(res, 400, "invalid url");
        return;
    }
    for (const char* name : {"HM_CU", "TS", "HTS", "PROF", "HIP"}) {
        const std::string value = form.Value(name);
        if (value.empty())
            continue;
        if (!IsCookieSafe(value)) {
            ErrorPage(res, 400, std::string("invalid cookie ") + name);
            return;
        }
        res.set_header("Set-Cookie", std::string(name) + "=" + value + "; Path=/");
    }
    res.set_redirect(url, 302);
}

}  // namespace tamo::service
