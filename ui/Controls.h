#pragma once
// Thin wrappers over the Win32 controls: one small struct per kind of control,
// each holding its window handle, its name (so that a form can find it by
// name) and its tag. Texts are ANSI at this interface; the conversion to the
// Unicode windows happens inside, through WinText.
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include "base/Handles.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv::ui {

class Form;
LRESULT CALLBACK ContainerSubclass(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListSubclass(HWND, UINT, WPARAM, LPARAM);

// ---- RAII owners for the GDI and common-control handles --------------------

struct FontTraits {
    static HFONT Invalid() { return nullptr; }
    static bool Valid(HFONT h) { return h != nullptr; }
    static void Close(HFONT h) { ::DeleteObject(h); }
};
using FontHandle = UniqueResource<HFONT, FontTraits>;

struct BitmapTraits {
    static HBITMAP Invalid() { return nullptr; }
    static bool Valid(HBITMAP h) { return h != nullptr; }
    static void Close(HBITMAP h) { ::DeleteObject(h); }
};
using BitmapHandle = UniqueResource<HBITMAP, BitmapTraits>;

struct BrushTraits {
    static HBRUSH Invalid() { return nullptr; }
    static bool Valid(HBRUSH h) { return h != nullptr; }
    static void Close(HBRUSH h) { ::DeleteObject(h); }
};
using BrushHandle = UniqueResource<HBRUSH, BrushTraits>;

struct ImageListTraits {
    static HIMAGELIST Invalid() { return nullptr; }
    static bool Valid(HIMAGELIST h) { return h != nullptr; }
    static void Close(HIMAGELIST h) { ::ImageList_Destroy(h); }
};
using ImageListHandle = UniqueResource<HIMAGELIST, ImageListTraits>;

struct MenuTraits {
    static HMENU Invalid() { return nullptr; }
    static bool Valid(HMENU h) { return h != nullptr; }
    static void Close(HMENU h) { ::DestroyMenu(h); }
};
using MenuHandle = UniqueResource<HMENU, MenuTraits>;

// A font given as the form designer gives it: a face and a character height
// in pixels (not points), so the layout stays the designed one.
struct FontSpec {
    const wchar_t* face = L"MS Sans Serif";
    int pixelHeight = 11;
    bool bold = false;
    bool italic = false;
};
FontHandle CreateFontHandle(const FontSpec& font);

// ---- Controls ---------------------------------------------------------------

// What every wrapped control has: handle, name, tag, bounds, caption, hint,
// enabling and the colours a label or check box paints with.
class Control {
  public:
    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

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
    bool Visible() const { return ::IsWindowVisible(hwnd_) != FALSE; }
    void SetFont(HFONT font) { ::SendMessageW(hwnd_, WM_SETFONT, (WPARAM)font, TRUE); }
    // Moves the control in front of its siblings.
    void BringToFront();
    void Repaint() { ::InvalidateRect(hwnd_, nullptr, TRUE); }

    // The tool tip text; the form's tool tip shows it.
    const std::string& Hint() const { return hint_; }

    // Text colour for labels and check boxes; CLR_INVALID keeps the system's.
    COLORREF TextColor = CLR_INVALID;
    // The mouse cursor over the control; nullptr keeps the class's.
    HCURSOR Cursor = nullptr;

  protected:
    friend class Form;
    friend LRESULT CALLBACK ContainerSubclass(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK ListSubclass(HWND, UINT, WPARAM, LPARAM);
    HWND hwnd_ = nullptr;
    std::string name_;
    std::string hint_;
    Form* form_ = nullptr;
    // The window procedure this control had before the form subclassed it.
    WNDPROC baseProc_ = nullptr;
};

// A plain container with the form's background; may draw an etched frame.
class Panel : public Control {
  public:
    bool Framed = false;
};

class Label : public Control {};

// A bitmap shown in a static control; owns the bitmap.
class Image : public Control {
  public:
    void SetBitmap(BitmapHandle bitmap);
    HBITMAP Bitmap() const { return bitmap_.get(); }

  private:
    BitmapHandle bitmap_;
};

// Push buttons, flat buttons and toggle buttons.
class Button : public Control {
  public:
    void Click() { ::SendMessageW(hwnd_, BM_CLICK, 0, 0); }
    // Toggle buttons only.
    bool Down() const { return Button_GetCheck(hwnd_) == BST_CHECKED; }
    void SetDown(bool down) { Button_SetCheck(hwnd_, down ? BST_CHECKED : BST_UNCHECKED); }
};

class CheckBox : public Control {
  public:
    bool Checked() const { return Button_GetCheck(hwnd_) == BST_CHECKED; }
    void SetChecked(bool c) { Button_SetCheck(hwnd_, c ? BST_CHECKED : BST_UNCHECKED); }
    void Click() { ::SendMessageW(hwnd_, BM_CLICK, 0, 0); }
};

class GroupBox : public Control {};

// A single-line edit; its text is the caption.
class Edit : public Control {};

// A multi-line edit holding the lines of a text file.
class Memo : public Control {
  public:
    // The lines as they are shown; a final line end adds no empty line.
    std::vector<std::string> Lines() const;
    void SetLines(const std::vector<std::string>& lines);
    bool Modified() const { return ::SendMessageW(hwnd_, EM_GETMODIFY, 0, 0) != 0; }
    void SetModified(bool m) { ::SendMessageW(hwnd_, EM_SETMODIFY, m ? TRUE : FALSE, 0); }
};

class ComboBox : public Control {
  public:
    void Clear() { ComboBox_ResetContent(hwnd_); }
    void Add(std::string_view ansi);
    int Count() const { return ComboBox_GetCount(hwnd_); }
    std::string Item(int i) const;
    int ItemIndex() const { return ComboBox_GetCurSel(hwnd_); }
    void SetItemIndex(int i) { ComboBox_SetCurSel(hwnd_, i); }
};

class ListView : public Control {
  public:
    int Count() const { return ListView_GetItemCount(hwnd_); }
    void Clear() { ListView_DeleteAllItems(hwnd_); }
    void BeginUpdate() { ::SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0); }
    void EndUpdate();
    void SetItemCountHint(int n) { ListView_SetItemCountEx(hwnd_, n, LVSICF_NOINVALIDATEALL); }
    void AddColumn(int width);
    int ColumnCount() const;
    int ColumnWidth(int c) const { return ListView_GetColumnWidth(hwnd_, c); }
    void SetColumnWidth(int c, int w) { ListView_SetColumnWidth(hwnd_, c, w); }
    void SetImageList(HIMAGELIST list) { ListView_SetImageList(hwnd_, list, LVSIL_SMALL); }
    // Appends a row; returns its index.
    int AddItem(std::string_view caption, std::string_view detail, bool checked, int image);
    std::string ItemText(int row, int column) const;
    bool Checked(int row) const { return ListView_GetCheckState(hwnd_, row) != FALSE; }
    void SetChecked(int row, bool c) { ListView_SetCheckState(hwnd_, row, c ? TRUE : FALSE); }
    int ItemImage(int row) const;
    // The selected row, or -1.
    int Selected() const { return ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); }
    void Select(int row);
    RECT ItemRect(int row) const;
    // The row at a client position, or -1.
    int RowAt(POINT pt) const;
};

class TabControl : public Control {
  public:
    void AddTab(std::string_view ansi);
    void SetTabCaption(int i, std::string_view ansi);
    std::string TabCaption(int i) const;
    int TabCount() const { return TabCtrl_GetItemCount(hwnd_); }
    int TabIndex() const { return TabCtrl_GetCurSel(hwnd_); }
    void SetTabIndex(int i) { TabCtrl_SetCurSel(hwnd_, i); }
    // The area below the tab row, in the control's client coordinates.
    RECT DisplayRect() const;
};

// A list of images of one size, owning its HIMAGELIST.
class ImageList {
  public:
    void Create(int cx, int cy, int initial);
    // Adds an icon (the list copies it); returns its index or -1.
    int AddIcon(HICON icon) { return ImageList_AddIcon(list_.get(), icon); }
    int Count() const { return ImageList_GetImageCount(list_.get()); }
    HIMAGELIST Handle() const { return list_.get(); }

  private:
    ImageListHandle list_;
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
    // The tag of the item at a position.
    int ItemTag(int position) const;

  private:
    MenuHandle menu_;
};

} // namespace qv::ui
