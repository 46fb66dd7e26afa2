// The order of things at start matters to the page processes: a page process
// finds its shell through argument 1 (and, failing that, the shell's
// caption), so the shell's main window exists before any page starts; the
// remaining forms come after the first pages, as the page operations must
// not depend on them.
#include "app/Lumo/run_lumo_win.h"

#include <ole2.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "common/file.h"
#include "common/guard.h"
#include "common/handle_win.h"
#include "common/ini.h"
#include "common/log.h"
#include "common/path.h"
#include "common/text.h"
#include "common/text_win.h"
#include "library/bill_protect_win.h"
#include "library/game_list.h"
#include "library/user_data_win.h"
#include "mainwindow/main_window_win.h"
#include "online/online_services_win.h"
#include "page/browser_control.h"
#include "page/page_proxy_win.h"
#include "page/page_window_win.h"
#include "page/session_cookies_win.h"
#include "protocol/messages_win.h"
#include "shell/page_manager_win.h"
#include "protocol/shortcuts.h"
#include "protocol/text_command.h"
#include "protocol/roles.h"
#include "shell/boss_key_win.h"
#include "shell/browser_features_win.h"
#include "shell/cookie_journal.h"
#include "shell/cookie_redirect_win.h"
#include "shell/default_browser_win.h"
#include "shell/page_batch_win.h"
#include "shell/session_win.h"
#include "shell/shell_commands_win.h"
#include "shell/shell_process_win.h"

namespace lumo {

namespace {

std::vector<std::string> ProcessArgs() {
    std::vector<std::string> args;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv)
        return args;
    for (int i = 0; i < argc; ++i) args.push_back(FromW(argv[i]));
    LocalFree(argv);
    return args;
}

std::unique_ptr<PlainWindow> CreateHiddenForm(const wchar_t* className, const char* caption) {
    auto form = std::make_unique<PlainWindow>();
    WindowCreateArgs w;
    w.className = className;
    w.caption = ToW(caption);
    w.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    if (!form->Create(w))
        return nullptr;
    return form;
}

// The online steps; the update prompt's announcement page is a browser
// control of the selected engine.
OnlineServices::StartArgs OnlineArgs(const std::string& exePath, const std::string& folder) {
    OnlineServices::StartArgs a{exePath, folder, {}};
    a.showPage = [](HWND parent, const RECT& bounds,
                    const std::string& address) -> std::shared_ptr<void> {
        BrowserControl::CreateArgs b;
        b.parent = parent;
        b.bounds = bounds;
        std::shared_ptr<BrowserControl> page = CreateBrowserControl(SelectedBrowserEngine(), b);
        page->Navigate(address);
        return page;
    };
    return a;
}

// A page started by a shell lives as long as that shell: the process of the
// shell window is watched while the messages are dispatched.
UniqueHandle OpenShellProcess(HWND shell) {
    DWORD pid = 0;
    if (!shell || !GetWindowThreadProcessId(shell, &pid) || pid == GetCurrentProcessId())
        return {};
    return UniqueHandle(OpenProcess(SYNCHRONIZE, FALSE, pid));
}

bool IsKeyDown(const MSG& msg) {
    return msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
}
bool IsKeyUp(const MSG& msg) {
    return msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
}

// Browser shortcuts pressed inside the page go to the shell instead.
bool ForwardShortcut(const MSG& msg, HWND shell, HWND page, AltShortcutRelease& alt) {
    if (!shell)
        return false;
    if (IsKeyUp(msg))
        return alt.DropKeyUp(static_cast<int>(msg.wParam));
    if (!IsKeyDown(msg))
        return false;
    bool altHeld = GetKeyState(VK_MENU) < 0;
    auto s = ShortcutOf(static_cast<int>(msg.wParam), GetKeyState(VK_CONTROL) < 0, altHeld,
                        GetKeyState(VK_SHIFT) < 0);
    // Alt+letter and Alt+Space are the shell's menu keys: the main window
    // gets them as its own, and the page's default procedure never sees
    // them (it would run a menu loop on the shell's window that nobody sees).
    bool menuKey = !s && altHeld && msg.message == WM_SYSKEYDOWN && GetKeyState(VK_CONTROL) >= 0 &&
                   ((msg.wParam >= 'A' && msg.wParam <= 'Z') || msg.wParam == VK_SPACE);
    alt.KeyDown(altHeld, s.has_value() || menuKey);
    if (menuKey) {
        PostMessageW(GetAncestor(shell, GA_ROOT), WM_SYSCOMMAND, SC_KEYMENU,
                     msg.wParam == VK_SPACE ? ' ' : static_cast<LPARAM>(msg.wParam));
        return true;
    }
    if (!s)
        return false;
    SendCopyData(shell, page, ShortcutCommand(*s));
    return true;
}

int RunPageLoop(HANDLE shellProcess, HWND shell, HWND page) {
    // Once the page has settled, what start-up touched goes back to the
    // system (Windows trims the working set; Wine keeps it as it is).
    UINT_PTR trimTimer = SetTimer(nullptr, 0, 5000, nullptr);
    AltShortcutRelease alt;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return static_cast<int>(msg.wParam);
            if (msg.message == WM_TIMER && !msg.hwnd && msg.wParam == trimTimer) {
                KillTimer(nullptr, trimTimer);
                SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1),
                                         static_cast<SIZE_T>(-1));
                continue;
            }
            if (ForwardShortcut(msg, shell, page, alt))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        DWORD count = shellProcess ? 1 : 0;
        DWORD r = MsgWaitForMultipleObjectsEx(count, &shellProcess, INFINITE, QS_ALLINPUT,
                                              MWMO_INPUTAVAILABLE);
        if (count && r == WAIT_OBJECT_0)
            return 0;  // the shell is gone
    }
}

