#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <iostream>
#include <mutex>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QRegularExpression>
#include <QString>

#include "base/HttpClient.h"
#include "base/ServiceEndpoints.h"
#include "base/WebLogger.h"
#include "support/LoopbackServer.h"
#include "support/TestEnvironment.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr char kStatPath[] = "/cal/statistics/insertstat.jsp";

// A statistics service on loopback that keeps every report as it arrived.
class StatisticsServer {
public:
    struct Report {
        std::string target;  // path and query as sent
        std::string body;
        std::string contentType;
    };

    StatisticsServer()
    {
        // One request per connection: no idle connection keeps the server's end waiting.
        m_server.Server().set_keep_alive_max_count(1);
        m_server.Server().Post(kStatPath, [this](const httplib::Request& req, httplib::Response& res) {
            Keep(req);
            res.set_content("OK", "text/plain");
        });
        m_server.Server().Post("/fail", [this](const httplib::Request& req, httplib::Response& res) {
            Keep(req);
            res.status = 500;
        });
        m_server.Start();
    }

    QString Url(const std::string& path = kStatPath) const
    {
        return QString::fromStdString(m_server.Url(path));
    }

    // Waits until at least n reports have arrived; answers whether they did.
    bool WaitForReports(std::size_t n, std::chrono::milliseconds limit = 10s)
    {
        std::unique_lock lock(m_mutex);
        return m_arrived.wait_for(lock, limit, [&] { return m_reports.size() >= n; });
    }
    std::vector<Report> Reports()
    {
        std::lock_guard lock(m_mutex);
        return m_reports;
    }

private:
    void Keep(const httplib::Request& req)
    {
        {
            std::lock_guard lock(m_mutex);
            m_reports.push_back({req.target, req.body, req.get_header_value("Content-Type")});
        }
        m_arrived.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Report> m_reports;
    tamo::test::LoopbackServer m_server;  // last: its handlers use the members above
};

// A port on 127.0.0.1 that takes connections (the system completes them) but never reads or
// answers: a service that hangs.
class SilentListener {
public:
    SilentListener()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) != 0
            || ::listen(m_fd, 16) != 0
            || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        m_nPort = ntohs(address.sin_port);
    }
    ~SilentListener()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    int Port() const { return m_nPort; }

private:
    int m_fd = -1;
    int m_nPort = 0;
};

QString ExpectedTarget(const QString& strTamoId = QString())
{
    QString strMac;
    CWebLogger::GetMacAddress(strMac);
    QString strTarget = QString::fromLatin1(kStatPath) + QStringLiteral("?macaddr=") + strMac;
    if (!strTamoId.isEmpty())
        strTarget += QStringLiteral("&tamoid=") + strTamoId;
    return strTarget;
}

std::string Categories(int nFirst, int nCount)
{
    std::string body;
    for (int i = nFirst; i < nFirst + nCount; ++i)
        body += (body.empty() ? "" : "&") + std::string("cate[]=c") + std::to_string(i);
    return body;
}

TEST(WebLoggerTest, AdapterAddressIsTwelveUpperCaseHexDigitsOrEmpty)
{
    QString strMac = QStringLiteral("stale");
    if (CWebLogger::GetMacAddress(strMac))
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{12}$")).match(strMac).hasMatch())
            << strMac.toStdString();
    else
        EXPECT_TRUE(strMac.isEmpty());
}

TEST(WebLoggerTest, ReportCarriesAdapterUserAndRecordsAsTheyAre)
{
    StatisticsServer server;
    CWebLogger logger(server.Url());
    logger.SetTamoId(QStringLiteral("user1"));
    logger.Log(QStringLiteral("ins"));
    logger.Log(QStringLiteral("exe"), QStringLiteral("ver=1.0"));
    logger.Log(QStringLiteral("log"));
    logger.Flush();
    ASSERT_TRUE(server.WaitForReports(1));

    const auto report = server.Reports().at(0);
    EXPECT_EQ(report.target, ExpectedTarget(QStringLiteral("user1")).toStdString());
    EXPECT_EQ(report.body, "cate[]=ins&cate[]=exe&ver=1.0&cate[]=log");
    EXPECT_EQ(report.contentType, "application/x-www-form-urlencoded");
}

