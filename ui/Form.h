#pragma once
// The base of every window of the program. A form owns its top-level window
// and the wrapped controls on it, remembers them in creation order and by
// name, and is the one place where the notifications of its controls
// (WM_COMMAND, WM_NOTIFY, the events a control raises itself), its timers,
// drag and drop between its controls, a change of the window's size and the
// keys it previews turn into calls of the handlers. Every handler runs through
// RunGuarded: an exception escaping it is shown in a message box and the
// program goes on.
#include "ui/Controls.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace qv::ui {

using Handler = std::function<void(const EventArgs&)>;
// Whether a control takes what is dragged from the source.
using DragOverHandler = std::function<bool(const Control& source)>;
// The drop itself, at a client position of the target.
using DragDropHandler = std::function<void(const Control& source, POINT pt)>;

// A derived form calls Destroy() in its destructor, while the controls it
// holds as members still exist.
class Form {
  public:
    Form();
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND Handle() const { return hwnd_; }
    // The window's client size.
    int ClientWidth() const;
    int ClientHeight() const;
    // Sets the outer size of the window.
    void SetSize(int width, int height);
    // The dots per inch the window is laid out for, and a designed size in
    // pixels at that setting.
    int Dpi() const { return dpi_; }
    int Scale(int designPixels) const { return ScaleToDpi(designPixels, dpi_); }
    // A font of the design at the window's setting, owned by the form (one
    // per design, however often asked for). When the window moves to a
    // screen of another setting the form makes each again and gives every
    // control that had the old one the new one: hold the handle only as
    // long as the control does, and ask again rather than keep it.
    HFONT Font(const FontStyle& font);

    // The first component whose name equals `name` (case-sensitive), in
    // creation order; nullptr when there is none.
    Control* FindComponent(std::string_view name) const;
    const std::vector<Control*>& Components() const { return components_; }

    // The control whose window this is, or nullptr.
    Control* ControlOf(HWND handle) const;

    // Binds a handler to an event of a control; a second binding replaces it.
    void On(const Control& control, Event event, Handler handler);
    // Runs the handler bound to the event of the control, guarded; how a
    // control reports what its own messages mean.
    void Raise(const Control& control, Event event, const EventArgs& args);
    // Whether the form acts on a notification with this code; a container
    // passes only those up to it.
    static bool HandlesNotification(UINT code);

    // Drag and drop between the form's controls, as the designer's automatic
    // drag mode has it: a list whose AutoDrag is set starts a drag when a
    // row is pulled. While the button is held the form follows the mouse,
    // asks the control under it (its DragOver handler) whether it takes the
    // drop and shows the answer with the cursor; releasing the button over a
    // control that takes it runs its DragDrop handler. Escape or a lost
    // mouse capture cancels.
    void OnDragOver(const Control& target, DragOverHandler handler);
    void OnDragDrop(const Control& target, DragDropHandler handler);
    // The drop as releasing the button does it, at a client position of the
    // target: asks the target and, if it takes it, drops. True when dropped.
    // Tests drive drops through it without a mouse.
    bool DropOn(const Control& target, const Control& source, POINT pt);
    void BeginDrag(const Control& source);
    void CancelDrag();
    // The control being dragged from, or nullptr.
    const Control* DragSource() const { return dragSource_; }

    // Starts a timer on the form's window that calls the handler, guarded
    // like every handler, every intervalMs while it is enabled. A tick of a
    // timer that is off never reaches the handler; destroying the window
    // switches every timer off.
    void AddTimer(Timer& timer, UINT intervalMs, std::function<void()> handler,
                  bool enabled = true);
    void SetHint(Control& control, std::string_view ansi);
    // The tool tip window that shows the hints.
    HWND ToolTip() const { return tooltip_; }

    // Key preview: offered every key message for the form and its children
    // before the control that has the focus gets it. True when the form
    // consumed the key: then neither the control nor the dialog navigation
    // sees it.
    bool PreviewKey(const MSG& msg);

