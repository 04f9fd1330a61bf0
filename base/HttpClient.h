#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include <QString>
#include <QStringList>

#include "platform/WinTypes.h"

// Internet scheme numbers, as ParseURL reports them.
constexpr int INTERNET_SCHEME_UNKNOWN = -1;
constexpr int INTERNET_SCHEME_HTTP = 3;
constexpr int INTERNET_SCHEME_HTTPS = 4;

// Header query levels and flags the system uses.
constexpr DWORD HTTP_QUERY_CONTENT_TYPE = 1;
constexpr DWORD HTTP_QUERY_CONTENT_LENGTH = 5;
constexpr DWORD HTTP_QUERY_DATE = 9;
constexpr DWORD HTTP_QUERY_EXPIRES = 10;
constexpr DWORD HTTP_QUERY_LAST_MODIFIED = 11;
constexpr DWORD HTTP_QUERY_VERSION = 18;
constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;
constexpr DWORD HTTP_QUERY_STATUS_TEXT = 20;
constexpr DWORD HTTP_QUERY_RAW_HEADERS_CRLF = 22;
constexpr DWORD HTTP_QUERY_LOCATION = 33;
constexpr DWORD HTTP_QUERY_SET_COOKIE = 43;
constexpr DWORD HTTP_QUERY_FLAG_NUMBER = 0x20000000;
constexpr DWORD HTTP_QUERY_FLAG_SYSTEMTIME = 0x40000000;

// Modifiers of AddRequestHeaders.
constexpr DWORD HTTP_ADDREQ_FLAG_ADD_IF_NEW = 0x10000000;
constexpr DWORD HTTP_ADDREQ_FLAG_ADD = 0x20000000;
constexpr DWORD HTTP_ADDREQ_FLAG_REPLACE = 0x80000000;

// Canonicalisation flag that Open passes to ParseURL: escape unsafe characters before "?"/"#".
constexpr DWORD ICU_BROWSER_MODE = 0x02000000;

// The process-wide transport: one cookie store, DNS cache and connection pool shared by every
// client on any thread. Redirects are followed and nothing is cached.
class CHttpSession {
public:
    CHttpSession();
    ~CHttpSession();
    CHttpSession(const CHttpSession&) = delete;
    CHttpSession& operator=(const CHttpSession&) = delete;

    // The default session, created on first use and kept to the end of the process.
    static CHttpSession& Default();

    // A dead server must not hold the program forever: connecting and a transfer that moves no
    // byte are each abandoned after these many seconds (60 by default). No retries.
    void SetTimeouts(long connectSeconds, long stallSeconds);
    long ConnectTimeout() const;
    long StallTimeout() const;

    // The whole cookie store as cookies.txt lines (domain, tail match, path, secure, expiry,
    // name, value), and one such line added; for keeping other cookie stores in step.
    QStringList CookieLines() const;
    bool AddCookieLine(const QString& line);

    struct Impl;
    Impl* GetImpl() const { return m_impl.get(); }

private:
    std::unique_ptr<Impl> m_impl;
};

// One HTTP request and its answer, in the steps Open → Send → Read... → Close.
// Transport failures are results (false, -1, 0); an HTTP error status is not a failure:
// Send answers true and GetStatusCode tells the status.
// A request other than GET or HEAD goes out at most once per Send: when a reused connection
// closes without an answer, the server may have acted on it, so it fails (Send false, or a read
// failure) instead of being sent again. Redirects are still followed.
class CHttpClient {
public:
    explicit CHttpClient(CHttpSession* session = nullptr);
    virtual ~CHttpClient();
    CHttpClient(const CHttpClient&) = delete;
    CHttpClient& operator=(const CHttpClient&) = delete;

    // Opens a request for the URL. Plain http, and https (certificates verified); anything else
    // is refused without network traffic.
    [[nodiscard]] bool Open(const QString& verb, const QString& url);
    [[nodiscard]] bool Open(const QString& verb, const QString& serverName, const QString& objectName, int port);

    // Header lines separated by CR LF (headersLength -1: the whole text, 0: none).
    // A body pointer, or body length 0, sends the whole request at once; a null body with a
    // length above 0 starts a streamed body that Write fills and Close ends.
    [[nodiscard]] bool Send(const QString& headers, long headersLength, const void* body, DWORD bodyLength);
    // Writes a piece of a streamed body: the count written, -1 on failure.
    int Write(const void* buffer, DWORD length);
    // Ends a streamed body and waits for the answer's headers, which can be read afterwards.
    bool EndRequest();

    int Read(void* buffer, DWORD length);
    unsigned Available();
    QString ReadAll(unsigned codePage, long byteLimit);
    bool DownloadToFile(const QString& path);

    unsigned GetStatusCode();
    unsigned GetContentLength(DWORD* index = nullptr);
    bool QueryInfo(DWORD infoLevel, DWORD& value, DWORD* index = nullptr);
    bool QueryInfo(DWORD infoLevel, SYSTEMTIME& value, DWORD* index = nullptr);
    bool QueryInfo(DWORD infoLevel, QString& value, DWORD* index = nullptr);
    unsigned GetInfoNum(DWORD infoLevel, unsigned defaultValue, DWORD* index = nullptr);

    // Header lines separated by CR LF; length -1 takes the whole text.
    bool AddRequestHeaders(const QString& headers, DWORD modifiers, long length = -1);
    bool SetRange(std::int64_t first, std::int64_t last);

    bool GetCookie(const QString& name, QString& value);
    static QString GetCookie(const QString& url);
    static bool SetCookie(const QString& url, const QString& cookieData);

    static int ParseURL(const QString& url, int& scheme, QString& host, QString& path, int& port, DWORD flags);

    void Close();

    struct Impl;

private:
    CHttpSession* m_pSession;
    std::unique_ptr<Impl> m_impl;
};

// A cookie text as a map of names to values.
class CCookie {
public:
    CCookie() = default;
    QString Get(const QString& name) const;
    void Set(const QString& name, const QString& value);
    void Parse(const QString& text);
    QString MakeString() const;
    // A null attributes text means none.
    bool SetCookie(const QString& url, const QString& attributes = QString()) const;

private:
    std::map<QString, QString> m_map;
};

// Splits text at any of the delimiter characters; runs of delimiters give no empty tokens.
void ParseStringToArray(QString& text, const QString& delimiters, QStringList& array);
