#include "app/EntryQuestions.h"

#include "model/AppModel.h"
#include "autostart/EntryMaintenance.h"
#include "autostart/Scanner.h"
#include "history/HistoryUndo.h"
#include "ui/Dialogs.h"

namespace qv {

std::string SystemEntryWarning(const LanguageFile& lines) {
    return lines[Lng::SystemEntryWarning1] + "\r" + lines[Lng::SystemEntryWarning2] + "\r" +
           lines[Lng::SystemEntryWarning3];
}

bool DeleteEntry(const AppModel& model, const AutostartEntry& e) {
    const LanguageFile& lines = model.LanguageTable;
    const std::optional<LineText> question = DeletionQuestion(e);
    if (!question) return true;
    // Anything but OK keeps the entry; the list is still rescanned.
    if (!Confirm(ShownText(lines, *question))) return true;
    if (IsExplorerShellLine(e, model.WindowsDir) &&
        MessageDlg({lines[Lng::ExplorerShellWarning], "Warnung", MsgKind::Warning,
                    BtnOk | BtnCancel}) != MsgResult::Ok)
        return true;
    ChangeRecord change =
        BeginChange(model.AppDir, ChangeKind::Delete, e.Caption.str(), {TouchOf(e)});
    const DeleteOutcome out = DeleteAtSource(e);
    // Also a failed deletion may have cleared a file's attributes: whatever
    // changed is recorded.
    FinishChange(model.AppDir, std::move(change));
    if (out.deleted || !out.failure) return true;
    std::string message = ShownText(lines, *out.failure);
    if (out.fileHint) message += "\r" + lines[Lng::DeleteFileFailedHint];
    ShowMessage(message);
    return false;
}

} // namespace qv
