#pragma once
// Which file a command line really starts: service image paths in their
// kernel and boot spellings, unquoted paths with blanks and arguments, a
// task's program. Pure code: the environment and the file system come in as
// functions.
#include <functional>
#include <string>
#include <string_view>

namespace qv {

struct PathContext {
    std::string windowsDir; // with a trailing backslash
    std::string systemDir;  // with a trailing backslash
    // The text with its %variables% replaced, as the system would.
    std::function<std::string(std::string_view)> expand;
    std::function<bool(const std::string&)> fileExists;
};

// The file a command line starts (a service's ImagePath, a Run value):
// "\SystemRoot\", "SystemRoot\", "System32\" relative to the Windows folder,
// "\??\" and "\\?\" dropped, a bare name in the system folder, variables
// expanded. An unquoted path with blanks is cut as the system cuts it: the
// shortest leading part that names an existing file (with ".exe" added when
// it has no extension) wins, so a planted C:\Program.exe is what the row
// shows. When none exists, the text up to the first program extension, or
// up to the first blank. Empty for an empty text.
std::string ResolveCommandLineFile(std::string_view commandLine, const PathContext& ctx);

// The file a program text names on its own, blanks and all (a task's
// Command): quotes dropped, variables expanded, a bare name looked for in
// the system folder and then the Windows folder.
std::string ResolveProgramFile(std::string_view program, const PathContext& ctx);

} // namespace qv
