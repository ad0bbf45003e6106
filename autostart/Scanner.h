#pragma once
#include <string>
#include <string_view>

namespace qv {

class ScanPlatform;

// The Windows directory and the system directory, each with a trailing
// backslash; refreshed at the start of every scan.
extern std::string WindowsDir;
extern std::string SystemDir;

// Replaces ASEntries by the autostart points found now, in the fixed order of
// the ten sources. Reads only. Never stops half-way because of what it finds:
// missing keys, files and folders and values that are not text are skipped.
void ScanAutostarts();

// The same scan against the given system; explorerCaption is the caption of
// a stray c:\explorer.exe (language line 9).
void ScanAutostartsWith(ScanPlatform& platform, std::string_view explorerCaption);

} // namespace qv
