// The registry groups of today's Windows: Winlogon, image hijacks, AppInit
// DLLs, LSA packages, print monitors and packaged apps' startup tasks.
#include "autostart/GroupScan.h"

#include "autostart/Scanner.h"
#include "base/Text.h"

#include <algorithm>
#include <array>
#include <string>

namespace qv {

namespace {

constexpr std::string_view kNt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
constexpr std::string_view kNt32 = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion\\";

std::string Key(std::string_view a, std::string_view b, std::string_view c = {}) {
    std::string k(a);
    k.append(b);
    if (!c.empty()) {
        k.push_back('\\');
        k.append(c);
    }
    return k;
}

// Opens a key given without its leading backslash, as the records keep it.
bool Open(RegistryReader& reg, RegRoot root, const std::string& path) {
    return reg.OpenKey(root, "\\" + path);
}

std::string Marked(std::string_view caption, bool isDefault, std::string_view mark) {
    std::string text(caption);
    if (isDefault && !mark.empty()) {
        text.push_back(' ');
        text.append(mark);
    }
    return text;
}

// The item names the file in the folder, or names it bare (found there by
// the search path); whether the file exists does not matter.
bool IsFileOf(std::string_view item, std::string_view folder, std::string_view name) {
    const std::string path = ExtractFilePath(item);
    return SameTextAscii(ExtractFileName(item), name) &&
           (path.empty() || SameTextAscii(path, folder));
}

bool InList(std::string_view name, std::initializer_list<std::string_view> list) {
    for (std::string_view s : list)
        if (SameTextAscii(name, s)) return true;
    return false;
}

} // namespace

void ScanWinlogon(GroupScan& scan) {
    RegistryReader& reg = scan.Registry();
    const std::string key = Key(kNt, "Winlogon");
    struct Source {
        RegRoot root;
        std::string_view value;
    };
    // Userinit and Shell are comma lists; each program of them runs.
    constexpr std::array<Source, 6> kValues{{
        {RegRoot::LocalMachine, "Userinit"},
        {RegRoot::LocalMachine, "Shell"},
        {RegRoot::LocalMachine, "Taskman"},
        {RegRoot::LocalMachine, "AppSetup"},
        {RegRoot::CurrentUser, "Userinit"},
        {RegRoot::CurrentUser, "Shell"},
    }};
    for (const Source& s : kValues) {
        if (!Open(reg, s.root, key)) continue;
        std::string text;
        if (reg.ReadText(s.value, text) != ValueRead::Text) continue;
        for (const std::string& item : SplitList(text, ",")) {
            const std::string file = scan.Program(item);
            // What Windows itself puts there: userinit.exe of the system
            // folder as Userinit, explorer.exe of the Windows folder as Shell.
            const bool isDefault =
                (s.value == "Userinit" && IsFileOf(item, scan.SystemDir(), "userinit.exe")) ||
                (s.value == "Shell" && IsFileOf(item, scan.WindowsDir(), "explorer.exe"));
            scan.AddRegistry(AutostartGroup::Winlogon, s.root, key, s.value, item,
                             Marked(s.value, isDefault, scan.DefaultMark()), item, file);
        }
    }
    // Notification packages of old: each subkey names a DLL Winlogon loads.
    const std::string notify = key + "\\Notify";
    if (!Open(reg, RegRoot::LocalMachine, notify)) return;
    for (const std::string& sub : reg.SubkeyNames()) {
        const std::string subKey = notify + "\\" + sub;
        std::string dll;
        if (!Open(reg, RegRoot::LocalMachine, subKey) ||
            reg.ReadText("DllName", dll) != ValueRead::Text)
            continue;
        scan.AddRegistry(AutostartGroup::Winlogon, RegRoot::LocalMachine, subKey, "DllName", dll,
                         "Notify\\" + sub, dll, scan.Program(dll, ".dll"));
    }
}

void ScanImageHijacks(GroupScan& scan) {
    RegistryReader& reg = scan.Registry();
    struct Source {
        std::string_view base;
        std::string_view key;
        std::string_view value;
    };
    // The debugger runs instead of the program; the monitor runs when the
    // program ends. Both views: 32-bit programs read their own.
    constexpr std::array<Source, 4> kSources{{
        {kNt, "Image File Execution Options", "Debugger"},
        {kNt32, "Image File Execution Options", "Debugger"},
        {kNt, "SilentProcessExit", "MonitorProcess"},
        {kNt32, "SilentProcessExit", "MonitorProcess"},
    }};
    // What the native view listed, by value name, program and command: a
    // 32-bit view that is the same key (Wine links the two) or a copy of it
    // shows each hijack once. Once the native one is switched off, a copy
    // of its own shows on the next scan.
    std::vector<std::string> native;
    auto place = [](const Source& s, std::string_view exe, std::string_view command) {
        return UpperAscii(std::string(s.value) + '|' + std::string(exe)) + '|' +
               std::string(command);
    };
    for (const Source& s : kSources) {
        const bool isNative = s.base == kNt;
        const std::string key = Key(s.base, s.key);
        if (!Open(reg, RegRoot::LocalMachine, key)) continue;
        for (const std::string& exe : reg.SubkeyNames()) {
            const std::string sub = key + "\\" + exe;
            std::string command;
            // A key that cannot be read, or a value that is no text, starts
            // nothing: skipped.
            if (!Open(reg, RegRoot::LocalMachine, sub) ||
                reg.ReadText(s.value, command) != ValueRead::Text || TrimBlanks(command).empty())
                continue;
            const std::string at = place(s, exe, command);
            if (isNative)
                native.push_back(at);
            else if (std::find(native.begin(), native.end(), at) != native.end())
                continue;
            scan.AddRegistry(AutostartGroup::ImageHijacks, RegRoot::LocalMachine, sub, s.value,
                             command, exe, command, scan.Program(command));
        }
    }
}

void ScanAppInitDlls(GroupScan& scan) {
    RegistryReader& reg = scan.Registry();
    for (std::string_view base : {kNt, kNt32}) {
        const std::string key = Key(base, "Windows");
        if (!Open(reg, RegRoot::LocalMachine, key)) continue;
        // The list is loaded only while the switch is on; switched off, the
        // DLLs start nothing and are not listed (a deactivated row comes
        // from the kept entries).
        auto load = ReadRawValue(reg, "LoadAppInit_DLLs");
        if (!load || RawDword(*load).value_or(0) == 0) continue;
        std::string list;
        if (reg.ReadText("AppInit_DLLs", list) != ValueRead::Text) continue;
        for (const std::string& dll : SplitList(list, ", ")) {
            const std::string file = scan.Program(dll, ".dll");
            scan.AddRegistry(AutostartGroup::AppInitDlls, RegRoot::LocalMachine, key,
                             "AppInit_DLLs", dll, ExtractFileName(dll), dll, file);
        }
    }
}

void ScanLsaPackages(GroupScan& scan) {
    RegistryReader& reg = scan.Registry();
    const std::string lsa = "SYSTEM\\CurrentControlSet\\Control\\Lsa";
    struct Source {
        std::string key;
        std::string_view value;
    };
    const Source sources[] = {
        {lsa, "Security Packages"},
        {lsa, "Authentication Packages"},
        {lsa, "Notification Packages"},
        {lsa + "\\OSConfig", "Security Packages"},
    };
    for (const Source& s : sources) {
        if (!Open(reg, RegRoot::LocalMachine, s.key)) continue;
        auto value = ReadRawValue(reg, s.value);
        if (!value) continue;
        for (const std::string& text : RawStrings(*value))
            for (const std::string& package : SplitList(text, " ")) {
                // Windows writes an empty list as a pair of quotes.
                if (package == "\"\"") continue;
                const std::string name = ExtractFileName(package);
                const bool isDefault =
                    InList(name, {"msv1_0", "kerberos", "schannel", "wdigest", "tspkg", "pku2u",
                                  "cloudap", "negoexts", "livessp", "scecli", "rassfm",
                                  "msv1_0.dll", "kerberos.dll", "schannel.dll", "wdigest.dll",
                                  "tspkg.dll", "pku2u.dll", "cloudap.dll", "scecli.dll"});
                scan.AddRegistry(AutostartGroup::LsaPackages, RegRoot::LocalMachine, s.key, s.value,
                                 package, Marked(package, isDefault, scan.DefaultMark()),
                                 std::string(s.value), scan.Program(package, ".dll"));
            }
    }
}

void ScanPrintMonitors(GroupScan& scan) {
    RegistryReader& reg = scan.Registry();
    const std::string key = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";
    if (!Open(reg, RegRoot::LocalMachine, key)) return;
    for (const std::string& name : reg.SubkeyNames()) {
        const std::string sub = key + "\\" + name;
        std::string driver;
        if (!Open(reg, RegRoot::LocalMachine, sub) ||
            reg.ReadText("Driver", driver) != ValueRead::Text || TrimBlanks(driver).empty())
            continue;
        const bool isDefault =
            InList(ExtractFileName(driver),
                   {"localspl.dll", "tcpmon.dll", "usbmon.dll", "wsdmon.dll", "apmon.dll",
                    "fxsmon.dll", "appmon.dll", "pjlmon.dll", "mfpmon.dll"});
        scan.AddRegistry(AutostartGroup::PrintMonitors, RegRoot::LocalMachine, sub, "Driver",
                         driver, Marked(name, isDefault, scan.DefaultMark()), driver,
                         scan.Program(driver, ".dll"));
    }
}

std::string_view StartupTaskStateName(uint32_t state) {
    constexpr std::array<std::string_view, 5> kNames{"Disabled", "DisabledByUser", "Enabled",
                                                     "DisabledByPolicy", "EnabledByPolicy"};
    return state < kNames.size() ? kNames[state] : std::string_view();
}

void ScanStoreApps(GroupScan& scan) {
    RegistryReader& reg = scan.Registry();
    const std::string key = "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\"
                            "CurrentVersion\\AppModel\\SystemAppData";
    if (!Open(reg, RegRoot::CurrentUser, key)) return;
    for (const std::string& package : reg.SubkeyNames()) {
        const std::string packageKey = key + "\\" + package;
        if (!Open(reg, RegRoot::CurrentUser, packageKey)) continue;
        for (const std::string& task : reg.SubkeyNames()) {
            const std::string taskKey = packageKey + "\\" + task;
            if (!Open(reg, RegRoot::CurrentUser, taskKey)) continue;
            // Only a startup task has a State; other subkeys are the
            // package's other data.
            auto value = ReadRawValue(reg, "State");
            auto state = value && value->type == kRegDword ? RawDword(*value) : std::nullopt;
            if (!state) continue;
            std::string word(StartupTaskStateName(*state));
            if (word.empty()) word = std::to_string(*state);
            scan.AddRegistry(AutostartGroup::StoreApps, RegRoot::CurrentUser, taskKey, "State",
                             word, package, task + ": " + word, {});
        }
    }
}

} // namespace qv
