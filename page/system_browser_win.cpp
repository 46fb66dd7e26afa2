// The system WebBrowser control in a container of our own.
//
// Layout: a child window of class "LumoBrowserHost" at the given bounds in
// the parent holds the control; a BrowserSite (ole_browser_site_win.h) is the
// control's client site, in-place site and frame, host UI handler and event
// sink. The control always fills the container's client area, so moving the
// container is all a resize takes.
//
// OLE: the control needs OLE on a single-threaded apartment. The first
// browser created on a thread calls OleInitialize there and the thread keeps
// OLE for the rest of its life; it is never uninitialized by us, because
// documents, element wrappers and the control's own late calls may still be
// around when the last browser of the thread goes, and unloading the
// browser's libraries beneath them would crash. A thread already initialized
// for COM's multi-threaded apartment cannot host the control: creation fails.
#include "page/system_browser_win.h"

#include <exdisp.h>
#include <mshtml.h>
#include <ole2.h>

#include "common/guard.h"
#include "common/window_win.h"
#include "page/com_ptr_win.h"
#include "page/ole_browser_site_win.h"
#include "page/ole_html_document_win.h"

namespace lumo {

namespace {

constexpr wchar_t kHostClass[] = L"LumoBrowserHost";

void EnsureOleOnThisThread() {
    thread_local bool initialized = false;
    if (initialized)
        return;
    HRESULT hr = OleInitialize(nullptr);
    if (FAILED(hr)) {
        throw BrowserError("OleInitialize failed (" + HresultText(hr) +
                           "): the thread cannot host the browser control");
    }
    initialized = true;
}

// The child window the control lives in: keeps the control fitted to it and
// passes the keyboard focus on to it.
class HostWindow final : public Window {
  public:
    bool Create(const WindowCreateArgs& args) { return CreateWindowFrom(args); }
    void SetSite(BrowserSite* site) { site_ = site; }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
            case WM_SIZE:
                if (site_)
                    site_->FitToWindow();
                return 0;
            case WM_SETFOCUS:
                if (site_) {
                    if (HWND control = site_->ControlWindow())
                        SetFocus(control);
                }
                return 0;
            default:
                return Window::HandleMessage(msg, wp, lp);
        }
    }

  private:
    BrowserSite* site_ = nullptr;
};

class SystemBrowser final : public BrowserControl {
  public:
    SystemBrowser() = default;
    SystemBrowser(const SystemBrowser&) = delete;
    SystemBrowser& operator=(const SystemBrowser&) = delete;
    ~SystemBrowser() override { Teardown(); }

    void Create(const CreateArgs& args);

    HWND hwnd() const override { return window_; }

    void Navigate(const std::string& url) override {
        Bstr address(url);
        Variant flags, target, postData, headers;
        CheckHr(Browser()->Navigate(address.Get(), &flags.Get(), &target.Get(), &postData.Get(),
                                    &headers.Get()),
                "IWebBrowser2::Navigate");
    }
    void GoBack() override { CheckHr(Browser()->GoBack(), "IWebBrowser2::GoBack"); }
    void GoForward() override { CheckHr(Browser()->GoForward(), "IWebBrowser2::GoForward"); }
    void Stop() override { CheckHr(Browser()->Stop(), "IWebBrowser2::Stop"); }
    void Refresh() override { CheckHr(Browser()->Refresh(), "IWebBrowser2::Refresh"); }

    std::string LocationURL() override {
        Bstr url;
        CheckHr(Browser()->get_LocationURL(url.Put()), "IWebBrowser2::get_LocationURL");
        return url.Utf8();
    }

    bool Busy() override {
        VARIANT_BOOL busy = VARIANT_FALSE;
        CheckHr(Browser()->get_Busy(&busy), "IWebBrowser2::get_Busy");
        return busy != VARIANT_FALSE;
    }

    std::shared_ptr<HtmlDocument> Document() override {
        ComPtr<IDispatch> doc;
        if (FAILED(Browser()->get_Document(doc.Put())) || !doc)
            return nullptr;
        auto html = doc.As<IHTMLDocument2>(IID_IHTMLDocument2);
        return html ? WrapHtmlDocument(html.Get()) : nullptr;
    }

    void SetSilent(bool silent) override {
        CheckHr(Browser()->put_Silent(silent ? VARIANT_TRUE : VARIANT_FALSE),
                "IWebBrowser2::put_Silent");
    }

