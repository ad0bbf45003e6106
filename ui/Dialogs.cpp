#include "ui/Dialogs.h"

#include "base/Handles.h"
#include "base/Product.h"
#include "base/WinText.h"

#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <utility>

namespace qv {

namespace {

// Who answers the dialogs and which window owns them: one of each for the
// whole process, as there is one user in front of it.
struct DialogSeam {
    DialogHandler* handler = nullptr;
    HWND owner = nullptr;
};
DialogSeam& Seam() {
    static DialogSeam seam;
    return seam;
}

UINT IconFlags(MsgKind kind) {
    switch (kind) {
    case MsgKind::Information:
        return MB_ICONINFORMATION;
    case MsgKind::Warning:
        return MB_ICONWARNING;
    case MsgKind::Error:
        return MB_ICONERROR;
    case MsgKind::Question:
        return MB_ICONQUESTION;
    case MsgKind::Plain:
        break;
    }
    return 0;
}

UINT ButtonFlags(unsigned buttons) {
    if ((buttons & BtnYes) && (buttons & BtnNo))
        return (buttons & BtnCancel) ? MB_YESNOCANCEL : MB_YESNO;
    if (buttons & BtnCancel) return MB_OKCANCEL;
    return MB_OK;
}

// The default button's place among the buttons the box shows, in their
// order: OK or Yes first, then No, then Cancel.
UINT DefaultButtonFlag(unsigned buttons, MsgButton chosen) {
    unsigned order[] = {BtnOk | BtnYes, BtnNo, BtnCancel};
    UINT place = 0;
    for (unsigned b : order) {
        if (!(buttons & b)) continue;
        if (chosen & b)
            return place == 0 ? MB_DEFBUTTON1 : place == 1 ? MB_DEFBUTTON2 : MB_DEFBUTTON3;
        ++place;
    }
    return MB_DEFBUTTON1;
}

// Turns "Name|*.a|Other|*.*" into the double-NUL list the dialog wants.
std::wstring FilterList(const std::string& filter) {
    std::wstring w = ToWide(filter);
    for (auto& c : w)
        if (c == L'|') c = L'\0';
    w.push_back(L'\0');
    w.push_back(L'\0');
    return w;
}

class RealDialogs : public DialogHandler {
  public:
    MsgResult Message(const MessageRequest& r) override {
        std::wstring text = ToWide(r.text);
        std::wstring caption = ToWide(r.caption.empty() ? kAppTitle : r.caption);
        int res = ::MessageBoxW(Seam().owner, text.c_str(), caption.c_str(),
                                IconFlags(r.kind) | ButtonFlags(r.buttons) |
                                    DefaultButtonFlag(r.buttons, r.defaultButton) | MB_TASKMODAL);
        switch (res) {
        case IDOK:
            return MsgResult::Ok;
        case IDYES:
            return MsgResult::Yes;
        case IDNO:
            return MsgResult::No;
        default:
            return MsgResult::Cancel;
        }
    }

    std::vector<std::string> OpenFiles(const FileDialogRequest& r) override {
        FileDialog d(r, 64 * 1024);
        d.ofn.Flags |= OFN_NONETWORKBUTTON | OFN_DONTADDTORECENT |
                       (r.multiSelect ? OFN_ALLOWMULTISELECT : 0) |
                       (r.mustExist ? OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST : 0);
        std::vector<std::string> files;
        EnsureComApartment();
        if (!::GetOpenFileNameW(&d.ofn)) return files;
        // Either one full path, or a folder followed by the file names.
        std::wstring first(d.buf.data());
        const wchar_t* p = d.buf.data() + first.size() + 1;
        if (*p == L'\0') {
            files.push_back(FromWide(first));
            return files;
        }
        std::wstring dir = first;
        if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
        while (*p) {
            std::wstring name(p);
            files.push_back(FromWide(dir + name));
            p += name.size() + 1;
        }
        return files;
    }

    std::optional<std::string> SaveFile(const FileDialogRequest& r) override {
        FileDialog d(r, MAX_PATH * 4);
        std::wstring init = ToWide(r.initialName);
        init.copy(d.buf.data(), std::min(init.size(), d.buf.size() - 1));
        d.ofn.Flags |= r.overwritePrompt ? OFN_OVERWRITEPROMPT : 0;
        EnsureComApartment();
        if (!::GetSaveFileNameW(&d.ofn)) return std::nullopt;
        return FromWide(d.buf.data());
    }

  private:
    // What the open and the save dialog share: owner, filter, title, default
    // extension and a file name buffer of the given size.
    struct FileDialog {
        std::vector<wchar_t> buf;
        std::wstring filter, title, ext;
        OPENFILENAMEW ofn{};
        FileDialog(const FileDialogRequest& r, size_t bufChars)
            : buf(bufChars, L'\0'), filter(FilterList(r.filter)), title(ToWide(r.title)),
              ext(ToWide(r.defaultExt)) {
            ofn.lStructSize = sizeof ofn;
            ofn.hwndOwner = Seam().owner;
            ofn.lpstrFilter = filter.c_str();
            ofn.nFilterIndex = 1;
            ofn.lpstrFile = buf.data();
            ofn.nMaxFile = static_cast<DWORD>(buf.size());
            ofn.lpstrTitle = title.c_str();
            ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
            ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
        }
        FileDialog(const FileDialog&) = delete;
        FileDialog& operator=(const FileDialog&) = delete;
    };
};

DialogHandler& Handler() {
    static RealDialogs real;
    return Seam().handler ? *Seam().handler : real;
}

} // namespace

DialogHandler* SetDialogHandler(DialogHandler* handler) {
    return std::exchange(Seam().handler, handler);
}
void SetDialogOwner(void* hwnd) {
    Seam().owner = static_cast<HWND>(hwnd);
}

MsgResult MessageDlg(const MessageRequest& request) {
    return Handler().Message(request);
}

void ShowMessage(const std::string& text) {
    MessageDlg({text, {}, MsgKind::Plain, BtnOk});
}

bool Confirm(const std::string& text) {
    return MessageDlg({text, "Best\xE4tigung", MsgKind::Question, BtnOk | BtnCancel}) ==
           MsgResult::Ok;
}

void ShowWarning(const std::string& text) {
    MessageDlg({text, "Warnung", MsgKind::Warning, BtnOk});
}

std::vector<std::string> OpenFilesDialog(const FileDialogRequest& request) {
    return Handler().OpenFiles(request);
}

std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) {
    return Handler().SaveFile(request);
}

void ReportException(const std::exception& e) {
    MessageDlg({e.what(), {}, MsgKind::Error, BtnOk});
}

void ReportUnknownException() {
    MessageDlg({"Unbekannter Fehler", {}, MsgKind::Error, BtnOk});
}

} // namespace qv
