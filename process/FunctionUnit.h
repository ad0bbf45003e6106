#pragma once
// Small wrappers over the shell, shared by the whole program.
#include "base/Handles.h"

#include <string>

namespace qv {

// The small icon of the file (its first icon); falls back to the first icon
// of "default.ico" in the current directory, and to an empty icon.
IconHandle LoadFileIcon(const std::string& path, bool large = false);
// Opens a file, document or address with the shell's "open" verb. Returns
// true when the shell reported failure.
bool ShellOpen(const std::string& target);
// The target path of a shell link (.lnk) file, resolved without any user
// interface; empty when the link cannot be loaded, resolved or read.
std::string ResolveShortcut(const std::wstring& linkPath);

} // namespace qv