int RunPageProcess(const std::vector<std::string>& args) {
    LogTimer lifetime;
    // Before any request: this page's cookies stay in this process.
    KeepCookiesInProcessMemory();
    PageArgs page = ParsePageArgs(args);
    // A proxy argument that is no proxy: nothing loads rather than going
    // out directly.
    if (page.badProxy) {
        LogError("page", "proxy argument refused; page not started");
        return 1;
    }
    if (!UsePageProxy(page.proxy, SelectedBrowserEngine() == BrowserEngine::System))
        return 1;
    // Only a hand-over file of our own is read and deleted: the command line
    // may carry outside text once Lumo is the default browser.
    if (!page.handoverPath.empty() &&
        IsOwnHandoverPath(FolderOf(ExecutablePath()), page.handoverPath)) {
        std::string body = ReadFileBytes(page.handoverPath).value_or("");
        DeleteFileW(ToW(page.handoverPath).c_str());
        DecodeHandover(body, page.address, page.bill);
    }

    PageWindow window;
    PageWindow::CreateArgs create;
    create.page = page;
    create.engine = SelectedBrowserEngine();
    if (!window.Create(create))
        return 1;
    // The update prompt exists in every process; a page never shows it.
    auto update = CreateHiddenForm(L"TfrmUpdate", "升级提示");

    HWND shell = window.shellWindow();
    UniqueHandle shellProcess = OpenShellProcess(shell);
    if (page.hasShellArg && page.shellWindow != 0 && !shellProcess.valid()) {
        return 0;  // started for a shell that no longer exists
    }

    // One input state with the shell, as for any child window of another
    // thread: the focus moves between the shell's controls and the page by
    // click, and the keys go where the focus is.
    if (shellProcess.valid()) {
        DWORD shellThread = GetWindowThreadProcessId(shell, nullptr);
        if (shellThread)
            AttachThreadInput(GetCurrentThreadId(), shellThread, TRUE);
    }
    SetWindowTextW(window.hwnd(), ToW(page.cookieFolder).c_str());
    window.SetStartAddress(page.address);
    window.NavigateToStart();
    ShowWindow(window.hwnd(), SW_HIDE);
    LogInfo("page",
            "ready after " + std::to_string(lifetime.Ms()) + " ms: " + RedactAddress(page.address));
    int code =
        RunPageLoop(shellProcess.get(), shellProcess.valid() ? shell : nullptr, window.hwnd());
    LogInfo("page", "ends with " + std::to_string(code) + " after " +
                        std::to_string(lifetime.Ms()) + " ms");
    return code;
}

// The side panel's hooks: games open as new pages right after the current
// one, and the popular-games page is a page window of this process hosted in
// the panel, whose new windows become ordinary pages.
// A saved game's tab label and colour.
GameTag TagOf(const TGameline& game) {
    return {Trim(game.Folder), game.Name, game.Colour};
}

