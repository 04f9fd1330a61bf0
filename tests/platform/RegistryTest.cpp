#include <gtest/gtest.h>

#include "platform/Registry.h"

using platform::CRegKey;

TEST(RegistryTest, MissingKeyDoesNotOpen)
{
    CRegKey key;
    EXPECT_FALSE(key.Open(QStringLiteral("Software\\Tamo\\Nothing")));
}
