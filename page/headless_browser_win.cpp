// The headless engine: a plain child window, WinInet loads on a worker
// thread per navigation, and the HTML reader of html_dom.h for the document.
//
// Flow of a navigation: Start() hands a LoadJob to a worker thread and
// returns; the worker requests the address (following redirects itself,
// with the process's own cookies: headless_load_win.h), stores the
// result in the job and posts kLoadDone to the window; the window procedure
// turns the bytes into a document and fires NavigateComplete, TitleChange and
// DocumentComplete. A newer navigation or Stop() cancels the job: its handles
// are closed (which unblocks the worker) and its late message is ignored.
//
// History: see html_history.h (entries are final addresses; POST results are
// revisited with GET). Script: the engine runs none; it only honours a
// literal window.open('address') in the onclick of a clicked element, in a
// javascript: link, and as a top-level statement of an inline script or the
// body's onload while the page loads (html_form.h). Each of those, and links
// or forms with a target other than _self/_top/_parent, fire OnNewWindow and
// then load the address into this same control.
//
// Forms: text and password fields are real EDIT controls and buttons real
// BUTTON controls (headless_form_view_win.h); what is typed is the document's
// current value, and a button click is the element's click.

#include "page/headless_browser_win.h"

#include <windows.h>

#include <thread>

#include "common/dpi_win.h"
#include "common/guard.h"
#include "common/window_win.h"
#include "common/text.h"
#include "common/text_win.h"
#include "page/html_charset.h"
#include "page/html_dom.h"
#include "page/headless_form_view_win.h"
#include "page/headless_load_win.h"
#include "page/html_form.h"
#include "page/html_history.h"
#include "page/html_url.h"

namespace lumo {
namespace {

using namespace headless;

constexpr wchar_t kClassName[] = L"LumoHeadlessBrowser";
constexpr char kDoneStatus[] = "完成";
constexpr int kFormsTop = 56;  // below the painted title and address

UINT LoadDoneMessage() {
    static const UINT message = RegisterWindowMessageW(L"LumoHeadlessBrowser.LoadDone");
    return message;
}

html::Request GetRequest(std::string url) {
    html::Request r;
    r.url = std::move(url);
    return r;
}

// A document as shown: the parsed page and its address.
struct LoadedPage {
    html::Dom dom;
    std::string url;
    std::string title;  // as reported by TitleChange
};

class Engine;

class Element final : public HtmlElement {
  public:
    Element(std::shared_ptr<LoadedPage> page, int index, std::weak_ptr<Engine> engine)
        : page_(std::move(page)), index_(index), engine_(std::move(engine)) {}

    std::string Id() override { return page_->dom.GetAttribute(index_, "id").value_or(""); }
    std::string TagName() override { return e().tag; }
    std::optional<std::string> GetAttribute(std::string_view name) override;
    void SetAttribute(std::string_view name, std::string_view value) override;
    void Click() override;
    bool IsForm() override { return e().tag == "form"; }
    std::string FormName() override {
        const std::string* name = IsForm() ? e().Attr("name") : nullptr;
        return name ? *name : "";
    }
    int ElementCount() override { return IsForm() ? static_cast<int>(e().controls.size()) : 0; }
    std::shared_ptr<HtmlElement> ElementAt(int index) override {
        if (!IsForm() || index < 0 || index >= ElementCount())
            return nullptr;
        return std::make_shared<Element>(page_, e().controls[index], engine_);
    }
    std::shared_ptr<HtmlElement> ElementByNameOrId(std::string_view key) override {
        const int found = IsForm() ? page_->dom.ControlByNameOrId(index_, key) : -1;
        return found < 0 ? nullptr : std::make_shared<Element>(page_, found, engine_);
    }

  private:
    const html::Element& e() const { return page_->dom.elements[index_]; }

    std::shared_ptr<LoadedPage> page_;
    int index_;
    std::weak_ptr<Engine> engine_;
};

class Document final : public HtmlDocument {
  public:
    Document(std::shared_ptr<LoadedPage> page, std::weak_ptr<Engine> engine)
        : page_(std::move(page)), engine_(std::move(engine)) {}

    std::string Title() override { return page_->title; }
    int FormCount() override { return static_cast<int>(page_->dom.forms.size()); }
    std::shared_ptr<HtmlElement> FormAt(int index) override {
        if (index < 0 || index >= FormCount())
            return nullptr;
        return std::make_shared<Element>(page_, page_->dom.forms[index], engine_);
    }
    std::shared_ptr<HtmlElement> FindByNameOrId(std::string_view key) override {
        const int found = page_->dom.FindByNameOrId(key);
        return found < 0 ? nullptr : std::make_shared<Element>(page_, found, engine_);
    }

