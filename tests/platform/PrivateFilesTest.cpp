// Private folders and files on disk: what gets created 0700/0600, what an older build left open
// gets tightened, and what is shared with other programs keeps its mode. Run under umask 022,
// the usual one, so nothing is private by accident.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <QDir>
#include <QSaveFile>
#include <QTemporaryDir>

#include "platform/PrivateFiles.h"
#include "support/TestEnvironment.h"

using platform::IfMissing;
using platform::MakePrivateFile;
using platform::MakePrivateFolder;
using tamo::test::ModeOf;
using tamo::test::OctalMode;
using tamo::test::ReadFile;
using tamo::test::ScopedUmask;
using tamo::test::SetMode;
using tamo::test::WriteFile;

namespace {

using Modes = std::vector<std::pair<QString, int>>;  // relative path, mode (-1: missing)


void ExpectModes(const QString& root, const Modes& expected, const char* name)
{
    for (const auto& [path, mode] : expected)
        EXPECT_EQ(OctalMode(ModeOf(root + '/' + path)), OctalMode(mode)) << name << ": " << path.toStdString();
}

class PrivateFilesTest : public ::testing::Test {
protected:
    ScopedUmask umask{022};
};

}  // namespace

TEST_F(PrivateFilesTest, FoldersAreMadePrivateOnlyWhereTheProgramOwnsThem)
{
    struct Case {
        const char* name;
        Modes before;  // folders made first, in order, with these modes
        const char* folder;
        const char* ownedRoot;
        IfMissing missing;
        bool result;
        Modes after;
    };
    const Case cases[] = {
        {"new folders are made 0700, the shared ones above keep their mode",
         {{"home", 0755}, {"home/.config", 0755}},
         "home/.config/Tamo/sub", "home/.config/Tamo", IfMissing::Create, true,
         {{"home", 0755}, {"home/.config", 0755}, {"home/.config/Tamo", 0700}, {"home/.config/Tamo/sub", 0700}}},
        {"an older build's folders are tightened",
         {{"home", 0755}, {"home/.config", 0755}, {"home/.config/Tamo", 0755}, {"home/.config/Tamo/sub", 0775}},
         "home/.config/Tamo/sub", "home/.config/Tamo", IfMissing::Create, true,
         {{"home/.config", 0755}, {"home/.config/Tamo", 0700}, {"home/.config/Tamo/sub", 0700}}},
        {"missing folders above the owned one are made 0700 as well",
         {{"home", 0755}},
         "home/.config/Tamo", "home/.config/Tamo", IfMissing::Create, true,
         {{"home", 0755}, {"home/.config", 0700}, {"home/.config/Tamo", 0700}}},
        {"Skip tightens what exists and makes nothing",
         {{"home", 0755}, {"home/.config", 0755}, {"home/.config/Tamo", 0755}},
         "home/.config/Tamo/sub", "home/.config/Tamo", IfMissing::Skip, true,
         {{"home/.config", 0755}, {"home/.config/Tamo", 0700}, {"home/.config/Tamo/sub", -1}}},
        {"Skip with nothing there",
         {{"home", 0755}},
         "home/.config/Tamo", "home/.config/Tamo", IfMissing::Skip, true,
         {{"home", 0755}, {"home/.config", -1}}},
        {"without an owned root an existing folder keeps its mode",
         {{"home", 0755}, {"home/autostart", 0755}},
         "home/autostart", "", IfMissing::Create, true,
         {{"home/autostart", 0755}}},
        {"without an owned root a new folder is still made 0700",
         {{"home", 0755}},
         "home/autostart", "", IfMissing::Create, true,
         {{"home", 0755}, {"home/autostart", 0700}}},
        {"a folder outside the owned root is not the program's",
         {{"home", 0755}, {"home/chosen", 0755}},
         "home/chosen/store", "home/.local/share/Tamo", IfMissing::Create, true,
         {{"home/chosen", 0755}, {"home/chosen/store", 0700}}},
        {"the owned root is a folder, not a prefix of names",
         {{"home", 0755}, {"home/TamoOther", 0755}},
         "home/TamoOther", "home/Tamo", IfMissing::Create, true,
         {{"home/TamoOther", 0755}}},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString root = dir.path();
        for (const auto& [path, mode] : c.before) {
            ASSERT_TRUE(QDir().mkdir(root + '/' + path)) << c.name;
            ASSERT_TRUE(SetMode(root + '/' + path, mode)) << c.name;
        }
        const QString owned = *c.ownedRoot ? root + '/' + c.ownedRoot : QString();
        EXPECT_EQ(MakePrivateFolder(root + '/' + c.folder, owned, c.missing), c.result) << c.name;
        ExpectModes(root, c.after, c.name);
    }

    QTemporaryDir dir;
    ASSERT_TRUE(WriteFile(dir.path() + "/Tamo/file", "x"));
    EXPECT_FALSE(MakePrivateFolder(dir.path() + "/Tamo/file/sub", dir.path() + "/Tamo")) << "a file in the way";
    EXPECT_FALSE(MakePrivateFolder(dir.path() + "/Tamo/file", dir.path() + "/Tamo", IfMissing::Skip));
}

TEST_F(PrivateFilesTest, FilesBecome0600AndKeepTheirContent)
{
    struct Case {
        const char* name;
        int before;  // -1: no file
        IfMissing missing;
        int after;
    };
    const Case cases[] = {
        {"missing, left missing", -1, IfMissing::Skip, -1},
        {"missing, made empty and private", -1, IfMissing::Create, 0600},
        {"an older build's file", 0644, IfMissing::Skip, 0600},
        {"an older build's file, not truncated by Create", 0644, IfMissing::Create, 0600},
        {"writable by all", 0666, IfMissing::Skip, 0600},
        {"private already", 0600, IfMissing::Create, 0600},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString file = dir.path() + "/registry.ini";
        if (c.before >= 0) {
            ASSERT_TRUE(WriteFile(file, "UserPW=secret\n"));
            ASSERT_TRUE(SetMode(file, c.before));
        }
        EXPECT_TRUE(MakePrivateFile(file, c.missing)) << c.name;
        EXPECT_EQ(OctalMode(ModeOf(file)), OctalMode(c.after)) << c.name;
        EXPECT_EQ(ReadFile(file), c.before >= 0 ? QByteArray("UserPW=secret\n") : QByteArray()) << c.name;
    }

    QTemporaryDir dir;
    EXPECT_FALSE(MakePrivateFile(dir.path(), IfMissing::Create)) << "a folder is no file";
    EXPECT_FALSE(MakePrivateFile(dir.path() + "/missing/file", IfMissing::Create)) << "no folder to hold it";
}

TEST_F(PrivateFilesTest, ASaveFileCommitsAPrivateFile)
{
    QTemporaryDir dir;
    const QString fresh = dir.path() + "/fresh.desktop";
    const QString older = dir.path() + "/older.desktop";
    ASSERT_TRUE(WriteFile(older, "old"));
    ASSERT_TRUE(SetMode(older, 0644));
    for (const QString& path : {fresh, older}) {
        QSaveFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(MakePrivateFile(file));
        file.write("new");
        ASSERT_TRUE(file.commit());
        EXPECT_EQ(OctalMode(ModeOf(path)), OctalMode(0600)) << path.toStdString();
        EXPECT_EQ(ReadFile(path), "new");
    }
}
