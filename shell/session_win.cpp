// Recording the open tabs, and offering them again at the next start.
#include "shell/session_win.h"

#include <cstdio>

#include "common/file.h"
#include "common/guard.h"
#include "common/log.h"
#include "common/text.h"
#include "common/text_win.h"

namespace lumo {

namespace {

constexpr UINT_PTR kWriteTimer = 1;
constexpr UINT kAskMessage = WM_APP + 1;

// The question's buttons say what they do: yes and no are renamed while the
// box is made (a hook on this thread, for this one box).
HHOOK g_renameHook = nullptr;

LRESULT CALLBACK RenameButtons(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wp);
        SetDlgItemTextW(box, IDYES, ToW(kRestoreButton).c_str());
        SetDlgItemTextW(box, IDNO, ToW(kNoRestoreButton).c_str());
    }
    return CallNextHookEx(g_renameHook, code, wp, lp);
}

bool AskRestore(size_t count) {
    char text[128];
    std::snprintf(text, sizeof text, kRestoreQuestion, static_cast<int>(count));
    g_renameHook = SetWindowsHookExW(WH_CBT, RenameButtons, nullptr, GetCurrentThreadId());
    HWND owner = FindWindowW(L"TfrmMain", nullptr);
    int answer = MessageBoxW(owner, ToW(text).c_str(), L"Lumo", MB_YESNO | MB_ICONQUESTION);
    if (g_renameHook)
        UnhookWindowsHookEx(g_renameHook);
    g_renameHook = nullptr;
    return answer == IDYES;
}

}  // namespace

std::vector<SessionTab> SessionTabsOf(const PageList& pages) {
    std::vector<SessionTab> tabs;
    for (int i = 0; i < pages.Count(); ++i) {
        const WbForm& page = pages.At(i);
        std::string address = Trim(page.address.empty() ? page.requestedAddress : page.address);
        if (!page.game.empty()) {
            tabs.push_back({page.game.category, page.game.name, address});
        } else if (i > 0 && !address.empty() && !EqualsNoCase(address, kBlankAddress)) {
            tabs.push_back({"", "", address});
        }
    }
    return tabs;
}

std::vector<BatchPage> RestorePages(const std::vector<SessionTab>& tabs, GameLibrary& library) {
    std::vector<BatchPage> pages;
    for (const SessionTab& tab : tabs) {
        if (tab.savedGame()) {
            if (TGameline* game = library.FindGame(tab.category, tab.name)) {
                // The game's own address: its login page, with the login.
                pages.push_back({game->Address,
                                 library.BillOf(*game),
                                 game->Proxy,
                                 {Trim(game->Folder), game->Name, game->Colour}});
                continue;
            }
        }
        if (!Trim(tab.address).empty())
            pages.push_back({tab.address, "", "", {}});
    }
    return pages;
}

void SessionKeeper::Init(const std::string& folder, const PageList& pages) {
    path_ = folder + kSessionFileName;
    pages_ = &pages;
    WindowCreateArgs w;
    w.className = L"LumoSession";
    w.style = 0;
    w.parent = HWND_MESSAGE;
    w.x = w.y = w.width = w.height = 0;
    CreateWindowFrom(w);
}

std::vector<SessionTab> SessionKeeper::LoadLast() {
    bool setAside = false;
    std::vector<SessionTab> tabs = LoadSessionFile(path_, &setAside);
    if (setAside)
        LogWarn("session", "damaged session file set aside");
    return tabs;
}

void SessionKeeper::OfferRestore(std::vector<SessionTab> tabs, bool automatic,
                                 std::function<void(const std::vector<SessionTab>&)> restore) {
    offered_ = std::move(tabs);
    automatic_ = automatic;
    restore_ = std::move(restore);
    PostMessageW(hwnd(), kAskMessage, 0, 0);
}

void SessionKeeper::Ask() {
    std::vector<SessionTab> tabs = std::move(offered_);
    offered_.clear();
    if (!tabs.empty() && (automatic_ || AskRestore(tabs.size()))) {
        LogInfo("session", "restoring " + std::to_string(tabs.size()) + " tabs");
        if (restore_)
            restore_(tabs);
    }
    restore_ = nullptr;
    Start();
}

void SessionKeeper::Start() {
    recording_ = true;
    Changed();
}

void SessionKeeper::Changed() {
    if (recording_ && hwnd())
        SetTimer(hwnd(), kWriteTimer, kSessionWriteDelayMs, nullptr);
}

void SessionKeeper::Write() {
    if (!pages_)
        return;
    std::string text = FormatSession(SessionTabsOf(*pages_));
    if (writtenKnown_ && text == written_)
        return;
    if (WriteFileAtomic(path_, text)) {
        written_ = std::move(text);
        writtenKnown_ = true;
    } else {
        LogError("session", "session file cannot be written");
    }
}

void SessionKeeper::Stop() {
    if (!recording_)
        return;
    if (hwnd())
        KillTimer(hwnd(), kWriteTimer);
    Guarded([&] { Write(); });
    recording_ = false;
}

LRESULT SessionKeeper::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_TIMER:
            if (wp == kWriteTimer) {
                KillTimer(hwnd(), kWriteTimer);
                if (recording_)
                    Guarded([&] { Write(); });
            }
            return 0;
        case kAskMessage:
            Guarded([&] { Ask(); });
            return 0;
        default:
            return Window::HandleMessage(msg, wp, lp);
    }
}

}  // namespace lumo
