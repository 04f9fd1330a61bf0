#include <gtest/gtest.h>

#include "platform/Registry.h"
#include "support/TestEnvironment.h"

using platform::CRegKey;
using platform::RegType;
using platform::RegValue;

namespace {

const QString kKey = QStringLiteral("Software\\Tamo\\Test");

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

}  // namespace
