// The MSAA object of a drawn control: IAccessible over its AccessibleSource.
#include "frame/accessible_win.h"

#include "common/guard.h"
#include "common/on_demand_win.h"
#include "common/text_win.h"

namespace lumo {

namespace {

// A part's child id is its index + 1; CHILDID_SELF (0) is the window.
constexpr long kSelf = CHILDID_SELF;

void SetEmpty(VARIANT* v) {
    VariantInit(v);
}

void SetChild(VARIANT* v, long id) {
    VariantInit(v);
    v->vt = VT_I4;
    v->lVal = id;
}

HRESULT ReturnText(const std::string& text, BSTR* out) {
    *out = nullptr;
    if (text.empty())
        return S_FALSE;
    std::wstring w = ToW(text);
    *out = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

UINT AccessibleActionMessage() {
    static const UINT message = RegisterWindowMessageW(L"LumoAccessibleDefaultAction");
    return message;
}

class AccessibleObject final : public IAccessible, public IOleWindow {
  public:
    AccessibleObject(HWND hwnd, AccessibleSource* source) : hwnd_(hwnd), source_(source) {}
    void Disconnect() {
        hwnd_ = nullptr;
        source_ = nullptr;
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(IAccessible))
            *out = static_cast<IAccessible*>(this);
        else if (riid == IID_IOleWindow)
            *out = static_cast<IOleWindow*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&refs_));
    }
    STDMETHODIMP_(ULONG) Release() override {
        LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: clients use the vtable; there is no type information.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info)
            *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        return E_NOTIMPL;
    }

    // IOleWindow: which window this object stands for.
    STDMETHODIMP GetWindow(HWND* hwnd) override {
        if (!hwnd)
            return E_POINTER;
        *hwnd = hwnd_;
        return Connected() ? S_OK : CO_E_OBJNOTCONNECTED;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IAccessible
    STDMETHODIMP get_accParent(IDispatch** parent) override {
        if (!parent)
            return E_POINTER;
        *parent = nullptr;
        return Call([&] {
            return ondemand::AccessibleObjectFromWindow(hwnd_, static_cast<DWORD>(OBJID_WINDOW),
                                                        IID_IDispatch,
                                                        reinterpret_cast<void**>(parent));
        });
    }
    STDMETHODIMP get_accChildCount(long* count) override {
        if (!count)
            return E_POINTER;
        *count = 0;
        return Call([&] {
            *count = source_->AccessibleCount();
            return S_OK;
        });
    }
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        return Call([&] {
            int index;
            // The parts are simple elements: no object of their own.
            return PartOf(child, index) && index >= 0 ? S_FALSE : E_INVALIDARG;
        });
    }
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
        return Text(child, name, [](const AccessibleItem& i) { return i.name; });
    }
    STDMETHODIMP get_accValue(VARIANT, BSTR* value) override {
        if (!value)
            return E_POINTER;
        *value = nullptr;
        return Call([] { return DISP_E_MEMBERNOTFOUND; });
    }
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* text) override {
        return Text(child, text, [](const AccessibleItem&) { return std::string(); });
    }
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
        if (!role)
            return E_POINTER;
        SetEmpty(role);
        return WithItem(child, [&](const AccessibleItem& item, int) {
            SetChild(role, item.role);
            return S_OK;
        });
    }
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override {
        if (!state)
            return E_POINTER;
        SetEmpty(state);
        return WithItem(child, [&](const AccessibleItem& item, int index) {
            SetChild(state, StateOf(item, index));
            return S_OK;
        });
    }
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override {
        return Text(child, help, [](const AccessibleItem&) { return std::string(); });
    }
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (file)
            *file = nullptr;
        if (topic)
            *topic = 0;
        return Call([] { return DISP_E_MEMBERNOTFOUND; });
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* text) override {
        return Text(child, text, [](const AccessibleItem& i) { return i.shortcut; });
    }
    STDMETHODIMP get_accFocus(VARIANT* focus) override {
        if (!focus)
            return E_POINTER;
        SetEmpty(focus);
        return Call([&] {
            if (GetFocus() != hwnd_)
                return S_FALSE;
            int part = source_->AccessibleFocusedPart();
            SetChild(focus, part >= 0 && part < source_->AccessibleCount() ? part + 1 : kSelf);
            return S_OK;
        });
    }
    STDMETHODIMP get_accSelection(VARIANT* selection) override {
        if (!selection)
            return E_POINTER;
        SetEmpty(selection);
        return Call([&] {
            for (int i = 0, n = source_->AccessibleCount(); i < n; ++i)
                if (source_->AccessiblePart(i).state & STATE_SYSTEM_SELECTED) {
                    SetChild(selection, i + 1);
                    return S_OK;
                }
            return S_FALSE;
        });
    }
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override {
        return Text(child, action, [](const AccessibleItem& i) { return i.action; });
    }
    STDMETHODIMP accSelect(long flags, VARIANT child) override {
        return WithItem(child, [&](const AccessibleItem& item, int index) {
            if (flags & SELFLAG_TAKEFOCUS)
                SetFocus(hwnd_);
            if ((flags & SELFLAG_TAKESELECTION) && (item.state & STATE_SYSTEM_SELECTABLE))
                PostAction(index);
            return S_OK;
        });
    }
    STDMETHODIMP accLocation(long* x, long* y, long* w, long* h, VARIANT child) override {
        if (!x || !y || !w || !h)
            return E_POINTER;
        *x = *y = *w = *h = 0;
        return WithItem(child, [&](const AccessibleItem& item, int) {
            RECT r = item.rect;
            MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&r), 2);
            *x = r.left;
            *y = r.top;
            *w = r.right - r.left;
            *h = r.bottom - r.top;
            return S_OK;
        });
    }
    STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override {
        if (!end)
            return E_POINTER;
        SetEmpty(end);
        return Call([&] {
            int index;
            if (!PartOf(start, index))
                return E_INVALIDARG;
            int n = source_->AccessibleCount(), next = -2;
            if (index < 0) {
                if (direction == NAVDIR_FIRSTCHILD && n > 0)
                    next = 0;
                else if (direction == NAVDIR_LASTCHILD && n > 0)
                    next = n - 1;
            } else if (direction == NAVDIR_NEXT || direction == NAVDIR_RIGHT ||
                       direction == NAVDIR_DOWN) {
                next = index + 1 < n ? index + 1 : -2;
            } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_LEFT ||
                       direction == NAVDIR_UP) {
                next = index - 1;
                if (next < 0)
                    next = -2;
            }
            if (next < 0)
                return S_FALSE;
            SetChild(end, next + 1);
            return S_OK;
        });
    }
    STDMETHODIMP accHitTest(long x, long y, VARIANT* hit) override {
        if (!hit)
            return E_POINTER;
        SetEmpty(hit);
        return Call([&] {
            POINT pt{x, y};
            ScreenToClient(hwnd_, &pt);
            RECT client{};
            GetClientRect(hwnd_, &client);
            if (!PtInRect(&client, pt))
                return S_FALSE;
            for (int i = 0, n = source_->AccessibleCount(); i < n; ++i) {
                AccessibleItem part = source_->AccessiblePart(i);
                if (!(part.state & STATE_SYSTEM_INVISIBLE) && PtInRect(&part.rect, pt)) {
                    SetChild(hit, i + 1);
                    return S_OK;
                }
            }
            SetChild(hit, kSelf);
            return S_OK;
        });
    }
    STDMETHODIMP accDoDefaultAction(VARIANT child) override {
        return WithItem(child, [&](const AccessibleItem& item, int index) {
            if (item.action.empty())
                return DISP_E_MEMBERNOTFOUND;
            if (StateOf(item, index) & (STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_INVISIBLE))
                return E_FAIL;
            PostAction(index);
            return S_OK;
        });
    }
    STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  private:
    ~AccessibleObject() = default;

    bool Connected() const { return source_ && hwnd_ && IsWindow(hwnd_); }

    // Runs a method's body for a connected object; no exception leaves it.
    template <class F>
    HRESULT Call(F&& body) {
        if (!Connected())
            return CO_E_OBJNOTCONNECTED;
        return GuardedOr<HRESULT>(E_FAIL, std::forward<F>(body));
    }

    // The part a child id names: -1 for the window, else its index.
    bool PartOf(const VARIANT& child, int& index) const {
        if (child.vt != VT_I4 || child.lVal < 0 || child.lVal > source_->AccessibleCount())
            return false;
        index = static_cast<int>(child.lVal) - 1;
        return true;
    }

    template <class F>
    HRESULT WithItem(const VARIANT& child, F&& body) {
        return Call([&] {
            int index;
            if (!PartOf(child, index))
                return E_INVALIDARG;
            AccessibleItem item;
            if (index < 0) {
                item = source_->AccessibleSelf();
                GetClientRect(hwnd_, &item.rect);
            } else {
                item = source_->AccessiblePart(index);
            }
            return body(item, index);
        });
    }

    template <class Pick>
    HRESULT Text(const VARIANT& child, BSTR* out, Pick pick) {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        return WithItem(
            child, [&](const AccessibleItem& item, int) { return ReturnText(pick(item), out); });
    }

    long StateOf(const AccessibleItem& item, int index) const {
        long state = item.state;
        if (!IsWindowVisible(hwnd_) || (index >= 0 && IsRectEmpty(&item.rect)))
            state |= STATE_SYSTEM_INVISIBLE;
        if (!IsWindowEnabled(hwnd_))
            state |= STATE_SYSTEM_UNAVAILABLE;
        if (GetFocus() == hwnd_ && source_->AccessibleFocusedPart() == index)
            state |= STATE_SYSTEM_FOCUSED;
        return state;
    }

    void PostAction(int index) {
        PostMessageW(hwnd_, AccessibleActionMessage(), static_cast<WPARAM>(index + 1), 0);
    }

    LONG refs_ = 1;
    HWND hwnd_;
    AccessibleSource* source_;
};

