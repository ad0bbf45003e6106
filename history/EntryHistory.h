#pragma once
// The changes of the model's entries in the history: deactivating,
// reactivating and parking again through SetEntryActive, recorded with the
// entry so that an undo finds it again; the known-entries database as the
// file it is kept in; and the one undo the windows call.
#include "autostart/AutostartEntry.h"
#include "autostart/Inactive.h"
#include "history/HistoryUndo.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace qv {

class AppModel;

// The entry as it was before and after a change of its state.
ChangeTouch EntryTouch(const AutostartEntry& before, const AutostartEntry& after);

// SetEntryActive, recorded in the model's history: as Deactivate or
// Reactivate by `active`, or as the kind given (ChangeKind::RePark for an
// entry that came back and is parked again: its undo reactivates it like the
// undo of a deactivation). A change that fails records nothing. The change
// never waits for the history: when the history cannot take the record, the
// change stands all the same.
bool SetEntryActiveRecorded(AppModel& model, size_t index, bool active,
                            std::optional<ChangeKind> kind = std::nullopt);
// The same with the reason of a failure, as ChangeEntryActive gives it.
Change ChangeEntryActiveRecorded(AppModel& model, size_t index, bool active,
                                 std::optional<ChangeKind> kind = std::nullopt);

// The known-entries file as a touched file: the database commands record it.
ChangeTouch KnownEntriesTouch(const std::string& appDir);

// Undoes the record with that id on the model. An entry deactivated or parked
// again is reactivated, a reactivated one deactivated again, through
// SetEntryActive, so that the kept entries and files stay in step; then the
// thing is put back exactly as it was (type and bytes, attributes and
// times). Every other change is undone as UndoChange(appDir, id) does, and
// the known entries are loaded again when their file came back. The caller
// tells the model's subscribers.
UndoOutcome UndoChange(AppModel& model, uint32_t id);

} // namespace qv
