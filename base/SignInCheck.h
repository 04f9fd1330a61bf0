#pragma once

#include <QString>

// The sign-in check: one GET to the update service with the lower-cased ID and the password
// under the text cipher; the answer is either the session cookie or an error number. No windows:
// the login panel and the command-line sync both call it.
namespace signin {

// Error numbers of a failed check (the service may also send its own in ERROR TYPE).
constexpr int kNoAnswer = 7004;     // no connection, or an empty answer
constexpr int kNotXml = 7005;       // the answer is not an XML document
constexpr int kErrorNoType = 7008;  // an ERROR element without TYPE
constexpr int kNoCookie = 7009;     // LOGIN without a (non-empty) COOKIE
constexpr int kNoSns = 7010;        // COOKIE without SNS

struct Result {
    bool ok = false;
    int error = 0;    // 0 with ok false: the answer held neither ERROR nor LOGIN
    QString url;      // the URL the service may send with an error (kept, not shown)
    QString cookie;   // the session cookie on success
};

// The request's URL for an ID (already lower-cased; escaped here) and the enciphered password.
QString CheckUrl(const QString& id, const QString& passwordHex);

// Reads the service's answer text.
[[nodiscard]] Result Evaluate(const QString& answer);

// Runs the whole check: lower-cases the ID, enciphers the password with the ID as key text,
// sends the request on the default session (which keeps the cookies the service sets).
// An empty ID or password sends nothing and gives a result with error 0.
[[nodiscard]] Result Check(const QString& id, const QString& password);

}  // namespace signin