  private:
    std::shared_ptr<LoadedPage> page_;
    std::weak_ptr<Engine> engine_;
};

// The engine's window: paints the page text and receives the loader's
// completion messages on the window's thread.
class EngineWindow final : public Window {
  public:
    explicit EngineWindow(Engine* engine) : engine_(engine) {}
    bool Create(const WindowCreateArgs& args) { return CreateWindowFrom(args); }
    // The engine lets go: later messages reach nobody.
    void Detach() { engine_ = nullptr; }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    Engine* engine_;
};

class Engine final : public std::enable_shared_from_this<Engine> {
  public:
    explicit Engine(const BrowserControl::CreateArgs& args) : args_(args) {}

    void Create() {
        const RECT& r = args_.bounds;
        WindowCreateArgs w;
        w.className = kClassName;
        w.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP;
        w.x = r.left, w.y = r.top, w.width = r.right - r.left, w.height = r.bottom - r.top;
        w.parent = args_.parent;
        window_ = std::make_unique<EngineWindow>(this);
        if (!window_->Create(w))
            throw BrowserError("cannot create the headless browser window");
        hwnd_ = window_->hwnd();
    }

    // The owner lets go: no more events, no more loads.
    void Close() {
        closed_ = true;
        if (job_)
            job_->Cancel();
        job_.reset();
        forms_.Clear();
        if (window_) {
            window_->Detach();
            window_.reset();  // destroys the window
            hwnd_ = nullptr;
        }
    }

    HWND hwnd() const { return hwnd_; }

    void Navigate(const std::string& address) {
        const std::string url = html::CompleteAddress(address);
        if (url.empty())
            throw BrowserError("empty address");
        if (StartsWithNoCase(url, "javascript:")) {
            if (auto target = html::WindowOpenLiteral(std::string_view(url).substr(11), false))
                OpenNewWindow(GetRequest(html::ResolveUrl(location_, *target)));
            return;
        }
        Start(GetRequest(url), -1, false);
    }

    void Go(int steps) {
        const int from = job_ && pendingEntry_ >= 0 ? pendingEntry_ : history_.Current();
        std::optional<int> to = history_.Step(from, steps);
        if (!to)
            throw BrowserError(steps < 0 ? "no page to go back to" : "no page to go forward to");
        Start(GetRequest(history_.At(*to)), *to, false);
    }

    void Stop() {
        if (!job_)
            return;
        job_->Cancel();
        job_.reset();
        pendingEntry_ = -1;
    }

    void Refresh() {
        if (history_.Current() < 0)
            throw BrowserError("nothing to refresh");
        Start(GetRequest(history_.At(history_.Current())), history_.Current(), true);
    }

    std::string LocationURL() const { return location_; }
    bool Busy() const { return job_ != nullptr; }
    std::shared_ptr<HtmlDocument> Document() const { return document_; }

    void SetBounds(const RECT& r) {
        if (!hwnd_)
            return;
        MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        // The main window the page is in moved to another DPI (the shell
        // resizes its pages after): the fields are made again for it, with
        // what was typed into them.
        if (page_ && formsDpi_ != DpiOf(hwnd_)) {
            forms_.ReadInto(page_->dom);
            BuildForms();
        }
    }
    void Focus() {
        if (hwnd_ && !forms_.Focus())
            SetFocus(hwnd_);
    }
    // The engine window has the focus: it goes on to the page's edit.
    void FocusForm() { forms_.Focus(); }

    // What was typed into the shown page's edits goes into its document.
    void ReadTyped(const std::shared_ptr<LoadedPage>& page) {
        if (!closed_ && page == page_)
            forms_.ReadInto(page->dom);
    }
    void ShowValue(const std::shared_ptr<LoadedPage>& page, int index) {
        if (!closed_ && page == page_)
            forms_.ShowValue(page->dom, index);
    }

    // A control of the form view notified its parent, the engine window.
    void OnCommand(WPARAM wp, LPARAM lp) {
        HWND control = reinterpret_cast<HWND>(lp);
        if (HIWORD(wp) == EN_SETFOCUS)
            forms_.NoteFocus(control);
        const int index = forms_.ElementOf(control);
        if (index < 0 || !page_)
            return;
        if (HIWORD(wp) == BN_CLICKED)
            ClickElement(page_, index);
        if (HIWORD(wp) == kFieldEnterPressed)
            SubmitFrom(index);
    }

