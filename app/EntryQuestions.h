#pragma once
// The questions and messages around deleting an entry at its source. The
// work itself is the domain's (autostart/EntryMaintenance.h); this is the
// asking and reporting, through the dialog seam.
#include "autostart/AutostartEntry.h"

#include <string>

namespace qv {

// The warning shown before a system-relevant entry (SourceFlag 1) is deleted
// or opened in the text editor: three language lines joined by CR.
std::string SystemEntryWarning();

// Deletes the entry at its source after asking. False only after a failure
// message; true when deleted and also when the user cancelled.
bool DeleteEntry(const AutostartEntry& entry);

} // namespace qv
