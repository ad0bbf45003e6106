#pragma once
// A part of a form that owns its controls: a page of a tab control, made
// when it is first shown rather than with the form. The controls are members
// of the derived page and their windows are children of the form's window,
// so the form still dispatches their notifications; the page creates them,
// binds their handlers and gives them hints through the form it is lent.
// The form outlives its pages' windows: it destroys its window (and with it
// every control's) before the pages go.
#include "ui/Form.h"

#include <functional>
#include <string_view>

namespace qv::ui {

class Page {
  public:
    explicit Page(Form& form) : form_(form) {}
    virtual ~Page() = default;
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    Form& Owner() const { return form_; }
    // A designed size in pixels at the window's setting.
    int S(int designPixels) const { return form_.Scale(designPixels); }

    // What the form asks of each page it has made: its lines onto its
    // controls (when it is made and whenever the language is applied), its
    // layout inside a sheet of the given size, and its contents brought up
    // to date when it is shown (`force` rescans even a filled page).
    virtual void ApplyLanguage() {}
    virtual void Align(int /*width*/, int /*height*/) {}
    virtual void Refresh(bool /*force*/) {}
    // The window moved to a screen of another setting: the page makes its
    // pictures again for it (fonts and bounds follow by themselves).
    virtual void DpiChanged() {}
    // A key pressed while the page is shown, `target` the control it went
    // to; true when the page did what the key means (then nothing else sees
    // it).
    virtual bool KeyDown(WORD /*key*/, HWND /*target*/, bool /*ctrl*/) { return false; }

  protected:
    template <class C> C& Add(C& control, const ControlArgs& args) {
        form_.AddControl(control, args);
        return control;
    }
    void On(const Control& control, Event event, Handler handler) {
        form_.On(control, event, std::move(handler));
    }
    void OnDragOver(const Control& target, DragOverHandler handler) {
        form_.OnDragOver(target, std::move(handler));
    }
    void OnDragDrop(const Control& target, DragDropHandler handler) {
        form_.OnDragDrop(target, std::move(handler));
    }
    void SetHint(Control& control, std::string_view ansi) { form_.SetHint(control, ansi); }
    void AddTimer(Timer& timer, UINT intervalMs, std::function<void()> handler,
                  bool enabled = true) {
        form_.AddTimer(timer, intervalMs, std::move(handler), enabled);
    }

  private:
    Form& form_;
};

} // namespace qv::ui
