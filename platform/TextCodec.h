#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QStringView>

#include "platform/WinTypes.h"

namespace platform {

// Conversion between UTF-16 and the code pages the system names. The ANSI code page (CP_ACP, 0)
// is UTF-8 on this platform: it is the only choice that keeps every character the service sends.
// Invalid input sequences become U+FFFD; characters a code page can't hold become '?'.
// Nothing is ever dropped silently.
namespace textcodec {

// True for the code pages this module converts: 0 (ANSI), 65000 (UTF-7), 65001 (UTF-8), 949.
bool IsSupported(unsigned codePage);

// Bytes in the code page → UTF-16. An unsupported code page converts as ANSI.
QString ToUnicode(unsigned codePage, QByteArrayView bytes);
// UTF-16 → bytes in the code page. An unsupported code page converts as ANSI.
QByteArray FromUnicode(unsigned codePage, QStringView text);

// The ANSI code page, spelled out for readers of the callers.
inline QString FromAnsi(QByteArrayView bytes) { return ToUnicode(0, bytes); }
inline QByteArray ToAnsi(QStringView text) { return FromUnicode(0, text); }

// Text that arrives in pieces → UTF-16, with the same answer as ToUnicode of all the pieces
// joined. UTF-8 (and ANSI) pieces are converted as they come, each byte once: a character cut
// between two pieces waits for the rest. Other code pages are converted once at the end.
class StreamDecoder {
public:
    explicit StreamDecoder(unsigned codePage);
    void Append(QByteArrayView bytes);
    // The whole text; the decoder is empty afterwards.
    QString Finish();

private:
    void Decode(QByteArrayView bytes);

    bool m_utf8;
    QStringDecoder m_decoder;
    bool m_started = false;
    QString m_text;
    // UTF-8: the bytes after the last place where the text could be cut; other code pages:
    // every byte so far.
    QByteArray m_pending;
    unsigned m_codePage;
};

}  // namespace textcodec
}  // namespace platform
