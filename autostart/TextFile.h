#pragma once
// Loading and saving the text files that hold autostart lines (ini files,
// boot and batch files) for the text file editor.
#include <string>
#include <vector>

namespace qv {

// The file's lines (ANSI; CR LF, LF or CR end a line; a NUL ends the text).
// Throws AppError when the file cannot be read.
std::vector<std::string> LoadTextLines(const std::string& path);
// The text as it is saved: every line followed by CR LF.
std::string JoinTextLines(const std::vector<std::string>& lines);
// Replaces the file's content with the lines, each followed by CR LF, and
// sets the file's attributes back to what they were. The new content goes to
// a temporary file first, so a failure part-way leaves the old content
// intact; a read-only file is refused. Throws AppError on failure.
void SaveTextLines(const std::string& path, const std::vector<std::string>& lines);

} // namespace qv
