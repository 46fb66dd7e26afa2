// The browser control of a page window, as one interface with two engines:
//   - the system WebBrowser control hosted in our own OLE container (the
//     production engine);
//   - a headless engine that loads pages through WinInet, for automated runs
//     where the system control cannot render.
// Every call happens on the window's user-interface thread and may throw
// BrowserError; callers run them through the error guard. Events arrive on
// the same thread. Texts are UTF-8.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "page/html_document.h"

namespace lumo {

class BrowserEvents {
  public:
    virtual ~BrowserEvents() = default;
    virtual void OnTitleChange(const std::string& title) = 0;
    // The document asked for a new window (a link with a target, window.open).
    // After the handler returns the content loads into this same control.
    virtual void OnNewWindow(const std::string& url) = 0;
    virtual void OnStatusTextChange(const std::string& text) = 0;
    virtual void OnCommandStateChange() = 0;
    virtual void OnNavigateComplete() = 0;
    virtual void OnDocumentComplete() = 0;
};

enum class BrowserEngine { System, Headless };

class BrowserControl {
  public:
    struct CreateArgs {
        HWND parent = nullptr;
        BrowserEvents* events = nullptr;  // not owned; outlives the control
        RECT bounds{};                    // in the parent's client coordinates
        bool silent = true;               // no script-error or other dialogs
    };

    virtual ~BrowserControl() = default;

    // The control's window (a child of the parent), null before Create.
    virtual HWND hwnd() const = 0;

    // Starts loading `url` and returns at once.
    virtual void Navigate(const std::string& url) = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    virtual void Stop() = 0;
    virtual void Refresh() = 0;

    virtual std::string LocationURL() = 0;  // the top-level document's address
    virtual bool Busy() = 0;                // true while loading
    // The current document, or null until one exists.
    virtual std::shared_ptr<HtmlDocument> Document() = 0;

    virtual void SetSilent(bool silent) = 0;
    virtual void SetBounds(const RECT& bounds) = 0;
    // Input focus to the control and UI activation of its document.
    virtual void Focus() = 0;
};

// Creates and initialises a control of the given engine; throws BrowserError
// when the engine is not available.
std::unique_ptr<BrowserControl> CreateBrowserControl(BrowserEngine engine,
                                                     const BrowserControl::CreateArgs& args);

// The engine picked for this process: the headless one when the environment
// variable LUMO_BROWSER_ENGINE is "headless" (page processes inherit it from
// the shell), else the system control.
BrowserEngine SelectedBrowserEngine();

}  // namespace lumo
