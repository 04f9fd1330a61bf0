#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Registry.h"
#include "support/TestEnvironment.h"

using platform::CRegKey;
using tamo::test::ModeOf;
using tamo::test::OctalMode;
using tamo::test::SetMode;
using platform::RegType;
using platform::RegValue;

namespace {

const QString kKey = QStringLiteral("Software\\Tamo\\Test");


struct ExpectedMode {
    QString path;
    int mode;
};

void ExpectModes(const std::vector<ExpectedMode>& expected)
{
    for (const ExpectedMode& e : expected)
        EXPECT_EQ(OctalMode(ModeOf(e.path)), OctalMode(e.mode)) << e.path.toStdString();
}

TEST(RegistryTest, KeysExistOnceCreated)
{
    tamo::test::IsolatedEnvironment env;
    CRegKey key;
    EXPECT_FALSE(key.Open(kKey));
    EXPECT_FALSE(key.SetDword(QStringLiteral("x"), 1)) << "a key that is not open takes no value";
    ASSERT_TRUE(key.Create(kKey));
    key.Close();
    EXPECT_TRUE(key.Open(kKey)) << "an empty key exists after Create";
    EXPECT_TRUE(key.Open(QStringLiteral("Software\\Tamo"))) << "so do its parents";
}

TEST(RegistryTest, ValuesKeepTheirTypeAndBytes)
{
    tamo::test::IsolatedEnvironment env;
    CRegKey key;
    ASSERT_TRUE(key.Create(kKey));
    ASSERT_TRUE(key.SetDword(QStringLiteral("Number"), 0x01020304));
    ASSERT_TRUE(key.SetString(QStringLiteral("Text"), QStringLiteral("모든 범주, with = and ; signs")));
    ASSERT_TRUE(key.SetBinary(QStringLiteral("Bytes"), QByteArray("\x00\xFF\x10", 3)));
    key.Close();

    CRegKey again;
    ASSERT_TRUE(again.Open(kKey));
    const auto number = again.QueryValue(QStringLiteral("Number"));
    ASSERT_TRUE(number);
    EXPECT_EQ(number->type, RegType::Dword);
    EXPECT_EQ(number->data, QByteArray("\x04\x03\x02\x01", 4));
    const auto text = again.QueryValue(QStringLiteral("Text"));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->type, RegType::Sz);
    EXPECT_EQ(text->ToString(), QStringLiteral("모든 범주, with = and ; signs"));
    EXPECT_EQ(again.QueryValue(QStringLiteral("Bytes"))->data, QByteArray("\x00\xFF\x10", 3));

    char small[2];
    DWORD size = 0;
    EXPECT_FALSE(again.QueryValue(QStringLiteral("Number"), small, sizeof small, &size)) << "value larger than the buffer";
    EXPECT_FALSE(again.QueryValue(QStringLiteral("Missing")));

    ASSERT_TRUE(again.DeleteValue(QStringLiteral("Number")));
    EXPECT_FALSE(again.DeleteValue(QStringLiteral("Number")));
    EXPECT_FALSE(again.QueryValue(QStringLiteral("Number")));
}

TEST(RegistryTest, HandWrittenValuesOfUnknownFormAreMissing)
{
    tamo::test::IsolatedEnvironment env;
    ASSERT_TRUE(tamo::test::WriteFile(CRegKey::StorePath(), "[Software]\nTamo\\Test\\Odd=42\nTamo\\Test\\Good=dword:07000000\n"));
    CRegKey key;
    ASSERT_TRUE(key.Open(kKey));
    EXPECT_FALSE(key.QueryValue(QStringLiteral("Odd")));
    EXPECT_EQ(key.QueryValue(QStringLiteral("Good"))->data, QByteArray("\x07\x00\x00\x00", 4));
}

// The store holds the scrambled password; the autostart entry names the program. Under the
// usual umask 022 both come out readable by the user alone, and stay so when rewritten.
TEST(RegistryTest, TheStoreAndTheAutostartEntryAreTheUsersAlone)
{
    tamo::test::IsolatedEnvironment env;
    tamo::test::ScopedUmask umask(022);
    ASSERT_TRUE(SetMode(env.ConfigHome(), 0755));
    CRegKey key;
    ASSERT_TRUE(key.Create(QStringLiteral("Software\\Tamo\\Calendar")));
    ExpectModes({{CRegKey::StorePath(), 0600}});  // as first written, not only once tightened
    ASSERT_TRUE(key.SetString(QStringLiteral("UserPW"), QStringLiteral("0A1B2C")));
    CRegKey run;
    ASSERT_TRUE(run.Create(CRegKey::RunKeyPath()));
    ASSERT_TRUE(run.SetString(QStringLiteral("TamoSync"), QStringLiteral("/opt/tamo/TamoSync")));
    const QString autostart = env.ConfigHome() + "/autostart";
    const std::vector<ExpectedMode> expected = {
        {env.ConfigHome(), 0755},  // shared with every other program
        {env.ConfigHome() + "/Tamo", 0700},
        {CRegKey::StorePath(), 0600},
        {autostart, 0700},  // made by us
        {autostart + "/TamoSync.desktop", 0600},
    };
    ExpectModes(expected);

    ASSERT_TRUE(key.SetDword(QStringLiteral("Number"), 7));
    ASSERT_TRUE(key.DeleteValue(QStringLiteral("Number")));
    ASSERT_TRUE(run.SetString(QStringLiteral("TamoSync"), QStringLiteral("/opt/tamo/TamoSync -tray")));
    ExpectModes(expected);
}

TEST(RegistryTest, WhatAnOlderBuildLeftOpenIsTightenedWhenOpened)
{
    tamo::test::IsolatedEnvironment env;
    tamo::test::ScopedUmask umask(022);
    ASSERT_TRUE(tamo::test::WriteFile(CRegKey::StorePath(), "[Software]\nTamo\\Calendar\\UserPW=sz:0A1B2C\n"));
    const QString entry = env.ConfigHome() + "/autostart/TamoSync.desktop";
    ASSERT_TRUE(tamo::test::WriteFile(entry, "[Desktop Entry]\nType=Application\nExec=/opt/tamo/TamoSync\n"));
    for (const ExpectedMode& old : std::vector<ExpectedMode>{{env.ConfigHome(), 0755},
                                                             {env.ConfigHome() + "/Tamo", 0755},
                                                             {CRegKey::StorePath(), 0644},
                                                             {env.ConfigHome() + "/autostart", 0755},
                                                             {entry, 0644}})
        ASSERT_TRUE(SetMode(old.path, old.mode));

    CRegKey key;
    ASSERT_TRUE(key.Open(QStringLiteral("Software\\Tamo\\Calendar")));
    EXPECT_EQ(key.QueryValue(QStringLiteral("UserPW"))->ToString(), QStringLiteral("0A1B2C"));
    CRegKey run;
    ASSERT_TRUE(run.Open(CRegKey::RunKeyPath()));
    EXPECT_EQ(run.QueryValue(QStringLiteral("TamoSync"))->ToString(), QStringLiteral("/opt/tamo/TamoSync"));
    ExpectModes({
        {env.ConfigHome(), 0755},
        {env.ConfigHome() + "/Tamo", 0700},
        {CRegKey::StorePath(), 0600},
        {env.ConfigHome() + "/autostart", 0755},  // not ours alone: left as it is
        {entry, 0600},
    });
}

}  // namespace
