#pragma once
// Thin wrappers over the Win32 controls: one small struct per kind of control,
// each holding its window handle, its name (so that a form can find it by
// name) and its tag. Texts are ANSI at this interface; the conversion to the
// Unicode windows happens inside, through WinText.
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include "base/Handles.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::ui {

class Form;

using ImageListHandle = UniqueResource<HIMAGELIST, HandleTraits<HIMAGELIST, &::ImageList_Destroy>>;

// A font given as the form designer gives it: a face and a character height
// in pixels (not points), so the layout stays the designed one.
struct FontStyle {
    const wchar_t* face = L"MS Sans Serif";
    int pixelHeight = 11;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    // Any fixed-pitch face where the face named is missing.
    bool fixedPitch = false;
    bool operator==(const FontStyle& o) const {
        return std::wstring_view(face) == o.face && pixelHeight == o.pixelHeight &&
               bold == o.bold && italic == o.italic && underline == o.underline &&
               fixedPitch == o.fixedPitch;
    }
};
// The design's sizes are pixels at 96 dots per inch; a window on a screen
// of more dots draws them larger by the same factor.
constexpr int kDesignDpi = 96;
inline int ScaleToDpi(int pixels, int dpi) {
    return ::MulDiv(pixels, dpi, kDesignDpi);
}
// The dots per inch a window is shown at: its monitor's where the system
// tells it per window, else the screen's.
int WindowDpi(HWND hwnd);
// The font at the given dots per inch (its pixel height scaled from 96).
FontHandle CreateFontHandle(const FontStyle& font, int dpi = kDesignDpi);

// ---- Controls ---------------------------------------------------------------

class Control;

// What a control reports to its form, which runs the handler bound to it.
enum class Event {
    Click,     // button, check box, menu-less click on a list row
    Change,    // combo box selection, tab change, a list view row newly selected
    MouseDown, // any mouse button pressed over a list, after the list saw it;
               // also the space bar, as a press on the focused row; a
               // splitter being pressed
    ItemCheck, // the user toggled the box of row args.item of a check list
    Notify,    // a Notifier was nudged from another thread
    Select,    // a list view row's selection changed either way (the keyboard,
               // the mouse, all rows at once)
};

struct EventArgs {
    POINT pt{};    // client position of a mouse press; a splitter's distance
    UINT button{}; // WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN or WM_KEYDOWN
    int item = -1; // the row of an ItemCheck
};

// How a control is made: its name (by which the form finds it), its parent
// (the form itself when nullptr), its bounds, its first caption, styles
// beyond those of its kind, and its tag.
struct ControlArgs {
    std::string_view name;
    Control* parent = nullptr;
    int left = 0, top = 0, width = 10, height = 10;
    std::string_view caption = {};
    DWORD style = 0;
    DWORD exStyle = 0;
    int tag = 0;
    // Made without WS_VISIBLE: shown later by SetVisible.
    bool hidden = false;
};

// The window class and the default styles of a kind of control.
struct WindowKind {
    const wchar_t* windowClass;
    DWORD style = 0;
    DWORD exStyle = 0;
};

// The window class of panels: a plain window that the form registers.
extern const wchar_t kPanelClass[];

// What every wrapped control has: handle, name, tag, bounds, caption, hint,
// enabling and the colours a label or check box paints with.
//
// A control carries its own behaviour: every message of its window passes
// through HandleMessage first, which a kind of control overrides for what
// it does beyond its window class (CallBase lets the class handle the
// message, Raise reports an event to the form's handlers).
class Control {
  public:
    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control();

    HWND Handle() const { return hwnd_; }
    const std::string& Name() const { return name_; }
    int Tag = 0;

    // Bounds relative to the parent's client area.
    RECT Bounds() const;
    int Left() const { return Bounds().left; }
    int Top() const { return Bounds().top; }
    int Width() const;
    int Height() const;
    int ClientWidth() const;
    int ClientHeight() const;
    void SetBounds(int left, int top, int width, int height);
    void SetLeft(int left);
    void SetWidth(int width);

