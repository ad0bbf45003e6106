#include "base/Text.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(Text, UpperCasingChangesOnlyAsciiLetters) {
    EXPECT_EQ(UpperAscii("c:\\tools\\a.exe"), "C:\\TOOLS\\A.EXE");
    // ä and ß stay as they are: upper-casing is ASCII only.
    EXPECT_EQ(UpperAscii("\xE4\xDF z"), "\xE4\xDF Z");
    EXPECT_TRUE(SameTextAscii("StubPath", "STUBPATH"));
    EXPECT_FALSE(SameTextAscii("\xE4", "\xC4"));
    EXPECT_TRUE(ContainsTextAscii("C:\\WINDOWS\\Explorer.EXE /x", "explorer.exe"));
    EXPECT_FALSE(ContainsTextAscii("explorer.ex", "explorer.exe"));
}

TEST(Text, PathParts) {
    EXPECT_EQ(ExtractFilePath("C:\\Dokumente\\Autostart\\tool.lnk"), "C:\\Dokumente\\Autostart\\");
    EXPECT_EQ(ExtractFilePath("c:autoexec.bat"), "c:");
    EXPECT_EQ(ExtractFilePath("tool.lnk"), "");
    EXPECT_EQ(ExtractFileName("C:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(ExtractFileExt("C:\\a\\notes.Lnk"), ".Lnk");
    EXPECT_EQ(ExtractFileExt("C:\\a.b\\lnk"), "");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\x"), "C:\\x\\");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\x\\"), "C:\\x\\");
}

TEST(Text, TrimRemovesBlanksAndControlCharacters) {
    EXPECT_EQ(TrimBlanks(" \t\r\n x y \x01"), "x y");
    EXPECT_EQ(TrimBlanks("   "), "");
}

TEST(Text, SplitLinesHandlesEveryLineEndAndStopsAtNul) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitLines("a\r\nb\r\n"), (V{"a", "b"}));
    EXPECT_EQ(SplitLines("a\nb\n"), (V{"a", "b"}));
    EXPECT_EQ(SplitLines("a\rb"), (V{"a", "b"}));
    EXPECT_EQ(SplitLines("a\r\n\r\nb\n\rc"), (V{"a", "", "b", "", "c"}));
    EXPECT_EQ(SplitLines(std::string("a\nb\0c\nd", 7)), (V{"a", "b"}));
    EXPECT_TRUE(SplitLines("").empty());
}

} // namespace
} // namespace qv
