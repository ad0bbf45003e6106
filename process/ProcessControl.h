#pragma once
// What the process page needs from the system beyond the process table:
// opening a process by id, its creation time, ending it through the handle
// that was checked, the critical mark, and the program's own priority class.
// The page's rules are written against this interface; the Windows side is
// ProcessControl_win.cpp, and tests script it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace qv {

constexpr uint32_t kRealtimePriorityClass = 0x100; // REALTIME_PRIORITY_CLASS
// The kernel's own "System" process has this id on every NT since XP; no
// other process is ever given it.
constexpr uint32_t kSystemProcessId = 4;

// One opened process. The handle stays open as long as the object lives, so
// the process it names cannot be replaced by another with the same id.
class OpenedProcess {
  public:
    virtual ~OpenedProcess() = default;
    // The creation time as a 64-bit FILETIME, or none when it cannot be read.
    virtual std::optional<uint64_t> CreationTime() = 0;
    // True once the process has ended (an ended process stays reachable
    // while anyone holds a handle to it, and "ending" it again succeeds).
    virtual bool HasEnded() = 0;
    // Ends the process with exit code 0; true when the system accepted it.
    virtual bool Terminate() = 0;
    // Whether the process is marked critical (ending it stops the system);
    // none when the system cannot be asked.
    virtual std::optional<bool> MarkedCritical() = 0;
};

class ProcessControl {
  public:
    virtual ~ProcessControl() = default;
    // With the right to read limited information only; nullptr when the
    // process does not exist or refuses.
    virtual std::unique_ptr<OpenedProcess> OpenForQuery(uint32_t processId) = 0;
    // With the rights to terminate and to read limited information, so that
    // the creation time is checked on the very handle that terminates.
    virtual std::unique_ptr<OpenedProcess> OpenForTermination(uint32_t processId) = 0;
    virtual uint32_t PriorityClass() = 0;
    virtual void SetPriorityClass(uint32_t priorityClass) = 0;
    virtual uint32_t CurrentProcessId() = 0;
    // With a trailing backslash.
    virtual std::string SystemDirectory() = 0;
};

// The real system. Lives for the whole process.
ProcessControl& SystemProcessControl();

} // namespace qv
