// The sync log with real files: switching on, level filter, labels, date change and rotation.
#include <gtest/gtest.h>

#include <thread>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>

#include "platform/Registry.h"
#include "support/TestEnvironment.h"
#include "syncengine/MAPISync.h"
#include "syncengine/SyncLog.h"

using tamo::test::IsolatedEnvironment;
using tamo::test::ReadFile;

namespace {

class SyncLogTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        CSyncLog::Instance().Stop();
        CSyncLog::Instance().SetClock(nullptr);
    }
    static void SetSyncLog(const QString& value)
    {
        platform::CRegKey key;
        ASSERT_TRUE(key.Create("Software\\Tamo\\Calendar"));
        ASSERT_TRUE(key.SetString("Sync_log", value));
    }
    static QString LogFolder()
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Tamo/Calendar/Log";
    }
    static QDateTime At(const char* when) { return QDateTime::fromString(when, Qt::ISODate); }

    IsolatedEnvironment env;
};

}  // namespace

TEST_F(SyncLogTest, WithoutSyncLogNothingIsCreatedOrWritten)
{
    CMAPISync engine;
    EXPECT_FALSE(engine.InitLogOption());
    EXPECT_FALSE(QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Tamo").exists());
    EXPECT_FALSE(CSyncLog::Instance().IsOn());
    SYNCLOG(synclog::kError, "nobody hears this\n");
    EXPECT_EQ(engine.InitMapi(), -1) << "no store file here";
}

TEST_F(SyncLogTest, LevelsSelectLinesAndLabelThem)
{
    SetSyncLog("ERROR");
    CSyncLog::Instance().SetClock([] { return QDateTime(QDate(2007, 11, 21), QTime(9, 5, 7)); });
    CMAPISync engine;
    ASSERT_TRUE(engine.InitLogOption());
    SYNCLOG(synclog::kLog, "a log line\n");
    SYNCLOG(synclog::kError, "ReadTodo http.Open Failed \n");
    SYNCLOG(synclog::kError, "SaveTamoTodo (%s)\n", CMAPISync::ToLogText("할 일").constData());
    const QString file = LogFolder() + "/AgendaPane_20071121.log";
    EXPECT_EQ(CSyncLog::Instance().CurrentFile(), file);
    const QByteArray text = ReadFile(file);
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_EQ(lines.size(), 3) << text.constData();  // two lines and the final empty piece
    const QRegularExpression prefix(R"(^09:05:07 \d{5}\.\d{5}> ERROR  :)");
    EXPECT_TRUE(prefix.match(QString::fromLatin1(lines[0])).hasMatch()) << lines[0].constData();
    EXPECT_TRUE(lines[0].endsWith("ReadTodo http.Open Failed "));
    EXPECT_TRUE(lines[1].endsWith("SaveTamoTodo (\xC7\xD2 \xC0\xCF)")) << "CP949 text";
}

TEST_F(SyncLogTest, MaskFromTheSyncLogValue)
{
    struct Case {
        const char* value;
        unsigned mask;
    };
    const Case cases[] = {
        {"ERROR", synclog::kError},
        {"LOG|ERROR", synclog::kLog | synclog::kError},
        {"TRACE", synclog::kTrace},
        {"ALARM", synclog::kAlarm},
        {"INIT WARN IO TEST", synclog::kInit | synclog::kWarn | synclog::kIo | synclog::kTest},
        {"ALL", synclog::kAll},
        {"", 0},
        {"error", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CSyncLog::MaskFromValue(c.value), c.mask) << c.value;

    struct Label {
        unsigned level;
        const char* text;
    };
    const Label labels[] = {{0x01, "INIT  "}, {0x20, "LOG   "}, {0x30, "ERROR "}, {0x10000, "USER1 "},
                            {0x1000000, "USER9 "}, {0x2000000, "USER10"}, {0x80000000, "USER16"}, {0x100, "      "}};
    for (const Label& l : labels)
        EXPECT_STREQ(CSyncLog::Label(l.level), l.text) << l.level;
}

TEST_F(SyncLogTest, AllLevelsWritesTheStartLinesAndTheEnginesMessages)
{
    SetSyncLog("ALL");
    CMAPISync engine;
    ASSERT_TRUE(engine.InitLogOption());
    EXPECT_EQ(engine.InitMapi(), -1);
    const QByteArray text = ReadFile(CSyncLog::Instance().CurrentFile());
    EXPECT_TRUE(text.contains("> INIT   :Outlook Sync Start\n")) << text.constData();
    EXPECT_TRUE(text.contains("> LOG    :Failed to initialize MAPI\n")) << text.constData();
    EXPECT_EQ(engine.TermMapi(), 0);
}

TEST_F(SyncLogTest, ANewDayGoesToANewFileAndRestartsTheCounter)
{
    QDateTime now = At("2007-11-21T23:59:59");
    CSyncLog::Instance().SetClock([&] { return now; });
    QDir().mkpath(LogFolder());
    ASSERT_TRUE(CSyncLog::Instance().Start(LogFolder(), "AgendaPane", 0, synclog::kAll));
    SYNCLOG(synclog::kLog, "before midnight\n");
    now = At("2007-11-22T00:00:01");
    SYNCLOG(synclog::kLog, "after midnight\n");
    EXPECT_TRUE(ReadFile(LogFolder() + "/AgendaPane_20071121.log").contains("before midnight"));
    EXPECT_FALSE(ReadFile(LogFolder() + "/AgendaPane_20071121.log").contains("after midnight"));
    EXPECT_TRUE(ReadFile(LogFolder() + "/AgendaPane_20071122.log").contains("after midnight"));
    EXPECT_EQ(CSyncLog::Instance().RotationCounter(), 0);
}

TEST_F(SyncLogTest, AFullFileIsMovedAsideAndNeverOverAnOlderOne)
{
    CSyncLog::Instance().SetClock([] { return QDateTime(QDate(2007, 11, 21), QTime(12, 0)); });
    QDir().mkpath(LogFolder());
    const QString file = LogFolder() + "/AgendaPane_20071121.log";
    auto fill = [&] {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Append));
        ASSERT_TRUE(f.resize(synclog::kDefaultLimit));
    };
    fill();
    ASSERT_TRUE(CSyncLog::Instance().Start(LogFolder(), "AgendaPane", 0, synclog::kLog));
    SYNCLOG(synclog::kLog, "first after the limit\n");
    EXPECT_EQ(QFileInfo(file + ".0001").size(), synclog::kDefaultLimit);
    EXPECT_TRUE(ReadFile(file).endsWith("first after the limit\n"));
    EXPECT_LT(QFileInfo(file).size(), 200);
    EXPECT_EQ(CSyncLog::Instance().RotationCounter(), 1);

    // A later process starts counting at the first free number (0) but must not overwrite .0001.
    CSyncLog::Instance().Stop();
    fill();
    ASSERT_TRUE(CSyncLog::Instance().Start(LogFolder(), "AgendaPane", 0, synclog::kLog));
    EXPECT_EQ(CSyncLog::Instance().RotationCounter(), 0);
    SYNCLOG(synclog::kLog, "second rotation\n");
    EXPECT_EQ(QFileInfo(file + ".0001").size(), synclog::kDefaultLimit);
    EXPECT_GE(QFileInfo(file + ".0002").size(), synclog::kDefaultLimit);
    EXPECT_TRUE(ReadFile(file).endsWith("second rotation\n"));
}

