#pragma once
#include "autostart/AutostartEntry.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv {

class ScanPlatform;

// The Windows directory and the system directory, each with a trailing
// backslash; refreshed at the start of every scan.
extern std::string WindowsDir;
extern std::string SystemDir;

// Replaces ASEntries by the autostart points found now, in the fixed order of
// the ten sources. Reads only. Never stops half-way because of what it finds:
// missing keys, files and folders and values that are not text are skipped.
// explorerCaption is the caption of a stray c:\explorer.exe (the language
// line Lng::ExplorerCaption).
void ScanAutostarts(std::string_view explorerCaption);

// The same scan against the given system.
void ScanAutostartsWith(ScanPlatform& platform, std::string_view explorerCaption);

// Only the run keys (group 0) and the startup folders (group 5), filled
// exactly as the full scan fills them, into a list of their own: the places
// the guard program watches.
std::vector<AutostartEntry> ScanWatchedSources(ScanPlatform& platform);

} // namespace qv
