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
// put it back. An entry touch is not looked at here: the entries are the
// model's, see EntryHistory.h.
bool StillAsLeft(const ChangeTouch& touch);
// Whether the thing is exactly in its state before the change (a file with
// its attributes and times as well).
bool AsBefore(const ChangeTouch& touch);
// Puts the thing back into its state before the change: a value with its
// type and bytes, a file from its copy with its attributes and times, a
// thing that did not exist removed. An entry touch needs nothing here.
bool PutBack(const ChangeTouch& touch, const std::string& appDir);

// Whether the record may be undone now: it can be undone at all, the copies
// it needs are there, and every thing it touched is still as it left it.
// Result Undone means it may.
UndoOutcome CheckUndo(const ChangeRecord& record, const std::string& appDir);
// Appends the undo record (undoOf set) and marks the record it undid, in one
// replacement of the file.
HistoryFault RecordUndo(const std::string& appDir, ChangeRecord undo);
// Undoes the record with that id: refuses when it cannot be undone or when a
// thing it touched changed since; otherwise puts every touch back to its
// state before and records the undo as a change of its own. For changes of
// the model's entries, use the UndoChange of EntryHistory.h.
UndoOutcome UndoChange(const std::string& appDir, uint32_t id);

} // namespace qv

#include "autostart/AutostartEntry.h"

#include <utility>
#include <vector>

namespace qv {

// What a change of the entry touches at its source: its registry value, its
// ini key or its file.
ChangeTouch TouchOf(const AutostartEntry& entry);

// Takes the state of every touch before a change; FinishChange takes it
// after and appends the record when anything changed (copies kept for an
// unchanged file are deleted again). The change itself never waits for the
// history: a refused history file is returned, the change stands.
// With an empty appDir nothing is taken and nothing recorded.
ChangeRecord BeginChange(const std::string& appDir, ChangeKind kind, std::string caption,
                         std::vector<ChangeTouch> touches);
HistoryFault FinishChange(const std::string& appDir, ChangeRecord record);

// A change begun here is finished whatever happens: when the work between
// throws, the change is finished as the machine then stands (what did change
// is recorded, the copies of what did not are deleted), so no copy is left
// in the history's folder that no record names.
class PendingChange {
  public:
    PendingChange(std::string appDir, ChangeKind kind, std::string caption,
                  std::vector<ChangeTouch> touches)
        : appDir_(std::move(appDir)),
          record_(BeginChange(appDir_, kind, std::move(caption), std::move(touches))) {}
    ~PendingChange() {
        if (finished_) return;
        try {
            FinishChange(appDir_, std::move(record_));
        } catch (...) {
            // Unwinding already: the first failure is the one to tell.
        }
    }
    PendingChange(const PendingChange&) = delete;
    PendingChange& operator=(const PendingChange&) = delete;

    ChangeRecord& Record() { return record_; }
    HistoryFault Finish() {
        finished_ = true;
        return FinishChange(appDir_, std::move(record_));
    }

  private:
    std::string appDir_;
    ChangeRecord record_;
    bool finished_ = false;
};

} // namespace qv
