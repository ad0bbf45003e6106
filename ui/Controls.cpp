#include "ui/Controls.h"

#include "ui/Form.h"
#include "base/WinText.h"

#include "base/Text.h"

#include <oleacc.h>
#include <windowsx.h>

#include <climits>
#include <algorithm>
#include <vector>

namespace qv::ui {

int WindowDpi(HWND hwnd) {
    // GetDpiForWindow exists from Windows 10 1607 on; Windows 7 has one
    // setting for every screen.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpi && hwnd)
        if (UINT dpi = getDpi(hwnd)) return static_cast<int>(dpi);
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : kDesignDpi;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

FontHandle CreateFontHandle(const FontStyle& font, int dpi) {
    LOGFONTW lf{};
    // A negative height asks for the character height (without the internal
    // leading), as the designer's pixel heights mean it.
    lf.lfHeight = -ScaleToDpi(font.pixelHeight, dpi);
    lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = font.italic ? TRUE : FALSE;
    lf.lfUnderline = font.underline ? TRUE : FALSE;
    if (font.fixedPitch) lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, font.face, LF_FACESIZE);
    return FontHandle(::CreateFontIndirectW(&lf));
}

namespace {
std::wstring WindowTextW(HWND h) {
    int n = ::GetWindowTextLengthW(h);
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    n = ::GetWindowTextW(h, w.data(), n + 1);
    w.resize(static_cast<size_t>(n));
    return w;
}
} // namespace

// ---- Control ----------------------------------------------------------------

RECT Control::Bounds() const {
    RECT r{};
    ::GetWindowRect(hwnd_, &r);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int Control::Width() const {
    RECT r{};
    ::GetWindowRect(hwnd_, &r);
    return r.right - r.left;
}

int Control::Height() const {
    RECT r{};
    ::GetWindowRect(hwnd_, &r);
    return r.bottom - r.top;
}

int Control::ClientWidth() const {
    RECT r{};
    ::GetClientRect(hwnd_, &r);
    return r.right;
}

int Control::ClientHeight() const {
    RECT r{};
    ::GetClientRect(hwnd_, &r);
    return r.bottom;
}

// A layout runs whenever a caption, a state or the size changes, and mostly
// puts a control where it already is. The move is not asked for then: each
// one sends the control and its class a round of messages, which under Wine
// are calls to the server for every themed control.
void Control::SetBounds(int left, int top, int width, int height) {
    if (!hwnd_) return;
    const RECT r = Bounds();
    if (r.left == left && r.top == top && r.right - r.left == width && r.bottom - r.top == height)
        return;
    ::SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::SetLeft(int left) {
    if (!hwnd_) return;
    const RECT r = Bounds();
    if (r.left == left) return;
    ::SetWindowPos(hwnd_, nullptr, left, r.top, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
}

void Control::SetWidth(int width) {
    if (!hwnd_) return;
    const RECT r = Bounds();
    if (r.right - r.left == width) return;
    ::SetWindowPos(hwnd_, nullptr, 0, 0, width, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

void Control::SetCaption(std::string_view ansi) {
    ::SetWindowTextW(hwnd_, ToWide(ansi).c_str());
}

std::string Control::Caption() const {
    return FromWide(WindowTextW(hwnd_));
}

void Control::BringToFront() {
    ::SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Control::SendToBack() {
    ::SetWindowPos(hwnd_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// ---- Containers ---------------------------------------------------------------

std::optional<LRESULT> Container::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    Form* form = Owner();
    if (!form) return std::nullopt;
    switch (msg) {
    case WM_NOTIFY:
        // The form would answer anything else with 0 as well, and a list
        // being filled tells of every row it inserts and ticks.
        if (!Form::HandlesNotification(reinterpret_cast<const NMHDR*>(lp)->code)) break;
        [[fallthrough]];
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_DRAWITEM:
        if (form->Handle()) return ::SendMessageW(form->Handle(), msg, wp, lp);
        break;
    case WM_SETCURSOR:
        // Asked on behalf of a child first: a control may want its own cursor.
        if (LOWORD(lp) == HTCLIENT) {
            Control* child = form->ControlOf(reinterpret_cast<HWND>(wp));
            if (child && child->Cursor) {
                ::SetCursor(child->Cursor);
                return TRUE;
            }
        }
        break;
    case WM_ERASEBKGND: {
        // Panels and group boxes show the form's colour behind their children.
        RECT r;
        ::GetClientRect(hwnd_, &r);
        if (EraseBackground(reinterpret_cast<HDC>(wp), r, form->BackgroundBrush())) return 1;
        break;
    }
    }
    return std::nullopt;
}

bool Panel::EraseBackground(HDC dc, const RECT& r, HBRUSH brush) const {
    ::FillRect(dc, &r, brush);
    if (Framed) {
        RECT edge = r;
        ::DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
    }
    return true;
}

bool GroupBox::EraseBackground(HDC dc, const RECT& r, HBRUSH brush) const {
    ::FillRect(dc, &r, brush);
    return true;
}

// ---- Image ------------------------------------------------------------------

void Image::SetBitmap(BitmapHandle bitmap) {
    bitmap_ = std::move(bitmap);
    HGDIOBJ old = reinterpret_cast<HGDIOBJ>(
        ::SendMessageW(hwnd_, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)bitmap_.get()));
    // A static control hands back a copy it made of a 32-bit bitmap; ours is
    // owned here, anything else is the control's and goes.
    if (old && old != bitmap_.get()) ::DeleteObject(old);
}

// ---- ComboBox ---------------------------------------------------------------

void ComboBox::Add(std::string_view ansi) {
    std::wstring w = ToWide(ansi);
    ::SendMessageW(hwnd_, CB_ADDSTRING, 0, (LPARAM)w.c_str());
}

std::string ComboBox::Item(int i) const {
    LRESULT n = ::SendMessageW(hwnd_, CB_GETLBTEXTLEN, i, 0);
    if (n == CB_ERR) return {};
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    n = ::SendMessageW(hwnd_, CB_GETLBTEXT, i, (LPARAM)w.data());
    w.resize(n == CB_ERR ? 0 : static_cast<size_t>(n));
    return FromWide(w);
}

// ---- ListView ---------------------------------------------------------------

void ListView::EndUpdate() {
    ::SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void ListView::AddColumn(int width) {
    LVCOLUMNW col{};
    col.mask = LVCF_WIDTH;
    col.cx = width;
    ::SendMessageW(hwnd_, LVM_INSERTCOLUMNW, ColumnCount(), (LPARAM)&col);
}

void ListView::FitCaptionColumn(int least, int margin) {
    auto widest = [this, margin](int column, int atLeast) {
        for (int r = 0; r < Count(); ++r) {
            const std::wstring text = ToWide(ItemText(r, column));
            const int width = static_cast<int>(
                ::SendMessageW(hwnd_, LVM_GETSTRINGWIDTHW, 0, (LPARAM)text.c_str()));
            atLeast = std::max(atLeast, width + margin);
        }
        return atLeast;
    };
    const int first = widest(0, least);
    SetColumnWidth(0, first);
    // A value longer than the rest is shown whole behind a scroll bar,
    // not cut.
    SetColumnWidth(1, widest(1, std::max(ClientWidth() - first, 0)));
}

int ListView::ColumnCount() const {
    HWND header = ListView_GetHeader(hwnd_);
    return header ? Header_GetItemCount(header) : 0;
}

int ListView::AddItem(std::string_view caption, std::string_view detail, bool checked, int image) {
    std::wstring c = ToWide(caption), d = ToWide(detail);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
    // Past the last row: the list appends, without being asked how many
    // rows it holds.
    item.iItem = INT_MAX;
    item.pszText = c.data();
    item.iImage = image;
    // The check box is state image 2 when ticked, 1 when not.
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    item.stateMask = LVIS_STATEIMAGEMASK;
    int row = static_cast<int>(::SendMessageW(hwnd_, LVM_INSERTITEMW, 0, (LPARAM)&item));
    // Not every list takes the check mark from the insert: set it again.
    if (row >= 0 && checked) ListView_SetCheckState(hwnd_, row, TRUE);
    if (row >= 0 && !d.empty()) {
        LVITEMW sub{};
        sub.iSubItem = 1;
        sub.pszText = d.data();
        ::SendMessageW(hwnd_, LVM_SETITEMTEXTW, row, (LPARAM)&sub);
    }
    return row;
}

void ListView::SetItemText(int row, int column, std::string_view text) {
    std::wstring w = ToWide(text);
    LVITEMW sub{};
    sub.iSubItem = column;
    sub.pszText = w.data();
    ::SendMessageW(hwnd_, LVM_SETITEMTEXTW, row, (LPARAM)&sub);
}

void ListView::SetColumnText(int column, std::string_view text) {
    std::wstring w = ToWide(text);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = w.data();
    ::SendMessageW(hwnd_, LVM_SETCOLUMNW, column, (LPARAM)&col);
}

namespace {
// Private to the notifier windows: no control class uses it.
constexpr UINT kNotifyMessage = WM_APP + 0x51;
} // namespace

void Notifier::Post() const {
    ::PostMessageW(hwnd_, kNotifyMessage, 0, 0);
}

std::optional<LRESULT> Notifier::HandleMessage(UINT msg, WPARAM, LPARAM) {
    if (msg != kNotifyMessage) return std::nullopt;
    Raise(Event::Notify);
    return 0;
}

void ListView::SetCheckMarks(const std::vector<char>& ticked) {
    const size_t rows = std::min(ticked.size(), static_cast<size_t>(Count()));
    const size_t ticks = static_cast<size_t>(std::count_if(
        ticked.begin(), ticked.begin() + static_cast<ptrdiff_t>(rows), [](char t) { return t; }));
    // Row -1 is every row of the list.
    const bool all = ticks * 2 > rows && rows == static_cast<size_t>(Count());
    if (all) ListView_SetCheckState(hwnd_, -1, TRUE);
    for (size_t r = 0; r < rows; ++r)
        if ((ticked[r] != 0) != all) SetChecked(static_cast<int>(r), !all);
}

std::string ListView::ItemText(int row, int column) const {
    std::vector<wchar_t> buf(1024, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buf.data();
    item.cchTextMax = static_cast<int>(buf.size());
    ::SendMessageW(hwnd_, LVM_GETITEMTEXTW, row, (LPARAM)&item);
    return FromWide(buf.data());
}

int ListView::ItemImage(int row) const {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    if (!::SendMessageW(hwnd_, LVM_GETITEMW, 0, (LPARAM)&item)) return -1;
    return item.iImage;
}

void ListView::Select(int row) {
    ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row >= 0) {
        ListView_SetItemState(hwnd_, row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(hwnd_, row, FALSE);
    }
}

RECT ListView::ItemRect(int row) const {
    RECT r{};
    ListView_GetItemRect(hwnd_, row, &r, LVIR_BOUNDS);
    return r;
}

long ListView::AccessibleItemState(int row) const {
    const UINT state = ListView_GetItemState(hwnd_, row, LVIS_SELECTED | LVIS_FOCUSED);
    long s = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
    if (state & LVIS_SELECTED) s |= STATE_SYSTEM_SELECTED;
    if ((state & LVIS_FOCUSED) && ::GetFocus() == hwnd_) s |= STATE_SYSTEM_FOCUSED;
    if ((ListView_GetExtendedListViewStyle(hwnd_) & LVS_EX_CHECKBOXES) && Checked(row))
        s |= STATE_SYSTEM_CHECKED;
    return s;
}

std::string ListView::AccessibleItemDescription(int row) const {
    std::string text;
    const int image = ItemImage(row);
    if (image >= 0 && size_t(image) < imageNames_.size()) text = imageNames_[size_t(image)];
    for (int c = 1; c < ColumnCount(); ++c) {
        const std::string column = ItemText(row, c);
        if (column.empty()) continue;
        if (!text.empty()) text += ", ";
        text += column;
    }
    return text;
}

int ListView::RowAt(POINT pt) const {
    LVHITTESTINFO hit{};
    hit.pt = pt;
    int row = ListView_SubItemHitTest(hwnd_, &hit);
    return (hit.flags & LVHT_ONITEM) ? row : -1;
}

std::optional<LRESULT> ListView::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        LRESULT r = CallBase(msg, wp, lp);
        EventArgs args;
        args.pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        args.button = msg;
        Raise(Event::MouseDown, args);
        return r;
    }
    case WM_KEYDOWN:
        // The space bar toggles the focused row's check box as a click does;
        // it is reported as a press on that row so the mark never changes
        // unseen.
        if (wp == VK_SPACE) {
            LRESULT r = CallBase(msg, wp, lp);
            int row = ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED);
            RECT rc{};
            if (row >= 0 && ::IsWindow(hwnd_) &&
                ListView_GetItemRect(hwnd_, row, &rc, LVIR_BOUNDS)) {
                EventArgs args;
                args.pt = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
                args.button = msg;
                Raise(Event::MouseDown, args);
            }
            return r;
        }
        break;
    }
    return std::nullopt;
}

// ---- Splitter -------------------------------------------------------------------

// The distance is taken in screen coordinates, since the splitter itself
// moves while it is pulled.
int Splitter::ScreenY(LPARAM at) const {
    POINT p{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    ::ClientToScreen(hwnd_, &p);
    return static_cast<int>(p.y);
}

// A splitter follows the mouse from the press to the release; the form moves
// the parts beside it.
std::optional<LRESULT> Splitter::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SETCURSOR:
        ::SetCursor(::LoadCursorW(nullptr, (LPCWSTR)IDC_SIZENS));
        return TRUE;
    case WM_LBUTTONDOWN:
        dragging_ = true;
        pressY_ = ScreenY(lp);
        ::SetCapture(hwnd_);
        Raise(Event::MouseDown);
        return 0;
    case WM_MOUSEMOVE:
        if (dragging_) {
            EventArgs args;
            args.pt = {0, ScreenY(lp) - pressY_};
            Raise(Event::Change, args);
        }
        return 0;
    case WM_LBUTTONUP:
        if (dragging_) {
            dragging_ = false;
            ::ReleaseCapture();
        }
        return 0;
    case WM_CAPTURECHANGED:
        dragging_ = false;
        break;
    case WM_GETDLGCODE:
        // The arrows move the bar instead of the focus.
        return DLGC_WANTARROWS;
    case WM_KEYDOWN:
        if ((wp == VK_UP || wp == VK_DOWN) && !dragging_) {
            const int step = Owner() ? Owner()->Scale(KeyStep) : KeyStep;
            Raise(Event::MouseDown);
            EventArgs args;
            args.pt = {0, wp == VK_UP ? -step : step};
            Raise(Event::Change, args);
            return 0;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        ::InvalidateRect(hwnd_, nullptr, TRUE);
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd_, &ps);
        if (::GetFocus() == hwnd_) {
            RECT r;
            ::GetClientRect(hwnd_, &r);
            ::DrawFocusRect(dc, &r);
        }
        ::EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        // The bar shows the form's colour, like the panels around it.
        if (Owner()) {
            RECT r;
            ::GetClientRect(hwnd_, &r);
            ::FillRect(reinterpret_cast<HDC>(wp), &r, Owner()->BackgroundBrush());
            return 1;
        }
        break;
    }
    return std::nullopt;
}

HWND FirstTabStop(HWND container) {
    for (HWND w = ::GetWindow(container, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
        const LONG style = ::GetWindowLongW(w, GWL_STYLE);
        if (!(style & WS_VISIBLE) || (style & WS_DISABLED)) continue;
        if (style & WS_TABSTOP) return w;
        if (HWND inner = FirstTabStop(w)) return inner;
    }
    return nullptr;
}

// ---- CheckListBox -------------------------------------------------------------

namespace {
// A row is drawn with at most this many characters: the rest would lie far
// beyond the list's edge, and a 1 MiB line must not be converted at every
// paint.
constexpr size_t kDrawnChars = 1024;
} // namespace

void CheckListBox::Created() {
    FitRowsToFont();
}

void CheckListBox::FitRowsToFont() {
    // An owner-drawn list keeps the row height it had before it got its
    // font, whatever font comes later.
    HDC dc = ::GetDC(hwnd_);
    HGDIOBJ old = ::SelectObject(dc, (HFONT)::SendMessageW(hwnd_, WM_GETFONT, 0, 0));
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    ::SelectObject(dc, old);
    ::ReleaseDC(hwnd_, dc);
    int height =
        std::max<int>(tm.tmHeight + 3, ScaleToDpi(16, Owner() ? Owner()->Dpi() : kDesignDpi));
    ::SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, height);
}

void CheckListBox::SetItems(std::vector<std::string> items) {
    items_ = std::move(items);
    checked_.assign(items_.size(), 0);
    // One redraw for the whole list, and its storage reserved at once, so a
    // long list fills without growing step by step.
    ::SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
    size_t chars = 0;
    for (const std::string& item : items_)
        chars += item.size() + 1;
    ::SendMessageW(hwnd_, LB_INITSTORAGE, items_.size(), chars * sizeof(wchar_t));
    for (const std::string& item : items_) {
        std::wstring text = ToWide(item);
        ::SendMessageW(hwnd_, LB_ADDSTRING, 0, (LPARAM)text.c_str());
    }
    ::SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void CheckListBox::SetChecked(int i, bool c) {
    if (i < 0 || i >= Count()) return;
    checked_[size_t(i)] = c;
    RECT r = ItemRect(i);
    ::InvalidateRect(hwnd_, &r, FALSE);
}

void CheckListBox::SetAllChecked(bool c) {
    std::fill(checked_.begin(), checked_.end(), c ? 1 : 0);
    ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void CheckListBox::Toggle(int i) {
    SetChecked(i, !Checked(i));
}

void CheckListBox::UserToggled(int row) {
    if (row < 0) return;
    Toggle(row);
    EventArgs args;
    args.item = row;
    Raise(Event::ItemCheck, args);
}

// The mark of a row toggles when its box is clicked, and the focused row's
// on the space bar, after the list box has moved its selection.
std::optional<LRESULT> CheckListBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        // A quick second click on a box is a click as well.
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        LRESULT r = CallBase(msg, wp, lp);
        if (OnCheckBox(pt)) UserToggled(RowAt(pt));
        return r;
    }
    case WM_KEYDOWN:
        if (wp == VK_SPACE) {
            LRESULT r = CallBase(msg, wp, lp);
            UserToggled(FocusedRow());
            return r;
        }
        break;
    case WM_SETFONT: {
        LRESULT r = CallBase(msg, wp, lp);
        FitRowsToFont();
        return r;
    }
    }
    return std::nullopt;
}

std::string CheckListBox::AccessibleItemName(int i) const {
    return i >= 0 && i < Count() ? Item(i) : std::string();
}

long CheckListBox::AccessibleItemState(int i) const {
    long state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
    if (Checked(i)) state |= STATE_SYSTEM_CHECKED;
    if (i == ItemIndex()) state |= STATE_SYSTEM_SELECTED;
    if (i == FocusedRow() && ::GetFocus() == hwnd_) state |= STATE_SYSTEM_FOCUSED;
    RECT r = ItemRect(i), client{};
    ::GetClientRect(hwnd_, &client);
    if (r.bottom <= client.top || r.top >= client.bottom)
        state |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
    return state;
}

int CheckListBox::ItemIndex() const {
    LRESULT i = ::SendMessageW(hwnd_, LB_GETCURSEL, 0, 0);
    return i == LB_ERR ? -1 : static_cast<int>(i);
}

void CheckListBox::SetItemIndex(int i) {
    ::SendMessageW(hwnd_, LB_SETCURSEL, i, 0);
}

RECT CheckListBox::ItemRect(int i) const {
    RECT r{};
    ::SendMessageW(hwnd_, LB_GETITEMRECT, i, (LPARAM)&r);
    return r;
}

int CheckListBox::RowAt(POINT pt) const {
    LRESULT hit = ::SendMessageW(hwnd_, LB_ITEMFROMPOINT, 0, MAKELPARAM(pt.x, pt.y));
    // The high word says the point lies outside every row.
    if (HIWORD(hit) != 0) return -1;
    int row = LOWORD(hit);
    return row < Count() ? row : -1;
}

int CheckListBox::BoxSize() const {
    int h = static_cast<int>(::SendMessageW(hwnd_, LB_GETITEMHEIGHT, 0, 0));
    // The box grows with the screen's setting as the system's own do.
    const int dpi = Owner() ? Owner()->Dpi() : kDesignDpi;
    return std::clamp(h - 3, ScaleToDpi(9, dpi), ScaleToDpi(13, dpi));
}

bool CheckListBox::OnCheckBox(POINT pt) const {
    int row = RowAt(pt);
    if (row < 0) return false;
    RECT r = ItemRect(row);
    return pt.x >= r.left && pt.x < r.left + 2 + BoxSize() + 2;
}

int CheckListBox::FocusedRow() const {
    LRESULT i = ::SendMessageW(hwnd_, LB_GETCARETINDEX, 0, 0);
    return i == LB_ERR || i >= Count() ? -1 : static_cast<int>(i);
}

bool CheckListBox::DrawItem(const DRAWITEMSTRUCT& d) {
    HDC dc = d.hDC;
    RECT r = d.rcItem;
    const int row = static_cast<int>(d.itemID);
    if (d.itemID == static_cast<UINT>(-1) || row >= Count()) {
        // An empty list with the focus shows only the focus frame.
        if (d.itemState & ODS_FOCUS) ::DrawFocusRect(dc, &r);
        return true;
    }
    const bool selected = (d.itemState & ODS_SELECTED) != 0;
    ::FillRect(dc, &r, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const int box = BoxSize();
    RECT b{r.left + 2, r.top + (r.bottom - r.top - box) / 2, 0, 0};
    b.right = b.left + box;
    b.bottom = b.top + box;
    ::DrawFrameControl(dc, &b, DFC_BUTTON,
                       DFCS_BUTTONCHECK | DFCS_FLAT | (Checked(row) ? DFCS_CHECKED : 0));
    const std::string& item = items_[size_t(row)];
    std::wstring text = ToWide(std::string_view(item).substr(0, kDrawnChars));
    RECT t = r;
    t.left = b.right + 4;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &t,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
    if (d.itemState & ODS_FOCUS) ::DrawFocusRect(dc, &r);
    return true;
}

// ---- Timer ------------------------------------------------------------------

void Timer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (!hwnd_) return;
    if (enabled)
        ::SetTimer(hwnd_, id_, interval_, nullptr);
    else
        ::KillTimer(hwnd_, id_);
}

// ---- TabControl -------------------------------------------------------------

void TabControl::AddTab(std::string_view ansi) {
    std::wstring w = ToWide(ansi);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = w.data();
    ::SendMessageW(hwnd_, TCM_INSERTITEMW, TabCount(), (LPARAM)&item);
}

void TabControl::SetTabCaption(int i, std::string_view ansi) {
    std::wstring w = ToWide(ansi);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = w.data();
    ::SendMessageW(hwnd_, TCM_SETITEMW, i, (LPARAM)&item);
}

std::string TabControl::TabCaption(int i) const {
    wchar_t buf[256] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buf;
    item.cchTextMax = 255;
    if (!::SendMessageW(hwnd_, TCM_GETITEMW, i, (LPARAM)&item)) return {};
    return FromWide(item.pszText);
}

RECT TabControl::DisplayRect() const {
    RECT r{};
    ::GetClientRect(hwnd_, &r);
    TabCtrl_AdjustRect(hwnd_, FALSE, &r);
    return r;
}

// ---- ImageList, PopupMenu ---------------------------------------------------

void ImageList::Create(int cx, int cy, int initial) {
    list_.reset(ImageList_Create(cx, cy, ILC_COLOR32 | ILC_MASK, initial, 4));
}

void PopupMenu::Create() {
    menu_.reset(::CreatePopupMenu());
}

void PopupMenu::AddItem(int tag, std::string_view caption, bool isDefault, bool radio) {
    std::wstring w = ToWide(caption);
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE | MIIM_STATE;
    mi.wID = static_cast<UINT>(tag);
    mi.fType = radio ? MFT_RADIOCHECK : MFT_STRING;
    mi.fState = isDefault ? MFS_DEFAULT : 0;
    mi.dwTypeData = w.data();
    ::InsertMenuItemW(menu_.get(), static_cast<UINT>(ItemCount()), TRUE, &mi);
}

void PopupMenu::SetItemCaption(int position, std::string_view caption) {
    std::wstring w = ToWide(caption);
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_STRING;
    mi.dwTypeData = w.data();
    ::SetMenuItemInfoW(menu_.get(), static_cast<UINT>(position), TRUE, &mi);
}

std::string PopupMenu::ItemCaption(int position) const {
    wchar_t buf[256] = {};
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_STRING;
    mi.dwTypeData = buf;
    mi.cch = 255;
    if (!::GetMenuItemInfoW(menu_.get(), static_cast<UINT>(position), TRUE, &mi)) return {};
    return FromWide(buf);
}

void PopupMenu::SetItemEnabled(int position, bool enabled) {
    ::EnableMenuItem(menu_.get(), static_cast<UINT>(position),
                     MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
}

bool PopupMenu::ItemEnabled(int position) const {
    UINT state = ::GetMenuState(menu_.get(), static_cast<UINT>(position), MF_BYPOSITION);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

std::vector<std::string> Memo::Lines() const {
    return SplitLines(Caption());
}

void Memo::SetLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) text += "\r\n";
        text += lines[i];
    }
    SetCaption(text);
}

} // namespace qv::ui
