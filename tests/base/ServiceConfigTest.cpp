#include <gtest/gtest.h>

#include "base/ServiceEndpoints.h"
#include "support/TestEnvironment.h"

namespace {

std::array<QString, size_t(Service::Count)> BaseUrls()
{
    std::array<QString, size_t(Service::Count)> urls;
    for (size_t i = 0; i < urls.size(); ++i)
        urls[i] = QStringLiteral("http://127.0.0.1:%1/").arg(8000 + i);
    return urls;
}

TEST(ServiceConfigTest, WrittenConfigurationLoads)
{
    tamo::test::IsolatedEnvironment env;
    const QByteArray salt = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    const QByteArray iv = QByteArray::fromHex("0102030405060708");
    ASSERT_TRUE(CServiceConfig::Write(env.ServiceConfig(), BaseUrls(), salt, iv, QStringLiteral("mail.test")));
    ASSERT_TRUE(CServiceConfig::Reload()) << CServiceConfig::Current().Error().toStdString();
    const CServiceConfig& config = CServiceConfig::Current();
    EXPECT_EQ(config.Url(Service::Calendar, endpoints::kExportTodo), QStringLiteral("http://127.0.0.1:8000/sync/export_todo"));
    EXPECT_EQ(config.Url(Service::Update, endpoints::kSignInCheck), QStringLiteral("http://127.0.0.1:8002/dxm/sb_updatev2.xml"));
    EXPECT_EQ(config.Salt(), salt);
    EXPECT_EQ(config.Iv(), iv);
    EXPECT_EQ(config.MailDomain(), QStringLiteral("mail.test"));
}

TEST(ServiceConfigTest, ErrorsNameTheFileAndTheKey)
{
    tamo::test::IsolatedEnvironment env;
    CServiceConfig config;
    EXPECT_FALSE(config.Load(env.ServiceConfig()));
    EXPECT_TRUE(config.Error().contains(env.ServiceConfig()));

    struct {
        const char* key;
        const char* value;
    } broken[] = {{"services/login", ""}, {"services/update", "ftp://host/"}, {"services/auth", "not a url"},
                  {"cipher/salt", "0011"}, {"cipher/iv", "zz02030405060708"}, {"identity/mail_domain", ""}};
    for (const auto& b : broken) {
        ASSERT_TRUE(CServiceConfig::Write(env.ServiceConfig(), BaseUrls(), QByteArray(16, 'k'), QByteArray(8, 'v'),
                                          QStringLiteral("mail.test")));
        QByteArray ini = tamo::test::ReadFile(env.ServiceConfig());
        const QByteArray key = QByteArray(b.key).split('/')[1];
        const qsizetype at = ini.indexOf("\n" + key + "=");
        ASSERT_GE(at, 0) << b.key;
        const qsizetype end = ini.indexOf('\n', at + 1);
        ini.replace(at + 1, end - at - 1, key + "=" + b.value);
        ASSERT_TRUE(tamo::test::WriteFile(env.ServiceConfig(), ini));
        EXPECT_FALSE(config.Load(env.ServiceConfig())) << b.key;
        EXPECT_TRUE(config.Error().contains(QLatin1String(b.key))) << config.Error().toStdString();
        EXPECT_TRUE(config.Error().contains(env.ServiceConfig()));
        EXPECT_EQ(config.Url(Service::Calendar, QStringLiteral("/")), QString());
    }
}

}  // namespace

#include "base/ServiceClock.h"

namespace {

TEST(ServiceClockTest, SeoulIsNineHoursAheadOfUtcWhateverTheLocalZone)
{
    tamo::test::ScopedEnv zone("TZ", "America/Los_Angeles");
    tamo::clock::SetNowForTesting([] { return QDateTime(QDate(2026, 12, 31), QTime(20, 30), Qt::UTC); });
    const QDateTime seoul = tamo::clock::NowSeoul();
    EXPECT_EQ(seoul.date(), QDate(2027, 1, 1));
    EXPECT_EQ(seoul.time(), QTime(5, 30));
    EXPECT_EQ(seoul.offsetFromUtc(), 9 * 3600);
    tamo::clock::SetNowForTesting({});
    EXPECT_LE(qAbs(tamo::clock::NowUtc().secsTo(QDateTime::currentDateTimeUtc())), 2);
}

}  // namespace
