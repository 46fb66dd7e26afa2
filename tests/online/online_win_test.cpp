// The shell's presence reports, version check and update prompt, end to end:
// a real Lumo.exe in its own program folder against the local maker server.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "common/file.h"
#include "common/ini.h"
#include "common/text.h"
#include "common/text_win.h"
#include "tests/app/lumo_shell.h"

using namespace lumo;
using namespace lumo::test;

namespace {

class Online : public ::testing::Test {
  protected:
    void SetUp() override {
        Server("/_control/reset");
        Server("/_control/clearlog");
    }
    void TearDown() override { Server("/_control/reset"); }

    static int Stat(const std::string& key) {
        std::string stats = Server("/_stats");
        size_t at = stats.find(key + "=");
        return at == std::string::npos ? -1 : std::atoi(stats.c_str() + at + key.size() + 1);
    }
    static bool Logged(const std::string& part) {
        return Server("/_log").find(part) != std::string::npos;
    }
};

// The update prompt of process `pid`, once it is visible.
HWND WaitForPrompt(DWORD pid, int ms) {
    return WaitForVisibleWindow(pid, L"TfrmUpdate", ms);
}

// The arguments argv_echo wrote: "length:text" lines.
std::vector<std::string> ReadEcho(const std::string& path) {
    std::vector<std::string> args;
    std::string text = ReadFileBytes(path).value_or("");
    for (size_t at = 0; at < text.size();) {
        size_t colon = text.find(':', at);
        if (colon == std::string::npos)
            break;
        size_t n = std::stoul(text.substr(at, colon - at));
        args.push_back(text.substr(colon + 1, n));
        at = colon + 1 + n + 1;
    }
    return args;
}

TEST_F(Online, NewerServerVersionPromptsAndOkStartsTheUpdaterQuoted) {
    Server("/_control/set?version=1.2.0.0");
    // A program folder with a blank in its path, as under Program Files.
    Shell shell("program files");
    const std::string folder = shell.folder();
    ASSERT_NE(folder.find(' '), std::string::npos);
    ASSERT_TRUE(CopyFileW(ToW(TestProgram("argv_echo.exe")).c_str(),
                          ToW(folder + "Update\\LumoUpdate.exe").c_str(), FALSE));
    const std::string echo = folder + "argv.txt";
    SetEnvironmentVariableW(L"ARGV_ECHO_OUT", ToW(echo).c_str());
    ASSERT_TRUE(shell.Start());

    HWND prompt = WaitForPrompt(shell.process().pid, 15000);
    ASSERT_TRUE(prompt);
    EXPECT_EQ(WindowText(prompt), "升级提示");
    RECT client{};
    GetClientRect(prompt, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 233);
    EXPECT_EQ(WindowText(FindControl(prompt, L"Label1")), "检测到新版本,是否开始启动升级?");
    EXPECT_FALSE(IsWindowEnabled(shell.main()));  // modal over the main window
    // The local copy holds the server's answer.
    EXPECT_EQ(ReadIniString(folder + "Update\\config.ini", "version", "version"), "1.2.0.0");

    PostMessageW(FindControl(prompt, L"sbtnOk"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return ReadEcho(echo).size() == 4; }, 15000));
    std::vector<std::string> argv = ReadEcho(echo);
    EXPECT_TRUE(EqualsNoCase(argv[0], folder + "Update\\LumoUpdate.exe")) << argv[0];
    EXPECT_EQ(argv[1], "1.1.0.0");
    EXPECT_TRUE(EqualsNoCase(argv[2], folder + "Lumo.exe")) << argv[2];
    EXPECT_EQ(argv[3], ServerUrl("/user/VersionInfo/config.ini"));
    // The shell goes on as usual.
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(shell.main()) != FALSE; }, 5000));
    EXPECT_FALSE(IsWindowVisible(prompt));
    EXPECT_TRUE(shell.Responsive());
    SetEnvironmentVariableW(L"ARGV_ECHO_OUT", nullptr);
}

