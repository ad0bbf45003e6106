#pragma once
// What each group of entries allows and how the listing names it: one table
// for every group, so that a new group is one line here. Pure code.
#include "autostart/AutostartEntry.h"
#include "base/LanguageLines.h"

#include <optional>
#include <string_view>

namespace qv {

// The group's name in plain English words, the same in every language: the
// listing's `category` field. Empty for a byte outside the groups.
std::string_view GroupCategory(int group);

// The line that says why the entries of the group cannot be ticked, unticked,
// edited or deleted here; nothing for a group whose entries can be changed.
// (Shell open commands are their own case: they can be edited, not unticked.)
std::optional<Lng> ReadOnlyLine(uint8_t group);
// The line that says why the entry cannot be edited or deleted here: a read
// only group's, or for one item of a list value (an AppInit DLL), that
// editing or deleting it would change the whole list.
std::optional<Lng> EditRefusalLine(uint8_t group);

// Whether the guard program reads the group at every look: the sources that
// newly installed software, wanted or not, writes to.
bool GuardWatchesGroup(AutostartGroup group);

} // namespace qv
