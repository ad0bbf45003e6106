#include "AutostartMachine.h"

#include "base/Files.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <shlobj.h>

namespace qv::test {

namespace {

const char kShellFoldersCU[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kShellFoldersLM[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Folders";

std::string Dir(UINT (*get)(LPSTR, UINT)) {
    char buf[MAX_PATH + 1] = {};
    get(buf, MAX_PATH);
    return IncludeTrailingBackslash(buf);
}

std::string ShellFolder(int csidl) {
    char buf[MAX_PATH + 1] = {};
    ::SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buf);
    return buf;
}

std::string SavedName(const std::string& folder) {
    return folder + ".qv6saved";
}

// Moves the folder's content aside and leaves an empty folder in its place.
void EmptyFolder(const std::string& folder) {
    ASSERT_FALSE(folder.empty());
    RemoveTree(SavedName(folder));
    ASSERT_TRUE(::MoveFileA(folder.c_str(), SavedName(folder).c_str())) << folder;
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr)) << folder;
}

void RestoreFolder(const std::string& folder) {
    RemoveTree(folder);
    ::MoveFileA(SavedName(folder).c_str(), folder.c_str());
}

} // namespace

std::optional<RegTree> SaveRegTree(HKEY root, const std::string& path) {
    RegKey k;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS)
        return std::nullopt;
    RegTree t;
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameLen = sizeof name, type = 0, size = 0;
        if (::RegEnumValueA(k.get(), i, name, &nameLen, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        std::string data(size, '\0');
        nameLen = sizeof name;
        ::RegEnumValueA(k.get(), i, name, &nameLen, nullptr, &type,
                        reinterpret_cast<BYTE*>(data.data()), &size);
        data.resize(size);
        t.values.push_back({std::string(name, nameLen), type, data});
    }
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD len = sizeof name;
        if (::RegEnumKeyExA(k.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        std::string sub(name, len);
        if (auto subtree = SaveRegTree(root, path + "\\" + sub))
            t.subkeys.emplace_back(sub, std::move(*subtree));
    }
    return t;
}

void RestoreRegTree(HKEY root, const std::string& path, const std::optional<RegTree>& tree) {
    RegDeleteTree(root, path);
    if (!tree) return;
    RegKey k;
    ASSERT_EQ(
        ::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, k.put(), nullptr),
        ERROR_SUCCESS)
        << path;
    for (const auto& v : tree->values)
        ::RegSetValueExA(k.get(), v.name.c_str(), 0, v.type,
                         reinterpret_cast<const BYTE*>(v.data.data()),
                         static_cast<DWORD>(v.data.size()));
    for (const auto& [name, sub] : tree->subkeys)
        RestoreRegTree(root, path + "\\" + name, sub);
}

std::vector<std::string> IniKeys(const std::string& file, const std::string& section) {
    std::string buf(65536, '\0');
    DWORD n = ::GetPrivateProfileStringA(section.c_str(), nullptr, "", buf.data(),
                                         static_cast<DWORD>(buf.size()), file.c_str());
    std::vector<std::string> keys;
    for (size_t pos = 0; pos < n;) {
        std::string k(buf.data() + pos);
        pos += k.size() + 1;
        if (!k.empty()) keys.push_back(k);
    }
    return keys;
}

constexpr const char* kLsa = "System\\CurrentControlSet\\Control\\Lsa";
constexpr const char* kAppModel =
    "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\AppModel\\"
    "SystemAppData";

