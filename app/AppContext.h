#pragma once
// Process-wide values of the application shell.
#include <string>

namespace qv {

inline constexpr const char* kAppTitle = "Quorvik 6";
inline constexpr const char* kVersion = "6.02";

// The executable's directory with a trailing backslash; every data file of
// the program is addressed relative to it. Set by the main window's creation
// (tests set it to a folder of their own).
extern std::string AppDir;

// The directory part of the executable's full path, with a trailing backslash.
std::string ExecutableDir();

} // namespace qv
