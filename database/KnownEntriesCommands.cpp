#include "database/KnownEntriesCommands.h"

#include "database/KnownEntries.h"
#include "model/AppModel.h"

namespace qv {

namespace {
bool AddIfUnknown(KnownEntryDB& db, const AutostartEntry& e) {
    if (db.Find(e, false) != -1) return false;
    db.Add(e);
    return true;
}

bool RemoveIfKnown(KnownEntryDB& db, const AutostartEntry& e) {
    if (db.Find(e, false) < 0) return false;
    db.Remove(e);
    return true;
}
} // namespace

bool ApplyKnownEntriesCommand(AppModel& model, int tag, const AutostartEntry* selected) {
    KnownEntryDB& db = model.ASEntryDB;
    bool changed = false;
    switch (tag) {
    case AddAllTag:
        for (const auto& e : model.ASEntries)
            changed |= AddIfUnknown(db, e);
        break;
    case AddSelectedTag:
        if (selected) {
            const AutostartEntry copy = *selected;
            changed = AddIfUnknown(db, copy);
        }
        break;
    case DelAllTag:
        for (const auto& e : model.ASEntries)
            changed |= RemoveIfKnown(db, e);
        break;
    case DelSelectedTag:
        if (selected) {
            const AutostartEntry copy = *selected;
            changed = RemoveIfKnown(db, copy);
        }
        break;
    default:
        break;
    }
    return changed;
}

} // namespace qv
