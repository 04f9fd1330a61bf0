#include <ctime>

#include <curl/curl.h>

#include "base/HttpClient.h"

// The shared cookie store, seen through URLs, and the CCookie map.

namespace {

struct CookieTarget {
    bool secure = false;
    QString host;
    QString path;
};

bool TargetOf(const QString& url, CookieTarget& target)
{
    int scheme = INTERNET_SCHEME_UNKNOWN;
    int port = 0;
    QString path;
    if (!CHttpClient::ParseURL(url, scheme, target.host, path, port, ICU_BROWSER_MODE))
        return false;
    if ((scheme != INTERNET_SCHEME_HTTP && scheme != INTERNET_SCHEME_HTTPS) || target.host.isEmpty())
        return false;
    target.secure = scheme == INTERNET_SCHEME_HTTPS;
    target.host = target.host.toLower();
    const qsizetype query = path.indexOf(QLatin1Char('?'));
    target.path = query < 0 ? path : path.left(query);
    if (target.path.isEmpty())
        target.path = QStringLiteral("/");
    return true;
}

bool DomainMatches(const QString& host, const QString& domain, bool tailMatch)
{
    if (!tailMatch)
        return host == domain;
    const QString bare = domain.startsWith(QLatin1Char('.')) ? domain.mid(1) : domain;
    return host == bare || host.endsWith(QLatin1Char('.') + bare);
}

bool PathMatches(const QString& requestPath, const QString& cookiePath)
{
    if (requestPath == cookiePath)
        return true;
    if (!requestPath.startsWith(cookiePath))
        return false;
    return cookiePath.endsWith(QLatin1Char('/')) || requestPath.at(cookiePath.size()) == QLatin1Char('/');
}

}  // namespace

QString CHttpClient::GetCookie(const QString& url)
{
    CookieTarget target;
    if (!TargetOf(url, target))
        return {};
    const qint64 now = qint64(std::time(nullptr));
    QStringList pairs;
    for (QString line : CHttpSession::Default().CookieLines()) {
        if (line.startsWith(QLatin1String("#HttpOnly_")))
            line.remove(0, 10);
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.size() < 7)
            continue;
        const qint64 expires = f[4].toLongLong();
        if (expires != 0 && expires < now)
            continue;
        if (!DomainMatches(target.host, f[0].toLower(), f[1] == QLatin1String("TRUE")))
            continue;
        if (!PathMatches(target.path, f[2]) || (f[3] == QLatin1String("TRUE") && !target.secure))
            continue;
        pairs << f[5] + QLatin1Char('=') + f[6];
    }
    return pairs.join(QStringLiteral("; "));
}

bool CHttpClient::SetCookie(const QString& url, const QString& cookieData)
{
    CookieTarget target;
    if (!TargetOf(url, target))
        return false;
    const QStringList parts = cookieData.split(QLatin1Char(';'));
    const qsizetype equals = parts.value(0).indexOf(QLatin1Char('='));
    if (equals <= 0)
        return false;
    const QString name = parts[0].left(equals).trimmed();
    const QString value = parts[0].mid(equals + 1).trimmed();
    if (name.isEmpty() || name.contains(QLatin1Char('\t')) || value.contains(QLatin1Char('\t')))
        return false;

    QString domain = target.host;
    bool tailMatch = false;
    QString path = target.path.left(target.path.lastIndexOf(QLatin1Char('/')));
    if (path.isEmpty())
        path = QStringLiteral("/");
    bool secure = false;
    bool httpOnly = false;
    qint64 expires = 0;  // a session cookie
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString attribute = parts[i].trimmed();
        const qsizetype eq = attribute.indexOf(QLatin1Char('='));
        const QString key = (eq < 0 ? attribute : attribute.left(eq)).trimmed().toLower();
        const QString arg = eq < 0 ? QString() : attribute.mid(eq + 1).trimmed();
        if (key == QLatin1String("domain") && !arg.isEmpty()) {
            const QString wanted = (arg.startsWith(QLatin1Char('.')) ? arg.mid(1) : arg).toLower();
            if (!DomainMatches(target.host, wanted, true))
                return false;  // a cookie for a domain the URL does not belong to
            if (wanted != target.host) {
                domain = QLatin1Char('.') + wanted;
                tailMatch = true;
            }
        } else if (key == QLatin1String("path") && arg.startsWith(QLatin1Char('/'))) {
            path = arg;
        } else if (key == QLatin1String("secure")) {
            secure = true;
        } else if (key == QLatin1String("httponly")) {
            httpOnly = true;
        } else if (key == QLatin1String("expires")) {
            const time_t when = curl_getdate(arg.toUtf8().constData(), nullptr);
            if (when != time_t(-1))
                expires = when > 0 ? qint64(when) : 1;
        } else if (key == QLatin1String("max-age")) {
            bool ok = false;
            const qint64 seconds = arg.toLongLong(&ok);
            if (ok)
                expires = seconds > 0 ? qint64(std::time(nullptr)) + seconds : 1;
        }
    }
    const QString line = QStringLiteral("%1%2\t%3\t%4\t%5\t%6\t%7\t%8")
                             .arg(httpOnly ? QStringLiteral("#HttpOnly_") : QString(), domain,
                                  tailMatch ? QStringLiteral("TRUE") : QStringLiteral("FALSE"), path,
                                  secure ? QStringLiteral("TRUE") : QStringLiteral("FALSE"))
                             .arg(expires)
                             .arg(name, value);
    return CHttpSession::Default().AddCookieLine(line);
}

void ParseStringToArray(QString& text, const QString& delimiters, QStringList& array)
{
    array.clear();
    QString token;
    for (QChar c : text) {
        if (delimiters.contains(c)) {
            if (!token.isEmpty())
                array << token;
            token.clear();
        } else {
            token += c;
        }
    }
    if (!token.isEmpty())
        array << token;
}

QString CCookie::Get(const QString& name) const
{
    const auto it = m_map.find(name);
    return it == m_map.end() ? QString() : it->second;
}

void CCookie::Set(const QString& name, const QString& value) { m_map[name] = value; }

void CCookie::Parse(const QString& text)
{
    QString copy = text;
    QStringList pieces;
    ParseStringToArray(copy, QStringLiteral(";"), pieces);
    for (QString piece : pieces) {
        piece = piece.trimmed();
        if (piece.startsWith(QLatin1Char('=')))
            continue;
        const qsizetype equals = piece.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        m_map[piece.left(equals).trimmed()] = piece.mid(equals + 1).trimmed();
    }
}

QString CCookie::MakeString() const
{
    QString text;
    for (const auto& [name, value] : m_map) {
        if (!text.isEmpty())
            text += QLatin1Char(';');
        text += name + QLatin1Char('=') + value;
    }
    return text;
}

bool CCookie::SetCookie(const QString& url, const QString& attributes) const
{
    QString suffix;
    if (!attributes.isNull()) {
        suffix = attributes;
        while (!suffix.isEmpty() && suffix.front().isSpace())
            suffix.remove(0, 1);
        if (!suffix.startsWith(QLatin1Char(';')))
            suffix.prepend(QStringLiteral("; "));
    }
    for (const auto& [name, value] : m_map)
        if (!CHttpClient::SetCookie(url, name + QLatin1Char('=') + value + suffix))
            return false;
    return true;
}
