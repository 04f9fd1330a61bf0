// TamoSup against real servers: tamo-service as a process, loopback servers for the downloads
// that go wrong, and the program itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "support/LoopbackServer.h"
#include "support/TestEnvironment.h"
#include "updater/MainDlg.h"

using tamo::test::LoopbackServer;

namespace {

const QString kMsgDescription = QStringLiteral("updater.xml 버전정보를 읽기 실패하였습니다.");
const QString kMsgNoVersionUrl = QStringLiteral("version URL 정보가 없어 실패하였습니다.");
const QString kMsgParameter = QStringLiteral("파라미터 정보가 올바르지 않습니다.");
const QString kMsgVersion = QStringLiteral("버전정보를 읽기 실패하였습니다.");
const QString kMsgDigest = QStringLiteral("받은 업데이트 파일이 올바르지 않아 실행하지 않았습니다.");

QString BinPath(const QString& name) { return QDir(tamo::test::BinaryDir()).filePath(QStringLiteral("bin/") + name); }

// An installer: a script that appends its mark to the record file each time it runs.
QByteArray Installer(const QString& record, const QString& mark)
{
    return "#!/bin/sh\nprintf '%s\\n' '" + mark.toUtf8() + "' >> '" + record.toUtf8() + "'\n";
}

QStringList Lines(const QString& path)
{
    return QString::fromUtf8(tamo::test::ReadFile(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool WaitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The download folders TamoSup has left in the temporary folder.
QStringList DownloadFolders()
{
    return QDir(QDir::tempPath()).entryList({QStringLiteral("TamoSup-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
}

void RemoveDownloadFolders()
{
    for (const QString& name : DownloadFolders())
        QDir(QDir(QDir::tempPath()).filePath(name)).removeRecursively();
}

QString XmlEscape(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&amp;")).replace(QLatin1Char('"'), QLatin1String("&quot;"))
        .replace(QLatin1Char('<'), QLatin1String("&lt;"));
}

// A description in its own folder; `body` is the root's children.
QString WriteDescription(const QTemporaryDir& dir, const QString& body)
{
    const QString path = dir.filePath(QStringLiteral("updater.xml"));
    tamo::test::WriteFile(path, ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tamo>" + body + "</tamo>\n").toUtf8());
    return path;
}

QString VersionUrlElement(const QString& url) { return QStringLiteral("<versionurl>%1</versionurl>").arg(XmlEscape(url)); }

struct SRun {
    int nResult = 0;
    QStringList messages;
    QList<int> bar;  // the bar's values seen while the window ran
    QString localFile;
    QString folder;
};

// Runs the window to its end; `during` is called once the download runs.
SRun RunWindow(const QString& description, const QStringList& arguments,
               const std::function<void(CMainDlg&)>& during = {})
{
    SRun run;
    CMainDlg dlg(description, arguments);
    dlg.m_fnMessage = [&run](const QString& text) { run.messages << text; };
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &dlg, [&] {
        run.bar << dlg.ProgressBar()->value();
        if (during && dlg.IsDownloading())
            during(dlg);
    });
    sampler.start(50);
    run.nResult = dlg.DoModal();
    run.localFile = dlg.LocalFile();
    run.folder = dlg.PrivateFolder();
    run.bar << dlg.ProgressBar()->value();
    return run;
}

// tamo-service as a process of its own, on a free port.
class CServiceProcess {
public:
    bool Start(const QStringList& options)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(BinPath(QStringLiteral("tamo-service")),
                        QStringList{QStringLiteral("--db"), QStringLiteral(":memory:"), QStringLiteral("--port"),
                                    QStringLiteral("0")} + options);
        QElapsedTimer timer;
        timer.start();
        QByteArray out;
        while (timer.elapsed() < 30000 && m_process.state() != QProcess::NotRunning) {
            m_process.waitForReadyRead(200);
            out += m_process.readAllStandardOutput();
            for (const QByteArray& line : out.split('\n')) {
                if (line.startsWith("port ") && out.contains("port " + line.mid(5) + "\n")) {
                    m_port = line.mid(5).toInt();
                    return m_port > 0;
                }
            }
        }
        return false;
    }
    ~CServiceProcess()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
    QString Url(const QString& path) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path); }

private:
    QProcess m_process;
    int m_port = 0;
};

}  // namespace

class UpdaterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveDownloadFolders();
        m_record = m_work.filePath(QStringLiteral("record.txt"));
    }
    void TearDown() override { RemoveDownloadFolders(); }

    QTemporaryDir m_work;
    QString m_record;
};

TEST(UpdateEntryChoice, ComparesTheBoundsAsText)
{
    const QList<SUpdateEntry> entries = {{"1.0.0.0", "1.0.0.1", "a", {}},
                                         {"1.0.0.2", "1.0.0.9", "b", {}},
                                         {"1.0.0.0", "1.0.0.9", "c", {}}};
    const struct {
        const char* version;
        int expected;
    } cases[] = {
        {"1.0.0.0", 0}, {"1.0.0.1", 0}, {"1.0.0.2", 1}, {"1.0.0.9", 1},
        {"1.0.0.10", 2},  // between "1.0.0.0" and "1.0.0.9" as text, though not as numbers
        {"1.0.1", -1}, {"0.9", -1}, {"", -1},
        {"1.0.0.2a", 1},  // text, not numbers: a suffix sorts after its stem
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseUpdateEntry(entries, QString::fromLatin1(c.version)), c.expected) << c.version;
}

TEST(UpdateEntryChoice, FileNamesStayInTheirFolder)
{
    for (const char* good : {"tamo_update.exe", "setup", "a.b.c"})
        EXPECT_TRUE(IsPlainFileName(QString::fromLatin1(good))) << good;
    for (const char* bad : {"", "../x", "..", "a/b", "/tmp/x", "a\\b", "x..y"})
        EXPECT_FALSE(IsPlainFileName(QString::fromLatin1(bad))) << bad;
}

// Against tamo-service with a version document the test writes: which entry's file runs.
TEST_F(UpdaterTest, ChoosesTheEntryForTheCallersVersion)
{
    QTemporaryDir updates;
    for (const char* mark : {"a", "b", "c"})
        ASSERT_TRUE(tamo::test::WriteFile(updates.filePath(QString::fromLatin1(mark) + ".sh"),
                                          Installer(m_record, QString::fromLatin1(mark))));
    CServiceProcess service;
    ASSERT_TRUE(service.Start({QStringLiteral("--update-dir"), updates.path()}));
    const QString doc = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<version current=\"2.0-RC\">\n"
        "<update minVersion=\"1.0.0.0\" maxVersion=\"1.0.0.1\" url=\"%1\"/>\n"
        "<update minVersion=\"1.0.0.2\" maxVersion=\"1.0.0.9\" url=\"%2\"/>\n"
        "<update minVersion=\"1.0.0.0\" maxVersion=\"1.0.0.9\" url=\"%3\"/>\n"
        "<update minVersion=\"3\" maxVersion=\"4\" url=\"\"/>\n</version>\n")
        .arg(service.Url("/update/files/a.sh"), service.Url("/update/files/b.sh"), service.Url("/update/files/c.sh"));
    ASSERT_TRUE(tamo::test::WriteFile(updates.filePath(QStringLiteral("version.xml")), doc.toUtf8()));
    const QString description = WriteDescription(m_work, VersionUrlElement(service.Url("/update/version.xml")));

