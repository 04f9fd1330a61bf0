// ReadAll of a large body from a loopback server against its floor, a bare libcurl read of the
// same body in the same run: the client's cost per byte as a ratio, at two sizes so that growth
// can be seen to be linear.
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <mutex>
#include <string>

#include <QCoreApplication>

#include <curl/curl.h>

#include "base/HttpClient.h"
#include "support/LoopbackServer.h"

namespace {

// Hangul text: the conversion to UTF-16 is part of the work. Built once per size and served
// without copying, so that the server's own cost stays small and the same for both readers.
const std::string& Body(size_t size)
{
    static std::mutex mutex;
    static std::map<size_t, std::string> bodies;
    std::lock_guard lock(mutex);
    std::string& body = bodies[size];
    if (body.size() != size) {
        body.reserve(size);
        while (body.size() + 3 <= size)
            body += "일";
        body.resize(size, 'x');
    }
    return body;
}

tamo::test::LoopbackServer& Server()
{
    static tamo::test::LoopbackServer* server = [] {
        auto* s = new tamo::test::LoopbackServer;
        s->Server().Get("/bytes/(\\d+)", [](const httplib::Request& req, httplib::Response& res) {
            const std::string& body = Body(std::stoul(req.matches[1]));
            res.set_content_provider(body.size(), "text/plain; charset=utf-8",
                                     [&body](size_t offset, size_t length, httplib::DataSink& sink) {
                                         return sink.write(body.data() + offset, length);
                                     });
        });
        s->Start();
        return s;
    }();
    return *server;
}

size_t AppendBytes(char* data, size_t size, size_t count, void* user)
{
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

// The floor: one kept-alive easy handle, the body copied as it arrives into a buffer made to
// the known size (no growth, fresh memory as ReadAll's answer is).
class BareRead {
public:
    BareRead() : m_easy(curl_easy_init())
    {
        curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &AppendBytes);
        curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, &m_body);
    }
    ~BareRead() { curl_easy_cleanup(m_easy); }
    BareRead(const BareRead&) = delete;
    BareRead& operator=(const BareRead&) = delete;

    size_t Get(const std::string& url, size_t size)
    {
        std::string().swap(m_body);
        m_body.reserve(size);
        curl_easy_setopt(m_easy, CURLOPT_URL, url.c_str());
        return curl_easy_perform(m_easy) == CURLE_OK ? m_body.size() : 0;
    }

private:
    CURL* m_easy;
    std::string m_body;
};

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Each iteration reads the body once each way; the reported time is ReadAll's, the counters
// give the floor and ReadAll's time as a multiple of it.
void BM_ReadAll(benchmark::State& state)
{
    const auto size = size_t(state.range(0));
    const std::string path = "/bytes/" + std::to_string(size);
    const QString url = QString::fromStdString(Server().Url(path));
    const std::string bareUrl = Server().Url(path);
    Body(size);
    BareRead bare;
    double readAllSeconds = 0;
    double bareSeconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        if (bare.Get(bareUrl, size) != size) {
            state.SkipWithError("bare read failed");
            break;
        }
        bareSeconds += Seconds(start);

        start = std::chrono::steady_clock::now();
        CHttpClient http;
        if (!http.Open(QStringLiteral("GET"), url) || !http.Send(QString(), 0, nullptr, 0)) {
            state.SkipWithError("request failed");
            break;
        }
        const QString text = http.ReadAll(CP_UTF8, -1);
        benchmark::DoNotOptimize(text.size());
        const double seconds = Seconds(start);
        readAllSeconds += seconds;
        state.SetIterationTime(seconds);
    }
    const double bytes = double(state.iterations()) * double(size);
    state.SetBytesProcessed(int64_t(bytes));
    state.counters["bare_curl_MBps"] = bareSeconds > 0 ? bytes / bareSeconds / 1e6 : 0;
    state.counters["ReadAll_MBps"] = readAllSeconds > 0 ? bytes / readAllSeconds / 1e6 : 0;
    state.counters["ratio_to_floor"] = bareSeconds > 0 ? readAllSeconds / bareSeconds : 0;
}

BENCHMARK(BM_ReadAll)->Arg(16 << 20)->Arg(64 << 20)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2.0);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
