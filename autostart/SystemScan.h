#pragma once
// The rows of the scheduled tasks, the services and the drivers: what the
// system's scheduler and Service Control Manager hold, as records. Pure code.
#include "autostart/AutostartEntry.h"
#include "autostart/SystemSources.h"
#include "autostart/TaskXml.h"

#include <array>
#include <string>
#include <vector>

namespace qv {

class ScanPlatform;

// The group bytes of the three sources.
inline constexpr uint8_t kTaskGroupByte = GroupByte(AutostartGroup::ScheduledTasks);
inline constexpr uint8_t kServiceGroupByte = GroupByte(AutostartGroup::Services);
inline constexpr uint8_t kDriverGroupByte = GroupByte(AutostartGroup::Drivers);

// The words the rows show, from the language table.
struct SourceTexts {
    std::array<std::string, 5> startTypes; // StartType order: Boot .. Disabled
    std::array<std::string, 4> triggers;   // TaskTrigger order: Logon .. Other
};

struct ScannedRow {
    AutostartEntry record = ZeroEntry();
    // The file that really runs, whose checksum the record keeps; empty when
    // there is none.
    std::string checkedFile;
};

// Whether the entry's on/off state lives at its source (the scheduler, the
// Service Control Manager) rather than in aseinactive.dat: a scan finds
// such an entry either way.
bool StateAtSource(uint8_t group);

// The key of a service below HKEY_LOCAL_MACHINE, without a leading backslash.
std::string ServiceKeyPath(std::string_view name);

// One row per Exec action of every task whose definition reads (a task
// without one gives one row without a program); a definition that does not
// read is skipped. Caption the task's path, Detail the trigger words and the
// command line, the record's file the program resolved; Active whether the
// task is switched on. Kind 2, KeyPath the task's path, ValueData the
// command line.
std::vector<ScannedRow> ScanTaskRows(ScanPlatform& platform, SystemSources& sources,
                                     const SourceTexts& texts);

// One row per service (drivers false) or driver: Caption the display name,
// Detail the start type word and the binary (for a shared-process service
// its Parameters\ServiceDll), Active unless the start type is Disabled.
// Kind 2, FileName the binary resolved, KeyPath the service's key,
// ValueName its name, ValueData the image path as configured.
std::vector<ScannedRow> ScanServiceRows(ScanPlatform& platform, SystemSources& sources,
                                        const SourceTexts& texts, bool drivers);

} // namespace qv