    void SetCaption(std::string_view ansi);
    std::string Caption() const;
    void SetEnabled(bool enabled) { ::EnableWindow(hwnd_, enabled ? TRUE : FALSE); }
    bool Enabled() const { return ::IsWindowEnabled(hwnd_) != FALSE; }
    // The control's own visibility flag: whether it shows whenever its
    // parents do (IsWindowVisible also asks the parents).
    bool VisibleStyle() const { return (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }
    void SetVisible(bool v) { ::ShowWindow(hwnd_, v ? SW_SHOW : SW_HIDE); }
    void SetFont(HFONT font) { ::SendMessageW(hwnd_, WM_SETFONT, (WPARAM)font, TRUE); }
    // Moves the control in front of its siblings.
    void BringToFront();
    // Moves it behind its siblings: the last of them the Tab key reaches.
    void SendToBack();

    // The tool tip text; the form's tool tip shows it unless ShowHint is off
    // (the text is kept all the same).
    const std::string& Hint() const { return hint_; }
    bool ShowHint = true;

    // Text colour for labels and check boxes; CLR_INVALID keeps the system's.
    COLORREF TextColor = CLR_INVALID;
    // The mouse cursor over the control; nullptr keeps the class's.
    HCURSOR Cursor = nullptr;

    // What assistive technology reads beyond the system's proxy for the
    // window class (ui/Accessible.h): a name for a control that has neither
    // text of its own nor a label before it; empty leaves the name to the
    // proxy.
    void SetAccessibleName(std::string_view ansi) { accessibleName_ = std::string(ansi); }
    const std::string& AccessibleName() const { return accessibleName_; }
    // The rows of a control that draws them itself: their number (-1: the
    // proxy knows the rows), each row's text, state (STATE_SYSTEM_ flags)
    // and bounds in client coordinates.
    virtual int AccessibleItemCount() const { return -1; }
    virtual std::string AccessibleItemName(int) const { return {}; }
    virtual long AccessibleItemState(int) const { return 0; }
    virtual RECT AccessibleItemRect(int) const { return {}; }
    // What a row shows beyond its name (its picture in words, its other
    // columns); empty when nothing.
    virtual std::string AccessibleItemDescription(int) const { return {}; }
    // The value of a control that draws its text itself; nothing leaves it
    // to the proxy.
    virtual std::optional<std::string> AccessibleValue() const { return std::nullopt; }
    // Whether the control answers for itself rather than leave it all to
    // the proxy.
    virtual bool Speaks() const { return !accessibleName_.empty() || AccessibleItemCount() >= 0; }
    // The control whose window the form hooked, or nullptr (a window of
    // another kind, or one that is gone).
    static Control* FromHandle(HWND handle);

    // Each kind of control knows its window class and default styles.
    virtual WindowKind Kind() const = 0;
    // An owner-drawn control paints one of its items; true when it did.
    virtual bool DrawItem(const DRAWITEMSTRUCT&) { return false; }

  protected:
    // Called once the window exists and has the form's font.
    virtual void Created() {}
    // The control's own handling of a message of its window, before its
    // window class sees it: the result when the control dealt with it,
    // nothing to hand the message on to the class.
    virtual std::optional<LRESULT> HandleMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/) {
        return std::nullopt;
    }
    // The window class's own handling of a message.
    LRESULT CallBase(UINT msg, WPARAM wp, LPARAM lp) const;
    // Reports an event of this control to the handler its form has bound
    // to it; nothing happens once the window is gone.
    void Raise(Event event, const EventArgs& args = {});
    // The form the control was created on, or nullptr before that.
    Form* Owner() const { return form_; }

    HWND hwnd_ = nullptr;

  private:
    // The form makes the window and hooks it (Attach); it forgets the handle
    // when it destroys its window.
    friend class Form;
    // Routes the window's messages through HandleMessage.
    void Attach();
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);

    std::string name_;
    std::string hint_;
    std::string accessibleName_;
    Form* form_ = nullptr;
    // The window procedure of the control's class, which Attach replaced.
    WNDPROC baseProc_ = nullptr;
};

// A control that holds others: it hands its children's notifications and
// colour requests up to the form, so that the form's window procedure is the
// only place that sees them, gives a child that has a cursor of its own that
// cursor, and paints its background as EraseBackground says.
class Container : public Control {
  protected:
    // Paints the background; true when it did (false leaves it to the class).
    virtual bool EraseBackground(HDC, const RECT&, HBRUSH) const { return false; }
    std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

// A plain container with the form's background; may draw an etched frame.
class Panel : public Container {
  public:
    bool Framed = false;
    WindowKind Kind() const override { return {kPanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT}; }

  protected:
    bool EraseBackground(HDC dc, const RECT& r, HBRUSH brush) const override;
};

class Label : public Control {
  public:
    WindowKind Kind() const override { return {L"STATIC", SS_LEFT | SS_NOPREFIX}; }
};

// A bitmap shown in a static control; owns the bitmap.
class Image : public Control {
  public:
    WindowKind Kind() const override { return {L"STATIC", SS_BITMAP}; }
    void SetBitmap(BitmapHandle bitmap);

