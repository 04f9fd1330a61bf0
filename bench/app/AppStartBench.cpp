// The desktop program's start against its floor, in one run: TamoSync signed in to the demo
// account of a tamo-service on loopback, offscreen, with and without the web view, beside
// bench_app_floor (the least a Qt WebEngine program does to show the same page signed in).
// Each start is a new process; its steps come from the marks it writes (TAMO_STARTUP_TRACE) in
// CLOCK_MONOTONIC time, against the time taken just before it was started. Then the three idle
// for a minute side by side and their memory is summed over each process tree (Chromium's
// helper processes included).
//
//   bench_app [--runs N] [--idle SECONDS] [--compare OTHER_TAMOSYNC]
// --compare starts another build of the program (an older one, say) with the web view in the
// same turns, so that both are measured against the same floor on the same machine load.
#include <signal.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "base/HttpClient.h"
#include "base/ServiceEndpoints.h"
#include "base/SignInCheck.h"

namespace {

const QString kUser = QStringLiteral("demo");
const QString kPassword = QStringLiteral("tamo1234");

double NowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// One started program: its marks (milliseconds after the start) read from its error output.
class CChild {
public:
    CChild(const QString& program, const QStringList& args, const QProcessEnvironment& env, const QString& log)
        : m_strLog(log)
    {
        m_proc.setProgram(program);
        m_proc.setArguments(args);
        m_proc.setProcessEnvironment(env);
        m_proc.setStandardOutputFile(QProcess::nullDevice());
        m_proc.setStandardErrorFile(log);
        // Its own process group, so that Chromium's helpers end with it.
        m_proc.setChildProcessModifier([] { ::setpgid(0, 0); });
        m_t0 = NowMs();
        m_proc.start();
    }

    ~CChild() { Stop(); }

    bool WaitFor(const char* szStep, int timeoutMs)
    {
        const double until = NowMs() + timeoutMs;
        while (NowMs() < until) {
            ReadMarks();
            if (m_marks.count(szStep))
                return true;
            if (m_proc.state() == QProcess::NotRunning)
                return false;
            QThread::msleep(5);
        }
        return false;
    }

    double Mark(const std::string& step) const
    {
        const auto found = m_marks.find(step);
        return found == m_marks.end() ? -1 : found->second;
    }
    const std::map<std::string, double>& Marks() const { return m_marks; }
    const std::vector<std::string>& Order() const { return m_order; }
    pid_t Pid() const { return pid_t(m_proc.processId()); }

    void Stop()
    {
        const pid_t pid = Pid();
        if (pid <= 0)
            return;
        ::kill(-pid, SIGTERM);
        if (!m_proc.waitForFinished(5000)) {
            ::kill(-pid, SIGKILL);
            m_proc.waitForFinished(2000);
        }
        // Helpers that outlived the program's own process.
        ::kill(-pid, SIGKILL);
    }

private:
    void ReadMarks()
    {
        QFile file(m_strLog);
        if (!file.open(QIODevice::ReadOnly))
            return;
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (const QByteArray& line : lines) {
            if (!line.startsWith("tamo-startup "))
                continue;
            const QList<QByteArray> f = line.split(' ');
            if (f.size() != 3 || m_marks.count(f[1].toStdString()))
                continue;
            bool ok = false;
            const double us = f[2].toDouble(&ok);
            if (!ok)
                continue;
            m_marks[f[1].toStdString()] = us / 1000.0 - m_t0;
            m_order.push_back(f[1].toStdString());
        }
    }

