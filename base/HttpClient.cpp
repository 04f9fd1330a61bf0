#include "base/HttpClient.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QFile>

#include "base/HttpSessionImpl.h"
#include "platform/TextCodec.h"

namespace {

constexpr long kMaxRedirects = 20;
constexpr DWORD kPieceSize = 1023;

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// The header name that an info level asks for; empty for levels that are not a plain header.
const char* HeaderOfLevel(DWORD level)
{
    switch (level) {
    case 1: return "Content-Type";
    case 5: return "Content-Length";
    case 9: return "Date";
    case 10: return "Expires";
    case 11: return "Last-Modified";
    case 17: return "Pragma";
    case 23: return "Connection";
    case 29: return "Content-Encoding";
    case 33: return "Location";
    case 37: return "Server";
    case 42: return "Accept-Ranges";
    case 43: return "Set-Cookie";
    case 47: return "Content-Disposition";
    case 49: return "Cache-Control";
    case 54: return "ETag";
    case 63: return "Transfer-Encoding";
    default: return nullptr;
    }
}

// Header lines of a text separated by CR LF (or LF), as "Name: value" without the line ends.
std::vector<std::string> SplitHeaderLines(const QString& text)
{
    std::vector<std::string> lines;
    const QByteArray bytes = text.toUtf8();
    for (const QByteArray& raw : bytes.split('\n')) {
        const std::string_view line = Trim(std::string_view(raw.constData(), size_t(raw.size())));
        if (!line.empty() && line.find(':') != std::string_view::npos)
            lines.emplace_back(line);
    }
    return lines;
}

std::string_view NameOf(std::string_view line) { return Trim(line.substr(0, line.find(':'))); }

}  // namespace

struct CHttpClient::Impl {
    explicit Impl(CHttpSession::Impl* s) : session(s) {}
    ~Impl() { Release(); }

    // Gives back every handle and forgets the request, so the client can be opened again.
    void Release()
    {
        if (easy) {
            if (added)
                curl_multi_remove_handle(multi, easy);
            curl_easy_cleanup(easy);
        }
        if (multi)
            curl_multi_cleanup(multi);
        curl_slist_free_all(headerList);
        multi = nullptr;
        easy = nullptr;
        headerList = nullptr;
        added = opened = sent = streaming = false;
        requestOut = answerSinceRequest = false;
        headersDone = done = false;
        result = CURLE_OK;
        status = 0;
        verb.clear();
        url.clear();
        requestHeaders.clear();
        statusLine.clear();
        answerHeaders.clear();
        body.clear();
        bodyPos = 0;
        postBody.clear();
        upload.clear();
        uploadPos = 0;
        uploadLeft = 0;
        uploadPaused = uploadStarted = false;
    }

    void Setup(const void* body, DWORD bodyLength, bool stream);
    void Pump(bool wait);
    bool WaitForHeaders();
    bool HasHeader(std::string_view name) const
    {
        for (const std::string& line : requestHeaders)
            if (EqualsNoCase(NameOf(line), name))
                return true;
        return false;
    }
    const std::string* FindAnswerHeader(std::string_view name, DWORD nth) const
    {
        for (const auto& [key, value] : answerHeaders)
            if (EqualsNoCase(key, name) && nth-- == 0)
                return &value;
        return nullptr;
    }

    static int OnPrerequest(void* user, char* remoteIp, char* localIp, int remotePort, int localPort);
    static size_t OnHeader(char* data, size_t size, size_t count, void* user);
    static size_t OnBody(char* data, size_t size, size_t count, void* user);
    static size_t OnUpload(char* data, size_t size, size_t count, void* user);

    CHttpSession::Impl* session;
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    curl_slist* headerList = nullptr;
    bool added = false;

    std::string verb;
    std::string url;
    std::vector<std::string> requestHeaders;
    bool opened = false;
    bool sent = false;
    bool streaming = false;
    // Whether a request of this transfer has gone out, and a status line come back since.
    bool requestOut = false;
    bool answerSinceRequest = false;

    // The answer of the last response in the chain of redirects.
    bool headersDone = false;
    bool done = false;
    CURLcode result = CURLE_OK;
    long status = 0;
    std::string statusLine;
    std::vector<std::pair<std::string, std::string>> answerHeaders;
    std::string body;
    size_t bodyPos = 0;

    std::string postBody;
    std::string upload;
    size_t uploadPos = 0;
    curl_off_t uploadLeft = 0;
    bool uploadPaused = false;
    bool uploadStarted = false;
};