  private:
    BitmapHandle bitmap_;
};

// A flat push button, as every button of the program is drawn.
class Button : public Control {
  public:
    WindowKind Kind() const override { return {L"BUTTON", BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP}; }
    void Click() { ::SendMessageW(hwnd_, BM_CLICK, 0, 0); }
};

// A flat button that stays pressed until it is clicked again: a click
// changes its state before the click handler runs.
class ToggleButton : public Button {
  public:
    WindowKind Kind() const override {
        return {L"BUTTON", BS_AUTOCHECKBOX | BS_PUSHLIKE | BS_FLAT | WS_TABSTOP};
    }
    bool Down() const { return Button_GetCheck(hwnd_) == BST_CHECKED; }
    void SetDown(bool down) { Button_SetCheck(hwnd_, down ? BST_CHECKED : BST_UNCHECKED); }
};

class CheckBox : public Control {
  public:
    WindowKind Kind() const override { return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP}; }
    bool Checked() const { return Button_GetCheck(hwnd_) == BST_CHECKED; }
    void SetChecked(bool c) { Button_SetCheck(hwnd_, c ? BST_CHECKED : BST_UNCHECKED); }
    void Click() { ::SendMessageW(hwnd_, BM_CLICK, 0, 0); }
};

class GroupBox : public Container {
  public:
    WindowKind Kind() const override {
        return {L"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    }

  protected:
    bool EraseBackground(HDC dc, const RECT& r, HBRUSH brush) const override;
};

// A single-line edit; its text is the caption.
class Edit : public Control {
  public:
    WindowKind Kind() const override {
        return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    }
    void SetMaxLength(int chars) { ::SendMessageW(hwnd_, EM_LIMITTEXT, chars, 0); }
};

// A multi-line edit holding the lines of a text file: no word wrap, both
// scroll bars, Enter and Tab typed into the text, no limit on its length.
class Memo : public Control {
  public:
    WindowKind Kind() const override {
        return {L"EDIT",
                ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_WANTRETURN | WS_HSCROLL |
                    WS_VSCROLL,
                WS_EX_CLIENTEDGE};
    }
    // The lines as they are shown; a final line end adds no empty line.
    std::vector<std::string> Lines() const;
    void SetLines(const std::vector<std::string>& lines);
    bool Modified() const { return ::SendMessageW(hwnd_, EM_GETMODIFY, 0, 0) != 0; }
    void SetModified(bool m) { ::SendMessageW(hwnd_, EM_SETMODIFY, m ? TRUE : FALSE, 0); }
};

// A drop-down list without free text.
class ComboBox : public Control {
  public:
    WindowKind Kind() const override {
        return {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP};
    }
    void Clear() { ComboBox_ResetContent(hwnd_); }
    void Add(std::string_view ansi);
    int Count() const { return ComboBox_GetCount(hwnd_); }
    std::string Item(int i) const;
    int ItemIndex() const { return ComboBox_GetCurSel(hwnd_); }
    void SetItemIndex(int i) { ComboBox_SetCurSel(hwnd_, i); }
};

// A progress bar: a position between a minimum and a maximum that StepIt
// moves by the step. The platform starts over from the minimum when a step
// passes the maximum.
class ProgressBar : public Control {
  public:
    WindowKind Kind() const override { return {PROGRESS_CLASSW, 0}; }
    void SetRange(int min, int max) { ::SendMessageW(hwnd_, PBM_SETRANGE32, min, max); }
    int Min() const { return static_cast<int>(::SendMessageW(hwnd_, PBM_GETRANGE, TRUE, 0)); }
    int Max() const { return static_cast<int>(::SendMessageW(hwnd_, PBM_GETRANGE, FALSE, 0)); }
    void SetStep(int step) { ::SendMessageW(hwnd_, PBM_SETSTEP, step, 0); }
    int Position() const { return static_cast<int>(::SendMessageW(hwnd_, PBM_GETPOS, 0, 0)); }
    void SetPosition(int pos) { ::SendMessageW(hwnd_, PBM_SETPOS, pos, 0); }
    void StepIt() { ::SendMessageW(hwnd_, PBM_STEPIT, 0, 0); }
};

// A list in report view without column headers. It reports every mouse
// press (and the space bar) as Event::MouseDown after it has handled it
// itself, so that a click on a row's check box has toggled it already.
class ListView : public Control {
  public:
    WindowKind Kind() const override {
        return {WC_LISTVIEWW,
                LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_NOSORTHEADER | LVS_SHOWSELALWAYS |
                    LVS_SHAREIMAGELISTS | WS_TABSTOP,
                WS_EX_CLIENTEDGE};
    }
    void SetExtendedStyle(DWORD style) { ListView_SetExtendedListViewStyle(hwnd_, style); }
    int Count() const { return ListView_GetItemCount(hwnd_); }
    void Clear() { ListView_DeleteAllItems(hwnd_); }
    void BeginUpdate() { ::SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0); }
    void EndUpdate();
    void AddColumn(int width);
    int ColumnCount() const;
    int ColumnWidth(int c) const { return ListView_GetColumnWidth(hwnd_, c); }
    void SetColumnWidth(int c, int w) { ListView_SetColumnWidth(hwnd_, c, w); }
    // Two columns of captions and values: the first as wide as its widest
    // text needs with margin pixels beside it (never below least, so that no
    // caption is cut whatever the font), the second the rest of the width or
    // as wide as its widest text needs.
    void FitCaptionColumn(int least, int margin);
    void SetImageList(HIMAGELIST list) { ListView_SetImageList(hwnd_, list, LVSIL_SMALL); }
    // Appends a row; returns its index.
    int AddItem(std::string_view caption, std::string_view detail, bool checked, int image);
    // Sets the check marks of the first rows, one per element (non-zero:
    // ticked), in as few messages as it can: a list filled with mostly
    // ticked rows is ticked whole at once and the others unticked.
    void SetCheckMarks(const std::vector<char>& ticked);
    std::string ItemText(int row, int column) const;
    void SetItemText(int row, int column, std::string_view text);
    // A column's name: the header is hidden, but a screen reader reads it.
    void SetColumnText(int column, std::string_view text);
    void DeleteItem(int row) { ListView_DeleteItem(hwnd_, row); }
    bool Checked(int row) const { return ListView_GetCheckState(hwnd_, row) != FALSE; }
    void SetChecked(int row, bool c) { ListView_SetCheckState(hwnd_, row, c ? TRUE : FALSE); }
    int ItemImage(int row) const;
    // The selected row, or -1.
    int Selected() const { return ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); }
    void Select(int row);
    RECT ItemRect(int row) const;
    // The row at a client position, or -1.
    int RowAt(POINT pt) const;
    // Rows can be dragged onto other controls of the form: pulling a row
    // with the left button pressed starts the form's drag (see Form).
    bool AutoDrag = false;

