// The Windows halves of the common pieces, against the real system under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/cmdline.h"
#include "common/file.h"
#include "common/handle_win.h"
#include "common/http.h"
#include "common/ini.h"
#include "common/maker.h"
#include "common/path.h"
#include "common/process.h"
#include "common/text.h"
#include "common/text_win.h"
#include "tests/support/test_support.h"

using namespace lumo;
using namespace lumo::test;
using namespace std::chrono_literals;

TEST(WinText, AnsiIsCodePage936) {
    ASSERT_EQ(GetACP(), 936u) << "the tests expect LC_ALL=zh_CN.UTF-8";
    EXPECT_EQ(Utf8ToAnsi("中文abc"),
              "\xD6\xD0\xCE\xC4"
              "abc");
    EXPECT_EQ(AnsiToUtf8("\xD6\xD0\xCE\xC4"), "中文");
    // Characters outside GBK become '?' without cutting the rest.
    // (Windows may replace each half of a surrogate pair.)
    std::string replaced = Utf8ToAnsi("a😀b한c");
    EXPECT_TRUE(replaced == "a?b?c" || replaced == "a??b?c") << replaced;
    EXPECT_EQ(FromW(ToW("游戏大厅 - alice 😀")), "游戏大厅 - alice 😀");
    EXPECT_EQ(FromW(static_cast<const wchar_t*>(nullptr)), "");
}

TEST(WinPath, ProgramFolderEndsWithBackslash) {
    std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_TRUE(FileExists(folder + FileNameOf(ExecutablePath())));
}

TEST(WinProcess, IsProcessRunningMatchesNamesIgnoringCase) {
    std::string self = FileNameOf(ExecutablePath());
    EXPECT_TRUE(IsProcessRunning(self));
    EXPECT_TRUE(IsProcessRunning(AsciiLower(self)));
    EXPECT_TRUE(IsProcessRunning(AsciiUpper(self)));
    EXPECT_FALSE(IsProcessRunning("NoSuchProgram-4711.exe"));
    EXPECT_FALSE(IsProcessRunning(""));
}

namespace {

// Starts argv_echo.exe with `line` and returns what it saw.
std::vector<std::string> EchoArgs(const std::string& line) {
    TempFolder tmp("argv");
    std::string out = tmp.path() + "args.txt";
    SetEnvironmentVariableW(L"ARGV_ECHO_OUT", ToW(out).c_str());
    std::wstring exe = ToW(HostPath(Env("LUMO_BUILD_DIR") + "/tests/support/argv_echo.exe"));
    std::wstring cmd = ToW(line);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return {"<CreateProcess failed>"};
    UniqueHandle proc(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(proc.get(), 20000);
    std::vector<std::string> args;
    std::string text = ReadFileBytes(out).value_or("");
    for (size_t pos = 0; pos < text.size();) {
        size_t colon = text.find(':', pos);
        size_t len = std::stoul(text.substr(pos, colon - pos));
        args.push_back(text.substr(colon + 1, len));
        pos = colon + 1 + len + 1;
    }
    return args;
}

}  // namespace

TEST(WinCmdline, RoundTripsThroughCreateProcess) {
    std::string exe = HostPath(Env("LUMO_BUILD_DIR") + "/tests/support/argv_echo.exe");
    std::vector<std::string> args = {
        "plain",
        "with blanks  inside",
        "",
        "say \"hi\"",
        "C:\\trailing\\",
        "C:\\trailing space\\",
        "\\\\\"",
        "a\\\\b\\\"c",
        "游戏大厅 - 张三 😀",
        "\t tab",
        "<Forms><Form name=\"login\" action=\"/a?x=1&y=2\"/></Forms>",
        "\"\"",
    };
    std::optional<std::string> line = BuildCommandLine(exe, args);
    ASSERT_TRUE(line);
    std::vector<std::string> seen = EchoArgs(*line);
    ASSERT_EQ(seen.size(), args.size() + 1);
    for (size_t i = 0; i < args.size(); ++i) EXPECT_EQ(seen[i + 1], args[i]) << "argument " << i;
    // What our splitter reads from the line is what Windows reads.
    EXPECT_EQ(SplitCommandLine(*line), seen);
}

TEST(WinCmdline, OverlongArgumentIsRejectedBeforeCreateProcess) {
    std::string big(32 * 1024, 'x');
    EXPECT_FALSE(BuildCommandLine("C:\\Lumo.exe", {"1", big}));
    std::string fits(30000, 'y');
    std::optional<std::string> line =
        BuildCommandLine(HostPath(Env("LUMO_BUILD_DIR") + "/tests/support/argv_echo.exe"), {fits});
    ASSERT_TRUE(line);
    std::vector<std::string> seen = EchoArgs(*line);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], fits);
}

TEST(WinHttp, GetsBodiesAndStatuses) {
    auto ok = HttpGet(ServerUrl("/user/ADPage/firstPage.ini"));
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->status, 200);
    EXPECT_NE(ok->body.find("[ADList]"), std::string::npos);

    auto missing = HttpGet(ServerUrl("/no/such/page.html"));
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);

    auto file = HttpGet(ServerUrl("/user/VersionInfo/Lumo"));
    ASSERT_TRUE(file);
    EXPECT_FALSE(file->lastModified.empty());
    EXPECT_FALSE(file->body.empty());

    EXPECT_FALSE(HttpGet("not a url"));
    EXPECT_FALSE(HttpGet("ftp://127.0.0.1/x"));
}

TEST(WinHttp, GivesUpOnSlowAndUnreachableServers) {
    ASSERT_TRUE(HttpGet(ServerUrl("/_control/set?delay=5000")));
    auto slow = HttpGet(ServerUrl("/faq.html"), 1000ms);
    HttpGet(ServerUrl("/_control/reset"), 10000ms);
    EXPECT_FALSE(slow);
    // Nothing listens on port 9 of the loopback.
    EXPECT_FALSE(HttpGet("http://127.0.0.1:9/x", 1000ms));
}

TEST(WinIni, FetchedBodyWrittenToDiskReadsBack) {
    TempFolder tmp("ini");
    auto resp = HttpGet(ServerUrl("/user/VersionInfo/config.ini"));
    ASSERT_TRUE(resp);
    std::string path = tmp.path() + "Update\\config.ini";
    ASSERT_TRUE(CreateFolders(tmp.path() + "Update"));
    ASSERT_TRUE(WriteFileBytes(path, resp->body + "\r\n"));
    EXPECT_EQ(Trim(ReadIniString(path, "VERSION", "Version")), "1.1.0.0");
    // The system's own reader agrees with ours.
    wchar_t buf[64];
    GetPrivateProfileStringW(L"version", L"version", L"", buf, 64, ToW(path).c_str());
    EXPECT_EQ(FromW(buf), ReadIniString(path, "version", "version"));
}

TEST(WinMaker, HostComesFromConfigIni) {
    TempFolder tmp("maker");
    EXPECT_EQ(MakerHost(tmp.path()), kDefaultMakerHost);
    WritePrivateProfileStringW(L"Server", L"Host", L" 127.0.0.1:1234 ",
                               ToW(tmp.path() + "Config.ini").c_str());
    EXPECT_EQ(MakerUrl(tmp.path(), "/faq.html"), "http://127.0.0.1:1234/faq.html");
}
