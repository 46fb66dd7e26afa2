// Files, INI files, paths and the small helpers built on them.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "common/file.h"
#include "common/ini.h"
#include "common/maker.h"
#include "common/path.h"
#include "common/process.h"

namespace lumo {
namespace {

namespace fs = std::filesystem;

// A scratch folder with a Chinese name, so every file test covers non-ASCII
// paths; removed afterwards.
class FileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string tag =
            "lumo-\xE6\xB5\x8B\xE8\xAF\x95-" + std::to_string(std::random_device()());
        path_ = fs::temp_directory_path() / fs::path(std::u8string(tag.begin(), tag.end()));
        fs::create_directories(path_);
        const std::u8string u8 = path_.u8string();
        folder_ = std::string(u8.begin(), u8.end()) + char(fs::path::preferred_separator);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    fs::path path_;
    std::string folder_;  // UTF-8, with a trailing separator
};

TEST_F(FileTest, WritesReplacesAndReadsBytesExactly) {
    const std::string file = folder_ + "\xE6\x95\xB0\xE6\x8D\xAE.dat";  // 数据.dat
    const std::string bytes("a\0b\r\n\xD6\xD0\n\x1Az", 10);
    EXPECT_FALSE(ReadFileBytes(file));
    ASSERT_TRUE(WriteFileBytes(file, bytes));
    EXPECT_EQ(ReadFileBytes(file), bytes);
    ASSERT_TRUE(WriteFileBytes(file, "short"));  // over an existing, longer file
    EXPECT_EQ(ReadFileBytes(file), "short");
    EXPECT_EQ(std::distance(fs::directory_iterator(path_), fs::directory_iterator()), 1);
    EXPECT_FALSE(WriteFileBytes(folder_ + "missing/x.dat", "x"));
}

TEST_F(FileTest, TellsFilesFromFoldersAndCreatesFolders) {
    const std::string nested = folder_ + "UserData/\xE6\xB8\xB8\xE6\x88\x8F/";
    EXPECT_FALSE(FolderExists(nested));
    EXPECT_TRUE(CreateFolders(nested));
    EXPECT_TRUE(CreateFolders(nested));  // already there
    EXPECT_TRUE(FolderExists(nested));
    EXPECT_FALSE(FileExists(nested));
    ASSERT_TRUE(WriteFileBytes(nested + "gList.dat", "x"));
    EXPECT_TRUE(FileExists(nested + "gList.dat"));
    EXPECT_FALSE(FolderExists(nested + "gList.dat"));
    EXPECT_FALSE(CreateFolders(nested + "gList.dat/sub"));  // a file is in the way
}

TEST_F(FileTest, IniOneShotAccessKeepsTheFile) {
    const std::string file = folder_ + "Config.ini";
    EXPECT_EQ(ReadIniString(file, "S", "k", "def"), "def");  // no file yet
    ASSERT_TRUE(WriteFileBytes(file, "; keep me\n[S]\nk = 1\n"));
    ASSERT_TRUE(WriteIniString(file, "s", "K", "\xD6\xD0\xCE\xC4"));
    ASSERT_TRUE(WriteIniString(file, "T", "n", "2"));
    EXPECT_EQ(ReadFileBytes(file), "; keep me\r\n[S]\r\nk=\xD6\xD0\xCE\xC4\r\n[T]\r\nn=2\r\n");
    EXPECT_EQ(ReadIniString(file, "S", "k"), "\xD6\xD0\xCE\xC4");
}

TEST_F(FileTest, MakerHostComesFromConfigIniOrTheDefault) {
    EXPECT_EQ(MakerHost(folder_), kDefaultMakerHost);
    ASSERT_TRUE(WriteFileBytes(folder_ + "Config.ini", "[Server]\r\nHost=   \r\n"));
    EXPECT_EQ(MakerHost(folder_), kDefaultMakerHost);
    ASSERT_TRUE(WriteFileBytes(folder_ + "Config.ini", "[server]\r\nhost = 127.0.0.1:8080 \r\n"));
    EXPECT_EQ(MakerUrl(folder_, "/box.html"), "http://127.0.0.1:8080/box.html");
}

TEST(Path, SplitsWindowsAndSlashPaths) {
    EXPECT_EQ(FolderOf("C:\\a/b\\Lumo.exe"), "C:\\a/b\\");
    EXPECT_EQ(FolderOf("Lumo.exe"), "");
    EXPECT_EQ(FileNameOf("C:\\a/b\\Lumo.exe"), "Lumo.exe");
    EXPECT_EQ(FileNameOf("C:\\a\\"), "");
    EXPECT_EQ(TitleOf("C:\\x.y\\Lumo.old.exe"), "Lumo");
    EXPECT_EQ(TitleOf("Lumo"), "Lumo");
    EXPECT_EQ(WithTrailingSeparator("C:\\a"), "C:\\a\\");
    EXPECT_EQ(WithTrailingSeparator("C:\\a/"), "C:\\a/");
    EXPECT_EQ(WithTrailingSeparator("/tmp", '/'), "/tmp/");
}

TEST(Process, ExeNameMatchesFileNameThenWholeField) {
    EXPECT_TRUE(ExeNameMatches("C:\\Games\\lumo.EXE", "Lumo.exe"));
    EXPECT_TRUE(ExeNameMatches("C:/Games/Lumo.exe", "lumo.exe"));
    EXPECT_TRUE(ExeNameMatches("C:\\Games\\Lumo.exe", "c:\\games\\LUMO.exe"));
    EXPECT_FALSE(ExeNameMatches("C:\\Lumo.exe\\other.exe", "Lumo.exe"));
    EXPECT_FALSE(ExeNameMatches("Lumo.exe.bak", "Lumo.exe"));
}

}  // namespace
}  // namespace lumo
