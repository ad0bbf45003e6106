#pragma once
// The history file beside the program and its folder of file copies: the
// one place that reads and replaces history.dat.
#include "history/ChangeHistory.h"

#include <string>

namespace qv {

inline constexpr const char* kHistoryFile = "history.dat";
std::string HistoryPath(const std::string& appDir);
// The copies of files the history keeps to undo a change.
std::string HistoryCopiesFolder(const std::string& appDir);

struct HistoryLoad {
    ChangeHistory history;
    HistoryFault fault = HistoryFault::None;
};
// A missing file is an empty history.
HistoryLoad LoadHistory(const std::string& appDir);

// Appends the record (its id and, when empty, its time are given here) and
// replaces the file atomically, then deletes the copies the limits dropped.
// A foreign or torn file is left as it is and its fault returned; a file that
// cannot be written throws AppError. `id`, when given, gets the new id.
HistoryFault RecordChange(const std::string& appDir, ChangeRecord record, uint32_t* id = nullptr);

} // namespace qv
