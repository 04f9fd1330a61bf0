#pragma once

#include <QByteArrayView>
#include <QString>

// Escapes values for query strings and form-encoded bodies. Letters, digits and "-_.!~*'()"
// stay, the blank becomes "+", every other byte becomes "%" and two hexadecimal digits.
class CURLEncoder {
public:
    // Escapes the bytes of a zero-terminated 8-bit text (null gives the empty text).
    static QString Encode(const char* pszText, bool bLowerCase);
    // Escapes the bytes given, up to the first zero byte.
    static QString Encode(QByteArrayView text, bool bLowerCase);
    // Converts the text (up to its first zero character) to UTF-8, then escapes it as Encode.
    static QString EncodeUTF8(QStringView text, bool bLowerCase);
};