    // Ends the thread's message loop when the window is destroyed.
    bool QuitOnDestroy = false;
    HBRUSH BackgroundBrush() const { return brush_.get(); }
    COLORREF BackgroundColor() const { return color_; }

    // Destroys the window and forgets the controls' handles.
    void Destroy();

  protected:
    // Creates the top-level window in the middle of the work area.
    bool CreateFrame(const wchar_t* className, std::string_view caption, int width, int height,
                     COLORREF color, const FontStyle& font);

    // Creates the control's window as the arguments say, with the form's
    // font; returns the control.
    template <class C> C& Add(C& control, const ControlArgs& args) {
        AddControl(control, args);
        return control;
    }

    // Overridables, called through the dispatch below.
    virtual void OnResize() {}
    // The window moved to a screen of another setting: its own font and its
    // controls' bounds are scaled already; fonts of its own follow here.
    virtual void OnDpiChanged() {}
    // A key pressed in the form; `target` is the window the key went to
    // (the focused control). True consumes it.
    virtual bool OnKeyDown(WORD /*key*/, HWND /*target*/) { return false; }
    // The window's frame asks to close; true when the form dealt with it
    // (then the window is not destroyed by the default handling).
    virtual bool OnCloseRequest() { return false; }
    // A command without a control: IDOK or IDCANCEL from the keyboard
    // (Enter, Escape). True when the form dealt with it.
    virtual bool OnKeyCommand(WORD /*id*/) { return false; }

    // The least outer size the user can pull the window to, in the design's
    // pixels (0: the system's); never more than the work area of the
    // window's screen.
    int minWidth_ = 0, minHeight_ = 0;
    // The frame's styles and owner, for forms that are not main windows;
    // set before CreateFrame.
    DWORD frameStyle_ = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    DWORD frameExStyle_ = 0;
    HWND frameOwner_ = nullptr;
    // A form whose frame goes on screen before it is complete makes its tool
    // tip window afterwards, with CreateToolTip: the hints set meanwhile are
    // kept and handed over then. Set before CreateFrame.
    bool lateToolTip_ = false;
    void CreateToolTip();

  private:
    // A page creates its controls on the form it is part of.
    friend class Page;
    static LRESULT CALLBACK FrameProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    bool TimerRunning(UINT_PTR id) const;
    void AddControl(Control& control, const ControlArgs& args);
    // The one dispatch place.
    void Dispatch(HWND control, Event event, const EventArgs& args);
    void Guarded(const std::function<void()>& f);
    // The innermost control under a client position of the form that the
    // form knows, hidden ones skipped; nullptr when there is none.
    Control* ControlAt(POINT pt) const;
    // Follows the mouse during a drag; ends it when `drop` is set.
    void DragMove(POINT pt, bool drop);

    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    int dpi_ = kDesignDpi;
    FontStyle fontStyle_;
    COLORREF color_ = RGB(255, 255, 255);
    BrushHandle brush_;
    FontHandle font_;
    struct OwnedFont {
        FontStyle style;
        FontHandle font;
    };
    std::vector<OwnedFont> fonts_;
    int nextId_ = 100;
    std::vector<Control*> components_;
    std::unordered_map<HWND, Control*> byHandle_;
    struct Key {
        HWND hwnd;
        Event event;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const {
            return std::hash<void*>()(k.hwnd) ^ (static_cast<size_t>(k.event) << 1);
        }
    };
    std::unordered_map<Key, Handler, KeyHash> handlers_;
    std::unordered_map<HWND, DragOverHandler> dragOver_;
    std::unordered_map<HWND, DragDropHandler> dragDrop_;
    const Control* dragSource_ = nullptr;
    UINT_PTR nextTimerId_ = 1;
    std::unordered_map<UINT_PTR, std::function<void()>> timers_;
    std::vector<Timer*> timerObjects_;
};

// Runs the thread's message loop, with the form's key preview, until
// WM_QUIT; returns its exit code.
int RunMessageLoop(Form& form);
// Handles the messages waiting in the thread's queue the same way, then
// returns (tests use it between steps).
void ProcessMessages(Form* form);

} // namespace qv::ui
