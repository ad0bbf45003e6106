#include "history/EntryHistory.h"

#include "autostart/Inactive.h"
#include "base/Files.h"
#include "database/KnownEntries.h"
#include "history/HistoryStore.h"
#include "model/AppModel.h"

#include <exception>

namespace qv {

namespace {

bool IsStateChange(ChangeKind kind) {
    return kind == ChangeKind::Deactivate || kind == ChangeKind::Reactivate ||
           kind == ChangeKind::RePark;
}

bool SamePlace(const AutostartEntry& a, const AutostartEntry& b) {
    return a.Kind == b.Kind && a.FileName.view() == b.FileName.view() &&
           a.RootKey.view() == b.RootKey.view() && a.KeyPath.view() == b.KeyPath.view() &&
           a.ValueName.view() == b.ValueName.view();
}

// The entry of the list the record was about, in the state the change left
// it: the same data first (two kept versions of one place differ in it), else
// the same place, as a rescan lists a reactivated value.
std::optional<size_t> FindEntry(const AppModel& model, const AutostartEntry& wanted) {
    std::optional<size_t> samePlace;
    for (size_t i = 0; i < model.ASEntries.size(); ++i) {
        const AutostartEntry& e = model.ASEntries[i];
        if ((e.Active != 0) != (wanted.Active != 0) || !SamePlace(e, wanted)) continue;
        if (e.ValueData.view() == wanted.ValueData.view()) return i;
        if (!samePlace) samePlace = i;
    }
    return samePlace;
}

std::optional<AutostartEntry> DecodeOne(const std::string& bytes) {
    std::vector<AutostartEntry> records = DecodeRecords(bytes);
    if (records.size() != 1) return std::nullopt;
    return records[0];
}

UndoOutcome UndoStateChange(AppModel& model, const ChangeRecord& record) {
    const std::string& appDir = model.AppDir;
    UndoOutcome out = CheckUndo(record, appDir);
    if (out.result != UndoResult::Undone) return out;
    const ChangeTouch* entryTouch = nullptr;
    for (const ChangeTouch& t : record.touches)
        if (t.what == TouchWhat::Entry) entryTouch = &t;
    std::optional<AutostartEntry> left =
        entryTouch ? DecodeOne(entryTouch->after.bytes) : std::nullopt;
    if (!left) return {UndoResult::CannotUndo, record.caption};
    // Switched back in the list since, or gone from it: not ours to change.
    const std::optional<size_t> index = FindEntry(model, *left);
    if (!index) return {UndoResult::ChangedSince, record.caption};

    ChangeRecord undo;
    undo.undoOf = record.id;
    undo.caption = record.caption;
    for (const ChangeTouch& t : record.touches) {
        ChangeTouch back = t;
        if (t.what != TouchWhat::Entry) back.before = CurrentState(t, HistoryCopiesFolder(appDir));
        undo.touches.push_back(std::move(back));
    }
    const AutostartEntry now = model.ASEntries[*index];
    if (!SetEntryActive(model, *index, now.Active == 0)) {
        for (ChangeTouch& t : undo.touches)
            if (t.what == TouchWhat::File && !t.before.bytes.empty())
                RemoveFile(HistoryCopiesFolder(appDir) + t.before.bytes);
        return {UndoResult::Failed, record.caption};
    }
    // The state change keeps the kept entries and files in step; what it
    // writes back (a plain string value, a copy with new times) is then made
    // exactly what was there.
    for (const ChangeTouch& t : record.touches)
        if (!AsBefore(t) && !PutBack(t, appDir)) out = {UndoResult::Failed, t.place};
    for (ChangeTouch& t : undo.touches) {
        if (t.what != TouchWhat::Entry) {
            TakeAfter(t);
            continue;
        }
        std::swap(t.before, t.after);
        AutostartEntry after = model.ASEntries[*index];
        t.after.bytes.clear();
        AppendRecord(t.after.bytes, after);
    }
    if (out.result == UndoResult::Failed) undo.undoOf = 0;
    if (RecordUndo(appDir, std::move(undo)) != HistoryFault::None)
        return {UndoResult::HistoryRefused, HistoryPath(appDir)};
    return out;
}

} // namespace

ChangeTouch EntryTouch(const AutostartEntry& before, const AutostartEntry& after) {
    ChangeTouch t;
    t.what = TouchWhat::Entry;
    t.place = before.FileName.str();
    t.key = before.KeyPath.str();
    t.name = before.ValueName.str();
    t.before.exists = t.after.exists = true;
    AppendRecord(t.before.bytes, before);
    AppendRecord(t.after.bytes, after);
    return t;
}

bool SetEntryActiveRecorded(AppModel& model, size_t index, bool active,
                            std::optional<ChangeKind> kind) {
    return ChangeEntryActiveRecorded(model, index, active, kind) == Change::Done;
}

Change ChangeEntryActiveRecorded(AppModel& model, size_t index, bool active,
                                 std::optional<ChangeKind> kind) {
    if (index >= model.ASEntries.size()) return Change::Failed;
    const AutostartEntry before = model.ASEntries[index];
    ChangeRecord change = BeginChange(
        model.AppDir, kind.value_or(active ? ChangeKind::Reactivate : ChangeKind::Deactivate),
        before.Caption.str(), {TouchOf(before)});
    Change result = Change::Failed;
    try {
        result = ChangeEntryActive(model, index, active);
    } catch (...) {
        FinishChange(model.AppDir, std::move(change));
        throw;
    }
    if (result == Change::Done)
        change.touches.push_back(EntryTouch(before, model.ASEntries[index]));
    try {
        // A failed change leaves the things as they were: nothing is
        // recorded and the copies taken go again.
        FinishChange(model.AppDir, std::move(change));
    } catch (const std::exception&) {
        // The history file could not be replaced: the change stands, the
        // history dialog tells of a history it cannot read.
    }
    return result;
}

ChangeTouch KnownEntriesTouch(const std::string& appDir) {
    ChangeTouch t;
    t.what = TouchWhat::File;
    t.place = appDir + kKnownEntriesFile;
    return t;
}

UndoOutcome UndoChange(AppModel& model, uint32_t id) {
    HistoryLoad load = LoadHistory(model.AppDir);
    if (load.fault != HistoryFault::None)
        return {UndoResult::HistoryRefused, HistoryPath(model.AppDir)};
    const ChangeRecord* record = load.history.Find(id);
    if (!record) return {};
    if (IsStateChange(record->kind)) return UndoStateChange(model, *record);
    const ChangeKind kind = record->kind;
    UndoOutcome out = UndoChange(model.AppDir, id);
    if (out.result == UndoResult::Undone &&
        (kind == ChangeKind::KnownAdd || kind == ChangeKind::KnownRemove))
        LoadKnownEntries(model.ASEntryDB, model.AppDir);
    return out;
}

} // namespace qv
