#pragma once
// Keeping deactivated entries away. The sticky list follows the user's
// deactivations; an entry of the list that its program writes back is parked
// again by the deactivation the window uses, and when it differs from the
// version kept, both versions are kept. The main program and the guard both
// change sticky.dat, aseinactive.dat and the folder of kept files, so every
// change of them here happens under one lock named after the program's folder.
#include "autostart/AutostartEntry.h"
#include "autostart/StickyFile.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qv {

class AppModel;

// Loads sticky.dat, lets change edit the list and saves it when change
// returns true. A refused or unwritable file gives the message to show; the
// file is then left as it is.
std::optional<std::string> ChangeStickyList(const std::string& appDir,
                                            const std::function<bool(StickyList&)>& change);

// After the user changed the entry's state: a deactivated entry is kept away
// from now on, a reactivated one no longer.
std::optional<std::string> FollowEntryState(const std::string& appDir, const AutostartEntry& e,
                                            bool active);
// After the entry was deleted at its source: its place is forgotten unless a
// deactivated entry of the same place is still kept in the model.
std::optional<std::string> ForgetDeletedEntry(const AppModel& model, const AutostartEntry& e);
// "Nicht mehr fernhalten": the entry stays deactivated, but is no longer
// parked again when it comes back. False when the list did not keep it away.
bool StopKeepingAway(const std::string& appDir, const AutostartEntry& e);
// Whether the list keeps the entry's place away; a refused file keeps nothing.
bool IsKeptAway(const std::string& appDir, const AutostartEntry& e);

// What parking one returned entry did.
struct ReParked {
    AutostartEntry entry;  // as it came back
    uint32_t returns = 0;  // how often it came back, this time included
    bool bothKept = false; // it differed from the version kept: both are kept
    std::string sibling;   // a file: the numbered copy the earlier version went to
};

// The indexes of the entries of current whose place the list keeps away,
// each place once. Cheap: one lookup per entry.
std::vector<size_t> KeptAwayEntries(const StickyList& list,
                                    const std::vector<AutostartEntry>& current);

// Parks the returned entry again. The model's ASEntries must hold the
// deactivated entries (as aseinactive.dat gives them); they and the file
// follow the change. A registry or ini value with the data of the kept one
// is only removed again; one with other data is kept as a deactivated entry
// beside it. A file equal to the kept copy is only removed again; another
// one takes the kept copy's place while the earlier copy stays beside it
// under a numbered name. False when the source is gone meanwhile or cannot
// be changed; then nothing changed.
bool ReParkEntry(AppModel& model, const AutostartEntry& returned, ReParked& out);

// Parks again every entry of current that the sticky list keeps away (at
// most once per place), counts its return in sticky.dat, and removes it from
// current. Loads the deactivated entries into the model's ASEntries first
// when loadInactive is set (the guard's model holds nothing else); the main
// program's model holds them already. A refused sticky.dat parks nothing.
std::vector<ReParked> ParkReturnedEntries(AppModel& model, std::vector<AutostartEntry>& current,
                                          bool loadInactive);

} // namespace qv
