#pragma once
// The known-entries database: the entries the user has accepted, in memory as
// ASEntryDB and on disk as AppDir + "asedb.dat".
#include "autostart/AutostartEntry.h"

namespace qv {

// Fills ASEntryDB from the file; returns the number of records.
int LoadKnownEntries();
// Writes ASEntryDB to the file.
void SaveKnownEntries();
// Index of the first record matching the entry, or -1.
int FindKnownEntry(const AutostartEntry& entry, bool compareActive);
// Appends a copy of all 1800 bytes; returns the new record's index.
int AddKnownEntry(const AutostartEntry& entry);
// Removes the first record matching with Active compared; returns the new
// number of records.
int RemoveKnownEntry(const AutostartEntry& entry);

} // namespace qv
