#pragma once
// CRC-32 (ISO-HDLC, as zip and zlib compute it) of a file's content: the
// fingerprint by which file entries are recognised.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace qv {

namespace detail {
constexpr std::array<uint32_t, 256> MakeCRC32Table() {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[i] = c;
    }
    return t;
}
} // namespace detail

// Entry i: the reflected CRC-32 remainder of byte i for polynomial 0xEDB88320,
// computed at compile time.
inline constexpr std::array<uint32_t, 256> CRC32Table = detail::MakeCRC32Table();
static_assert(CRC32Table[1] == 0x77073096u && CRC32Table[255] == 0x2D02EF8Du);

// Runs the register over the bytes; no inversion of its own. A length of 0
// returns crc unchanged.
uint32_t UpdateCRC32(uint32_t crc, const void* data, size_t length);

// The CRC-32 of the whole file as a signed 32-bit number; -1 for a missing,
// unreadable or empty file.
int32_t FileCRC32(const std::string& path);

// Reads the whole file as FileCRC32 does, in blocks of at most 256 KiB (others
// may go on reading and writing it meanwhile), and hands each block on. size
// is the file's size once it is open. False when the file cannot be opened
// or not read whole (a file that shrank under the reader is unreadable).
using FileBlockVisitor = std::function<void(const unsigned char* data, size_t size)>;
bool ReadFileBlocks(const std::string& path, uint64_t& size, const FileBlockVisitor& block);

} // namespace qv