    // What each picture of the rows means, by its place in the image list.
    // A list whose pictures carry meaning (a mark, not an icon of a file)
    // names them: then it answers a screen reader for its rows itself, each
    // row read by its first column, described by its picture's word and its
    // other columns, its tick and selection as its state.
    void SetImageNames(std::vector<std::string> names) { imageNames_ = std::move(names); }
    int AccessibleItemCount() const override { return imageNames_.empty() ? -1 : Count(); }
    std::string AccessibleItemName(int row) const override { return ItemText(row, 0); }
    long AccessibleItemState(int row) const override;
    RECT AccessibleItemRect(int row) const override { return ItemRect(row); }
    std::string AccessibleItemDescription(int row) const override;

  protected:
    std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    std::vector<std::string> imageNames_;
};

// A window nobody sees, through which a worker thread tells the form's
// thread that something is waiting: Post() may be called from any thread and
// raises Event::Notify on the form's thread, once per post. Nudges still
// queued when the window goes are dropped with it, so what a worker hands
// over belongs in the owner's own locked list, never in the message.
class Notifier : public Control {
  public:
    WindowKind Kind() const override { return {L"STATIC", 0, 0}; }
    void Post() const;

  protected:
    std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

// A list of texts with a check box in front of each, in the order given (it
// never sorts). The marks are held here and the rows are drawn from them;
// the list box holds the texts as well, so that a screen reader or any other
// program reads every row by LB_GETTEXT. A
// click on a box or the space bar toggles the mark and reports
// Event::ItemCheck with the row.
class CheckListBox : public Control {
  public:
    WindowKind Kind() const override {
        return {L"LISTBOX",
                LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY |
                    WS_VSCROLL | WS_TABSTOP,
                WS_EX_CLIENTEDGE};
    }
    // Shows these texts, every mark cleared.
    void SetItems(std::vector<std::string> items);
    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& Item(int i) const { return items_[static_cast<size_t>(i)]; }
    bool Checked(int i) const { return i >= 0 && i < Count() && checked_[size_t(i)] != 0; }
    // Sets a mark as the program decides; no event follows.
    void SetChecked(int i, bool c);
    void SetAllChecked(bool c);
    // The selected row, or -1.
    int ItemIndex() const;
    void SetItemIndex(int i);
    RECT ItemRect(int i) const;
    // The row at a client position, or -1.
    int RowAt(POINT pt) const;
    // Whether a client position lies on the check box of its row.
    bool OnCheckBox(POINT pt) const;
    // The row the space bar acts on, or -1.
    int FocusedRow() const;
    // The mark of a row as the user toggles it.
    void Toggle(int i);

