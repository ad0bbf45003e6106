#include "autostart/InactiveRules.h"

#include <gtest/gtest.h>

#include <deque>
#include <set>

namespace qv {
namespace {

TEST(InactiveIsfLine, FormatIsByteExact) {
    EXPECT_EQ(FormatIsfLine("file7", "C:\\Start Menu\\Tool.lnk", 32),
              "file7|\"C:\\Start Menu\\Tool.lnk\"|32");
    EXPECT_EQ(FormatIsfLine("file4711", "c:\\autoexec.bat", 4294967295u),
              "file4711|\"c:\\autoexec.bat\"|4294967295");
}

TEST(InactiveIsfLine, ParseUndoesFormatForPathsWithBlanksAndBars) {
    for (std::string path : {"C:\\Dokumente und Einstellungen\\Autostart\\x y.lnk", "C:\\a\\b.exe",
                             " C:\\lead and trail \\"}) {
        IsfLine l = ParseIsfLine(FormatIsfLine("file12", path, 34));
        EXPECT_EQ(l.stored, "file12");
        EXPECT_EQ(l.former, path);
        EXPECT_EQ(l.attributes, "34");
    }
}

TEST(InactiveIsfLine, ParseFollowsDelimitedListRules) {
    // An unquoted field ends at a blank as well as at the bar.
    auto f = SplitIsfFields("file1 x|\"p\"|32");
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[0], "file1");
    EXPECT_EQ(f[1], "x");
    EXPECT_EQ(f[2], "p");
    // A doubled quote inside a quoted field is one quote.
    EXPECT_EQ(SplitIsfFields("a|\"x\"\"y\"|1")[1], "x\"y");
    // A trailing delimiter gives an empty last field; an empty line none.
    EXPECT_EQ(SplitIsfFields("a|").size(), 2u);
    EXPECT_TRUE(SplitIsfFields("").empty());
    // Damaged lines yield empty fields, never a crash.
    IsfLine d = ParseIsfLine("file3");
    EXPECT_EQ(d.stored, "file3");
    EXPECT_EQ(d.former, "");
    EXPECT_EQ(ParseIsfLine("a|\"unterminated").former, "unterminated");
}

TEST(InactiveIsfLine, FindsTheFirstExactCaseSensitiveMatch) {
    std::vector<std::string> lines = {
        FormatIsfLine("file1", "C:\\A\\Tool.lnk", 32),
        "",
        FormatIsfLine("file2", "C:\\a\\tool.lnk", 32),
        FormatIsfLine("file3", "C:\\a\\tool.lnk", 33),
    };
    EXPECT_EQ(FindIsfLine(lines, "C:\\a\\tool.lnk"), 2u);
    EXPECT_EQ(FindIsfLine(lines, "C:\\A\\Tool.lnk"), 0u);
    EXPECT_FALSE(FindIsfLine(lines, "C:\\a\\tool.ln"));
    EXPECT_FALSE(FindIsfLine(lines, ""));
    EXPECT_EQ(JoinIsfLines({"a", "b"}), "a\r\nb\r\n");
    EXPECT_EQ(JoinIsfLines({}), "");
}

TEST(InactiveIsfLine, OnlyRealStoredNamesMatch) {
    for (const char* good : {"file0", "file7", "file4711", "file9999"})
        EXPECT_TRUE(IsStoredName(good)) << good;
    for (const char* bad :
         {"file", "file07", "file10000", "File7", "file7.bak", "..\\file7", "file-1", ""})
        EXPECT_FALSE(IsStoredName(bad)) << bad;
    // A planted line that would reach outside the folder is passed over.
    std::vector<std::string> lines = {FormatIsfLine("..\\..\\boot", "C:\\a.lnk", 32),
                                      FormatIsfLine("file3", "C:\\a.lnk", 32)};
    EXPECT_EQ(FindIsfLine(lines, "C:\\a.lnk"), 1u);
}

TEST(InactiveStoredName, DrawsUntilAFreeNameAndStaysInRange) {
    std::deque<uint32_t> draws = {7, 7, 4711, 12};
    std::set<std::string> taken = {"file7", "file4711"};
    uint32_t seenBound = 0;
    auto name = DrawStoredName([&](const std::string& n) { return taken.count(n) > 0; },
                               [&](uint32_t bound) {
                                   seenBound = bound;
                                   uint32_t v = draws.front();
                                   draws.pop_front();
                                   return v;
                               });
    EXPECT_EQ(name, "file12");
    EXPECT_EQ(seenBound, 10000u);
}

TEST(InactiveStoredName, NeverLoopsForeverAndNeverCollides) {
    // Chance that only ever hits taken names: the free one is still found.
    auto name = DrawStoredName([](const std::string& n) { return n != "file9999"; },
                               [](uint32_t) { return 5u; });
    EXPECT_EQ(name, "file9999");
    // Every name taken: no name, no endless loop.
    EXPECT_FALSE(
        DrawStoredName([](const std::string&) { return true; }, [](uint32_t) { return 0u; }));
}

TEST(InactiveCheckMark, DecisionTable) {
    for (uint8_t group = 0; group < 9; ++group) {
        EXPECT_EQ(DecideCheckMark(group, 1, true), CheckMarkAction::None);
        EXPECT_EQ(DecideCheckMark(group, 0, false), CheckMarkAction::None);
        auto changed = group == 1 ? CheckMarkAction::RefuseShellOpen : CheckMarkAction::Apply;
        EXPECT_EQ(DecideCheckMark(group, 1, false), changed);
        EXPECT_EQ(DecideCheckMark(group, 0, true), changed);
    }
}

} // namespace
} // namespace qv
