#include "base/TextCipher.h"

#include <memory>

#include <openssl/evp.h>

#include "base/ServiceEndpoints.h"
#include "platform/TextCodec.h"

namespace {

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

std::optional<QByteArray> FromHexText(QStringView hex)
{
    if (hex.size() % 2 != 0)
        return std::nullopt;
    QByteArray bytes;
    bytes.reserve(hex.size() / 2);
    for (qsizetype i = 0; i < hex.size(); i += 2) {
        const int hi = HexDigit(hex[i]);
        const int lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes.append(char(hi * 16 + lo));
    }
    return bytes;
}

}  // namespace

CTextCipher::CTextCipher(const Salt& salt, const InitVector& iv) : m_salt(salt), m_iv(iv) {}

std::optional<CTextCipher> CTextCipher::FromHex(QStringView saltHex, QStringView ivHex)
{
    const auto salt = FromHexText(saltHex.trimmed());
    const auto iv = FromHexText(ivHex.trimmed());
    if (!salt || !iv || salt->size() != 16 || iv->size() != 8)
        return std::nullopt;
    Salt s{};
    InitVector v{};
    std::copy(salt->begin(), salt->end(), s.begin());
    std::copy(iv->begin(), iv->end(), v.begin());
    return CTextCipher(s, v);
}

std::optional<QByteArray> CTextCipher::Run(const QByteArray& key, const QByteArray& input, bool encrypt) const
{
    // Key material: MD5 over the key text followed by the salt; bytes 0-7 and 8-15 are the two
    // DES keys, used as (first, second, first).
    QByteArray material = key;
    material.append(reinterpret_cast<const char*>(m_salt.data()), qsizetype(m_salt.size()));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (EVP_Digest(material.constData(), size_t(material.size()), digest, &digestLength, EVP_md5(), nullptr) != 1 ||
        digestLength != 16)
        return std::nullopt;

    std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> ctx(EVP_CIPHER_CTX_new());
    if (!ctx || EVP_CipherInit_ex(ctx.get(), EVP_des_ede_cbc(), nullptr, digest, m_iv.data(), encrypt ? 1 : 0) != 1)
        return std::nullopt;
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);

    QByteArray output(input.size() + 16, Qt::Uninitialized);
    int written = 0;
    int finalWritten = 0;
    auto* out = reinterpret_cast<unsigned char*>(output.data());
    if (EVP_CipherUpdate(ctx.get(), out, &written, reinterpret_cast<const unsigned char*>(input.constData()),
                         int(input.size())) != 1 ||
        EVP_CipherFinal_ex(ctx.get(), out + written, &finalWritten) != 1)
        return std::nullopt;
    output.truncate(written + finalWritten);
    return output;
}

std::optional<QByteArray> CTextCipher::Encrypt(const QByteArray& key, const QByteArray& plain) const
{
    QByteArray padded = plain;
    if (padded.size() % 8 != 0)
        padded.append(QByteArray(8 - padded.size() % 8, '\0'));
    if (padded.size() > kMaxBytes)
        return std::nullopt;
    if (padded.isEmpty())
        return QByteArray();
    return Run(key, padded, true);
}

std::optional<QByteArray> CTextCipher::Decrypt(const QByteArray& key, const QByteArray& cipher) const
{
    if (cipher.size() % 8 != 0 || cipher.size() > kMaxBytes)
        return std::nullopt;
    if (cipher.isEmpty())
        return QByteArray();
    auto plain = Run(key, cipher, false);
    if (!plain)
        return std::nullopt;
    const qsizetype zero = plain->indexOf('\0');
    if (zero >= 0)
        plain->truncate(zero);
    return plain;
}

QString CTextCipher::EncryptToHex(QStringView keyText, QStringView plainText) const
{
    const auto cipher = Encrypt(platform::textcodec::ToAnsi(keyText), platform::textcodec::ToAnsi(plainText));
    if (!cipher)
        return QString();
    return QString::fromLatin1(cipher->toHex().toUpper());
}

QString CTextCipher::DecryptFromHex(QStringView keyText, QStringView hexText) const
{
    const auto cipher = FromHexText(hexText);
    if (!cipher)
        return QString();
    const auto plain = Decrypt(platform::textcodec::ToAnsi(keyText), *cipher);
    if (!plain)
        return QString();
    return platform::textcodec::FromAnsi(*plain);
}

std::optional<CTextCipher> ConfiguredTextCipher()
{
    const CServiceConfig& config = CServiceConfig::Current();
    if (!config.IsLoaded())
        return std::nullopt;
    return CTextCipher::FromHex(QString::fromLatin1(config.Salt().toHex()), QString::fromLatin1(config.Iv().toHex()));
}

QString EncryptToHex(QStringView keyText, QStringView plainText)
{
    const auto cipher = ConfiguredTextCipher();
    return cipher ? cipher->EncryptToHex(keyText, plainText) : QString();
}

QString DecryptFromHex(QStringView keyText, QStringView hexText)
{
    const auto cipher = ConfiguredTextCipher();
    return cipher ? cipher->DecryptFromHex(keyText, hexText) : QString();
}
