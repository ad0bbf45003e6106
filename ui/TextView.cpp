#include "ui/TextView.h"

#include "base/WinText.h"

#include <algorithm>
#include <vector>

namespace qv::ui {

const wchar_t kTextViewClass[] = L"QvTextView";

namespace {

constexpr int kMargin = 2;
constexpr int kTabWidth = 8;
constexpr int kWheelLines = 3;

// What a text view window holds; it lives and dies with the window.
struct TextViewState {
    std::wstring text;             // the lines, one after the other
    std::vector<size_t> starts{0}; // where each line begins, and the end
    size_t longest = 0;            // characters of the longest line
    size_t top = 0;                // first line in sight
    size_t left = 0;               // first column in sight
    HFONT font = nullptr;          // not owned
    int lineHeight = 16, charWidth = 8;

    size_t Lines() const { return starts.size() - 1; }
    std::wstring_view LineAt(size_t i) const {
        return i < Lines() ? std::wstring_view(text).substr(starts[i], starts[i + 1] - starts[i])
                           : std::wstring_view();
    }
};

TextViewState* StateOf(HWND hwnd) {
    return hwnd ? reinterpret_cast<TextViewState*>(::GetWindowLongPtrW(hwnd, 0)) : nullptr;
}

void MeasureFont(HWND hwnd, TextViewState& s) {
    HDC dc = ::GetDC(hwnd);
    if (!dc) return;
    HGDIOBJ old = ::SelectObject(dc, s.font ? s.font : ::GetStockObject(ANSI_FIXED_FONT));
    TEXTMETRICW tm{};
    if (::GetTextMetricsW(dc, &tm)) {
        s.lineHeight = std::max<int>(tm.tmHeight + tm.tmExternalLeading, 1);
        s.charWidth = std::max<int>(tm.tmAveCharWidth, 1);
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(hwnd, dc);
}

size_t PageLines(HWND hwnd, const TextViewState& s) {
    RECT r{};
    ::GetClientRect(hwnd, &r);
    return std::max<size_t>(static_cast<size_t>(r.bottom / s.lineHeight), 1);
}

size_t PageColumns(HWND hwnd, const TextViewState& s) {
    RECT r{};
    ::GetClientRect(hwnd, &r);
    return std::max<size_t>(static_cast<size_t>(std::max<long>(r.right - kMargin, 0) / s.charWidth),
                            1);
}

// The positions allowed: the last page ends with the last line.
void Clamp(HWND hwnd, TextViewState& s) {
    const size_t page = PageLines(hwnd, s), cols = PageColumns(hwnd, s);
    s.top = std::min(s.top, s.Lines() > page ? s.Lines() - page : 0);
    s.left = std::min(s.left, s.longest > cols ? s.longest - cols : 0);
}

void UpdateBars(HWND hwnd, TextViewState& s) {
    Clamp(hwnd, s);
    // Scroll bar positions are ints; a text beyond that many lines is not
    // a report anyone reads, but it must not wrap around.
    auto bar = [&](int which, size_t count, size_t page, size_t pos) {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
        si.nMin = 0;
        si.nMax = static_cast<int>(std::min<size_t>(count ? count - 1 : 0, INT_MAX - 1));
        si.nPage = static_cast<UINT>(std::min<size_t>(page, INT_MAX));
        si.nPos = static_cast<int>(std::min<size_t>(pos, INT_MAX - 1));
        ::SetScrollInfo(hwnd, which, &si, TRUE);
    };
    bar(SB_VERT, s.Lines(), PageLines(hwnd, s), s.top);
    bar(SB_HORZ, s.longest, PageColumns(hwnd, s), s.left);
}

void ScrollView(HWND hwnd, TextViewState& s, size_t top, size_t left) {
    const size_t oldTop = s.top, oldLeft = s.left;
    s.top = top;
    s.left = left;
    UpdateBars(hwnd, s);
    if (s.top != oldTop || s.left != oldLeft) ::InvalidateRect(hwnd, nullptr, TRUE);
}

size_t Moved(size_t pos, long long delta) {
    if (delta < 0) return static_cast<size_t>(-delta) > pos ? 0 : pos - static_cast<size_t>(-delta);
    return pos + static_cast<size_t>(delta);
}

// The new position for a scroll bar request.
size_t ScrollRequest(HWND hwnd, int which, WPARAM wp, size_t pos, size_t page, size_t count) {
    switch (LOWORD(wp)) {
    case SB_LINEUP:
        return Moved(pos, -1);
    case SB_LINEDOWN:
        return pos + 1;
    case SB_PAGEUP:
        return Moved(pos, -static_cast<long long>(page));
    case SB_PAGEDOWN:
        return pos + page;
    case SB_TOP:
        return 0;
    case SB_BOTTOM:
        return count;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        if (::GetScrollInfo(hwnd, which, &si))
            return static_cast<size_t>(std::max(si.nTrackPos, 0));
        return pos;
    }
    default:
        return pos;
    }
}

void Paint(HWND hwnd, TextViewState& s) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd, &ps);
    RECT client{};
    ::GetClientRect(hwnd, &client);
    ::FillRect(dc, &ps.rcPaint, ::GetSysColorBrush(COLOR_WINDOW));
    HGDIOBJ old = ::SelectObject(dc, s.font ? s.font : ::GetStockObject(ANSI_FIXED_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    const size_t first =
        s.top + static_cast<size_t>(std::max<long>(ps.rcPaint.top, 0) / s.lineHeight);
    const size_t last = s.top + static_cast<size_t>(ps.rcPaint.bottom / s.lineHeight) + 1;
    const size_t cols = PageColumns(hwnd, s) + 1;
    for (size_t i = first; i < std::min(last, s.Lines()); ++i) {
        std::wstring_view line = s.LineAt(i);
        if (line.size() <= s.left) continue;
        line = line.substr(s.left, cols);
        ::TextOutW(dc, kMargin, static_cast<int>(i - s.top) * s.lineHeight, line.data(),
                   static_cast<int>(line.size()));
    }
    ::SelectObject(dc, old);
    ::EndPaint(hwnd, &ps);
}

LRESULT CALLBACK TextViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    TextViewState* s = StateOf(hwnd);
    switch (msg) {
    case WM_NCCREATE:
        ::SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(new TextViewState));
        break;
    case WM_NCDESTROY:
        ::SetWindowLongPtrW(hwnd, 0, 0);
        delete s;
        return 0;
    }
    if (!s) return ::DefWindowProcW(hwnd, msg, wp, lp);
    switch (msg) {
    case WM_CREATE:
        MeasureFont(hwnd, *s);
        return 0;
    case WM_SETFONT:
        s->font = reinterpret_cast<HFONT>(wp);
        MeasureFont(hwnd, *s);
        UpdateBars(hwnd, *s);
        if (LOWORD(lp)) ::InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s->font);
    case WM_SIZE:
        UpdateBars(hwnd, *s);
        ::InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_ERASEBKGND:
        return 1; // WM_PAINT fills what it draws
    case WM_PAINT:
        Paint(hwnd, *s);
        return 0;
    case WM_VSCROLL:
        ScrollView(hwnd, *s,
                   ScrollRequest(hwnd, SB_VERT, wp, s->top, PageLines(hwnd, *s), s->Lines()),
                   s->left);
        return 0;
    case WM_HSCROLL:
        ScrollView(hwnd, *s, s->top,
                   ScrollRequest(hwnd, SB_HORZ, wp, s->left, PageColumns(hwnd, *s), s->longest));
        return 0;
    case WM_MOUSEWHEEL: {
        const int notches = GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA;
        ScrollView(hwnd, *s, Moved(s->top, -static_cast<long long>(notches) * kWheelLines),
                   s->left);
        return 0;
    }
    case WM_KEYDOWN: {
        const size_t page = PageLines(hwnd, *s);
        const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
        switch (wp) {
        case VK_UP:
            ScrollView(hwnd, *s, Moved(s->top, -1), s->left);
            return 0;
        case VK_DOWN:
            ScrollView(hwnd, *s, s->top + 1, s->left);
            return 0;
        case VK_PRIOR:
            ScrollView(hwnd, *s, Moved(s->top, -static_cast<long long>(page)), s->left);
            return 0;
        case VK_NEXT:
            ScrollView(hwnd, *s, s->top + page, s->left);
            return 0;
        case VK_HOME:
            ScrollView(hwnd, *s, ctrl ? 0 : s->top, 0);
            return 0;
        case VK_END:
            ScrollView(hwnd, *s, ctrl ? s->Lines() : s->top, ctrl ? 0 : s->longest);
            return 0;
        case VK_LEFT:
            ScrollView(hwnd, *s, s->top, Moved(s->left, -1));
            return 0;
        case VK_RIGHT:
            ScrollView(hwnd, *s, s->top, s->left + 1);
            return 0;
        }
        break;
    }
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
        ::SetFocus(hwnd);
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

} // namespace

