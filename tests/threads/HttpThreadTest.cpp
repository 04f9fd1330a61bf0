#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include <QString>

#include "base/HttpThread.h"
#include "support/LoopbackServer.h"
#include "ThreadTestSupport.h"

namespace {

using namespace std::chrono_literals;
using tamo::test::Gate;
using tamo::test::LoopbackServer;
using tamo::test::MessageSink;
using tamo::test::PumpEventsUntil;

// Hangul in UTF-8 (three bytes a character) and long enough to span several 1023-byte pieces,
// so that characters are cut at piece ends.
QString LongHangulText()
{
    QString strText;
    while (strText.toUtf8().size() < 5000)
        strText += QStringLiteral("가나다라마바사 일정 ");
    return strText;
}

class HttpThreadTest : public testing::Test {
protected:
    void SetUp() override
    {
        auto& server = m_server.Server();
        // One request per connection: no idle connection keeps the server's end waiting.
        server.set_keep_alive_max_count(1);
        server.Get("/hangul", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(LongHangulText().toStdString(), "text/plain; charset=utf-8");
        });
        server.Get("/empty", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("", "text/plain");
        });
        server.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("not here", "text/plain");
        });
        // Promises 10000 bytes, sends 100 and drops the connection.
        server.Get("/cut", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(10000, "text/plain",
                                     [](size_t offset, size_t, httplib::DataSink& sink) {
                                         if (offset > 0)
                                             return false;
                                         const std::string piece(100, 'x');
                                         sink.write(piece.data(), piece.size());
                                         return true;
                                     });
        });
        // Answers only once the test opens the gate.
        server.Get("/hold", [this](const httplib::Request&, httplib::Response& res) {
            m_entered.Open();
            m_release.Wait();
            res.set_content("late", "text/plain");
        });
        m_server.Start();
    }
    void TearDown() override { m_release.Open(); }

    QString Url(const std::string& path) const
    {
        return QString::fromStdString(m_server.Url(path));
    }

    // Runs one fetch to its end and returns the one message the sink got.
    MessageSink::Message FetchToEnd(CHttpThread& thread, const QString& strUrl, int nParam)
    {
        MessageSink sink;
        EXPECT_TRUE(thread.OpenUrl(&sink, strUrl, nParam));
        EXPECT_TRUE(PumpEventsUntil([&] { return !sink.m_messages.empty(); }));
        EXPECT_TRUE(thread.Join(CThread::kWaitForever));
        QCoreApplication::processEvents();
        EXPECT_EQ(sink.m_messages.size(), 1u) << "exactly one end message";
        return sink.m_messages.empty() ? MessageSink::Message{0, 99, 0} : sink.m_messages[0];
    }

    // The gates outlive the server, whose handlers wait on them.
    Gate m_entered;
    Gate m_release;
    LoopbackServer m_server;
};

struct FetchCase {
    const char* name;
    std::string path;  // below the loopback server, or "https:", "ftp:", "refused:"
    int nCode;
    QString strResult;
};
void PrintTo(const FetchCase& c, std::ostream* os) { *os << c.name; }


class HttpThreadOutcomeTest : public HttpThreadTest,
                              public testing::WithParamInterface<FetchCase> {};

