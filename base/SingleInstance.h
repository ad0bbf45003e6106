#pragma once
// One process per executable path: a second start of the same file ends
// silently, a copy in another directory runs.
#include <string>
#include <string_view>

namespace qv {

// A kernel object name cannot hold a backslash (it separates namespaces), so
// the path's backslashes become forward slashes, which no Windows path holds:
// different paths keep different names. Everything else stays character for
// character, as the process knows its path.
std::string InstanceMutexName(std::string_view exePath);

// Takes the named mutex for the executable path. Returns false when another
// process holds it already (the caller then ends with exit code 0).
bool AcquireSingleInstance(const std::string& exePath);
// Closes the mutex, if one was obtained.
void ReleaseSingleInstance();

} // namespace qv
