// Prints what the input tests need to know about the running shell, one
// "key=value" per line: the main window's state, the rectangles (screen
// coordinates) of named controls and of each tab, the address box's text,
// the page processes, the shown page's form fields, the add-game dialog and
// any message box, a shown popup menu, and the name of the part of a drawn
// control the keyboard is on, as screen readers read it. "tree <name>"
// prints the nodes of a game tree instead, "registration <exe>" what is left
// of the browser registration for <exe>, "running <name>..." how many
// processes of those names run, "windows" every visible top-level window
// ("window=<exe>|<class>|<title>"), and "hold-key <modifiers> <vk>" registers
// that hot key and keeps a small window of its own in front until it is ended
// ("held=1" when registered). The tests drive the shell with real input
// (xdotool) and read its state with this program.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <tlhelp32.h>

#include <cstdio>
#include <map>
#include <string>

#include "common/text_win.h"
#include "common/window_win.h"
#include "shell/default_browser.h"
#include "shell/default_browser_win.h"
#include "tests/support/remote_tree_win.h"
#include "tests/support/test_support.h"

using namespace lumo;

namespace {

void PrintRect(const char* name, HWND h) {
    RECT r{};
    if (h)
        GetWindowRect(h, &r);
    std::printf("%s=%ld,%ld,%ld,%ld\n", name, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

std::string Text(HWND h);

// "tree <control>": one line per node, "node=<depth>|<text>|<x>,<y>", the
// screen point in the middle of its row.
void PrintTree(HWND main, const wchar_t* name) {
    HWND tree = FindControl(main, name);
    if (!tree)
        return;
    for (const test::Node& n : test::ReadTree(tree)) {
        POINT at = test::RowPoint(tree, n.item);
        ClientToScreen(tree, &at);
        std::printf("node=%d|%s|%ld,%ld\n", n.depth, n.text.c_str(), at.x, at.y);
    }
}

struct FoundFields {
    int edits = 0, buttons = 0;
};

BOOL CALLBACK PrintField(HWND h, LPARAM lp) {
    auto* f = reinterpret_cast<FoundFields*>(lp);
    wchar_t cls[32] = {};
    GetClassNameW(h, cls, 32);
    if (!IsWindowVisible(h))
        return TRUE;
    if (lstrcmpiW(cls, L"Edit") == 0) {
        PrintRect(("field" + std::to_string(f->edits++)).c_str(), h);
    } else if (lstrcmpiW(cls, L"Button") == 0) {
        std::string key = "button" + std::to_string(f->buttons++);
        PrintRect(key.c_str(), h);
        std::printf("%sText=%s\n", key.c_str(), Text(h).c_str());
    }
    return TRUE;
}

// The edits and buttons of the page window that is shown in the page area.
void PrintPageFields(HWND main) {
    HWND shown = nullptr;
    for (HWND page : test::PageWindowsIn(FindControl(main, L"PanelWBMain")))
        if (IsWindowVisible(page))
            shown = page;
    FoundFields found;
    if (shown)
        EnumChildWindows(shown, PrintField, reinterpret_cast<LPARAM>(&found));
}

// A shown message box of this desktop: its caption and text.
void PrintMessageBox() {
    for (HWND h = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); h;
         h = FindWindowExW(nullptr, h, L"#32770", nullptr)) {
        if (!IsWindowVisible(h))
            continue;
        HWND text = GetDlgItem(h, 0xFFFF);
        std::printf("messageBox=%s\nmessageText=%s\n", Text(h).c_str(), Text(text).c_str());
        PrintRect("messageYes", GetDlgItem(h, IDYES));
        PrintRect("messageOk", GetDlgItem(h, IDOK));
        PrintRect("messageNo", GetDlgItem(h, IDNO));
        return;
    }
}

bool RegistryValueExists(const RegistryWrite& w) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, ToW(w.key).c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return false;
    const bool there = RegQueryValueExW(key, w.name.empty() ? nullptr : ToW(w.name).c_str(),
                                        nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return there;
}

// The focused part of `focus`'s accessible object, by name.
std::string AccessibleFocusName(HWND focus) {
    IAccessible* a = nullptr;
    if (!focus ||
        FAILED(AccessibleObjectFromWindow(focus, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible), reinterpret_cast<void**>(&a))))
        return {};
    std::string name;
    VARIANT child;
    VariantInit(&child);
    BSTR b = nullptr;
    if (a->get_accFocus(&child) == S_OK && child.vt == VT_I4 &&
        SUCCEEDED(a->get_accName(child, &b)) && b)
        name = FromW(b);
    SysFreeString(b);
    a->Release();
    return name;
}

std::string Text(HWND h) {
    wchar_t buf[4096];
    DWORD_PTR n = 0;
    if (!h || !SendMessageTimeoutW(h, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf),
                                   SMTO_ABORTIFHUNG, 5000, &n))
        return {};
    return FromW(std::wstring_view(buf, static_cast<size_t>(n)));
}