enum class Trigger { TenthRecord, Flush, SetTamoId, Stop, WaitInterval };

struct BatchCase {
    const char* name;
    Trigger trigger;
};
void PrintTo(const BatchCase& c, std::ostream* os) { *os << c.name; }


class WebLoggerBatchTest : public testing::TestWithParam<BatchCase> {};

// Nine records wait for something that sends them; then they go out once, in order, under the
// id that was set when they were logged (none here).
TEST_P(WebLoggerBatchTest, NineRecordsWaitForTheirTriggerAndGoOutOnce)
{
    const Trigger trigger = GetParam().trigger;
    StatisticsServer server;
    CWebLogger logger{QString()};
    logger.SetWaitInterval(trigger == Trigger::WaitInterval ? 300ms : 1h);
    ASSERT_TRUE(logger.Start(server.Url()));

    for (int i = 0; i < 9; ++i)
        logger.Log(QStringLiteral("c%1").arg(i));
    if (trigger != Trigger::WaitInterval) {
        std::this_thread::sleep_for(150ms);
        EXPECT_TRUE(server.Reports().empty()) << "nine records are not a batch";
    }

    int nRecords = 9;
    switch (trigger) {
    case Trigger::TenthRecord:
        logger.Log(QStringLiteral("c9"));
        nRecords = 10;
        break;
    case Trigger::Flush:
        logger.Flush();
        break;
    case Trigger::SetTamoId:
        logger.SetTamoId(QStringLiteral("user1"));
        break;
    case Trigger::Stop:
        logger.Stop();
        EXPECT_FALSE(logger.IsAlive());
        break;
    case Trigger::WaitInterval:
        break;
    }
    ASSERT_TRUE(server.WaitForReports(1));
    std::this_thread::sleep_for(100ms);
    logger.Stop();

    const auto reports = server.Reports();
    ASSERT_EQ(reports.size(), 1u) << "sent exactly once";
    EXPECT_EQ(reports[0].body, Categories(0, nRecords));
    EXPECT_EQ(reports[0].target, ExpectedTarget().toStdString()) << "no tamoid key";
}

INSTANTIATE_TEST_SUITE_P(
    Triggers, WebLoggerBatchTest,
    testing::Values(BatchCase{"TenthRecord", Trigger::TenthRecord},
                    BatchCase{"Flush", Trigger::Flush},
                    BatchCase{"SetTamoId", Trigger::SetTamoId},
                    BatchCase{"Stop", Trigger::Stop},
                    BatchCase{"WaitInterval", Trigger::WaitInterval}),
    [](const testing::TestParamInfo<BatchCase>& info) { return std::string(info.param.name); });

TEST(WebLoggerTest, NewIdAppliesOnlyToRecordsLoggedAfterIt)
{
    StatisticsServer server;
    CWebLogger logger(server.Url());
    logger.Log(QStringLiteral("c0"));
    logger.SetTamoId(QStringLiteral("user1"));
    logger.Log(QStringLiteral("c1"));
    logger.Flush();
    ASSERT_TRUE(server.WaitForReports(2));

    const auto reports = server.Reports();
    EXPECT_EQ(reports[0].target, ExpectedTarget().toStdString());
    EXPECT_EQ(reports[0].body, "cate[]=c0");
    EXPECT_EQ(reports[1].target, ExpectedTarget(QStringLiteral("user1")).toStdString());
    EXPECT_EQ(reports[1].body, "cate[]=c1");
}

struct FailureCase {
    const char* name;
    bool bErrorStatus;  // else nothing listens at the address
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }


class WebLoggerFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(WebLoggerFailureTest, FailedReportDropsItsBatch)
{
    StatisticsServer server;
    const QString strBadUrl =
        GetParam().bErrorStatus
            ? server.Url("/fail")
            : QStringLiteral("http://127.0.0.1:%1%2").arg(tamo::test::UnusedLoopbackPort()).arg(kStatPath);
    CWebLogger logger(strBadUrl);
    logger.Log(QStringLiteral("lost"));
    logger.Stop();

