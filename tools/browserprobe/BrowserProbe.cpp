// Shows whether the embedded web browser control can render a local file on
// this system: it hosts CLSID_WebBrowser through OLE in-place activation,
// navigates to the path given (a plain path, as the report window does),
// processes messages for at most ten seconds and prints every step's
// result, the events that arrived and the view the report window would
// choose (ChooseReportDisplay).
//   xvfb-run -a wine build/bin/browserprobe.exe C:\path\report.html
#include "base/Handles.h"
#include "report/ReportDisplay.h"

#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <oleidl.h>

#include <cstdio>

namespace {

HWND g_window = nullptr;
qv::BrowserProgress g_progress;

// DWebBrowserEvents2: only the dispatch ids matter.
class Events final : public IDispatch {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        switch (id) {
        case DISPID_BEFORENAVIGATE2:
            std::printf("  event BeforeNavigate2\n");
            break;
        case DISPID_NAVIGATECOMPLETE2:
            std::printf("  event NavigateComplete2\n");
            break;
        case DISPID_DOCUMENTCOMPLETE:
            std::printf("  event DocumentComplete\n");
            g_progress.documentComplete = true;
            break;
        case DISPID_NAVIGATEERROR: {
            // Arguments arrive last first: the status code is the second.
            long status = 0;
            if (params && params->cArgs == 5) {
                VARIANT* v = &params->rgvarg[1];
                if (v->vt == (VT_VARIANT | VT_BYREF)) v = v->pvarVal;
                if (v->vt == VT_I4) status = v->lVal;
            }
            std::printf("  event NavigateError, status 0x%08lx\n", status);
            g_progress.navigateError = true;
            break;
        }
        default:
            break;
        }
        return S_OK;
    }
};

// The least a container offers for in-place activation: a client site, an
// in-place site and a frame, all on one window.
class Site final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleInPlaceSite || riid == IID_IOleWindow)
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (riid == IID_IOleInPlaceFrame || riid == IID_IOleInPlaceUIWindow)
            *out = static_cast<IOleInPlaceFrame*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override {
        *c = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* w) override {
        *w = g_window;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                               LPRECT pos, LPRECT clip,
                                               LPOLEINPLACEFRAMEINFO info) override {
        *frame = this;
        *doc = nullptr;
        ::GetClientRect(g_window, pos);
        ::GetClientRect(g_window, clip);
        info->fMDIApp = FALSE;
        info->hwndFrame = g_window;
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
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
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
};

const char* Verdict(qv::ReportDisplay d) {
    switch (d) {
    case qv::ReportDisplay::Browser:
        return "browser control";
    case qv::ReportDisplay::Readable:
        return "readable view";
    default:
        return "still waiting";
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: browserprobe <path of an HTML file>\n");
        return 2;
    }
    if (FAILED(::OleInitialize(nullptr))) return 1;
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QV6BrowserProbe";
    ::RegisterClassW(&wc);
    g_window = ::CreateWindowW(wc.lpszClassName, L"browserprobe", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               0, 0, 800, 600, nullptr, nullptr, wc.hInstance, nullptr);
    Site site;
    Events events;
    {
        qv::ComPtr<IOleObject> ole;
        HRESULT hr = ::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IOleObject, ole.put_void());
        std::printf("CoCreateInstance(CLSID_WebBrowser): 0x%08lx\n", hr);
        qv::ComPtr<IWebBrowser2> browser;
        qv::ComPtr<IConnectionPoint> point;
        DWORD cookie = 0;
        if (SUCCEEDED(hr)) {
            ole->SetClientSite(&site);
            RECT rc;
            ::GetClientRect(g_window, &rc);
            hr = ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, g_window, &rc);
            std::printf("DoVerb(OLEIVERB_INPLACEACTIVATE): 0x%08lx\n", hr);
            if (SUCCEEDED(hr)) hr = ole->QueryInterface(IID_IWebBrowser2, browser.put_void());
            g_progress.created = SUCCEEDED(hr);
        }
        if (g_progress.created) {
            qv::ComPtr<IConnectionPointContainer> points;
            if (SUCCEEDED(
                    browser->QueryInterface(IID_IConnectionPointContainer, points.put_void())) &&
                SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, point.put())))
                point->Advise(&events, &cookie);
            BSTR url = ::SysAllocString(argv[1]);
            VARIANT empty;
            ::VariantInit(&empty);
            hr = browser->Navigate(url, &empty, &empty, &empty, &empty);
            ::SysFreeString(url);
            std::printf("Navigate: 0x%08lx\n", hr);
            g_progress.navigated = SUCCEEDED(hr);
        }
        const DWORD start = ::GetTickCount();
        while (qv::ChooseReportDisplay(g_progress) == qv::ReportDisplay::Waiting) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            g_progress.waitEnded = ::GetTickCount() - start > 10000;
            ::Sleep(10);
        }
        if (browser) {
            READYSTATE state = READYSTATE_UNINITIALIZED;
            browser->get_ReadyState(&state);
            qv::ComPtr<IDispatch> document;
            hr = browser->get_Document(document.put());
            std::printf("ReadyState: %d, get_Document: 0x%08lx, document %s\n",
                        static_cast<int>(state), hr, document ? "present" : "absent");
        }
        std::printf("the report window would show: %s\n",
                    Verdict(qv::ChooseReportDisplay(g_progress)));
        if (point) point->Unadvise(cookie);
        if (ole) {
            ole->Close(OLECLOSE_NOSAVE);
            ole->SetClientSite(nullptr);
        }
    }
    ::DestroyWindow(g_window);
    ::OleUninitialize();
    return 0;
}
