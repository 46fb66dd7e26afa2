#include "shell/shell_commands_win.h"

#include "common/guard.h"
#include "common/maker.h"
#include "common/text.h"
#include "frame/about_box_win.h"
#include "protocol/messages_win.h"
#include "shell/default_browser_win.h"

namespace lumo {

std::string ShellCommands::ActiveAddress() const {
    const WbForm* page = args_.pages->pages().current();
    return page ? page->address : std::string();
}

void ShellCommands::OpenInActivePage(const std::string& address, bool record) {
    WbForm* page = args_.pages->pages().current();
    if (!page) {
        OpenNewPage(address);
        return;
    }
    // A tab that is still starting gets the address once it is embedded.
    args_.pages->Navigate(*page, address, record);
}

void ShellCommands::OpenNewPage(const std::string& address) {
    PageList& list = args_.pages->pages();
    args_.pages->NewPage(list.Empty() ? 0 : list.currentIndex() + 1, address, true, "");
}

void ShellCommands::CloseTab(int index) {
    PageList& list = args_.pages->pages();
    if (!list.Valid(index))
        return;
    closed_.Push(list.At(index).address);
    args_.pages->ClosePage(index);
}

void ShellCommands::OnTabMouseDown(int index, int button) {
    PageList& list = args_.pages->pages();
    // A right click closes a background tab: remember it for reopening.
    if (button == VK_RBUTTON && list.Valid(index) && index != list.currentIndex())
        closed_.Push(list.At(index).address);
    args_.pages->OnTabMouseDown(index, button);
}

void ShellCommands::OnNavButton(MainWindow::NavButton button) {
    if (button == MainWindow::NavButton::Home) {
        Home();
        return;
    }
    args_.pages->OnNavButton(button);
}

void ShellCommands::Home() {
    // The system browser's start page; the shell has none of its own.
    std::string home = Trim(ReadRegistryString(
        HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Main", "Start Page"));
    if (home.empty())
        home = "about:blank";
    WbForm* page = args_.pages->pages().current();
    if (!page || page->address != "about:blank") {
        // As the search does: a page that shows something keeps it.
        OpenNewPage(home);
        if (WbForm* opened = args_.pages->pages().current())
            opened->requestedAddress = home;
        return;
    }
    args_.main->SetAddressText(home);
    OpenInActivePage(home, true);
}

void ShellCommands::OnMenu(MainWindow::MenuCommand cmd) {
    switch (cmd) {
        case MainWindow::MenuCommand::Help:
            OpenNewPage(MakerUrl(args_.programFolder, "/faq.html"));
            break;
        case MainWindow::MenuCommand::SetAsDefaultBrowser:
            // Modern Windows asks the user to confirm the choice itself.
            if (SetAsDefaultBrowser(args_.exePath) != RegisterResult::Failed)
                OpenDefaultAppsSettings();
            break;
        case MainWindow::MenuCommand::About: {
            AboutBox about;
            if (about.Create(args_.main->hwnd(), args_.icon, FileVersionOf(args_.exePath),
                             args_.aboutNote))
                about.ShowModal();
            break;
        }
    }
}

void ShellCommands::ReopenClosedTab() {
    if (auto address = closed_.Pop())
        OpenNewPage(*address);
}

void ShellCommands::OnTextCommand(HWND sender, const TextCommand& cmd) {
    if (cmd.kind == TextCommandKind::SaveBill) {
        OnSaveBill(sender, cmd.arg);
        return;
    }
    args_.pages->OnTextCommand(sender, cmd);
    const WbForm* current = args_.pages->pages().current();
    DWORD pid = 0;
    // A report there (reports start with a space, titles are trimmed) stays
    // until the next switch.
    std::string status = args_.main->statusText();
    if (cmd.kind == TextCommandKind::Title && current && GetWindowThreadProcessId(sender, &pid) &&
        current->processId == pid && (status.empty() || status[0] != ' '))
        args_.main->SetStatusText(current->tabTitle);
}

void ShellCommands::OnSaveBill(HWND sender, const std::string& bill) {
    // Only a page of ours answers; the dialog shows the current page as the
    // shell keeps it.
    PageList& list = args_.pages->pages();
    const WbForm* current = list.current();
    if (!current || !list.FindByWindow(reinterpret_cast<uintptr_t>(sender)))
        return;
    AddGameDialog::Presets presets;
    presets.description = current->tabTitle;
    presets.address = current->address;
    presets.bill = bill;
    // A game saved from a page that goes through a proxy keeps going through it.
    presets.proxy = args_.pages->ProxyOf(*current);
    args_.main->sidePanel().OpenAddGameDialog(presets);
}

void ShellCommands::OnShortcut(Shortcut s) {
    PageManager& pm = *args_.pages;
    PageList& list = pm.pages();
    int count = list.Count(), current = list.currentIndex();
    switch (s) {
        case Shortcut::NewTab:
            pm.NewBlankTab();
            args_.main->FocusAddressBox(true);
            break;
        case Shortcut::CloseTab:
            CloseTab(current);
            break;
        case Shortcut::NextTab:
        case Shortcut::PreviousTab:
            if (count > 1)
                pm.SwitchToPage((current + (s == Shortcut::NextTab ? 1 : count - 1)) % count);
            break;
        case Shortcut::SelectLastTab:
            if (count > 0)
                pm.SwitchToPage(count - 1);
            break;
        case Shortcut::FocusAddress:
            SetForegroundWindow(args_.main->hwnd());
            args_.main->FocusAddressBox(true);
            break;
        case Shortcut::Refresh:
        case Shortcut::HardRefresh:
            pm.OnNavButton(MainWindow::NavButton::Refresh);
            break;
        case Shortcut::Back:
            pm.OnNavButton(MainWindow::NavButton::Back);
            break;
        case Shortcut::Forward:
            pm.OnNavButton(MainWindow::NavButton::Forward);
            break;
        case Shortcut::Stop:
            pm.OnNavButton(MainWindow::NavButton::Stop);
            break;
        case Shortcut::ReopenClosed:
            ReopenClosedTab();
            break;
        default: {
            int index = static_cast<int>(s) - static_cast<int>(Shortcut::SelectTab1);
            if (index >= 0 && index < count)
                pm.SwitchToPage(index);
            break;
        }
    }
}

}  // namespace lumo