    ASSERT_TRUE(logger.Start(server.Url()));
    logger.Log(QStringLiteral("kept"));
    logger.Flush();
    ASSERT_TRUE(server.WaitForReports(GetParam().bErrorStatus ? 2 : 1));
    logger.Stop();

    const auto reports = server.Reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().body, "cate[]=kept") << "the failed batch is not sent again";
    EXPECT_EQ(reports.size(), GetParam().bErrorStatus ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, WebLoggerFailureTest,
    testing::Values(FailureCase{"ErrorStatus", true}, FailureCase{"NobodyListens", false}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(WebLoggerTest, RecordsFromManyThreadsAreEachSentOnce)
{
    StatisticsServer server;
    std::set<std::string> received;
    {
        CWebLogger logger(server.Url());
        std::vector<std::thread> writers;
        for (int t = 0; t < 4; ++t) {
            writers.emplace_back([&logger, t] {
                for (int i = 0; i < 25; ++i) {
                    logger.Log(QStringLiteral("c%1").arg(t * 25 + i));
                    if (i % 7 == 0)
                        logger.Flush();
                }
            });
        }
        for (auto& writer : writers)
            writer.join();
    }  // the destructor sends what is left

    std::size_t nTotal = 0;
    for (const auto& report : server.Reports()) {
        std::size_t nStart = 0;
        while (nStart <= report.body.size()) {
            std::size_t nEnd = report.body.find('&', nStart);
            if (nEnd == std::string::npos)
                nEnd = report.body.size();
            received.insert(report.body.substr(nStart, nEnd - nStart));
            ++nTotal;
            nStart = nEnd + 1;
        }
    }
    EXPECT_EQ(nTotal, 100u);
    EXPECT_EQ(received.size(), 100u) << "no record lost or sent twice";
}

TEST(WebLoggerTest, DefaultAddressIsTheStatisticsServiceOfTheConfiguration)
{
    StatisticsServer server;
    {
        std::array<QString, size_t(Service::Count)> baseUrls;
        baseUrls.fill(server.Url(""));
        tamo::test::IsolatedEnvironment environment;
        ASSERT_TRUE(CServiceConfig::Write(environment.ServiceConfig(), baseUrls, QByteArray(16, 'k'),
                                          QByteArray(8, 'v'), QStringLiteral("example.test")));
        ASSERT_TRUE(CServiceConfig::Reload()) << CServiceConfig::Current().Error().toStdString();
        CWebLogger logger;
        logger.Log(QStringLiteral("exe"));
    }  // the logger's Stop sends the record
    (void)CServiceConfig::Reload();  // back to the program's own (empty) configuration
    ASSERT_TRUE(server.WaitForReports(1));
    EXPECT_EQ(server.Reports()[0].target, ExpectedTarget().toStdString());
}

// Stop waits for the report under way; against a service that never answers, the transport's
// time-outs are what bound that wait.
TEST(WebLoggerTest, StopAgainstAServiceThatNeverAnswersEndsAfterTheTransportTimeOut)
{
    CHttpSession& session = CHttpSession::Default();
    const long nConnect = session.ConnectTimeout();
    const long nStall = session.StallTimeout();
    session.SetTimeouts(1, 1);

    SilentListener silent;
    ASSERT_GT(silent.Port(), 0);
    CWebLogger logger(QStringLiteral("http://127.0.0.1:%1%2").arg(silent.Port()).arg(kStatPath));
    logger.Log(QStringLiteral("exe"));
    const auto t0 = Clock::now();
    logger.Stop();
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0);
    session.SetTimeouts(nConnect, nStall);

    std::cout << "Stop against a silent service with 1 s time-outs took " << waited.count()
              << " ms\n";
    RecordProperty("StopMilliseconds", static_cast<int>(waited.count()));
    EXPECT_FALSE(logger.IsAlive());
    EXPECT_GE(waited, 900ms) << "the report was really under way";
    EXPECT_LT(waited, 20s);
}

}  // namespace