TEST_P(HttpThreadOutcomeTest, PostsTheEndCodeWithTheCallersParameter)
{
    const FetchCase& c = GetParam();
    QString strUrl = Url(c.path);
    if (c.path == "https:" || c.path == "ftp:")
        strUrl = QString::fromStdString(c.path) + QStringLiteral("//127.0.0.1:%1/hangul").arg(m_server.Port());
    if (c.path == "refused:")
        strUrl = QStringLiteral("http://127.0.0.1:%1/").arg(tamo::test::UnusedLoopbackPort());

    CHttpThread thread;
    const MessageSink::Message message = FetchToEnd(thread, strUrl, 4711);
    EXPECT_EQ(message.nMessage, 0x06C0u);
    EXPECT_EQ(message.wParam, static_cast<quintptr>(c.nCode));
    EXPECT_EQ(message.lParam, 4711);
    if (c.nCode == CHttpThread::END_DONE) {
        EXPECT_EQ(thread.GetResult(), c.strResult);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, HttpThreadOutcomeTest,
    testing::Values(
        FetchCase{"WholeBodyAcrossPieces", "/hangul", CHttpThread::END_DONE, LongHangulText()},
        FetchCase{"EmptyBody", "/empty", CHttpThread::END_DONE, QString()},
        FetchCase{"ErrorStatusStillReadsTheBody", "/missing", CHttpThread::END_DONE,
                  QStringLiteral("not here")},
        FetchCase{"OtherSchemeIsNotOpened", "ftp:", CHttpThread::END_OPEN_FAILED, {}},
        // The client opens https; the plain server can't answer the handshake.
        FetchCase{"HttpsToAPlainServer", "https:", CHttpThread::END_SEND_FAILED, {}},
        FetchCase{"NobodyListens", "refused:", CHttpThread::END_SEND_FAILED, {}},
        FetchCase{"BodyCutOff", "/cut", CHttpThread::END_READ_FAILED, {}}),
    [](const testing::TestParamInfo<FetchCase>& info) { return std::string(info.param.name); });

TEST_F(HttpThreadTest, InterruptDuringTheRequestEndsWithCodeOne)
{
    MessageSink sink;
    CHttpThread thread;
    ASSERT_TRUE(thread.OpenUrl(&sink, Url("/hold"), 1));
    ASSERT_TRUE(m_entered.Wait());
    thread.Interrupt();
    m_release.Open();
    ASSERT_TRUE(PumpEventsUntil([&] { return !sink.m_messages.empty(); }));
    EXPECT_EQ(sink.m_messages[0].wParam, static_cast<quintptr>(CHttpThread::END_INTERRUPTED));
}

TEST_F(HttpThreadTest, OpenUrlIsRefusedWhileRunningAndAFreshRunStartsWithAnEmptyResult)
{
    MessageSink sink;
    CHttpThread thread;
    ASSERT_TRUE(thread.OpenUrl(&sink, Url("/hold"), 1));
    ASSERT_TRUE(m_entered.Wait());
    EXPECT_FALSE(thread.OpenUrl(&sink, Url("/missing"), 2));
    m_release.Open();
    ASSERT_TRUE(PumpEventsUntil([&] { return !sink.m_messages.empty(); }));
    EXPECT_EQ(sink.m_messages[0].lParam, 1) << "the refused call changed nothing";
    ASSERT_TRUE(thread.Join(CThread::kWaitForever));
    EXPECT_EQ(thread.GetResult(), QStringLiteral("late"));

    const MessageSink::Message second = FetchToEnd(thread, Url("/missing"), 2);
    EXPECT_EQ(second.wParam, static_cast<quintptr>(CHttpThread::END_DONE));
    EXPECT_EQ(thread.GetResult(), QStringLiteral("not here")) << "not appended to the last one";
}

// The owner is changed while the request hangs on the server; the message goes to the owner
// set at the end, or nowhere.
TEST_F(HttpThreadTest, OwnerChangedDuringTheRunDecidesWhoHearsTheEnd)
{
    MessageSink first;
    MessageSink second;
    CHttpThread thread;
    ASSERT_TRUE(thread.OpenUrl(&first, Url("/hold"), 5));
    ASSERT_TRUE(m_entered.Wait());
    thread.SetOwnerWnd(&second);
    m_release.Open();
    ASSERT_TRUE(PumpEventsUntil([&] { return !second.m_messages.empty(); }));
    EXPECT_TRUE(first.m_messages.empty());
    EXPECT_EQ(second.m_messages[0].lParam, 5);
}

TEST_F(HttpThreadTest, OwnerClearedDuringTheRunHearsNothing)
{
    MessageSink sink;
    CHttpThread thread;
    ASSERT_TRUE(thread.OpenUrl(&sink, Url("/hold"), 5));
    ASSERT_TRUE(m_entered.Wait());
    thread.SetOwnerWnd(nullptr);
    m_release.Open();
    ASSERT_TRUE(thread.Join(CThread::kWaitForever));
    QCoreApplication::processEvents();
    EXPECT_TRUE(sink.m_messages.empty());
    EXPECT_EQ(thread.GetResult(), QStringLiteral("late")) << "the outcome is still readable";
}

TEST_F(HttpThreadTest, OwnerDestroyedDuringTheRunIsForgotten)
{
    auto pSink = std::make_unique<MessageSink>();
    CHttpThread thread;
    ASSERT_TRUE(thread.OpenUrl(pSink.get(), Url("/hold"), 5));
    ASSERT_TRUE(m_entered.Wait());
    pSink.reset();
    m_release.Open();
    ASSERT_TRUE(thread.Join(CThread::kWaitForever));
    QCoreApplication::processEvents();  // would deliver to the dead owner if it were posted
}

TEST_F(HttpThreadTest, DestroyingARunningThreadWaitsForIt)
{
    MessageSink sink;
    std::thread release;
    {
        CHttpThread thread;
        ASSERT_TRUE(thread.OpenUrl(&sink, Url("/hold"), 5));
        ASSERT_TRUE(m_entered.Wait());
        release = std::thread([this] {
            std::this_thread::sleep_for(50ms);
            m_release.Open();
        });
    }
    release.join();
    ASSERT_TRUE(PumpEventsUntil([&] { return !sink.m_messages.empty(); }));
    EXPECT_EQ(sink.m_messages[0].wParam, static_cast<quintptr>(CHttpThread::END_INTERRUPTED));
}

}  // namespace
