// TamoSync's start-up version check against tamo-service, and the hand-over to TamoSup.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "app/UpdateCheck.h"
#include "base/ServiceEndpoints.h"
#include "service/DemoUpdate.h"
#include "service/TamoService.h"
#include "support/TestEnvironment.h"

using tamo::service::CTamoService;
using tamo::service::SServiceOptions;

namespace update_check_test {

QString Error(int n) { return CUpdateCheck::ErrorText(n); }

struct SBox {
    QString caption;
    QString text;
    bool operator==(const SBox&) const = default;
};

std::ostream& operator<<(std::ostream& out, const SBox& box)
{
    return out << box.caption.toStdString() << ": " << box.text.toStdString();
}

// An updater.xml with the given children; null children: no file.
void WriteCopy(const QString& path, const QString& children)
{
    QFile::remove(path);
    if (children.isNull())
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    tamo::test::WriteFile(path, ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<updater>" + children + "</updater>\n").toUtf8());
}

}  // namespace update_check_test

using namespace update_check_test;

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SServiceOptions options;
        options.keepAliveSeconds = 0;
        options.updateDir = m_updates.path().toStdString();
        m_service = std::make_unique<CTamoService>(options);
        ASSERT_TRUE(m_service->Open() && m_service->Start()) << m_service->LastError();
        ASSERT_TRUE(m_service->WriteConfig(qEnvironmentVariable("TAMO_SERVICE_CONFIG").toStdString()));
        ASSERT_TRUE(CServiceConfig::Reload());
    }
    void TearDown() override { m_service->Stop(); }

    void Announce(const QString& versionDocument)
    {
        ASSERT_TRUE(tamo::test::WriteFile(m_updates.filePath(QStringLiteral("version.xml")), versionDocument.toUtf8()));
    }
    QString Url(const char* path) const { return QString::fromStdString(m_service->BaseUrl()) + QString::fromLatin1(path); }

    // A check whose copies are in this test's folders; the boxes are recorded and answered.
    struct SCheck {
        int nResult;
        QList<SBox> boxes;
        QString version;
    };
    SCheck Check(int nAnswer = 1)
    {
        CUpdateCheck check;
        check.m_strDocumentsCopy = m_documentsCopy;
        check.m_strProgramFolder = m_program.path();
        SCheck out{};
        check.m_fnMessage = [&](const QString& caption, const QString& text) {
            out.boxes.append({caption, text});
            return nAnswer;
        };
        out.nResult = check.CheckVersion();
        out.version = check.GetLocalVersion();
        return out;
    }

    QTemporaryDir m_updates, m_program, m_documents;
    QString m_documentsCopy = m_documents.filePath(QStringLiteral("Tamo/updater.xml"));
    QString m_programCopy = m_program.filePath(QStringLiteral("updater.xml"));
    std::unique_ptr<CTamoService> m_service;
};

namespace {

const SBox kOffer{QStringLiteral("Pello 업데이트"),
                  QStringLiteral("버그를 수정한 버전으로 업데이트 되었습니다.\r\n확인버튼을 클릭해주세요.")};

}  // namespace

