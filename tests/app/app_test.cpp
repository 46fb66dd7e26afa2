// The two programs as built: resources, start and clean exit under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "common/handle_win.h"
#include "common/text.h"
#include "common/text_win.h"
#include "tests/support/test_support.h"

using namespace lumo;
using namespace lumo::test;

namespace {

std::string QueryVersionString(const std::string& exe, const char* key) {
    DWORD dummy = 0;
    DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &dummy);
    if (size == 0)
        return "<no version info>";
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(exe.c_str(), 0, size, block.data()))
        return "<unreadable>";
    std::string sub = std::string("\\StringFileInfo\\080403a8\\") + key;
    char* value = nullptr;
    UINT len = 0;
    if (!VerQueryValueA(block.data(), sub.c_str(), reinterpret_cast<void**>(&value), &len) ||
        !value)
        return "<missing>";
    return value;
}

}  // namespace

TEST(AppResources, VersionTablesUnderChineseCodePage) {
    std::string build = Env("LUMO_BUILD_DIR");
    std::string lumo = HostPath(build + "/app/Lumo/Lumo.exe");
    std::string update = HostPath(build + "/app/LumoUpdate/LumoUpdate.exe");
    EXPECT_EQ(QueryVersionString(lumo, "FileVersion"), "1.1.0.0");
    for (const char* key :
         {"CompanyName", "FileDescription", "InternalName", "LegalCopyright", "LegalTrademarks",
          "OriginalFilename", "ProductName", "ProductVersion"}) {
        std::string v = QueryVersionString(lumo, key);
        EXPECT_FALSE(v.empty() || v[0] == '<') << key << ": " << v;
    }
    // The ANSI query gives GBK text.
    EXPECT_EQ(AnsiToUtf8(QueryVersionString(lumo, "ProductName")), "Lumo网页游戏多开器");
    EXPECT_EQ(QueryVersionString(update, "OriginalFilename"), "LumoUpdate.exe");

    HMODULE mod = LoadLibraryExW(ToW(lumo).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(mod);
    EXPECT_TRUE(FindResourceW(mod, MAKEINTRESOURCEW(1), RT_ICON) ||
                FindResourceW(mod, MAKEINTRESOURCEW(1), RT_GROUP_ICON));
    EXPECT_TRUE(FindResourceW(mod, MAKEINTRESOURCEW(1), RT_MANIFEST));
    FreeLibrary(mod);
}

TEST(AppStart, ShellShowsMainWindowAndExitsCleanlyWhenClosed) {
    TempFolder folder("app");
    std::string exe = LayOutProgramFolder(folder.path());
    std::wstring cmd = L"\"" + ToW(exe) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(ToW(exe).c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               ToW(folder.path()).c_str(), &si, &pi));
    UniqueHandle proc(pi.hProcess), thread(pi.hThread);
    HWND main = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            for (HWND h : WindowsOfProcess(pi.dwProcessId, L"TfrmMain"))
                if (IsWindowVisible(h))
                    main = h;
            return main != nullptr;
        },
        20000));
    wchar_t caption[256];
    GetWindowTextW(main, caption, 256);
    EXPECT_EQ(FromW(caption).rfind("Lumo网页游戏多开器", 0), 0u);
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(proc.get(), 20000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(proc.get(), &code);
    EXPECT_EQ(code, 0u);
}
