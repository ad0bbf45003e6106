#pragma once
// The reader of a scheduled task's definition: the XML that the Task
// Scheduler hands out and keeps as a file under System32\Tasks. Only what the
// autostart list shows is taken (programs started, what starts them, whether
// the task is on); everything else is skipped. Pure code, no Windows headers:
// it takes the file's bytes and gives UTF-8 text.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// What makes the task start, as the list names it.
enum class TaskTrigger : uint8_t {
    Logon,    // LogonTrigger
    Boot,     // BootTrigger
    Schedule, // TimeTrigger, CalendarTrigger
    Other     // idle, event, registration, session state ...
};

// One program the task starts (an Exec action), as written: the command may
// hold environment variables and quotes.
struct TaskExec {
    std::string command;
    std::string arguments;
};

struct TaskDefinition {
    std::vector<TaskExec> execs;       // in file order
    std::vector<TaskTrigger> triggers; // in file order
    bool enabled = true;               // Settings/Enabled, true when absent
};

// Limits that keep a planted or damaged file from costing the scan more
// than a moment: a real definition is a few kilobytes, a few levels deep.
inline constexpr size_t kMaxTaskXmlBytes = 1024 * 1024;
inline constexpr size_t kMaxTaskXmlDepth = 32;
inline constexpr size_t kMaxTaskItems = 64;        // Exec actions, triggers
inline constexpr size_t kMaxTaskFieldBytes = 4096; // a command or its arguments

// The text of the bytes as UTF-8: UTF-16 with a byte order mark (either
// order), UTF-16LE without one (recognised by its first character being
// ASCII), or UTF-8 with or without a mark. Nothing when the bytes are not
// valid in the encoding they claim, or too many.
std::optional<std::string> TaskXmlText(std::string_view bytes);

// The definition, or nothing when the bytes are not a well-formed task
// document within the limits above (not XML, another root element than
// Task, too big, too deep, a document type declaration). A task without Exec
// actions is a definition with no execs.
std::optional<TaskDefinition> ParseTaskXml(std::string_view bytes);

} // namespace qv