    QProcess m_proc;
    QString m_strLog;
    double m_t0 = 0;
    std::map<std::string, double> m_marks;
    std::vector<std::string> m_order;
};

struct SMemory {
    int processes = 0;
    qint64 rssKb = 0;
    qint64 pssKb = 0;
    bool pssKnown = true;
};

qint64 FieldKb(const QByteArray& text, const QByteArray& name)
{
    const int at = text.indexOf("\n" + name);
    const int start = at < 0 ? (text.startsWith(name) ? 0 : -1) : at + 1;
    if (start < 0)
        return -1;
    QByteArray rest = text.mid(start + name.size());
    rest = rest.left(rest.indexOf('\n')).trimmed();
    return rest.split(' ').value(0).toLongLong();
}

// VmRSS and PSS summed over the process and all its descendants.
SMemory TreeMemory(pid_t root)
{
    std::multimap<pid_t, pid_t> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const pid_t pid = entry.toInt(&ok);
        if (!ok)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const int close = text.lastIndexOf(')');
        const QList<QByteArray> f = text.mid(close + 2).split(' ');
        if (f.size() > 1)
            children.emplace(pid_t(f[1].toInt()), pid);
    }
    SMemory memory;
    std::vector<pid_t> todo{root};
    std::set<pid_t> seen;
    while (!todo.empty()) {
        const pid_t pid = todo.back();
        todo.pop_back();
        if (!seen.insert(pid).second)
            continue;
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (status.open(QIODevice::ReadOnly)) {
            ++memory.processes;
            memory.rssKb += std::max<qint64>(0, FieldKb(status.readAll(), "VmRSS:"));
        }
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        const qint64 pss = rollup.open(QIODevice::ReadOnly) ? FieldKb(rollup.readAll(), "Pss:") : -1;
        if (pss < 0)
            memory.pssKnown = false;
        else
            memory.pssKb += pss;
        const auto range = children.equal_range(pid);
        for (auto it = range.first; it != range.second; ++it)
            todo.push_back(it->second);
    }
    return memory;
}

