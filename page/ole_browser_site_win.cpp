#include "page/ole_browser_site_win.h"

#include <exdispid.h>

#include "common/guard.h"

namespace lumo {

namespace {

// Argument `n` of an event, counted in the order of the event's declaration
// (DISPPARAMS holds them last to first); null when the event has fewer.
VARIANT* Arg(DISPPARAMS* params, UINT n) {
    if (!params || !params->rgvarg || n >= params->cArgs)
        return nullptr;
    return &params->rgvarg[params->cArgs - 1 - n];
}

std::string ArgText(DISPPARAMS* params, UINT n) {
    VARIANT* v = Arg(params, n);
    return v ? VariantText(*v) : std::string();
}

// Writes a VARIANT_BOOL out-parameter (VT_BYREF | VT_BOOL).
void SetBoolOut(VARIANT* v, bool value) {
    if (v && v->vt == (VT_BYREF | VT_BOOL) && v->pboolVal)
        *v->pboolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

template <class T>
HRESULT Out(T** slot, T* value) {
    if (!slot)
        return E_POINTER;
    *slot = value;
    if (value)
        value->AddRef();
    return S_OK;
}

}  // namespace

ComPtr<BrowserSite> BrowserSite::Create(HWND container, BrowserEvents* events) {
    return ComPtr<BrowserSite>::Adopt(new BrowserSite(container, events));
}

void BrowserSite::Attach(IOleObject* object, IDispatch* automation) {
    object_ = ComPtr<IOleObject>(object);
    automation_ = ComPtr<IDispatch>(automation);
    attached_ = true;
}

void BrowserSite::Detach() {
    attached_ = false;
    events_ = nullptr;
    ReleaseAfterEvents(ComPtr<IUnknown>(object_.Get()));
    ReleaseAfterEvents(ComPtr<IUnknown>(automation_.Get()));
    object_.Reset();
    automation_.Reset();
}

void BrowserSite::ReleaseAfterEvents(ComPtr<IUnknown> p) {
    if (p && eventDepth_ > 0)
        parked_.push_back(std::move(p));
}

RECT BrowserSite::ClientRect() const {
    RECT rc{};
    if (container_)
        GetClientRect(container_, &rc);
    return rc;
}

void BrowserSite::FitToWindow() {
    auto inPlace = object_.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    if (!inPlace)
        return;
    RECT rc = ClientRect();
    inPlace->SetObjectRects(&rc, &rc);
}

HWND BrowserSite::ControlWindow() const {
    auto inPlace = object_.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    HWND h = nullptr;
    if (inPlace && SUCCEEDED(inPlace->GetWindow(&h)))
        return h;
    return nullptr;
}

// ---- IUnknown ----

STDMETHODIMP BrowserSite::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite)
        *ppv = static_cast<IOleClientSite*>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
        *ppv = static_cast<IOleInPlaceSite*>(this);
    else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
        *ppv = static_cast<IOleInPlaceFrame*>(this);
    else if (riid == IID_IDocHostUIHandler)
        *ppv = static_cast<IDocHostUIHandler*>(this);
    else if (riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2)
        *ppv = static_cast<IDispatch*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) BrowserSite::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

STDMETHODIMP_(ULONG) BrowserSite::Release() {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0)
        delete this;
    return static_cast<ULONG>(n);
}

// ---- IOleClientSite ----

