#include "common/text.h"
#include "page/browser_control.h"
#include "page/headless_browser_win.h"
#include "page/system_browser_win.h"

#include <cstdlib>

namespace lumo {

std::unique_ptr<BrowserControl> CreateBrowserControl(BrowserEngine engine,
                                                     const BrowserControl::CreateArgs& args) {
    if (engine == BrowserEngine::Headless)
        return CreateHeadlessBrowser(args);
    return CreateSystemBrowser(args);
}

BrowserEngine SelectedBrowserEngine() {
    const char* v = std::getenv("LUMO_BROWSER_ENGINE");
    return v && EqualsNoCase(Trim(v), "headless") ? BrowserEngine::Headless : BrowserEngine::System;
}

}  // namespace lumo
