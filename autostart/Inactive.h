#pragma once
// Deactivated entries: aseinactive.dat, the kept files in the program's
// folder + "inactive\" and their index isf.dat.
#include "autostart/AutostartEntry.h"
#include "base/Failure.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qv {

class AppModel;

// Fault injection for the tests: each hook, when set, is asked before the
// real operation and refuses it by returning true. Unset hooks cost nothing.
struct InactiveFaultHooks {
    std::function<bool(const std::string& from, const std::string& to)> refuseCopy;
    std::function<bool(const std::string& path)> refuseDelete;
    std::function<bool()> refuseIndexWrite;
};

// What the deactivation keeps beside the entries, part of the model.
struct InactiveState {
    InactiveFaultHooks faults;
    // Deactivated entries that did not fit into the full ASEntries. They are
    // not shown, but saving must not drop them from aseinactive.dat.
    std::vector<AutostartEntry> unlisted;
    // Set while aseinactive.dat holds records the last load could not read:
    // rewriting it then would lose the only copy of those entries.
    bool loadFailed = false;
    // aseinactive.dat as this model last read it, or the records it last
    // wrote of its own; what differs on disk from it was changed by another
    // program since, and a save keeps that. Unset before the first load.
    std::optional<std::string> synced;
};

// The lock of the program's folder around every change of what the
// deactivation keeps (aseinactive.dat, isf.dat, the folder of kept files)
// and of the sticky list: the window and the guard both change them. The
// thread that holds it may take it again. A lock not given up within ten
// seconds is taken as lost and the work goes on without it.
class KeptFilesLock {
  public:
    explicit KeptFilesLock(const std::string& appDir);
    ~KeptFilesLock();
    KeptFilesLock(const KeptFilesLock&) = delete;
    KeptFilesLock& operator=(const KeptFilesLock&) = delete;

  private:
    void* mutex_ = nullptr;
    bool held_ = false;
};

// Appends every record of aseinactive.dat (in the current working directory)
// to the model's ASEntries with Active = 0; returns the number of records
// read. A missing file means none; an unreadable one throws AppError.
int LoadInactiveEntries(AppModel& model);
// Replaces aseinactive.dat atomically with every element of ASEntries whose
// Active is 0, in ASEntries order, under the lock of the kept files. What
// another program changed in the file since this model loaded or saved it
// stays changed (MergeInactiveRecords): its added records follow the
// model's. Throws AppError when it cannot be written, or when the file is
// there but cannot be read.
void SaveInactiveEntries(AppModel& model);

// Applies the new state to the entry's source (registry value, ini key or
// file); on success sets the entry's Active and saves aseinactive.dat. On
// failure nothing changes and false is returned. If aseinactive.dat cannot be
// written, the source change is undone, Active stays, and the AppError goes
// on to the caller.
bool SetEntryActive(AppModel& model, size_t index, bool active);

// How a change of state ended: done, failed, or refused by the system for
// want of rights (nothing was changed then either).
// Ignored: the source took the change and kept its old state (the task
// scheduler under Wine); nothing was recorded.
enum class Change { Done, Failed, Denied, Ignored };
// SetEntryActive with the reason of a failure. Image hijacks keep their
// value (type and bytes) in a copy of its own in the folder of kept files
// and get it back byte for byte; AppInit DLLs switch LoadAppInit_DLLs off
// (its old value kept the same way) and every DLL of the same list turns
// with the one asked for. Groups that are only shown (ReadOnlyLine) are
// never changed.
Change ChangeEntryActive(AppModel& model, size_t index, bool active);

// Takes the file at path away into the folder of kept files (deactivate) or
// brings it back from there. Either the whole move happens or nothing: the
// file, its kept copy and isf.dat never disagree.
// The folder is the model's AppDir.
bool MoveEntryFile(const AppModel& model, const std::string& path, bool deactivate,
                   bool removeSource);

// The folder of kept files and the index, both below the program's folder.
std::string InactiveFolder(const std::string& appDir);
std::string InactiveIndexPath(const std::string& appDir);
inline constexpr const char* kInactiveEntriesFile = "aseinactive.dat";

// What the list must do after a click left a row's check mark as checked.
struct CheckMarkOutcome {
    std::optional<bool> setCheck;     // the mark the row must show now, if it changes
    std::optional<Failure> failure;   // the refusal or failure to show
    std::optional<std::string> error; // a failure nobody handles, for the error box
    // The failure is a question: start the program again as administrator?
    bool offerElevation = false;
    // Other rows changed along with this one: the list must be filled anew.
    bool refill = false;
};
// The check-mark handling of the autostart list, without the list: for the
// entry of ASEntries that the row shows, refuses group 1 and the groups that
// are only shown (each with its line), calls ChangeEntryActive, recorded in the
// history (ChangeEntryActiveRecorded). An index outside ASEntries does
// nothing. The caller sets the mark, then shows the message or the error, then re-evaluates the
// buttons.
CheckMarkOutcome OnEntryCheckMark(AppModel& model, size_t index, bool checked);

} // namespace qv
