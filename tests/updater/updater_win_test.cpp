// LumoUpdate.exe end to end: a program folder laid out like an installation,
// the local maker server serving a real program (Lumo.exe with another
// version) or a bad download, and page processes of Lumo.exe to end; last,
// the whole update from a running shell's offer to the new program's start.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <vector>

#include "common/base64.h"
#include "common/file.h"
#include "common/http.h"
#include "common/text.h"
#include "common/text_win.h"
#include "common/window_win.h"
#include "tests/support/program_version_win.h"
#include "tests/support/recording_shell.h"
#include "tests/support/test_support.h"

using namespace lumo;
using namespace lumo::test;

namespace {

constexpr wchar_t kUpdaterClass[] = L"TfrmUpdate";
constexpr char kDone[] = "升级完成.";
constexpr char kNotUpdated[] = "程序没有更新";

void Control(const std::string& query) {
    ASSERT_FALSE(Server("/_control/" + query).empty()) << query;
}

std::string ServerLog() {
    return Server("/_log");
}

class UpdaterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetEnvironmentVariableW(L"LUMO_BROWSER_ENGINE", L"headless");
        Control("reset");
        Control("clearlog");
        exe_ = LayOutProgramFolder(folder_.path());
        original_ = ReadFileBytes(exe_).value_or("");
        ASSERT_FALSE(original_.empty());
        // The program the server hands out: Lumo.exe with another version.
        const std::string unixPath = Env("LUMO_BUILD_DIR") + "/updater-test-new.exe";
        newExe_ = HostPath(unixPath);
        ASSERT_TRUE(MakeVersion(exe_, newExe_, 9, 8, 7, 6));
        ASSERT_EQ(FileVersion(newExe_), "9.8.7.6");
        ASSERT_NE(FileVersion(exe_), "9.8.7.6");
        served_ = ReadFileBytes(newExe_).value_or("");
        Control("set?updatefile=" + unixPath);
    }
    void TearDown() override {
        for (auto& p : started_) {
            if (!p.Ended()) {
                TerminateProcess(p.process.get(), 0);
                p.Ended(5000);
            }
        }
        // What a shell started after a failed step: its pages, an updater.
        for (const char* name : {"Lumo.exe", "LumoUpdate.exe"}) {
            for (DWORD pid : ProcessesNamed(name)) {
                UniqueHandle p(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
                if (p.valid() && TerminateProcess(p.get(), 0))
                    WaitForSingleObject(p.get(), 5000);
            }
        }
        SetEnvironmentVariableW(L"LUMO_LOG_DIR", nullptr);
        Control("reset");
    }

    std::string Updater() const { return folder_.path() + "Update\\LumoUpdate.exe"; }
    std::string TempFile() const { return folder_.path() + "Update\\TmpPath\\tmp"; }

    // Starts the updater as the shell does and waits for its window.
    HWND StartUpdater() {
        auto p =
            StartProgram(Updater(), {"1.1.0.0", exe_, ServerUrl("/user/VersionInfo/config.ini")});
        if (!p)
            return nullptr;
        updater_ = p->pid;
        started_.push_back(std::move(*p));
        return WaitForWindow(updater_, kUpdaterClass, 15000);
    }
    Started& UpdaterProcess() { return started_.back(); }

    static std::string Text(HWND window, const wchar_t* control) {
        return WindowText(FindControl(window, control));
    }
    static std::string WindowText(HWND c) {
        wchar_t buf[512] = {};
        DWORD_PTR n = 0;
        if (!c || !SendMessageTimeoutW(c, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf),
                                       SMTO_ABORTIFHUNG, 2000, &n))
            return "";
        return FromW(std::wstring_view(buf, n));
    }
    static bool InfoHas(HWND window, const std::string& part, int ms) {
        return WaitFor([&] { return Text(window, L"slblinfo").find(part) != std::string::npos; },
                       ms);
    }
    // Whether one of a message box's texts is `text`.
    static bool BoxSays(HWND box, const std::string& text) {
        for (HWND c = FindWindowExW(box, nullptr, L"Static", nullptr); c;
             c = FindWindowExW(box, c, L"Static", nullptr))
            if (WindowText(c) == text)
                return true;
        return false;
    }
    // Closes the updater with its close button and waits for its end.
    bool CloseUpdater(HWND window) {
        PostMessageW(FindControl(window, L"sbtnClose"), BM_CLICK, 0, 0);
        return UpdaterProcess().Ended(10000);
    }

    // A page process of the program folder's Lumo.exe, embedded nowhere
    // (its shell is `owner`, the in-test stand-in when null).
    bool StartPage(HWND owner = nullptr) {
        if (!owner)
            owner = shell_.hwnd();
        auto p = StartProgram(exe_, {std::to_string(reinterpret_cast<uintptr_t>(owner)),
                                     ServerUrl("/faq.html"), folder_.path() + "cookies\\T", ""});
        if (!p)
            return false;
        const DWORD pid = p->pid;
        started_.push_back(std::move(*p));
        return WaitForWindow(pid, L"TFormWebBrowser", 30000) != nullptr;
    }

    TempFolder folder_{"update"};
    std::string exe_, original_, newExe_, served_;
    RecordingShell shell_;
    std::vector<Started> started_;
    DWORD updater_ = 0;
};

