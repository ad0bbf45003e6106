#include "autostart/RegistryRoot.h"

#include "autostart/AutostartEntry.h"

namespace qv {

HKEY RootKeyFromText(std::string_view rootKey) {
    if (rootKey == kRootClassesRoot) return HKEY_CLASSES_ROOT;
    if (rootKey == kRootCurrentUser) return HKEY_CURRENT_USER;
    if (rootKey == kRootLocalMachine) return HKEY_LOCAL_MACHINE;
    return nullptr;
}

std::string RegistryPath(std::string_view keyPath) {
    while (!keyPath.empty() && keyPath.front() == '\\')
        keyPath.remove_prefix(1);
    return std::string(keyPath);
}

RegKey OpenEntryKey(const std::string& rootKey, const std::string& keyPath, REGSAM access,
                    bool create) {
    RegKey key;
    HKEY root = RootKeyFromText(rootKey);
    if (!root) return key;
    const std::string path = RegistryPath(keyPath);
    access |= KEY_WOW64_64KEY;
    if (create)
        ::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, access, nullptr, key.put(), nullptr);
    else
        ::RegOpenKeyExA(root, path.c_str(), 0, access, key.put());
    return key;
}

} // namespace qv