    const struct {
        const char* version;
        const char* ran;  // the installer that ran, empty: none
        int result;
    } cases[] = {
        {"1.0.0.1", "a", 1},
        {"1.0.0.2", "b", 1},
        {"1.0.0.10", "c", 1},  // the text-comparison case
        {"1.0.1", "", 1},      // no entry applies
        {"3.5", "", 1},        // the entry applies but names no file
        {"2.0-rc", "", 1},     // the announced version, in other letter case
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        QFile::remove(m_record);
        RemoveDownloadFolders();
        const SRun run = RunWindow(description, {QStringLiteral("--ignored"), QString::fromLatin1(c.version)});
        EXPECT_EQ(run.nResult, c.result);
        EXPECT_TRUE(run.messages.isEmpty()) << run.messages.join(QLatin1Char('|')).toStdString();
        if (*c.ran) {
            ASSERT_TRUE(WaitFor([&] { return !Lines(m_record).isEmpty(); }, 20000));
            EXPECT_EQ(Lines(m_record), QStringList{QString::fromLatin1(c.ran)});
        } else {
            EXPECT_TRUE(run.localFile.isEmpty());
            EXPECT_TRUE(DownloadFolders().isEmpty());
            EXPECT_FALSE(QFile::exists(m_record));
        }
    }
}

