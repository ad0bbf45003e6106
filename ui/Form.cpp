#include "ui/Form.h"

#include "ui/Accessible.h"
#include "ui/Dialogs.h"
#include "base/WinText.h"

#include <algorithm>

namespace qv::ui {

const wchar_t kPanelClass[] = L"QvPanel";

namespace {

constexpr WORD kFocusCues = UISF_HIDEFOCUS | UISF_HIDEACCEL;

void RegisterPanelClass() {
    static bool done = false;
    if (done) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
    wc.lpszClassName = kPanelClass;
    ::RegisterClassExW(&wc);
    done = true;
}

// The part of a screen that windows may take (without the task bar).
RECT WorkArea(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (monitor && ::GetMonitorInfoW(monitor, &info)) return info.rcWork;
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

// A size that fits the work area: a window larger than its screen cannot
// be seen whole nor pulled smaller by its edges.
SIZE FitInto(const RECT& work, int width, int height) {
    return {std::min<LONG>(width, work.right - work.left),
            std::min<LONG>(height, work.bottom - work.top)};
}

} // namespace

// ---- A control's own messages -------------------------------------------------

// Subclassing by exchanging the window procedure. The comctl32 subclass
// functions would serve as well, but under Wine they look up a window
// property for every message, which made filling a list of thousands of rows
// take seconds; this way each message costs one extra call.
namespace {
// Names the control of a window for those who find it by its handle (a
// screen reader's object, long after the message that made it): a tool tip
// subclasses the windows it serves, so the window procedure cannot tell.
const wchar_t kControlProp[] = L"QvControl";
} // namespace

void Control::Attach() {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetPropW(hwnd_, kControlProp, this);
    baseProc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Control::WindowProc)));
}

LRESULT CALLBACK Control::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* control = reinterpret_cast<Control*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!control) return ::DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        // The last message: the control lets go of the window before the
        // class sees it.
        WNDPROC base = control->baseProc_;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        ::RemovePropW(hwnd, kControlProp);
        return ::CallWindowProcW(base, hwnd, msg, wp, lp);
    }
    // A control that knows more than the system's proxy of its class
    // answers the screen reader itself, whatever kind it is.
    if (msg == WM_GETOBJECT && static_cast<DWORD>(lp) == static_cast<DWORD>(OBJID_CLIENT) &&
        control->Speaks())
        if (LRESULT object = AnswerAccessibleObject(hwnd, wp)) return object;
    if (std::optional<LRESULT> handled = control->HandleMessage(msg, wp, lp)) return *handled;
    return ::CallWindowProcW(control->baseProc_, hwnd, msg, wp, lp);
}

Control* Control::FromHandle(HWND handle) {
    if (!handle || !::IsWindow(handle)) return nullptr;
    return static_cast<Control*>(::GetPropW(handle, kControlProp));
}

LRESULT Control::CallBase(UINT msg, WPARAM wp, LPARAM lp) const {
    return ::CallWindowProcW(baseProc_, hwnd_, msg, wp, lp);
}

void Control::Raise(Event event, const EventArgs& args) {
    if (form_ && hwnd_ && ::IsWindow(hwnd_)) form_->Raise(*this, event, args);
}

Control::~Control() {
    // A control that goes before its window hands the window back to its
    // class, so that no message reaches the object that is gone.
    if (!hwnd_ || !::IsWindow(hwnd_) ||
        ::GetWindowLongPtrW(hwnd_, GWLP_USERDATA) != reinterpret_cast<LONG_PTR>(this))
        return;
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::RemovePropW(hwnd_, kControlProp);
    if (::GetWindowLongPtrW(hwnd_, GWLP_WNDPROC) ==
        reinterpret_cast<LONG_PTR>(&Control::WindowProc))
        ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(baseProc_));
}

Form::Form() = default;

Form::~Form() {
    Destroy();
}

void Form::Destroy() {
    if (hwnd_) {
        HWND h = hwnd_;
        ::DestroyWindow(h);
        hwnd_ = nullptr;
    }
    for (Control* c : components_)
        c->hwnd_ = nullptr;
    // The window took its timers with it.
    for (Timer* t : timerObjects_) {
        t->hwnd_ = nullptr;
        t->enabled_ = false;
    }
    byHandle_.clear();
    handlers_.clear();
    dragOver_.clear();
    dragDrop_.clear();
    dragSource_ = nullptr;
    timers_.clear();
    tooltip_ = nullptr;
    fonts_.clear();
}

