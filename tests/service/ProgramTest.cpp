// The tamo-service program: its options, the configuration it writes for clients, and its end.
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "ServiceHarness.h"
#include "base/HttpClient.h"
#include "base/ServiceEndpoints.h"
#include "support/TestEnvironment.h"

using tamo::test::ParseXml;

namespace {

QString Program() { return tamo::test::BinaryDir() + QStringLiteral("/bin/tamo-service"); }

TEST(ProgramTest, WrittenConfigurationConnectsAClient)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("service.ini"));
    QProcess service;
    service.start(Program(), {QStringLiteral("--db"), dir.filePath(QStringLiteral("service.sqlite")),
                              QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--seed"),
                              QStringLiteral("demo"), QStringLiteral("--write-config"), ini,
                              QStringLiteral("--session-idle"), QStringLiteral("120")});
    ASSERT_TRUE(service.waitForStarted(10000));
    QString printed;
    while (!printed.contains(QStringLiteral("demo account")) && service.waitForReadyRead(10000))
        printed += QString::fromUtf8(service.readAllStandardOutput());
    const qsizetype at = printed.indexOf(QStringLiteral("port "));
    ASSERT_GE(at, 0) << printed.toStdString();
    const int port = printed.mid(at + 5).section(QLatin1Char('\n'), 0, 0).toInt();
    EXPECT_GT(port, 0);

    // The client reads what the program wrote and signs in with the same cipher values.
    CServiceConfig config;
    ASSERT_TRUE(config.Load(ini)) << config.Error().toStdString();
    for (int s = 0; s < int(Service::Count); ++s)
        EXPECT_EQ(config.BaseUrl(Service(s)), QStringLiteral("http://127.0.0.1:%1").arg(port));
    const auto cipher =
        CTextCipher::FromHex(QString::fromLatin1(config.Salt().toHex()), QString::fromLatin1(config.Iv().toHex()));
    ASSERT_TRUE(cipher);
    CHttpClient http;
    ASSERT_TRUE(http.Open(QStringLiteral("GET"),
                          config.Url(Service::Update, endpoints::kSignInCheck) + QStringLiteral("?versiontype=&id=demo&pw=") +
                              cipher->EncryptToHex(u"demo", u"tamo1234")));
    ASSERT_TRUE(http.Send(QString(), 0, nullptr, 0));
    const auto xml = ParseXml(http.ReadAll(CP_UTF8, -1).toStdString());
    ASSERT_TRUE(xml && xml->Child("LOGIN"));
    EXPECT_FALSE(xml->Child("LOGIN")->ChildText("COOKIE").empty());

    service.terminate();
    ASSERT_TRUE(service.waitForFinished(10000));
    EXPECT_EQ(service.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(service.exitCode(), 0);
}

TEST(ProgramTest, RefusesBadOptions)
{
    const QStringList cases[] = {
        {QStringLiteral("--port"), QStringLiteral("70000")},
        {QStringLiteral("--seed"), QStringLiteral("everything")},
        {QStringLiteral("--session-idle"), QStringLiteral("soon")},
        {QStringLiteral("--salt"), QStringLiteral("00"), QStringLiteral("--db"), QStringLiteral(":memory:")},
        {QStringLiteral("--unknown")},
        {QStringLiteral("--db")},
    };
    for (const QStringList& args : cases) {
        QProcess service;
        service.start(Program(), args);
        ASSERT_TRUE(service.waitForFinished(10000)) << args.join(' ').toStdString();
        EXPECT_NE(service.exitCode(), 0) << args.join(' ').toStdString();
        EXPECT_FALSE(service.readAllStandardError().isEmpty()) << args.join(' ').toStdString();
    }
}

}  // namespace
