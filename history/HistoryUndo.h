#pragma once
// Taking the state of what a change touches, before and after it, and
// putting it back: registry values with their type and bytes, ini keys, and
// files with a copy in the history's folder, their attributes and times.
#include "history/ChangeHistory.h"

#include <cstdint>
#include <string>

namespace qv {

// The thing as it is now. For a file, a copy is kept in copiesFolder when it
// is not empty, and its name goes into the state's bytes.
ThingState CurrentState(const ChangeTouch& touch, const std::string& copiesFolder = {});

// Records the touch's state before the change (keeping a copy of a file);
// call TakeAfter once the change is done.
void TakeBefore(ChangeTouch& touch, const std::string& appDir);
void TakeAfter(ChangeTouch& touch);

// Whether the thing is still as the change left it: only then may an undo
// put it back.
bool StillAsLeft(const ChangeTouch& touch);

enum class UndoResult : uint8_t {
    Undone,
    ChangedSince,
    CannotUndo,
    Failed,
    NotFound,
    HistoryRefused
};
struct UndoOutcome {
    UndoResult result = UndoResult::NotFound;
    std::string what; // the place that was changed since or failed
};
// Undoes the record with that id: refuses when it cannot be undone or when a
// thing it touched changed since; otherwise puts every touch back to its
// state before and records the undo as a change of its own.
UndoOutcome UndoChange(const std::string& appDir, uint32_t id);

} // namespace qv

#include "autostart/AutostartEntry.h"

#include <vector>

namespace qv {

// What a change of the entry touches at its source: its registry value, its
// ini key or its file.
ChangeTouch TouchOf(const AutostartEntry& entry);

// Takes the state of every touch before a change; FinishChange takes it
// after and appends the record when anything changed (copies kept for an
// unchanged file are deleted again). The change itself never waits for the
// history: a refused history file is returned, the change stands.
ChangeRecord BeginChange(const std::string& appDir, ChangeKind kind, std::string caption,
                         std::vector<ChangeTouch> touches);
HistoryFault FinishChange(const std::string& appDir, ChangeRecord record);

} // namespace qv
