// Statistics, the update service, the placeholder pages and the test hooks.
#include "service/TamoService.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <httplib.h>

#include "service/FormFields.h"
#include "service/ServiceXml.h"

namespace tamo::service {

namespace {

constexpr const char* kXmlType = "text/xml; charset=utf-8";

bool IsSafeFileName(const std::string& name)
{
    if (name.empty() || name.size() > 200 || name.front() == '.')
        return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_'))
            return false;
    return true;
}

const char* KindName(EItemKind kind) { return kind == EItemKind::Todo ? "todo" : "event"; }

}  // namespace

void CTamoService::Statistic(const httplib::Request& req, httplib::Response& res)
{
    SStatistic record;
    record.path = req.path;
    const size_t q = req.target.find('?');
    record.query = q == std::string::npos ? std::string() : req.target.substr(q + 1);
    record.body = req.body;
    record.receivedAt = m_clock.NowStamp();
    if (!m_database.RecordStatistic(record)) {
        ErrorPage(res, 500, "not recorded");
        return;
    }
    res.set_content("OK\n", "text/plain; charset=utf-8");
}

void CTamoService::VersionDocument(const httplib::Request&, httplib::Response& res)
{
    const QDir dir(QString::fromStdString(m_options.updateDir));
    // A version document of the folder's own is served as it stands; without a folder the
    // announced version stands alone, with nothing to fetch.
    QFile own(dir.filePath("version.xml"));
    if (!m_options.updateDir.empty() && own.open(QIODevice::ReadOnly)) {
        res.set_content(own.readAll().toStdString(), kXmlType);
        return;
    }
    std::string body(kXmlDeclaration);
    body += "<version current=\"";
    AppendXmlText(body, m_options.updateCurrent);
    body += "\">\n";
    const QFileInfoList files = m_options.updateDir.empty() ? QFileInfoList() : dir.entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo& file : files) {
        const std::string name = file.fileName().toStdString();
        if (!IsSafeFileName(name))
            continue;
        QFile content(file.filePath());
        if (!content.open(QIODevice::ReadOnly))
            continue;
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(&content);
        // Every older version takes the update; "0" sorts before any version text.
        body += "<update minVersion=\"0\" maxVersion=\"";
        AppendXmlText(body, m_options.updateCurrent);
        body += "\" url=\"";
        AppendXmlText(body, BaseUrl() + "/update/files/" + name);
        body += "\" sha256=\"" + hash.result().toHex().toStdString() + "\"/>\n";
    }
    body += "</version>\n";
    res.set_content(body, kXmlType);
}

void CTamoService::UpdateFile(const httplib::Request& req, httplib::Response& res)
{
    const std::string name = req.matches[1];
    if (m_options.updateDir.empty() || !IsSafeFileName(name)) {
        ErrorPage(res, 404, "no such file");
        return;
    }
    QFile file(QDir(QString::fromStdString(m_options.updateDir)).filePath(QString::fromStdString(name)));
    if (!file.open(QIODevice::ReadOnly)) {
        ErrorPage(res, 404, "no such file");
        return;
    }
    res.set_content(file.readAll().toStdString(), "application/octet-stream");
}

bool CTamoService::HookAllowed(const httplib::Request& req, httplib::Response& res) const
{
    if (req.remote_addr == "127.0.0.1" || req.remote_addr == "::1" || req.remote_addr == "::ffff:127.0.0.1")
        return true;
    ErrorPage(res, 403, "test hooks answer loopback only");
    return false;
}

