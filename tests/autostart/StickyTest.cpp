#include "autostart/StickyFile.h"
#include "base/Errors.h"
#include "support/Entries.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {
using namespace test;

const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::vector<StickyItem> SampleItems() {
    StickyItem reg = StickyItemOf(RegEntry("2147483649", kRun, "Tab\tand\\back\r\n", "x.exe"));
    reg.returns = 4294967295u;
    StickyItem file = StickyItemOf(FileEntry("C:\\Autostart\\Tool.lnk"));
    file.keep = false;
    return {reg, file, StickyItemOf(IniEntry("C:\\windows\\win.ini", "windows", "load", "a"))};
}

TEST(StickyListFile, RoundTripsEveryFieldAndCountsItsLines) {
    const std::string bytes = FormatStickyList(SampleItems());
    EXPECT_EQ(bytes.substr(0, 14), "QV6 sticky 1\r\n");
    EXPECT_EQ(bytes.substr(bytes.size() - 7), "end 3\r\n");
    EXPECT_NE(bytes.find("Tab\\tand\\\\back\\r\\n"), std::string::npos);
    auto back = ParseStickyList(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, SampleItems());
    EXPECT_EQ(ParseStickyList(FormatStickyList({}))->size(), 0u);
}

TEST(StickyListFile, TornOrForeignBytesAreRefused) {
    const std::string good = FormatStickyList(SampleItems());
    const std::string firstLine = good.substr(0, good.find("\r\n", 14) + 2);
    const std::string cases[] = {
        "",
        good.substr(0, good.size() - 1),                          // cut inside the last line end
        good.substr(0, good.size() - 7),                          // the closing line lost
        firstLine + "end 3\r\n",                                  // fewer lines than it counts
        "QV6 sticky 2\r\nend 0\r\n",                              // a later format
        "1\t0\t0\t0\ta\tb\tc\td\r\nend 1\r\n",                    // no header
        "QV6 sticky 1\r\n1\t0\t18\t0\ta\tb\tc\td\r\nend 1\r\n",   // no such group
        "QV6 sticky 1\r\n2\t0\t0\t0\ta\tb\tc\td\r\nend 1\r\n",    // keep neither 0 nor 1
        "QV6 sticky 1\r\n1\t0\t0\t0\ta\\x\tb\tc\td\r\nend 1\r\n", // unknown escape
        "QV6 sticky 1\r\n1\t0\t0\t0\ta\tb\tc\r\nend 1\r\n",       // a field short
        "QV6 sticky 1\r\n1\t0\t0\t0\ta\nb\tb\tc\td\r\nend 1\r\n", // a bare line feed
        std::string(1800, '\0'),                                  // a record file put in its place
    };
    for (const std::string& bytes : cases)
        EXPECT_FALSE(ParseStickyList(bytes)) << testing::PrintToString(bytes);
}

TEST(StickyListFile, MatchesThePlaceNotTheDataAndIgnoresCase) {
    StickyList list;
    const AutostartEntry parked = RegEntry("2147483649", kRun, "Updater", "old.exe");
    const AutostartEntry link = FileEntry("C:\\Autostart\\Tool.lnk");
    list.Keep(parked);
    list.Keep(link);
    struct Case {
        AutostartEntry entry;
        bool found;
    } cases[] = {
        {RegEntry("2147483649", kRun, "UPDATER", "new.exe --again"), true},
        {RegEntry("2147483650", kRun, "Updater", "old.exe"), false},    // another root
        {RegEntry("2147483649", kRun, "Updater", "old.exe", 2), false}, // another group
        {RegEntry("2147483649", kRun + std::string("Once"), "Updater", "old.exe"), false},
        {FileEntry("c:\\autostart\\tool.LNK"), true},
        {FileEntry("C:\\Autostart\\Other\\Tool.lnk"), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(list.Find(c.entry).has_value(), c.found)
            << c.entry.FileName.str() << c.entry.ValueName.str();
    // Switched off, the item stays and says so; kept again, it is on again.
    ASSERT_TRUE(list.StopKeeping(*list.Find(parked)));
    EXPECT_FALSE(list.Items()[*list.Find(parked)].keep);
    EXPECT_EQ(list.Keep(parked), 0u);
    EXPECT_TRUE(list.Items()[0].keep);
    list.CountReturn(1);
    EXPECT_EQ(list.Items()[1].returns, 1u);
    EXPECT_TRUE(list.Forget(parked));
    EXPECT_FALSE(list.Find(parked));
    EXPECT_EQ(*list.Find(link), 0u);
}

TEST(StickyListFile, DamagedFileIsRefusedAndNeverWrittenOver) {
    test::TempDir dir;
    EXPECT_FALSE(LoadStickyList(dir.Path()).refused); // missing: empty
    StickyState state;
    state.list.Keep(FileEntry("C:\\Autostart\\Tool.lnk"));
    SaveStickyList(dir.Path(), state);
    EXPECT_EQ(LoadStickyList(dir.Path()).list.Items(), state.list.Items());

    const std::string torn = FormatStickyList(state.list.Items()).substr(0, 30);
    test::WriteBytes(dir / kStickyFile, torn);
    StickyState loaded = LoadStickyList(dir.Path());
    EXPECT_TRUE(loaded.refused);
    loaded.list.Keep(RegEntry("2147483649", kRun, "x", "y"));
    EXPECT_THROW(SaveStickyList(dir.Path(), loaded), AppError);
    EXPECT_EQ(test::ReadBytes(dir / kStickyFile), torn);
}

} // namespace
} // namespace qv
