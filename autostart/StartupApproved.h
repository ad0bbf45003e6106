#pragma once
// Windows' own on/off switch for startup entries. Since Windows 8 the user
// can turn a run-key value or a startup-folder file off in Task Manager
// without removing it: Explorer then keeps a binary value of the same name
// under Explorer\StartupApproved\Run, \Run32 or \StartupFolder, and skips the
// entry at logon. What that value says is shown beside an entry; it never
// goes into the record. Pure code.
#include "autostart/RootKeys.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class RegistryReader;

// What Windows' switch says about an entry.
enum class Approval : uint8_t {
    None,     // Windows keeps no value for it: it starts as listed
    Enabled,  // turned on (or never turned off) in Task Manager
    Disabled, // turned off in Task Manager: Windows does not start it
};

// "enabled", "disabled", or the empty text for None.
std::string_view ApprovalText(Approval a);

// The registry type of the values Explorer writes.
inline constexpr uint32_t kRegBinary = 3;

// The state a StartupApproved value stands for. Explorer writes 12 bytes of
// type REG_BINARY: a state byte, three zero bytes and, once turned off, the
// FILETIME of that moment. The state byte is 0x02 for on and 0x03 for off
// (0x06 and 0x07 occur as well): an even first byte is on, an odd one off.
// A value of another type, or without bytes, is nothing Explorer wrote and
// counts as no value.
Approval DecodeStartupApproved(uint32_t type, std::string_view bytes);

// Which of Explorer's lists holds an entry's switch.
enum class ApprovalList : uint8_t {
    None,          // the entry's source has no switch
    Run,           // values of the native Run key
    Run32,         // values of the 32-bit view's Run key (WOW6432Node)
    StartupFolder, // files of the startup folder
};

// The key of the list below its root, with a leading backslash; empty for
// None.
std::string_view ApprovalKeyPath(ApprovalList list);

// Where one entry's switch would be: the list under the root, and the value
// name (the run value's name, or the startup file's name).
struct ApprovalRef {
    ApprovalList list = ApprovalList::None;
    RegRoot root = RegRoot::CurrentUser;
    std::string name;
};

// The state of every referenced switch, in the order of refs. Each list is
// read once, whatever the number of entries; value names are compared
// without regard to the case of ASCII letters, as the registry compares them.
// A list key that does not exist or cannot be opened gives None throughout.
std::vector<Approval> ResolveApprovals(RegistryReader& reg, const std::vector<ApprovalRef>& refs);

} // namespace qv
