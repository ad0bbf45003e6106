// The autostart page's commands on entries: the known-entries menus, the edit
// dialog, deleting at the source and the text file editor.
#include "app/AutostartPage.h"
#include "app/MainUnit.h"

#include "model/AppModel.h"
#include "app/EntryQuestions.h"

#include "autostart/ASEditUnit.h"
#include "autostart/TextfileEditUnit.h"
#include "database/KnownEntries.h"
#include "app/HistoryUnit.h"
#include "history/EntryHistory.h"
#include "history/HistoryUndo.h"
#include "database/KnownEntriesCommands.h"
#include "process/GuardInterface.h"
#include "ui/Dialogs.h"
#include "ui/Modal.h"

namespace qv {

const AutostartEntry* TAutostartPage::SelectedEntry() const {
    int row = ASList.Selected();
    if (row < 0 || static_cast<size_t>(row) >= ASListIndex.size()) return nullptr;
    size_t index = ASListIndex[static_cast<size_t>(row)];
    return index < model_.ASEntries.size() ? &model_.ASEntries[index] : nullptr;
}

void TAutostartPage::RescanKeepingGroup() {
    int group = SelectASGroupCombo.ItemIndex();
    RefreshAutostarts(true);
    SelectASGroupCombo.SetItemIndex(group);
    SelectASGroupComboChange();
}

// ---- Known-entries menus --------------------------------------------------------

void TAutostartPage::AddEntryToDBBtnClick(const ui::Button& sender) {
    // Tag 0 opens the add menu, tag 1 the remove menu, at the mouse cursor.
    ui::PopupMenu& menu = sender.Tag == 1 ? ASPM2 : ASPM1;
    ASPM1Popup(menu);
    POINT pt{};
    ::GetCursorPos(&pt);
    int tag = ui::TrackPopup(menu, pt, main_.Handle());
    if (tag > 0) AddSingleMenuClick(tag);
}

void TAutostartPage::ASPM1Popup(ui::PopupMenu& menu) {
    menu.SetItemEnabled(0, true);
    menu.SetItemEnabled(1, ASList.Selected() >= 0);
}

void TAutostartPage::AddSingleMenuClick(int tag) {
    const AutostartEntry* selected = SelectedEntry();
    if ((tag == AddSelectedTag || tag == DelSelectedTag) && !selected) return;
    const bool adds = tag == AddAllTag || tag == AddSelectedTag;
    ChangeRecord change =
        BeginChange(model_.AppDir, adds ? ChangeKind::KnownAdd : ChangeKind::KnownRemove,
                    selected && tag != AddAllTag && tag != DelAllTag
                        ? selected->Caption.str()
                        : model_.LanguageTable[Lng::HistoryAllEntries],
                    {KnownEntriesTouch(model_.AppDir)});
    if (!ApplyKnownEntriesCommand(model_, tag, selected)) {
        FinishChange(model_.AppDir, std::move(change)); // drops the copy it took
        return; // nothing changed: nothing saved, sent or redrawn
    }
    // A failed save is reported; the list still shows the database as it is
    // in memory.
    RunGuarded([this] { SaveKnownEntries(model_.ASEntryDB, model_.AppDir); });
    RunGuarded([&] { FinishChange(model_.AppDir, std::move(change)); });
    if (IsGuardRunning(model_.AppDir)) NotifyGuard(GuardMsgDatabaseChanged);
    model_.Changed(ModelChange::KnownEntries);
}

// ---- Editing and deleting -----------------------------------------------------------

void TAutostartPage::ASEditBtnClick() {
    const AutostartEntry* selected = SelectedEntry();
    if (!selected || RefusedEdit(*selected)) return;
    TASEditForm form(model_.LanguageTable);
    form.EditedEntry = *selected;
    PendingChange change(model_.AppDir, ChangeKind::Edit, selected->Caption.str(),
                         {TouchOf(*selected)});
    const int result = form.ShowModal();
    // A rename touches the new name too; before the edit it was missing.
    std::vector<ChangeTouch>& touches = change.Record().touches;
    if (result == ui::mrOk && selected->Kind == KindRegistry &&
        form.AppliedName != touches[0].name) {
        ChangeTouch renamed = touches[0];
        renamed.name = form.AppliedName;
        renamed.before = {};
        touches.push_back(renamed);
    }
    change.Finish();
    if (result != ui::mrOk) return;
    NotifyGuard(GuardMsgEntryEdited);
    RescanKeepingGroup();
}

void TAutostartPage::ASDelBtnClick() {
    const AutostartEntry* selected = SelectedEntry();
    if (!selected || RefusedEdit(*selected)) return;
    const AutostartEntry e = *selected;
    if (e.SourceFlag != 0) ShowWarning(SystemEntryWarning(model_.LanguageTable));
    if (DeleteEntry(model_, e)) RescanKeepingGroup();
}

void TAutostartPage::ASEditorBtnClick() {
    const AutostartEntry* selected = SelectedEntry();
    if (!selected) return;
    const AutostartEntry e = *selected;
    if (e.SourceFlag != 0) ShowWarning(SystemEntryWarning(model_.LanguageTable));
    TTextfileEditForm form(model_.LanguageTable);
    form.EditFileName = e.FileName.str();
    form.HistoryDir = model_.AppDir;
    form.ShowModal();
}

// ---- History ------------------------------------------------------------------------

void TAutostartPage::HistoryBtnClick() {
    THistoryForm form(model_);
    form.ShowModal();
    // The undos changed the machine behind the list's back: the entries are
    // scanned again, the guard hears of it like of an edit.
    if (form.UndoneKnownEntries) {
        if (IsGuardRunning(model_.AppDir)) NotifyGuard(GuardMsgDatabaseChanged);
        model_.Changed(ModelChange::KnownEntries);
    }
    if (form.UndoneEntries) {
        NotifyGuard(GuardMsgEntryEdited);
        RescanKeepingGroup();
    }
}

} // namespace qv
