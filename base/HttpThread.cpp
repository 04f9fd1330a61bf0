#include "base/HttpThread.h"

#include <cstring>

#include "platform/TextCodec.h"

namespace {

constexpr int kPieceSize = 1023;

// The length of the part of the bytes that ends on a whole character of the ANSI code page
// (UTF-8 here). The body arrives in pieces that may cut a character in two; its first bytes
// then wait for the rest in the next piece instead of turning into replacement characters.
qsizetype WholeSequencesLength(const QByteArray& bytes)
{
    const qsizetype nSize = bytes.size();
    for (qsizetype nBack = 1; nBack <= 3 && nBack <= nSize; ++nBack) {
        const auto ch = static_cast<unsigned char>(bytes[nSize - nBack]);
        if ((ch & 0xC0) == 0x80)
            continue;  // a continuation byte: look further back for the lead
        const int nNeeded = ch >= 0xF0 ? 4 : ch >= 0xE0 ? 3 : ch >= 0xC0 ? 2 : 1;
        return nNeeded > nBack ? nSize - nBack : nSize;
    }
    return nSize;
}

}  // namespace

CHttpThread::CHttpThread() : CThread(nullptr), CHttpClient(nullptr) {}

CHttpThread::~CHttpThread()
{
    // The worker uses the client and the strings: it must be gone before they are.
    Interrupt();
    Join(kWaitForever);
    std::lock_guard lock(m_ownerLock);
    QObject::disconnect(m_ownerGone);
}

bool CHttpThread::OpenUrl(QObject* pOwnerWnd, const QString& strUrl, int nParam)
{
    if (IsAlive())
        return false;
    SetOwnerWnd(pOwnerWnd);
    m_strUrl = strUrl;
    m_nParam = nParam;
    m_strResult.clear();
    return Start();
}

void CHttpThread::SetOwnerWnd(QObject* pOwnerWnd)
{
    std::lock_guard lock(m_ownerLock);
    QObject::disconnect(m_ownerGone);
    m_ownerGone = {};
    m_pOwnerWnd = pOwnerWnd;
    if (pOwnerWnd) {
        m_ownerGone = QObject::connect(pOwnerWnd, &QObject::destroyed, [this, pOwnerWnd] {
            std::lock_guard goneLock(m_ownerLock);
            if (m_pOwnerWnd == pOwnerWnd)
                m_pOwnerWnd = nullptr;
        });
    }
}

void CHttpThread::NotifyThreadEnd(int nCode)
{
    std::lock_guard lock(m_ownerLock);
    PostWindowMessage(m_pOwnerWnd, WM_HTTPTHREAD_END, static_cast<quintptr>(nCode), m_nParam);
}

void CHttpThread::Run()
{
    // Every way out closes the client, so that a later run starts without handles.
    const auto finish = [this](int nCode) {
        Close();
        NotifyThreadEnd(nCode);
    };
    if (!Open(QStringLiteral("GET"), m_strUrl))
        return finish(END_OPEN_FAILED);
    if (IsInterrupted())
        return finish(END_INTERRUPTED);
    if (!Send(QString(), 0, nullptr, 0))
        return finish(END_SEND_FAILED);
    if (IsInterrupted())
        return finish(END_INTERRUPTED);

    char buffer[kPieceSize + 1];
    QByteArray waiting;  // the start of a character cut by the end of a piece
    for (;;) {
        const int nRead = Read(buffer, kPieceSize);
        if (nRead < 0)
            return finish(IsInterrupted() ? END_INTERRUPTED : END_READ_FAILED);
        if (IsInterrupted())
            return finish(END_INTERRUPTED);
        if (nRead == 0) {
            if (!waiting.isEmpty())
                m_strResult += platform::textcodec::FromAnsi(waiting);
            return finish(END_DONE);
        }
        // A piece is taken as text: it ends at a zero byte.
        buffer[nRead] = '\0';
        waiting.append(buffer, static_cast<qsizetype>(std::strlen(buffer)));
        const qsizetype nWhole = WholeSequencesLength(waiting);
        m_strResult += platform::textcodec::FromAnsi(QByteArrayView(waiting).first(nWhole));
        waiting.remove(0, nWhole);
    }
}
