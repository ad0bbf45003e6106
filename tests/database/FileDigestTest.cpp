// The checksum and the SHA-256 of one read: the checksum must be FileCRC32's
// in every case, or an entry listed by qv6scan would not be the entry the
// database knows.
#include "base/Crypto.h"
#include "base/Handles.h"
#include "database/CRC.h"
#include "database/FileDigest.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(FileDigest, SameChecksumAsFileCRC32AndTheFilesSha256) {
    test::TempDir dir;
    std::string big((1u << 20) + 17, '\0'); // crosses the read blocks
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>((i * 131) ^ (i >> 9));
    test::WriteBytes(dir / "big.bin", big);
    test::WriteBytes(dir / "abc.txt", "abc");
    test::WriteBytes(dir / "empty.txt", "");
    ASSERT_TRUE(::CreateDirectoryA((dir / "folder").c_str(), nullptr));

    for (const char* name : {"big.bin", "abc.txt", "empty.txt", "folder", "missing.txt"}) {
        const std::string path = dir / name;
        FileDigests d = ReadFileDigests(path);
        EXPECT_EQ(d.crc32, FileCRC32(path)) << name;
    }
    EXPECT_EQ(ReadFileDigests(dir / "big.bin").sha256, Sha256(big));
    EXPECT_EQ(ToHex(*ReadFileDigests(dir / "abc.txt").sha256),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // An empty file has no checksum but a digest; a folder or a missing file
    // has neither.
    EXPECT_EQ(ReadFileDigests(dir / "empty.txt").crc32, -1);
    EXPECT_EQ(ReadFileDigests(dir / "empty.txt").sha256, Sha256(""));
    EXPECT_FALSE(ReadFileDigests(dir / "folder").sha256);
    EXPECT_FALSE(ReadFileDigests(dir / "missing.txt").sha256);
}

TEST(FileDigest, AFileLockedByAnotherProgramHasNeither) {
    test::TempDir dir;
    test::WriteBytes(dir / "locked.bin", "locked bytes");
    UniqueHandle lock(::CreateFileA((dir / "locked.bin").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock);
    FileDigests d = ReadFileDigests(dir / "locked.bin");
    EXPECT_EQ(d.crc32, -1);
    EXPECT_FALSE(d.sha256);
    lock.reset();
    // Readers that let others write do not stand in the way.
    UniqueHandle writer(::CreateFileA((dir / "locked.bin").c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    EXPECT_EQ(ReadFileDigests(dir / "locked.bin").sha256, Sha256("locked bytes"));
}

} // namespace
} // namespace qv
