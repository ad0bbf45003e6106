#pragma once
#include <string>

namespace qv {

// The Windows directory and the system directory, each with a trailing
// backslash; refreshed at the start of every scan.
extern std::string WindowsDir;
extern std::string SystemDir;

// Replaces ASEntries by the autostart points found now, in the fixed order of
// the ten sources. Reads only.
void ScanAutostarts();

} // namespace qv