// Each reported failure: its message, result 1, nothing downloaded.
TEST_F(UpdaterTest, ReportsBrokenDescriptionsAndVersionDocuments)
{
    LoopbackServer server;
    auto xml = [](const char* body) {
        return [body](const httplib::Request&, httplib::Response& res) { res.set_content(body, "text/xml"); };
    };
    server.Server().Get("/no-current", xml("<version><update minVersion=\"0\" maxVersion=\"9\" url=\"http://127.0.0.1:1/x\"/></version>"));
    server.Server().Get("/other-root", xml("<versions current=\"2\"/>"));
    server.Server().Get("/html", [](const httplib::Request&, httplib::Response& res) {
        res.status = 404;
        res.set_content("<html><body>not here</body></html>", "text/html");
    });
    server.Start();
    const QString url = QString::fromStdString(server.Url("/"));
    const QString refused = QStringLiteral("http://127.0.0.1:%1/version.xml").arg(tamo::test::UnusedLoopbackPort());

    const struct {
        const char* name;
        QString body;  // the description's children; null: no description at all
        QStringList arguments;
        QString message;
    } cases[] = {
        {"no description", QString(), {}, kMsgDescription},  // reported before the missing argument
        {"not XML", QStringLiteral("<<<"), {"1.0"}, kMsgDescription},
        {"no versionurl", QStringLiteral("<filename>x</filename>"), {"1.0"}, kMsgNoVersionUrl},
        {"file name with a path", VersionUrlElement(url + "html") + "<filename>../evil</filename>", {"1.0"}, kMsgDescription},
        {"no argument", VersionUrlElement(url + "html"), {}, kMsgParameter},
        {"nothing listens", VersionUrlElement(refused), {"1.0"}, kMsgVersion},
        {"error page", VersionUrlElement(url + "html"), {"1.0"}, kMsgVersion},
        {"other root", VersionUrlElement(url + "other-root"), {"1.0"}, kMsgVersion},
        {"no current", VersionUrlElement(url + "no-current"), {"1.0"}, kMsgVersion},
        {"not a web address", VersionUrlElement("file:///etc/passwd"), {"1.0"}, kMsgVersion},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString description = c.body.isNull() ? dir.filePath(QStringLiteral("updater.xml")) : WriteDescription(dir, c.body);
        if (c.body == QLatin1String("<<<"))
            tamo::test::WriteFile(description, "<<<");
        const SRun run = RunWindow(description, c.arguments);
        EXPECT_EQ(run.nResult, 1);
        EXPECT_EQ(run.messages, QStringList{c.message});
        EXPECT_TRUE(DownloadFolders().isEmpty());
    }
}