// Which copy gives what, and the error number of each broken combination.
TEST_F(UpdateCheckTest, CopiesAndTheirErrorNumbers)
{
    Announce(QStringLiteral("<version current=\"1.0.0\"/>"));
    const QString url = QStringLiteral("<versionurl>%1</versionurl>").arg(Url("/update/version.xml"));
    const QString e = QStringLiteral("에러");
    const struct {
        const char* name;
        QString documents, program;  // null: no such copy
        int result;
        QList<SBox> boxes;
        QString version;
    } cases[] = {
        {"no copy", QString(), QString(), -1, {{e, Error(1004)}}, QString()},
        {"program copy only", QString(), "<version>1.0.0</version>" + url, 1, {}, "1.0.0"},
        {"documents copy without version", "<updater>TamoSup</updater>", "<version>1.0.0</version>" + url, -1,
         {{e, Error(1002)}}, QString()},
        {"program copy without version", QString(), "<updater>TamoSup</updater>" + url, -1, {{e, Error(1003)}}, QString()},
        {"documents copy only", "<version>1.0.0</version>", QString(), 0, {}, "1.0.0"},
        {"program copy without versionurl", "<version>1.0.0</version>", "<version>1.0.0</version>", -1,
         {{e, Error(1000)}}, "1.0.0"},
        {"versionurl in the documents copy is not used", "<version>1.0.0</version>" + url, "<version>1.0.0</version>", -1,
         {{e, Error(1000)}}, "1.0.0"},
        {"broken documents copy", "<version>1.0.0", "<version>1.0.0</version>" + url, 1, {}, "1.0.0"},
        {"empty version", QString(), "<version></version>" + url, -1, {}, QString()},
        {"version from the documents copy", "<version>0.9.0</version>", "<version>1.0.0</version>" + url, 2, {kOffer},
         "0.9.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteCopy(m_documentsCopy, c.documents);
        WriteCopy(m_programCopy, c.program);
        const SCheck check = Check();
        EXPECT_EQ(check.nResult, c.result);
        EXPECT_EQ(check.boxes, c.boxes);
        EXPECT_EQ(check.version, c.version);
    }
}

// The version document: unreadable ones are 1001; any difference offers the update.
TEST_F(UpdateCheckTest, TheAnnouncedVersionAndTheOffer)
{
    const QString e = QStringLiteral("에러");
    const struct {
        const char* name;
        QString document;  // null: the service has none (404 page)
        QString local;
        int answer;
        int result;
        QList<SBox> boxes;
    } cases[] = {
        {"equal", "<version current=\"1.0.0\"/>", "1.0.0", 1, 1, {}},
        {"equal but for case", "<version current=\"1.0.0-RC\"/>", "1.0.0-rc", 1, 1, {}},
        {"newer, accepted", "<version current=\"1.0.1\"><update minVersion=\"0\" maxVersion=\"1\" url=\"u\"/></version>",
         "1.0.0", 1, 2, {kOffer}},
        {"newer, declined", "<version current=\"1.0.1\"/>", "1.0.0", 2, 1, {kOffer}},
        {"older announced", "<version current=\"0.9\"/>", "1.0.0", 1, 2, {kOffer}},
        {"no current", "<version><update minVersion=\"0\" maxVersion=\"9\" url=\"u\"/></version>", "1.0.0", 1, -1,
         {{e, Error(1001)}}},
        {"other root", "<versions current=\"1.0.1\"/>", "1.0.0", 1, -1, {{e, Error(1001)}}},
        {"not XML", "no xml here", "1.0.0", 1, -1, {{e, Error(1001)}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Announce(c.document);
        // The version address as a path on the configured update service.
        WriteCopy(m_programCopy, "<version>" + c.local + "</version><versionurl>/update/version.xml</versionurl>");
        WriteCopy(m_documentsCopy, QString());
        const SCheck check = Check(c.answer);
        EXPECT_EQ(check.nResult, c.result);
        EXPECT_EQ(check.boxes, c.boxes);
    }

    // Nothing answers at the address.
    for (const QString& url : {Url("/no/such/version.xml"), QStringLiteral("http://127.0.0.1:1/version.xml")}) {
        WriteCopy(m_programCopy, "<version>1.0.0</version><versionurl>" + url + "</versionurl>");
        const SCheck check = Check();
        EXPECT_EQ(check.nResult, -1) << url.toStdString();
        EXPECT_EQ(check.boxes, (QList<SBox>{{e, Error(1001)}})) << url.toStdString();
    }
}

TEST_F(UpdateCheckTest, TheUpdaterElementAndItsErrorNumbers)
{
    const QString e = QStringLiteral("에러");
    const struct {
        QString documents, program;
        QString value;
        QList<SBox> boxes;
    } cases[] = {
        {"<updater>FromDocuments</updater>", "<updater>FromProgram</updater>", "FromDocuments", {}},
        {QString(), "<updater>FromProgram</updater>", "FromProgram", {}},
        {"<version>1</version>", "<updater>FromProgram</updater>", QString(), {{e, Error(1004)}}},
        {QString(), "<version>1</version>", QString(), {{e, Error(1005)}}},
        {QString(), QString(), QString(), {{e, Error(1006)}}},
    };
    for (const auto& c : cases) {
        WriteCopy(m_documentsCopy, c.documents);
        WriteCopy(m_programCopy, c.program);
        CUpdateCheck check;
        check.m_strDocumentsCopy = m_documentsCopy;
        check.m_strProgramFolder = m_program.path();
        QList<SBox> boxes;
        check.m_fnMessage = [&](const QString& caption, const QString& text) {
            boxes.append({caption, text});
            return 1;
        };
        EXPECT_EQ(check.ReadUpdaterElement(QStringLiteral("updater")), c.value);
        EXPECT_EQ(boxes, c.boxes);
        // A name that leaves the program's folder is never started.
        if (c.value.isEmpty()) {
            EXPECT_FALSE(check.StartUpdater());
        }
    }
    WriteCopy(m_documentsCopy, QStringLiteral("<updater>../../bin/sh</updater>"));
    CUpdateCheck check;
    check.m_strDocumentsCopy = m_documentsCopy;
    check.m_strProgramFolder = m_program.path();
    check.m_fnMessage = [](const QString&, const QString&) { return 1; };
    EXPECT_FALSE(check.StartUpdater());
}

// The update program's leftovers go at the next start; other folders stay.
TEST(UpdateLeftovers, OnlyTheUpdatersFoldersAreRemoved)
{
    const QDir temp(QDir::tempPath());
    ASSERT_TRUE(temp.mkpath(QStringLiteral("TamoSup-a1B2c3")));
    tamo::test::WriteFile(temp.filePath(QStringLiteral("TamoSup-a1B2c3/tamo_update")), "x");
    ASSERT_TRUE(temp.mkpath(QStringLiteral("TamoSup-keep-me")));
    ASSERT_TRUE(temp.mkpath(QStringLiteral("Other-a1B2c3")));
    update::RemoveUpdaterLeftovers();
    EXPECT_FALSE(temp.exists(QStringLiteral("TamoSup-a1B2c3")));
    EXPECT_TRUE(temp.exists(QStringLiteral("TamoSup-keep-me")));
    EXPECT_TRUE(temp.exists(QStringLiteral("Other-a1B2c3")));
}

// TamoSync with an older local version (the documents copy) against the demo update of the
// service: the offer is accepted, TamoSync ends, TamoSup downloads and runs the demo installer.
TEST_F(UpdateCheckTest, EndToEndTheOfferStartsTheUpdateProgram)
{
    const QString bin = QDir(tamo::test::BinaryDir()).filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QFile::exists(QDir(bin).filePath(QStringLiteral("updater.xml"))));
    // The demo update, announced as this build's version.
    std::string error;
    ASSERT_TRUE(tamo::service::WriteDemoInstaller(m_updates.path().toStdString(), error)) << error;
    QFile::remove(m_updates.filePath(QStringLiteral("version.xml")));

    // The documents folder of the isolated environment holds the older version.
    const QString home = QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("../docs"));
    QDir().mkpath(home);
    tamo::test::WriteFile(QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("user-dirs.dirs")),
                          "XDG_DOCUMENTS_DIR=\"" + QDir(home).absolutePath().toUtf8() + "\"\n");
    WriteCopy(QDir(home).filePath(QStringLiteral("Tamo/updater.xml")), QStringLiteral("<version>0.9.0</version><updater>TamoSup</updater>"));

    const QString record = QDir(QDir::tempPath()).filePath(QStringLiteral("../demo-update.log"));
    QFile::remove(record);
    QProcess tamoSync;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TAMO_TEST_ANSWER"), QStringLiteral("1"));
    env.insert(QStringLiteral("TAMO_DEMO_UPDATE_LOG"), record);
    tamoSync.setProcessEnvironment(env);
    tamoSync.start(QDir(bin).filePath(QStringLiteral("TamoSync")), {});
    ASSERT_TRUE(tamoSync.waitForFinished(60000));
    const QString err = QString::fromUtf8(tamoSync.readAllStandardError());
    EXPECT_EQ(tamoSync.exitCode(), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("Pello 업데이트"))) << err.toStdString();

    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(record) && timer.elapsed() < 60000)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(QFile::exists(record)) << err.toStdString();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(QString::fromUtf8(tamo::test::ReadFile(record)).count(QStringLiteral("demo update ran")), 1);
}