TEST_F(UpdaterTest, EndsEveryLumoProcessAndPutsTheNewProgramInPlace) {
    Control("set?sha256=auto");
    ASSERT_TRUE(shell_.Create());
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(StartPage()) << "page " << i;
    const size_t pages = started_.size();

    HWND window = StartUpdater();
    ASSERT_TRUE(window);
    // The question, answered Yes.
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            box = FindEnabledProcessWindow(updater_, L"#32770");
            return box && GetDlgItem(box, IDYES);
        },
        30000));
    EXPECT_EQ(WindowText(box), "结束当前进程");
    PostMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);

    ASSERT_TRUE(InfoHas(window, kDone, 60000)) << Text(window, L"slblinfo");
    for (size_t i = 0; i < pages; ++i) EXPECT_TRUE(started_[i].Ended(0)) << "page " << i;
    EXPECT_EQ(Text(window, L"sbtnClose"), "完成(&F)");
    EXPECT_EQ(FileVersion(exe_), "9.8.7.6");
    EXPECT_TRUE(ReadFileBytes(exe_) == served_);
    EXPECT_FALSE(FileExists(TempFile()));
    EXPECT_FALSE(FileExists(TempFile() + ".ini"));
    EXPECT_FALSE(FileExists(exe_ + ".old"));
    EXPECT_FALSE(FileExists(exe_ + ".new"));
    EXPECT_TRUE(CloseUpdater(window));

    // The new program runs.
    EXPECT_TRUE(StartPage());
}

bool ProcessEnded(DWORD pid, DWORD ms) {
    UniqueHandle p(OpenProcess(SYNCHRONIZE, FALSE, pid));
    return !p.valid() || WaitForSingleObject(p.get(), ms) == WAIT_OBJECT_0;
}

// Tabs on a shell's strip and page windows embedded in its page area.
bool HasPages(HWND main, size_t n) {
    DWORD_PTR tabs = 0;
    return SendMessageTimeoutW(FindControl(main, L"ToolBarTabParent"), TB_BUTTONCOUNT, 0, 0,
                               SMTO_ABORTIFHUNG, 2000, &tabs) &&
           tabs == n && PageWindowsIn(FindControl(main, L"PanelWBMain")).size() == n;
}