STDMETHODIMP BrowserSite::SaveObject() {
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::GetContainer(IOleContainer** container) {
    if (container)
        *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP BrowserSite::ShowObject() {
    return S_OK;
}
STDMETHODIMP BrowserSite::OnShowWindow(BOOL) {
    return S_OK;
}
STDMETHODIMP BrowserSite::RequestNewObjectLayout() {
    return E_NOTIMPL;
}

// ---- IOleWindow ----

STDMETHODIMP BrowserSite::GetWindow(HWND* hwnd) {
    if (!hwnd)
        return E_POINTER;
    *hwnd = container_;
    return container_ ? S_OK : E_FAIL;
}

STDMETHODIMP BrowserSite::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

// ---- IOleInPlaceSite ----

STDMETHODIMP BrowserSite::CanInPlaceActivate() {
    return S_OK;
}
STDMETHODIMP BrowserSite::OnInPlaceActivate() {
    return S_OK;
}
STDMETHODIMP BrowserSite::OnUIActivate() {
    return S_OK;
}

STDMETHODIMP BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                           LPRECT posRect, LPRECT clipRect,
                                           LPOLEINPLACEFRAMEINFO frameInfo) {
    if (!frame || !doc || !posRect || !clipRect || !frameInfo)
        return E_POINTER;
    Out<IOleInPlaceFrame>(frame, this);
    *doc = nullptr;  // no document window between the frame and the control
    *posRect = *clipRect = ClientRect();
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = container_ ? GetAncestor(container_, GA_ROOT) : nullptr;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP BrowserSite::Scroll(SIZE) {
    return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::OnUIDeactivate(BOOL) {
    return S_OK;
}
STDMETHODIMP BrowserSite::OnInPlaceDeactivate() {
    return S_OK;
}
STDMETHODIMP BrowserSite::DiscardUndoState() {
    return S_OK;
}
STDMETHODIMP BrowserSite::DeactivateAndUndo() {
    return S_OK;
}

STDMETHODIMP BrowserSite::OnPosRectChange(LPCRECT posRect) {
    if (!posRect)
        return E_POINTER;
    auto inPlace = object_.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    if (inPlace)
        inPlace->SetObjectRects(posRect, posRect);
    return S_OK;
}

// ---- IOleInPlaceUIWindow: no toolbars, so no border space to give ----

STDMETHODIMP BrowserSite::GetBorder(LPRECT) {
    return INPLACE_E_NOTOOLSPACE;
}
STDMETHODIMP BrowserSite::RequestBorderSpace(LPCBORDERWIDTHS) {
    return INPLACE_E_NOTOOLSPACE;
}
STDMETHODIMP BrowserSite::SetBorderSpace(LPCBORDERWIDTHS) {
    return OLE_E_INVALIDRECT;
}
STDMETHODIMP BrowserSite::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) {
    return S_OK;
}

// ---- IOleInPlaceFrame: no menus, no status bar, no accelerators ----

STDMETHODIMP BrowserSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) {
    return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::SetMenu(HMENU, HOLEMENU, HWND) {
    return S_OK;
}
STDMETHODIMP BrowserSite::RemoveMenus(HMENU) {
    return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::SetStatusText(LPCOLESTR) {
    return S_OK;
}
STDMETHODIMP BrowserSite::EnableModeless(BOOL) {
    return S_OK;
}
STDMETHODIMP BrowserSite::TranslateAccelerator(LPMSG, WORD) {
    return S_FALSE;
}

// ---- IDocHostUIHandler: the control's own defaults ----

// S_FALSE: the control shows its standard context menu.
STDMETHODIMP BrowserSite::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) {
    return S_FALSE;
}

STDMETHODIMP BrowserSite::GetHostInfo(DOCHOSTUIINFO* info) {
    if (!info)
        return E_POINTER;
    if (info->cbSize < sizeof(DOCHOSTUIINFO))
        return E_INVALIDARG;
    info->dwFlags = kBrowserHostFlags;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}

// S_FALSE: we show no UI of our own; the control shows its own.
STDMETHODIMP BrowserSite::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*,
                                 IOleInPlaceFrame*, IOleInPlaceUIWindow*) {
    return S_FALSE;
}

STDMETHODIMP BrowserSite::HideUI() {
    return S_OK;
}
STDMETHODIMP BrowserSite::UpdateUI() {
    return S_OK;
}
STDMETHODIMP BrowserSite::OnDocWindowActivate(BOOL) {
    return S_OK;
}
STDMETHODIMP BrowserSite::OnFrameWindowActivate(BOOL) {
    return S_OK;
}
STDMETHODIMP BrowserSite::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
    return S_OK;
}
STDMETHODIMP BrowserSite::TranslateAccelerator(LPMSG, const GUID*, DWORD) {
    return S_FALSE;
}

