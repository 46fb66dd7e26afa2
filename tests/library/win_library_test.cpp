// The game library against the real system under Wine: bills protected for
// the user, the UserData folder and its fallback, a save killed half-way and
// a list file that cannot be read.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "common/file.h"
#include "common/handle_win.h"
#include "common/path.h"
#include "common/text.h"
#include "common/text_win.h"
#include "library/bill_protect_win.h"
#include "library/game_list.h"
#include "library/user_data_win.h"
#include "tests/library/sample_games.h"
#include "tests/support/test_support.h"

using namespace lumo;
using namespace lumo::test;

namespace {

const std::string kBill =
    "<Forms><Form><FormName>登录</FormName><ITEM><EName>pwd</EName><EValue>s3cr&amp;t&lt;"
    "\"老虎\"</EValue></ITEM></Form></Forms>";

size_t FilesIn(const std::string& folder) {
    size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(ToW(folder))) n += e.is_regular_file();
    return n;
}

}  // namespace

// A plain bill of an older file loads; every save from then on protects it.
TEST(WinBills, ProtectedForTheUserThroughTheFile) {
    TempFolder tmp("bills");
    ASSERT_TRUE(WriteFileBytes(tmp.path() + "gList.dat",
                               "#BEGIN#\r\n#FOLDER#\xB7\xD6\xC0\xE0\r\n#NAME#n\r\n#Bill#" +
                                   Utf8ToAnsi(kBill) + "\r\n#END#\r\n"));
    {
        GameLibrary lib(tmp.path(), UserBillProtector());
        lib.Load();
        ASSERT_EQ(lib.games().size(), 1u);
        EXPECT_EQ(lib.games()[0]->Folder, "分类");
        EXPECT_EQ(lib.games()[0]->Bill, kBill);
        lib.AddGame("分类", "m", "", "v");
        lib.AddRecentGame("n", "", kBill);
    }
    for (const char* name : {"gList.dat", "Recents.dat"}) {
        const std::string text = ReadFileBytes(tmp.path() + name).value_or("");
        EXPECT_NE(text.find("#Bill#LUMODPAPI1:"), std::string::npos) << name;
        EXPECT_EQ(text.find("s3cr"), std::string::npos) << name;
    }
    GameLibrary lib(tmp.path(), UserBillProtector());
    lib.Load();
    ASSERT_EQ(lib.games().size(), 2u);
    ASSERT_EQ(lib.recents().size(), 1u);
    EXPECT_EQ(lib.games()[0]->Bill, kBill);
    EXPECT_EQ(lib.recents()[0]->Bill, kBill);
    EXPECT_FALSE(UserBillProtector().unprotect("no protected data of ours"));
}

TEST(WinUserData, ProgramFolderFirstThenThePerUserFolder) {
    TempFolder tmp("userdata");
    const std::string program = tmp.path() + "Program\\";
    const std::string local = tmp.path() + "Local\\";
    ASSERT_TRUE(CreateFolders(program));

    UserDataFolder normal = PrepareUserDataIn(program, local);
    EXPECT_EQ(normal.folder, program + "UserData\\");
    EXPECT_FALSE(normal.fellBack);
    EXPECT_TRUE(FolderExists(normal.folder));
    EXPECT_EQ(FilesIn(normal.folder), 0u);  // the write test leaves nothing

    // A program folder where UserData cannot be made: the per-user folder.
    const std::string blocked = tmp.path() + "Blocked\\";
    ASSERT_TRUE(CreateFolders(blocked));
    ASSERT_TRUE(WriteFileBytes(blocked + "UserData", "a file in the way"));
    UserDataFolder fallback = PrepareUserDataIn(blocked, local);
    EXPECT_TRUE(fallback.fellBack);
    EXPECT_EQ(fallback.folder, local + "Lumo\\UserData\\");
    EXPECT_TRUE(FolderIsWritable(fallback.folder));

    // Nowhere writable: the program folder's, so the lists still load.
    UserDataFolder none = PrepareUserDataIn(blocked, blocked + "UserData\\x");
    EXPECT_FALSE(none.fellBack);
    EXPECT_EQ(none.folder, blocked + "UserData\\");
    EXPECT_FALSE(FolderIsWritable(blocked + "UserData\\"));

    const std::string forced = tmp.path() + "Forced";
    SetEnvironmentVariableW(L"LUMO_USERDATA_DIR", ToW(forced).c_str());
    UserDataFolder env = PrepareUserData(blocked);
    SetEnvironmentVariableW(L"LUMO_USERDATA_DIR", nullptr);
    EXPECT_EQ(env.folder, forced + "\\");
    EXPECT_TRUE(FolderExists(forced));
}

