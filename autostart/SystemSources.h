#pragma once
// What the scan of scheduled tasks, services and drivers needs from the
// system beyond the registry and the files: the Service Control Manager and
// the Task Scheduler, read and switched. The rules are written against this
// interface; the Windows side lives in SystemSources_win.cpp. Texts are ANSI
// except a task's XML, which stays the bytes the scheduler gave.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The start types as the Service Control Manager numbers them.
enum class StartType : uint32_t { Boot = 0, System = 1, Auto = 2, Demand = 3, Disabled = 4 };

struct ServiceConfig {
    std::string name; // the service's key name
    std::string displayName;
    std::string imagePath;  // as configured, variables not expanded
    uint32_t type = 0;      // SERVICE_WIN32_OWN_PROCESS and its kin
    uint32_t startType = 0; // StartType
};

struct TaskItem {
    std::string path; // "\Folder\Name", as the scheduler names the task
    std::string xml;  // the definition's bytes (UTF-16 or UTF-8)
    // Whether the scheduler has the task switched on, when it was asked;
    // read from the definition otherwise.
    std::optional<bool> enabled;
};

// How a change of a service's start type or a task's switch went.
enum class SwitchResult : uint8_t {
    Done,         // changed, and reading it back confirms it
    Unchanged,    // accepted, but reading it back shows the old state
    AccessDenied, // the system refused: administrator rights are needed
    Failed        // not found, or another refusal
};

class SystemSources {
  public:
    virtual ~SystemSources() = default;
    // Every Win32 service (drivers false) or every kernel and file-system
    // driver (drivers true) with its configuration; those whose
    // configuration cannot be read are left out.
    virtual std::vector<ServiceConfig> Services(bool drivers) = 0;
    // Every registered task, hidden ones included, from the scheduler, or
    // where it cannot list them, from the definition files below the
    // system's Tasks folder.
    virtual std::vector<TaskItem> Tasks() = 0;
    // UTF-8 as ANSI text, characters outside the code page replaced.
    virtual std::string Utf8ToAnsi(std::string_view utf8) = 0;

    // The service's start type now, or nothing when it cannot be read.
    virtual std::optional<StartType> ServiceStart(const std::string& name) = 0;
    // Sets the start type and reads it back.
    virtual SwitchResult SetServiceStart(const std::string& name, StartType start) = 0;
    // Switches the task on or off through the scheduler and reads it back.
    // The definition itself is never written.
    virtual SwitchResult SetTaskEnabled(const std::string& path, bool enabled) = 0;
};

// The real system. Lives for the whole process.
SystemSources& WindowsSystemSources();

} // namespace qv