// Called before each request of a transfer goes out: the first, one per redirect, and the one
// libcurl sends again by itself when a reused connection closed without an answer. The server
// may have acted on the lost one (created an item), so a request that is not safe to repeat
// fails instead; after a status line (a redirect) the next request is a new one.
int CHttpClient::Impl::OnPrerequest(void* user, char*, char*, int, int)
{
    auto* d = static_cast<Impl*>(user);
    if (d->requestOut && !d->answerSinceRequest)
        return CURL_PREREQFUNC_ABORT;
    d->requestOut = true;
    d->answerSinceRequest = false;
    return CURL_PREREQFUNC_OK;
}

size_t CHttpClient::Impl::OnHeader(char* data, size_t size, size_t count, void* user)
{
    auto* d = static_cast<Impl*>(user);
    const size_t length = size * count;
    const std::string_view line = Trim(std::string_view(data, length));
    if (line.substr(0, 5) == "HTTP/") {
        d->answerSinceRequest = true;
        // A new response of the chain (an interim answer, a redirect or the final answer).
        d->answerHeaders.clear();
        d->statusLine = std::string(line);
        const size_t space = line.find(' ');
        d->status = space == std::string_view::npos ? 0 : std::atol(std::string(line.substr(space + 1, 3)).c_str());
    } else if (line.empty()) {
        const bool interim = d->status / 100 == 1;
        const bool followed = d->status / 100 == 3 && d->status != 304 && d->FindAnswerHeader("Location", 0);
        if (!interim && !followed)
            d->headersDone = true;
    } else if (const size_t colon = line.find(':'); colon != std::string_view::npos) {
        d->answerHeaders.emplace_back(std::string(Trim(line.substr(0, colon))),
                                      std::string(Trim(line.substr(colon + 1))));
    }
    return length;
}

size_t CHttpClient::Impl::OnBody(char* data, size_t size, size_t count, void* user)
{
    auto* d = static_cast<Impl*>(user);
    d->headersDone = true;
    d->body.append(data, size * count);
    return size * count;
}

size_t CHttpClient::Impl::OnUpload(char* data, size_t size, size_t count, void* user)
{
    auto* d = static_cast<Impl*>(user);
    d->uploadStarted = true;
    const size_t available = d->upload.size() - d->uploadPos;
    if (available == 0) {
        if (d->uploadLeft <= 0)
            return 0;
        d->uploadPaused = true;
        return CURL_READFUNC_PAUSE;
    }
    const size_t n = std::min(available, size * count);
    std::memcpy(data, d->upload.data() + d->uploadPos, n);
    d->uploadPos += n;
    d->uploadLeft -= curl_off_t(n);
    if (d->uploadPos == d->upload.size()) {
        d->upload.clear();
        d->uploadPos = 0;
    }
    return n;
}

void CHttpClient::Impl::Setup(const void* bodyData, DWORD bodyLength, bool stream)
{
    multi = curl_multi_init();
    easy = curl_easy_init();
    session->Attach(easy);
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, session->connectTimeout.load());
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, session->stallTimeout.load());
#ifndef TAMO_UPDATER
    // The update program opens its session without an agent name: it sends none.
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "TamoCalendar/" TAMO_VERSION);
#endif
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Impl::OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Impl::OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    // A GET or HEAD may go out again when its answer was lost; nothing else may.
    if (verb != "GET" && verb != "HEAD") {
        curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &Impl::OnPrerequest);
        curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);
    }

    const bool hasBody = stream || bodyLength > 0;
    if (verb == "GET" && !hasBody) {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else if (verb == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else {
        if (verb != "POST")
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(bodyLength));
        if (stream) {
            uploadLeft = bodyLength;
            curl_easy_setopt(easy, CURLOPT_READFUNCTION, &Impl::OnUpload);
            curl_easy_setopt(easy, CURLOPT_READDATA, this);
        } else {
            postBody.assign(static_cast<const char*>(bodyData), bodyData ? bodyLength : 0);
            curl_easy_setopt(easy, CURLOPT_POSTFIELDS, postBody.data());
        }
    }

    // What the caller added, then the fixed part: any media type, never from a cache, no
    // "Expect: 100-continue" pause, and no content type the caller did not give.
    for (const std::string& line : requestHeaders)
        headerList = curl_slist_append(headerList, line.c_str());
    const char* fixed[][2] = {{"Accept", "Accept: */*"},
                              {"Cache-Control", "Cache-Control: no-cache"},
                              {"Pragma", "Pragma: no-cache"},
                              {"Expect", "Expect:"},
                              {"Content-Type", "Content-Type:"}};
    for (const auto& [name, line] : fixed)
        if (!HasHeader(name))
            headerList = curl_slist_append(headerList, line);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headerList);

    curl_multi_add_handle(multi, easy);
    added = true;
    sent = true;
}

