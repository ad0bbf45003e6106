#pragma once
// Modal windows and popup menus. Like the message boxes they pass through a
// seam: the real runner shows them and waits; tests install a runner that
// drives the window or picks a menu item, so no test blocks.
#include "ui/Form.h"

#include <functional>

namespace qv::ui {

enum ModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

// A form shown modally over an owner window. It ends when ModalResult is
// set; closing it by its frame ends it with mrCancel unless the form's
// CloseQuery says otherwise.
class ModalForm : public Form {
  public:
    int ModalResult = mrNone;
    // How the window is shown (ShowWindow): normal, or maximised.
    int ShowCommand = SW_SHOWNORMAL;
    // Shows the form modally and returns its result. A form that ends
    // itself in FormShow (it could not fill itself) is not shown at all.
    int ShowModal();
    // Ends the modal loop with the result.
    void EndModal(int result) { ModalResult = result; }
    // Called when the frame asks to close: true ends the form (mrCancel).
    virtual bool CloseQuery() { return true; }
    // Escape and Enter; by default Escape closes like the frame and Enter
    // does nothing.
    virtual void CancelKey() { ::SendMessageW(Handle(), WM_CLOSE, 0, 0); }
    virtual void DefaultKey() {}

  protected:
    // Creates the frame as an owned window centred on the screen.
    bool CreateModalFrame(const wchar_t* className, std::string_view caption, int clientWidth,
                          int clientHeight, COLORREF color, const FontStyle& font, bool toolWindow,
                          bool sizeable);
    bool OnCloseRequest() override;
    bool OnKeyCommand(WORD id) override;
    bool OnKeyDown(WORD key, HWND target) override;
    // Called once before the form is shown (FormShow).
    virtual void FormShow() {}
};

using ModalRunner = std::function<int(ModalForm&)>;
// Installs a runner (tests); an empty one restores the real modal loop.
// Returns the previous runner.
ModalRunner SetModalRunner(ModalRunner runner);

// Opens the menu at a screen position and returns the chosen item's tag, or
// 0 when nothing was chosen.
using PopupRunner = std::function<int(PopupMenu&, POINT)>;
PopupRunner SetPopupRunner(PopupRunner runner);
int TrackPopup(PopupMenu& menu, POINT screenPos, HWND owner);

} // namespace qv::ui