BOOL CALLBACK PrintVisibleWindow(HWND h, LPARAM lp) {
    if (!IsWindowVisible(h))
        return TRUE;
    auto& exes = *reinterpret_cast<std::map<DWORD, std::string>*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    wchar_t cls[128] = L"";
    GetClassNameW(h, cls, 128);
    std::printf("window=%s|%s|%s\n", exes[pid].c_str(), FromW(cls).c_str(), Text(h).c_str());
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring verb = argc > 1 ? argv[1] : L"";
    if (verb == L"alive" && argc > 2) {
        // alive=1 while process <pid> runs
        DWORD pid = static_cast<DWORD>(_wtoi(argv[2]));
        HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, pid);
        bool alive = p && WaitForSingleObject(p, 0) == WAIT_TIMEOUT;
        if (p)
            CloseHandle(p);
        std::printf("alive=%d\n", alive ? 1 : 0);
        return 0;
    }
    if (verb == L"running") {
        // running=<n>: processes of this prefix named as one of the arguments
        int n = 0;
        HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL ok = snap != INVALID_HANDLE_VALUE && Process32FirstW(snap, &entry); ok;
             ok = Process32NextW(snap, &entry))
            for (int i = 2; i < argc; ++i) n += lstrcmpiW(entry.szExeFile, argv[i]) == 0;
        if (snap != INVALID_HANDLE_VALUE)
            CloseHandle(snap);
        std::printf("running=%d\n", n);
        return 0;
    }
    if (verb == L"windows") {
        std::map<DWORD, std::string> exes;
        HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL ok = snap != INVALID_HANDLE_VALUE && Process32FirstW(snap, &entry); ok;
             ok = Process32NextW(snap, &entry))
            exes[entry.th32ProcessID] = FromW(entry.szExeFile);
        if (snap != INVALID_HANDLE_VALUE)
            CloseHandle(snap);
        EnumWindows(PrintVisibleWindow, reinterpret_cast<LPARAM>(&exes));
        return 0;
    }
    if (verb == L"hold-key" && argc > 3) {
        bool held = RegisterHotKey(nullptr, 1, static_cast<UINT>(_wtoi(argv[2])),
                                   static_cast<UINT>(_wtoi(argv[3])));
        std::printf("held=%d\n", held ? 1 : 0);
        std::fflush(stdout);
        HWND w = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"LumoKeyHolder",
                                 WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 200, 100, nullptr,
                                 nullptr, nullptr, nullptr);
        SetForegroundWindow(w);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        return 0;
    }
    if (verb == L"registration" && argc > 2) {
        // Of the browser registration for <exe>: how many capability values
        // are there as written, and how many values of either registration
        // are there at all.
        const std::string exe = FromW(argv[2]);
        int same = 0, left = 0;
        const auto caps = BrowserCapabilityWrites(exe);
        for (const RegistryWrite& w : caps)
            same += ReadRegistryString(HKEY_CURRENT_USER, w.key, w.name) == w.data &&
                    RegistryValueExists(w);
        for (const RegistryWrite& w : DefaultBrowserWrites(exe)) left += RegistryValueExists(w);
        std::printf("capabilities=%d/%zu\nleft=%d\n", same, caps.size(), left);
        return 0;
    }
    HWND main = FindWindowW(L"TfrmMain", nullptr);
    if (verb == L"close" && main) {
        PostMessageW(main, WM_CLOSE, 0, 0);
        return 0;
    }
    if (verb == L"tray" && main) {
        // What a double-click on the notification icon sends (Xvfb has no tray).
        PostMessageW(main, WM_USER + 200, 0, WM_LBUTTONDBLCLK);
        return 0;
    }
    if (verb == L"tree" && main && argc > 2) {
        PrintTree(main, argv[2]);
        return 0;
    }
    std::printf("main=%d\n", main ? 1 : 0);
    PrintMessageBox();
    if (!main)
        return 0;
    std::printf("visible=%d\nzoomed=%d\niconic=%d\n", IsWindowVisible(main) ? 1 : 0,
                IsZoomed(main) ? 1 : 0, IsIconic(main) ? 1 : 0);
    PrintRect("window", main);
    std::printf("status=%s\n", Text(FindControl(main, L"Panel_StatusBar1")).c_str());
    for (const wchar_t* name : {L"CBURL", L"ComboBoxSearch", L"ToolBarButton", L"ToolBarControl",
                                L"ToolBarTabClose", L"tbrNewTab", L"PanelWBMain", L"ToolBarMenu",
                                L"ToolBarMenu2", L"tbarMyGame", L"tbarRecent"})
        PrintRect(FromW(name).c_str(), FindControl(main, name));
    HWND strip = FindControl(main, L"ToolBarTabParent");
    int tabs = static_cast<int>(SendMessageW(strip, TB_BUTTONCOUNT, 0, 0));
    int width = LOWORD(SendMessageW(strip, TB_GETBUTTONSIZE, 0, 0));
    RECT s{};
    GetWindowRect(strip, &s);
    std::printf("tabs=%d\n", tabs);
    for (int i = 0; i < tabs; ++i)
        std::printf("tab%d=%ld,%ld,%d,%ld\n", i, s.left + i * width, s.top, width,
                    s.bottom - s.top);
    int t = 0;
    for (const std::string& title : test::ReadToolbarTexts(strip))
        std::printf("tabTitle%d=%s\n", t++, title.c_str());
    std::printf("closeVisible=%d\n",
                IsWindowVisible(FindControl(main, L"ToolBarTabClose")) ? 1 : 0);
    std::printf("address=%s\n", Text(FindControl(main, L"CBURL")).c_str());
    std::printf("zoom=%s\n", Text(FindControl(main, L"ToolButton100")).c_str());
    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    std::string focus;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &gui) && gui.hwndFocus) {
        wchar_t cls[64] = {};
        GetClassNameW(gui.hwndFocus, cls, 64);
        focus = FromW(cls) + "/" + FromW(ControlName(gui.hwndFocus)) + "/" +
                FromW(ControlName(GetParent(gui.hwndFocus)));
    }
    std::printf("focus=%s\nforeground=%d\n", focus.c_str(), GetForegroundWindow() == main ? 1 : 0);
    OleInitialize(nullptr);
    std::printf("accFocus=%s\n", AccessibleFocusName(gui.hwndFocus).c_str());
    bool menu = false;
    for (HWND h = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); h;
         h = FindWindowExW(nullptr, h, L"#32768", nullptr))
        menu = menu || IsWindowVisible(h);
    std::printf("menu=%d\n", menu ? 1 : 0);
    // The about box that is shown, if any, and the version line of its memo.
    HWND about = nullptr;
    for (HWND h = FindWindowExW(nullptr, nullptr, L"TfrmAbout", nullptr); h;
         h = FindWindowExW(nullptr, h, L"TfrmAbout", nullptr))
        if (IsWindowVisible(h))
            about = h;
    std::string memo = Text(FindControl(about, L"Memo1"));
    size_t version = memo.find("版本");
    std::printf("about=%d\naboutVersion=%s\n", about ? 1 : 0,
                version == std::string::npos ? "" : memo.substr(version).c_str());
    // The add-game dialog that is shown, if any, with its description (the
    // page's title).
    HWND addGame = nullptr;
    for (HWND h = FindWindowExW(nullptr, nullptr, L"TfrmAddGame", nullptr); h;
         h = FindWindowExW(nullptr, h, L"TfrmAddGame", nullptr))
        if (IsWindowVisible(h))
            addGame = h;
    std::printf("addGame=%d\naddGameTitle=%s\naddGameAddress=%s\n", addGame ? 1 : 0,
                Text(FindControl(addGame, L"edtGameDescript")).c_str(),
                Text(FindControl(addGame, L"edtUrl")).c_str());
    PrintRect("addGameOk", FindControl(addGame, L"sbtnOk"));
    PrintRect("addGameCategory", FindControl(addGame, L"cboSort"));
    PrintRect("addGameDescription", FindControl(addGame, L"edtGameDescript"));
    PrintPageFields(main);
    PrintRect("addGameCancel", FindControl(addGame, L"sbtnCanel"));
    std::string pids;
    for (HWND page : test::PageWindowsIn(FindControl(main, L"PanelWBMain"))) {
        DWORD pid = 0;
        GetWindowThreadProcessId(page, &pid);
        pids += (pids.empty() ? "" : " ") + std::to_string(pid);
    }
    std::printf("pids=%s\n", pids.c_str());
    return 0;
}
