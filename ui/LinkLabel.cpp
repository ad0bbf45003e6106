#include "ui/LinkLabel.h"

#include "base/WinText.h"
#include "ui/Form.h"

#include <algorithm>
#include <cmath>

namespace qv::ui {

namespace {

// The relative luminance of the colour, as the web's contrast rules reckon.
double Luminance(COLORREF c) {
    auto channel = [](BYTE v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(GetRValue(c)) + 0.7152 * channel(GetGValue(c)) +
           0.0722 * channel(GetBValue(c));
}

double Contrast(COLORREF a, COLORREF b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

COLORREF ReadableLinkColor(COLORREF background, COLORREF hotLight, COLORREF highlight,
                           COLORREF text) {
    // 4.5:1 is what normal text needs to be read.
    constexpr double kReadable = 4.5;
    if (Contrast(hotLight, background) >= kReadable) return hotLight;
    // The selection colour is the scheme's other blue: darkened until it
    // reads, so that a link still looks like one.
    COLORREF c = highlight;
    for (int step = 0; step < 16; ++step) {
        if (Contrast(c, background) >= kReadable) return c;
        c = RGB(GetRValue(c) * 4 / 5, GetGValue(c) * 4 / 5, GetBValue(c) * 4 / 5);
    }
    return text;
}

void LinkLabel::SetLinkStyle(const FontStyle& font) {
    FontStyle link = font;
    link.bold = false;
    link.italic = false;
    link.underline = true;
    // The form's, so that it follows the window to a screen of another
    // setting.
    if (Owner()) SetFont(Owner()->Font(link));
    TextColor =
        ReadableLinkColor(Owner() ? Owner()->BackgroundColor() : ::GetSysColor(COLOR_WINDOW),
                          ::GetSysColor(COLOR_HOTLIGHT), ::GetSysColor(COLOR_HIGHLIGHT),
                          ::GetSysColor(COLOR_WINDOWTEXT));
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
