#include <gtest/gtest.h>

#include "base/ModuleVersion.h"
#include "base/PathExt.h"

namespace {

TEST(PathExtTest, Parts)
{
    struct Case {
        const char* path;
        const char* name;
        const char* extension;
        const char* parent;
    };
    const Case cases[] = {
        {"C:\\dir.d\\file", "file", "d\\file", "C:\\dir.d"},  // the last dot wins
        {"file.txt", "file.txt", "txt", ""},
        {"/home/u/alarm/alarm_1.wav", "alarm_1.wav", "wav", "/home/u/alarm"},
        {"C:\\sounds/a.b.wav", "a.b.wav", "wav", "C:\\sounds"},
        {"dir\\", "", "", "dir"},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const CPathExt path(QString::fromUtf8(c.path));
        EXPECT_EQ(path.GetFileName(), QString::fromUtf8(c.name));
        EXPECT_EQ(path.GetExtension(), QString::fromUtf8(c.extension));
        EXPECT_EQ(path.GetParent(), QString::fromUtf8(c.parent));
    }
}

TEST(ModuleVersionTest, OwnModulesCarryTheBuildVersion)
{
    const QString expected = QStringLiteral(TAMO_VERSION ".0");
    for (const QString& module : {QString(), QStringLiteral("TamoBase.dll"), QStringLiteral("libTamoBase.so")}) {
        SCOPED_TRACE(module.toStdString());
        CModuleVersion version;
        ASSERT_NE(version.GetFileVersionInfoW(module), 0);
        EXPECT_EQ(version.dwSignature, VS_FFI_SIGNATURE);
        EXPECT_EQ(version.GetValue(QStringLiteral("FileVersion")), expected);
        EXPECT_EQ(version.GetValue(QStringLiteral("ProductVersion")), expected);
        EXPECT_EQ(version.GetValue(QStringLiteral("ProductName")), QStringLiteral("Tamo Calendar"));
        EXPECT_EQ(version.GetValue(QStringLiteral("NoSuchKey")), QString());
        EXPECT_EQ(version.dwFileVersionMS >> 16, QString(TAMO_VERSION).section('.', 0, 0).toUInt());
        EXPECT_EQ(version.dwFileType, module.isNull() ? 1u : 2u);
    }
}

TEST(ModuleVersionTest, OtherModulesHaveNone)
{
    for (const char* module : {"libc.so.6", "NotLoaded.dll"}) {
        SCOPED_TRACE(module);
        CModuleVersion version;
        EXPECT_EQ(version.GetFileVersionInfoW(QString::fromUtf8(module)), 0);
        EXPECT_EQ(version.GetValue(QStringLiteral("FileVersion")), QString());
        EXPECT_EQ(version.dwSignature, 0u);
    }
}

TEST(ModuleVersionTest, DllGetVersion)
{
    DLLVERSIONINFO dvi;
    ASSERT_NE(CModuleVersion::DllGetVersion(QStringLiteral("TamoBase.dll"), dvi), 0);
    EXPECT_EQ(dvi.cbSize, 20u);
    EXPECT_EQ(dvi.dwMajorVersion, QString(TAMO_VERSION).section('.', 0, 0).toUInt());
    EXPECT_EQ(CModuleVersion::DllGetVersion(QStringLiteral("libc.so.6"), dvi), 0);  // no such export
    EXPECT_EQ(CModuleVersion::DllGetVersion(QStringLiteral("Missing.dll"), dvi), 0);
}

}  // namespace
