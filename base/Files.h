#pragma once
// File system helpers over the ANSI Windows API. Paths are ANSI bytes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// True for an existing file; a directory never counts as a file.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates the directory and every missing parent. True when it exists after.
bool ForceDirectories(const std::string& path);
// The whole file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::string& path);
// Reads the whole file; throws AppError when it cannot be opened or read.
std::string ReadFileBytesOrThrow(const std::string& path);
// Replaces the file's content atomically: the bytes go to a temporary file in
// the same folder, are flushed to disk, and the temporary file then replaces
// the old one in one step. A crash at any moment leaves either the old or the
// new content. Throws AppError ("Datei %s kann nicht erstellt werden") and
// leaves the old file untouched when any step fails.
void WriteFileAtomic(const std::string& path, std::string_view bytes);
// The file's attributes, or INVALID_FILE_ATTRIBUTES (0xFFFFFFFF).
uint32_t GetAttributes(const std::string& path);
bool SetAttributes(const std::string& path, uint32_t attributes);
bool RemoveFile(const std::string& path);
// Deletes a file whatever its attributes; when the deletion fails the file
// keeps the attributes it had. A folder is never deleted.
bool DeleteAnyFile(const std::string& path);
// Full path of the running executable as the process knows it.
std::string ExecutablePath();
// The directory part of that path, with a trailing backslash.
std::string ExecutableDir();
// A fresh, empty directory below the system's temporary folder.
std::string MakeTempDirectory(std::string_view prefix);

} // namespace qv
