#include "ui/Modal.h"

#include "ui/Dialogs.h"

namespace qv::ui {

namespace {
// How modal forms and popup menus run: the real loops unless a test put
// its own runners in, process-wide.
struct Runners {
    ModalRunner modal;
    PopupRunner popup;
};
Runners& CurrentRunners() {
    static Runners runners;
    return runners;
}
} // namespace

ModalRunner SetModalRunner(ModalRunner runner) {
    std::swap(runner, CurrentRunners().modal);
    return runner;
}

PopupRunner SetPopupRunner(PopupRunner runner) {
    std::swap(runner, CurrentRunners().popup);
    return runner;
}

bool ModalForm::CreateModalFrame(const wchar_t* className, std::string_view caption,
                                 int clientWidth, int clientHeight, COLORREF color,
                                 const FontStyle& font, bool toolWindow, bool sizeable) {
    frameStyle_ = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_POPUP |
                  (sizeable ? WS_THICKFRAME | WS_MAXIMIZEBOX : 0);
    frameExStyle_ = (toolWindow ? WS_EX_TOOLWINDOW : 0) | WS_EX_CONTROLPARENT;
    frameOwner_ = ::GetActiveWindow();
    // The frame's size at the design's setting: CreateFrame scales it.
    RECT r{0, 0, clientWidth, clientHeight};
    ::AdjustWindowRectEx(&r, frameStyle_, FALSE, frameExStyle_);
    return CreateFrame(className, caption, r.right - r.left, r.bottom - r.top, color, font);
}

bool ModalForm::OnCloseRequest() {
    if (CloseQuery()) ModalResult = mrCancel;
    return true; // the modal loop ends it; the window is released by its owner
}

bool ModalForm::OnKeyDown(WORD key, HWND) {
    // Escape closes every dialog, whichever control has the focus (a
    // multi-line edit would keep it for itself).
    if (key != VK_ESCAPE) return false;
    CancelKey();
    return true;
}

bool ModalForm::OnKeyCommand(WORD id) {
    if (id == IDCANCEL)
        CancelKey();
    else if (id == IDOK)
        DefaultKey();
    else
        return false;
    return true;
}

int ModalForm::ShowModal() {
    ModalResult = mrNone;
    RunGuarded([this] { FormShow(); });
    if (ModalResult != mrNone) return ModalResult;
    if (CurrentRunners().modal) return CurrentRunners().modal(*this);

    HWND owner = frameOwner_;
    if (owner) ::EnableWindow(owner, FALSE);
    ::ShowWindow(Handle(), ShowCommand);
    MSG msg;
    while (ModalResult == mrNone && Handle()) {
        if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            // Leave the quit request for the main loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            ModalResult = mrCancel;
            break;
        }
        if (PreviewKey(msg)) continue;
        if (Handle() && ::IsDialogMessageW(Handle(), &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    if (owner) ::EnableWindow(owner, TRUE);
    if (Handle()) ::ShowWindow(Handle(), SW_HIDE);
    if (owner) ::SetActiveWindow(owner);
    return ModalResult;
}

int TrackPopup(PopupMenu& menu, POINT screenPos, HWND owner) {
    if (CurrentRunners().popup) return CurrentRunners().popup(menu, screenPos);
    return static_cast<int>(::TrackPopupMenu(
        menu.Handle(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_LEFTBUTTON | TPM_NONOTIFY,
        screenPos.x, screenPos.y, 0, owner, nullptr));
}

} // namespace qv::ui