TEST_F(Online, AnnouncementPageCoversTheQuestionAndCancelStartsNothing) {
    std::string page;
    for (char c : ServerUrl("/faq.html?news=1")) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
        page += hex;
    }
    ASSERT_EQ(Server("/_control/set?version=1.0.0.9&imagepath=" + page), "ok\n");
    Shell shell("announce");
    const std::string echo = shell.folder() + "argv.txt";
    CopyFileW(ToW(TestProgram("argv_echo.exe")).c_str(),
              ToW(shell.folder() + "Update\\LumoUpdate.exe").c_str(), FALSE);
    SetEnvironmentVariableW(L"ARGV_ECHO_OUT", ToW(echo).c_str());
    ASSERT_TRUE(shell.Start());
    HWND prompt = WaitForPrompt(shell.process().pid, 15000);
    ASSERT_TRUE(prompt);
    EXPECT_TRUE(WaitFor([] { return Logged("/faq.html?news=1"); }, 10000));
    // A browser lies over the question.
    HWND browser = nullptr;
    for (HWND c = GetWindow(prompt, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (ControlName(c).empty() && IsWindowVisible(c))
            browser = c;
    ASSERT_TRUE(browser);
    RECT r{};
    GetWindowRect(browser, &r);
    EXPECT_EQ(r.right - r.left, 313);
    EXPECT_EQ(r.bottom - r.top, 217);
    PostMessageW(FindControl(prompt, L"sbtnCancel"), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(shell.main()) != FALSE; }, 5000));
    Sleep(1000);
    EXPECT_FALSE(FileExists(echo));
    SetEnvironmentVariableW(L"ARGV_ECHO_OUT", nullptr);
}

TEST_F(Online, EqualVersionWithBlanksOrAnErrorAnswerNoPrompt) {
    for (const char* sw :
         {"version=%201.1.0.0%20", "notfound=1&path=/user/VersionInfo/config.ini"}) {
        SCOPED_TRACE(sw);
        Server("/_control/reset");
        Server("/_control/clearlog");
        Server(std::string("/_control/set?") + sw);
        Shell shell("equal");
        WriteFileBytes(shell.folder() + "Update\\config.ini", "[version]\r\nversion=old\r\n");
        ASSERT_TRUE(shell.Start());
        ASSERT_TRUE(WaitFor([] { return Logged("/user/VersionInfo/config.ini"); }, 10000));
        Sleep(1500);
        EXPECT_FALSE(WaitForPrompt(shell.process().pid, 0));
        std::string copy =
            ReadIniString(shell.folder() + "Update\\config.ini", "version", "version");
        // An error answer leaves the earlier copy as it was.
        EXPECT_EQ(copy, std::string(sw).starts_with("notfound") ? "old" : "1.1.0.0");
    }
}

TEST_F(Online, ReportsRegisterANewClientAndSendItsIdentifierAtExit) {
    Server("/_control/set?nextid=4242");
    Shell shell("presence");
    ASSERT_TRUE(shell.Start());
    ASSERT_TRUE(WaitFor([] { return Stat("starts") == 1; }, 15000));
    EXPECT_TRUE(WaitFor(
        [&] {
            return ReadIniString(shell.folder() + "Config.ini", "Client", "ClientId") == "4242";
        },
        5000));
    shell.Kill();
    EXPECT_EQ(Stat("ends"), 1);
    EXPECT_EQ(Stat("md5_ok"), 2);
    EXPECT_EQ(Stat("md5_bad"), 0);
    EXPECT_TRUE(Logged("op=1&rand="));
    std::string log = Server("/_log");
    size_t end = log.find("op=2&rand=");
    ASSERT_NE(end, std::string::npos) << log;
    EXPECT_NE(log.find("&key=4242&md5=", end), std::string::npos) << log;
}

TEST_F(Online, ASecondStartThatHandsOverDoesNotReport) {
    Shell shell("handover");
    ASSERT_TRUE(shell.Start());
    ASSERT_TRUE(WaitFor([] { return Stat("starts") == 1; }, 15000));
    auto second = StartProgram(shell.folder() + "Lumo.exe", {ServerUrl("/faq.html?second=1")},
                               shell.folder());
    ASSERT_TRUE(second);
    ASSERT_TRUE(second->Ended(20000));
    EXPECT_TRUE(shell.WaitForPages(2));
    Sleep(500);
    EXPECT_EQ(Stat("starts"), 1);
    EXPECT_EQ(Stat("ends"), 0);
}

TEST_F(Online, StallingServerDelaysNeitherTheMainWindowNorTheExit) {
    Server("/_control/set?delay=20000");
    Shell shell("stall");
    auto t0 = std::chrono::steady_clock::now();
    auto proc = StartProgram(shell.folder() + "Lumo.exe", {}, shell.folder());
    ASSERT_TRUE(proc);
    HWND main = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            for (HWND h : WindowsOfProcess(proc->pid, L"TfrmMain"))
                if (IsWindowVisible(h))
                    main = h;
            return main != nullptr;
        },
        15000));
    auto shown = std::chrono::steady_clock::now() - t0;
    EXPECT_LT(shown, std::chrono::seconds(6));
    Sleep(1000);  // the requests are under way
    auto t1 = std::chrono::steady_clock::now();
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(proc->Ended(15000));
    auto exit = std::chrono::steady_clock::now() - t1;
    // Closing the pages takes its own time; the end report adds a second.
    EXPECT_LT(exit, std::chrono::seconds(6));
    Server("/_control/reset");
}

}  // namespace
