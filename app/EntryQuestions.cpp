#include "app/EntryQuestions.h"

#include "app/LanguageTable.h"
#include "autostart/EntryMaintenance.h"
#include "autostart/Scanner.h"
#include "ui/Dialogs.h"

namespace qv {

std::string SystemEntryWarning() {
    return LanguageTable[Lng::SystemEntryWarning1] + "\r" +
           LanguageTable[Lng::SystemEntryWarning2] + "\r" + LanguageTable[Lng::SystemEntryWarning3];
}

bool DeleteEntry(const AutostartEntry& e) {
    const std::optional<LineText> question = DeletionQuestion(e);
    if (!question) return true;
    // Anything but OK keeps the entry; the list is still rescanned.
    if (!Confirm(ShownText(LanguageTable, *question))) return true;
    if (IsExplorerShellLine(e, WindowsDir) &&
        MessageDlg({LanguageTable[Lng::ExplorerShellWarning], "Warnung", MsgKind::Warning,
                    BtnOk | BtnCancel}) != MsgResult::Ok)
        return true;
    const DeleteOutcome out = DeleteAtSource(e);
    if (out.deleted || !out.failure) return true;
    std::string message = ShownText(LanguageTable, *out.failure);
    if (out.fileHint) message += "\r" + LanguageTable[Lng::DeleteFileFailedHint];
    ShowMessage(message);
    return false;
}

} // namespace qv