// The update as a user goes through it: the shell's offer, the real updater
// started by it, every Lumo.exe ended, the new program in place and quiet.
TEST_F(UpdaterTest, AnAcceptedOfferReplacesTheRunningProgramEndToEnd) {
    Control("set?version=9.8.7.6&sha256=auto");
    const std::string logs = folder_.path() + "logs\\";
    SetEnvironmentVariableW(L"LUMO_LOG_DIR", ToW(logs).c_str());

    // The shell, with a second tab from its command line.
    auto shell = StartProgram(exe_, {ServerUrl("/faq.html?tab=2")}, folder_.path());
    ASSERT_TRUE(shell);
    const DWORD shellPid = shell->pid;
    started_.push_back(std::move(*shell));
    HWND main = WaitForWindow(shellPid, L"TfrmMain", 30000);
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitFor([&] { return HasPages(main, 2); }, 30000));
    // A second shell's worth of page processes, under a stand-in shell.
    auto standIn = StartProgram(TestProgram("fake_shell.exe"), {folder_.path() + "fake.txt"});
    ASSERT_TRUE(standIn);
    const DWORD standInPid = standIn->pid;
    started_.push_back(std::move(*standIn));
    HWND standInWindow = WaitForWindow(standInPid, L"TfrmMain", 15000);
    ASSERT_TRUE(standInWindow);
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(StartPage(standInWindow)) << "page " << i;
    // The shell, its two pages, the stand-in's two (and the shell's spare
    // page once its heartbeat has started one).
    const std::vector<DWORD> lumos = ProcessesNamed("Lumo.exe");
    ASSERT_GE(lumos.size(), 5u);

    // The offer, modal over the main window, accepted.
    HWND prompt = WaitForVisibleWindow(shellPid, L"TfrmUpdate", 20000);
    ASSERT_TRUE(prompt);
    EXPECT_EQ(WindowText(prompt), "升级提示");
    EXPECT_EQ(GetWindow(prompt, GW_OWNER), main);
    EXPECT_FALSE(IsWindowEnabled(main));
    PostMessageW(FindControl(prompt, L"sbtnOk"), BM_CLICK, 0, 0);

    // The real updater, started with the shell's three arguments.
    DWORD updater = 0;
    ASSERT_TRUE(WaitFor(
        [&] {
            auto pids = ProcessesNamed("LumoUpdate.exe");
            updater = pids.empty() ? 0 : pids.front();
            return updater != 0;
        },
        15000));
    UniqueHandle updaterProcess(OpenProcess(SYNCHRONIZE, FALSE, updater));
    ASSERT_TRUE(updaterProcess.valid());
    std::vector<std::string> argv;
    ASSERT_TRUE(WaitFor(
        [&] {
            int argc = 0;
            const std::wstring line = ToW(ProcessCommandLine(updater));
            wchar_t** args = line.empty() ? nullptr : CommandLineToArgvW(line.c_str(), &argc);
            argv.clear();
            for (int i = 0; args && i < argc; ++i) argv.push_back(FromW(args[i]));
            LocalFree(args);
            return !argv.empty();
        },
        5000));
    ASSERT_EQ(argv.size(), 4u);
    EXPECT_TRUE(EqualsNoCase(argv[0], Updater())) << argv[0];
    EXPECT_EQ(argv[1], "1.1.0.0");
    EXPECT_TRUE(EqualsNoCase(argv[2], exe_)) << argv[2];
    EXPECT_EQ(argv[3], ServerUrl("/user/VersionInfo/config.ini"));
    HWND window = WaitForWindow(updater, kUpdaterClass, 15000);
    ASSERT_TRUE(window);

    // Downloaded; the question to end the running program, answered Yes.
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            box = FindEnabledProcessWindow(updater, L"#32770");
            return box && GetDlgItem(box, IDYES);
        },
        30000));
    EXPECT_EQ(WindowText(box), "结束当前进程");
    EXPECT_TRUE(BoxSays(box, "更新程序需要结束当前进程序,是否继续?"));
    PostMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);

    ASSERT_TRUE(InfoHas(window, kDone, 60000)) << Text(window, L"slblinfo");
    for (DWORD pid : lumos) EXPECT_TRUE(ProcessEnded(pid, 0)) << "process " << pid;
    EXPECT_TRUE(ProcessesNamed("Lumo.exe").empty());
    EXPECT_EQ(FileVersion(exe_), "9.8.7.6");
    EXPECT_TRUE(ReadFileBytes(exe_) == served_);
    EXPECT_FALSE(FileExists(exe_ + ".new"));
    EXPECT_FALSE(FileExists(exe_ + ".old"));
    EXPECT_FALSE(FileExists(TempFile()));
    EXPECT_FALSE(FileExists(TempFile() + ".ini"));
    EXPECT_EQ(Text(window, L"sbtnClose"), "完成(&F)");
    PostMessageW(FindControl(window, L"sbtnClose"), BM_CLICK, 0, 0);
    EXPECT_EQ(WaitForSingleObject(updaterProcess.get(), 10000), WAIT_OBJECT_0);

    // The new program starts, and its check finds nothing newer to offer
    // (an offer would be logged with the version).
    auto again = StartProgram(exe_, {}, folder_.path());
    ASSERT_TRUE(again);
    const DWORD againPid = again->pid;
    started_.push_back(std::move(*again));
    HWND newMain = WaitForVisibleWindow(againPid, L"TfrmMain", 30000);
    ASSERT_TRUE(newMain);
    EXPECT_TRUE(WaitFor(
        [&] {
            return ReadFileBytes(logs + "lumo.log")
                       .value_or("")
                       .find("server version \"9.8.7.6\"\n") != std::string::npos;
        },
        20000));
    EXPECT_FALSE(WaitForVisibleWindow(againPid, L"TfrmUpdate", 0));
    EXPECT_TRUE(IsWindowEnabled(newMain));
    PostMessageW(newMain, WM_CLOSE, 0, 0);
    EXPECT_TRUE(started_.back().Ended(15000));
}

