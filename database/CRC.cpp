#include "database/CRC.h"

#include "base/Handles.h"

#include <memory>
#include <new>

namespace qv {

uint32_t UpdateCRC32(uint32_t crc, const void* data, size_t length) {
    auto p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < length; ++i)
        crc = (crc >> 8) ^ CRC32Table[(crc ^ p[i]) & 0xFF];
    return crc;
}

int32_t FileCRC32(const std::string& path) {
    int32_t result = -1;
    UniqueHandle f(::CreateFileA(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f)
        return result;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(f.get(), &size) || size.QuadPart <= 0)
        return result;
    uint32_t crc = 0xFFFFFFFFu;
    uint64_t left = static_cast<uint64_t>(size.QuadPart);
    // Read in blocks: the value is the same as over one buffer of the whole
    // file, without holding a large file in memory at once.
    constexpr size_t kBlock = 1u << 20;
    std::unique_ptr<unsigned char[]> buf(new (std::nothrow) unsigned char[kBlock]);
    if (!buf)
        return result;
    while (left > 0) {
        DWORD want = static_cast<DWORD>(left < kBlock ? left : kBlock), got = 0;
        if (!::ReadFile(f.get(), buf.get(), want, &got, nullptr) || got == 0)
            return result;
        crc = UpdateCRC32(crc, buf.get(), got);
        left -= got;
    }
    return static_cast<int32_t>(~crc);
}

} // namespace qv
