#include "app/Backup.h"

#include "base/Files.h"
#include "base/Handles.h"
#include "base/Text.h"

namespace qv {

namespace {

std::string ReadStartupFolder(HKEY root, const char* keyPath, const char* valueName) {
    RegKey key;
    if (::RegOpenKeyExA(root, keyPath, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return {};
    char buf[2048];
    DWORD type = 0, size = sizeof buf - 1;
    if (::RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(buf),
                           &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    buf[size] = '\0';
    return std::string(buf);
}

void BackupFolder(const std::string& folder, const std::string& backupDir) {
    if (folder.empty() || !DirectoryExists(folder)) return;
    WIN32_FIND_DATAA fd;
    FindHandle find(::FindFirstFileA((folder + "\\*.*").c_str(), &fd));
    if (!find) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        std::string target = backupDir + name;
        if (FileExists(target)) continue;
        // Fails for subfolders and locked files; both are skipped.
        ::CopyFileA((folder + "\\" + name).c_str(), target.c_str(), TRUE);
    } while (::FindNextFileA(find.get(), &fd));
}

} // namespace

void BackupStartupFolders(const std::string& appDir) {
    std::string backupDir = appDir + "backup\\";
    if (!DirectoryExists(backupDir)) ForceDirectories(backupDir);
    BackupFolder(ReadStartupFolder(HKEY_CURRENT_USER,
                                   "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell "
                                   "Folders",
                                   "startup"),
                 backupDir);
    BackupFolder(ReadStartupFolder(HKEY_LOCAL_MACHINE,
                                   "Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell "
                                   "Folders",
                                   "common startup"),
                 backupDir);
}

} // namespace qv
