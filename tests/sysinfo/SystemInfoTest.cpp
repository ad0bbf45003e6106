// The rows of the system information list from scripted figures, and once
// from the real system.
#include "sysinfo/SystemFigures.h"
#include "sysinfo/SystemInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv {
namespace {

using Rows = std::vector<SysInfoRow>;

const SysInfoTexts kTexts = {"Auslastung", "Physisch", "Verf\xFCgbar", "Virtuell"};

SystemFigures Figures(uint32_t platform, uint32_t major, uint32_t minor, uint32_t build,
                      const std::string& service, uint8_t productType = kProductWorkstation) {
    SystemFigures f;
    f.memory = {37, 512ull << 20, 300000000, 2147352576ull, 2000000000};
    f.version = {platform, major, minor, build, productType, service};
    return f;
}

// The eight memory rows the list always begins with.
Rows MemoryRows(const std::string& load, const std::string& tp, const std::string& ap,
                const std::string& tv, const std::string& av) {
    return {{"Auslastung", load}, {}, {"Physisch", tp}, {"Verf\xFCgbar", ap}, {}, {"Virtuell", tv},
            {"Verf\xFCgbar", av}, {}};
}

Rows With(Rows rows, const Rows& more) {
    rows.insert(rows.end(), more.begin(), more.end());
    return rows;
}

const Rows kMemory = MemoryRows("37 %", "512 MB", "286 MB", "2047 MB", "1907 MB");

TEST(SysInfoRows, MemoryInWholeMegabytesAlsoAboveFourGigabytes) {
    EXPECT_EQ(BuildSysInfoRows(Figures(2, 5, 1, 2600, "Service Pack 2"), kTexts),
              With(kMemory, {{"Windows XP", std::nullopt}, {"Servicepack", "2"}}));

    SystemFigures big = Figures(2, 10, 0, 19045, "");
    big.memory = {91, 17179869184ull, 5368709120ull + 1048575, 140737488224256ull,
                  140737400000000ull};
    EXPECT_EQ(BuildSysInfoRows(big, kTexts),
              With(MemoryRows("91 %", "16384 MB", "5120 MB", "134217727 MB", "134217643 MB"),
                   {{"Windows 10", std::nullopt}}));
    EXPECT_EQ(MegabyteText(0), "0 MB");
    EXPECT_EQ(MegabyteText(1048575), "0 MB");
}

TEST(SysInfoRows, NineXFamilyKeepsItsServiceTextAndTheRegistryVersion) {
    SystemFigures f = Figures(1, 4, 10, 2222, " a ");
    EXPECT_EQ(BuildSysInfoRows(f, kTexts), With(kMemory, {{"Windows 98", " A "}}));
    f.hasVersionValue = true;
    EXPECT_EQ(BuildSysInfoRows(f, kTexts), With(kMemory, {{"Windows 98", " A "}, {"Version", ""}}));
    f.versionNumber = "4.10.2222";
    EXPECT_EQ(BuildSysInfoRows(f, kTexts),
              With(kMemory, {{"Windows 98", " A "}, {"Version", "4.10.2222"}}));
    // An unknown system still has its name row, empty.
    EXPECT_EQ(BuildSysInfoRows(Figures(1, 5, 0, 0, ""), kTexts), With(kMemory, {{"", ""}}));
}

TEST(SysInfoRows, ServicePackRowOnlyWhenTheNtServiceTextNamesOne) {
    EXPECT_EQ(BuildSysInfoRows(Figures(2, 4, 0, 1381, "Service Pack 6a"), kTexts),
              With(kMemory, {{"Windows NT 4.0", std::nullopt}, {"Servicepack", "6A"}}));
    EXPECT_EQ(BuildSysInfoRows(Figures(2, 5, 0, 2195, " \tService Pack 4 \r"), kTexts),
              With(kMemory, {{"Windows 2000", std::nullopt}, {"Servicepack", "4"}}));
    for (const char* none : {"", "1", "  x ", "Service Pack "})
        EXPECT_EQ(BuildSysInfoRows(Figures(2, 6, 1, 7601, none), kTexts),
                  With(kMemory, {{"Windows 7", std::nullopt}}))
            << none;
    EXPECT_EQ(BuildSysInfoRows(Figures(2, 6, 1, 7601, "Service Pack 1"), kTexts),
              With(kMemory, {{"Windows 7", std::nullopt}, {"Servicepack", "1"}}));
}

TEST(SysInfoRows, NamesOfTheNtFamilyFromNt351ToWindows11AndTheServers) {
    struct Case {
        uint32_t platform, major, minor, build;
        uint8_t product;
        const char* name;
    } cases[] = {
        {1, 4, 0, 950, 0, "Windows 95"},
        {1, 4, 90, 3000, 0, "Windows ME"},
        {2, 3, 51, 1057, 1, "Windows NT 3.51"},
        {2, 4, 0, 1381, 3, "Windows NT 4.0"},
        {2, 5, 0, 2195, 3, "Windows 2000"},
        {2, 5, 2, 3790, 1, "Windows XP"},
        {2, 5, 2, 3790, 3, "Windows Server 2003"},
        {2, 6, 0, 6002, 1, "Windows Vista"},
        {2, 6, 0, 6002, 3, "Windows Server 2008"},
        {2, 6, 1, 7601, 1, "Windows 7"},
        {2, 6, 1, 7601, 2, "Windows Server 2008 R2"},
        {2, 6, 2, 9200, 1, "Windows 8"},
        {2, 6, 2, 9200, 3, "Windows Server 2012"},
        {2, 6, 3, 9600, 1, "Windows 8.1"},
        {2, 6, 3, 9600, 0, "Windows 8.1"},
        {2, 6, 3, 9600, 3, "Windows Server 2012 R2"},
        {2, 10, 0, 19045, 1, "Windows 10"},
        {2, 10, 0, 21999, 1, "Windows 10"},
        {2, 10, 0, 22000, 1, "Windows 11"},
        {2, 10, 0, 22631, 1, "Windows 11"},
        {2, 10, 0, 14393, 3, "Windows Server 2016"},
        {2, 10, 0, 17763, 3, "Windows Server 2019"},
        {2, 10, 0, 20348, 2, "Windows Server 2022"},
        {2, 10, 0, 26100, 3, "Windows Server 2025"},
        {2, 6, 4, 9841, 1, ""},
        {2, 11, 0, 30000, 1, ""},
        {1, 10, 0, 19045, 1, ""},
        {0, 10, 0, 19045, 1, ""},
    };
    for (const Case& c : cases) {
        VersionFigures v{c.platform, c.major, c.minor, c.build, c.product, ""};
        EXPECT_EQ(WindowsName(v), c.name) << c.platform << " " << c.major << "." << c.minor << "."
                                          << c.build << " type " << int(c.product);
    }
    EXPECT_EQ(BuildSysInfoRows(Figures(2, 10, 0, 22631, ""), kTexts),
              With(kMemory, {{"Windows 11", std::nullopt}}));
}

TEST(SysInfoRows, TheRealSystemGivesRowsOfTheDescribedShape) {
    const SystemFigures f = ReadSystemFigures();
    EXPECT_GT(f.memory.totalPhysical, 0u);
    EXPECT_LE(f.memory.availablePhysical, f.memory.totalPhysical);
    EXPECT_LE(f.memory.loadPercent, 100u);
    EXPECT_EQ(f.version.platformId, kPlatformNT);
    EXPECT_GE(f.version.major, 5u);
    // The true version, not the one the documented call makes up for
    // programs without a manifest entry for it; every system up to now has
    // a name.
    if (f.version.major <= 10) {
        EXPECT_FALSE(WindowsName(f.version).empty())
            << f.version.major << "." << f.version.minor << "." << f.version.build;
    }

    const Rows rows = BuildSysInfoRows(f, kTexts);
    ASSERT_GE(rows.size(), 9u);
    ASSERT_LE(rows.size(), 11u);
    const std::string load = *rows[0].value;
    EXPECT_EQ(load, std::to_string(f.memory.loadPercent) + " %");
    for (int i : {2, 3, 5, 6}) {
        ASSERT_TRUE(rows[i].value);
        const std::string& mb = *rows[i].value;
        ASSERT_GT(mb.size(), 3u);
        EXPECT_EQ(mb.substr(mb.size() - 3), " MB");
        EXPECT_EQ(mb.find_first_not_of("0123456789"), mb.size() - 3) << mb;
    }
    for (int i : {1, 4, 7})
        EXPECT_EQ(rows[i], SysInfoRow{}) << i;
    EXPECT_EQ(rows[8].caption, WindowsName(f.version));
    EXPECT_FALSE(rows[8].value);
    EXPECT_EQ(BuildSysInfoRows(f, kTexts), rows); // rebuilt alike, never appended
}

} // namespace
} // namespace qv
