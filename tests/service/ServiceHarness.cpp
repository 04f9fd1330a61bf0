#include "ServiceHarness.h"

#include <set>

#include <gtest/gtest.h>

#include <QXmlStreamReader>

#include "base/HttpClient.h"
#include "base/ServiceEndpoints.h"
#include "service/DemoSeed.h"

namespace tamo::test {

namespace {

class CHarnessEnvironment : public testing::Environment {
public:
    void SetUp() override { CServiceHarness::Get().Start(); }
    void TearDown() override { CServiceHarness::Get().Stop(); }
};

[[maybe_unused]] testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new CHarnessEnvironment);

const std::set<std::string> kTodoKeys = {
    "STATUS", "PRIORITY", "ORGANIZER", "UID", "SUMMARY", "DESCRIPTION", "CREATED;TZID=Asia/Seoul",
    "DTSTAMP;TZID=Asia/Seoul", "DUE;TZID=Asia/Seoul", "SEQ", "X-ID", "COMPLETED;TZID=Asia/Seoul",
    "LAST-MODIFIED;TZID=Asia/Seoul"};
const std::set<std::string> kEventKeys = {
    "STATUS", "PRIORITY", "ORGANIZER", "UID", "SUMMARY", "CREATED;TZID=Asia/Seoul", "DTSTAMP;TZID=Asia/Seoul",
    "DUE;TZID=Asia/Seoul", "SEQ", "X-ID", "DESCRIPTION", "DTSTART;TZID=Asia/Seoul", "DTEND;TZID=Asia/Seoul",
    "DTSTART;VALUE=DATE", "DTEND;VALUE=DATE", "RRULE", "FREQ", "UNTIL", "INTERVAL", "BYDAY", "ALLDAY", "CATEGORY",
    "LAST-MODIFIED;TZID=Asia/Seoul", "ENTRYID"};

void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::string Unescape(std::string value)
{
    ReplaceAll(value, "\\n", "\r\n");
    ReplaceAll(value, "\\;", ";");
    ReplaceAll(value, "\\\\", "\\");
    ReplaceAll(value, "\\,", ",");
    return value;
}

std::vector<SExportItem> ReadExport(const std::string& text, const std::string& kind, const std::set<std::string>& keys)
{
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    auto nameOf = [](const std::string& line) { return line.substr(0, line.find(':')); };
    std::vector<SExportItem> items;
    size_t i = 0;
    while (i < lines.size()) {
        if (lines[i++] != "BEGIN:" + kind)
            continue;
        SExportItem item;
        bool closed = false;
        while (i < lines.size()) {
            const std::string line = lines[i++];
            if (line == "END:" + kind) {
                closed = true;
                break;
            }
            if (line == "BEGIN:VALARM") {
                while (i < lines.size() && lines[i] != "END:VALARM") {
                    const size_t colon = lines[i].find(':');
                    if (colon != std::string::npos)
                        item.alarm[lines[i].substr(0, colon)] = lines[i].substr(colon + 1);
                    ++i;
                }
                ++i;
                continue;
            }
            const size_t colon = line.find(':');
            const std::string name = line.substr(0, colon);
            if (colon == std::string::npos || !keys.count(name))
                continue;
            std::string value = line.substr(colon + 1);
            if (name == "SUMMARY" || name == "DESCRIPTION" || name == "UID")
                while (i < lines.size() && !keys.count(nameOf(lines[i])))
                    value += lines[i++];
            if (name == "RRULE") {
                item.properties["RRULE"] = "true";
                size_t start = 0;
                // Pairs are split at ";" that is not escaped.
                for (size_t k = 0; k <= value.size(); ++k) {
                    if (k == value.size() || (value[k] == ';' && (k == 0 || value[k - 1] != '\\'))) {
                        const std::string pair = value.substr(start, k - start);
                        const size_t eq = pair.find('=');
                        if (eq != std::string::npos)
                            item.properties[pair.substr(0, eq)] = Unescape(pair.substr(eq + 1));
                        start = k + 1;
                    }
                }
                continue;
            }
            item.properties[name] = Unescape(value);
        }
        if (closed)
            items.push_back(std::move(item));
    }
    return items;
}

void ReadNode(QXmlStreamReader& reader, SXmlNode& node)
{
    node.name = reader.name().toString().toStdString();
    for (const auto& attribute : reader.attributes())
        node.attributes[attribute.name().toString().toStdString()] = attribute.value().toString().toStdString();
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            node.children.emplace_back();
            ReadNode(reader, node.children.back());
        } else if (reader.isCharacters()) {
            node.text += reader.text().toString().toStdString();
        } else if (reader.isEndElement()) {
            return;
        }
    }
}

}  // namespace

CServiceHarness& CServiceHarness::Get()
{
    static CServiceHarness harness;
    return harness;
}

void CServiceHarness::Start()
{
    service::SServiceOptions options;
    options.testHooks = true;
    options.sessionIdleSeconds = 600;
    options.keepAliveSeconds = 1;
    m_service = std::make_unique<service::CTamoService>(options);
    ASSERT_TRUE(m_service->Open()) << m_service->LastError();
    ASSERT_TRUE(m_service->SeedDemo()) << m_service->LastError();
    ASSERT_TRUE(m_service->Start()) << m_service->LastError();
}

