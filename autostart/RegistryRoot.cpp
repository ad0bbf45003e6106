#include "autostart/RegistryRoot.h"

namespace qv {

HKEY RootHandle(RegRoot root) {
    switch (root) {
    case RegRoot::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case RegRoot::CurrentUser:
        return HKEY_CURRENT_USER;
    case RegRoot::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    }
    return nullptr;
}

HKEY RootKeyFromText(std::string_view rootKey) {
    auto root = RootFromText(rootKey);
    return root ? RootHandle(*root) : nullptr;
}

std::string RegistryPath(std::string_view keyPath) {
    while (!keyPath.empty() && keyPath.front() == '\\')
        keyPath.remove_prefix(1);
    return std::string(keyPath);
}

RegKey OpenEntryKey(const std::string& rootKey, const std::string& keyPath, REGSAM access,
                    bool create, LONG* error) {
    RegKey key;
    HKEY root = RootKeyFromText(rootKey);
    if (error) *error = ERROR_INVALID_HANDLE;
    if (!root) return key;
    const std::string path = RegistryPath(keyPath);
    access |= KEY_WOW64_64KEY;
    LONG r = create ? ::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, access, nullptr,
                                        key.put(), nullptr)
                    : ::RegOpenKeyExA(root, path.c_str(), 0, access, key.put());
    if (error) *error = r;
    return key;
}

} // namespace qv
