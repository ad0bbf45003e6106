#pragma once
// The one seam through which every message box, question and file dialog of
// the program passes. The real implementation shows Windows dialogs; tests
// install a handler that answers from a script, so no test ever blocks.
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace qv {

enum class MsgKind { Plain, Information, Warning, Error, Question };
enum MsgButton : unsigned { BtnOk = 1, BtnCancel = 2, BtnYes = 4, BtnNo = 8 };
enum class MsgResult { Ok, Cancel, Yes, No };

struct MessageRequest {
    std::string text;    // ANSI
    std::string caption; // empty: the application title
    MsgKind kind = MsgKind::Plain;
    unsigned buttons = BtnOk;
    // The button Enter chooses: the first of `buttons` when 0.
    MsgButton defaultButton = MsgButton(0);
};

struct FileDialogRequest {
    std::string title;
    std::string filter; // "Name|*.ext|Name|*.*" as in the form designer
    std::string defaultExt;
    std::string initialName;
    bool multiSelect = false;
    bool mustExist = false;       // open: path and files must exist
    bool overwritePrompt = false; // save: ask before replacing
};

class DialogHandler {
  public:
    virtual ~DialogHandler() = default;
    virtual MsgResult Message(const MessageRequest& request) = 0;
    // Chosen files, in the dialog's order; empty when cancelled.
    virtual std::vector<std::string> OpenFiles(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
};

// Installs a handler (tests); nullptr restores the real dialogs.
DialogHandler* SetDialogHandler(DialogHandler* handler); // returns the previous one
// Owner window for the real dialogs (the main window once it exists).
void SetDialogOwner(void* hwnd);

MsgResult MessageDlg(const MessageRequest& request);
// A plain modal message with an OK button.
void ShowMessage(const std::string& text);
// A question with OK and Cancel; true for OK.
bool Confirm(const std::string& text);
// A warning with the OK button only.
void ShowWarning(const std::string& text);
std::vector<std::string> OpenFilesDialog(const FileDialogRequest& request);
std::optional<std::string> SaveFileDialog(const FileDialogRequest& request);

// The general error handler: shows the exception's message in an error box;
// the program goes on.
void ReportException(const std::exception& e);
void ReportUnknownException();

// Runs f; any exception that escapes it goes to the general error handler.
// Returns false when one did.
template <class F> bool RunGuarded(F&& f) {
    try {
        f();
        return true;
    } catch (const std::exception& e) {
        ReportException(e);
    } catch (...) {
        ReportUnknownException();
    }
    return false;
}

} // namespace qv