void CHttpClient::Impl::Pump(bool wait)
{
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
        done = true;
        result = CURLE_FAILED_INIT;
        return;
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg == CURLMSG_DONE) {
            done = true;
            result = message->data.result;
            if (result == CURLE_OK)
                headersDone = true;
        }
    }
    if (!done && wait)
        curl_multi_poll(multi, nullptr, 0, 250, nullptr);
}

bool CHttpClient::Impl::WaitForHeaders()
{
    while (!headersDone && !done)
        Pump(true);
    return headersDone;
}

CHttpClient::CHttpClient(CHttpSession* session)
    : m_pSession(session ? session : &CHttpSession::Default()),
      m_impl(std::make_unique<Impl>(m_pSession->GetImpl()))
{
}

CHttpClient::~CHttpClient() { Close(); }

bool CHttpClient::Open(const QString& verb, const QString& url)
{
    int scheme = INTERNET_SCHEME_UNKNOWN;
    int port = 0;
    QString host, path;
    if (!ParseURL(url, scheme, host, path, port, ICU_BROWSER_MODE))
        return false;
    if (scheme != INTERNET_SCHEME_HTTP && scheme != INTERNET_SCHEME_HTTPS)
        return false;
    if (!Open(verb, host, path, port))
        return false;
    if (scheme == INTERNET_SCHEME_HTTPS)
        m_impl->url.replace(0, 4, "https");
    return true;
}

bool CHttpClient::Open(const QString& verb, const QString& serverName, const QString& objectName, int port)
{
    Close();
    if (serverName.isEmpty() || verb.isEmpty() || port <= 0 || port > 65535)
        return false;
    QString host = serverName;
    if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    QString object = objectName.isEmpty() ? QStringLiteral("/") : objectName;
    if (!object.startsWith(QLatin1Char('/')))
        object.prepend(QLatin1Char('/'));
    // The request line can't carry blanks, controls or raw non-ASCII bytes anywhere, the query
    // included: those go out percent-encoded, everything else exactly as given.
    QByteArray wire;
    for (char c : object.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F)
            wire += '%' + QByteArray::number(u, 16).rightJustified(2, '0').toUpper();
        else
            wire += c;
    }
    m_impl->verb = verb.toUpper().toStdString();
    m_impl->url = "http://" + host.toStdString() + ":" + std::to_string(port) + wire.toStdString();
    m_impl->opened = true;
    return true;
}

bool CHttpClient::Send(const QString& headers, long headersLength, const void* body, DWORD bodyLength)
{
    Impl& d = *m_impl;
    if (!d.opened || d.sent)
        return false;
    if (!headers.isEmpty() && headersLength != 0)
        for (std::string& line : SplitHeaderLines(headersLength < 0 ? headers : headers.left(headersLength)))
            d.requestHeaders.push_back(std::move(line));
    const bool stream = body == nullptr && bodyLength > 0;
    d.Setup(body, bodyLength, stream);
    if (!stream)
        return d.WaitForHeaders();
    // The request is under way once the transport asks for the first piece of the body.
    while (!d.uploadStarted && !d.done)
        d.Pump(true);
    if (d.done && d.result != CURLE_OK)
        return false;
    d.streaming = true;
    return true;
}

int CHttpClient::Write(const void* buffer, DWORD length)
{
    Impl& d = *m_impl;
    if (!d.streaming || d.done || (length > 0 && !buffer))
        return -1;
    const curl_off_t room = d.uploadLeft - curl_off_t(d.upload.size() - d.uploadPos);
    const DWORD accepted = DWORD(std::min<curl_off_t>(length, std::max<curl_off_t>(room, 0)));
    d.upload.append(static_cast<const char*>(buffer), accepted);
    if (d.uploadPaused) {
        d.uploadPaused = false;
        curl_easy_pause(d.easy, CURLPAUSE_CONT);
    }
    while (!d.done && d.uploadPos < d.upload.size())
        d.Pump(true);
    if (d.done && (d.result != CURLE_OK || d.uploadPos < d.upload.size()))
        return -1;
    return int(accepted);
}