    void SetBounds(const RECT& b) override {
        if (!window_)
            throw BrowserError("the browser control is not created");
        MoveWindow(window_, b.left, b.top, b.right - b.left, b.bottom - b.top, TRUE);
        site_->FitToWindow();
    }

    void Focus() override {
        if (!object_)
            throw BrowserError("the browser control is not created");
        ComPtr<IOleObject> object = object_;
        ComPtr<BrowserSite> site = site_;
        HWND window = window_;
        if (HWND control = site->ControlWindow())
            SetFocus(control);
        RECT rc{};
        GetClientRect(window, &rc);
        CheckHr(object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site.Get(), 0, window, &rc),
                "IOleObject::DoVerb(UIACTIVATE)");
    }

  private:
    // A reference of its own for the duration of one call: a receiver of our
    // events may destroy this object while the control is still inside it.
    ComPtr<IWebBrowser2> Browser() const {
        if (!browser_)
            throw BrowserError("the browser control is not created");
        return browser_;
    }

    void Teardown() noexcept;

    std::unique_ptr<HostWindow> host_;
    HWND window_ = nullptr;
    ComPtr<BrowserSite> site_;
    ComPtr<IOleObject> object_;
    ComPtr<IWebBrowser2> browser_;
    ComPtr<IConnectionPoint> events_;
    DWORD eventsCookie_ = 0;
};

void SystemBrowser::Create(const CreateArgs& args) {
    EnsureOleOnThisThread();

    const RECT& b = args.bounds;
    WindowCreateArgs w;
    w.className = kHostClass;
    w.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    w.x = b.left, w.y = b.top, w.width = b.right - b.left, w.height = b.bottom - b.top;
    w.parent = args.parent;
    host_ = std::make_unique<HostWindow>();
    if (!host_->Create(w))
        throw BrowserError("cannot create the browser host window");
    window_ = host_->hwnd();
    site_ = BrowserSite::Create(window_, args.events);

    CheckHr(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                             object_.PutVoid()),
            "CoCreateInstance(CLSID_WebBrowser)");
    browser_ = object_.As<IWebBrowser2>(IID_IWebBrowser2);
    if (!browser_)
        throw BrowserError("the WebBrowser object has no IWebBrowser2");
    site_->Attach(object_.Get(), browser_.Get());
    host_->SetSite(site_.Get());

    CheckHr(object_->SetClientSite(site_.Get()), "IOleObject::SetClientSite");
    CheckHr(OleSetContainedObject(object_.Get(), TRUE), "OleSetContainedObject");

    auto points = object_.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    if (!points)
        throw BrowserError("the WebBrowser object has no connection points");
    CheckHr(points->FindConnectionPoint(DIID_DWebBrowserEvents2, events_.Put()),
            "FindConnectionPoint(DWebBrowserEvents2)");
    CheckHr(events_->Advise(static_cast<IDispatch*>(site_.Get()), &eventsCookie_),
            "IConnectionPoint::Advise");

    RECT rc{};
    GetClientRect(window_, &rc);
    CheckHr(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, window_, &rc),
            "IOleObject::DoVerb(INPLACEACTIVATE)");
    site_->FitToWindow();
    if (args.silent)
        SetSilent(true);
}

// Runs on destruction and after a failed Create: every step is taken on its
// own, whatever the earlier ones did.
void SystemBrowser::Teardown() noexcept {
    if (host_)
        host_->SetSite(nullptr);
    if (site_)
        site_->Detach();  // from here on events reach nobody
    if (events_) {
        if (eventsCookie_)
            events_->Unadvise(eventsCookie_);
        events_.Reset();
    }
    if (object_) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
    }
    if (site_) {
        // When we are torn down from inside one of the control's events, the
        // control stays alive until that event has returned to it.
        Guarded([&] {
            site_->ReleaseAfterEvents(ComPtr<IUnknown>(browser_.Get()));
            site_->ReleaseAfterEvents(ComPtr<IUnknown>(object_.Get()));
        });
    }
    browser_.Reset();
    object_.Reset();
    host_.reset();  // destroys the window
    window_ = nullptr;
    site_.Reset();
}

}  // namespace

std::unique_ptr<BrowserControl> CreateSystemBrowser(const BrowserControl::CreateArgs& args) {
    auto browser = std::make_unique<SystemBrowser>();
    browser->Create(args);  // on failure the destructor undoes what was done
    return browser;
}

}  // namespace lumo