SidePanelArgs SidePanelHooks(GameLibrary& library, PageManager& pages, PageBatch& batch,
                             ShellCommands& commands) {
    SidePanelArgs hooks;
    hooks.library = &library;
    hooks.onOpenGame = [&pages](const std::string& address, const std::string& bill,
                                const std::string& proxy, const TGameline* game) {
        PageList& list = pages.pages();
        pages.NewPage(list.Empty() ? 0 : list.currentIndex() + 1, address, true, bill, proxy,
                      game ? TagOf(*game) : GameTag{});
    };
    hooks.onOpenGames = [&library, &batch](const std::vector<TGameline*>& games) {
        std::vector<BatchPage> open;
        for (TGameline* game : games)
            open.push_back({game->Address, library.BillOf(*game), game->Proxy, TagOf(*game)});
        batch.Open(std::move(open));
    };
    hooks.onGameChanged = [&pages](const TGameline& game, const std::string& oldName) {
        pages.RetagGame(oldName, TagOf(game));
    };
    hooks.createHotGamesPage = [&commands](HWND parent,
                                           const std::string& address) -> std::unique_ptr<Window> {
        auto page = std::make_unique<PageWindow>();
        PageWindow::CreateArgs create;
        create.parent = parent;
        create.engine = SelectedBrowserEngine();
        create.openPageWithoutShell = [&commands](const std::string& a) {
            commands.OpenNewPage(a);
        };
        if (!page->Create(create))
            return nullptr;
        SetControlName(page->hwnd(), L"HotGamesPage");
        page->SetStartAddress(address);
        ShowWindow(page->hwnd(), SW_SHOWNA);
        page->NavigateToStart();
        return page;
    };
    return hooks;
}

// Where the games are kept, for the about box, when that is not the
// program folder.
std::string UserDataNote(const UserDataFolder& userData) {
    return userData.fellBack ? "游戏列表保存在 " + userData.folder : std::string();
}

// How long a second start waits for a shell that is starting or closing.
constexpr DWORD kShellHandoverWaitMs = 10000;