bool CHttpClient::EndRequest()
{
    Impl& d = *m_impl;
    if (!d.streaming)
        return d.sent && d.headersDone;
    d.streaming = false;
    if (d.uploadLeft > 0) {
        // The body is shorter than announced: the server would wait for the rest for ever.
        curl_multi_remove_handle(d.multi, d.easy);
        d.added = false;
        d.done = true;
        d.result = CURLE_SEND_ERROR;
        return false;
    }
    return d.WaitForHeaders();
}

int CHttpClient::Read(void* buffer, DWORD length)
{
    Impl& d = *m_impl;
    if (!d.sent || (length > 0 && !buffer))
        return -1;
    if (d.streaming && !EndRequest())
        return -1;
    while (d.bodyPos == d.body.size()) {
        d.body.clear();
        d.bodyPos = 0;
        if (d.done)
            return d.result == CURLE_OK ? 0 : -1;
        d.Pump(true);
    }
    const size_t n = std::min<size_t>(length, d.body.size() - d.bodyPos);
    std::memcpy(buffer, d.body.data() + d.bodyPos, n);
    d.bodyPos += n;
    return int(n);
}

unsigned CHttpClient::Available()
{
    Impl& d = *m_impl;
    if (!d.sent || (d.streaming && !EndRequest()))
        return 0;
    while (d.bodyPos == d.body.size() && !d.done)
        d.Pump(true);
    return unsigned(d.body.size() - d.bodyPos);
}

QString CHttpClient::ReadAll(unsigned codePage, long byteLimit)
{
    const unsigned cp = (codePage == CP_UTF8 || codePage == CP_UTF7) ? codePage : CP_ACP;
    platform::textcodec::StreamDecoder text(cp);
    Impl& d = *m_impl;
    if (!d.sent || (d.streaming && !EndRequest()))
        return text.Finish();
    // Straight from the receive buffer, in the pieces Read would hand out: the body is taken as
    // text, so a zero byte ends what is kept of its piece.
    for (;;) {
        while (d.bodyPos == d.body.size()) {
            d.body.clear();
            d.bodyPos = 0;
            if (d.done)
                return text.Finish();
            d.Pump(true);
        }
        const char* data = d.body.data() + d.bodyPos;
        const size_t size = d.body.size() - d.bodyPos;
        if (byteLimit <= 0 && !std::memchr(data, 0, size)) {
            text.Append(QByteArrayView(data, qsizetype(size)));
            d.bodyPos += size;
            continue;
        }
        for (size_t at = 0; at < size;) {
            const size_t n = std::min<size_t>(kPieceSize, size - at);
            text.Append(QByteArrayView(data + at, qsizetype(strnlen(data + at, n))));
            at += n;
            d.bodyPos += n;
            if (byteLimit > 0) {
                byteLimit -= long(n);
                if (byteLimit <= 0)
                    return text.Finish();
            }
        }
    }
}

bool CHttpClient::DownloadToFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    char piece[kPieceSize];
    for (;;) {
        const int n = Read(piece, kPieceSize);
        if (n == 0)
            return true;
        if (n < 0)
            return false;
        file.write(piece, n);
    }
}

unsigned CHttpClient::GetStatusCode()
{
    return GetInfoNum(HTTP_QUERY_STATUS_CODE, 0);
}

unsigned CHttpClient::GetContentLength(DWORD* index)
{
    return GetInfoNum(HTTP_QUERY_CONTENT_LENGTH, 0, index);
}

bool CHttpClient::QueryInfo(DWORD infoLevel, QString& value, DWORD* index)
{
    Impl& d = *m_impl;
    if (!d.sent || (d.streaming && !EndRequest()) || !d.headersDone || (infoLevel & 0x80000000u))
        return false;
    const DWORD level = infoLevel & 0xFFFF;
    std::string text;
    switch (level) {
    case HTTP_QUERY_STATUS_CODE:
        text = std::to_string(d.status);
        break;
    case HTTP_QUERY_VERSION:
        text = d.statusLine.substr(0, d.statusLine.find(' '));
        break;
    case HTTP_QUERY_STATUS_TEXT: {
        const size_t space = d.statusLine.find(' ');
        const size_t second = space == std::string::npos ? space : d.statusLine.find(' ', space + 1);
        text = second == std::string::npos ? std::string() : d.statusLine.substr(second + 1);
        break;
    }
    case HTTP_QUERY_RAW_HEADERS_CRLF:
        text = d.statusLine + "\r\n";
        for (const auto& [name, headerValue] : d.answerHeaders)
            text += name + ": " + headerValue + "\r\n";
        text += "\r\n";
        break;
    default: {
        const char* name = HeaderOfLevel(level);
        const std::string* found = name ? d.FindAnswerHeader(name, index ? *index : 0) : nullptr;
        if (!found)
            return false;
        text = *found;
        if (index)
            ++*index;
    }
    }
    value = QString::fromUtf8(text.data(), qsizetype(text.size()));
    return true;
}