TEST_F(UpdaterTest, ABadDownloadLeavesLumoByteForByteUntouched) {
    const char* cases[] = {
        "notfound=1&path=/user/VersionInfo/Lumo",  // 404
        "cutafter=3000",                           // truncated
        "updatehtml=1",                            // an HTML page with 200
        "garbage=1",                               // right length, no program
        "sha256=00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff",
    };
    for (const char* sw : cases) {
        SCOPED_TRACE(sw);
        Control(std::string("set?") + sw);
        HWND window = StartUpdater();
        ASSERT_TRUE(window);
        EXPECT_TRUE(InfoHas(window, kNotUpdated, 30000)) << Text(window, L"slblinfo");
        EXPECT_FALSE(Text(window, L"seStatus").empty());
        EXPECT_TRUE(ReadFileBytes(exe_) == original_);
        EXPECT_FALSE(FileExists(exe_ + ".new"));
        EXPECT_TRUE(CloseUpdater(window));
        EXPECT_TRUE(ReadFileBytes(exe_) == original_);
        Control(
            "set?notfound=0&path=/user/VersionInfo/Lumo&cutafter=0&updatehtml=0&garbage=0"
            "&sha256=none");
        DeleteFileW(ToW(TempFile()).c_str());
        DeleteFileW(ToW(TempFile() + ".ini").c_str());
    }
}

// The signature the server puts into the version file for the file at
// `unixPath`, signed with its own key.
std::string SignatureServedFor(const std::string& unixPath) {
    Control("set?signature=auto&updatefile=" + unixPath);
    const std::string file = Server("/user/VersionInfo/config.ini");
    const size_t at = file.find("signature=");
    return at == std::string::npos ? "" : file.substr(at + 10, file.find('\r', at) - at - 10);
}

std::string QueryValue(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", c);
        out += isalnum(c) ? std::string(1, static_cast<char>(c)) : std::string(hex);
    }
    return out;
}