STDMETHODIMP BrowserSite::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    if (key)
        *key = nullptr;
    return S_FALSE;
}

STDMETHODIMP BrowserSite::GetDropTarget(IDropTarget*, IDropTarget** replacement) {
    if (replacement)
        *replacement = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::GetExternal(IDispatch** external) {
    if (external)
        *external = nullptr;
    return S_FALSE;
}

STDMETHODIMP BrowserSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* out) {
    if (out)
        *out = nullptr;
    return S_FALSE;
}

STDMETHODIMP BrowserSite::FilterDataObject(IDataObject*, IDataObject** out) {
    if (out)
        *out = nullptr;
    return S_FALSE;
}

// ---- IDispatch: DWebBrowserEvents2 ----

STDMETHODIMP BrowserSite::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP BrowserSite::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP BrowserSite::Invoke(DISPID id, REFIID riid, LCID, WORD, DISPPARAMS* params,
                                 VARIANT* result, EXCEPINFO*, UINT*) {
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (result)
        VariantInit(result);
    // The receiver may destroy the browser control from inside its handler;
    // this site and whatever the teardown parks here live until we return.
    ComPtr<BrowserSite> keep(this);
    ++eventDepth_;
    HRESULT hr = GuardedOr<HRESULT>(E_UNEXPECTED, [&] { return OnEvent(id, params); });
    if (--eventDepth_ == 0) {
        std::vector<ComPtr<IUnknown>> parked;
        parked.swap(parked_);
    }
    return hr;
}

HRESULT BrowserSite::OnEvent(DISPID id, DISPPARAMS* params) {
    switch (id) {
        case DISPID_TITLECHANGE: {
            std::string title = ArgText(params, 0);
            if (events_)
                Guarded([&] { events_->OnTitleChange(title); });
            return S_OK;
        }
        case DISPID_STATUSTEXTCHANGE: {
            std::string text = ArgText(params, 0);
            if (events_)
                Guarded([&] { events_->OnStatusTextChange(text); });
            return S_OK;
        }
        case DISPID_COMMANDSTATECHANGE:
            if (events_)
                Guarded([&] { events_->OnCommandStateChange(); });
            return S_OK;
        case DISPID_NAVIGATECOMPLETE2:
            if (events_)
                Guarded([&] { events_->OnNavigateComplete(); });
            return S_OK;
        case DISPID_DOCUMENTCOMPLETE:
            if (events_)
                Guarded([&] { events_->OnDocumentComplete(); });
            return S_OK;
        case DISPID_NEWWINDOW3:
            return OnNewWindow3(params);
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
}

// NewWindow3(IDispatch** ppDisp, VARIANT_BOOL* Cancel, DWORD dwFlags,
//            BSTR bstrUrlContext, BSTR bstrUrl)
HRESULT BrowserSite::OnNewWindow3(DISPPARAMS* params) {
    VARIANT* target = Arg(params, 0);
    VARIANT* cancel = Arg(params, 1);
    if (!target || target->vt != (VT_BYREF | VT_DISPATCH) || !target->ppdispVal)
        return E_INVALIDARG;
    std::string url = ArgText(params, 4);
    if (events_)
        Guarded([&] { events_->OnNewWindow(url); });
    // The handler may have closed the control; a closed control takes no
    // new content, so the request is cancelled.
    if (!attached_ || !automation_) {
        SetBoolOut(cancel, true);
        return S_OK;
    }
    *target->ppdispVal = automation_.Get();
    automation_->AddRef();
    SetBoolOut(cancel, false);
    return S_OK;
}

}  // namespace lumo