struct SVariant {
    const char* name;
    bool floor;
    bool web;
    QString program;  // TamoSync, or another build of it to compare with
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int nRuns = 9;
    int nIdleSeconds = 60;
    QString compare;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--compare"))
            compare = QFileInfo(args[i + 1]).absoluteFilePath();
        else if (args[i] == QLatin1String("--runs"))
            nRuns = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--idle"))
            nIdleSeconds = std::max(0, args[i + 1].toInt());
    }
    const QString binDir = QCoreApplication::applicationDirPath();
    QTemporaryDir work;
    if (!work.isValid())
        return 1;
    const QString dir = work.path();

    // The service: a fresh database with the demo account, its address written for the program.
    const QString config = dir + QStringLiteral("/service.ini");
    QProcess service;
    service.setProgram(binDir + QStringLiteral("/tamo-service"));
    service.setArguments({QStringLiteral("--seed"), QStringLiteral("demo"), QStringLiteral("--db"),
                          dir + QStringLiteral("/service.sqlite"), QStringLiteral("--port"), QStringLiteral("0"),
                          QStringLiteral("--write-config"), config});
    service.setStandardOutputFile(dir + QStringLiteral("/service.log"));
    service.setStandardErrorFile(QProcess::nullDevice());
    service.start();
    for (int i = 0; i < 200; ++i) {
        QFile log(dir + QStringLiteral("/service.log"));
        if (log.open(QIODevice::ReadOnly) && log.readAll().contains("listening"))
            break;
        QThread::msleep(25);
    }
    qputenv("TAMO_SERVICE_CONFIG", config.toLocal8Bit());

    // The floor's session: the same sign-in the program makes, its cookies handed over.
    const signin::Result session = signin::Check(kUser, kPassword);
    if (!session.ok) {
        std::fprintf(stderr, "bench_app: the demo account did not sign in (error %d)\n", session.error);
        return 1;
    }
    const QString cookies = CHttpSession::Default().CookieLines().join(QLatin1Char('\n'));
    const QString pageUrl = CServiceConfig::Current().Url(Service::Calendar, endpoints::kMessengerTodo);

    const QString program = binDir + QStringLiteral("/TamoSync");
    std::vector<SVariant> variants = {{"floor", true, true, QString()},
                                      {"web", false, true, program},
                                      {"no-web", false, false, program}};
    if (!compare.isEmpty())
        variants.push_back({"compared", false, true, compare});
    auto environment = [&](const SVariant& v) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString home = dir + QLatin1Char('/') + QLatin1String(v.name);
        for (const char* sub : {"config", "data", "run", "tmp"})
            QDir().mkpath(home + QLatin1Char('/') + QLatin1String(sub));
        QFile::setPermissions(home + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
        env.insert(QStringLiteral("TMPDIR"), home + QStringLiteral("/tmp"));
        env.insert(QStringLiteral("TAMO_SERVICE_CONFIG"), config);
        env.insert(QStringLiteral("TAMO_MAPI_STORE"), home + QStringLiteral("/outlook.sqlite"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TAMO_STARTUP_TRACE"), QStringLiteral("1"));
        env.insert(QStringLiteral("TAMO_STARTUP_NO_WEB"), v.web ? QStringLiteral("0") : QStringLiteral("1"));
        env.insert(QStringLiteral("TAMO_PASSWORD"), kPassword);
        env.insert(QStringLiteral("TAMO_BENCH_COOKIES"), cookies);
        return env;
    };
    int nLog = 0;
    auto start = [&](const SVariant& v, bool saveAccount) {
        const QString log = dir + QStringLiteral("/%1-%2.log").arg(QLatin1String(v.name)).arg(++nLog);
        if (v.floor)
            return std::make_unique<CChild>(binDir + QStringLiteral("/bench_app_floor"), QStringList{pageUrl},
                                            environment(v), log);
        QStringList a;
        if (saveAccount)
            a << QStringLiteral("--save-account") << kUser;
        return std::make_unique<CChild>(v.program, a, environment(v), log);
    };

    // A first start of each, not counted: it saves the account and warms the file cache.
    for (const SVariant& v : variants) {
        auto child = start(v, true);
        if (!child->WaitFor("ready", 30000)) {
            std::fprintf(stderr, "bench_app: %s did not get ready (log in %s)\n", v.name, qPrintable(dir));
            work.setAutoRemove(false);
            return 1;
        }
    }

    // The starts, the three in turn so that the machine's drift falls on each alike.
    std::map<std::string, std::vector<double>> ready;
    std::map<std::string, std::map<std::string, std::vector<double>>> steps;
    std::map<std::string, std::vector<std::string>> order;
    for (int run = 0; run < nRuns; ++run) {
        for (const SVariant& v : variants) {
            auto child = start(v, false);
            if (!child->WaitFor("ready", 30000)) {
                std::fprintf(stderr, "bench_app: %s did not get ready (log in %s)\n", v.name, qPrintable(dir));
                work.setAutoRemove(false);
                return 1;
            }
            ready[v.name].push_back(child->Mark("ready"));
            for (const auto& [step, ms] : child->Marks())
                steps[v.name][step].push_back(ms);
            order[v.name] = child->Order();
        }
    }

    std::printf("Desktop program start, offscreen, signed in to the demo account (median of %d starts, ms "
                "from process start)\n\n",
                nRuns);
    for (const SVariant& v : variants) {
        std::printf("%s:", v.name);
        for (double ms : ready[v.name])
            std::printf(" %.0f", ms);
        std::printf("  -> median %.1f ms, least %.1f ms\n", Median(ready[v.name]),
                    *std::min_element(ready[v.name].begin(), ready[v.name].end()));
        for (const std::string& step : order[v.name])
            std::printf("    %-20s %8.1f\n", step.c_str(), Median(steps[v.name][step]));
    }
    const double web = Median(ready["web"]), floor = Median(ready["floor"]), noWeb = Median(ready["no-web"]);
    std::printf("\n(1) start to first paint, signed in, with the web view:    %8.1f ms\n", web);
    std::printf("(2) start to first paint, signed in, without the web view: %8.1f ms\n", noWeb);
    std::printf("(3) floor: Qt WebEngine program showing the same page:      %8.1f ms\n", floor);
    std::printf("program's own part (1)-(3):                                 %8.1f ms = %.1f %% of (1); ratio (1)/(3) = %.2f\n",
                web - floor, web > 0 ? 100.0 * (web - floor) / web : 0, floor > 0 ? web / floor : 0);
    // The same figures turn by turn (each start against the floor's start of its own turn), less
    // moved by the machine's load than the medians of each alone.
    auto pairedShare = [&](const char* name) {
        std::vector<double> share;
        for (size_t i = 0; i < std::min(ready[name].size(), ready["floor"].size()); ++i)
            share.push_back(100.0 * (ready[name][i] - ready["floor"][i]) / ready[name][i]);
        return Median(share);
    };
    std::printf("  turn by turn: own part %.1f %% of (1) (median over the turns)\n", pairedShare("web"));
    // The least of each stands for the machine without other load: the floor's Chromium start
    // suffers from load more than the program's timer wait does, so the medians flatter.
    auto least = [&](const char* name) { return *std::min_element(ready[name].begin(), ready[name].end()); };
    std::printf("  by the least of each: (1) %.1f ms, (3) %.1f ms, own part %.1f %% of (1)\n", least("web"),
                least("floor"), 100.0 * (least("web") - least("floor")) / least("web"));
    if (!compare.isEmpty()) {
        const double other = Median(ready["compared"]);
        std::vector<double> gain;
        for (size_t i = 0; i < std::min(ready["web"].size(), ready["compared"].size()); ++i)
            gain.push_back(ready["compared"][i] - ready["web"][i]);
        std::printf("compared program (%s), with the web view: %.1f ms; own part %.1f ms = %.1f %% of it "
                    "(turn by turn %.1f %%); it takes %.1f ms longer than (1), turn by turn\n",
                    qPrintable(compare), other, other - floor, other > 0 ? 100.0 * (other - floor) / other : 0,
                    pairedShare("compared"), Median(gain));
        std::printf("  by the least of each: %.1f ms, own part %.1f %% of it\n", least("compared"),
                    100.0 * (least("compared") - least("floor")) / least("compared"));
    }
    // The main window builds its panels (and signs in) on a 100 ms timer started as it opens.
    std::vector<double> panelWait;
    const auto& init = steps["web"]["dialog-init"];
    const auto& panels = steps["web"]["panels-made"];
    for (size_t i = 0; i < std::min(init.size(), panels.size()); ++i)
        panelWait.push_back(panels[i] - init[i]);
    std::printf("  of which the window's opening to its panels (100 ms timer):  %8.1f ms\n", Median(panelWait));

    // Memory after idling, the three side by side.
    if (nIdleSeconds > 0) {
        std::vector<std::unique_ptr<CChild>> idle;
        for (const SVariant& v : variants) {
            idle.push_back(start(v, false));
            if (!idle.back()->WaitFor("ready", 30000)) {
                std::fprintf(stderr, "bench_app: %s did not get ready for the idle run\n", v.name);
                return 1;
            }
        }
        QThread::sleep(nIdleSeconds);
        std::printf("\n(4) memory after %d s idle, summed over each process tree:\n", nIdleSeconds);
        for (size_t i = 0; i < idle.size(); ++i) {
            const SMemory m = TreeMemory(idle[i]->Pid());
            std::printf("    %-8s %2d processes  VmRSS %7.1f MiB  PSS %s\n", variants[i].name, m.processes,
                        double(m.rssKb) / 1024.0,
                        m.pssKnown ? qPrintable(QStringLiteral("%1 MiB").arg(double(m.pssKb) / 1024.0, 7, 'f', 1))
                                   : "unknown");
        }
    }
    std::fflush(stdout);
    service.terminate();
    service.waitForFinished(5000);
    return 0;
}