void CTamoService::HookRoutes()
{
    using R = const httplib::Request&;
    using W = httplib::Response&;

    // Stored items, as the service holds them.
    m_server->Get("/_test/items", [this](R req, W res) {
        if (!HookAllowed(req, res))
            return;
        const CFormFields query = CFormFields::FromTarget(req.target);
        std::int64_t accountId = 0;
        if (const auto login = query.Get("account")) {
            const auto account = m_database.FindAccount(*login);
            if (!account) {
                ErrorXml(res, 404, 4004, "no such account");
                return;
            }
            accountId = account->id;
        }
        const std::string kind = query.Value("kind");
        std::string body(kXmlDeclaration);
        body += "<items>\n";
        for (const SItem& item : m_database.ReadAllItems(accountId)) {
            if (!kind.empty() && kind != KindName(item.kind))
                continue;
            body += "<item>";
            AppendXmlElement(body, "id", std::to_string(item.id));
            AppendXmlElement(body, "account", std::to_string(item.accountId));
            AppendXmlElement(body, "kind", KindName(item.kind));
            AppendXmlElement(body, "uid", item.uid);
            AppendXmlElement(body, "title", item.title);
            AppendXmlElement(body, "description", item.description);
            if (item.kind == EItemKind::Event) {
                AppendXmlElement(body, "calendar", std::to_string(item.calendarId));
                AppendXmlElement(body, "allday", item.allDay ? "true" : "false");
                AppendXmlElement(body, "start", item.startAt);
                AppendXmlElement(body, "end", item.endAt);
                AppendXmlElement(body, "repeat", item.repeatType);
                AppendXmlElement(body, "until", item.repeatUntil);
            } else {
                AppendXmlElement(body, "due", item.due);
                AppendXmlElement(body, "priority", std::to_string(item.priority));
                AppendXmlElement(body, "completed", item.completedAt);
                AppendXmlElement(body, "parent", std::to_string(item.parentId));
            }
            AppendXmlElement(body, "alarm", item.alarmSeconds ? std::to_string(*item.alarmSeconds) : "");
            AppendXmlElement(body, "created", item.created);
            AppendXmlElement(body, "last-modified", item.lastModified);
            AppendXmlElement(body, "sequence", std::to_string(item.sequence));
            body += "</item>\n";
        }
        body += "</items>\n";
        res.set_content(body, kXmlType);
    });

    // What the statistics service received.
    m_server->Get("/_test/statistics", [this](R req, W res) {
        if (!HookAllowed(req, res))
            return;
        std::string body(kXmlDeclaration);
        body += "<statistics>\n";
        for (const SStatistic& s : m_database.ListStatistics()) {
            body += "<record>";
            AppendXmlElement(body, "path", s.path);
            AppendXmlElement(body, "query", s.query);
            AppendXmlElement(body, "body", s.body);
            AppendXmlElement(body, "received", s.receivedAt);
            body += "</record>\n";
        }
        body += "</statistics>\n";
        res.set_content(body, kXmlType);
    });

    // Faults per path: path, status, delay_ms, cut, malformed, error_page, drop, count.
    m_server->Post("/_test/fault", [this](R req, W res) {
        if (!HookAllowed(req, res))
            return;
        const CFormFields form = CFormFields::Parse(req.body);
        const std::string path = form.Value("path");
        if (path.empty() || path.front() != '/') {
            ErrorPage(res, 400, "path expected");
            return;
        }
        SFault fault;
        fault.status = std::atoi(form.Value("status").c_str());
        fault.delayMs = std::clamp(std::atoi(form.Value("delay_ms").c_str()), 0, 60000);
        if (form.Has("cut"))
            fault.cutAfter = std::max(0, std::atoi(form.Value("cut").c_str()));
        fault.malformed = form.Value("malformed") == "1";
        fault.errorPage = form.Value("error_page") == "1";
        fault.drop = form.Value("drop") == "1";
        if (form.Has("count"))
            fault.remaining = std::max(1, std::atoi(form.Value("count").c_str()));
        if (fault.status != 0 && (fault.status < 100 || fault.status > 599)) {
            ErrorPage(res, 400, "status 100 to 599");
            return;
        }
        m_faults.Set(path, fault);
        res.set_content("OK\n", "text/plain");
    });
    m_server->Post("/_test/fault/clear", [this](R req, W res) {
        if (!HookAllowed(req, res))
            return;
        const std::string path = CFormFields::Parse(req.body).Value("path");
        if (path.empty())
            m_faults.ClearAll();
        else
            m_faults.Clear(path);
        res.set_content("OK\n", "text/plain");
    });

    // The service clock: set=YYYYMMDDTHHMMSS (running on), freeze=YYYYMMDDTHHMMSS (stopped),
    // advance=seconds, reset=1; answers the time.
    m_server->Post("/_test/clock", [this](R req, W res) {
        if (!HookAllowed(req, res))
            return;
        const CFormFields form = CFormFields::Parse(req.body);
        if (const auto set = form.Get("set")) {
            const auto time = ParseWallTime(*set);
            if (!time) {
                ErrorPage(res, 400, "set: YYYYMMDDTHHMMSS expected");
                return;
            }
            m_clock.SetNow(*time);
        }
        if (const auto freeze = form.Get("freeze")) {
            const auto time = ParseWallTime(*freeze);
            if (!time) {
                ErrorPage(res, 400, "freeze: YYYYMMDDTHHMMSS expected");
                return;
            }
            m_clock.Freeze(*time);
        }
        if (const auto advance = form.Get("advance"))
            m_clock.Advance(std::atoll(advance->c_str()));
        if (form.Value("reset") == "1")
            m_clock.Reset();
        res.set_content(m_clock.NowStamp() + "\n", "text/plain");
    });
}

}  // namespace tamo::service