TEST_F(SyncLogTest, LinesFromSeveralThreadsStayWhole)
{
    QDir().mkpath(LogFolder());
    ASSERT_TRUE(CSyncLog::Instance().Start(LogFolder(), "AgendaPane", 0, synclog::kLog));
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([t] {
            for (int i = 0; i < 500; ++i)
                SYNCLOG(synclog::kLog, "writer %d line %d of a longer text so that lines could interleave\n", t, i);
        });
    for (std::thread& w : writers)
        w.join();
    const QList<QByteArray> lines = ReadFile(CSyncLog::Instance().CurrentFile()).split('\n');
    ASSERT_EQ(lines.size(), 2001);
    const QRegularExpression whole(R"(^\d\d:\d\d:\d\d \d{5}\.\d{5}> LOG    :writer \d line \d+ of a longer text so that lines could interleave$)");
    for (int i = 0; i < 2000; ++i)
        ASSERT_TRUE(whole.match(QString::fromLatin1(lines[i])).hasMatch()) << lines[i].constData();
}

// The lines name the user's items. Under the usual umask 022 the log's folders (the program's
// own, below the data folder) and its files are the user's alone, also when an older build made
// them open to others; the data folder itself is shared and keeps its mode.
TEST_F(SyncLogTest, TheLogFoldersAndFilesAreTheUsersAlone)
{
    tamo::test::ScopedUmask umask(022);
    for (const bool olderBuild : {false, true}) {
        SCOPED_TRACE(olderBuild ? "an older build's log" : "a fresh log");
        IsolatedEnvironment caseEnv;
        const QString data = caseEnv.DataHome();
        ASSERT_TRUE(tamo::test::SetMode(data, 0755));
        const QStringList owned = {data + "/Tamo", data + "/Tamo/Calendar", LogFolder()};
        const QString today = LogFolder() + "/AgendaPane_20071121.log";
        if (olderBuild) {
            ASSERT_TRUE(tamo::test::WriteFile(today, "an older line\n"));
            for (const QString& folder : owned)
                ASSERT_TRUE(tamo::test::SetMode(folder, 0755));
            ASSERT_TRUE(tamo::test::SetMode(today, 0644));
        }
        SetSyncLog("ALL");
        QDateTime now = At("2007-11-21T23:59:59");
        CSyncLog::Instance().SetClock([&] { return now; });
        CMAPISync engine;
        ASSERT_TRUE(engine.InitLogOption());
        SYNCLOG(synclog::kLog, "before midnight\n");
        now = At("2007-11-22T00:00:01");
        SYNCLOG(synclog::kLog, "after midnight\n");
        CSyncLog::Instance().Stop();
        CSyncLog::Instance().SetClock(nullptr);

        auto octal = [](int mode) { return QString::number(mode, 8).toStdString(); };
        EXPECT_EQ(octal(tamo::test::ModeOf(data)), octal(0755));
        for (const QString& folder : owned)
            EXPECT_EQ(octal(tamo::test::ModeOf(folder)), octal(0700)) << folder.toStdString();
        for (const QString& file : {today, LogFolder() + "/AgendaPane_20071122.log"})
            EXPECT_EQ(octal(tamo::test::ModeOf(file)), octal(0600)) << file.toStdString();
        EXPECT_EQ(ReadFile(today).startsWith("an older line\n"), olderBuild) << "appended to, never replaced";
    }
}