void RegisterTextViewClass() {
    static bool done = false;
    if (done) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = TextViewProc;
    wc.cbWndExtra = sizeof(TextViewState*);
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
    wc.lpszClassName = kTextViewClass;
    ::RegisterClassExW(&wc);
    done = true;
}

void TextView::SetText(std::string_view ansi) {
    TextViewState* s = StateOf(hwnd_);
    if (!s) return;
    const std::wstring wide = ToWide(ansi);
    s->text.clear();
    s->text.reserve(wide.size());
    s->starts.assign(1, 0);
    s->longest = 0;
    size_t column = 0;
    auto endLine = [&] {
        s->longest = std::max(s->longest, column);
        s->starts.push_back(s->text.size());
        column = 0;
    };
    for (size_t i = 0; i < wide.size(); ++i) {
        const wchar_t c = wide[i];
        if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && i + 1 < wide.size() && wide[i + 1] == L'\n') ++i;
            endLine();
        } else if (c == L'\t') {
            const size_t to = (column / kTabWidth + 1) * kTabWidth;
            s->text.append(to - column, L' ');
            column = to;
        } else {
            s->text.push_back(c);
            ++column;
        }
    }
    // A last line without an ending is a line; an ending at the very end
    // opens none.
    if (s->starts.back() != s->text.size()) endLine();
    s->top = s->left = 0;
    UpdateBars(hwnd_, *s);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

