#pragma once
// A file's CRC-32 and SHA-256 from one read: what a full listing of the
// autostart entries needs beside each file entry, without reading every file
// twice.
#include "base/Crypto.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qv {

struct FileDigests {
    // Exactly what FileCRC32 gives for the file: -1 for a missing,
    // unreadable or empty file.
    int32_t crc32 = -1;
    // The SHA-256 of the file's bytes (that of no bytes for an empty file);
    // nothing when the file cannot be opened or read whole.
    std::optional<Sha256Digest> sha256;
};

FileDigests ReadFileDigests(const std::string& path);

} // namespace qv