    // Enter in a field: its form's first submit button is clicked; a form
    // without one is submitted as it is.
    void SubmitFrom(int field) {
        std::shared_ptr<LoadedPage> page = page_;
        const int form = page->dom.elements[field].form;
        if (form < 0)
            return;
        for (int c : page->dom.elements[form].controls) {
            const std::string type = page->dom.TypeOf(c);
            if ((type == "submit" || type == "image") && !page->dom.elements[c].HasAttr("disabled"))
                return ClickElement(page, c);
        }
        forms_.ReadInto(page->dom);
        if (std::optional<html::Request> r = html::FormSubmission(page->dom, form, -1, page->url))
            Start(std::move(*r), -1, false);
    }

    void ClickElement(const std::shared_ptr<LoadedPage>& page, int index) {
        if (closed_ || page != page_)
            return;  // an element of a document no longer shown
        forms_.ReadInto(page->dom);
        html::ClickResult r = html::Click(page->dom, index, page->url);
        if (r.kind == html::ClickResult::kNavigate)
            Start(std::move(r.request), -1, false);
        if (r.kind == html::ClickResult::kNewWindow)
            OpenNewWindow(std::move(r.request));
    }

    // The window procedure's part: a worker finished job `seq`.
    void OnLoadDone(int seq) {
        if (!job_ || job_->seq() != seq)
            return;  // stopped or replaced meanwhile
        std::shared_ptr<LoadJob> job = std::move(job_);
        const int entry = std::exchange(pendingEntry_, -1);
        Show(*job, job->TakeResult(), entry);
    }

    void BuildForms() {
        formsDpi_ = DpiOf(hwnd_);
        forms_.Build(hwnd_, page_->dom, kFormsTop);
        InvalidateRect(hwnd_, nullptr, TRUE);
    }

    void Paint(HDC dc) {
        RECT rc;
        GetClientRect(hwnd_, &rc);
        const int dpi = DpiOf(hwnd_);
        InflateRect(&rc, -Scale(8, dpi), -Scale(8, dpi));
        std::wstring text = ToW(page_ ? page_->title + "\r\n" + location_ : std::string());
        SetBkMode(dc, TRANSPARENT);
        SelectedObject font(dc, GuiFont(dpi));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc,
                  DT_LEFT | DT_TOP | DT_NOPREFIX);
    }

  private:
    void Start(html::Request request, int entry, bool reload) {
        if (closed_)
            return;
        if (job_)
            job_->Cancel();
        job_.reset();
        auto job = std::make_shared<LoadJob>(++seq_, std::move(request), reload);
        const UINT done = LoadDoneMessage();
        if (html::IsAboutUrl(job->request().url)) {
            LoadResult blank;
            blank.ok = true;
            blank.finalUrl = job->request().url;
            job->SetResult(std::move(blank));
            PostMessageW(hwnd_, done, static_cast<WPARAM>(job->seq()), 0);
        } else {
            HWND target = hwnd_;
            std::thread([job, target, done] {
                Guarded([&] { job->SetResult(Load(*job)); });
                job->ReleaseHandles();
                PostMessageW(target, done, static_cast<WPARAM>(job->seq()), 0);
            }).detach();
        }
        job_ = std::move(job);
        pendingEntry_ = entry;
    }

    void OpenNewWindow(html::Request request) {
        if (request.url.empty())
            return;
        const std::string url = request.url;
        Fire([&] { args_.events->OnNewWindow(url); });
        if (!closed_)
            Start(std::move(request), -1, false);
    }

    // Runs one event handler; false when the control was closed by it.
    template <class F>
    bool Fire(F&& f) {
        if (closed_ || !args_.events)
            return !closed_;
        Guarded(std::forward<F>(f));
        return !closed_;
    }

    void Show(const LoadJob& job, LoadResult result, int entry) {
        auto self = shared_from_this();  // handlers may drop the control
        auto page = std::make_shared<LoadedPage>();
        const std::string& requested = job.request().url;
        const bool about = html::IsAboutUrl(requested);
        if (about) {
            page->url = AsciiLower(requested);
            page->title = page->url;
        } else if (result.ok) {
            page->url = result.finalUrl.empty() ? requested : result.finalUrl;
            const size_t hash = requested.find('#');
            if (hash != std::string::npos && page->url.find('#') == std::string::npos &&
                html::SameDocument(page->url, requested))
                page->url += requested.substr(hash);
            if (IsHtmlType(result.contentType)) {
                const int codePage = html::DetectCodePage(result.contentType, result.body);
                page->dom = html::ParseHtml(DecodePage(result.body, codePage));
            }
            page->title =
                page->dom.hasTitle && !page->dom.title.empty() ? page->dom.title : page->url;
        } else {
            page->url = requested;
            page->dom = html::ParseHtml(ErrorPage(requested, result.error));
            page->title = kErrorTitle;
        }

        if (entry >= 0) {
            history_.Commit(entry, page->url);
        } else {
            history_.Push(page->url);
        }
        page_ = page;
        document_ = std::make_shared<lumo::Document>(page, weak_from_this());
        location_ = page->url;
        if (hwnd_)
            BuildForms();

        const int seq = seq_;
        if (!Fire([&] { args_.events->OnNavigateComplete(); }))
            return;
        if (!Fire([&] { args_.events->OnCommandStateChange(); }))
            return;
        if (!Fire([&] { args_.events->OnTitleChange(page->title); }))
            return;
        if (!Fire([&] { args_.events->OnDocumentComplete(); }))
            return;
        if (!Fire([&] { args_.events->OnStatusTextChange(kDoneStatus); }))
            return;
        // A page that opens a window while loading, unless a handler has
        // already sent this control elsewhere.
        if (seq != seq_ || job_)
            return;
        if (std::optional<std::string> popup = html::LoadTimeWindowOpen(page->dom, page->url))
            OpenNewWindow(GetRequest(*popup));
    }