bool CHttpClient::QueryInfo(DWORD infoLevel, DWORD& value, DWORD* index)
{
    QString text;
    if (!QueryInfo(infoLevel & ~(HTTP_QUERY_FLAG_NUMBER | HTTP_QUERY_FLAG_SYSTEMTIME), text, index))
        return false;
    bool ok = false;
    const DWORD number = text.trimmed().toUInt(&ok);
    if (!ok)
        return false;
    value = number;
    return true;
}

bool CHttpClient::QueryInfo(DWORD infoLevel, SYSTEMTIME& value, DWORD* index)
{
    QString text;
    if (!QueryInfo(infoLevel & ~(HTTP_QUERY_FLAG_NUMBER | HTTP_QUERY_FLAG_SYSTEMTIME), text, index))
        return false;
    const time_t when = curl_getdate(text.toUtf8().constData(), nullptr);
    if (when == time_t(-1))
        return false;
    std::tm utc{};
    gmtime_r(&when, &utc);
    value.wYear = WORD(utc.tm_year + 1900);
    value.wMonth = WORD(utc.tm_mon + 1);
    value.wDayOfWeek = WORD(utc.tm_wday);
    value.wDay = WORD(utc.tm_mday);
    value.wHour = WORD(utc.tm_hour);
    value.wMinute = WORD(utc.tm_min);
    value.wSecond = WORD(utc.tm_sec);
    value.wMilliseconds = 0;
    return true;
}

unsigned CHttpClient::GetInfoNum(DWORD infoLevel, unsigned defaultValue, DWORD* index)
{
    DWORD value = 0;
    return QueryInfo(infoLevel | HTTP_QUERY_FLAG_NUMBER, value, index) ? value : defaultValue;
}

bool CHttpClient::AddRequestHeaders(const QString& headers, DWORD modifiers, long length)
{
    Impl& d = *m_impl;
    if (!d.opened || d.sent)
        return false;
    const std::vector<std::string> lines = SplitHeaderLines(length < 0 ? headers : headers.left(length));
    if (lines.empty())
        return false;
    for (const std::string& line : lines) {
        const std::string_view name = NameOf(line);
        if (d.HasHeader(name)) {
            if (modifiers & HTTP_ADDREQ_FLAG_ADD_IF_NEW)
                return false;
            if (modifiers & HTTP_ADDREQ_FLAG_REPLACE)
                std::erase_if(d.requestHeaders, [&](const std::string& h) { return EqualsNoCase(NameOf(h), name); });
        }
        d.requestHeaders.push_back(line);
    }
    return true;
}

bool CHttpClient::SetRange(std::int64_t first, std::int64_t last)
{
    QString header;
    if (last < 0)
        header = QStringLiteral("Range: bytes=%1-").arg(first);
    else if (first < 0)
        header = QStringLiteral("Range: bytes=-%1").arg(last);
    else
        header = QStringLiteral("Range: bytes=%1-%2").arg(first).arg(last);
    return AddRequestHeaders(header, HTTP_ADDREQ_FLAG_ADD_IF_NEW);
}

bool CHttpClient::GetCookie(const QString& name, QString& value)
{
    DWORD index = 0;
    QString header;
    while (QueryInfo(HTTP_QUERY_SET_COOKIE, header, &index)) {
        const qsizetype equals = header.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        if (QString::localeAwareCompare(header.left(equals).toLower(), name.toLower()) != 0)
            continue;
        const qsizetype end = header.indexOf(QLatin1Char(';'), equals + 1);
        value = header.mid(equals + 1, end < 0 ? -1 : end - equals - 1).trimmed();
        return true;
    }
    return false;
}

void CHttpClient::Close()
{
    if (m_impl->streaming)
        EndRequest();
    m_impl->Release();
}
