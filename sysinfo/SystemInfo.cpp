#include "sysinfo/SystemInfo.h"

#include "base/LanguageLines.h"
#include "base/Text.h"

#include <algorithm>

namespace qv {

namespace {

struct NameRow {
    uint32_t platformId, major, minor;
    const char* workstation;
    const char* server; // nullptr: the same name for every product type
};

// The rows up to Windows XP name every edition alike; from Windows XP x64
// and Server 2003 on (5.2) the server editions have names of their own.
constexpr NameRow kNames[] = {
    {kPlatformWin9x, 4, 0, "Windows 95", nullptr},
    {kPlatformWin9x, 4, 10, "Windows 98", nullptr},
    {kPlatformWin9x, 4, 90, "Windows ME", nullptr},
    {kPlatformNT, 3, 51, "Windows NT 3.51", nullptr},
    {kPlatformNT, 4, 0, "Windows NT 4.0", nullptr},
    {kPlatformNT, 5, 0, "Windows 2000", nullptr},
    {kPlatformNT, 5, 1, "Windows XP", nullptr},
    {kPlatformNT, 5, 2, "Windows XP", "Windows Server 2003"},
    {kPlatformNT, 6, 0, "Windows Vista", "Windows Server 2008"},
    {kPlatformNT, 6, 1, "Windows 7", "Windows Server 2008 R2"},
    {kPlatformNT, 6, 2, "Windows 8", "Windows Server 2012"},
    {kPlatformNT, 6, 3, "Windows 8.1", "Windows Server 2012 R2"},
};

bool IsServer(uint8_t productType) {
    return productType == kProductDomainController || productType == kProductServer;
}

// Windows 10 and 11 and their servers share the version 10.0; the build
// tells them apart.
std::string Version10Name(uint32_t build, bool server) {
    if (!server) return build >= 22000 ? "Windows 11" : "Windows 10";
    if (build >= 26100) return "Windows Server 2025";
    if (build >= 20348) return "Windows Server 2022";
    if (build >= 17763) return "Windows Server 2019";
    return "Windows Server 2016";
}

SysInfoRow Spacer() {
    return {};
}

} // namespace

SysInfoTexts SysInfoTextsFromLines(const std::function<std::string(Lng line)>& line) {
    return {line(Lng::SysMemoryLoad), line(Lng::SysTotalPhysical), line(Lng::SysAvailable),
            line(Lng::SysTotalVirtual)};
}

std::string MegabyteText(uint64_t bytes) {
    return std::to_string(bytes / 1048576u) + " MB";
}

std::string WindowsName(const VersionFigures& v) {
    const bool server = IsServer(v.productType);
    if (v.platformId == kPlatformNT && v.major == 10 && v.minor == 0)
        return Version10Name(v.build, server);
    for (const NameRow& row : kNames) {
        if (row.platformId != v.platformId || row.major != v.major || row.minor != v.minor)
            continue;
        return server && row.server ? row.server : row.workstation;
    }
    return {};
}

std::vector<SysInfoRow> BuildSysInfoRows(const SystemFigures& f, const SysInfoTexts& t) {
    const MemoryFigures& m = f.memory;
    std::vector<SysInfoRow> rows = {
        {t.memoryLoad, std::to_string(m.loadPercent) + " %"},
        Spacer(),
        {t.totalPhysical, MegabyteText(m.totalPhysical)},
        {t.available, MegabyteText(m.availablePhysical)},
        Spacer(),
        {t.totalVirtual, MegabyteText(m.totalVirtual)},
        {t.available, MegabyteText(m.availableVirtual)},
        Spacer(),
    };

    const VersionFigures& v = f.version;
    std::string service = UpperAscii(v.service);
    SysInfoRow name{WindowsName(v), std::nullopt};
    // The 9x family keeps its service text as it stands, blanks and all.
    if (v.platformId == kPlatformWin9x) name.value = service;
    rows.push_back(std::move(name));

    if (f.hasVersionValue) rows.push_back({"Version", f.versionNumber});

    service = TrimBlanks(service);
    if (v.platformId == kPlatformNT) {
        // "SERVICE PACK 2" gives "2": the words and one blank are 13 characters.
        if (service.size() > 1)
            service.erase(0, std::min<size_t>(13, service.size()));
        else
            service.clear();
        if (!service.empty()) rows.push_back({"Servicepack", service});
    }
    return rows;
}

} // namespace qv
