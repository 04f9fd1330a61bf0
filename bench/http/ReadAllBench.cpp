// ReadAll of a large body from a loopback server: the client's cost per byte, at two sizes so
// that growth can be seen to be linear.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "base/HttpClient.h"
#include "support/LoopbackServer.h"

namespace {

tamo::test::LoopbackServer& Server()
{
    static tamo::test::LoopbackServer* server = [] {
        auto* s = new tamo::test::LoopbackServer;
        s->Server().Get("/bytes/(\\d+)", [](const httplib::Request& req, httplib::Response& res) {
            // Hangul text: the conversion to UTF-16 is part of the work.
            const size_t size = std::stoul(req.matches[1]);
            std::string body;
            body.reserve(size);
            while (body.size() + 3 <= size)
                body += "일";
            body.resize(size, 'x');
            res.set_content(body, "text/plain; charset=utf-8");
        });
        s->Start();
        return s;
    }();
    return *server;
}

void BM_ReadAll(benchmark::State& state)
{
    const auto size = size_t(state.range(0));
    const QString url = QString::fromStdString(Server().Url("/bytes/" + std::to_string(size)));
    for (auto _ : state) {
        CHttpClient http;
        if (!http.Open(QStringLiteral("GET"), url) || !http.Send(QString(), 0, nullptr, 0)) {
            state.SkipWithError("request failed");
            break;
        }
        const QString text = http.ReadAll(CP_UTF8, -1);
        benchmark::DoNotOptimize(text.size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}

BENCHMARK(BM_ReadAll)->Arg(16 << 20)->Arg(64 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
