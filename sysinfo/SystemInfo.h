#pragma once
// The rows of the system information list, built from the machine's
// figures: memory, the operating system's name and service level, and the
// version number the registry holds on the 9x family. The form copies the
// rows onto its list; reading the figures is SystemFigures.h. Pure code.
#include "base/LanguageLines.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Byte counts as the extended memory status gives them: 64 bits, so that
// machines with more than 4 GB show their true figures.
struct MemoryFigures {
    uint32_t loadPercent = 0;
    uint64_t totalPhysical = 0, availablePhysical = 0;
    uint64_t totalVirtual = 0, availableVirtual = 0;
};

// Platform ids and product types as the version call gives them.
constexpr uint32_t kPlatformWin9x = 1;
constexpr uint32_t kPlatformNT = 2;
constexpr uint8_t kProductWorkstation = 1;
constexpr uint8_t kProductDomainController = 2;
constexpr uint8_t kProductServer = 3;

struct VersionFigures {
    uint32_t platformId = 0;
    uint32_t major = 0, minor = 0, build = 0;
    uint8_t productType = 0; // 0 when unknown: counts as a workstation
    std::string service;     // "Service Pack 2", ANSI, at most 128 characters
};

struct SystemFigures {
    MemoryFigures memory;
    VersionFigures version;
    // HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion
    bool hasVersionValue = false; // a value "Version" exists
    std::string versionNumber;    // the text of "VersionNumber", empty without it
};

// The captions of the memory rows: language lines 54 to 57.
struct SysInfoTexts {
    std::string memoryLoad, totalPhysical, available, totalVirtual;
};
SysInfoTexts SysInfoTextsFromLines(const std::function<std::string(Lng line)>& line);

// A caption and at most one value; spacer rows have neither.
struct SysInfoRow {
    std::string caption;
    std::optional<std::string> value;
    bool operator==(const SysInfoRow&) const = default;
};

// Load, a spacer, physical total and free, a spacer, virtual total and
// free, a spacer, then the system's name (with the upper-cased service text
// as value on the 9x family), "Version" when the registry has that value,
// and "Servicepack" on the NT family when the service text names one.
std::vector<SysInfoRow> BuildSysInfoRows(const SystemFigures& figures, const SysInfoTexts& texts);

// The name of the operating system, or the empty text when it is not
// known: Windows 95 to XP, Vista to 8.1, 10 and 11 (from build 22000), and
// the server editions where the product type is not a workstation.
std::string WindowsName(const VersionFigures& v);

// Whole megabytes (1,048,576 bytes), rounded down, followed by " MB".
std::string MegabyteText(uint64_t bytes);

} // namespace qv