AutostartMachine::AutostartMachine()
    : windowsDir_(Dir(::GetWindowsDirectoryA)), systemDir_(Dir(::GetSystemDirectoryA)),
      userStartup_(ShellFolder(CSIDL_STARTUP)), commonStartup_(ShellFolder(CSIDL_COMMON_STARTUP)) {
    EmptyFolder(userStartup_);
    EmptyFolder(commonStartup_);
    const std::string cv = "Software\\Microsoft\\Windows\\CurrentVersion\\";
    const std::string wow = "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\";
    const std::string nt = "Software\\Microsoft\\Windows NT\\CurrentVersion\\";
    const std::string nt32 = "Software\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion\\";
    const std::pair<HKEY, std::string> keys[] = {
        {HKEY_CURRENT_USER, cv + "Run"},
        {HKEY_CURRENT_USER, cv + "RunServices"},
        {HKEY_CURRENT_USER, cv + "RunOnce"},
        {HKEY_CURRENT_USER, cv + "RunServicesOnce"},
        {HKEY_CURRENT_USER, cv + "RunOnceEx"},
        {HKEY_LOCAL_MACHINE, cv + "Run"},
        {HKEY_LOCAL_MACHINE, cv + "RunServices"},
        {HKEY_LOCAL_MACHINE, cv + "RunOnce"},
        {HKEY_LOCAL_MACHINE, cv + "RunServicesOnce"},
        {HKEY_LOCAL_MACHINE, cv + "RunOnceEx"},
        {HKEY_CLASSES_ROOT, "exefile\\shell\\open\\command"},
        {HKEY_CLASSES_ROOT, "comfile\\shell\\open\\command"},
        {HKEY_CLASSES_ROOT, "batfile\\shell\\open\\command"},
        {HKEY_CLASSES_ROOT, "htafile\\Shell\\open\\Command"},
        {HKEY_CLASSES_ROOT, "piffile\\shell\\open\\command"},
        {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Active Setup\\Installed Components"},
        {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\VxD"},
        {HKEY_CURRENT_USER, "Software\\Mirabilis\\ICQ\\Agent\\Apps"},
        // The startup folder values live among many others: keep the whole key.
        {HKEY_CURRENT_USER, kShellFoldersCU},
        {HKEY_LOCAL_MACHINE, kShellFoldersLM},
        // The 32-bit registry view, the policy run keys and Explorer's
        // switches.
        {HKEY_LOCAL_MACHINE, wow + "Run"},
        {HKEY_LOCAL_MACHINE, wow + "RunServices"},
        {HKEY_LOCAL_MACHINE, wow + "RunOnce"},
        {HKEY_LOCAL_MACHINE, wow + "RunServicesOnce"},
        {HKEY_LOCAL_MACHINE, wow + "RunOnceEx"},
        {HKEY_LOCAL_MACHINE,
         "Software\\WOW6432Node\\Microsoft\\Active Setup\\Installed Components"},
        {HKEY_CURRENT_USER, cv + "Policies\\Explorer\\Run"},
        {HKEY_LOCAL_MACHINE, cv + "Policies\\Explorer\\Run"},
        {HKEY_CURRENT_USER, cv + "Explorer\\StartupApproved"},
        {HKEY_LOCAL_MACHINE, cv + "Explorer\\StartupApproved"},
        // The groups of today's Windows that own their keys.
        {HKEY_LOCAL_MACHINE, nt + "Image File Execution Options"},
        {HKEY_LOCAL_MACHINE, nt32 + "Image File Execution Options"},
        {HKEY_LOCAL_MACHINE, nt + "SilentProcessExit"},
        {HKEY_LOCAL_MACHINE, nt32 + "SilentProcessExit"},
        {HKEY_LOCAL_MACHINE, nt + "Winlogon\\Notify"},
        {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Print\\Monitors"},
        {HKEY_CURRENT_USER, kAppModel},
    };
    for (const auto& [root, path] : keys) {
        keys_.push_back({root, path, SaveRegTree(root, path)});
        if (path == kShellFoldersCU || path == kShellFoldersLM) {
            RegKey k;
            if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE, k.put()) == ERROR_SUCCESS)
                ::RegDeleteValueA(k.get(),
                                  root == HKEY_CURRENT_USER ? "startup" : "common startup");
        } else {
            RegDeleteTree(root, path);
        }
    }
    // Keys where the scanned values live among many others: the whole key is
    // kept, only the scanned values go.
    struct Values {
        HKEY root;
        std::string path;
        std::vector<const char*> names;
    };
    const Values values[] = {
        {HKEY_LOCAL_MACHINE, nt + "Winlogon", {"Userinit", "Shell", "Taskman", "AppSetup"}},
        {HKEY_CURRENT_USER, nt + "Winlogon", {"Userinit", "Shell", "Taskman", "AppSetup"}},
        {HKEY_LOCAL_MACHINE, nt + "Windows", {"AppInit_DLLs", "LoadAppInit_DLLs"}},
        {HKEY_LOCAL_MACHINE, nt32 + "Windows", {"AppInit_DLLs", "LoadAppInit_DLLs"}},
        {HKEY_LOCAL_MACHINE,
         kLsa,
         {"Security Packages", "Authentication Packages", "Notification Packages"}},
        {HKEY_LOCAL_MACHINE, kLsa + std::string("\\OSConfig"), {"Security Packages"}},
    };
    for (const Values& v : values) {
        keys_.push_back({v.root, v.path, SaveRegTree(v.root, v.path)});
        for (const char* name : v.names)
            RegRemoveValue(v.root, v.path, name, KEY_WOW64_64KEY);
    }

    const std::pair<std::string, std::string> ini[] = {{WinIni(), "windows"},
                                                       {SystemIni(), "boot"}};
    for (const auto& [file, section] : ini)
        for (const std::string& key : IniKeys(file, section))
            if (SameTextAscii(key, "load") || SameTextAscii(key, "run") ||
                SameTextAscii(key, "shell")) {
                char buf[4096] = {};
                ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buf, sizeof buf,
                                           file.c_str());
                ini_.push_back({file, section, key, buf, true});
                ::WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, file.c_str());
            }

    const std::string files[] = {"c:\\winstart.bat",
                                 "c:\\msdos.sys",
                                 windowsDir_ + "winstart.bat",
                                 systemDir_ + "winstart.bat",
                                 windowsDir_ + "command\\winstart.bat",
                                 windowsDir_ + "command\\cmdinit.bat",
                                 "c:\\autoexec.bat",
                                 "c:\\config.sys",
                                 "c:\\win.bat",
                                 "c:\\winboot.ini",
                                 windowsDir_ + "wininit.ini",
                                 "c:\\explorer.exe"};
    for (const std::string& f : files) {
        DWORD a = ::GetFileAttributesA(f.c_str());
        if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) continue;
        files_.push_back({f, ReadBytes(f), a});
        RemoveTree(f);
    }
}

