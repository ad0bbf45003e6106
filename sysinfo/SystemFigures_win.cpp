// The figures of the system information list from the running system.
#include "sysinfo/SystemFigures.h"

#include "base/Handles.h"
#include "base/WinText.h"

#include <windows.h>

namespace qv {

namespace {

MemoryFigures ReadMemory() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    MemoryFigures m;
    if (!::GlobalMemoryStatusEx(&status)) return m;
    m.loadPercent = status.dwMemoryLoad;
    m.totalPhysical = status.ullTotalPhys;
    m.availablePhysical = status.ullAvailPhys;
    m.totalVirtual = status.ullTotalVirtual;
    m.availableVirtual = status.ullAvailVirtual;
    return m;
}

// RtlGetVersion tells the truth whatever the program's manifest says;
// GetVersionEx answers 6.2 to programs that do not declare the newer
// systems. ntdll is always loaded, so the lookup only asks for the address.
using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);

VersionFigures ReadVersion() {
    VersionFigures v;
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    bool ok = false;
    if (HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll")) {
        auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
            reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
        ok = rtlGetVersion && rtlGetVersion(&info) == 0;
    }
    if (!ok) {
        info = {};
        info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        ok = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)) != 0;
#pragma GCC diagnostic pop
    }
    if (!ok) return v;
    v.platformId = info.dwPlatformId;
    v.major = info.dwMajorVersion;
    v.minor = info.dwMinorVersion;
    v.build = info.dwBuildNumber;
    v.productType = info.wProductType;
    info.szCSDVersion[127] = 0;
    v.service = FromWide(info.szCSDVersion);
    return v;
}

void ReadVersionValues(SystemFigures& f) {
    RegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0,
                        KEY_READ, key.put()) != ERROR_SUCCESS)
        return;
    f.hasVersionValue = ::RegQueryValueExA(key.get(), "Version", nullptr, nullptr, nullptr,
                                           nullptr) == ERROR_SUCCESS;
    if (!f.hasVersionValue) return;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(key.get(), "VersionNumber", nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return;
    std::string text(size + 1, '\0');
    DWORD got = size;
    if (::RegQueryValueExA(key.get(), "VersionNumber", nullptr, &type,
                           reinterpret_cast<BYTE*>(text.data()), &got) != ERROR_SUCCESS)
        return;
    text.resize(got);
    if (size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    f.versionNumber = std::move(text);
}

} // namespace

SystemFigures ReadSystemFigures() {
    SystemFigures f;
    f.memory = ReadMemory();
    f.version = ReadVersion();
    ReadVersionValues(f);
    return f;
}

} // namespace qv
