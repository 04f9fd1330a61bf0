#include "app/WebProfile.h"

#include <map>

#include <QCoreApplication>
#include <QDateTime>
#include <QNetworkCookie>
#include <QUrl>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

#include "app/ExternalObject.h"
#include "base/HttpClient.h"

namespace {

// One cookie as the HTTP client's store writes it (cookies.txt fields).
struct SCookieLine {
    bool httpOnly = false;
    QString domain;  // a leading dot when the cookie is sent to sub-domains too
    bool tailMatch = false;
    QString path;
    bool secure = false;
    qint64 expires = 0;  // 0: a session cookie
    QString name;
    QString value;

    QString Key() const { return domain + QLatin1Char('\t') + path + QLatin1Char('\t') + name; }
};

bool ParseLine(QString line, SCookieLine& cookie)
{
    if (line.startsWith(QLatin1String("#HttpOnly_"))) {
        cookie.httpOnly = true;
        line.remove(0, 10);
    } else if (line.startsWith(QLatin1Char('#'))) {
        return false;
    }
    const QStringList f = line.split(QLatin1Char('\t'));
    if (f.size() < 7 || f[0].isEmpty() || f[5].isEmpty())
        return false;
    cookie.domain = f[0].toLower();
    cookie.tailMatch = f[1] == QLatin1String("TRUE");
    cookie.path = f[2].isEmpty() ? QStringLiteral("/") : f[2];
    cookie.secure = f[3] == QLatin1String("TRUE");
    cookie.expires = f[4].toLongLong();
    cookie.name = f[5];
    cookie.value = f[6];
    if (cookie.tailMatch && !cookie.domain.startsWith(QLatin1Char('.')))
        cookie.domain.prepend(QLatin1Char('.'));
    return true;
}

QString MakeLine(const SCookieLine& c)
{
    const QString t(QLatin1Char('\t'));
    const QString yes = QStringLiteral("TRUE"), no = QStringLiteral("FALSE");
    return (c.httpOnly ? QStringLiteral("#HttpOnly_") : QString()) + c.domain + t + (c.tailMatch ? yes : no) + t +
           c.path + t + (c.secure ? yes : no) + t + QString::number(c.expires) + t + c.name + t + c.value;
}

SCookieLine FromNetworkCookie(const QNetworkCookie& cookie)
{
    SCookieLine c;
    c.httpOnly = cookie.isHttpOnly();
    c.domain = cookie.domain().toLower();
    c.tailMatch = c.domain.startsWith(QLatin1Char('.'));
    c.path = cookie.path().isEmpty() ? QStringLiteral("/") : cookie.path();
    c.secure = cookie.isSecure();
    c.expires = cookie.isSessionCookie() ? 0 : qMax<qint64>(1, cookie.expirationDate().toSecsSinceEpoch());
    c.name = QString::fromUtf8(cookie.name());
    c.value = QString::fromUtf8(cookie.value());
    return c;
}

// The profile and the bridge between its cookie store and the HTTP client's.
class CWebProfile : public QObject {
public:
    CWebProfile() : m_profile(new QWebEngineProfile(this))  // no storage name: off the record
    {
        m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        m_profile->setSpellCheckEnabled(false);
        QWebEngineSettings* settings = m_profile->settings();
        settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
        settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
        settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);

        QWebEngineScript external;
        external.setName(QStringLiteral("tamo-external"));
        external.setSourceCode(CImpIDispatch::InjectionScript());
        external.setInjectionPoint(QWebEngineScript::DocumentCreation);
        external.setWorldId(QWebEngineScript::MainWorld);
        external.setRunsOnSubFrames(true);
        m_profile->scripts()->insert(external);

        QWebEngineCookieStore* store = m_profile->cookieStore();
        connect(store, &QWebEngineCookieStore::cookieAdded, this, [this](const QNetworkCookie& cookie) {
            const SCookieLine line = FromNetworkCookie(cookie);
            const QString text = MakeLine(line);
            m_known[line.Key()] = text;
            CHttpSession::Default().AddCookieLine(text);
        });
        connect(store, &QWebEngineCookieStore::cookieRemoved, this, [this](const QNetworkCookie& cookie) {
            // Only the cookie both stores hold goes: a removal that reports an older value (a
            // cookie replaced since, or one of a session that ended) leaves the client alone.
            // A replaced cookie is removed and added again; the add follows in order.
            SCookieLine line = FromNetworkCookie(cookie);
            const auto known = m_known.find(line.Key());
            if (known == m_known.end() || known->second != MakeLine(line))
                return;
            m_known.erase(known);
            line.expires = 1;  // expired: the HTTP client's store drops it
            CHttpSession::Default().AddCookieLine(MakeLine(line));
        });
        store->loadAllCookies();
    }

    QWebEngineProfile* Profile() const { return m_profile; }

    void Push()
    {
        QWebEngineCookieStore* store = m_profile->cookieStore();
        for (const QString& text : CHttpSession::Default().CookieLines()) {
            SCookieLine line;
            if (!ParseLine(text, line))
                continue;
            const QString normal = MakeLine(line);
            auto& known = m_known[line.Key()];
            if (known == normal)
                continue;
            known = normal;
            QNetworkCookie cookie(line.name.toUtf8(), line.value.toUtf8());
            cookie.setPath(line.path);
            cookie.setSecure(line.secure);
            cookie.setHttpOnly(line.httpOnly);
            if (line.expires != 0)
                cookie.setExpirationDate(QDateTime::fromSecsSinceEpoch(line.expires));
            const QString host = line.tailMatch ? line.domain.mid(1) : line.domain;
            const QUrl origin(QStringLiteral("%1://%2/").arg(line.secure ? QStringLiteral("https") : QStringLiteral("http"), host));
            // A domain attribute would widen a host-only cookie: give it only for tail matches.
            if (line.tailMatch)
                cookie.setDomain(line.domain);
            store->setCookie(cookie, origin);
        }
    }

    void Forget()
    {
        m_known.clear();
        m_profile->cookieStore()->deleteAllCookies();
        CHttpSession::Default().AddCookieLine(QStringLiteral("ALL"));  // the client's store: all gone
    }

private:
    QWebEngineProfile* m_profile;
    std::map<QString, QString> m_known;  // what both stores hold, by domain, path and name
};

CWebProfile* Instance()
{
    // Owned by the application object: it goes before the last web view's process does.
    static CWebProfile* profile = [] {
        auto* p = new CWebProfile;
        p->setParent(QCoreApplication::instance());
        return p;
    }();
    return profile;
}

}  // namespace

QWebEngineProfile* TamoWebProfile()
{
    return Instance()->Profile();
}

void PushCookiesToWeb()
{
    Instance()->Push();
}

void ForgetCookies()
{
    Instance()->Forget();
}
