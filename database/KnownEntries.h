#pragma once
// The known-entries database: the entries the user has accepted, in memory as
// ASEntryDB and on disk as AppDir + "asedb.dat", a plain sequence of
// 1800-byte records.
#include "autostart/AutostartEntry.h"

namespace qv {

// Fills ASEntryDB from the file; returns the number of records. A missing
// file is an empty database; a fragment shorter than a record at the end is
// not read. A file that cannot be opened or read throws AppError, keeping the
// records read before the error.
int LoadKnownEntries();
// Writes ASEntryDB to the file. The old file is replaced only by a complete
// new one, so a crash or a full disk never leaves a half-written database. A
// failed save keeps the previous file, reports the error through the general
// error handler and returns false.
bool SaveKnownEntries();
// Index of the first record matching the entry (the identity rule, with
// Active only when asked), or -1. Answers through a hash index that is kept
// in step with ASEntryDB.
int FindKnownEntry(const AutostartEntry& entry, bool compareActive);
// The same answer by going through the records one by one.
int FindKnownEntryLinear(const AutostartEntry& entry, bool compareActive);
// Appends a copy of all 1800 bytes; returns the new record's index.
int AddKnownEntry(const AutostartEntry& entry);
// Removes the first record matching with Active compared; returns the new
// number of records.
int RemoveKnownEntry(const AutostartEntry& entry);
// For code that changes elements of ASEntryDB in place: the lookup index is
// rebuilt before the next search. Changes of size or storage are noticed
// without it.
void KnownEntriesChanged();

} // namespace qv
