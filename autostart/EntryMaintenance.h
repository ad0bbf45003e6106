#pragma once
// Editing and deleting autostart entries at their source.
#include "autostart/AutostartEntry.h"

#include <string>

namespace qv {

// The warning shown before a system-relevant entry (SourceFlag 1) is deleted
// or opened in the text editor: language lines 27, 28 and 29 joined by CR.
std::string SystemEntryWarning();

// Writes the edit dialog's texts to the entry's source. Registry values:
// a changed name renames the value (type and data move along) only when the
// old name exists, the new one does not and the old value holds data; then the
// value text is written as REG_SZ under the new name. Nothing is written when
// the key cannot be opened. Ini values: the key gets the new text. A write the
// system refuses throws AppError.
void ApplyEntryEdit(const AutostartEntry& entry, const std::string& newName,
                    const std::string& newValue);

// Deletes the entry at its source after asking. False only after a failure
// message; true when deleted and also when the user cancelled.
bool DeleteEntry(const AutostartEntry& entry);

} // namespace qv
