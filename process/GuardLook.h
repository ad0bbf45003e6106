#pragma once
// One look of the guard at the sources it watches: what the sticky list
// keeps away and came back is parked again, what is new and unknown is
// announced. Its own unit so that a benchmark can run the guard's tick.
#include "autostart/AutostartEntry.h"
#include "autostart/StickyPark.h"
#include "base/LanguageFile.h"
#include "process/GuardWatch.h"

#include <string>
#include <vector>

namespace qv {

class AppModel;

struct GuardLook {
    std::vector<ReParked> parked;      // came back and parked again
    std::vector<AutostartEntry> fresh; // new and unknown, to announce
};

// Reads the watched sources, parks again what came back (the model's
// ASEntries then hold the deactivated entries) and tells what is new
// against the watch's last look and the model's known entries.
GuardLook LookAtWatchedSources(AppModel& model, AutostartWatch& watch);

// The notice of one entry parked again: how often it came back and what it
// is (the group, its caption and what it starts), and whether both versions
// are kept.
std::string ReParkNotice(const ReParked& parked, const LanguageFile& lines);

} // namespace qv
