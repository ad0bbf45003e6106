#include "ui/Accessible.h"

#include "ui/Controls.h"
#include "ui/Dispatch.h"
#include "base/Handles.h"
#include "base/WinText.h"

#include <oleacc.h>
#include <ole2.h>

#include <optional>
#include <string>

namespace qv::ui {

namespace {

BSTR MakeBstr(std::string_view ansi) {
    std::wstring text = ToWide(ansi);
    return ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

bool IsSelf(const VARIANT& v) {
    return v.vt == VT_I4 && v.lVal == CHILDID_SELF;
}

VARIANT ChildVariant(long id) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

// The system's proxy of a control's client area with what the control knows
// on top. It holds the window, not the control: a client may keep the object
// after the window has gone, and then every question finds no control and
// is answered as for a window that is gone.
class ControlAccessible final : public UntypedDispatch<IAccessible>, public IOleWindow {
  public:
    ControlAccessible(HWND hwnd, IAccessible* proxy) : hwnd_(hwnd), proxy_(proxy) {}
    ~ControlAccessible() {
        if (proxy_) proxy_->Release();
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
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
    ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = ::InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return left;
    }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
        if (!out) return E_POINTER;
        *out = hwnd_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IDispatch: screen readers call the interface directly.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override {
        return proxy_->get_accParent(out);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* out) override {
        if (!out) return E_POINTER;
        const Control* c = Live();
        if (!c) return E_FAIL;
        const int n = c->AccessibleItemCount();
        if (n < 0) return proxy_->get_accChildCount(out);
        *out = n;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        const Control* c = Live();
        if (!c) return E_FAIL;
        if (c->AccessibleItemCount() < 0) return proxy_->get_accChild(child, out);
        // The rows are simple elements of the list, not objects of their own.
        return Item(*c, child) >= 0 ? S_FALSE : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        return Text(child, out, &IAccessible::get_accName, S_FALSE,
                    [](const Control& c, int row) -> std::optional<std::string> {
                        if (row >= 0) return c.AccessibleItemName(row);
                        if (!c.AccessibleName().empty()) return c.AccessibleName();
                        return std::nullopt;
                    });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
        return Text(
            child, out, &IAccessible::get_accValue, DISP_E_MEMBERNOTFOUND,
            [](const Control& c, int row) { return row < 0 ? c.AccessibleValue() : std::nullopt; });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
        return Text(child, out, &IAccessible::get_accDescription, S_FALSE,
                    [](const Control& c, int row) -> std::optional<std::string> {
                        if (row >= 0) return c.AccessibleItemDescription(row);
                        return std::nullopt;
                    });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        if (!out) return E_POINTER;
        const Control* c = Live();
        if (!c) return E_FAIL;
        if (OwnItem(*c, child)) {
            if (Item(*c, child) < 0) return E_INVALIDARG;
            *out = ChildVariant(ROLE_SYSTEM_LISTITEM);
            return S_OK;
        }
        // A list that draws its rows is a list all the same, whatever the
        // proxy of its class makes of it.
        if (IsSelf(child) && c->AccessibleItemCount() >= 0) {
            *out = ChildVariant(ROLE_SYSTEM_LIST);
            return S_OK;
        }
        return proxy_->get_accRole(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
        if (!out) return E_POINTER;
        const Control* c = Live();
        if (!c) return E_FAIL;
        if (OwnItem(*c, child)) {
            const int i = Item(*c, child);
            if (i < 0) return E_INVALIDARG;
            *out = ChildVariant(c->AccessibleItemState(i));
            return S_OK;
        }
        return proxy_->get_accState(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override {
        return Text(child, out, &IAccessible::get_accHelp, S_FALSE, NoText);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        const Control* c = Live();
        if (!c) return E_FAIL;
        if (OwnItem(*c, child)) return DISP_E_MEMBERNOTFOUND;
        return proxy_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
        return Text(child, out, &IAccessible::get_accKeyboardShortcut, S_FALSE, NoText);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
        if (!out) return E_POINTER;
        const Control* c = Live();
        if (!c) return E_FAIL;
        if (c->AccessibleItemCount() < 0) return proxy_->get_accFocus(out);
        ::VariantInit(out);
        if (::GetFocus() != hwnd_) return S_FALSE;
        *out = ChildVariant(CHILDID_SELF);
        for (int i = 0; i < c->AccessibleItemCount(); ++i)
            if (c->AccessibleItemState(i) & STATE_SYSTEM_FOCUSED) *out = ChildVariant(i + 1);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
        if (!out) return E_POINTER;
        const Control* c = Live();
        if (!c) return E_FAIL;
        if (c->AccessibleItemCount() < 0) return proxy_->get_accSelection(out);
        ::VariantInit(out);
        for (int i = 0; i < c->AccessibleItemCount(); ++i)
            if (c->AccessibleItemState(i) & STATE_SYSTEM_SELECTED) {
                *out = ChildVariant(i + 1);
                return S_OK;
            }
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
        return Text(child, out, &IAccessible::get_accDefaultAction, S_FALSE, NoText);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        const Control* c = Live();
        if (!c) return E_FAIL;
        if (OwnItem(*c, child)) return DISP_E_MEMBERNOTFOUND;
        return proxy_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h,
                                          VARIANT child) override {
        if (!x || !y || !w || !h) return E_POINTER;
        const Control* c = Live();
        if (!c) return E_FAIL;
        if (!OwnItem(*c, child)) return proxy_->accLocation(x, y, w, h, child);
        const int i = Item(*c, child);
        if (i < 0) return E_INVALIDARG;
        RECT r = c->AccessibleItemRect(i);
        ::MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&r), 2);
        *x = r.left;
        *y = r.top;
        *w = r.right - r.left;
        *h = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* out) override {
        if (!out) return E_POINTER;
        const Control* c = Live();
        if (!c) return E_FAIL;
        const int n = c->AccessibleItemCount();
        if (n < 0 || (IsSelf(start) && dir != NAVDIR_FIRSTCHILD && dir != NAVDIR_LASTCHILD))
            return proxy_->accNavigate(dir, start, out);
        ::VariantInit(out);
        const long at = IsSelf(start) ? 0 : start.lVal;
        long to = 0;
        switch (dir) {
        case NAVDIR_FIRSTCHILD:
            to = n > 0 ? 1 : 0;
            break;
        case NAVDIR_LASTCHILD:
            to = n;
            break;
        case NAVDIR_NEXT:
        case NAVDIR_DOWN:
            to = at + 1;
            break;
        case NAVDIR_PREVIOUS:
        case NAVDIR_UP:
            to = at - 1;
            break;
        default:
            return E_INVALIDARG;
        }
        if (to < 1 || to > n) return S_FALSE;
        *out = ChildVariant(to);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
        if (!out) return E_POINTER;
        const Control* c = Live();
        if (!c) return E_FAIL;
        const int n = c->AccessibleItemCount();
        if (n < 0) return proxy_->accHitTest(x, y, out);
        POINT pt{x, y};
        ::ScreenToClient(hwnd_, &pt);
        RECT client{};
        ::GetClientRect(hwnd_, &client);
        ::VariantInit(out);
        if (!::PtInRect(&client, pt)) return S_FALSE;
        *out = ChildVariant(CHILDID_SELF);
        for (int i = 0; i < n; ++i) {
            RECT r = c->AccessibleItemRect(i);
            if (::PtInRect(&r, pt)) {
                *out = ChildVariant(i + 1);
                break;
            }
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        const Control* c = Live();
        if (!c) return E_FAIL;
        if (OwnItem(*c, child)) return DISP_E_MEMBERNOTFOUND;
        return proxy_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  private:
    const Control* Live() const { return Control::FromHandle(hwnd_); }
    // Whether the element is one of the rows the control answers for.
    static bool OwnItem(const Control& c, const VARIANT& child) {
        return !IsSelf(child) && c.AccessibleItemCount() >= 0;
    }
    // The row of a child id, or -1.
    static int Item(const Control& c, const VARIANT& child) {
        if (child.vt != VT_I4 || child.lVal < 1 || child.lVal > c.AccessibleItemCount()) return -1;
        return child.lVal - 1;
    }
    // A text of the control or of one of its own rows: what `own` gives
    // (nothing: none of its own), else the proxy's for the control and
    // `noRowText` for a row. An empty text is no text.
    using TextGetter = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);
    using OwnText = std::optional<std::string> (*)(const Control&, int row);
    static std::optional<std::string> NoText(const Control&, int) { return std::nullopt; }
    HRESULT Text(VARIANT child, BSTR* out, TextGetter get, HRESULT noRowText, OwnText own) {
        if (!out) return E_POINTER;
        *out = nullptr;
        const Control* c = Live();
        if (!c) return E_FAIL;
        const bool ownRow = OwnItem(*c, child);
        const int row = ownRow ? Item(*c, child) : -1;
        if (ownRow && row < 0) return E_INVALIDARG;
        if (std::optional<std::string> text = own(*c, row)) {
            if (text->empty()) return S_FALSE;
            *out = MakeBstr(*text);
            return S_OK;
        }
        return ownRow ? noRowText : (proxy_->*get)(child, out);
    }

    LONG refs_ = 1;
    HWND hwnd_;
    IAccessible* proxy_;
};

} // namespace

LRESULT AnswerAccessibleObject(HWND hwnd, WPARAM wp) {
    // Handing the object over marshals it: COM must run on this thread.
    EnsureComApartment();
    IAccessible* proxy = nullptr;
    if (FAILED(::CreateStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&proxy))) ||
        !proxy)
        return 0;
    auto* object = new ControlAccessible(hwnd, proxy);
    LRESULT result =
        ::LresultFromObject(__uuidof(IAccessible), wp, static_cast<IAccessible*>(object));
    object->Release();
    return FAILED(result) ? 0 : result;
}

} // namespace qv::ui
