#pragma once
// The four actions of the "In Datenbank" and "Aus Datenbank" menus.
#include "autostart/AutostartEntry.h"

namespace qv {

class AppModel;

// Menu item tags: add all, add selected, remove all, remove selected.
enum KnownEntriesCommand { AddAllTag = 1, AddSelectedTag = 2, DelAllTag = 3, DelSelectedTag = 4 };

// Applies the command to the model's ASEntryDB (all: every element of its
// ASEntries); selected is the selected row's entry (or
// nullptr). Returns whether something counted as changed: then the caller
// saves the database, tells the guard and refills the list. Removal counts as
// a change as soon as the lookup without Active finds the entry, even when
// the removal, which compares Active, finds nothing to remove.
bool ApplyKnownEntriesCommand(AppModel& model, int tag, const AutostartEntry* selected);

} // namespace qv
