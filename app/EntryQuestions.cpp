#include "app/EntryQuestions.h"

#include "model/AppModel.h"
#include "autostart/EntryMaintenance.h"
#include "autostart/Scanner.h"
#include "autostart/StickyPark.h"
#include "history/HistoryUndo.h"
#include "process/GuardWatch.h"
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
    PendingChange change(model.AppDir, ChangeKind::Delete, e.Caption.str(), {TouchOf(e)});
    const DeleteOutcome out = DeleteAtSource(e);
    // Also a failed deletion may have cleared a file's attributes: whatever
    // changed is recorded.
    change.Finish();
    if (out.deleted) {
        // Gone for good by the user's will: nothing is kept away any more.
        if (auto error = ForgetDeletedEntry(model, e)) ShowMessage(*error);
        return true;
    }
    if (!out.failure) return true;
    std::string message = ShownText(lines, *out.failure);
    if (out.fileHint) message += "\r" + lines[Lng::DeleteFileFailedHint];
    ShowMessage(message);
    return false;
}

bool ParkReturnedOnStart(AppModel& model) {
    const LanguageFile& lines = model.LanguageTable;
    StickyState state = LoadStickyList(model.AppDir);
    if (state.refused) return false;
    std::vector<AutostartEntry> active;
    for (const AutostartEntry& e : model.ASEntries)
        if (e.Active != 0) active.push_back(e);
    std::vector<AutostartEntry> returned;
    for (size_t i : KeptAwayEntries(state.list, active))
        returned.push_back(active[i]);
    if (returned.empty()) return false;
    std::string question = lines[Lng::StickyReturnedQuestion];
    for (const AutostartEntry& e : returned) {
        question += '\r';
        question += DescribeEntry(e, lines[GroupName(GroupOfByte(e.Group))]);
    }
    if (!Confirm(question)) return false;
    return !ParkReturnedEntries(model, returned, false).empty();
}

} // namespace qv
