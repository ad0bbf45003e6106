#include "database/CRC.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace qv {
namespace {

// The plain byte-at-a-time definition, kept here as the reference that the
// faster paths must match exactly.
uint32_t ReferenceCRC(uint32_t crc, const unsigned char* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        crc = (crc >> 8) ^ CRC32Table[(crc ^ p[i]) & 0xFF];
    return crc;
}

TEST(CRC, TableHoldsTheReflectedRemainders) {
    EXPECT_EQ(CRC32Table[0], 0u);
    EXPECT_EQ(CRC32Table[1], 0x77073096u);
    EXPECT_EQ(CRC32Table[128], 0xEDB88320u);
    EXPECT_EQ(CRC32Table[255], 0x2D02EF8Du);
}

TEST(CRC, UpdateDoesNoInversionAndZeroLengthChangesNothing) {
    const char* s = "123456789";
    EXPECT_EQ(~UpdateCRC32(0xFFFFFFFFu, s, 9), 0xCBF43926u);
    EXPECT_EQ(UpdateCRC32(0x12345678u, s, 0), 0x12345678u);
    // Running in two pieces gives the same as in one.
    EXPECT_EQ(UpdateCRC32(UpdateCRC32(0xFFFFFFFFu, s, 4), s + 4, 5),
              UpdateCRC32(0xFFFFFFFFu, s, 9));
}

TEST(CRC, FastPathsMatchTheByteWiseDefinitionForEveryLengthAndAlignment) {
    std::mt19937 gen(7);
    std::vector<unsigned char> buf(4096 + 64);
    for (auto& b : buf)
        b = static_cast<unsigned char>(gen());
    for (size_t offset = 0; offset < 16; ++offset)
        for (size_t len = 0; len <= 600; ++len) {
            uint32_t start = static_cast<uint32_t>(gen());
            ASSERT_EQ(UpdateCRC32(start, buf.data() + offset, len),
                      ReferenceCRC(start, buf.data() + offset, len))
                << "offset " << offset << " length " << len;
        }
    ASSERT_EQ(UpdateCRC32(0xFFFFFFFFu, buf.data(), 4096),
              ReferenceCRC(0xFFFFFFFFu, buf.data(), 4096));
}

TEST(CRC, FileChecksumAndItsMinusOneRules) {
    test::TempDir dir;
    test::WriteBytes(dir / "digits.txt", "123456789");
    EXPECT_EQ(FileCRC32(dir / "digits.txt"), -873187034); // 0xCBF43926
    EXPECT_EQ(static_cast<uint32_t>(FileCRC32(dir / "digits.txt")), 0xCBF43926u);

    test::WriteBytes(dir / "same.bin", "123456789");
    EXPECT_EQ(FileCRC32(dir / "same.bin"), FileCRC32(dir / "digits.txt"));

    test::WriteBytes(dir / "empty.txt", "");
    EXPECT_EQ(FileCRC32(dir / "empty.txt"), -1); // not 0
    EXPECT_EQ(FileCRC32(dir / "missing.txt"), -1);
    EXPECT_EQ(FileCRC32(dir.Path()), -1); // a directory is no file
}

TEST(CRC, LockedFileGivesMinusOne) {
    test::TempDir dir;
    std::string path = dir / "locked.bin";
    test::WriteBytes(path, "data");
    HANDLE lock = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(FileCRC32(path), -1);
    ::CloseHandle(lock);
    EXPECT_NE(FileCRC32(path), -1);
}

TEST(CRC, LargeFileMatchesTheReference) {
    // Larger than one read block, and not a multiple of it.
    test::TempDir dir;
    std::string bytes(3 * 1024 * 1024 + 77, '\0');
    std::mt19937 gen(11);
    for (auto& c : bytes)
        c = static_cast<char>(gen());
    test::WriteBytes(dir / "big.bin", bytes);
    uint32_t expected = ~ReferenceCRC(
        0xFFFFFFFFu, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    EXPECT_EQ(static_cast<uint32_t>(FileCRC32(dir / "big.bin")), expected);
}

} // namespace
} // namespace qv
