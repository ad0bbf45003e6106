#pragma once
// The questions and messages around deleting an entry at its source. The
// work itself is the domain's (autostart/EntryMaintenance.h); this is the
// asking and reporting, through the dialog seam.
#include "autostart/AutostartEntry.h"
#include "base/LanguageFile.h"

#include <string>

namespace qv {

class AppModel;

// The warning shown before a system-relevant entry (SourceFlag 1) is deleted
// or opened in the text editor: three language lines joined by CR.
std::string SystemEntryWarning(const LanguageFile& lines);

// Deletes the entry at its source after asking in the model's language (an
// explorer shell line recognised in its WindowsDir). False only after a failure
// message; true when deleted and also when the user cancelled.
bool DeleteEntry(const AppModel& model, const AutostartEntry& entry);

// At start-up: the entries kept away whose programs wrote them back while no
// guard ran are named in one question; on OK they are parked again. The
// model holds the scanned and the deactivated entries; true when any entry
// was parked (the list must be read anew).
bool ParkReturnedOnStart(AppModel& model);

} // namespace qv
