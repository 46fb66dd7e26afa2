#include "page/page_window_win.h"

#include <vector>

#include "common/guard.h"
#include "common/log.h"
#include "common/text.h"
#include "common/text_win.h"
#include "page/bill.h"
#include "page/bill_replay.h"
#include "page/bill_xml_win.h"
#include "page/page_rules.h"
#include "protocol/messages_win.h"
#include "protocol/text_command.h"
#include "protocol/roles.h"
#include "protocol/window_names.h"

namespace lumo {

PageWindow::~PageWindow() {
    // The control's window is a child of ours: release it first.
    browser_.reset();
}

bool PageWindow::Create(const CreateArgs& args) {
    openPageWithoutShell_ = args.openPageWithoutShell;
    collectBill_ = args.collectBill;

    // The shell's main window, found by its caption until told otherwise.
    shell_ = FindWindowW(nullptr, ToW(kMainWindowCaption).c_str());
    Messages();

    WindowCreateArgs w;
    w.className = kPageWindowClass;
    w.caption = L"FormWebBrowser";
    w.background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    if (args.parent) {
        RECT rc{};
        GetClientRect(args.parent, &rc);
        w.style = WS_CHILD | WS_CLIPCHILDREN;
        w.parent = args.parent;
        w.x = 0, w.y = 0, w.width = rc.right, w.height = rc.bottom;
    } else {
        // A borderless pop-up without a taskbar button.
        w.style = WS_POPUP | WS_CLIPCHILDREN;
        w.exStyle = WS_EX_TOOLWINDOW;
        w.x = 0, w.y = 0, w.width = 425, w.height = 291;
    }
    if (!CreateWindowFrom(w))
        return false;

    if (args.page) {
        if (args.page->hasShellArg) {
            SetWindowTextW(hwnd(), ToW(args.page->cookieFolder).c_str());
            shell_ = reinterpret_cast<HWND>(static_cast<uintptr_t>(args.page->shellWindow));
        }
        pendingFill_ = PendingFillText(args.page->bill);
    }

    if (args.createBrowser) {
        Guarded([&] {
            BrowserControl::CreateArgs b;
            b.parent = hwnd();
            b.events = this;
            b.silent = true;
            RECT rc{};
            GetClientRect(hwnd(), &rc);
            ControlRect r = BrowserControlRect(rc.right, rc.bottom);
            b.bounds = RECT{r.left, r.top, r.left + r.width, r.top + r.height};
            browser_ = CreateBrowserControl(args.engine, b);
        });
    }
    return true;
}

void PageWindow::NavigateToStart() {
    Guarded([&] {
        if (!startAddress_.empty() && browser_)
            browser_->Navigate(startAddress_);
    });
}

void PageWindow::ShowInHost() {
    if (HWND parent = GetParent(hwnd())) {
        RECT rc{};
        GetClientRect(parent, &rc);
        SetWindowPos(hwnd(), nullptr, 0, 0, rc.right, rc.bottom,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_DEFERERASE);
    } else {
        ShowWindow(hwnd(), SW_MAXIMIZE);
    }
    ResizeBrowser();
    // Above its siblings (a hung page that could not hide stays behind),
    // and without erasing them at once: that would wait on a hung one.
    SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_DEFERERASE);
}

