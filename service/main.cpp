// tamo-service: serves the outside web services of the desktop calendar on one host and port.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <pthread.h>

#include <QCoreApplication>
#include <QDir>

#include "service/DemoSeed.h"
#include "service/DemoUpdate.h"
#include "service/TamoService.h"

using tamo::service::CTamoService;
using tamo::service::SServiceOptions;

namespace {

const char kUsage[] =
    "usage: tamo-service [options]\n"
    "  --db FILE              database file (default $XDG_DATA_HOME/Tamo/service.sqlite; :memory: for none)\n"
    "  --host ADDRESS         address to listen on (default 127.0.0.1)\n"
    "  --port N               port (default 0: a free one; the port is printed)\n"
    "  --seed demo            create the demo account (id demo, password tamo1234) when missing\n"
    "  --write-config FILE    write the client's service.ini for this server\n"
    "  --session-idle SECONDS sessions end after this idle time (default 3600)\n"
    "  --update-dir DIR       serve the version document and update files from DIR\n"
    "  --update-current VER   the announced version when DIR has no version.xml (default " TAMO_VERSION ")\n"
    "  --update-demo DIR      write the demo installer into DIR and serve DIR\n"
    "  --salt HEX --iv HEX    the text cipher's 16-byte salt and 8-byte IV\n"
    "  --mail-domain DOMAIN   domain of the to-do identities written to service.ini\n"
    "  --max-body BYTES       largest request body (default 1048576)\n"
    "  --test-hooks           enable the /_test/ hooks (loopback only)\n";

std::string DefaultDatabase()
{
    std::string data = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    if (data.empty())
        data = std::string(std::getenv("HOME") ? std::getenv("HOME") : ".") + "/.local/share";
    QDir().mkpath(QString::fromStdString(data + "/Tamo"));
    return data + "/Tamo/service.sqlite";
}

bool ParseInt(const char* text, long min, long max, long& out)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!end || *end != '\0' || end == text || value < min || value > max)
        return false;
    out = value;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    // Signals are taken by one thread that stops the server; everything else runs normally.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    SServiceOptions options;
    options.databasePath.clear();
    std::string seed;
    std::string configPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "tamo-service: %s needs a value\n%s", arg.c_str(), kUsage);
                std::exit(2);
            }
            return argv[++i];
        };
        long n = 0;
        if (arg == "--db") {
            options.databasePath = value();
        } else if (arg == "--host") {
            options.host = value();
        } else if (arg == "--port") {
            if (!ParseInt(value(), 0, 65535, n)) {
                std::fprintf(stderr, "tamo-service: --port 0 to 65535\n");
                return 2;
            }
            options.port = int(n);
        } else if (arg == "--seed") {
            seed = value();
            if (seed != "demo") {
                std::fprintf(stderr, "tamo-service: the only seed is \"demo\"\n");
                return 2;
            }
        } else if (arg == "--write-config") {
            configPath = value();
        } else if (arg == "--session-idle") {
            if (!ParseInt(value(), 1, 365L * 24 * 3600, n)) {
                std::fprintf(stderr, "tamo-service: --session-idle takes seconds\n");
                return 2;
            }
            options.sessionIdleSeconds = int(n);
        } else if (arg == "--update-dir") {
            options.updateDir = value();
        } else if (arg == "--update-demo") {
            options.updateDir = value();
            std::string error;
            if (!tamo::service::WriteDemoInstaller(options.updateDir, error)) {
                std::fprintf(stderr, "tamo-service: %s\n", error.c_str());
                return 1;
            }
        } else if (arg == "--update-current") {
            options.updateCurrent = value();
        } else if (arg == "--salt") {
            options.cipherSaltHex = value();
        } else if (arg == "--iv") {
            options.cipherIvHex = value();
        } else if (arg == "--mail-domain") {
            options.mailDomain = value();
        } else if (arg == "--max-body") {
            if (!ParseInt(value(), 1024, 1L << 30, n)) {
                std::fprintf(stderr, "tamo-service: --max-body 1024 to 1073741824\n");
                return 2;
            }
            options.maxBodyBytes = size_t(n);
        } else if (arg == "--test-hooks") {
            options.testHooks = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "tamo-service: unknown option %s\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }
    if (options.databasePath.empty())
        options.databasePath = DefaultDatabase();

    CTamoService service(options);
    if (!service.Open() || (seed == "demo" && !service.SeedDemo()) || !service.Bind()) {
        std::fprintf(stderr, "tamo-service: %s\n", service.LastError().c_str());
        return 1;
    }
    if (!configPath.empty() && !service.WriteConfig(configPath)) {
        std::fprintf(stderr, "tamo-service: cannot write %s\n", configPath.c_str());
        return 1;
    }
    std::printf("tamo-service listening on %s\nport %d\n", service.BaseUrl().c_str(), service.Port());
    if (seed == "demo")
        std::printf("demo account: id %s, password %s\n", tamo::service::kDemoLogin, tamo::service::kDemoPassword);
    std::fflush(stdout);

    std::thread waiter([&service, stopSignals] {
        int received = 0;
        sigwait(&stopSignals, &received);
        service.Stop();
    });
    service.Serve();
    // Serving ended by other means than a signal: wake the waiter so it can end too.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    return 0;
}
