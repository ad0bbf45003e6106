#include "ui/LinkLabel.h"

#include "base/WinText.h"

namespace qv::ui {

void LinkLabel::SetLinkStyle(const FontSpec& font) {
    FontSpec regular = font;
    regular.bold = false;
    regular.italic = false;
    FontHandle plain = CreateFontHandle(regular);
    LOGFONTW lf{};
    if (plain && ::GetObjectW(plain.get(), sizeof lf, &lf) == sizeof lf) {
        lf.lfUnderline = TRUE;
        font_.reset(::CreateFontIndirectW(&lf));
    }
    if (!font_) font_ = std::move(plain);
    SetFont(font_.get());
    TextColor = kLinkColor;
    Cursor = ::LoadCursorW(nullptr, (LPCWSTR)IDC_HAND);
}

void LinkLabel::SetLinkCaption(std::string_view ansi) {
    SetCaption(ansi);
    if (!hwnd_) return;
    std::wstring text = ToWide(ansi);
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
