// The container side of the system WebBrowser control: one reference-counted
// object that is the control's client site, in-place site and frame, its
// document host UI handler, and the sink of its DWebBrowserEvents2.
//
// The site forwards the six events the page window consumes to a
// BrowserEvents and answers everything else with the defaults of a host that
// has no menus, toolbars or accelerators of its own. Detach() cuts it loose
// from the events receiver and from the control; after that every event is
// acknowledged and dropped, so a control that still fires while it is being
// closed reaches no code of the page window.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <ocidl.h>
#include <oleidl.h>

#include <vector>

#include "page/browser_control.h"
#include "page/com_ptr_win.h"

namespace lumo {

class BrowserSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IDocHostUIHandler,
                          public IDispatch {
  public:
    // `container` is the window the control lives in; `events` may be null.
    static ComPtr<BrowserSite> Create(HWND container, BrowserEvents* events);

    // Connects the site to the control: `object` is the control's OLE object
    // (used for in-place sizing), `automation` the control's own automation
    // object, handed out as the target of new-window requests.
    void Attach(IOleObject* object, IDispatch* automation);
    // Stops forwarding events and drops the site's references to the control.
    void Detach();
    bool attached() const { return attached_; }

    // Releases `p` now, or, while an event of the control is being delivered,
    // once that delivery has returned: the control must not be freed beneath
    // its own call into us.
    void ReleaseAfterEvents(ComPtr<IUnknown> p);

    // Sizes the in-place control to the container's client area.
    void FitToWindow();
    // The control's own window (the in-place object's), or null.
    HWND ControlWindow() const;
    HWND container() const { return container_; }

    // IUnknown (one identity for all interfaces: the client site's).
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL show) override;
    STDMETHODIMP RequestNewObjectLayout() override;

    // IOleWindow (shared by IOleInPlaceSite and IOleInPlaceFrame)
    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                  LPRECT posRect, LPRECT clipRect,
                                  LPOLEINPLACEFRAMEINFO frameInfo) override;
    STDMETHODIMP Scroll(SIZE extent) override;
    STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT posRect) override;

    // IOleInPlaceUIWindow
    STDMETHODIMP GetBorder(LPRECT border) override;
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR name) override;

    // IOleInPlaceFrame
    STDMETHODIMP InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
    STDMETHODIMP SetMenu(HMENU shared, HOLEMENU oleMenu, HWND activeObject) override;
    STDMETHODIMP RemoveMenus(HMENU shared) override;
    STDMETHODIMP SetStatusText(LPCOLESTR text) override;
    // Also IDocHostUIHandler::EnableModeless (same signature).
    STDMETHODIMP EnableModeless(BOOL enable) override;
    STDMETHODIMP TranslateAccelerator(LPMSG msg, WORD id) override;

    // IDocHostUIHandler
    STDMETHODIMP ShowContextMenu(DWORD id, POINT* pt, IUnknown* cmdTarget,
                                 IDispatch* object) override;
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
    STDMETHODIMP ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* cmdTarget,
                        IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc) override;
    STDMETHODIMP HideUI() override;
    STDMETHODIMP UpdateUI() override;
    STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
    STDMETHODIMP TranslateAccelerator(LPMSG msg, const GUID* group, DWORD cmd) override;
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
    STDMETHODIMP GetDropTarget(IDropTarget* target, IDropTarget** replacement) override;
    STDMETHODIMP GetExternal(IDispatch** external) override;
    STDMETHODIMP TranslateUrl(DWORD translate, LPWSTR in, LPWSTR* out) override;
    STDMETHODIMP FilterDataObject(IDataObject* in, IDataObject** out) override;

    // IDispatch: the DWebBrowserEvents2 sink.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* excep, UINT* argErr) override;

  private:
    BrowserSite(HWND container, BrowserEvents* events) : container_(container), events_(events) {}
    ~BrowserSite() = default;

    HRESULT OnEvent(DISPID id, DISPPARAMS* params);
    HRESULT OnNewWindow3(DISPPARAMS* params);
    RECT ClientRect() const;

    LONG refs_ = 1;
    HWND container_;
    BrowserEvents* events_;
    bool attached_ = false;
    ComPtr<IOleObject> object_;
    ComPtr<IDispatch> automation_;
    int eventDepth_ = 0;
    std::vector<ComPtr<IUnknown>> parked_;
};

// The host UI flags the site reports in GetHostInfo.
constexpr DWORD kBrowserHostFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_NO3DOUTERBORDER |
                                    DOCHOSTUIFLAG_THEME | DOCHOSTUIFLAG_DISABLE_HELP_MENU;

}  // namespace lumo