size_t TextView::LineCount() const {
    const TextViewState* s = StateOf(hwnd_);
    return s ? s->Lines() : 0;
}

std::string TextView::Line(size_t index) const {
    const TextViewState* s = StateOf(hwnd_);
    return s ? FromWide(s->LineAt(index)) : std::string();
}

std::string TextView::Text() const {
    const TextViewState* s = StateOf(hwnd_);
    if (!s) return {};
    std::wstring joined;
    joined.reserve(s->text.size() + 2 * s->Lines());
    for (size_t i = 0; i < s->Lines(); ++i) {
        if (i) joined += L"\r\n";
        joined += s->LineAt(i);
    }
    return FromWide(joined);
}

size_t TextView::TopLine() const {
    const TextViewState* s = StateOf(hwnd_);
    return s ? s->top : 0;
}

size_t TextView::VisibleLines() const {
    const TextViewState* s = StateOf(hwnd_);
    return s ? PageLines(hwnd_, *s) : 0;
}

std::optional<std::string> TextView::AccessibleValue() const {
    std::string shown;
    const size_t top = TopLine(), end = std::min(LineCount(), top + VisibleLines());
    for (size_t i = top; i < end; ++i) {
        if (i > top) shown += "\r\n";
        shown += Line(i);
    }
    return shown;
}

void TextView::ScrollTo(size_t line) {
    if (TextViewState* s = StateOf(hwnd_)) ScrollView(hwnd_, *s, line, s->left);
}

} // namespace qv::ui
