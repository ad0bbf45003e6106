#pragma once
// What the history window shows, decided without any window: its rows,
// newest first, the line that says what the limits dropped, and the line
// that explains a refused undo. Pure code, no Windows headers.
#include "base/LanguageFile.h"
#include "history/ChangeHistory.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

struct HistoryRow {
    uint32_t id = 0;
    bool undoable = false;
    std::string time, kind, caption, place;
};

// The line that names the kind of change.
Lng ChangeKindLine(ChangeKind kind);
// What the change touched, as the place column shows it: a registry value
// by its root key's name, key and name, an ini key by its file, section and
// key, a file by its path, an ended process by its file and id.
std::string TouchPlaceText(const ChangeTouch& touch);
// The rows of the history, newest first; a change undone since says so.
std::vector<HistoryRow> BuildHistoryRows(const ChangeHistory& history, const LanguageFile& lines);
// The limits, and what they dropped so far.
std::string HistoryLimitsText(const ChangeHistory& history, const LanguageFile& lines);

// The line that says why an undo did not happen, with what it is about.
std::string UndoRefusalText(UndoResult result, const std::string& what, const LanguageFile& lines);

} // namespace qv
