#include "database/KnownEntriesCommands.h"

#include "database/KnownEntries.h"

namespace qv {

namespace {
bool AddIfUnknown(const AutostartEntry& e) {
    if (FindKnownEntry(e, false) != -1) return false;
    AddKnownEntry(e);
    return true;
}

bool RemoveIfKnown(const AutostartEntry& e) {
    if (FindKnownEntry(e, false) < 0) return false;
    RemoveKnownEntry(e);
    return true;
}
} // namespace

bool ApplyKnownEntriesCommand(int tag, const AutostartEntry* selected) {
    bool changed = false;
    switch (tag) {
    case AddAllTag:
        for (const auto& e : ASEntries)
            changed |= AddIfUnknown(e);
        break;
    case AddSelectedTag:
        if (selected) {
            const AutostartEntry copy = *selected;
            changed = AddIfUnknown(copy);
        }
        break;
    case DelAllTag:
        for (const auto& e : ASEntries)
            changed |= RemoveIfKnown(e);
        break;
    case DelSelectedTag:
        if (selected) {
            const AutostartEntry copy = *selected;
            changed = RemoveIfKnown(copy);
        }
        break;
    default:
        break;
    }
    return changed;
}

} // namespace qv
