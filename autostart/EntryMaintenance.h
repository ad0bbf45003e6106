#pragma once
// Editing and deleting autostart entries at their source. The asking and
// reporting is the caller's: these functions say which language line with
// which arguments belongs to each step.
#include "autostart/AutostartEntry.h"
#include "base/Failure.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Writes the edit dialog's texts to the entry's source. Registry values:
// a changed name renames the value (type and data move along) only when the
// old name exists, the new one does not and the old value holds data; then the
// value text is written as REG_SZ under the new name. Nothing is written when
// the key cannot be opened. Ini values: the key gets the new text. A write the
// system refuses throws AppError. Entries of a group with an EditRefusalLine
// are left as they are.
void ApplyEntryEdit(const AutostartEntry& entry, const std::string& newName,
                    const std::string& newValue);

// The confirmation asked before the entry is deleted (lines 11, 13, 15 with
// their texts); nothing for a kind that cannot be deleted.
std::optional<LineText> DeletionQuestion(const AutostartEntry& entry);
// The shell line of system.ini that starts explorer.exe (any case): deleting
// it asks a second time, with Lng::ExplorerShellWarning.
bool IsExplorerShellLine(const AutostartEntry& entry, std::string_view windowsDir);

struct DeleteOutcome {
    bool deleted = false;
    std::optional<Failure> failure; // lines 12, 14 or 16 with their texts
    bool fileHint = false;          // line 16 is followed by CR and line 17
};
// Deletes the entry at its source without asking. Registry: the value of the
// key. Ini: the key of the section, with the file's attributes cleared and
// set back, checked by reading the section again. File: attributes cleared,
// then deleted (they stay cleared when that fails). An entry of a group with
// an EditRefusalLine is refused with that line.
DeleteOutcome DeleteAtSource(const AutostartEntry& entry);

} // namespace qv