void PageWindow::EmbedInto(HWND parent) {
    DWORD parentPid = 0, shellPid = 0;
    if (!parent || !shell_ || !GetWindowThreadProcessId(parent, &parentPid) ||
        !GetWindowThreadProcessId(shell_, &shellPid) || parentPid != shellPid)
        return;
    LONG style = GetWindowLongW(hwnd(), GWL_STYLE);
    SetWindowLongW(hwnd(), GWL_STYLE, (style & ~WS_POPUP) | WS_CHILD);
    // Our end must not wait on the shell: no parent notification.
    SetWindowLongW(hwnd(), GWL_EXSTYLE, GetWindowLongW(hwnd(), GWL_EXSTYLE) | WS_EX_NOPARENTNOTIFY);
    SetParent(hwnd(), parent);
    RECT rc{};
    GetClientRect(parent, &rc);
    SetWindowPos(hwnd(), nullptr, 0, 0, rc.right, rc.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void PageWindow::ResizeBrowser() {
    if (!browser_)
        return;
    RECT rc{};
    GetClientRect(hwnd(), &rc);
    ControlRect r = BrowserControlRect(rc.right, rc.bottom);
    browser_->SetBounds(RECT{r.left, r.top, r.left + r.width, r.top + r.height});
}

void PageWindow::OnTextCommand(HWND sender, const TextCommand& cmd) {
    if (cmd.kind == TextCommandKind::FillBill) {
        // A page started ahead of need gets its bill before its address;
        // only from our shell.
        DWORD from = 0, shellPid = 0;
        if (sender && shell_ && GetWindowThreadProcessId(sender, &from) &&
            GetWindowThreadProcessId(shell_, &shellPid) && from == shellPid)
            pendingFill_ = PendingFillText(cmd.arg);
    } else if (cmd.kind == TextCommandKind::NewTab) {
        startAddress_ = cmd.arg;
        if (browser_)
            browser_->Navigate(cmd.arg);
    } else if (cmd.kind == TextCommandKind::SaveBill) {
        std::shared_ptr<HtmlDocument> doc = browser_ ? browser_->Document() : nullptr;
        if (!doc) {
            MessageBoxW(hwnd(), ToW(kNotLoadedMessage).c_str(), L"Lumo",
                        MB_OK | MB_ICONINFORMATION);
            return;
        }
        std::string bill = collectBill_ ? collectBill_(*doc) : CollectBill(*doc);
        if (!bill.empty())
            SendCopyData(shell_, hwnd(), std::string(kPrefixSaveBill) + bill);
    }
}

LRESULT PageWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COPYDATA:
            if (auto cmd = ReadTextCommand(lp))
                Guarded([&] { OnTextCommand(reinterpret_cast<HWND>(wp), *cmd); });
            return TRUE;
        case WM_SIZE:
            ResizeBrowser();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE && browser_)
                Guarded([&] { browser_->Focus(); });
            break;
        case WM_SETFOCUS:
            // Focus given to the page (embedded, it gets no activation) goes
            // on to the document, so that typed keys reach its fields.
            if (browser_)
                Guarded([&] { browser_->Focus(); });
            return 0;
        default:
            break;
    }
    LRESULT result = Window::HandleMessage(msg, wp, lp);
    const RegisteredMessages& m = Messages();
    if (msg == m.operate) {
        ShowInHost();
    } else if (msg == m.embed) {
        EmbedInto(reinterpret_cast<HWND>(wp));
    } else if (msg == m.hide) {
        ShowWindow(hwnd(), SW_HIDE);
    } else if (browser_ &&
               (msg == m.goBack || msg == m.goForward || msg == m.goStop || msg == m.goRefresh)) {
        Guarded([&] {
            if (msg == m.goBack)
                browser_->GoBack();
            if (msg == m.goForward)
                browser_->GoForward();
            if (msg == m.goStop)
                browser_->Stop();
            if (msg == m.goRefresh)
                browser_->Refresh();
        });
    }
    return result;
}

void PageWindow::OnTitleChange(const std::string& title) {
    title_ = ReportedTitle(title);
    SendCopyData(shell_, hwnd(), std::string(kPrefixTitle) + title_);
}

void PageWindow::OnNavigateComplete() {
    if (!browser_)
        return;
    SendCopyData(shell_, hwnd(), std::string(kPrefixUrl) + browser_->LocationURL());
}

void PageWindow::OnDocumentComplete() {
    // Every load of this window fills the bill in again until its submit
    // button has been clicked once; a failed fill keeps it for the next.
    if (!Trim(pendingFill_).empty() && browser_)
        Guarded([&] { ReplayPendingFill(); });
}

void PageWindow::ReplayPendingFill() {
    std::shared_ptr<HtmlDocument> doc = browser_->Document();
    if (!doc)
        return;
    const XmlNode bill = ParseXmlWithSystemParser(pendingFill_);
    ReplayResult r = ReplayBill(bill, *doc, [&] { pendingFill_.clear(); });
    LogInfo("page", "saved form filled in: " + std::to_string(r.filled) + " values" +
                        (r.clicked ? ", submitted" : "") + (r.stopped ? ", stopped" : ""));
}

void PageWindow::OnNewWindow(const std::string& url) {
    if (shell_) {
        SendCopyData(shell_, hwnd(), std::string(kPrefixNewTab) + url);
    } else if (openPageWithoutShell_) {
        openPageWithoutShell_(url);
    }
}

void PageWindow::OnStatusTextChange(const std::string& text) {
    statusText_ = text;
}

}  // namespace lumo
