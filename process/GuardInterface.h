#pragma once
// The contract with the guard program qvguard.exe: where it lives, the title
// of its window, and the messages it understands.
#include "process/ProcessTable.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr const char* kGuardExeName = "qvguard.exe";
inline constexpr const wchar_t* kGuardWindowTitle = L"Quorvik 6 Guard";

// WM_USER + 2000: the guard ends.
constexpr uint32_t GuardMsgStop = 3024;
// WM_USER + 2001: the known-entries database file has been rewritten.
constexpr uint32_t GuardMsgDatabaseChanged = 3025;
// WM_USER + 2003: an autostart entry has been edited.
constexpr uint32_t GuardMsgEntryEdited = 3027;

// True if the table lists a process named exactly appDir + "qvguard.exe",
// upper-cased: a guard running from another directory does not count, and
// neither does a bare name, which the table holds where procs.dll knows no
// path.
bool TableHasGuard(const std::vector<ProcessEntry>& table, std::string_view appDir);

// Looks at the running processes for the guard of appDir (the program's
// folder). The processes are collected into a table of its own: the process
// page's rows address ProcessTable by position, and a guard check between
// showing a row and using it must not shift the table under it.
bool IsGuardRunning(std::string_view appDir);

// False only when no running process's image is named qvguard.exe (in any
// case, from any folder), which the system's process list tells quickly: then
// no guard runs anywhere. True when one is, or when the list cannot be had.
bool SomeProcessRunsGuardImage();

// Posts the message (both parameters 0) to the top-level window titled
// "Quorvik 6 Guard". False, and nothing posted, when there is no such window;
// true otherwise, without waiting for the guard.
bool NotifyGuard(uint32_t message);

} // namespace qv
