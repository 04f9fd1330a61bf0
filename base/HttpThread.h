#pragma once

#include <mutex>

#include <QMetaObject>
#include <QObject>
#include <QString>

#include "base/HttpClient.h"
#include "base/Thread.h"
#include "base/WindowMessage.h"

// Fetches one URL with GET on its own thread, collects the body as text and posts the end
// message to its owner: wParam = one of the end codes, lParam = the caller's parameter.
// The owner reads the text with GetResult once the message has arrived (or after Join).
class CHttpThread : public CThread, public CHttpClient {
public:
    static constexpr unsigned WM_HTTPTHREAD_END = WM_USER + 704;  // 0x06C0

    enum EndCode : int {
        END_DONE = 0,         // the whole body was read
        END_INTERRUPTED = 1,
        END_OPEN_FAILED = 2,
        END_SEND_FAILED = 3,
        END_READ_FAILED = 4,
    };

    CHttpThread();
    ~CHttpThread() override;

    // Stores owner, URL and parameter and starts the fetch; false while a fetch is running
    // (nothing is changed then) or when the thread can't be started.
    [[nodiscard]] bool OpenUrl(QObject* pOwnerWnd, const QString& strUrl, int nParam);
    // Replaces the owner while the thread runs; null silences the end message. Call it from
    // the owner's thread. An owner that is destroyed is forgotten by itself.
    void SetOwnerWnd(QObject* pOwnerWnd);
    const QString& GetResult() const { return m_strResult; }

    void Run() override;

protected:
    void NotifyThreadEnd(int nCode);

private:
    // Held while the owner is replaced and while the end message is posted, so that the
    // message never goes to an owner already let go of.
    std::mutex m_ownerLock;
    QObject* m_pOwnerWnd = nullptr;
    QMetaObject::Connection m_ownerGone;

    QString m_strUrl;
    int m_nParam = 0;
    QString m_strResult;
};