HFONT Form::Font(const FontStyle& font) {
    for (const OwnedFont& owned : fonts_)
        if (owned.style == font) return owned.font.get();
    fonts_.push_back({font, CreateFontHandle(font, dpi_)});
    return fonts_.back().font.get();
}

int Form::ClientWidth() const {
    RECT r{};
    ::GetClientRect(hwnd_, &r);
    return r.right;
}

int Form::ClientHeight() const {
    RECT r{};
    ::GetClientRect(hwnd_, &r);
    return r.bottom;
}

void Form::SetSize(int width, int height) {
    ::SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Form::CreateFrame(const wchar_t* className, std::string_view caption, int width, int height,
                       COLORREF color, const FontStyle& font) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    color_ = color;
    brush_.reset(::CreateSolidBrush(color));
    // Laid out for the screen it opens on; the monitor's own setting is
    // known once the window exists and arrives by WM_DPICHANGED.
    dpi_ = WindowDpi(nullptr);
    fontStyle_ = font;
    font_ = CreateFontHandle(font, dpi_);
    // On the screen of the window it belongs to, in the middle of the work
    // area and never larger than it.
    const RECT work =
        WorkArea(frameOwner_ ? ::MonitorFromWindow(frameOwner_, MONITOR_DEFAULTTOPRIMARY)
                             : ::MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY));
    const SIZE size = FitInto(work, Scale(width), Scale(height));
    width = size.cx;
    height = size.cy;
    RegisterPanelClass();

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!::GetClassInfoExW(instance, className, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = FrameProc;
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
        wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
        wc.hIconSm = static_cast<HICON>(
            ::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
        wc.lpszClassName = className;
        if (!::RegisterClassExW(&wc)) return false;
    }
    int left = work.left + (work.right - work.left - width) / 2;
    int top = work.top + (work.bottom - work.top - height) / 2;
    hwnd_ = ::CreateWindowExW(frameExStyle_, className, ToWide(caption).c_str(), frameStyle_, left,
                              top, width, height, frameOwner_, nullptr, instance, this);
    if (!hwnd_) return false;
    // The focus rectangle and the underlined access keys always show, not
    // only once the keyboard has been used.
    ::SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, kFocusCues), 0);
    if (!lateToolTip_) CreateToolTip();
    return true;
}

void Form::CreateToolTip() {
    if (tooltip_ || !hwnd_) return;
    // A window of its own on top of everything: under Wine making it costs
    // as much as a control or two, which a frame on its way to the screen
    // need not wait for.
    tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                 WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
    if (!tooltip_) return;
    ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 400);
    for (Control* c : components_)
        if (!c->hint_.empty()) SetHint(*c, c->hint_);
}

void Form::AddControl(Control& control, const ControlArgs& args) {
    const WindowKind kind = control.Kind();
    HWND parentHwnd = args.parent ? args.parent->hwnd_ : hwnd_;
    int id = nextId_++;
    HWND h = ::CreateWindowExW(
        kind.exStyle | args.exStyle, kind.windowClass, ToWide(args.caption).c_str(),
        WS_CHILD | (args.hidden ? 0 : WS_VISIBLE) | WS_CLIPSIBLINGS | kind.style | args.style,
        Scale(args.left), Scale(args.top), Scale(args.width), Scale(args.height), parentHwnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
    control.hwnd_ = h;
    control.name_ = std::string(args.name);
    control.form_ = this;
    control.Tag = args.tag;
    components_.push_back(&control);
    if (!h) return;
    byHandle_[h] = &control;
    ::SendMessageW(h, WM_SETFONT, (WPARAM)font_.get(), FALSE);
    ::SendMessageW(h, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, kFocusCues), 0);
    control.Attach();
    control.Created();
}

void Form::AddTimer(Timer& timer, UINT intervalMs, std::function<void()> handler, bool enabled) {
    timer.hwnd_ = hwnd_;
    timer.id_ = nextTimerId_++;
    timer.interval_ = intervalMs;
    timers_[timer.id_] = std::move(handler);
    timerObjects_.push_back(&timer);
    timer.SetEnabled(enabled);
}

