// Process roles, the hand-off to a running shell and the message protocol,
// between real processes under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/file.h"
#include "common/text.h"
#include "common/text_win.h"
#include "protocol/messages_win.h"
#include "shell/shell_process_win.h"
#include "tests/support/recording_shell.h"
#include "tests/support/test_support.h"

using namespace lumo;
using namespace lumo::test;

namespace {

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::string text = ReadFileBytes(path).value_or("");
    size_t pos = 0;
    for (size_t nl; (nl = text.find('\n', pos)) != std::string::npos; pos = nl + 1)
        lines.push_back(text.substr(pos, nl - pos));
    return lines;
}

// A fake shell (holding the mutex, named Lumo.exe) in its own folder.
struct FakeShell {
    TempFolder folder{"fake"};
    std::string log = folder.path() + "received.txt";
    std::optional<Started> proc;
    HWND window = nullptr;

    bool Start() {
        std::string exe = folder.path() + "Lumo.exe";
        CopyFileW(ToW(TestProgram("fake_shell.exe")).c_str(), ToW(exe).c_str(), FALSE);
        proc = StartProgram(exe, {log, "--mutex"});
        if (!proc)
            return false;
        window = WaitForWindow(proc->pid, L"TfrmMain", 15000);
        return window != nullptr;
    }
    ~FakeShell() {
        if (proc && !proc->Ended()) {
            TerminateProcess(proc->process.get(), 0);
            proc->Ended(5000);
        }
    }
};

}  // namespace

TEST(SecondStart, HandsItsAddressToTheRunningShellAndShowsNoWindow) {
    FakeShell running;
    ASSERT_TRUE(running.Start());
    TempFolder folder("second");
    std::string exe = LayOutProgramFolder(folder.path());

    std::string address = "http://127.0.0.1/游戏 \"a\" b.html?x=1&y=\\";
    auto second = StartProgram(exe, {address});
    ASSERT_TRUE(second);
    ASSERT_TRUE(second->Ended(20000));
    EXPECT_EQ(second->ExitCode(), 0u);
    EXPECT_TRUE(WindowsOfProcess(second->pid, L"TfrmMain").empty());
    EXPECT_EQ(ReadLines(running.log), std::vector<std::string>{"NT:" + address});

    // Only blanks, or nothing: nothing is sent.
    for (std::vector<std::string> args :
         {std::vector<std::string>{"   "}, std::vector<std::string>{}}) {
        auto quiet = StartProgram(exe, args);
        ASSERT_TRUE(quiet);
        ASSERT_TRUE(quiet->Ended(20000));
    }
    EXPECT_EQ(ReadLines(running.log).size(), 1u);
    EXPECT_FALSE(running.proc->Ended());
}

TEST(ShellStart, EmptyThirdArgumentIsAShellAndExitRemovesCookieFolders) {
    TempFolder folder("shell");
    std::string exe = LayOutProgramFolder(folder.path());
    ASSERT_TRUE(CreateFolders(folder.path() + "cookies\\Temp5"));
    ASSERT_TRUE(WriteFileBytes(folder.path() + "cookies\\Temp5\\a.txt", "x"));

    SetEnvironmentVariableW(L"LUMO_BROWSER_ENGINE", L"headless");
    auto shell = StartProgram(exe, {"123", "about:blank", ""}, folder.path());
    ASSERT_TRUE(shell);
    HWND main = WaitForWindow(shell->pid, L"TfrmMain", 20000);
    ASSERT_TRUE(main);
    // The forms of the shell exist, created after the main window.
    EXPECT_TRUE(WaitForWindow(shell->pid, L"TfrmAddGame", 30000));
    EXPECT_GE(WindowsOfProcess(shell->pid, L"TFormWebBrowser").size(), 1u);
    for (const wchar_t* cls : {L"TfrmBase", L"TfrmPublic", L"TfrmAbout", L"TfrmAddGame"})
        EXPECT_EQ(WindowsOfProcess(shell->pid, cls).size(), 1u) << FromW(cls);

    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(shell->Ended(20000));
    EXPECT_EQ(shell->ExitCode(), 0u);
    EXPECT_TRUE(WaitFor([&] { return !FolderExists(folder.path() + "cookies"); }, 15000));
}

TEST(ShellStart, ExitStepsRunWhenTheLoopEndsByAnException) {
    bool ran = false;
    int code = RunWithExitSteps([]() -> int { throw std::runtime_error("loop failed"); },
                                [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(code, 1);
    // A throwing exit step does not escape either.
    EXPECT_EQ(RunWithExitSteps([] { return 0; }, [] { throw 1; }), 0);
}

TEST(Protocol, ShellWindowSurvivesMalformedCopyData) {
    FakeShell running;
    ASSERT_TRUE(running.Start());
    // No terminator, invalid UTF-8 under our tag, a large payload, garbage.
    std::string bare = "TC:no terminator";
    std::string invalid = "TC:\xC3\x28";
    std::string large((1u << 20) + 4096, 'A');
    std::string garbage = "\x01\xFF\x00\x7F\x80garbage";
    struct Payload {
        ULONG_PTR tag;
        std::string bytes;
    } payloads[] = {{0x384D554C, bare}, {0x384D554C, invalid}, {0, large}, {12345, garbage}};
    for (const Payload& p : payloads) {
        COPYDATASTRUCT cds{p.tag, static_cast<DWORD>(p.bytes.size()),
                           const_cast<char*>(p.bytes.data())};
        DWORD_PTR r = 0;
        SendMessageTimeoutW(running.window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds),
                            SMTO_ABORTIFHUNG, 10000, &r);
    }
    EXPECT_TRUE(Answers(running.window));
    auto lines = ReadLines(running.log);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], bare);
    EXPECT_EQ(lines[1], "<malformed>");
    EXPECT_EQ(lines[2], "<malformed>");  // beyond the size limit
}
