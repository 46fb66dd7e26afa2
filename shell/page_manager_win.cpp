// The page manager's core: set-up, page state changes, switching pages, tabs and commands.
#include "shell/page_manager_win.h"

#include <algorithm>
#include <cstdlib>

#include "common/guard.h"
#include "common/text.h"
#include "common/text_win.h"
#include "protocol/messages_win.h"
#include "protocol/window_names.h"
#include "shell/page_manager_internal_win.h"

namespace lumo {

using namespace page_manager_internal;

namespace {

// A saved game's "RRGGBB" as a colour; kNoTabColour for none.
COLORREF TabColour(const std::string& hex) {
    if (hex.size() != 6)
        return kNoTabColour;
    const unsigned long v = std::strtoul(hex.c_str(), nullptr, 16);
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

}  // namespace

HWND FindPageWindow(DWORD pid) {
    return FindEnabledProcessWindow(pid, kPageWindowClass);
}

PageManager::PageManager() = default;

PageManager::~PageManager() {
    if (g_manager == this)
        g_manager = nullptr;
}

void PageManager::Init(const CreateArgs& args) {
    args_ = args;
    main_ = args.main;
    sender_ = main_->hwnd();
    g_manager = this;
    // The page area never paints over its page windows (they belong to
    // other processes and paint themselves).
    HWND area = main_->pageArea();
    SetWindowLongW(area, GWL_STYLE, GetWindowLongW(area, GWL_STYLE) | WS_CLIPCHILDREN);
    host_ = std::make_unique<Host>(*this);
    host_->Create();
    SetTimer(host_->hwnd(), kHeartbeatTimer, kHeartbeatMs, nullptr);
    notice_.Create(main_->pageArea(), {[this] {
                                           if (WbForm* p = pages_.current())
                                               if (PageRun* run = RunOf(*p))
                                                   run->userWaits = true;
                                           UpdateNotice();
                                       },
                                       [this] {
                                           if (WbForm* p = pages_.current())
                                               if (PageRun* run = RunOf(*p); run && run->process) {
                                                   LogWarn("page", PidText(run->process->pid()) +
                                                                       " ended by the user");
                                                   run->process->Terminate(1);
                                               }
                                       },
                                       [this] { ReloadCurrent(); }});
    wchar_t noSpare[4];
    if (DWORD n = GetEnvironmentVariableW(L"LUMO_NO_SPARE", noSpare, 4);
        n == 1 && noSpare[0] == L'1')
        spareEnabled_ = false;
    wchar_t limit[16];
    if (DWORD n = GetEnvironmentVariableW(L"LUMO_PAGE_LIMIT", limit, 16); n > 0 && n < 16)
        maxPages_ = std::clamp(_wtoi(limit), 1, kMaxPageProcesses);
}

PageManager::PageRun* PageManager::RunOf(const WbForm& page) {
    auto it = runs_.find(page.pageId);
    return it == runs_.end() ? nullptr : it->second.get();
}

std::string PageManager::ProxyOf(const WbForm& page) {
    PageRun* run = RunOf(page);
    return run ? run->proxy : std::string();
}

PageManager::PageRun* PageManager::RunByWindow(HWND window) {
    if (!window)
        return nullptr;
    for (auto& [id, run] : runs_)
        if (run->window == window)
            return run.get();
    return nullptr;
}

int PageManager::FreePageSlots() const {
    int free = maxPages_ - LiveProcesses() - static_cast<int>(deferred_.size());
    if (auto it = runs_.find(spareId_);
        it != runs_.end() && it->second->process && !it->second->process->Ended())
        ++free;
    return std::max(0, free);
}

void PageManager::RetagGame(const std::string& oldName, const GameTag& game) {
    bool changed = false;
    for (int i = 0; i < pages_.Count(); ++i) {
        WbForm& page = pages_.At(i);
        if (page.game.empty() || page.game.category != game.category || page.game.name != oldName)
            continue;
        page.game = game;
        UpdateTab(page);
        changed = true;
    }
    if (changed)
        TabsChanged();
}

void PageManager::TabsChanged() {
    if (tabsChanged_)
        tabsChanged_();
}

int PageManager::LiveProcesses() const {
    int n = 0;
    for (const auto& [id, run] : runs_)
        if (run->process && !run->process->Ended())
            ++n;
    return n;
}

void PageManager::Report(const std::string& text) {
    main_->SetStatusText(" " + text);
}

void PageManager::FitToPageArea(HWND page) {
    if (!page)
        return;
    RECT rc;
    GetClientRect(main_->pageArea(), &rc);
    // Asynchronous: the page sizes itself when it gets to it.
    SetWindowPos(page, nullptr, 0, 0, rc.right, rc.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
}

// Every state change of a page goes through here.
void PageManager::Apply(PageRun& run, PageEvent e) {
    PageState before = run.life.state();
    if (!run.life.Apply(e) || run.life.state() == before)
        return;
    PageState now = run.life.state();
    DWORD pid = run.process ? run.process->pid() : 0;
    switch (now) {
        case PageState::Embedded:
            LogInfo("page", PidText(pid) + " window embedded after " +
                                std::to_string(run.startTimer.Ms()) + " ms");
            break;
        case PageState::Hung:
            LogWarn("page", PidText(pid) + " not responding");
            run.userWaits = false;
            ShareInput(run, false);
            break;
        case PageState::Crashed:
            LogError("page", PidText(pid) + " stopped unexpectedly, exit code " +
                                 std::to_string(run.process ? run.process->ExitCode() : 0) +
                                 " after " +
                                 std::to_string(run.process ? run.process->LivedMs() : 0) + " ms");
            run.window = nullptr;
            break;
        case PageState::Ended:
            if (run.process)
                LogInfo("page", PidText(pid) + " ended, exit code " +
                                    std::to_string(run.process->ExitCode()) + ", lived " +
                                    std::to_string(run.process->LivedMs()) + " ms");
            run.window = nullptr;
            break;
        default:
            if (before == PageState::Hung) {
                LogInfo("page", PidText(pid) + " responds again");
                ShareInput(run, true);
            }
            break;
    }
    for (int i = 0; i < pages_.Count(); ++i) {
        WbForm& page = pages_.At(i);
        if (page.pageId != run.id)
            continue;
        if (!run.life.HasWindow())
            page.window = 0;
        UpdateTab(page);
    }
    UpdateNotice();
}

void PageManager::UpdateTab(const WbForm& page) {
    const PageRun* run = const_cast<PageManager*>(this)->RunOf(page);
    // A saved game's tab says whose it is; its page title is the tooltip.
    std::string caption = page.game.empty() ? page.tabTitle : page.game.name;
    if (run && run->life.state() == PageState::Hung)
        caption = kHungTabPrefix + caption;
    else if (run && run->life.state() == PageState::Crashed)
        caption = kStoppedTabPrefix + caption;
    int at = pages_.IndexOf(&page);
    if (at >= 0) {
        main_->tabs().SetCaption(at, caption);
        main_->tabs().SetTab(at, page.tabTitle, TabColour(page.game.colour));
    }
}

void PageManager::UpdateNotice() {
    PageNotice::Kind kind = PageNotice::Kind::None;
    if (WbForm* page = pages_.current())
        if (PageRun* run = RunOf(*page)) {
            if (run->life.state() == PageState::Hung && !run->userWaits)
                kind = PageNotice::Kind::Hung;
            else if (run->life.state() == PageState::Crashed)
                kind = PageNotice::Kind::Stopped;
        }
    if (kind != notice_.kind() || kind != PageNotice::Kind::None)
        notice_.Show(kind);
}

void PageManager::ShowRecord(WbForm& page) {
    PageRun* run = RunOf(page);
    if (!run)
        return;
    Apply(*run, PageEvent::Show);
    if (run->window && run->life.HasWindow()) {
        // The page shows and sizes itself.
        PostCommand(run->window, Messages().operate);
    }
}

void PageManager::HideRecord(WbForm& page) {
    PageRun* run = RunOf(page);
    if (!run)
        return;
    Apply(*run, PageEvent::Hide);
    // Posted like the show message, so the two arrive in order.
    if (run->window)
        PostMessageW(run->window, Messages().hide, 0, 0);
    // A hung page carries it out only once it runs again (nothing the shell
    // can do to another process's window hides it without waiting for it);
    // meanwhile the page shown puts itself on top and covers it.
}

void PageManager::ShowPage(int index, int previous) {
    if (index == previous || !pages_.Valid(index))
        return;
    WbForm& page = pages_.At(index);
    if (WbForm* current = pages_.current(); current && current != &page)
        HideRecord(*current);
    pages_.SetCurrent(index);
    main_->tabs().SetActive(index);
    ShowRecord(page);
    UpdateNotice();
    main_->SetStatusText(page.tabTitle);
    main_->SetAddressText(page.address);
}

void PageManager::SwitchToPage(int index) {
    ShowPage(index, pages_.currentIndex());
    if (WbForm* current = pages_.current())
        FitToPageArea(Hwnd(*current));
}

void PageManager::SelectPage(int index) {
    if (!pages_.Empty()) {
        finished_ = false;
        if (index >= kCurrentPageIndex)
            index = pages_.currentIndex();
        if (pages_.Valid(index)) {
            pages_.SetCurrent(index);
            main_->tabs().SetActive(index);
            WbForm& page = pages_.At(index);
            ShowRecord(page);
            UpdateNotice();
            SelectView view = ComputeSelectView(page, pages_.Count());
            main_->SetCaption(view.caption);
            main_->SetStatusText(view.status);
            main_->SetAddressText(view.addressBox);
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

void PageManager::LayoutTabs() {
    TabWidths w = LayoutTabWidths(main_->TabMetrics(), pages_.Count(), tabWidth_);
    tabWidth_ = w.tabWidth;
    main_->tabs().SetButtonWidth(w.buttonWidth);
    main_->PlaceNewTabButton();
    // Every opening and closing of a tab ends here.
    TabsChanged();
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
    // A page may report its title before its window has been found: then
    // its process tells which page it is.
    auto senderPage = [&]() -> WbForm* {
        if (WbForm* page = pages_.FindByWindow(reinterpret_cast<uintptr_t>(sender)))
            return page;
        DWORD pid = 0;
        GetWindowThreadProcessId(sender, &pid);
        for (int i = 0; pid != 0 && i < pages_.Count(); ++i)
            if (pages_.At(i).processId == pid && pages_.At(i).window == 0)
                return &pages_.At(i);
        return nullptr;
    };
    switch (cmd.kind) {
        case TextCommandKind::NewTab:
        case TextCommandKind::NewTabAlias:
            // Pages (scripts opening pop-ups) are held to a rate; the user
            // and a second start are not.
            if (RunByWindow(sender) &&
                !pageRequests_.Allow(static_cast<int64_t>(GetTickCount64()))) {
                if (droppedRequests_++ % 100 == 0)
                    LogWarn("page", "new-page requests from a page come too fast; dropped");
                Report(kPageLimitReached);
                break;
            }
            {
                // A page's new windows go through the page's own proxy.
                PageRun* from = RunByWindow(sender);
                NewPage(pages_.currentIndex() + 1, cmd.arg, true, "",
                        from ? from->proxy : std::string());
            }
            break;
        case TextCommandKind::Title:
            if (WbForm* page = senderPage()) {
                page->displayTitle = cmd.arg;
                page->tabTitle = cmd.arg;
                UpdateTab(*page);
                if (!page->game.empty() && page == pages_.current())
                    main_->SetStatusText(page->tabTitle);
            }
            break;
        case TextCommandKind::Url:
            if (WbForm* page = senderPage()) {
                if (PageRun* run = RunOf(*page))
                    run->visited |= !EqualsNoCase(Trim(cmd.arg), kBlankAddress);
                page->address = cmd.arg;
                if (page == pages_.current())
                    main_->SetAddressText(cmd.arg);
                TabsChanged();
            }
            break;
        case TextCommandKind::SaveBill:
        case TextCommandKind::FillBill:
        case TextCommandKind::None:
            break;
    }
}

void PageManager::OnNavButton(MainWindow::NavButton button) {
    WbForm* page = pages_.current();
    PageRun* run = page ? RunOf(*page) : nullptr;
    if (!run || !run->window || !run->life.HasWindow())
        return;
    const RegisteredMessages& m = Messages();
    HWND w = run->window;
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
            if (run->life.state() != PageState::Hung)
                SendCopyData(w, main_->hwnd(), std::string(kPrefixSaveBill), kPageCommandTimeoutMs);
            break;
        case MainWindow::NavButton::Home:
            break;
    }
}

void PageManager::OnPageAreaResized() {
    if (WbForm* current = pages_.current())
        FitToPageArea(Hwnd(*current));
    notice_.Fit();
    LayoutTabs();
}

}  // namespace lumo
