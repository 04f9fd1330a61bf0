#include <gtest/gtest.h>

#include <QProcess>

#include "platform/SingleInstance.h"
#include "support/TestEnvironment.h"

namespace {

const QString kName = QStringLiteral("TamoCalendarProbe");

class Probe {
public:
    Probe()
    {
        m_process.setProgram(tamo::test::BinaryDir() + QStringLiteral("/bin/instance_probe"));
        m_process.start();
    }
    ~Probe()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    // The next line the probe prints, or "" after 10 s.
    QString NextLine()
    {
        while (!m_process.canReadLine())
            if (!m_process.waitForReadyRead(10000))
                return {};
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }
    QProcess& Process() { return m_process; }

private:
    QProcess m_process;
};

TEST(SingleInstanceTest, LaterCopyBringsTheFirstForwardAndEnds)
{
    Probe first;
    ASSERT_EQ(first.NextLine(), QStringLiteral("first"));
    {
        Probe second;
        EXPECT_EQ(second.NextLine(), QStringLiteral("second"));
        ASSERT_TRUE(second.Process().waitForFinished(10000));
        EXPECT_EQ(second.Process().exitCode(), 3);
    }
    EXPECT_EQ(first.NextLine(), QStringLiteral("activate"));

    ASSERT_TRUE(platform::CSingleInstance::SendTerminate(kName));
    EXPECT_EQ(first.NextLine(), QStringLiteral("terminate"));
    ASSERT_TRUE(first.Process().waitForFinished(10000));
    EXPECT_EQ(first.Process().exitCode(), 0);
    EXPECT_FALSE(platform::CSingleInstance::SendTerminate(kName)) << "nobody left to ask";
}

TEST(SingleInstanceTest, CrashedCopyDoesNotBlockTheNextStart)
{
    {
        Probe crashed;
        ASSERT_EQ(crashed.NextLine(), QStringLiteral("first"));
        crashed.Process().kill();  // no clean-up: lock file and socket stay behind
        ASSERT_TRUE(crashed.Process().waitForFinished(10000));
    }
    Probe next;
    EXPECT_EQ(next.NextLine(), QStringLiteral("first"));
    Probe later;
    EXPECT_EQ(later.NextLine(), QStringLiteral("second"));
    EXPECT_EQ(next.NextLine(), QStringLiteral("activate"));
}

}  // namespace
