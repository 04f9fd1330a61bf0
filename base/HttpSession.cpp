#include "base/HttpClient.h"
#include "base/HttpSessionImpl.h"

namespace {

void GlobalInit()
{
    static const CURLcode rc = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)rc;
}

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void* user)
{
    static_cast<CHttpSession::Impl*>(user)->locks[data].lock();
}

void UnlockShare(CURL*, curl_lock_data data, void* user)
{
    static_cast<CHttpSession::Impl*>(user)->locks[data].unlock();
}

}  // namespace

CHttpSession::Impl::Impl()
{
    GlobalInit();
    share = curl_share_init();
    curl_share_setopt(share, CURLSHOPT_LOCKFUNC, LockShare);
    curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, UnlockShare);
    curl_share_setopt(share, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    cookieHandle = curl_easy_init();
    Attach(cookieHandle);
}

CHttpSession::Impl::~Impl()
{
    curl_easy_cleanup(cookieHandle);
    curl_share_cleanup(share);
}

void CHttpSession::Impl::Attach(CURL* easy) const
{
    curl_easy_setopt(easy, CURLOPT_SHARE, share);
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");  // switches the cookie engine on, reads no file
}

CHttpSession::CHttpSession() : m_impl(std::make_unique<Impl>()) {}

CHttpSession::~CHttpSession() = default;

CHttpSession& CHttpSession::Default()
{
    // Never destroyed: clients on other threads may still use it while the process ends.
    static CHttpSession* session = new CHttpSession;
    return *session;
}

void CHttpSession::SetTimeouts(long connectSeconds, long stallSeconds)
{
    m_impl->connectTimeout = connectSeconds;
    m_impl->stallTimeout = stallSeconds;
}

long CHttpSession::ConnectTimeout() const { return m_impl->connectTimeout; }

long CHttpSession::StallTimeout() const { return m_impl->stallTimeout; }

QStringList CHttpSession::CookieLines() const
{
    std::lock_guard lock(m_impl->cookieMutex);
    QStringList lines;
    curl_slist* list = nullptr;
    if (curl_easy_getinfo(m_impl->cookieHandle, CURLINFO_COOKIELIST, &list) != CURLE_OK)
        return lines;
    for (curl_slist* item = list; item; item = item->next)
        lines << QString::fromUtf8(item->data);
    curl_slist_free_all(list);
    return lines;
}

bool CHttpSession::AddCookieLine(const QString& line)
{
    std::lock_guard lock(m_impl->cookieMutex);
    const QByteArray bytes = line.toUtf8();
    return curl_easy_setopt(m_impl->cookieHandle, CURLOPT_COOKIELIST, bytes.constData()) == CURLE_OK;
}
