#include "process/GuardInterface.h"

#include "base/Text.h"

#include <windows.h>

namespace qv {

bool TableHasGuard(const std::vector<ProcessEntry>& table, std::string_view appDir) {
    const std::string guard = UpperAscii(std::string(appDir) + kGuardExeName);
    for (const ProcessEntry& e : table)
        if (ProcessName(e) == guard) return true;
    return false;
}

bool IsGuardRunning(std::string_view appDir) {
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
