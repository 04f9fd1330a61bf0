#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include <QString>

#include "base/Thread.h"

// Counts what the user does and reports it in batches to the statistics service. Log never
// waits for the network; the worker thread posts a batch when 10 records are pending, on Flush,
// on SetTamoId with records pending, every 10 minutes and at Stop. Failures are silent and the
// batch is dropped: nothing is retried or stored.
class CWebLogger : public CThread {
public:
    struct CLog {
        QString strCategory;
        QString strValue;  // an already formed form field, or empty
    };

    // Starts at once with the statistics service's address from the service configuration.
    // Tests and other callers that know the address give it to the second constructor.
    CWebLogger();
    // Starts at once with the given address; an empty one leaves the worker unstarted.
    explicit CWebLogger(const QString& strServiceUrl);
    ~CWebLogger() override;

    // Stores the address and starts the worker.
    [[nodiscard]] bool Start(const QString& strServiceUrl);
    // Category and value are written into the report as they are: plain form-safe text only.
    void Log(const QString& strCategory, const QString& strValue = QString());
    void Flush();
    // Records pending under the previous id are sent under it before the new id applies.
    void SetTamoId(const QString& strTamoId);
    // Sends what is pending and ends the worker; call it from a thread other than the worker.
    void Stop();

    // The first non-loopback network adapter's hardware address as 12 upper-case hexadecimal
    // digits; false (and an empty text) when there is none.
    static bool GetMacAddress(QString& strMacAddress);

    // How long the worker waits between reports when nothing asks it to send (10 minutes).
    // Takes effect at the next wait; meant for tests that cannot wait that long.
    void SetWaitInterval(std::chrono::milliseconds interval);

    static constexpr int kBatchSize = 10;
    static constexpr std::chrono::milliseconds kDefaultWaitInterval{600000};

protected:
    void Run() override;
    void SendLog();

private:
    enum class Wake { SendNow, Stop, TimeOut };
    Wake WaitForWake();
    void SetSendNow();
    void SetStopEvent();
    void SetWorkerInLoop(bool bInLoop);

    // Guards the pending records, the user id and the address; the worker holds it for the
    // whole exchange with the service.
    std::mutex m_lock;
    std::condition_variable m_batchSent;  // signalled under m_lock when a batch was taken
    std::uint64_t m_nBatchesSent = 0;

    // The two wake-up events of the worker, each cleared when it wakes the worker.
    std::mutex m_eventLock;
    std::condition_variable m_eventSet;
    bool m_bSendNow = false;
    bool m_bStopEvent = false;
    bool m_bWorkerInLoop = false;  // between the start of Run and its last report
    std::chrono::milliseconds m_waitInterval = kDefaultWaitInterval;

    std::vector<CLog> m_logs;
    QString m_strMacAddress;  // worker only
    QString m_strTamoId;
    QString m_strServiceUrl;
};
