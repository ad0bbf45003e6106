#include "database/FileDigest.h"

#include "base/Errors.h"
#include "database/CRC.h"

namespace qv {

FileDigests ReadFileDigests(const std::string& path) {
    FileDigests out;
    try {
        Sha256Hasher sha;
        uint32_t crc = 0xFFFFFFFFu;
        uint64_t size = 0;
        // Read as FileCRC32 reads it, so that the checksum is the same in
        // every case.
        if (!ReadFileBlocks(path, size, [&](const unsigned char* data, size_t n) {
                crc = UpdateCRC32(crc, data, n);
                sha.Add(data, n);
            }))
            return out;
        // An empty file has no checksum, but a digest.
        if (size > 0) out.crc32 = static_cast<int32_t>(~crc);
        out.sha256 = sha.Finish();
    } catch (const AppError&) {
        // No SHA-256 on this system: the checksum alone is still worth having.
        out.crc32 = FileCRC32(path);
    }
    return out;
}

} // namespace qv