// The child half of the next test: adds and removes one game for ever, each
// change a full save, until it is killed.
TEST(WinLibrarySaveChild, SavesUntilKilled) {
    const std::string folder = Env("LUMO_SAVE_LOOP_DIR");
    if (folder.empty())
        GTEST_SKIP() << "started by WinLibrary.SaveKilledHalfWayLeavesAWholeList";
    GameLibrary lib(folder);
    lib.Load();
    lib.RemoveCategory("Extra");  // left by the child killed before
    for (;;) {
        TGameline* extra = lib.AddGame("Extra", "extra game", "<Forms/>", "http://extra/");
        lib.RemoveGame(extra);
    }
}

TEST(WinLibrary, SaveKilledHalfWayLeavesAWholeList) {
    TempFolder tmp("killed");
    const std::string before = FormatGameList(MakeSampleGames(3000));
    GameLines withExtra = MakeSampleGames(3000);
    withExtra.push_back(
        std::make_unique<TGameline>(TGameline{"Extra", "extra game", "http://extra/", "<Forms/>"}));
    const std::string after = FormatGameList(withExtra);
    ASSERT_TRUE(WriteFileBytes(tmp.path() + "gList.dat", before));

    SetEnvironmentVariableW(L"LUMO_SAVE_LOOP_DIR", ToW(tmp.path()).c_str());
    std::mt19937 rng(std::random_device{}());
    int seenAfter = 0;
    for (int round = 0; round < 12; ++round) {
        auto child =
            StartProgram(ExecutablePath(), {"--gtest_filter=WinLibrarySaveChild.SavesUntilKilled"});
        ASSERT_TRUE(child);
        Sleep(300 + rng() % 700);
        ASSERT_FALSE(child->Ended()) << "the saving child ended by itself";
        TerminateProcess(child->process.get(), 1);
        ASSERT_TRUE(child->Ended(5000));
        const std::string now = ReadFileBytes(tmp.path() + "gList.dat").value_or("(unreadable)");
        ASSERT_TRUE(now == before || now == after)
            << "round " << round << ": a torn list of " << now.size()
            << " bytes (whole: " << before.size() << " or " << after.size()
            << "; differs from the first at "
            << std::mismatch(now.begin(), now.end(), before.begin(), before.end()).first -
                   now.begin()
            << ")";
        seenAfter += now == after;
    }
    SetEnvironmentVariableW(L"LUMO_SAVE_LOOP_DIR", nullptr);
    RecordProperty("rounds_with_the_extra_game", seenAfter);
    // The next start clears what the killed saves left behind.
    GameLibrary lib(tmp.path());
    lib.Load();
    EXPECT_GE(lib.games().size(), 3000u);
    EXPECT_EQ(FilesIn(tmp.path()), 1u);
}

TEST(WinLibrary, AListThatCannotBeReadIsSetAsideNotOverwritten) {
    TempFolder tmp("locked");
    const std::string path = tmp.path() + "gList.dat";
    const std::string old =
        "#BEGIN#\r\n#FOLDER#f\r\n#NAME#kept\r\n#ADDRESS#u\r\n#Bill#\r\n#END#\r\n";
    ASSERT_TRUE(WriteFileBytes(path, old));
    GameLibrary lib(tmp.path());
    {
        UniqueHandle lock(CreateFileW(ToW(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock);
        lib.Load();  // the program starts with an empty list
        EXPECT_TRUE(lib.games().empty());
        lib.AddGame("f", "new", "", "v");  // cannot set the old file aside: no save
        EXPECT_FALSE(lib.SaveGameList());
    }
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_TRUE(lib.SaveGameList());
    EXPECT_EQ(ReadFileBytes(path + ".unreadable"), old);
    GameLibrary reloaded(tmp.path());
    reloaded.Load();
    ASSERT_EQ(reloaded.games().size(), 1u);
    EXPECT_EQ(reloaded.games()[0]->Name, "new");
}
