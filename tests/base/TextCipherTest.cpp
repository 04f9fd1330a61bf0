#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "base/ServiceEndpoints.h"
#include "base/TextCipher.h"
#include "support/TestEnvironment.h"


namespace {

CTextCipher TestCipher()
{
    return *CTextCipher::FromHex(u"3C6E0B8A9F12D4577A1B2C3D4E5F6071", u"A1B2C3D4E5F60718");
}

}  // namespace

// Values computed independently with the openssl command line (MD5 of key text + salt as the
// two-key EDE key, CBC, zero padding).
TEST(TextCipherTest, KnownAnswers)
{
    const CTextCipher cipher = TestCipher();
    struct {
        const char16_t* key;
        const char16_t* plain;
        const char16_t* hex;
    } cases[] = {
        {u"demo", u"tamo1234", u"C4B1341EFDA80AAB"},                     // a whole block: nothing added
        {u"홍길동", u"비밀번호1", u"5FBA916EEA667363B80616FBB5228C33"},  // 13 bytes padded to 16
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cipher.EncryptToHex(c.key, c.plain), QString::fromUtf16(c.hex)) << QString::fromUtf16(c.plain).toStdString();
        EXPECT_EQ(cipher.DecryptFromHex(c.key, c.hex), QString::fromUtf16(c.plain));
        EXPECT_EQ(cipher.DecryptFromHex(c.key, QString::fromUtf16(c.hex).toLower()), QString::fromUtf16(c.plain));
    }
}

TEST(TextCipherTest, LengthLimitIsThePaddedLength)
{
    const CTextCipher cipher = TestCipher();
    EXPECT_EQ(cipher.EncryptToHex(u"k", QString(1024, QLatin1Char('a'))).size(), 2048);
    EXPECT_EQ(cipher.EncryptToHex(u"k", QString(1017, QLatin1Char('a'))).size(), 2048);
    EXPECT_TRUE(cipher.EncryptToHex(u"k", QString(1025, QLatin1Char('a'))).isEmpty());
    // Korean text counts in bytes: 342 syllables are 1026 bytes.
    EXPECT_TRUE(cipher.EncryptToHex(u"k", QString(342, QChar(u'가'))).isEmpty());
}

TEST(TextCipherTest, DecryptRefusesWhatIsNotCipherText)
{
    const CTextCipher cipher = TestCipher();
    for (const char16_t* bad : {u"C4B1341EFDA80AA", u"C4B1341EFDA80AXB", u"C4B1341EFDA80AABC4", u"  "})
        EXPECT_TRUE(cipher.DecryptFromHex(u"demo", bad).isEmpty()) << QString::fromUtf16(bad).toStdString();
    // Another key text decrypts to something else, never to the password.
    EXPECT_NE(cipher.DecryptFromHex(u"Demo", u"C4B1341EFDA80AAB"), QStringLiteral("tamo1234"));
}

TEST(TextCipherTest, SaltAndIvComeFromConfiguration)
{
    EXPECT_FALSE(CTextCipher::FromHex(u"3C6E", u"A1B2C3D4E5F60718"));
    EXPECT_FALSE(CTextCipher::FromHex(u"3C6E0B8A9F12D4577A1B2C3D4E5F6071", u"A1B2C3D4E5F607"));
    const auto other = CTextCipher::FromHex(u"00000000000000000000000000000000", u"A1B2C3D4E5F60718");
    ASSERT_TRUE(other);
    EXPECT_NE(other->EncryptToHex(u"demo", u"tamo1234"), QStringLiteral("C4B1341EFDA80AAB"));
}

TEST(TextCipherTest, ConfiguredCipherUsesTheServiceConfiguration)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("service.ini"));
    std::array<QString, size_t(Service::Count)> bases;
    bases.fill(QStringLiteral("http://127.0.0.1:1"));
    ASSERT_TRUE(CServiceConfig::Write(path, bases, QByteArray::fromHex("3C6E0B8A9F12D4577A1B2C3D4E5F6071"),
                                      QByteArray::fromHex("A1B2C3D4E5F60718"), QStringLiteral("calendar.tamo")));
    {
        tamo::test::ScopedEnv env("TAMO_SERVICE_CONFIG", path.toUtf8());
        ASSERT_TRUE(CServiceConfig::Reload());
        EXPECT_EQ(EncryptToHex(u"demo", u"tamo1234"), QStringLiteral("C4B1341EFDA80AAB"));
        EXPECT_EQ(DecryptFromHex(u"demo", u"C4B1341EFDA80AAB"), QStringLiteral("tamo1234"));
    }
    tamo::test::ScopedEnv missing("TAMO_SERVICE_CONFIG", dir.filePath(QStringLiteral("none.ini")).toUtf8());
    EXPECT_FALSE(CServiceConfig::Reload());
    EXPECT_TRUE(EncryptToHex(u"demo", u"tamo1234").isEmpty());
}