AutostartMachine::~AutostartMachine() {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it)
        RemoveTree(*it);
    for (const SavedFile& f : files_) {
        WriteBytes(f.path, f.bytes);
        ::SetFileAttributesA(f.path.c_str(), f.attributes);
    }
    for (const std::string& file : {WinIni(), SystemIni()})
        for (const char* section : {"windows", "boot"})
            for (const char* key : {"load", "run", "shell"})
                ::WritePrivateProfileStringA(section, key, nullptr, file.c_str());
    for (const SavedIni& i : ini_)
        ::WritePrivateProfileStringA(i.section.c_str(), i.key.c_str(), i.value.c_str(),
                                     i.file.c_str());
    // Newest first: a key saved whole after a subkey of it was emptied
    // must not wipe that subkey once it is back.
    for (auto k = keys_.rbegin(); k != keys_.rend(); ++k)
        RestoreRegTree(k->root, k->path, k->tree);
    RestoreFolder(userStartup_);
    RestoreFolder(commonStartup_);
}

void AutostartMachine::SetUserStartup(const std::string& folder) {
    RegSetString(HKEY_CURRENT_USER, kShellFoldersCU, "startup", folder);
}

void AutostartMachine::SetCommonStartup(const std::string& folder) {
    RegSetString(HKEY_LOCAL_MACHINE, kShellFoldersLM, "common startup", folder);
}

void AutostartMachine::SetIni(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& value) {
    ASSERT_TRUE(
        ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()));
}

void AutostartMachine::CreateFile(const std::string& path, const std::string& bytes) {
    WriteBytes(path, bytes);
    created_.push_back(path);
}

void AutostartMachine::CreateFolder(const std::string& path) {
    if (!DirectoryExists(path)) {
        ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr)) << path;
        created_.push_back(path);
    }
}

} // namespace qv::test
