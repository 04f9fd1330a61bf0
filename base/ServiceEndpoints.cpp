#include "base/ServiceEndpoints.h"

#include <mutex>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QUrl>

namespace {

const char* const kServiceKeys[size_t(Service::Count)] = {"calendar", "login", "update", "auth",
                                                          "statistics", "help", "blog", "account"};

std::mutex& ConfigMutex()
{
    static std::mutex mutex;
    return mutex;
}

CServiceConfig& Shared()
{
    static CServiceConfig config;
    return config;
}

// The file is small and read once: parsed here rather than through QSettings, whose cache can
// miss a rewrite of the same size within one clock tick and which turns "a,b" into a list.
// Lines are "[section]", "key=value" and comments starting with ";" or "#".
QHash<QString, QString> ReadIni(const QString& path, bool* ok)
{
    QHash<QString, QString> values;
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly | QIODevice::Text);
    if (!*ok)
        return values;
    QString section;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        values.insert(section + QLatin1Char('/') + line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return values;
}

bool IsHex(const QString& text, int digits)
{
    if (text.size() != digits)
        return false;
    for (QChar c : text)
        if (!c.isDigit() && !(c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))
            return false;
    return true;
}

}  // namespace

QString CServiceConfig::DefaultPath()
{
    const QString fromEnv = qEnvironmentVariable("TAMO_SERVICE_CONFIG");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("service.ini"));
}

const CServiceConfig& CServiceConfig::Current()
{
    std::lock_guard lock(ConfigMutex());
    CServiceConfig& config = Shared();
    if (!config.m_loaded && config.m_error.isEmpty())
        (void)config.Load(DefaultPath());
    return config;
}

bool CServiceConfig::Reload()
{
    std::lock_guard lock(ConfigMutex());
    return Shared().Load(DefaultPath());
}

QString CServiceConfig::KeyName(Service service) { return QString::fromLatin1(kServiceKeys[size_t(service)]); }

bool CServiceConfig::Fail(const QString& message)
{
    *this = CServiceConfig();
    m_error = message;
    return false;
}

bool CServiceConfig::Load(const QString& path)
{
    if (!QFileInfo(path).isFile() || !QFileInfo(path).isReadable())
        return Fail(QStringLiteral("서비스 설정 파일을 읽을 수 없습니다: %1").arg(path));
    bool readable = false;
    const QHash<QString, QString> ini = ReadIni(path, &readable);
    if (!readable)
        return Fail(QStringLiteral("서비스 설정 파일을 읽을 수 없습니다: %1").arg(path));
    auto badKey = [&](const QString& key) {
        return Fail(QStringLiteral("서비스 설정 파일 %1의 %2 값이 없거나 잘못되었습니다.").arg(path, key));
    };

    std::array<QString, size_t(Service::Count)> base;
    for (size_t i = 0; i < base.size(); ++i) {
        const QString key = QStringLiteral("services/") + QString::fromLatin1(kServiceKeys[i]);
        QString value = ini.value(key);
        const QUrl url(value, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (value.isEmpty() || !url.isValid() || url.host().isEmpty() ||
            (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
            return badKey(key);
        while (value.endsWith(QLatin1Char('/')))
            value.chop(1);
        base[i] = value;
    }
    const QString salt = ini.value(QStringLiteral("cipher/salt"));
    if (!IsHex(salt, 32))
        return badKey(QStringLiteral("cipher/salt"));
    const QString iv = ini.value(QStringLiteral("cipher/iv"));
    if (!IsHex(iv, 16))
        return badKey(QStringLiteral("cipher/iv"));
    const QString domain = ini.value(QStringLiteral("identity/mail_domain"));
    if (domain.isEmpty() || domain.contains(QLatin1Char('@')) || domain.contains(QLatin1Char(' ')))
        return badKey(QStringLiteral("identity/mail_domain"));

    *this = CServiceConfig();
    m_base = base;
    m_salt = QByteArray::fromHex(salt.toLatin1());
    m_iv = QByteArray::fromHex(iv.toLatin1());
    m_mailDomain = domain;
    m_loaded = true;
    return true;
}

QString CServiceConfig::BaseUrl(Service service) const
{
    return m_loaded ? m_base[size_t(service)] : QString();
}

QString CServiceConfig::Url(Service service, const QString& path) const
{
    return m_loaded ? m_base[size_t(service)] + path : QString();
}

bool CServiceConfig::Write(const QString& path, const std::array<QString, size_t(Service::Count)>& baseUrls,
                           const QByteArray& salt, const QByteArray& iv, const QString& mailDomain)
{
    QString text = QStringLiteral("[services]\n");
    for (size_t i = 0; i < baseUrls.size(); ++i)
        text += QString::fromLatin1(kServiceKeys[i]) + QLatin1Char('=') + baseUrls[i] + QLatin1Char('\n');
    text += QStringLiteral("\n[cipher]\nsalt=%1\niv=%2\n\n[identity]\nmail_domain=%3\n")
                .arg(QString::fromLatin1(salt.toHex()), QString::fromLatin1(iv.toHex()), mailDomain);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Text) && file.write(text.toUtf8()) >= 0 && file.commit();
}