int RunShell(HINSTANCE instance, const std::vector<std::string>& args) {
    std::string exePath = ExecutablePath();
    std::string programFolder = FolderOf(exePath);
    std::string arg1 = args.size() > 1 ? args[1] : std::string();

    // One shell per installation: the mutex is named after the executable's
    // title. A running shell gets this start's address; a shell that is
    // still starting (no window yet) or closing (it lets go of the name as
    // soon as its window closes, and refuses addresses meanwhile) is waited
    // for, so that a start right after a close is not lost.
    const std::wstring mutexName = ToW(TitleOf(exePath));
    UniqueHandle mutex;
    for (ULONGLONG deadline = GetTickCount64() + kShellHandoverWaitMs;;) {
        mutex.reset(CreateMutexW(nullptr, FALSE, mutexName.c_str()));
        if (mutex && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
        if (HWND running = FindRunningShell(FileNameOf(exePath))) {
            if (Trim(arg1).empty() ||
                SendCopyDataTaken(running, nullptr, std::string(kPrefixNewTab) + arg1))
                return 0;
        }
        if (!mutex || GetTickCount64() > deadline)
            return 0;
        mutex.reset();
        Sleep(100);
    }

    // A shell that died while a page started left the per-user cookie value
    // pointing into our folder: put it back first. No page of ours runs now
    // (they end with their shell), so old cookie folders go too: a new page
    // never gets a folder that held cookies.
    RestoreCookieValueFromJournal(CookieJournalPath(programFolder));
    ClearCookieFolders(programFolder);
    TiePagesToThisProcess();
    // Before the first page: page processes read these when their browser
    // control is made.
    SetBrowserFeatures(FileNameOf(exePath));

    // The start report and the version request run meanwhile.
    OnlineServices online;
    online.Start(OnlineArgs(exePath, programFolder));

    // The library outlives the main window, whose trees point into it.
    UserDataFolder userData = PrepareUserData(programFolder);
    GameLibrary library(userData.folder, UserBillProtector());
    Guarded([&] { library.Load(); });
    MainWindow main;
    PageManager pages;
    PageBatch batch;
    SessionKeeper session;
    BossKey bossKey;  // made once the main window is there
    ShellCommands commands;
    MainWindow::CreateArgs mainArgs;
    mainArgs.sidePanel = SidePanelHooks(library, pages, batch, commands);
    mainArgs.icon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    mainArgs.programFolder = programFolder;
    mainArgs.searchOrigin =
        FromW(_wgetenv(L"LUMO_SEARCH_ORIGIN") ? _wgetenv(L"LUMO_SEARCH_ORIGIN") : L"");
    mainArgs.onTextCommand = [&](HWND sender, const TextCommand& cmd) {
        commands.OnTextCommand(sender, cmd);
    };
    mainArgs.onTabMouseDown = [&](int index, int button) {
        commands.OnTabMouseDown(index, button);
    };
    mainArgs.onNewTab = [&] { pages.NewBlankTab(); };
    mainArgs.onNavButton = [&](MainWindow::NavButton b) { commands.OnNavButton(b); };
    mainArgs.pageListEmpty = [&] { return pages.pages().Empty(); };
    mainArgs.activeAddress = [&] { return commands.ActiveAddress(); };
    mainArgs.onOpenInActivePage = [&](const std::string& a, bool record) {
        commands.OpenInActivePage(a, record);
    };
    mainArgs.onOpenNewPage = [&](const std::string& a) { commands.OpenNewPage(a); };
    mainArgs.onCloseTab = [&](int index) { commands.CloseTab(index); };
    mainArgs.onMenuCommand = [&](MainWindow::MenuCommand c) { commands.OnMenu(c); };
    mainArgs.onShortcut = [&](Shortcut s) { commands.OnShortcut(s); };
    mainArgs.onFirstActivation = [&] {
        // The active page shows itself filling the page area.
        WbForm* page = pages.pages().current();
        if (!page || !page->window)
            return false;
        PostCommand(reinterpret_cast<HWND>(page->window), Messages().operate);
        return true;
    };
    mainArgs.onPageAreaResized = [&] { pages.OnPageAreaResized(); };
    mainArgs.onClose = [&] {
        // The tabs as they are now are what the next start offers; the
        // pages going away below is no change to record.
        session.Stop();
        // Pages and their folders are done with before the name is given
        // up: the next shell may start while this window still goes.
        pages.QuitAllPages();
        pages.Shutdown();
        // So is the boss key: a shell started next takes it over.
        bossKey.Release();
        mutex.reset();
    };
    mainArgs.onBeforeHide = [&] { pages.PartSilentPages(); };

    bool created = GuardedOr(false, [&] {
        if (!main.Create(mainArgs))
            return false;
        pages.Init({&main, exePath, programFolder});
        commands.Init(
            {&main, &pages, exePath, programFolder, mainArgs.icon, UserDataNote(userData)});
        // Page 0 at once (the maker's start page navigates it when it
        // arrives), then the address this shell was started with.
        pages.StartFirstPage();
        if (!Trim(arg1).empty())
            pages.NewPage(pages.pages().currentIndex() + 1, arg1, true, "");
        batch.Init(pages, main);
        session.Init(userData.folder, pages.pages());
        pages.SetTabsChanged([&session] { session.Changed(); });
        std::vector<SessionTab> last = session.LoadLast();
        if (last.empty()) {
            session.Start();
        } else {
            const IniDoc config =
                IniDoc::Parse(ReadFileBytes(programFolder + "Config.ini").value_or(""));
            session.OfferRestore(std::move(last), config.GetInt("Session", "AutoRestore", 0) == 1,
                                 [&](const std::vector<SessionTab>& tabs) {
                                     batch.Open(RestorePages(tabs, library));
                                 });
        }
        return true;
    });
    if (!created) {
        online.Finish();
        return 1;
    }
    std::unique_ptr<PlainWindow> base, publicForm, about, addGame;
    PageWindow hiddenPage;
    Guarded([&] {
        base = CreateHiddenForm(L"TfrmBase", "frmBase");
        publicForm = CreateHiddenForm(L"TfrmPublic", "frmPublic");
        if (publicForm)
            pages.SetCommandSender(publicForm->hwnd());
        PageWindow::CreateArgs pageArgs;
        pageArgs.createBrowser = false;
        hiddenPage.Create(pageArgs);
        about = CreateHiddenForm(L"TfrmAbout", "关于");
        addGame = CreateHiddenForm(L"TfrmAddGame", "添加游戏");
    });
    // The boss key hides the shell with every page's windows.
    Guarded([&] {
        BossKey::CreateArgs b{&main, programFolder, [&pages] {
                                  std::set<DWORD> pids;
                                  for (int i = 0; i < pages.pages().Count(); ++i)
                                      pids.insert(pages.pages().At(i).processId);
                                  return pids;
                              }};
        bossKey.Create(b);
    });
    online.MainWindowShown(main.hwnd());

    // The browser shortcuts also work while the focus is in the shell's own
    // controls (after Ctrl+T it sits in the address box).
    auto loop = [&] {
        MSG msg;
        int r;
        AltShortcutRelease alt;
        int failedReads = 0;
        while ((r = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
            if (r < 0) {
                // A message that could not be received (Wine fails the read
                // of a text command too large to pass between processes) is
                // dropped: the shell goes on. Only an endless run of failures
                // ends it.
                if (failedReads++ % 100 == 0)
                    LogWarn("shell", "a message could not be received (error " +
                                         std::to_string(GetLastError()) + "); dropped");
                if (failedReads > 10000)
                    break;
                continue;
            }
            failedReads = 0;
            bool inMain =
                main.hwnd() && (msg.hwnd == main.hwnd() || IsChild(main.hwnd(), msg.hwnd));
            if (inMain && IsKeyUp(msg) && alt.DropKeyUp(static_cast<int>(msg.wParam)))
                continue;
            if (inMain && GuardedOr(false, [&] { return main.TranslateKey(msg); })) {
                alt.KeyDown(GetKeyState(VK_MENU) < 0, true);
                continue;
            }
            if (inMain && IsKeyDown(msg)) {
                // The menu's own keys: Ctrl+Q, F1, Ctrl+F12.
                bool ctrl = GetKeyState(VK_CONTROL) < 0;
                if (ctrl && msg.wParam == 'Q') {
                    PostMessageW(main.hwnd(), WM_CLOSE, 0, 0);
                    continue;
                }
                if (msg.wParam == VK_F1 || (ctrl && msg.wParam == VK_F12)) {
                    Guarded([&] {
                        commands.OnMenu(msg.wParam == VK_F1
                                            ? MainWindow::MenuCommand::Help
                                            : MainWindow::MenuCommand::SetAsDefaultBrowser);
                    });
                    continue;
                }
                bool altHeld = GetKeyState(VK_MENU) < 0;
                auto s = ShortcutOf(static_cast<int>(msg.wParam), ctrl, altHeld,
                                    GetKeyState(VK_SHIFT) < 0);
                if (s && *s == Shortcut::Stop && msg.hwnd != main.hwnd())
                    s.reset();  // Esc keeps its meaning in the shell's own controls
                alt.KeyDown(altHeld, s.has_value());
                if (s) {
                    Guarded([&] { commands.OnShortcut(*s); });
                    continue;
                }
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return r == 0 ? static_cast<int>(msg.wParam) : 1;
    };
    return RunWithExitSteps(loop, [&] {
        Guarded([&] { online.Finish(); });
        pages.Shutdown();
    });
}

}  // namespace

int RunLumo(HINSTANCE instance) {
    StartLogging();
    OleScope ole;
    std::vector<std::string> args = ProcessArgs();
    // The installer's registration switches: no window, no second shell.
    // Before the program folder goes, the uninstaller's run also puts back a
    // cookie-folder value that a shell ended during a page start left
    // pointing into it (only when no shell of this program runs).
    if (BrowserSwitch which = BrowserSwitchOf(args); which != BrowserSwitch::None) {
        const std::string exePath = ExecutablePath();
        UniqueHandle shell(OpenMutexW(SYNCHRONIZE, FALSE, ToW(TitleOf(exePath)).c_str()));
        if (which == BrowserSwitch::Unregister && !shell)
            RestoreCookieValueFromJournal(CookieJournalPath(FolderOf(exePath)));
        return RunBrowserSwitch(which, exePath);
    }
    return ChooseRole(args) == ProcessRole::Page ? RunPageProcess(args) : RunShell(instance, args);
}

}  // namespace lumo
