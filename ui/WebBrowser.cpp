#include "ui/WebBrowser.h"

#include "ui/Dispatch.h"
#include "base/Handles.h"
#include "base/WinText.h"

#include <exdisp.h>
#include <exdispid.h>
#include <oleidl.h>

#include <atomic>

namespace qv::ui {

namespace {

// The container's side of the control, in one COM object: the client site,
// the in-place site and frame on the host window, and the sink of the
// control's DWebBrowserEvents2. It is reference counted for real: the
// control may hold on to it a little longer than the viewer lives, so the
// viewer detaches it (Detach) instead of deleting it.
class BrowserSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public UntypedDispatch<IDispatch> {
  public:
    struct Owner {
        HWND host = nullptr;
        IUnknown* browser = nullptr; // identity of the top frame, not held
        std::function<void(long)>* navigateError = nullptr;
        std::function<void()>* documentComplete = nullptr;
    };
    explicit BrowserSite(const Owner& owner) : owner_(owner) {}
    void Detach() { owner_ = {}; }
    void SetBrowser(IUnknown* identity) { owner_.browser = identity; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleInPlaceSite || riid == IID_IOleWindow)
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (riid == IID_IOleInPlaceFrame || riid == IID_IOleInPlaceUIWindow)
            *out = static_cast<IOleInPlaceFrame*>(this);
        else if (riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2)
            *out = static_cast<IDispatch*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** m) override {
        if (m) *m = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override {
        if (c) *c = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* w) override {
        if (!w) return E_POINTER;
        *w = owner_.host;
        return owner_.host ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return owner_.host ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                               LPRECT pos, LPRECT clip,
                                               LPOLEINPLACEFRAMEINFO info) override {
        if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *doc = nullptr;
        ::GetClientRect(owner_.host, pos);
        *clip = *pos;
        info->fMDIApp = FALSE;
        info->hwndFrame = owner_.host ? ::GetAncestor(owner_.host, GA_ROOT) : nullptr;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override {
        return INPLACE_E_NOTOOLSPACE;
    }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override {
        return S_OK;
    }

    // IOleInPlaceFrame
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDispatch: the events arrive through Invoke.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        switch (id) {
        case DISPID_NAVIGATEERROR:
            // pDisp, URL, Frame, StatusCode, Cancel, the last first.
            if (owner_.navigateError && *owner_.navigateError)
                (*owner_.navigateError)(LongArg(params, 5, 1));
            break;
        case DISPID_DOCUMENTCOMPLETE:
            // pDisp, URL: only the browser itself is the top frame.
            if (owner_.documentComplete && *owner_.documentComplete && IsTopFrame(params, 2, 1))
                (*owner_.documentComplete)();
            break;
        default:
            break;
        }
        return S_OK;
    }

  private:
    static VARIANT* Arg(DISPPARAMS* params, UINT count, UINT index) {
        if (!params || params->cArgs != count || !params->rgvarg) return nullptr;
        VARIANT* v = &params->rgvarg[index];
        if (v->vt == (VT_VARIANT | VT_BYREF) && v->pvarVal) v = v->pvarVal;
        return v;
    }
    static long LongArg(DISPPARAMS* params, UINT count, UINT index) {
        VARIANT* v = Arg(params, count, index);
        return v && v->vt == VT_I4 ? v->lVal : 0;
    }
    bool IsTopFrame(DISPPARAMS* params, UINT count, UINT index) const {
        VARIANT* v = Arg(params, count, index);
        if (!v || v->vt != VT_DISPATCH || !v->pdispVal || !owner_.browser) return false;
        ComPtr<IUnknown> identity;
        if (FAILED(v->pdispVal->QueryInterface(IID_IUnknown, identity.put_void()))) return false;
        return identity.get() == owner_.browser;
    }

    std::atomic<ULONG> refs_{1};
    Owner owner_;
};

} // namespace

struct WebBrowser::Impl {
    bool oleInitialized = false;
    HWND host = nullptr;
    BrowserSite* site = nullptr; // one reference held here
    ComPtr<IOleObject> ole;
    ComPtr<IWebBrowser2> browser;
    ComPtr<IUnknown> identity;
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
};

WebBrowser::WebBrowser() : impl_(std::make_unique<Impl>()) {}

WebBrowser::~WebBrowser() {
    Impl& i = *impl_;
    if (i.point) {
        i.point->Unadvise(i.cookie);
        i.point.reset();
    }
    if (i.ole) {
        ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(i.ole->QueryInterface(IID_IOleInPlaceObject, inPlace.put_void())))
            inPlace->InPlaceDeactivate();
        i.ole->Close(OLECLOSE_NOSAVE);
        i.ole->SetClientSite(nullptr);
    }
    i.browser.reset();
    i.identity.reset();
    i.ole.reset();
    if (i.site) {
        // Whatever the control still holds must not call back into a viewer
        // that is gone.
        i.site->Detach();
        i.site->Release();
        i.site = nullptr;
    }
    if (i.oleInitialized) ::OleUninitialize();
}

bool WebBrowser::Create(HWND host) {
    Impl& i = *impl_;
    if (i.ole || !host) return false;
    // In-place activation wants OLE, not only COM, on this thread (drag and
    // drop, the clipboard); a thread that has COM already counts it up.
    i.oleInitialized = SUCCEEDED(::OleInitialize(nullptr));
    i.host = host;
    i.site = new BrowserSite({host, nullptr, &OnNavigateError, &OnDocumentComplete});

    if (FAILED(::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  i.ole.put_void())))
        return false;
    if (FAILED(i.ole->SetClientSite(static_cast<IOleClientSite*>(i.site)))) return false;
    RECT rc{};
    ::GetClientRect(host, &rc);
    if (FAILED(i.ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr,
                             static_cast<IOleClientSite*>(i.site), 0, host, &rc)))
        return false;
    if (FAILED(i.ole->QueryInterface(IID_IWebBrowser2, i.browser.put_void()))) return false;
    if (SUCCEEDED(i.browser->QueryInterface(IID_IUnknown, i.identity.put_void())))
        i.site->SetBrowser(i.identity.get());
    // No message boxes of the control's own: script errors and the like are
    // not the user's business here.
    i.browser->put_Silent(VARIANT_TRUE);

    ComPtr<IConnectionPointContainer> points;
    if (FAILED(i.browser->QueryInterface(IID_IConnectionPointContainer, points.put_void())) ||
        FAILED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, i.point.put())))
        return false;
    if (FAILED(i.point->Advise(static_cast<IDispatch*>(i.site), &i.cookie))) {
        i.point.reset();
        return false;
    }
    return true;
}

bool WebBrowser::Navigate(const std::string& target) {
    Impl& i = *impl_;
    if (!i.browser) return false;
    BSTR url = ::SysAllocString(ToWide(target).c_str());
    if (!url) return false;
    VARIANT empty;
    ::VariantInit(&empty);
    HRESULT hr = i.browser->Navigate(url, &empty, &empty, &empty, &empty);
    ::SysFreeString(url);
    return SUCCEEDED(hr);
}

void WebBrowser::Fit() {
    Impl& i = *impl_;
    if (!i.ole || !i.host) return;
    ComPtr<IOleInPlaceObject> inPlace;
    if (FAILED(i.ole->QueryInterface(IID_IOleInPlaceObject, inPlace.put_void()))) return;
    RECT rc{};
    ::GetClientRect(i.host, &rc);
    inPlace->SetObjectRects(&rc, &rc);
}

} // namespace qv::ui
