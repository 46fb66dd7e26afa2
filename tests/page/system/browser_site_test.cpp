// The container object on its own: how it turns DWebBrowserEvents2 calls into
// BrowserEvents calls, answers new-window requests and reports its host
// options. The events are fed in by hand, the way the control delivers them
// (arguments last to first), since the control under Wine fires few of them.
#include <windows.h>
#include <exdispid.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "page/com_ptr_win.h"
#include "page/ole_browser_site_win.h"

using namespace lumo;

namespace {

struct Recorder : BrowserEvents {
    std::vector<std::string> log;
    std::function<void()> onNewWindow;
    void OnTitleChange(const std::string& t) override { log.push_back("title:" + t); }
    void OnNewWindow(const std::string& url) override {
        log.push_back("new:" + url);
        if (onNewWindow)
            onNewWindow();
    }
    void OnStatusTextChange(const std::string& t) override { log.push_back("status:" + t); }
    void OnCommandStateChange() override { log.push_back("command"); }
    void OnNavigateComplete() override { log.push_back("navigated"); }
    void OnDocumentComplete() override { log.push_back("complete"); }
};

struct Thrower : Recorder {
    void OnTitleChange(const std::string&) override { throw std::runtime_error("handler failed"); }
};

VARIANT BstrArg(const wchar_t* s) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(s);
    return v;
}

VARIANT Long(LONG n) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = n;
    return v;
}

// Arguments in declaration order; DISPPARAMS wants them reversed.
struct Args {
    std::vector<VARIANT> v;
    DISPPARAMS params{};
    explicit Args(std::vector<VARIANT> inOrder) : v(inOrder.rbegin(), inOrder.rend()) {
        params.cArgs = static_cast<UINT>(v.size());
        params.rgvarg = v.empty() ? nullptr : v.data();
    }
    ~Args() {
        for (auto& x : v)
            if (!(x.vt & VT_BYREF))
                VariantClear(&x);
    }
};

HRESULT Fire(IDispatch* sink, DISPID id, Args& args) {
    return sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &args.params, nullptr,
                        nullptr, nullptr);
}

// Fires NewWindow3 for `url` with the two out-parameters the control hands in.
HRESULT FireNewWindow(IDispatch* sink, IDispatch** target, VARIANT_BOOL* cancel,
                      const wchar_t* context, const wchar_t* url) {
    VARIANT t, c;
    VariantInit(&t);
    VariantInit(&c);
    t.vt = VT_BYREF | VT_DISPATCH;
    t.ppdispVal = target;
    c.vt = VT_BYREF | VT_BOOL;
    c.pboolVal = cancel;
    Args args({t, c, Long(0), BstrArg(context), BstrArg(url)});
    return Fire(sink, DISPID_NEWWINDOW3, args);
}

ULONG RefCount(IDispatch* p) {
    p->AddRef();
    return p->Release();
}

}  // namespace

TEST(BrowserSite, ForwardsTheSixEventsWithTheirTexts) {
    Recorder rec;
    auto site = BrowserSite::Create(nullptr, &rec);
    IDispatch* sink = site.Get();

    Args title({BstrArg(L"游戏大厅 Title")});
    EXPECT_EQ(Fire(sink, DISPID_TITLECHANGE, title), S_OK);
    Args status({BstrArg(L"完成")});
    EXPECT_EQ(Fire(sink, DISPID_STATUSTEXTCHANGE, status), S_OK);
    VARIANT enable;
    VariantInit(&enable);
    enable.vt = VT_BOOL;
    enable.boolVal = VARIANT_TRUE;
    Args command({Long(CSC_NAVIGATEBACK), enable});
    EXPECT_EQ(Fire(sink, DISPID_COMMANDSTATECHANGE, command), S_OK);
    // NavigateComplete2(IDispatch* pDisp, VARIANT* URL): the address comes by reference.
    VARIANT url = BstrArg(L"http://x/");
    VARIANT urlRef;
    VariantInit(&urlRef);
    urlRef.vt = VT_BYREF | VT_VARIANT;
    urlRef.pvarVal = &url;
    VARIANT none;
    VariantInit(&none);
    none.vt = VT_DISPATCH;
    none.pdispVal = nullptr;
    Args navigated({none, urlRef});
    EXPECT_EQ(Fire(sink, DISPID_NAVIGATECOMPLETE2, navigated), S_OK);
    Args complete({none, urlRef});
    EXPECT_EQ(Fire(sink, DISPID_DOCUMENTCOMPLETE, complete), S_OK);
    VariantClear(&url);

    EXPECT_EQ(rec.log, (std::vector<std::string>{"title:游戏大厅 Title", "status:完成", "command",
                                                 "navigated", "complete"}));
}

