#include "base/WebLogger.h"

#include <QNetworkInterface>

#include "base/HttpClient.h"
#include "base/ServiceEndpoints.h"
#include "platform/TextCodec.h"

namespace {
const QString kFormHeader = QStringLiteral("Content-Type: application/x-www-form-urlencoded");
// How long SetTamoId waits for a worker that has not yet taken the pending records.
constexpr std::chrono::milliseconds kHandOverLimit{1000};
}  // namespace

CWebLogger::CWebLogger()
{
    // Started even when the configuration names no statistics service: the reports then fail
    // and are dropped like any other, instead of piling up unsent.
    (void)Start(CServiceConfig::Current().Url(Service::Statistics, endpoints::kInsertStat));
}

CWebLogger::CWebLogger(const QString& strServiceUrl)
{
    if (!strServiceUrl.isEmpty())
        (void)Start(strServiceUrl);
}

CWebLogger::~CWebLogger()
{
    Stop();
}

bool CWebLogger::Start(const QString& strServiceUrl)
{
    {
        std::lock_guard lock(m_lock);
        m_strServiceUrl = strServiceUrl;
    }
    return CThread::Start();
}

void CWebLogger::Log(const QString& strCategory, const QString& strValue)
{
    bool bFull = false;
    {
        std::lock_guard lock(m_lock);
        m_logs.push_back(CLog{strCategory, strValue});
        bFull = m_logs.size() >= kBatchSize;
    }
    if (bFull)
        SetSendNow();
}

void CWebLogger::Flush()
{
    SetSendNow();
}

void CWebLogger::SetTamoId(const QString& strTamoId)
{
    std::unique_lock lock(m_lock);
    if (!m_logs.empty() && IsAlive()) {
        // Let the worker take the pending records first, so that they go out under the
        // previous id; once it holds the lock, this waits for its exchange to end.
        const std::uint64_t nSent = m_nBatchesSent;
        lock.unlock();
        SetSendNow();
        lock.lock();
        m_batchSent.wait_for(lock, kHandOverLimit,
                             [&] { return m_nBatchesSent != nSent || m_logs.empty(); });
    }
    m_strTamoId = strTamoId;
}

void CWebLogger::Stop()
{
    if (GetCurrentThread() == this) {
        // The worker can't wait for its own end; it ends when it next looks at the flag.
        Interrupt();
        SetStopEvent();
        return;
    }
    // A worker stopped before it reached its loop would end without sending: let it get there.
    {
        std::unique_lock lock(m_eventLock);
        while (!m_bWorkerInLoop && IsAlive())
            m_eventSet.wait_for(lock, std::chrono::milliseconds(10));
    }
    bool bPending = false;
    {
        std::lock_guard lock(m_lock);
        bPending = !m_logs.empty();
    }
    if (bPending)
        SetSendNow();
    Interrupt();
    SetStopEvent();
    Join(kWaitForever);
}

bool CWebLogger::GetMacAddress(QString& strMacAddress)
{
    strMacAddress.clear();
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& adapter : interfaces) {
        if (adapter.flags().testFlag(QNetworkInterface::IsLoopBack))
            continue;
        QString strHex = adapter.hardwareAddress();
        strHex.remove(u':');
        // Only six-byte addresses fit the report; an all-zero one names no adapter.
        if (strHex.size() != 12 || strHex.count(u'0') == 12)
            continue;
        strMacAddress = strHex.toUpper();
        return true;
    }
    return false;
}

void CWebLogger::SetWaitInterval(std::chrono::milliseconds interval)
{
    std::lock_guard lock(m_eventLock);
    m_waitInterval = interval;
}

void CWebLogger::Run()
{
    GetMacAddress(m_strMacAddress);
    SetWorkerInLoop(true);
    while (!IsInterrupted()) {
        if (WaitForWake() != Wake::Stop)
            SendLog();
    }
    // Records that came in while the stop was under way still go out, once.
    SendLog();
    SetWorkerInLoop(false);
}

void CWebLogger::SetWorkerInLoop(bool bInLoop)
{
    {
        std::lock_guard lock(m_eventLock);
        m_bWorkerInLoop = bInLoop;
    }
    m_eventSet.notify_all();
}

void CWebLogger::SendLog()
{
    std::lock_guard lock(m_lock);
    if (m_logs.empty())
        return;

    QString strUrl = m_strServiceUrl + QStringLiteral("?macaddr=") + m_strMacAddress;
    if (!m_strTamoId.isEmpty())
        strUrl += QStringLiteral("&tamoid=") + m_strTamoId;

    QString strBody;
    for (std::size_t i = 0; i < m_logs.size(); ++i) {
        if (i > 0)
            strBody += u'&';
        strBody += QStringLiteral("cate[]=") + m_logs[i].strCategory;
        if (!m_logs[i].strValue.isEmpty())
            strBody += u'&' + m_logs[i].strValue;
    }
    const QByteArray body = platform::textcodec::ToAnsi(strBody);

    CHttpClient http;
    if (http.Open(QStringLiteral("POST"), strUrl)
        && http.Send(kFormHeader, kFormHeader.size(), body.constData(), DWORD(body.size())))
        (void)http.ReadAll(CP_ACP, -1);
    http.Close();

    // Sent or not, the batch is done with.
    m_logs.clear();
    ++m_nBatchesSent;
    m_batchSent.notify_all();
}

CWebLogger::Wake CWebLogger::WaitForWake()
{
    std::unique_lock lock(m_eventLock);
    m_eventSet.wait_for(lock, m_waitInterval, [&] { return m_bSendNow || m_bStopEvent; });
    // Both set: sending counts first, so records pending at Stop go out before the end.
    if (m_bSendNow) {
        m_bSendNow = false;
        return Wake::SendNow;
    }
    if (m_bStopEvent) {
        m_bStopEvent = false;
        return Wake::Stop;
    }
    return Wake::TimeOut;
}

void CWebLogger::SetSendNow()
{
    {
        std::lock_guard lock(m_eventLock);
        m_bSendNow = true;
    }
    m_eventSet.notify_all();
}

void CWebLogger::SetStopEvent()
{
    {
        std::lock_guard lock(m_eventLock);
        m_bStopEvent = true;
    }
    m_eventSet.notify_all();
}