void CServiceHarness::Stop() { m_service.reset(); }

bool CServiceHarness::Configure()
{
    return m_service->WriteConfig(qEnvironmentVariable("TAMO_SERVICE_CONFIG").toStdString()) && CServiceConfig::Reload();
}

QString CServiceHarness::Url(const std::string& path) const
{
    return QString::fromStdString(m_service->BaseUrl() + path);
}

CServiceHarness::SAnswer CServiceHarness::Fetch(const std::string& method, const std::string& path,
                                                const std::string& body)
{
    SAnswer answer;
    CHttpClient http;
    if (!http.Open(QString::fromStdString(method), Url(path)))
        return answer;
    const QString header = method == "POST" ? QStringLiteral("Content-Type: application/x-www-form-urlencoded") : QString();
    if (!http.Send(header, header.isEmpty() ? 0 : -1, body.empty() ? nullptr : body.data(), DWORD(body.size())))
        return answer;
    answer.sent = true;
    answer.status = http.GetStatusCode();
    answer.body = http.ReadAll(CP_UTF8, -1).toStdString();
    return answer;
}

bool CServiceHarness::SignIn(const std::string& login, const std::string& password)
{
    const QString pw = m_service->Cipher().EncryptToHex(QString::fromStdString(login), QString::fromStdString(password));
    const SAnswer answer = GetPath("/dxm/sb_updatev2.xml?versiontype=&id=" + login + "&pw=" + pw.toStdString());
    const auto xml = ParseXml(answer.body);
    const SXmlNode* loginNode = xml ? xml->Child("LOGIN") : nullptr;
    return loginNode && !loginNode->ChildText("COOKIE").empty() && loginNode->Child("SNS");
}

bool CServiceHarness::SignInDemo() { return SignIn(service::kDemoLogin, service::kDemoPassword); }

void CServiceHarness::SignOut() { CHttpClient::SetCookie(Url("/"), QStringLiteral("HM_CU=signed-out; path=/")); }

std::int64_t CServiceHarness::DemoAccount() { return m_service->Database().FindAccount(service::kDemoLogin)->id; }

std::vector<std::int64_t> CServiceHarness::DemoCalendars()
{
    std::vector<std::int64_t> ids;
    for (const auto& calendar : m_service->Database().ListCalendars(DemoAccount()))
        if (calendar.serviceType != 1)
            ids.push_back(calendar.id);
    return ids;
}

std::string CServiceHarness::NewAccount(const std::string& password)
{
    const std::string login = "user" + std::to_string(++m_accounts);
    const auto id = m_service->Database().CreateAccount(login, password);
    if (id) {
        service::SCalendar calendar{0, *id, "기본", "#123456", 0};
        const auto calendarId = m_service->Database().CreateCalendar(calendar);
        if (calendarId)
            (void)m_service->Database().SetDefaultCalendar(*id, *calendarId);
    }
    return login;
}

const SXmlNode* SXmlNode::Child(const std::string& childName) const
{
    for (const SXmlNode& child : children)
        if (child.name == childName)
            return &child;
    return nullptr;
}

std::vector<const SXmlNode*> SXmlNode::Children(const std::string& childName) const
{
    std::vector<const SXmlNode*> out;
    for (const SXmlNode& child : children)
        if (child.name == childName)
            out.push_back(&child);
    return out;
}

std::string SXmlNode::ChildText(const std::string& childName) const
{
    const SXmlNode* child = Child(childName);
    return child ? child->text : std::string();
}

std::vector<std::string> SXmlNode::ChildNames() const
{
    std::vector<std::string> names;
    for (const SXmlNode& child : children)
        names.push_back(child.name);
    return names;
}

std::optional<SXmlNode> ParseXml(const std::string& text)
{
    QXmlStreamReader reader(QByteArray::fromStdString(text));
    while (!reader.atEnd() && !reader.isStartElement())
        reader.readNext();
    if (!reader.isStartElement())
        return std::nullopt;
    SXmlNode root;
    ReadNode(reader, root);
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        return std::nullopt;
    return root;
}

std::string SExportItem::Get(const std::string& key) const
{
    const auto found = properties.find(key);
    return found == properties.end() ? std::string() : found->second;
}

std::vector<SExportItem> ReadTodoExport(const std::string& text) { return ReadExport(text, "VTODO", kTodoKeys); }
std::vector<SExportItem> ReadEventExport(const std::string& text) { return ReadExport(text, "VEVENT", kEventKeys); }

std::string UidOfAnswer(const std::string& answer)
{
    const size_t at = answer.find(", \"uid\":");
    if (at == std::string::npos)
        return {};
    const size_t start = at + 8 + 2;
    const size_t comma = answer.find(',', start);
    if (comma == std::string::npos || comma < start + 1)
        return {};
    return answer.substr(start, comma - 1 - start);
}

std::int64_t IdOfAnswer(const std::string& answer)
{
    const size_t at = answer.find("\"id\": ");
    return at == std::string::npos ? 0 : std::atoll(answer.c_str() + at + 6);
}

std::string Encode(const std::string& text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += char(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

}  // namespace tamo::test