    bool DrawItem(const DRAWITEMSTRUCT& item) override;

    // A screen reader reads each row's text and whether it is ticked: the
    // system's list box proxy knows no marks of a list that draws itself.
    int AccessibleItemCount() const override { return Count(); }
    std::string AccessibleItemName(int i) const override;
    long AccessibleItemState(int i) const override;
    RECT AccessibleItemRect(int i) const override { return ItemRect(i); }

  protected:
    void Created() override;
    std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void FitRowsToFont();
    int BoxSize() const;
    // Toggles a row's mark as the user does and reports it.
    void UserToggled(int row);
    std::vector<std::string> items_;
    std::vector<char> checked_;
};

// A bar between two parts of a panel that the user pulls up or down. It
// reports Event::MouseDown when pressed and then Event::Change at every
// move, with args.pt.y the distance from the press (negative: upwards); the
// form moves the parts. The keyboard reaches it as well: with the focus on
// it (a dotted frame shows it) each Up or Down arrow is a press and a move
// by KeyStep pixels.
class Splitter : public Control {
  public:
    WindowKind Kind() const override { return {kPanelClass, WS_TABSTOP}; }
    // The distance of one arrow key, in the design's pixels.
    static constexpr int KeyStep = 10;
    bool Dragging() const { return dragging_; }

  protected:
    std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    // The mouse position of a message in screen coordinates.
    int ScreenY(LPARAM at) const;
    bool dragging_ = false;
    int pressY_ = 0; // screen position of the press
};

class TabControl : public Container {
  public:
    WindowKind Kind() const override {
        return {WC_TABCONTROLW, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    }
    void AddTab(std::string_view ansi);
    void SetTabCaption(int i, std::string_view ansi);
    std::string TabCaption(int i) const;
    int TabCount() const { return TabCtrl_GetItemCount(hwnd_); }
    int TabIndex() const { return TabCtrl_GetCurSel(hwnd_); }
    void SetTabIndex(int i) { TabCtrl_SetCurSel(hwnd_, i); }
    // The area below the tab row, in the control's client coordinates.
    RECT DisplayRect() const;
};

// The first control inside the container that the Tab key stops at (shown
// within it, enabled, a tab stop), in the order of the keyboard; nullptr
// when there is none.
HWND FirstTabStop(HWND container);

// A list of images of one size, owning its HIMAGELIST.
class ImageList {
  public:
    void Create(int cx, int cy, int initial);
    // Adds an icon (the list copies it); returns its index or -1.
    int AddIcon(HICON icon) { return ImageList_AddIcon(list_.get(), icon); }
    int Count() const { return ImageList_GetImageCount(list_.get()); }
    void Clear() { ImageList_RemoveAll(list_.get()); }
    HIMAGELIST Handle() const { return list_.get(); }

  private:
    ImageListHandle list_;
};

// A window timer of a form, as the designer's non-visual timer: while it is
// enabled the form calls its handler every Interval() milliseconds (see
// Form::AddTimer).
class Timer {
  public:
    UINT Interval() const { return interval_; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // The id its WM_TIMER messages carry.
    UINT_PTR Id() const { return id_; }

  private:
    friend class Form;
    HWND hwnd_ = nullptr;
    UINT_PTR id_ = 0;
    UINT interval_ = 0;
    bool enabled_ = false;
};

// A popup menu with items identified by tag.
class PopupMenu {
  public:
    void Create();
    void AddItem(int tag, std::string_view caption, bool isDefault, bool radio);
    void SetItemCaption(int position, std::string_view caption);
    std::string ItemCaption(int position) const;
    int ItemCount() const { return ::GetMenuItemCount(menu_.get()); }
    HMENU Handle() const { return menu_.get(); }
    void SetItemEnabled(int position, bool enabled);
    bool ItemEnabled(int position) const;

  private:
    MenuHandle menu_;
};

} // namespace qv::ui