    BrowserControl::CreateArgs args_;
    std::unique_ptr<EngineWindow> window_;
    HWND hwnd_ = nullptr;
    bool closed_ = false;
    int seq_ = 0;
    std::shared_ptr<LoadJob> job_;  // the load in progress, if any
    int pendingEntry_ = -1;         // history entry the load revisits; -1 for a new one
    html::NavigationHistory history_;
    std::shared_ptr<LoadedPage> page_;
    HeadlessFormView forms_;  // the shown page's fields and buttons
    int formsDpi_ = 0;        // the DPI they were made for
    std::shared_ptr<HtmlDocument> document_;
    std::string location_;
};

std::optional<std::string> Element::GetAttribute(std::string_view name) {
    const std::string lower = AsciiLower(name);
    if (lower == "value") {
        if (std::shared_ptr<Engine> engine = engine_.lock())
            engine->ReadTyped(page_);
    }
    // An input's or button's type reads as the system control's DOM gives
    // it: lower case, with the default for a missing or unknown one.
    if (lower == "type" && (e().tag == "input" || e().tag == "button"))
        return page_->dom.TypeOf(index_);
    return page_->dom.GetAttribute(index_, name);
}

void Element::SetAttribute(std::string_view name, std::string_view value) {
    page_->dom.SetAttribute(index_, name, value);
    if (AsciiLower(name) == "value") {
        if (std::shared_ptr<Engine> engine = engine_.lock())
            engine->ShowValue(page_, index_);
    }
}

void Element::Click() {
    if (std::shared_ptr<Engine> engine = engine_.lock())
        engine->ClickElement(page_, index_);
}

LRESULT EngineWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (engine_ && msg == LoadDoneMessage()) {
        engine_->OnLoadDone(static_cast<int>(wp));
        return 0;
    }
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd(), &ps);
            if (engine_)
                engine_->Paint(dc);
            EndPaint(hwnd(), &ps);
            return 0;
        }
        case WM_LBUTTONDOWN:
            SetFocus(hwnd());
            return 0;
        case WM_SETFOCUS:
            if (engine_)
                engine_->FocusForm();
            return 0;
        case WM_COMMAND:
            if (engine_ && lp)
                engine_->OnCommand(wp, lp);
            return 0;
        default:
            return Window::HandleMessage(msg, wp, lp);
    }
}

class HeadlessBrowser final : public BrowserControl {
  public:
    explicit HeadlessBrowser(std::shared_ptr<Engine> engine) : engine_(std::move(engine)) {}
    ~HeadlessBrowser() override { engine_->Close(); }

    HWND hwnd() const override { return engine_->hwnd(); }
    void Navigate(const std::string& url) override { engine_->Navigate(url); }
    void GoBack() override { engine_->Go(-1); }
    void GoForward() override { engine_->Go(1); }
    void Stop() override { engine_->Stop(); }
    void Refresh() override { engine_->Refresh(); }
    std::string LocationURL() override { return engine_->LocationURL(); }
    bool Busy() override { return engine_->Busy(); }
    std::shared_ptr<HtmlDocument> Document() override { return engine_->Document(); }
    void SetSilent(bool) override {}
    void SetBounds(const RECT& bounds) override { engine_->SetBounds(bounds); }
    void Focus() override { engine_->Focus(); }

  private:
    std::shared_ptr<Engine> engine_;
};

}  // namespace

std::unique_ptr<BrowserControl> CreateHeadlessBrowser(const BrowserControl::CreateArgs& args) {
    auto engine = std::make_shared<Engine>(args);
    engine->Create();
    return std::make_unique<HeadlessBrowser>(std::move(engine));
}

}  // namespace lumo
