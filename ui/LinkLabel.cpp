#include "ui/LinkLabel.h"

#include "base/WinText.h"
#include "ui/Form.h"

namespace qv::ui {

void LinkLabel::SetLinkStyle(const FontStyle& font) {
    FontStyle link = font;
    link.bold = false;
    link.italic = false;
    link.underline = true;
    // The form's, so that it follows the window to a screen of another
    // setting.
    if (Owner()) SetFont(Owner()->Font(link));
    // The system's colour for links, so a high-contrast scheme shows them.
    TextColor = ::GetSysColor(COLOR_HOTLIGHT);
    Cursor = ::LoadCursorW(nullptr, (LPCWSTR)IDC_HAND);
}

std::optional<LRESULT> LinkLabel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_GETDLGCODE: {
        // Enter is the link's, not the window's default command.
        const auto* key = reinterpret_cast<const MSG*>(lp);
        if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) return DLGC_WANTMESSAGE;
        return std::nullopt;
    }
    case WM_KEYDOWN:
        if (wp != VK_RETURN && wp != VK_SPACE) return std::nullopt;
        Raise(Event::Click);
        return 0;
    case WM_SETFONT: {
        // The label keeps the size of its text in the new font (the
        // window's move to a screen of another setting).
        LRESULT r = CallBase(msg, wp, lp);
        FitToCaption();
        return r;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        ::InvalidateRect(hwnd_, nullptr, TRUE);
        return std::nullopt;
    case WM_PAINT: {
        // A static control draws no focus; the link shows it round its text.
        LRESULT r = CallBase(msg, wp, lp);
        if (::GetFocus() == hwnd_)
            if (HDC dc = ::GetDC(hwnd_)) {
                RECT client{};
                ::GetClientRect(hwnd_, &client);
                ::DrawFocusRect(dc, &client);
                ::ReleaseDC(hwnd_, dc);
            }
        return r;
    }
    }
    return std::nullopt;
}

void LinkLabel::SetLinkCaption(std::string_view ansi) {
    SetCaption(ansi);
    FitToCaption();
}

void LinkLabel::FitToCaption() {
    if (!hwnd_) return;
    std::wstring text = ToWide(Caption());
    SIZE size{};
    if (HDC dc = ::GetDC(hwnd_)) {
        HGDIOBJ old =
            ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        ::SelectObject(dc, old);
        ::ReleaseDC(hwnd_, dc);
    }
    RECT r = Bounds();
    // An empty caption keeps a sliver, so the label is still there to find.
    SetBounds(r.left, r.top, size.cx > 0 ? size.cx + 1 : 1, size.cy > 0 ? size.cy : Height());
}

} // namespace qv::ui