// A download that takes a few seconds: the bar rises, the installer is made executable and
// runs once from TamoSup's own folder, the result is 1.
TEST_F(UpdaterTest, SlowDownloadRaisesTheBarAndRunsTheInstallerOnce)
{
    const QByteArray setup = Installer(m_record, QStringLiteral("ran")) + "# " + QByteArray(8000, 'x') + "\n";
    LoopbackServer server;
    server.Server().Get("/setup", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(size_t(setup.size()), "application/octet-stream",
                                 [&](size_t offset, size_t, httplib::DataSink& sink) {
                                     std::this_thread::sleep_for(std::chrono::milliseconds(400));
                                     const size_t n = std::min<size_t>(1000, size_t(setup.size()) - offset);
                                     return sink.write(setup.constData() + offset, n);
                                 });
    });
    std::string doc;
    std::atomic<int> agents{0};  // requests that named an agent: the update program names none
    server.Server().Get("/version.xml", [&](const httplib::Request& req, httplib::Response& res) {
        agents += req.has_header("User-Agent") ? 1 : 0;
        res.set_content(doc, "text/xml");
    });
    server.Start();
    const QByteArray digest = QCryptographicHash::hash(setup, QCryptographicHash::Sha256).toHex();
    doc = "<version current=\"2.0\"><update minVersion=\"1.0\" maxVersion=\"1.9\" url=\"" + server.Url("/setup") +
          "\" sha256=\"" + digest.toStdString() + "\"/></version>";
    const QString description = WriteDescription(
        m_work, VersionUrlElement(QString::fromStdString(server.Url("/version.xml"))) + "<filename>setup.sh</filename><title>새 버전</title>");

    const SRun run = RunWindow(description, {QStringLiteral("1.5")});
    EXPECT_EQ(run.nResult, 1);
    EXPECT_TRUE(run.messages.isEmpty());
    EXPECT_TRUE(std::any_of(run.bar.begin(), run.bar.end(), [](int v) { return v > 0 && v < 10000; }));
    EXPECT_TRUE(std::is_sorted(run.bar.begin(), run.bar.end()));
    EXPECT_EQ(run.bar.last(), 10000);
    EXPECT_EQ(QFileInfo(run.localFile).fileName(), QStringLiteral("setup.sh"));
    EXPECT_EQ(QFileInfo(run.localFile).absolutePath(), run.folder);
    EXPECT_EQ(tamo::test::ModeOf(run.folder), 0700);
    EXPECT_EQ(tamo::test::ModeOf(run.localFile), 0700);
    ASSERT_TRUE(WaitFor([&] { return !Lines(m_record).isEmpty(); }, 20000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(Lines(m_record), QStringList{QStringLiteral("ran")});
    EXPECT_EQ(agents.load(), 0);
}

// Downloads that fail: result 2, no file and no folder left, nothing run.
TEST_F(UpdaterTest, FailedDownloadsLeaveNothingAndRunNothing)
{
    const QByteArray setup = Installer(m_record, QStringLiteral("ran"));
    LoopbackServer server;
    server.Server().Get("/setup", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(setup.toStdString(), "application/octet-stream");
    });
    server.Server().Get("/missing", [](const httplib::Request&, httplib::Response& res) {
        res.status = 404;
        res.set_content("no such file", "text/plain");
    });
    // Announces 5000 bytes, sends a whole working script, then closes the connection.
    server.Server().Get("/cut", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(5000, "application/octet-stream", [&](size_t offset, size_t, httplib::DataSink& sink) {
            if (offset > 0)
                return false;
            return sink.write(setup.constData(), size_t(setup.size()));
        });
    });
    std::string doc;
    server.Server().Get("/version.xml", [&](const httplib::Request&, httplib::Response& res) { res.set_content(doc, "text/xml"); });
    server.Start();
    const QString description = WriteDescription(m_work, VersionUrlElement(QString::fromStdString(server.Url("/version.xml"))));

    const QByteArray wrong = QCryptographicHash::hash("something else", QCryptographicHash::Sha256).toHex();
    const struct {
        const char* name;
        std::string entry;
        QStringList messages;
    } cases[] = {
        {"404", "url=\"" + server.Url("/missing") + "\"", {}},
        {"cut short", "url=\"" + server.Url("/cut") + "\"", {}},
        {"wrong digest", "url=\"" + server.Url("/setup") + "\" sha256=\"" + wrong.toStdString() + "\"", {kMsgDigest}},
        {"nothing listens", "url=\"http://127.0.0.1:" + std::to_string(tamo::test::UnusedLoopbackPort()) + "/x\"", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        doc = "<version current=\"2.0\"><update minVersion=\"1.0\" maxVersion=\"1.9\" " + c.entry + "/></version>";
        const SRun run = RunWindow(description, {QStringLiteral("1.0")});
        EXPECT_EQ(run.nResult, 2);
        EXPECT_EQ(run.messages, c.messages);
        EXPECT_FALSE(run.localFile.isEmpty());
        EXPECT_FALSE(QFile::exists(run.localFile));
        EXPECT_TRUE(DownloadFolders().isEmpty());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_FALSE(QFile::exists(m_record));
}

// Cancel while the file arrives: the worker stops, the partial file and its folder go, result 2.
TEST_F(UpdaterTest, CancelMidwayDeletesThePartialFile)
{
    const QByteArray setup = Installer(m_record, QStringLiteral("ran")) + "# " + QByteArray(50000, 'x') + "\n";
    std::atomic<bool> stop{false};
    LoopbackServer server;
    server.Server().Get("/setup", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(size_t(setup.size()), "application/octet-stream",
                                 [&](size_t offset, size_t, httplib::DataSink& sink) {
                                     if (stop.load())
                                         return false;
                                     std::this_thread::sleep_for(std::chrono::milliseconds(100));
                                     return sink.write(setup.constData() + offset, std::min<size_t>(500, size_t(setup.size()) - offset));
                                 });
    });
    std::string doc;
    server.Server().Get("/version.xml", [&](const httplib::Request&, httplib::Response& res) { res.set_content(doc, "text/xml"); });
    server.Start();
    doc = "<version current=\"2.0\"><update minVersion=\"1.0\" maxVersion=\"1.9\" url=\"" + server.Url("/setup") +
          "\"/></version>";
    const QString description = WriteDescription(m_work, VersionUrlElement(QString::fromStdString(server.Url("/version.xml"))));

    bool bPartialSeen = false;
    const SRun run = RunWindow(description, {QStringLiteral("1.0")}, [&](CMainDlg& dlg) {
        if (QFileInfo(dlg.LocalFile()).size() > 0 && dlg.ProgressBar()->value() > 0) {
            bPartialSeen = true;
            dlg.CancelButton()->click();
        }
    });
    stop.store(true);
    EXPECT_TRUE(bPartialSeen);
    EXPECT_EQ(run.nResult, 2);
    EXPECT_LT(run.bar.last(), 10000);
    EXPECT_FALSE(QFile::exists(run.localFile));
    EXPECT_TRUE(DownloadFolders().isEmpty());
    EXPECT_FALSE(QFile::exists(m_record));
}