TEST(BrowserSite, TitleByReferenceAndMissingArgumentsGiveText) {
    Recorder rec;
    auto site = BrowserSite::Create(nullptr, &rec);
    BSTR text = SysAllocString(L"by ref");
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_BYREF | VT_BSTR;
    ref.pbstrVal = &text;
    Args byRef({ref});
    EXPECT_EQ(Fire(site.Get(), DISPID_TITLECHANGE, byRef), S_OK);
    SysFreeString(text);
    Args empty({});
    EXPECT_EQ(Fire(site.Get(), DISPID_TITLECHANGE, empty), S_OK);
    EXPECT_EQ(rec.log, (std::vector<std::string>{"title:by ref", "title:"}));
}

TEST(BrowserSite, NewWindow3HandsOutTheControlsOwnAutomationObject) {
    Recorder rec;
    auto site = BrowserSite::Create(nullptr, &rec);
    // Any automation object stands in for the control's.
    auto control = BrowserSite::Create(nullptr, nullptr);
    IDispatch* automation = static_cast<IDispatch*>(control.Get());
    site->Attach(nullptr, automation);
    ULONG before = RefCount(automation);

    IDispatch* target = nullptr;
    VARIANT_BOOL cancel = VARIANT_TRUE;
    EXPECT_EQ(FireNewWindow(site.Get(), &target, &cancel, L"http://host/page.html",
                            L"http://host/游戏.html"),
              S_OK);

    EXPECT_EQ(rec.log, (std::vector<std::string>{"new:http://host/游戏.html"}));
    EXPECT_EQ(target, automation);
    EXPECT_EQ(cancel, VARIANT_FALSE);
    EXPECT_EQ(RefCount(automation), before + 1)
        << "the handed-out pointer carries its own reference";
    target->Release();
    site->Detach();
}

TEST(BrowserSite, NewWindow3AfterDetachCancelsAndReachesNobody) {
    Recorder rec;
    auto site = BrowserSite::Create(nullptr, &rec);
    auto control = BrowserSite::Create(nullptr, nullptr);
    site->Attach(nullptr, static_cast<IDispatch*>(control.Get()));
    site->Detach();

    IDispatch* target = nullptr;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    EXPECT_EQ(FireNewWindow(site.Get(), &target, &cancel, L"", L"http://host/x"), S_OK);
    EXPECT_TRUE(rec.log.empty());
    EXPECT_EQ(target, nullptr);
    EXPECT_EQ(cancel, VARIANT_TRUE);

    Args title({BstrArg(L"late")});
    EXPECT_EQ(Fire(site.Get(), DISPID_TITLECHANGE, title), S_OK);
    EXPECT_TRUE(rec.log.empty());
}

TEST(BrowserSite, ControlClosedFromTheNewWindowHandlerCancels) {
    Recorder rec;
    auto site = BrowserSite::Create(nullptr, &rec);
    auto control = BrowserSite::Create(nullptr, nullptr);
    site->Attach(nullptr, static_cast<IDispatch*>(control.Get()));
    ULONG before = RefCount(static_cast<IDispatch*>(control.Get()));
    rec.onNewWindow = [&] {
        site->Detach();
        // Released only once the event has returned.
        EXPECT_EQ(RefCount(static_cast<IDispatch*>(control.Get())), before);
    };

    IDispatch* target = nullptr;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    EXPECT_EQ(FireNewWindow(site.Get(), &target, &cancel, L"", L"http://host/x"), S_OK);
    EXPECT_EQ(target, nullptr);
    EXPECT_EQ(cancel, VARIANT_TRUE);
    EXPECT_EQ(RefCount(static_cast<IDispatch*>(control.Get())), before - 1);
}

