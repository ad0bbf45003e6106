#include "database/CRC.h"

#include "base/Handles.h"

#include <cstring>
#include <immintrin.h>
#include <memory>
#include <new>

namespace qv {

namespace {

// Slicing-by-16: sixteen derived tables let the loop fold sixteen bytes per
// step with independent lookups instead of one dependent lookup per byte.
// Table k maps a byte to its remainder after k further zero bytes, so the
// result is bit for bit the byte-wise CRC.
struct SliceTables {
    uint32_t t[16][256];
};

constexpr SliceTables MakeSliceTables() {
    SliceTables s{};
    for (int i = 0; i < 256; ++i)
        s.t[0][i] = CRC32Table[static_cast<size_t>(i)];
    for (int k = 1; k < 16; ++k)
        for (int i = 0; i < 256; ++i) {
            uint32_t prev = s.t[k - 1][i];
            s.t[k][i] = (prev >> 8) ^ s.t[0][prev & 0xFF];
        }
    return s;
}

constexpr SliceTables kSlice = MakeSliceTables();

inline uint32_t Load32(const unsigned char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

} // namespace

namespace {

uint32_t UpdateSliced(uint32_t crc, const unsigned char* p, size_t length) {
    const auto& t = kSlice.t;
    while (length >= 16) {
        uint32_t a = Load32(p) ^ crc;
        uint32_t b = Load32(p + 4);
        uint32_t c = Load32(p + 8);
        uint32_t d = Load32(p + 12);
        crc = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
              t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
              t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
              t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
        p += 16;
        length -= 16;
    }
    while (length--)
        crc = (crc >> 8) ^ CRC32Table[(crc ^ *p++) & 0xFF];
    return crc;
}

#define QV_FOLD_TARGET __attribute__((target("pclmul,sse4.1")))

QV_FOLD_TARGET inline __m128i load(const unsigned char* q) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
}

// x times the two halves of k, added to the next 128 bits of data.
QV_FOLD_TARGET inline __m128i fold(__m128i x, __m128i k, __m128i next) {
    __m128i lo = _mm_clmulepi64_si128(x, k, 0x00);
    __m128i hi = _mm_clmulepi64_si128(x, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(hi, lo), next);
}

// Carry-less multiplication folding (the method of Intel's "Fast CRC
// Computation for Generic Polynomials Using PCLMULQDQ"): four 128-bit lanes
// are folded forward 64 bytes at a time, then into one lane, then reduced to
// 32 bits with a Barrett step. The constants are powers of x modulo the
// bit-reflected polynomial: x^(4*128+32), x^(4*128-32) for the four-lane fold,
// x^(128+32), x^(128-32) for the one-lane fold, x^64 for 64->32, and P(x)
// with its Barrett quotient. Needs length >= 64 and a multiple of 16.
QV_FOLD_TARGET uint32_t UpdateFolded(uint32_t crc, const unsigned char* p, size_t length) {
    const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
    const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
    const __m128i k5 = _mm_set_epi64x(0, 0x0163cd6124);
    const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);
    const __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);

    __m128i x1 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = load(p + 16), x3 = load(p + 32), x4 = load(p + 48);
    p += 64;
    length -= 64;
    while (length >= 64) {
        x1 = fold(x1, k1k2, load(p));
        x2 = fold(x2, k1k2, load(p + 16));
        x3 = fold(x3, k1k2, load(p + 32));
        x4 = fold(x4, k1k2, load(p + 48));
        p += 64;
        length -= 64;
    }
    x1 = fold(x1, k3k4, x2);
    x1 = fold(x1, k3k4, x3);
    x1 = fold(x1, k3k4, x4);
    while (length >= 16) {
        x1 = fold(x1, k3k4, load(p));
        p += 16;
        length -= 16;
    }
    // 128 -> 64 bits.
    __m128i x2b = _mm_clmulepi64_si128(x1, k3k4, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2b);
    // 64 -> 32 bits.
    __m128i hi32 = _mm_srli_si128(x1, 4);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00), hi32);
    // Barrett reduction.
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), poly, 0x00);
    x1 = _mm_xor_si128(x1, t);
    return static_cast<uint32_t>(_mm_extract_epi32(x1, 1));
}

bool HaveCarrylessMultiply() {
    static const bool have = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return have;
}

} // namespace

uint32_t UpdateCRC32(uint32_t crc, const void* data, size_t length) {
    auto p = static_cast<const unsigned char*>(data);
    if (length >= 64 && HaveCarrylessMultiply()) {
        size_t folded = length & ~size_t(15);
        crc = UpdateFolded(crc, p, folded);
        p += folded;
        length -= folded;
    }
    return UpdateSliced(crc, p, length);
}

bool ReadFileBlocks(const std::string& path, uint64_t& size, const FileBlockVisitor& block) {
    size = 0;
    UniqueHandle f(::CreateFileA(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!f) return false;
    LARGE_INTEGER length{};
    if (!::GetFileSizeEx(f.get(), &length) || length.QuadPart < 0) return false;
    size = static_cast<uint64_t>(length.QuadPart);
    if (size == 0) return true;
    // Blocks, not one buffer of the whole file: the value of every checksum
    // is the same, and a large file is never held in memory at once. A
    // quarter of a MiB stays in the core's cache between the read that fills
    // it and the checksum that runs over it; with 1 MiB the checksum fetched
    // every block back from memory and cost a third of the read on top.
    constexpr uint64_t kBlock = 1u << 18;
    uint64_t left = size;
    const size_t bufSize = static_cast<size_t>(left < kBlock ? left : kBlock);
    std::unique_ptr<unsigned char[]> buf(new (std::nothrow) unsigned char[bufSize]);
    if (!buf) return false;
    while (left > 0) {
        DWORD want = static_cast<DWORD>(left < bufSize ? left : bufSize), got = 0;
        if (!::ReadFile(f.get(), buf.get(), want, &got, nullptr) || got == 0) return false;
        block(buf.get(), got);
        left -= got;
    }
    return true;
}

int32_t FileCRC32(const std::string& path) {
    uint32_t crc = 0xFFFFFFFFu;
    uint64_t size = 0;
    const bool read = ReadFileBlocks(
        path, size, [&](const unsigned char* data, size_t n) { crc = UpdateCRC32(crc, data, n); });
    // An empty file has no checksum, like one that cannot be read.
    if (!read || size == 0) return -1;
    return static_cast<int32_t>(~crc);
}

} // namespace qv
