#include "base/HttpClient.h"

// URL canonicalisation and cracking for the HTTP client.

namespace {

constexpr DWORD kCanonicalizeMask = 0x3e000000;
constexpr qsizetype kUrlBufferChars = 2084;

// Escapes what is unsafe in the part of a URL before its query or fragment, and folds "." and
// ".." path segments; the query and fragment stay exactly as given.
QString Canonicalize(const QString& url)
{
    qsizetype split = url.size();
    for (qsizetype i = 0; i < url.size(); ++i)
        if (url[i] == QLatin1Char('?') || url[i] == QLatin1Char('#')) {
            split = i;
            break;
        }
    QString head;
    static const QString kUnsafe = QStringLiteral("\"<>\\^`{|}");
    for (QChar c : url.left(split)) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F || kUnsafe.contains(c)) {
            for (char byte : QString(c).toUtf8())
                head += QStringLiteral("%%1").arg(uint(uchar(byte)), 2, 16, QLatin1Char('0')).toUpper();
        } else {
            head += c;
        }
    }
    // Fold dot segments of the path (after "scheme://host").
    const qsizetype authority = head.indexOf(QLatin1String("://"));
    const qsizetype pathStart = authority < 0 ? -1 : head.indexOf(QLatin1Char('/'), authority + 3);
    if (pathStart >= 0) {
        QStringList out;
        const QStringList segments = head.mid(pathStart + 1).split(QLatin1Char('/'));
        for (qsizetype i = 0; i < segments.size(); ++i) {
            const QString& segment = segments[i];
            const bool last = i + 1 == segments.size();
            if (segment == QLatin1String(".")) {
                if (last)
                    out << QString();
            } else if (segment == QLatin1String("..")) {
                if (!out.isEmpty())
                    out.removeLast();
                if (last)
                    out << QString();
            } else {
                out << segment;
            }
        }
        head = head.left(pathStart + 1) + out.join(QLatin1Char('/'));
    }
    return head + url.mid(split);
}

int SchemeNumber(const QString& scheme)
{
    static const struct {
        const char* name;
        int number;
    } kSchemes[] = {{"ftp", 1}, {"gopher", 2}, {"http", 3}, {"https", 4}, {"file", 5},
                    {"news", 6}, {"mailto", 7}, {"socks", 8}, {"javascript", 9}, {"vbscript", 10}, {"res", 11}};
    for (const auto& s : kSchemes)
        if (scheme.compare(QLatin1String(s.name), Qt::CaseInsensitive) == 0)
            return s.number;
    return INTERNET_SCHEME_UNKNOWN;
}

int DefaultPort(int scheme)
{
    switch (scheme) {
    case 1: return 21;
    case 2: return 70;
    case 3: return 80;
    case 4: return 443;
    default: return 0;
    }
}

}  // namespace

int CHttpClient::ParseURL(const QString& url, int& scheme, QString& host, QString& path, int& port, DWORD flags)
{
    scheme = INTERNET_SCHEME_UNKNOWN;
    const QString canonical = (flags & kCanonicalizeMask) ? Canonicalize(url.trimmed()) : url.trimmed();
    const qsizetype colon = canonical.indexOf(QLatin1String("://"));
    if (colon <= 0)
        return 0;
    const int number = SchemeNumber(canonical.left(colon));
    if (number == INTERNET_SCHEME_UNKNOWN)
        return 0;

    // Authority: up to the first "/", "?" or "#".
    const qsizetype start = colon + 3;
    qsizetype end = canonical.size();
    for (qsizetype i = start; i < canonical.size(); ++i) {
        const QChar c = canonical[i];
        if (c == QLatin1Char('/') || c == QLatin1Char('?') || c == QLatin1Char('#')) {
            end = i;
            break;
        }
    }
    QString authority = canonical.mid(start, end - start);
    if (const qsizetype at = authority.lastIndexOf(QLatin1Char('@')); at >= 0)
        authority = authority.mid(at + 1);  // user name and password are not used
    QString hostPart = authority;
    int portNumber = DefaultPort(number);
    const qsizetype bracket = authority.lastIndexOf(QLatin1Char(']'));
    const qsizetype portColon = authority.lastIndexOf(QLatin1Char(':'));
    if (portColon >= 0 && portColon > bracket) {
        bool ok = false;
        const int explicitPort = authority.mid(portColon + 1).toInt(&ok);
        if (!ok || explicitPort <= 0 || explicitPort > 65535)
            return 0;
        portNumber = explicitPort;
        hostPart = authority.left(portColon);
    }
    if (hostPart.startsWith(QLatin1Char('[')) && hostPart.endsWith(QLatin1Char(']')))
        hostPart = hostPart.mid(1, hostPart.size() - 2);
    if (hostPart.isEmpty() && number != 5)
        return 0;

    // The object: path and query; the fragment stays with the page and is never sent.
    QString object = canonical.mid(end);
    if (const qsizetype hash = object.indexOf(QLatin1Char('#')); hash >= 0)
        object.truncate(hash);
    if (object.isEmpty() || object.startsWith(QLatin1Char('?')))
        object.prepend(QLatin1Char('/'));
    if (hostPart.size() > kUrlBufferChars || object.size() > kUrlBufferChars)
        return 0;

    scheme = number;
    host = hostPart;
    path = object;
    port = portNumber;
    return 1;
}
