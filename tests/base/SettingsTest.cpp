#include <cstring>

#include <gtest/gtest.h>

#include <QFile>

#include "base/Settings.h"
#include "platform/Registry.h"
#include "support/TestEnvironment.h"

using platform::CRegKey;
using platform::RegValue;

namespace {

class SettingsTest : public testing::Test {
protected:
    tamo::test::IsolatedEnvironment m_env;  // each test starts on a machine without the key
};

TEST_F(SettingsTest, FirstStartReadsEveryDefault)
{
    const DWORD dwordDefaults[][2] = {{settings::AutoStart, 1}, {settings::Mode, 0},      {settings::HideInTray, 0},
                                      {settings::AutoLogin, 1}, {settings::HideTodo, 0},  {settings::AlarmMode, 0},
                                      {settings::AlarmSound, 1}, {settings::NoAlarmInFullscreen, 0},
                                      {settings::TaskBar, 1},   {settings::SavePW, 1},    {settings::ExitHide, 1},
                                      {settings::Install, 0}};
    for (const auto& [index, value] : dwordDefaults)
        EXPECT_EQ(ReadSetting(int(index)), value) << settings::ValueName(int(index)).toStdString();
    EXPECT_EQ(ReadAlarmSoundFile(), QStringLiteral("alarm_1.wav"));
    EXPECT_EQ(ReadSettingString(settings::PcKey), QStringLiteral("0"));
    EXPECT_EQ(ReadSettingString(settings::Outlook), QString());
    EXPECT_EQ(ReadSettingString(settings::SyncDate), QString());
    char position[8];
    EXPECT_FALSE(ReadWindowPosition(position));
    EXPECT_FALSE(IsAutoStartRegistered());
}

TEST_F(SettingsTest, WritesAreSeenByTheNextOpening)
{
    ASSERT_TRUE(WriteSettingFlag(settings::Install, 1));
    ASSERT_TRUE(WriteSettingFlag(settings::AlarmMode, 7));
    ASSERT_TRUE(WriteSettingString(settings::AlarmSoundFile, QStringLiteral("alarm_2.wav")));
    EXPECT_EQ(ReadSetting(settings::Install), 1u);
    EXPECT_EQ(ReadSetting(settings::AlarmMode), 7u);
    EXPECT_EQ(ReadAlarmSoundFile(), QStringLiteral("alarm_2.wav"));
    EXPECT_EQ(ReadSetting(settings::AutoLogin), 1u) << "other rows keep their defaults";
    ASSERT_TRUE(WriteRegString(settings::kKeyPath, settings::UserIdSlot(3), QStringLiteral("사용자")));
    EXPECT_EQ(ReadRegString(settings::kKeyPath, QStringLiteral("UserID_3"), QString()), QStringLiteral("사용자"));
}

TEST_F(SettingsTest, StoredTypeIsNotCheckedForNumbers)
{
    CRegKey key;
    ASSERT_TRUE(key.Create(settings::kKeyPath));
    ASSERT_TRUE(key.SetBinary(QStringLiteral("Mode"), QByteArray("\x01\x00", 2)));
    ASSERT_TRUE(key.SetString(QStringLiteral("HideTodo"), QStringLiteral("a long text")));
    key.Close();
    EXPECT_EQ(ReadSetting(settings::Mode), 1u) << "a short value of another type reads as its bytes";
    EXPECT_EQ(ReadSetting(settings::HideTodo), 0u) << "longer than a DWORD: the read fails, the default holds";
}

TEST_F(SettingsTest, PositionMustBeExactlyEightBytes)
{
    const qint32 written[2] = {-20, 640};
    ASSERT_TRUE(WriteWindowPosition(written));
    qint32 read[2] = {0, 0};
    ASSERT_TRUE(ReadWindowPosition(read));
    EXPECT_EQ(read[0], -20);
    EXPECT_EQ(read[1], 640);

    for (int size : {4, 12}) {
        CRegKey key;
        ASSERT_TRUE(key.Create(settings::kKeyPath));
        ASSERT_TRUE(key.SetValue(QStringLiteral("Position"), RegValue{platform::RegType::Dword, QByteArray(size, '\1')}));
        key.Close();
        EXPECT_FALSE(ReadWindowPosition(read)) << size;
    }
}

TEST_F(SettingsTest, AutoStartIsTheDesktopsAutostartEntry)
{
    const QString command = QStringLiteral("/opt/tamo calendar/TamoSync");
    ASSERT_TRUE(RegisterAutoStart(command));
    EXPECT_TRUE(IsAutoStartRegistered());
    const QByteArray entry = tamo::test::ReadFile(m_env.ConfigHome() + QStringLiteral("/autostart/TamoSync.desktop"));
    EXPECT_TRUE(entry.contains("Exec=\"/opt/tamo calendar/TamoSync\"\n")) << entry.toStdString();
    EXPECT_EQ(ReadRegString(CRegKey::RunKeyPath(), QStringLiteral("TamoSync"), QString()), command);

    ASSERT_TRUE(RegisterAutoStart(QString()));
    EXPECT_FALSE(IsAutoStartRegistered()) << "an empty command counts as not registered";
    ASSERT_TRUE(UnregisterAutoStart());
    EXPECT_FALSE(QFile::exists(m_env.ConfigHome() + QStringLiteral("/autostart/TamoSync.desktop")));
    EXPECT_TRUE(UnregisterAutoStart()) << "already gone is the wanted state";
}

TEST_F(SettingsTest, ValuesOfAnotherProcessAreSeenAtOnce)
{
    // No cache: a write straight into the store is what the next read returns.
    ASSERT_TRUE(WriteSettingFlag(settings::Mode, 0));
    QByteArray ini = tamo::test::ReadFile(CRegKey::StorePath());
    ASSERT_TRUE(ini.contains("Mode=dword:00000000")) << ini.toStdString();
    ini.replace("Mode=dword:00000000", "Mode=binary:01");
    ASSERT_TRUE(tamo::test::WriteFile(CRegKey::StorePath(), ini));
    EXPECT_EQ(ReadSetting(settings::Mode), 1u);
}

}  // namespace
