#include "database/KnownEntries.h"

#include "app/AppContext.h"
#include "base/Files.h"

namespace qv {

// Simple first version; the indexed lookup and atomic save come with the
// database work.
int LoadKnownEntries() {
    ASEntryDB.clear();
    auto bytes = ReadFileBytes(AppDir + "asedb.dat");
    if (bytes) ASEntryDB = DecodeRecords(*bytes);
    return static_cast<int>(ASEntryDB.size());
}

void SaveKnownEntries() {
    WriteFileAtomic(AppDir + "asedb.dat", EncodeRecords(ASEntryDB));
}

int FindKnownEntry(const AutostartEntry& entry, bool compareActive) {
    for (size_t i = 0; i < ASEntryDB.size(); ++i)
        if (SameAutostartPoint(ASEntryDB[i], entry, compareActive)) return static_cast<int>(i);
    return -1;
}

int AddKnownEntry(const AutostartEntry& entry) {
    ASEntryDB.push_back(entry);
    return static_cast<int>(ASEntryDB.size() - 1);
}

int RemoveKnownEntry(const AutostartEntry& entry) {
    int i = FindKnownEntry(entry, true);
    if (i >= 0) ASEntryDB.erase(ASEntryDB.begin() + i);
    return static_cast<int>(ASEntryDB.size());
}

} // namespace qv
