// TFormWebBrowser: the window of one page around its browser control. In a
// page process it is the only window; the shell re-parents it into its page
// area, so it looks like the content of the shell's main window. The shell
// process also uses it (the popular-games page and one hidden instance).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <optional>

#include "common/window_win.h"
#include "page/browser_control.h"
#include "protocol/roles.h"
#include "protocol/text_command.h"

namespace lumo {

inline constexpr char kNotLoadedMessage[] = "页面还未加载完毕,请稍后重试.";

class PageWindow : public Window, private BrowserEvents {
  public:
    struct CreateArgs {
        // The arguments of a page process; none for the shell's own page
        // windows.
        std::optional<PageArgs> page;
        HWND parent = nullptr;  // a child window of this parent when set
        BrowserEngine engine = BrowserEngine::System;
        bool createBrowser = true;
        // Opens a page when there is no shell to send "NT:" to (the page
        // windows inside the shell process).
        std::function<void(const std::string& address)> openPageWithoutShell;
        // Collects the bill of the current document; "" for none.
        std::function<std::string(HtmlDocument&)> collectBill;
    };

    PageWindow() = default;
    ~PageWindow() override;

    bool Create(const CreateArgs& args);

    void SetStartAddress(const std::string& address) { startAddress_ = address; }
    const std::string& startAddress() const { return startAddress_; }
    // Navigates the browser to the start address, if any.
    void NavigateToStart();

    HWND shellWindow() const { return shell_; }
    BrowserControl* browser() const { return browser_.get(); }
    const std::string& title() const { return title_; }
    std::string& pendingFillText() { return pendingFill_; }

    // Shows the window filling its host (the show command of the shell).
    void ShowInHost();
    // Becomes a child of `parent` (a window of our shell's process only),
    // filling it, still hidden.
    void EmbedInto(HWND parent);

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void OnTitleChange(const std::string& title) override;
    void OnNewWindow(const std::string& url) override;
    void OnStatusTextChange(const std::string& text) override;
    void OnCommandStateChange() override {}
    void OnNavigateComplete() override;
    void OnDocumentComplete() override;

    void OnTextCommand(HWND sender, const TextCommand& cmd);
    // Fills the pending bill into the current document (throws on errors).
    void ReplayPendingFill();
    void ResizeBrowser();

    HWND shell_ = nullptr;
    std::unique_ptr<BrowserControl> browser_;
    std::string title_;
    std::string startAddress_;
    std::string pendingFill_;
    std::string statusText_;
    std::function<void(const std::string&)> openPageWithoutShell_;
    std::function<std::string(HtmlDocument&)> collectBill_;
};

}  // namespace lumo