bool AccessibleHost::HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_GETOBJECT) {
        if (static_cast<DWORD>(lp) != static_cast<DWORD>(OBJID_CLIENT))
            return false;
        if (!object_)
            object_ = new AccessibleObject(hwnd, &source_);
        result = ondemand::LresultFromObject(__uuidof(IAccessible), wp,
                                             static_cast<IAccessible*>(object_));
        return true;
    }
    if (msg == AccessibleActionMessage() && msg != 0) {
        int index = static_cast<int>(wp) - 1;
        Guarded([&] { source_.AccessibleDoDefault(index); });
        result = 0;
        return true;
    }
    if (msg == WM_DESTROY)
        Disconnect();
    return false;
}

void AccessibleHost::Disconnect() {
    if (!object_)
        return;
    object_->Disconnect();
    // Proxies in other processes lose their connection as well.
    CoDisconnectObject(static_cast<IAccessible*>(object_), 0);
    object_->Release();
    object_ = nullptr;
}

void AccessibleHost::NotifyFocus(HWND hwnd, int index) {
    NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd, OBJID_CLIENT, index < 0 ? CHILDID_SELF : index + 1);
}

void AccessibleHost::NotifyChange(HWND hwnd, int index, bool nameToo) {
    LONG child = index < 0 ? CHILDID_SELF : index + 1;
    NotifyWinEvent(EVENT_OBJECT_STATECHANGE, hwnd, OBJID_CLIENT, child);
    if (nameToo)
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd, OBJID_CLIENT, child);
}

}  // namespace lumo
