// The main window's address and search fields: Go, search and their Enter key.
#include "mainwindow/main_window_win.h"

#include <commctrl.h>

#include "common/guard.h"
#include "common/on_demand_win.h"
#include "common/text_win.h"
#include "mainwindow/address_rules.h"
#include "mainwindow/main_window_ids_win.h"

namespace lumo {

using namespace main_window_internal;

namespace {
SearchEndpoint Engine(const std::string& origin) {
    SearchEndpoint e;
    if (!origin.empty())
        e.origin = origin;
    return e;
}
}  // namespace

void MainWindow::Go() {
    const SearchEndpoint engine = Engine(searchOrigin_);
    Guarded([&] {
        GoDecision d =
            DecideGo(addressText(), args_.pageListEmpty && args_.pageListEmpty(), engine);
        if (d.clearStatus)
            SetStatusText("");
        using Kind = GoDecision::Kind;
        if (d.kind == Kind::OpenBlankTab) {
            if (args_.onNewTab)
                args_.onNewTab();
        } else if (d.kind == Kind::Navigate || d.kind == Kind::Keyword) {
            if (d.openInNewPage) {
                if (args_.onOpenNewPage)
                    args_.onOpenNewPage(d.address);
            } else if (args_.onOpenInActivePage) {
                args_.onOpenInActivePage(d.address, true);
            }
            // After the page's record took the full address: the box shows
            // its display form (a keyword search without its "tn=" marker).
            SetAddressText(d.boxText);
            if (!d.statusText.empty())
                SetStatusText(d.statusText);
            if (d.addToHistory && AddTypedAddress(history_, d.address))
                SendMessageW(addressBox_, CB_ADDSTRING, 0,
                             reinterpret_cast<LPARAM>(ToW(d.address).c_str()));
            if (d.focusPageArea)
                FocusPageArea();
        }
    });
    ResetZoomIndicator();
}

void MainWindow::Search() {
    const SearchEndpoint engine = Engine(searchOrigin_);
    Guarded([&] {
        int n = GetWindowTextLengthW(searchEdit_);
        std::wstring text(static_cast<size_t>(n) + 1, L'\0');
        GetWindowTextW(searchEdit_, text.data(), n + 1);
        text.resize(static_cast<size_t>(n));
        std::string active = args_.activeAddress ? args_.activeAddress() : std::string();
        SearchDecision d = DecideSearch(FromW(text), active, engine);
        if (d.stop)
            return;
        if (d.newTab && args_.onNewTab)
            args_.onNewTab();  // right after the active tab, and made active
        SetAddressText(d.boxText);
        if (args_.onOpenInActivePage)
            args_.onOpenInActivePage(d.url, false);
        ResetZoomIndicator();
    });
}

void MainWindow::OnAddressKey(WPARAM vk) {
    if (vk != VK_RETURN)
        return;
    bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
    bool shift = GetKeyState(VK_SHIFT) < 0;
    EnterModifiers mods = ModifiersOf(ctrl, alt, shift);
    if (mods != EnterModifiers::None && mods != EnterModifiers::Other)
        SetAddressText(CompleteOnEnter(addressText(), mods));
    Go();
}

LRESULT CALLBACK MainWindow::EditSubclass(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                          DWORD_PTR selfPtr) {
    auto* self = reinterpret_cast<MainWindow*>(selfPtr);
    switch (msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (wp == VK_RETURN) {
                // An open drop-down takes its pick first.
                if (id == kIdAddressBox &&
                    SendMessageW(self->addressBox_, CB_GETDROPPEDSTATE, 0, 0))
                    SendMessageW(self->addressBox_, CB_SHOWDROPDOWN, FALSE, 0);
                Guarded([&] {
                    if (id == kIdAddressBox)
                        self->OnAddressKey(wp);
                    else
                        self->Search();
                });
                return 0;
            }
            break;
        case WM_CHAR:
        case WM_SYSCHAR:
            if (wp == '\r' || wp == '\n')
                return 0;  // no beep for Enter
            break;
        case WM_NCDESTROY:
            ondemand::RemoveWindowSubclass(h, EditSubclass, id);
            break;
        default:
            break;
    }
    return ondemand::DefSubclassProc(h, msg, wp, lp);
}

}  // namespace lumo
