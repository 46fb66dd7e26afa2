// A real Lumo.exe shell in its own program folder, for the end-to-end tests
// of tabs as processes (headless engine, local maker server).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/handle_win.h"
#include "common/http.h"
#include "common/text_win.h"
#include "common/window_win.h"
#include "protocol/messages_win.h"
#include "tests/support/test_support.h"

namespace lumo::test {

// What WindowText gives for a window whose thread does not answer.
inline constexpr const char* kNoAnswer = "<no answer>";

// The text of a window of another process (GetWindowText would give only a
// caption, never a control's text).
inline std::string WindowText(HWND h) {
    wchar_t buf[1024];
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG,
                             5000, &n))
        return kNoAnswer;
    return FromW(std::wstring_view(buf, static_cast<size_t>(n)));
}

// A shell in its own program folder.
class Shell {
  public:
    explicit Shell(const std::string& tag) : folder_(tag) {
        SetEnvironmentVariableW(L"LUMO_BROWSER_ENGINE", L"headless");
        exe_ = LayOutProgramFolder(folder_.path());
    }
    ~Shell() { Kill(); }

    bool Start(std::vector<std::string> args = {}) {
        proc_ = StartProgram(exe_, args, folder_.path());
        if (!proc_)
            return false;
        main_ = WaitForWindow(proc_->pid, L"TfrmMain", 20000);
        return main_ && WaitForPages(1);
    }
    // Closes the shell as a user would; kills what is left after that.
    void Kill() {
        if (proc_ && !proc_->Ended() && main_) {
            PostMessageW(main_, WM_CLOSE, 0, 0);
            proc_->Ended(10000);
        }
        for (DWORD pid : PagePids()) {
            UniqueHandle p(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
            if (p.valid())
                TerminateProcess(p.get(), 0);
        }
        if (proc_ && !proc_->Ended()) {
            TerminateProcess(proc_->process.get(), 0);
            proc_->Ended(5000);
        }
    }

    // Waits until `n` tabs exist, each with its page window embedded.
    bool WaitForPages(int n, int ms = 20000) const {
        return WaitFor([&] { return TabCount() == n && static_cast<int>(Pages().size()) == n; },
                       ms);
    }
    HWND main() const { return main_; }
    HWND Control(const wchar_t* name) const { return FindControl(main_, name); }
    int TabCount() const {
        return static_cast<int>(SendMessageW(Control(L"ToolBarTabParent"), TB_BUTTONCOUNT, 0, 0));
    }
    std::vector<HWND> Pages() const { return PageWindowsIn(Control(L"PanelWBMain")); }
    std::vector<DWORD> PagePids() const {
        std::vector<DWORD> pids;
        if (!main_)
            return pids;
        for (HWND h : Pages()) {
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            pids.push_back(pid);
        }
        return pids;
    }
    std::string Address() const { return WindowText(Control(L"CBURL")); }
    std::string Status() const { return WindowText(Control(L"Panel_StatusBar1")); }
    // Whether the shell's thread handles a message to one of its own
    // controls within `ms` (a frozen queue does not).
    // A thread blocked in a call to another process still answers sent
    // messages, so the check posts: a character typed into the search box
    // must arrive. (Not the address box: a page's late address report may
    // put back the very text it had, hiding the typed character.)
    bool Responsive(int ms = 5000) const {
        HWND edit = Control(L"ComboBoxSearch");
        std::string before = WindowText(edit);
        PostMessageW(edit, WM_CHAR, 'x', 0);
        std::string now;
        if (!WaitFor([&] { return (now = WindowText(edit)) != before; }, ms) || now == kNoAnswer)
            return false;
        PostMessageW(edit, WM_CHAR, VK_BACK, 0);
        WaitFor([&] { return WindowText(edit) == before; }, ms);
        return true;
    }
    // The page window shown in the page area, null when none is.
    HWND VisiblePage() const {
        for (HWND h : Pages())
            if (IsWindowVisible(h))
                return h;
        return nullptr;
    }
    static DWORD PidOf(HWND h) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        return pid;
    }
    // The "page stopped" / "not responding" view over the page area.
    bool NoticeShown() const { return IsWindowVisible(Control(L"PageNotice")) != FALSE; }
    // Clicks a tab on the strip (tabs are 188 px wide while few are open).
    void ClickTab(int index, bool right = false) const {
        HWND strip = Control(L"ToolBarTabParent");
        PostMessageW(strip, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN,
                     right ? MK_RBUTTON : MK_LBUTTON, MAKELPARAM(188 * index + 90, 15));
    }
    // Whether the address box comes to show `expected`.
    bool AddressBecomes(const std::string& expected, int ms = 10000) const {
        return WaitFor([&] { return Address() == expected; }, ms);
    }
    // Sends a text command as a page or a second shell would.
    void Send(const std::string& text) { SendCopyData(main_, nullptr, text); }
    const std::string& folder() const { return folder_.path(); }
    Started& process() { return *proc_; }

  private:
    TempFolder folder_;
    std::string exe_;
    std::optional<Started> proc_;
    HWND main_ = nullptr;
};

inline bool ProcessEnded(DWORD pid, int ms) {
    UniqueHandle p(OpenProcess(SYNCHRONIZE, FALSE, pid));
    return !p.valid() || WaitForSingleObject(p.get(), ms) == WAIT_OBJECT_0;
}

inline int CountFiles(const std::string& folder) {
    std::error_code ec;
    int n = 0;
    for (auto it =
             std::filesystem::recursive_directory_iterator(std::filesystem::path(ToW(folder)), ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file())
            ++n;
    return n;
}

}  // namespace lumo::test
