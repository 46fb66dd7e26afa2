// A page start holds the shell's thread for up to three seconds while the new
// process comes up, and cross-process calls made meanwhile (re-parenting,
// sizing) let the new page's first reports in. So the record knows its window
// before the window is touched, and a new-page request that arrives during a
// start is run after it instead of inside it.
#include "shell/page_manager_win.h"

#include <wininet.h>

#include <chrono>
#include <random>

#include "common/cmdline.h"
#include "common/file.h"
#include "common/guard.h"
#include "common/handle_win.h"
#include "common/http.h"
#include "common/ini.h"
#include "common/maker.h"
#include "common/text.h"
#include "common/text_win.h"
#include "shell/cookie_redirect_win.h"
#include "protocol/messages_win.h"
#include "protocol/roles.h"
#include "protocol/window_names.h"
#include "shell/shell_process_win.h"

namespace lumo {

namespace {

// Seconds since midnight plus a random number up to 9999.
double ClockSeed() {
    static std::mt19937 rng(std::random_device{}());
    SYSTEMTIME t;
    GetLocalTime(&t);
    return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond +
           std::uniform_int_distribution<int>(0, 9999)(rng);
}

void ShowMessage(HWND owner, const char* text) {
    MessageBoxW(owner, ToW(text).c_str(), L"Lumo", MB_OK | MB_ICONWARNING);
}

}  // namespace

HWND FindPageWindow(DWORD pid) {
    return FindEnabledProcessWindow(pid, kPageWindowClass);
}

void PageManager::Init(const CreateArgs& args) {
    args_ = args;
    main_ = args.main;
    sender_ = main_->hwnd();
}

void PageManager::FitToPageArea(HWND page) {
    if (!page)
        return;
    RECT rc;
    GetClientRect(main_->pageArea(), &rc);
    MoveWindow(page, 0, 0, rc.right, rc.bottom, TRUE);
}

void PageManager::NewPage(int index, const std::string& address, bool activate,
                          const std::string& bill) {
    if (BlankPageGuardBlocks(pages_, address))
        return;
    if (creating_) {
        deferred_.push_back(address);
        return;
    }
    creating_ = true;
    finished_ = false;
    main_->LockUpdates();
    Guarded([&] {
        // Make room for one more tab before it appears.
        int count = pages_.Count();
        int fitted =
            PrefitTabWidth(main_->TabMetrics(), main_->TabStripWidth() + 35, count, tabWidth_);
        if (fitted != tabWidth_) {
            tabWidth_ = fitted;
            main_->tabs().SetButtonWidth(tabWidth_);
        }
        index = std::clamp(index, 0, count);
        main_->tabs().Insert(index, kBlankTabCaption);

        CookieFolderRedirect redirect;
        std::string folder;
        if (redirect.Open()) {
            folder = MakeCookieFolder(
                args_.programFolder, ClockSeed, [](const std::string& p) { return FileExists(p); },
                pages_.CookieFolders());
            CreateFolders(args_.programFolder + "cookies");
            redirect.Redirect(folder);
        }

        auto record = std::make_unique<WbForm>();
        record->cookieFolder = folder;
        WbForm& page = pages_.Insert(index, std::move(record));

        PageLaunch launch{args_.exePath,
                          static_cast<uint64_t>(reinterpret_cast<uintptr_t>(main_->hwnd())),
                          address, folder, bill};
        std::string handover =
            (folder.empty() ? args_.programFolder + "cookies\\Page" + std::to_string(GetTickCount())
                            : folder) +
            ".handover";
        bool started = false;
        HWND window = nullptr;
        if (auto line = BuildPageCommandLine(launch, handover)) {
            if (!line->handoverPath.empty())
                WriteFileBytes(line->handoverPath, line->handoverBody);
            std::wstring cmd = ToW(line->line);
            STARTUPINFOW si{};
            si.cb = sizeof(si);
            si.dwFlags = STARTF_USESHOWWINDOW;
            si.wShowWindow = SW_HIDE;
            PROCESS_INFORMATION pi{};
            started = CreateProcessW(ToW(args_.exePath).c_str(), cmd.data(), nullptr, nullptr,
                                     FALSE, CREATE_NEW_PROCESS_GROUP | NORMAL_PRIORITY_CLASS,
                                     nullptr, nullptr, &si, &pi) != FALSE;
            if (started) {
                UniqueHandle process(pi.hProcess), thread(pi.hThread);
                ULONGLONG deadline = GetTickCount64() + kPageStartWaitMs;
                WaitForInputIdle(process.get(), kPageStartWaitMs);
                while (!(window = FindPageWindow(pi.dwProcessId)) && GetTickCount64() < deadline &&
                       WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) {
                    Sleep(10);
                }
                page.processId = pi.dwProcessId;
                page.window = reinterpret_cast<uintptr_t>(window);
                page.address = address;
                page.tabTitle = kBlankTabCaption;
                page.tabIconReset = false;
                if (window) {
                    LONG style = GetWindowLongW(window, GWL_STYLE);
                    SetWindowLongW(window, GWL_STYLE, (style & ~WS_POPUP) | WS_CHILD);
                    SetParent(window, main_->pageArea());
                    FitToPageArea(window);
                    PostCommand(window, Messages().operate);
                } else {
                    // Never found: the process must not linger without a tab.
                    TerminateProcess(process.get(), 1);
                }
            } else if (!line->handoverPath.empty()) {
                DeleteFileW(ToW(line->handoverPath).c_str());
            }
        }
        // The registry value goes back here, also after a failed start.
        redirect.Restore();

        if (!started || !window) {
            // A page without a process or a window is no page: no dead tab.
            int at = pages_.IndexOf(&page);
            pages_.Remove(at);
            main_->tabs().Remove(at);
            if (pages_.current() == nullptr)
                pages_.SetCurrent(std::min(pages_.currentIndex(), pages_.Count() - 1));
            LayoutTabs();
            if (!started)
                ShowMessage(main_->hwnd(), kCreatePageFailed);
            return;
        }
        if (activate) {
            int at = pages_.IndexOf(&page);
            if (WbForm* previous = pages_.current();
                previous && previous != &page && previous->window)
                ShowWindow(Hwnd(*previous), SW_HIDE);
            pages_.SetCurrent(at);
            main_->tabs().SetActive(at);
            // What the page reported while it was being embedded, if anything.
            main_->SetAddressText(page.address);
        }
        LayoutTabs();
    });
    main_->UnlockUpdates();
    finished_ = true;
    creating_ = false;
    if (!deferred_.empty())
        PostMessageW(main_->hwnd(), kRunDeferredMessage, 0, 0);
}

void PageManager::RunDeferredPages() {
    // Posted by NewPage when requests came in while it ran.
    while (!deferred_.empty() && !creating_) {
        std::string address = deferred_.front();
        deferred_.pop_front();
        NewPage(pages_.currentIndex() + 1, address, true, "");
    }
}

void PageManager::ShowPage(int index, int previous) {
    if (index == previous || !pages_.Valid(index))
        return;
    main_->LockUpdates();
    WbForm& page = pages_.At(index);
    if (page.window)
        ShowWindow(Hwnd(page), SW_SHOW);
    if (WbForm* current = pages_.current(); current && current != &page && current->window) {
        ShowWindow(Hwnd(*current), SW_HIDE);
        FitToPageArea(Hwnd(*current));
    }
    main_->UnlockUpdates();
    pages_.SetCurrent(index);
    main_->tabs().SetActive(index);
    main_->SetStatusText(page.tabTitle);
    main_->SetAddressText(page.address);
}

void PageManager::SwitchToPage(int index) {
    ShowPage(index, pages_.currentIndex());
    if (WbForm* current = pages_.current())
        FitToPageArea(Hwnd(*current));
}

void PageManager::SelectPage(int index) {
    std::string finalAddress;
    if (!pages_.Empty()) {
        finished_ = false;
        if (index >= kCurrentPageIndex)
            index = pages_.currentIndex();
        if (pages_.Valid(index)) {
            pages_.SetCurrent(index);
            main_->tabs().SetActive(index);
            WbForm& page = pages_.At(index);
            if (page.window)
                PostCommand(Hwnd(page), Messages().operate);
            SelectView view = ComputeSelectView(page, pages_.Count());
            main_->SetCaption(view.caption);
            main_->SetStatusText(view.status);
            main_->SetAddressText(view.addressBox);
            finalAddress = view.addressBox;
            if (view.focusPage) {
                main_->FocusPageArea();
            } else {
                main_->FocusAddressBox(true);
            }
        }
    }
    main_->UnlockUpdates();
    finished_ = true;
}

void PageManager::ClosePage(int index) {
    CloseDecision d = DecideClose(pages_.Count(), pages_.currentIndex(), index);
    if (d.kind == CloseDecision::Kind::Ignore)
        return;
    if (d.kind == CloseDecision::Kind::Blank) {
        // Page 0 and the only page stay; they show the blank page instead.
        // (The current page stays what it is.)
        WbForm& page = pages_.At(d.index);
        SendCopyData(Hwnd(page), sender_, std::string(kPrefixNewTab) + kBlankAddress);
        ClearCookieFolders(args_.programFolder);
        return;
    }
    main_->LockUpdates();
    WbForm& page = pages_.At(d.index);
    page.closeMark = false;
    page.closing = true;
    page.tabIconReset = true;
    if (page.window && Hwnd(page) != main_->hwnd())
        PostMessageW(Hwnd(page), WM_QUIT, 0, 0);
    main_->tabs().Remove(d.index);
    main_->HideCloseButton();
    pages_.Remove(d.index);
    pages_.SetCurrent(d.newCurrent);
    if (d.closedCurrent) {
        main_->LockUpdates();  // SelectPage unlocks once
        SelectPage(d.newCurrent);
    }
    main_->tabs().SetActive(d.newCurrent);
    LayoutTabs();
    if (WbForm* current = pages_.current(); current && current->window) {
        PostCommand(Hwnd(*current), Messages().operate);
        ShowWindow(Hwnd(*current), SW_SHOW);
        FitToPageArea(Hwnd(*current));
    }
    main_->UnlockUpdates();
    ClearCookieFolders(args_.programFolder);
}

void PageManager::QuitAllPages() {
    for (int i = 0; i < pages_.Count(); ++i)
        if (pages_.At(i).window)
            PostMessageW(Hwnd(pages_.At(i)), WM_QUIT, 0, 0);
}

void PageManager::LayoutTabs() {
    TabWidths w = LayoutTabWidths(main_->TabMetrics(), pages_.Count(), tabWidth_);
    tabWidth_ = w.tabWidth;
    main_->tabs().SetButtonWidth(w.buttonWidth);
    main_->PlaceNewTabButton();
}

void PageManager::NewBlankTab() {
    main_->SetAddressText(kBlankAddress);
    NewPage(pages_.Empty() ? 0 : pages_.currentIndex() + 1, kBlankAddress, true, "");
}

void PageManager::OnTabMouseDown(int index, int mouseButton) {
    if (mouseButton == VK_LBUTTON) {
        SwitchToPage(index);
    } else if (mouseButton == VK_RBUTTON && index != pages_.currentIndex()) {
        SwitchToPage(index);
        ClosePage(index);
    }
}

void PageManager::OnTextCommand(HWND sender, const TextCommand& cmd) {
    switch (cmd.kind) {
        case TextCommandKind::NewTab:
        case TextCommandKind::NewTabAlias:
            NewPage(pages_.currentIndex() + 1, cmd.arg, true, "");
            break;
        case TextCommandKind::Title:
            if (WbForm* page = pages_.FindByWindow(reinterpret_cast<uintptr_t>(sender))) {
                page->displayTitle = cmd.arg;
                page->tabTitle = cmd.arg;
                main_->tabs().SetCaption(pages_.IndexOf(page), cmd.arg);
            }
            break;
        case TextCommandKind::Url:
            if (WbForm* page = pages_.FindByWindow(reinterpret_cast<uintptr_t>(sender))) {
                page->address = cmd.arg;
                if (page == pages_.current())
                    main_->SetAddressText(cmd.arg);
            }
            break;
        case TextCommandKind::SaveBill:
        case TextCommandKind::None:
            break;
    }
}

void PageManager::OnNavButton(MainWindow::NavButton button) {
    WbForm* page = pages_.current();
    if (!page)
        return;
    const RegisteredMessages& m = Messages();
    HWND w = Hwnd(*page);
    switch (button) {
        case MainWindow::NavButton::Back:
            PostCommand(w, m.goBack);
            break;
        case MainWindow::NavButton::Forward:
            PostCommand(w, m.goForward);
            break;
        case MainWindow::NavButton::Stop:
            PostCommand(w, m.goStop);
            break;
        case MainWindow::NavButton::Refresh:
            PostCommand(w, m.goRefresh);
            break;
        case MainWindow::NavButton::SaveGame:
            SendCopyData(w, main_->hwnd(), std::string(kPrefixSaveBill));
            break;
        case MainWindow::NavButton::Home:
            break;
    }
}

void PageManager::OnPageAreaResized() {
    if (WbForm* current = pages_.current())
        FitToPageArea(Hwnd(*current));
    LayoutTabs();
}

std::string PickFirstPage(const std::string& programFolder) {
    return GuardedOr(std::string(kBlankAddress), [&] {
        auto resp = HttpGet(MakerUrl(programFolder, "/user/ADPage/firstPage.ini"),
                            std::chrono::milliseconds(3000));
        if (!resp || resp->status >= 400)
            return std::string(kBlankAddress);
        std::string copy = programFolder + "Update\\firstCF.ini";
        if (!WriteFileBytes(copy, resp->body))
            return std::string(kBlankAddress);
        return PickFirstPageFrom(LoadIniFile(copy), ClockSeed());
    });
}

}  // namespace lumo