// Only a program signed by the built-in key, not older than the installed
// one, replaces Lumo.exe; each refusal says why and leaves it untouched.
TEST_F(UpdaterTest, OnlyAnUpdateSignedWithTheMakersKeyReplacesLumo) {
    const std::string build = Env("LUMO_BUILD_DIR") + "/";
    const std::string keys = Env("LUMO_SOURCE_DIR") + "/tests/updater/keys/";
    // The new program with one byte changed in its code, under the
    // original's signature.
    std::string flipped = served_;
    flipped[flipped.size() / 2] ^= 0x01;
    ASSERT_TRUE(WriteFileBytes(HostPath(build + "updater-test-flipped.exe"), flipped));
    // A program the maker really signed, but older than the installed one.
    ASSERT_TRUE(MakeVersion(exe_, HostPath(build + "updater-test-old.exe"), 1, 0, 9, 9));
    const std::string lumoUnix = build + "updater-test-lumo.exe";
    ASSERT_TRUE(CopyFileW(ToW(exe_).c_str(), ToW(HostPath(lumoUnix)).c_str(), FALSE));
    const std::string newSignature = QueryValue(SignatureServedFor(build + "updater-test-new.exe"));
    const std::string lumoSignature = QueryValue(SignatureServedFor(lumoUnix));
    ASSERT_FALSE(newSignature.empty());
    ASSERT_NE(newSignature, lumoSignature);

    struct Case {
        const char* what;
        std::string switches;
        const char* status;  // "" for the one accepted
    };
    const Case cases[] = {
        {"one byte flipped",
         "updatefile=" + build + "updater-test-flipped.exe&signature=" + newSignature,
         "下载的文件签名无效"},
        {"signature of another file", "signature=" + lumoSignature, "下载的文件签名无效"},
        {"signed with another key", "signkey=" + keys + "other-key.pem", "下载的文件签名无效"},
        {"no signature", "signature=none", "下载的文件没有签名"},
        {"not base64", "signature=" + QueryValue("not base64!"), "下载的文件签名格式有误"},
        {"not 64 bytes", "signature=" + QueryValue(Base64Encode(std::string(63, 'x'))),
         "下载的文件签名格式有误"},
        {"signed, but older", "updatefile=" + build + "updater-test-old.exe",
         "下载的程序版本比当前的旧"},
        {"signed", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Control("reset");
        Control("set?updatefile=" + build + "updater-test-new.exe");
        if (!c.switches.empty())
            Control("set?" + c.switches);
        HWND window = StartUpdater();
        ASSERT_TRUE(window);
        if (*c.status) {
            EXPECT_TRUE(InfoHas(window, kNotUpdated, 30000)) << Text(window, L"slblinfo");
            EXPECT_EQ(Text(window, L"seStatus"), c.status);
            EXPECT_TRUE(ReadFileBytes(exe_) == original_);
        } else {
            EXPECT_TRUE(InfoHas(window, kDone, 30000)) << Text(window, L"seStatus");
            EXPECT_TRUE(ReadFileBytes(exe_) == served_);
        }
        EXPECT_FALSE(FileExists(exe_ + ".new"));
        EXPECT_FALSE(FileExists(TempFile()));
        EXPECT_TRUE(CloseUpdater(window));
    }
}

TEST_F(UpdaterTest, AServersNotFoundPageIsReportedAndTheUpdaterEnds) {
    const std::string unixPath = Env("LUMO_BUILD_DIR") + "/updater-test-notfound.html";
    ASSERT_TRUE(WriteFileBytes(HostPath(unixPath),
                               "<html><body><p>The requested URL /user/VersionInfo/Lumo was not "
                               "found on this server.</p></body></html>"));
    Control("set?updatefile=" + unixPath);
    ASSERT_TRUE(StartUpdater());
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            box = FindEnabledProcessWindow(updater_, L"#32770");
            return box && GetDlgItem(box, IDOK);
        },
        30000));
    EXPECT_EQ(WindowText(box), "软件升级");
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(UpdaterProcess().Ended(10000));
    EXPECT_TRUE(ReadFileBytes(exe_) == original_);
}

TEST_F(UpdaterTest, ADownloadCutHalfWayResumesOnTheNextRun) {
    const size_t half = served_.size() / 2;
    Control("set?cutonce=1&cutafter=" + std::to_string(half));
    HWND window = StartUpdater();
    ASSERT_TRUE(window);
    ASSERT_TRUE(InfoHas(window, kNotUpdated, 30000));
    EXPECT_TRUE(CloseUpdater(window));
    // What came so far stays for the next run.
    ASSERT_EQ(ReadFileBytes(TempFile()).value_or("").size(), half);
    EXPECT_TRUE(FileExists(TempFile() + ".ini"));
    EXPECT_TRUE(ReadFileBytes(exe_) == original_);

    Control("clearlog");
    window = StartUpdater();
    ASSERT_TRUE(window);
    ASSERT_TRUE(InfoHas(window, kDone, 30000)) << Text(window, L"seStatus");
    EXPECT_NE(ServerLog().find("\tbytes=" + std::to_string(half) + "-"), std::string::npos)
        << ServerLog();
    EXPECT_TRUE(ReadFileBytes(exe_) == served_);
    EXPECT_TRUE(CloseUpdater(window));
}

TEST_F(UpdaterTest, ASecondUpdaterEndsAtOnceAndTheFirstClosesWhileDownloading) {
    Control("set?trickle=50");
    HWND window = StartUpdater();
    ASSERT_TRUE(window);
    auto second = StartProgram(Updater(), {});
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->Ended(10000));
    EXPECT_EQ(second->ExitCode(), 0u);
    EXPECT_TRUE(WindowsOfProcess(second->pid, kUpdaterClass).empty());
    // Still downloading: the close button ends it and nothing is replaced.
    EXPECT_TRUE(WaitFor([&] { return Text(window, L"slblPercent") != "0%"; }, 15000));
    EXPECT_TRUE(CloseUpdater(window));
    EXPECT_TRUE(ReadFileBytes(exe_) == original_);
}

}  // namespace
