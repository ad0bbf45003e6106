#pragma once
// Which file a command line really starts: service image paths in their
// kernel and boot spellings, unquoted paths with blanks and arguments, a
// task's program, a module name of a registry list. Pure code: the
// environment and the file system come in as functions.
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

// The file a command line starts (a service's ImagePath, a Run value, a
// debugger): "\SystemRoot\", "SystemRoot\", "System32\" relative to the
// Windows folder, "\??\" and "\\?\" dropped, variables expanded, a bare name
// looked up in the system and then the Windows folder. defaultExt (".exe",
// ".dll") is tried when the name has none. An unquoted path with blanks is
// cut as the system cuts it: the shortest leading part that names an
// existing file wins, so a planted C:\Program.exe is what the row shows.
// When none exists, the text up to the first program extension, or up to
// the first blank. Empty for an empty text. Bounded for any input: only the
// first 1024 characters are expanded and cut, at most 32 cuts looked up.
std::string ResolveCommandLineFile(std::string_view commandLine, const PathContext& ctx,
                                   std::string_view defaultExt = ".exe");

// The file a program text names on its own, blanks and all (a task's
// Command): quotes dropped, otherwise as ResolveCommandLineFile.
std::string ResolveProgramFile(std::string_view program, const PathContext& ctx,
                               std::string_view defaultExt = ".exe");

} // namespace qv
