#pragma once
// Switching scheduled tasks and services on and off at their source: the
// scheduler's own switch for a task, the start type for a service. A
// service's former start type is kept in svcstart.dat in the program's
// folder, so that it comes back exactly, also after a restart.
#include "autostart/AutostartEntry.h"
#include "autostart/SystemScan.h"
#include "autostart/SystemSources.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

inline constexpr const char* kServiceStartsFile = "svcstart.dat";

// The kept start types, one line "name|number" each, ended by CR LF.
std::map<std::string, StartType> ParseServiceStarts(std::string_view text);
std::string FormatServiceStarts(const std::map<std::string, StartType>& starts);

// Applies the new state to the task or service of the entry and reads it
// back. Drivers are never changed. Unchanged: the scheduler took the switch
// and kept the old state (Wine does), nothing was recorded.
SwitchResult SetSystemEntryActive(SystemSources& sources, const std::string& appDir,
                                  const AutostartEntry& e, bool active);

} // namespace qv