// ---- Drag and drop ------------------------------------------------------------

void Form::OnDragOver(const Control& target, DragOverHandler handler) {
    dragOver_[target.hwnd_] = std::move(handler);
}

void Form::OnDragDrop(const Control& target, DragDropHandler handler) {
    dragDrop_[target.hwnd_] = std::move(handler);
}

bool Form::DropOn(const Control& target, const Control& source, POINT pt) {
    auto over = dragOver_.find(target.hwnd_);
    auto drop = dragDrop_.find(target.hwnd_);
    if (over == dragOver_.end() || drop == dragDrop_.end()) return false;
    // Copies: the handlers may rebind what they were called for.
    DragOverHandler accepts = over->second;
    DragDropHandler dropped = drop->second;
    bool accepted = false;
    Guarded([&] { accepted = accepts(source); });
    if (!accepted) return false;
    Guarded([&] { dropped(source, pt); });
    return true;
}

void Form::BeginDrag(const Control& source) {
    if (!hwnd_) return;
    dragSource_ = &source;
    // The form sees every mouse message until the button is released.
    ::SetCapture(hwnd_);
}

void Form::CancelDrag() {
    if (!dragSource_) return;
    dragSource_ = nullptr;
    if (::GetCapture() == hwnd_) ::ReleaseCapture();
    ::SetCursor(::LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW));
}

Control* Form::ControlAt(POINT pt) const {
    HWND h = hwnd_;
    POINT p = pt;
    for (;;) {
        HWND child = ::ChildWindowFromPointEx(h, p, CWP_SKIPINVISIBLE);
        if (!child || child == h) break;
        ::MapWindowPoints(h, child, &p, 1);
        h = child;
    }
    // Parts of a control (a list's header, say) stand for the control.
    for (; h && h != hwnd_; h = ::GetParent(h)) {
        auto it = byHandle_.find(h);
        if (it != byHandle_.end()) return it->second;
    }
    return nullptr;
}

void Form::DragMove(POINT pt, bool drop) {
    const Control* source = dragSource_;
    if (!source) return;
    Control* target = ControlAt(pt);
    POINT at = pt;
    if (target) ::MapWindowPoints(hwnd_, target->hwnd_, &at, 1);
    if (drop) {
        CancelDrag();
        if (target) DropOn(*target, *source, at);
        return;
    }
    bool accepted = false;
    if (target) {
        auto over = dragOver_.find(target->hwnd_);
        if (over != dragOver_.end()) {
            DragOverHandler accepts = over->second;
            Guarded([&] { accepted = accepts(*source); });
        }
    }
    ::SetCursor(::LoadCursorW(nullptr, (LPCWSTR)(accepted ? IDC_ARROW : IDC_NO)));
}

Control* Form::FindComponent(std::string_view name) const {
    for (Control* c : components_)
        if (c->name_ == name) return c;
    return nullptr;
}

Control* Form::ControlOf(HWND handle) const {
    auto it = byHandle_.find(handle);
    return it == byHandle_.end() ? nullptr : it->second;
}

void Form::On(const Control& control, Event event, Handler handler) {
    handlers_[Key{control.hwnd_, event}] = std::move(handler);
}

void Form::Raise(const Control& control, Event event, const EventArgs& args) {
    if (control.hwnd_) Dispatch(control.hwnd_, event, args);
}

void Form::SetHint(Control& control, std::string_view ansi) {
    control.hint_ = std::string(ansi);
    if (!tooltip_ || !control.hwnd_) return;
    std::wstring text = ToWide(control.hint_);
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = ::GetParent(control.hwnd_);
    ti.uId = reinterpret_cast<UINT_PTR>(control.hwnd_);
    ti.lpszText = text.data();
    ::SendMessageW(tooltip_, TTM_DELTOOLW, 0, (LPARAM)&ti);
    if (!text.empty() && control.ShowHint) ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, (LPARAM)&ti);
}

bool Form::TimerRunning(UINT_PTR id) const {
    for (const Timer* t : timerObjects_)
        if (t->id_ == id) return t->hwnd_ && t->enabled_;
    return false;
}

