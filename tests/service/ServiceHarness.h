#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "service/TamoService.h"

namespace tamo::test {

// One tamo-service for the whole test program: in-process, on a free loopback port, over an
// in-memory database with the demo account and the test hooks. Requests go through CHttpClient
// on the shared session, so the cookies of a sign-in sign in every later request.
class CServiceHarness {
public:
    static CServiceHarness& Get();

    service::CTamoService& Service() { return *m_service; }
    QString Url(const std::string& path) const;

    struct SAnswer {
        bool sent = false;
        unsigned status = 0;
        std::string body;  // UTF-8
    };
    SAnswer Fetch(const std::string& method, const std::string& path, const std::string& body = {});
    SAnswer GetPath(const std::string& path) { return Fetch("GET", path); }
    SAnswer PostForm(const std::string& path, const std::string& body) { return Fetch("POST", path, body); }

    // Signs in through the sign-in check, as the desktop program does. True on a COOKIE answer.
    bool SignIn(const std::string& login, const std::string& password);
    bool SignInDemo();
    // Replaces the session cookie with one the service does not know.
    void SignOut();

    // Points the client's service configuration (TAMO_SERVICE_CONFIG) at this service and
    // reloads it. False when it cannot be written or read back.
    bool Configure();

    std::int64_t DemoAccount();
    // The demo account's calendars of the calendar service, in order (not the one of type 1).
    std::vector<std::int64_t> DemoCalendars();

    // An account of its own, for tests that must see an empty or private state.
    std::string NewAccount(const std::string& password);

    void Start();
    void Stop();

private:
    std::unique_ptr<service::CTamoService> m_service;
    int m_accounts = 0;
};

// A small XML tree, enough to check the service's answers.
struct SXmlNode {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text;
    std::vector<SXmlNode> children;

    const SXmlNode* Child(const std::string& childName) const;
    std::vector<const SXmlNode*> Children(const std::string& childName) const;
    std::string ChildText(const std::string& childName) const;
    std::vector<std::string> ChildNames() const;
};
std::optional<SXmlNode> ParseXml(const std::string& text);

// The export text read by the rules clients follow: items between BEGIN and END lines, a
// property line split at its first ":", only the keys of the item kind kept, title, body and
// uid running on over lines whose name is not a key, escapes undone in the clients' order.
struct SExportItem {
    std::map<std::string, std::string> properties;
    std::map<std::string, std::string> alarm;
    std::string Get(const std::string& key) const;
};
std::vector<SExportItem> ReadTodoExport(const std::string& text);
std::vector<SExportItem> ReadEventExport(const std::string& text);

// The uid of a creation answer, found as clients find it: after ", "uid":", a blank and a
// quote, up to the character before the next comma.
std::string UidOfAnswer(const std::string& answer);
// The record number ("id") of a creation answer.
std::int64_t IdOfAnswer(const std::string& answer);

// Form value encoding (UTF-8, every byte but unreserved ones as %XX).
std::string Encode(const std::string& text);

}  // namespace tamo::test
