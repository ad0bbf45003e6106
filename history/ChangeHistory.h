#pragma once
// The history of the changes the program made to the machine, and what undoes
// each of them: plain data and the one reader and writer of its file
// (history.dat beside the program). Pure code, no Windows headers.
//
// The file is ANSI text, one item a line, each line ended by CR LF, fields
// separated by one blank. Text fields are written as hex pairs of their bytes
// ("-" for an empty one), so any byte of a value survives; numbers are
// decimal.
//   QV6HISTORY 1
//   N <next id> <dropped count> <dropped copy bytes> <time of the last dropped>
//   C <id> <kind> <undo of> <undone by> <time> <caption> <touch count>
//   T <what> <place> <key> <name> <before> <after>        (touch count times)
//   END <record count>
// A state (<before>, <after>) is seven fields: exists (0/1), type, size,
// created, written, crc, bytes. For a file its bytes name
// the copy in the copies folder ("-" when none was kept). Records stand
// oldest first. A file without the first line is not ours; one without the
// END line, or whose END count disagrees, was torn: both are refused and
// never written over.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

enum class ChangeKind : uint8_t {
    Deactivate = 1,
    Reactivate = 2,
    RePark = 3, // a sticky entry that came back, parked again
    Edit = 4,
    Delete = 5,
    TextSaved = 6, // a text file saved in the editor
    KnownAdd = 7,
    KnownRemove = 8,
    ProcessEnded = 9, // recorded, cannot be undone
    Undo = 10,
};
inline constexpr uint8_t kLastChangeKind = 10;

// What one touched thing is.
enum class TouchWhat : uint8_t {
    RegistryValue = 0, // place: root handle as decimal, key: key path, name: value name
    IniValue = 1,      // place: ini file, key: section, name: key
    File = 2,          // place: the file's path
    Process = 3,       // place: the image path, name: the process id
    // The entry a deactivation or reactivation was about: its 1800-byte
    // record as bytes of both states (Active as before and after), so that
    // an undo finds it again among the entries.
    Entry = 4,
};
inline constexpr uint8_t kLastTouchWhat = 4;

// A thing as it was before or after the change.
struct ThingState {
    bool exists = false;
    uint32_t type = 0;    // registry value type; file attributes
    uint64_t size = 0;    // file: its size
    uint64_t created = 0; // file: creation time (FILETIME as one number)
    uint64_t written = 0; // file: last write time
    uint32_t crc = 0;     // file: CRC-32 of its content
    std::string bytes;    // value bytes, ini text; file: the copy's name
    bool operator==(const ThingState&) const = default;
};

struct ChangeTouch {
    TouchWhat what = TouchWhat::RegistryValue;
    std::string place, key, name;
    ThingState before, after;
    bool operator==(const ChangeTouch&) const = default;
};

struct ChangeRecord {
    uint32_t id = 0;
    ChangeKind kind = ChangeKind::Edit;
    uint32_t undoOf = 0;   // Undo: the record it undid
    uint32_t undoneBy = 0; // the Undo record that undid this one, 0 if none
    std::string time;      // "YYYY-MM-DD hh:mm:ss", local time
    std::string caption;   // what the change was about, as the list shows it
    std::vector<ChangeTouch> touches;
    bool operator==(const ChangeRecord&) const = default;
};

// Why a history file was refused.
enum class HistoryFault : uint8_t { None, Foreign, Torn };

// The limits: whichever is reached first drops the oldest records.
inline constexpr size_t kHistoryMaxRecords = 1000;
inline constexpr uint64_t kHistoryMaxCopyBytes = 100ull * 1024 * 1024;

struct ChangeHistory {
    std::vector<ChangeRecord> records; // oldest first
    uint32_t nextId = 1;
    // What the limits dropped so far, for the dialog to say.
    uint32_t droppedCount = 0;
    uint64_t droppedCopyBytes = 0;
    std::string droppedUntil; // time of the newest dropped record

    // Reads the whole file; on a fault leaves the history empty.
    HistoryFault Read(std::string_view bytes);
    std::string Write() const;

    // Gives the record the next id, appends it and applies the limits;
    // returns the id. `droppedCopies` gets the copies of dropped records,
    // which the caller deletes after the file was written.
    uint32_t Append(ChangeRecord record, std::vector<std::string>& droppedCopies);
    ChangeRecord* Find(uint32_t id);
    // The bytes of every file copy the records keep.
    uint64_t CopyBytes() const;
};

// Whether the change can be undone at all (a process ended cannot, nor one
// undone already, nor an undo).
bool CanUndo(const ChangeRecord& record);

// How an undo ended, for the window to say.
enum class UndoResult : uint8_t {
    Undone,
    ChangedSince, // a thing it touched was changed again since
    CopyMissing,  // the copy of a file it needs is gone from the folder
    CannotUndo,   // a process ended, an undo, or undone already
    Failed,       // the system refused to put a thing back
    NotFound,
    HistoryRefused // the history file is torn or not ours
};
struct UndoOutcome {
    UndoResult result = UndoResult::NotFound;
    std::string what; // the place that was changed since or failed
};

} // namespace qv
