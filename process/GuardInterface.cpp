#include "process/GuardInterface.h"

#include "base/Handles.h"
#include "base/Text.h"

#include <windows.h>
#include <tlhelp32.h>

namespace qv {

bool TableHasGuard(const std::vector<ProcessEntry>& table, std::string_view appDir) {
    const std::string guard = UpperAscii(std::string(appDir) + kGuardExeName);
    for (const ProcessEntry& e : table)
        if (ProcessName(e) == guard) return true;
    return false;
}

bool SomeProcessRunsGuardImage() {
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return true; // cannot tell: the full look decides
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    for (BOOL more = ::Process32First(snapshot.get(), &e); more;
         more = ::Process32Next(snapshot.get(), &e))
        if (SameTextAscii(ExtractFileName(e.szExeFile), kGuardExeName)) return true;
    return false;
}

bool IsGuardRunning(std::string_view appDir) {
    // The usual answer, no guard at all, without loading procs.dll and
    // asking it for the path of every process.
    if (!SomeProcessRunsGuardImage()) return false;
    SystemProcessSource source;
    return TableHasGuard(CollectProcesses(source), appDir);
}

bool NotifyGuard(uint32_t message) {
    HWND guard = ::FindWindowW(nullptr, kGuardWindowTitle);
    if (!guard) return false;
    ::PostMessageW(guard, message, 0, 0);
    return true;
}

} // namespace qv