TEST(BrowserSite, MalformedNewWindow3IsRejected) {
    Recorder rec;
    auto site = BrowserSite::Create(nullptr, &rec);
    Args args({Long(1)});
    EXPECT_EQ(Fire(site.Get(), DISPID_NEWWINDOW3, args), E_INVALIDARG);
    EXPECT_TRUE(rec.log.empty());
}

TEST(BrowserSite, OtherMembersAndInterfacesAreRefused) {
    Recorder rec;
    auto site = BrowserSite::Create(nullptr, &rec);
    Args none({});
    EXPECT_EQ(Fire(site.Get(), DISPID_BEFORENAVIGATE2, none), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Fire(site.Get(), 424242, none), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(site->Invoke(DISPID_TITLECHANGE, IID_IUnknown, 0, DISPATCH_METHOD, &none.params,
                           nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    EXPECT_TRUE(rec.log.empty());
}

TEST(BrowserSite, AThrowingHandlerStaysInside) {
    Thrower rec;
    auto site = BrowserSite::Create(nullptr, &rec);
    Args title({BstrArg(L"x")});
    EXPECT_EQ(Fire(site.Get(), DISPID_TITLECHANGE, title), S_OK);
}

TEST(BrowserSite, AnswersForEveryContainerInterfaceWithOneIdentity) {
    auto site = BrowserSite::Create(nullptr, nullptr);
    ComPtr<IUnknown> identity = site.As<IUnknown>(IID_IUnknown);
    ASSERT_TRUE(identity);
    for (const IID* iid : {&IID_IOleClientSite, &IID_IOleWindow, &IID_IOleInPlaceSite,
                           &IID_IOleInPlaceUIWindow, &IID_IOleInPlaceFrame, &IID_IDocHostUIHandler,
                           &IID_IDispatch, &DIID_DWebBrowserEvents2}) {
        ComPtr<IUnknown> p;
        ASSERT_EQ(site->QueryInterface(*iid, p.PutVoid()), S_OK);
        EXPECT_EQ(p.As<IUnknown>(IID_IUnknown).Get(), identity.Get());
    }
    ComPtr<IUnknown> no;
    EXPECT_EQ(site->QueryInterface(IID_IOleObject, no.PutVoid()), E_NOINTERFACE);
    EXPECT_FALSE(no);
}

TEST(BrowserSite, HostInfoAndWindowContext) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                                  nullptr, nullptr, nullptr);
    HWND container = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 5, 5, 120, 80,
                                     parent, nullptr, nullptr, nullptr);
    ASSERT_TRUE(container);
    {
        auto site = BrowserSite::Create(container, nullptr);
        DOCHOSTUIINFO info{};
        info.cbSize = sizeof info;
        ASSERT_EQ(site->GetHostInfo(&info), S_OK);
        EXPECT_TRUE(info.dwFlags & DOCHOSTUIFLAG_NO3DBORDER);
        EXPECT_EQ(info.dwDoubleClick, static_cast<DWORD>(DOCHOSTUIDBLCLK_DEFAULT));

        HWND h = nullptr;
        EXPECT_EQ(static_cast<IOleInPlaceSite*>(site.Get())->GetWindow(&h), S_OK);
        EXPECT_EQ(h, container);
        ComPtr<IOleInPlaceFrame> frame;
        ComPtr<IOleInPlaceUIWindow> doc;
        RECT pos{}, clip{};
        OLEINPLACEFRAMEINFO fi{};
        fi.cb = sizeof fi;
        ASSERT_EQ(site->GetWindowContext(frame.Put(), doc.Put(), &pos, &clip, &fi), S_OK);
        EXPECT_TRUE(frame);
        EXPECT_EQ(pos.right - pos.left, 120);
        EXPECT_EQ(pos.bottom - pos.top, 80);
        EXPECT_EQ(fi.hwndFrame, parent);
        EXPECT_EQ(site->ShowContextMenu(0, nullptr, nullptr, nullptr), S_FALSE);
    }
    DestroyWindow(parent);
}