bool Form::PreviewKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    if (msg.hwnd != hwnd_ && !::IsChild(hwnd_, msg.hwnd)) return false;
    WORD key = static_cast<WORD>(msg.wParam);
    if (key == VK_ESCAPE && dragSource_) {
        CancelDrag();
        return true;
    }
    bool consumed = false;
    Guarded([&] { consumed = OnKeyDown(key, msg.hwnd); });
    return consumed;
}

void Form::Guarded(const std::function<void()>& f) {
    RunGuarded(f);
}

void Form::Dispatch(HWND control, Event event, const EventArgs& args) {
    auto it = handlers_.find(Key{control, event});
    if (it == handlers_.end()) return;
    // A copy: the handler may rebind or destroy what it was called for.
    Handler h = it->second;
    RunGuarded([&] { h(args); });
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND: {
        HWND from = reinterpret_cast<HWND>(lp);
        if (!from) {
            bool handled = false;
            Guarded([&] { handled = OnKeyCommand(LOWORD(wp)); });
            if (handled) return 0;
            break;
        }
        switch (HIWORD(wp)) {
        case BN_CLICKED:
            Dispatch(from, Event::Click, {});
            return 0;
        case CBN_SELCHANGE:
        case EN_CHANGE:
            Dispatch(from, Event::Change, {});
            return 0;
        }
        break;
    }
    case WM_NOTIFY: {
        auto* nm = reinterpret_cast<NMHDR*>(lp);
        switch (nm->code) {
        case TCN_SELCHANGE:
            Dispatch(nm->hwndFrom, Event::Change, {});
            return 0;
        case NM_CLICK:
            if (byHandle_.count(nm->hwndFrom)) Dispatch(nm->hwndFrom, Event::Click, {});
            return 0;
        case LVN_ITEMCHANGED: {
            // A row became the selected one, by the keyboard as by a click.
            auto* change = reinterpret_cast<NMLISTVIEW*>(lp);
            if (!(change->uChanged & LVIF_STATE)) return 0;
            const bool now = change->uNewState & LVIS_SELECTED;
            if (now && !(change->uOldState & LVIS_SELECTED))
                Dispatch(nm->hwndFrom, Event::Change, {});
            if (now != bool(change->uOldState & LVIS_SELECTED))
                Dispatch(nm->hwndFrom, Event::Select, {});
            return 0;
        }
        case LVN_BEGINDRAG: {
            auto it = byHandle_.find(nm->hwndFrom);
            auto* list = it == byHandle_.end() ? nullptr : dynamic_cast<ListView*>(it->second);
            if (list && list->AutoDrag) BeginDrag(*list);
            return 0;
        }
        }
        break;
    }
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        auto it = byHandle_.find(item->hwndItem);
        if (it != byHandle_.end() && it->second->DrawItem(*item)) return TRUE;
        break;
    }
    case WM_TIMER: {
        auto it = timers_.find(static_cast<UINT_PTR>(wp));
        if (it == timers_.end()) break;
        // A tick posted before its timer was switched off is not a tick.
        if (!TimerRunning(it->first)) return 0;
        // A copy: the handler may switch its own timer off or rebind it.
        std::function<void()> handler = it->second;
        Guarded(handler);
        return 0;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
        if (dragSource_) {
            POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            DragMove(pt, msg == WM_LBUTTONUP);
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        if (dragSource_ && reinterpret_cast<HWND>(lp) != hwnd_) dragSource_ = nullptr;
        break;
    case WM_CHANGEUISTATE:
    case WM_UPDATEUISTATE:
        // Nothing hides the focus cues again (a click would, by default).
        if (LOWORD(wp) == UIS_SET && (HIWORD(wp) & kFocusCues)) {
            const WORD rest = HIWORD(wp) & ~kFocusCues;
            if (!rest) return 0;
            wp = MAKEWPARAM(UIS_SET, rest);
        }
        break;
    case WM_DPICHANGED: {
        // Every bound and the form's font scale by the new setting; the
        // window takes the place the system proposes.
        const int old = dpi_;
        dpi_ = HIWORD(wp) ? HIWORD(wp) : old;
        // Every font of the form is made again at the new setting; a
        // control that had an old one gets its successor, and the old ones
        // go once no control holds them.
        std::vector<std::pair<HFONT, HFONT>> renewed;
        std::vector<FontHandle> previous;
        previous.push_back(std::move(font_));
        font_ = CreateFontHandle(fontStyle_, dpi_);
        renewed.emplace_back(previous.back().get(), font_.get());
        for (OwnedFont& owned : fonts_) {
            previous.push_back(std::move(owned.font));
            owned.font = CreateFontHandle(owned.style, dpi_);
            renewed.emplace_back(previous.back().get(), owned.font.get());
        }
        for (Control* c : components_) {
            if (!c->hwnd_) continue;
            RECT b = c->Bounds();
            ::MoveWindow(c->hwnd_, ::MulDiv(b.left, dpi_, old), ::MulDiv(b.top, dpi_, old),
                         ::MulDiv(b.right - b.left, dpi_, old),
                         ::MulDiv(b.bottom - b.top, dpi_, old), FALSE);
            const auto had = reinterpret_cast<HFONT>(::SendMessageW(c->hwnd_, WM_GETFONT, 0, 0));
            for (const auto& [from, to] : renewed)
                if (had == from) ::SendMessageW(c->hwnd_, WM_SETFONT, (WPARAM)to, FALSE);
        }
        Guarded([this] { OnDpiChanged(); });
        const RECT* to = reinterpret_cast<const RECT*>(lp);
        const SIZE size = FitInto(WorkArea(::MonitorFromRect(to, MONITOR_DEFAULTTONEAREST)),
                                  to->right - to->left, to->bottom - to->top);
        ::SetWindowPos(hwnd_, nullptr, to->left, to->top, size.cx, size.cy,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::InvalidateRect(hwnd_, nullptr, TRUE);
        return 0;
    }
    case WM_GETMINMAXINFO:
        if (minWidth_ > 0 || minHeight_ > 0) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lp);
            const SIZE least =
                FitInto(WorkArea(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST)),
                        Scale(minWidth_), Scale(minHeight_));
            info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, least.cx);
            info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, least.cy);
            return 0;
        }
        break;
    case WM_SIZE:
        if (wp != SIZE_MINIMIZED) Guarded([this] { OnResize(); });
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        auto dc = reinterpret_cast<HDC>(wp);
        auto it = byHandle_.find(reinterpret_cast<HWND>(lp));
        ::SetBkColor(dc, color_);
        ::SetBkMode(dc, TRANSPARENT);
        if (it != byHandle_.end() && it->second->TextColor != CLR_INVALID)
            ::SetTextColor(dc, it->second->TextColor);
        return reinterpret_cast<LRESULT>(brush_.get());
    }
    case WM_ERASEBKGND: {
        RECT r;
        ::GetClientRect(hwnd_, &r);
        ::FillRect(reinterpret_cast<HDC>(wp), &r, brush_.get());
        return 1;
    }
    case WM_CLOSE: {
        bool handled = false;
        Guarded([&] { handled = OnCloseRequest(); });
        if (handled) return 0;
        break;
    }
    case WM_DESTROY:
        if (QuitOnDestroy) ::PostQuitMessage(0);
        break;
    }
    return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

bool Form::HandlesNotification(UINT code) {
    // The codes of the WM_NOTIFY case in HandleMessage.
    return code == TCN_SELCHANGE || code == NM_CLICK || code == LVN_BEGINDRAG;
}

LRESULT CALLBACK Form::FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Form* form;
    if (msg == WM_NCCREATE) {
        form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        form->hwnd_ = hwnd;
    } else {
        form = reinterpret_cast<Form*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (form && form->hwnd_ == hwnd) form->hwnd_ = nullptr;
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
    if (!form || form->hwnd_ != hwnd) return ::DefWindowProcW(hwnd, msg, wp, lp);
    return form->HandleMessage(msg, wp, lp);
}

int RunMessageLoop(Form& form) {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (form.PreviewKey(msg)) continue;
        // Tab and the arrow keys move between the controls.
        if (form.Handle() && ::IsDialogMessageW(form.Handle(), &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void ProcessMessages(Form* form) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave the quit request for the real loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (form) {
            if (form->PreviewKey(msg)) continue;
            if (form->Handle() && ::IsDialogMessageW(form->Handle(), &msg)) continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

} // namespace qv::ui
