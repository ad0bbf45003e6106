// FileCRC32 over a 256 MiB file beside two baselines measured in the same
// run: a plain ReadFile loop over the same file (what reading alone costs)
// and zlib's crc32 with the same reading pattern. Prints MB/s and the ratios.
#include "base/Files.h"
#include "base/Handles.h"
#include "database/CRC.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#ifdef QV6_HAVE_ZLIB
#include <zlib.h>
#endif

using namespace qv;

namespace {

constexpr size_t kSize = 256u << 20;

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Reading alone: the file read whole in blocks of 1 MiB, the bytes touched by
// nothing but the read itself.
uint64_t PlainRead(const std::string& path) {
    UniqueHandle f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    std::vector<unsigned char> buf(1u << 20);
    uint64_t total = 0;
    DWORD got = 0;
    while (::ReadFile(f.get(), buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr) && got)
        total += got;
    return total;
}

#ifdef QV6_HAVE_ZLIB
// Same reading pattern as FileCRC32, with zlib doing the arithmetic.
uint32_t ZlibFileCrc(const std::string& path) {
    UniqueHandle f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    std::vector<unsigned char> buf(1u << 20);
    uLong crc = crc32(0L, Z_NULL, 0);
    DWORD got = 0;
    while (::ReadFile(f.get(), buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr) && got)
        crc = crc32(crc, buf.data(), got);
    return static_cast<uint32_t>(crc);
}
#endif

} // namespace

int main() {
    std::string dir = MakeTempDirectory("qv6bench");
    std::string path = dir + "crc.bin";
    {
        std::vector<unsigned char> block(1u << 20);
        uint32_t x = 12345;
        for (auto& b : block) {
            x = x * 1103515245u + 12345u;
            b = static_cast<unsigned char>(x >> 24);
        }
        UniqueHandle f(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        for (size_t done = 0; done < kSize; done += block.size()) {
            DWORD put = 0;
            ::WriteFile(f.get(), block.data(), static_cast<DWORD>(block.size()), &put, nullptr);
        }
    }
    const double mb = double(kSize) / (1024.0 * 1024.0);

    // Warm the file cache once so both runs read from memory alike.
    FileCRC32(path);

    double best = 1e9;
    int32_t ours = 0;
    for (int i = 0; i < 3; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        ours = FileCRC32(path);
        best = std::min(best, Seconds(std::chrono::steady_clock::now() - t0));
    }
    std::printf("FileCRC32:   %8.1f MB/s  (crc %08X)\n", mb / best, static_cast<uint32_t>(ours));

    double rbest = 1e9;
    uint64_t read = 0;
    for (int i = 0; i < 3; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        read = PlainRead(path);
        rbest = std::min(rbest, Seconds(std::chrono::steady_clock::now() - t0));
    }
    std::printf("ReadFile:    %8.1f MB/s  (%llu bytes)\n", mb / rbest,
                static_cast<unsigned long long>(read));
    std::printf("ratio FileCRC32 / ReadFile: %.2f (goal: at least 0.80)\n", rbest / best);

#ifdef QV6_HAVE_ZLIB
    double zbest = 1e9;
    uint32_t theirs = 0;
    for (int i = 0; i < 3; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        theirs = ZlibFileCrc(path);
        zbest = std::min(zbest, Seconds(std::chrono::steady_clock::now() - t0));
    }
    std::printf("zlib crc32:  %8.1f MB/s  (crc %08X)\n", mb / zbest, theirs);
    std::printf("ratio FileCRC32 / zlib: %.2f%s\n", zbest / best,
                static_cast<uint32_t>(ours) == theirs ? "" : "  VALUES DIFFER");
#else
    std::printf("zlib not available: no baseline\n");
#endif
    ::DeleteFileA(path.c_str());
    ::RemoveDirectoryA(dir.c_str());
    return 0;
}
