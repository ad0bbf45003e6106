#pragma once
// What the guard program watches: the run keys and the startup folders, the
// two places where a newly installed program most often puts itself. New
// entries that the known-entries database does not hold are announced.
#include "autostart/AutostartEntry.h"
#include "database/KnownEntries.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The guard's single-instance mutex name for its executable path: the
// path's backslashes become forward slashes (a backslash separates kernel
// namespaces), behind a prefix of its own so that it never meets the main
// program's name for the same folder.
std::string GuardInstanceName(std::string_view exePath);

// The guard's record of one announcement: the group's name (the language
// line of the entry's group), the entry's caption and what it starts, on one
// line.
std::string DescribeEntry(const AutostartEntry& entry, std::string_view groupName);

// Reads the run keys (group 0) and the startup folders (group 5) into
// entries filled field for field as the autostart scan fills them, so that
// they compare with the records of asedb.dat.
std::vector<AutostartEntry> ReadWatchedEntries();

// Remembers the entries of the last look and tells which entries of the
// next look are new.
class AutostartWatch {
  public:
    // The entries present now; none of them is announced.
    void SetBaseline(std::vector<AutostartEntry> entries) { seen_ = std::move(entries); }
    // Entries of the current look that the last look did not show (by the
    // identity rule, so a changed command counts as new) and that the known
    // entries do not hold. The current look becomes the last one.
    std::vector<AutostartEntry> Update(std::vector<AutostartEntry> current,
                                       const KnownEntryDB& known);

  private:
    std::vector<AutostartEntry> seen_;
};

} // namespace qv
