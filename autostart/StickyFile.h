#pragma once
// sticky.dat in the program's folder: loaded and saved for the main program
// and the guard alike.
#include "autostart/StickyRules.h"

#include <string>

namespace qv {

inline constexpr const char* kStickyFile = "sticky.dat";
std::string StickyPath(const std::string& appDir);

// What a load gave. A file that exists but cannot be read, is torn or is no
// sticky list leaves refused set: it must never be written over, since it may
// be the only record of what the user wanted kept away.
struct StickyState {
    StickyList list;
    bool refused = false;
};

// A missing file is an empty list.
StickyState LoadStickyList(const std::string& appDir);
// Writes atomically. Throws AppError when the state was refused at load or
// the file cannot be written.
void SaveStickyList(const std::string& appDir, const StickyState& state);

} // namespace qv
