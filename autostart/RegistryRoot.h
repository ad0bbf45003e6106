#pragma once
// Registry access for entries that name their key by RootKey text (the root
// handle in unsigned decimal) and KeyPath (with or without a leading
// backslash). The Windows side of RootKeys.h.
#include "autostart/RootKeys.h"
#include "base/Handles.h"

#include <string>
#include <string_view>

namespace qv {

HKEY RootHandle(RegRoot root);
// HKEY_CLASSES_ROOT, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE for their
// decimal handle texts; nullptr for anything else.
HKEY RootKeyFromText(std::string_view rootKey);
// The key path as RegOpenKeyEx wants it: without a leading backslash.
std::string RegistryPath(std::string_view keyPath);
// Opens (or, with create, creates) the entry's key in the native registry
// view; an empty handle when that fails, with the system's error code in
// *error when it is given.
RegKey OpenEntryKey(const std::string& rootKey, const std::string& keyPath, REGSAM access,
                    bool create, LONG* error = nullptr);

} // namespace qv