// The program itself, beside its description, against tamo-service's demo update: the version
// address is a path on the configured update service.
TEST_F(UpdaterTest, TheProgramRunsTheDemoUpdateOfTheService)
{
    QTemporaryDir updates, program;
    const QString config = m_work.filePath(QStringLiteral("service.ini"));
    CServiceProcess service;
    ASSERT_TRUE(service.Start({QStringLiteral("--update-demo"), updates.path(), QStringLiteral("--update-current"),
                               QStringLiteral("1.0.1"), QStringLiteral("--write-config"), config}));
    const QString tamoSup = program.filePath(QStringLiteral("TamoSup"));
    ASSERT_TRUE(QFile::copy(BinPath(QStringLiteral("TamoSup")), tamoSup));
    WriteDescription(program, VersionUrlElement(QStringLiteral("/update/version.xml")) + "<filename>tamo_update</filename>");

    auto runProgram = [&](const QStringList& arguments, QByteArray* err) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TAMO_SERVICE_CONFIG"), config);
        env.insert(QStringLiteral("TAMO_TEST_ANSWER"), QStringLiteral("1"));
        env.insert(QStringLiteral("TAMO_DEMO_UPDATE_LOG"), m_record);
        process.setProcessEnvironment(env);
        process.start(tamoSup, arguments);
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return -100;
        }
        *err = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -200;
    };

    QByteArray err;
    EXPECT_EQ(runProgram({}, &err), 1);
    EXPECT_TRUE(QString::fromUtf8(err).contains(kMsgParameter)) << err.toStdString();

    EXPECT_EQ(runProgram({QStringLiteral("1.0.1")}, &err), 1);  // up to date: nothing fetched
    EXPECT_TRUE(DownloadFolders().isEmpty());

    EXPECT_EQ(runProgram({QStringLiteral("1.0.0")}, &err), 1);
    ASSERT_TRUE(WaitFor([&] { return !Lines(m_record).isEmpty(); }, 20000)) << err.toStdString();
    EXPECT_EQ(Lines(m_record).size(), 1);
    EXPECT_TRUE(Lines(m_record).first().contains(QStringLiteral("demo update ran")));
    EXPECT_EQ(DownloadFolders().size(), 1);  // TamoSync removes it at its next start
}
