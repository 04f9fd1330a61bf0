// Small form posts one after another on one session, as a sync run sends them: the client's
// cost per request when every post reuses the kept-alive connection.
#include <benchmark/benchmark.h>

#include "base/HttpClient.h"
#include "support/LoopbackServer.h"

namespace {

void BM_FormPost(benchmark::State& state)
{
    tamo::test::LoopbackServer server;
    // Headers and body leave in two writes; without this the answer waits for a delayed ack.
    server.Server().set_tcp_nodelay(true);
    server.Server().Post("/form", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("ok " + std::to_string(req.body.size()), "text/plain");
    });
    server.Start();
    const QString url = QString::fromStdString(server.Url("/form"));
    const QString header = QStringLiteral("Content-Type: application/x-www-form-urlencoded");
    const QByteArray body = QByteArrayLiteral("todo[title]=%ED%95%A0%20%EC%9D%BC&todo[priority]=3&todo[due_at]=20071121");
    CHttpSession session;
    for (auto _ : state) {
        CHttpClient http(&session);
        if (!http.Open(QStringLiteral("POST"), url) || !http.Send(header, -1, body.constData(), DWORD(body.size()))) {
            state.SkipWithError("request failed");
            break;
        }
        benchmark::DoNotOptimize(http.ReadAll(CP_UTF8, -1).size());
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}

BENCHMARK(BM_FormPost)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(2.0);

}  // namespace
