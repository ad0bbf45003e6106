#include "autostart/TextFile.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(TextFile, LoadsEveryLineEndAndSavesWithCRLF) {
    test::TempDir dir;
    std::string f = dir / "config.sys";
    test::WriteBytes(f, "DEVICE=a\nFILES=30\n\nBUFFERS=\xE4");
    auto lines = LoadTextLines(f);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], "BUFFERS=\xE4");
    SaveTextLines(f, lines);
    EXPECT_EQ(test::ReadBytes(f), "DEVICE=a\r\nFILES=30\r\n\r\nBUFFERS=\xE4\r\n");
    // Saving unchanged lines again gives the same bytes.
    SaveTextLines(f, LoadTextLines(f));
    EXPECT_EQ(test::ReadBytes(f), "DEVICE=a\r\nFILES=30\r\n\r\nBUFFERS=\xE4\r\n");
}

TEST(TextFile, AttributesAreTheSameAfterASave) {
    test::TempDir dir;
    std::string f = dir / "winstart.bat";
    test::WriteBytes(f, "x\r\n");
    ASSERT_TRUE(SetAttributes(f, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    SaveTextLines(f, {"y"});
    EXPECT_EQ(test::ReadBytes(f), "y\r\n");
    EXPECT_EQ(GetAttributes(f), DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    SetAttributes(f, FILE_ATTRIBUTE_NORMAL);
}

TEST(TextFile, FailedSaveKeepsTheOldContent) {
    test::TempDir dir;
    std::string f = dir / "msdos.sys";
    test::WriteBytes(f, "old\r\n");
    ASSERT_TRUE(SetAttributes(f, FILE_ATTRIBUTE_READONLY));
    EXPECT_THROW(SaveTextLines(f, {"new"}), AppError);
    EXPECT_EQ(test::ReadBytes(f), "old\r\n");
    EXPECT_TRUE(GetAttributes(f) & FILE_ATTRIBUTE_READONLY);
    SetAttributes(f, FILE_ATTRIBUTE_NORMAL);

    // Locked by another program: the save fails, nothing is half-written.
    HANDLE lock =
        ::CreateFileA(f.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_THROW(SaveTextLines(f, {"new"}), AppError);
    ::CloseHandle(lock);
    EXPECT_EQ(test::ReadBytes(f), "old\r\n");
    EXPECT_THROW(LoadTextLines(dir / "missing.bat"), AppError);
}

} // namespace
} // namespace qv
