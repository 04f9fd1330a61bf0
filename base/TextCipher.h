#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringView>

// The text cipher of the stored password and of the sign-in check: a key derived with MD5 from
// the key text and a salt, two-key triple DES (EDE, CBC) with a fixed initial vector, zero
// padding, and upper-case hexadecimal on the outside. Salt and initial vector are the service's
// values and come from configuration, so the client and the stand-in service share them.
class CTextCipher {
public:
    using Salt = std::array<std::uint8_t, 16>;
    using InitVector = std::array<std::uint8_t, 8>;

    // Longest padded plain text the cipher accepts, in bytes.
    static constexpr int kMaxBytes = 1024;

    CTextCipher(const Salt& salt, const InitVector& iv);

    // Salt and IV from hexadecimal text (32 and 16 digits); nothing when the text does not fit.
    [[nodiscard]] static std::optional<CTextCipher> FromHex(QStringView saltHex, QStringView ivHex);

    // Key text and plain text go through the ANSI code page. Empty on failure (too long input,
    // cipher error).
    [[nodiscard]] QString EncryptToHex(QStringView keyText, QStringView plainText) const;
    // The text ends at the first zero byte. Empty on failure: digits that are not hexadecimal,
    // an odd count of digits, a length that is not a whole number of cipher blocks.
    [[nodiscard]] QString DecryptFromHex(QStringView keyText, QStringView hexText) const;

    // The byte-level operations under the two above, for callers that hold 8-bit text.
    [[nodiscard]] std::optional<QByteArray> Encrypt(const QByteArray& key, const QByteArray& plain) const;
    [[nodiscard]] std::optional<QByteArray> Decrypt(const QByteArray& key, const QByteArray& cipher) const;

    const Salt& GetSalt() const { return m_salt; }
    const InitVector& GetInitVector() const { return m_iv; }

private:
    [[nodiscard]] std::optional<QByteArray> Run(const QByteArray& key, const QByteArray& input, bool encrypt) const;

    Salt m_salt;
    InitVector m_iv;
};

// The cipher with the salt and IV of the service configuration (CServiceConfig::Current());
// nothing when the configuration is not loaded.
[[nodiscard]] std::optional<CTextCipher> ConfiguredTextCipher();
// The text cipher with the configured salt and IV; empty on failure (also without configuration).
[[nodiscard]] QString EncryptToHex(QStringView keyText, QStringView plainText);
[[nodiscard]] QString DecryptFromHex(QStringView keyText, QStringView hexText);
