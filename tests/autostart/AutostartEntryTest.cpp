#include "autostart/AutostartEntry.h"
#include "model/AppModel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace qv {
namespace {

AutostartEntry RunEntry(const std::string& name, const std::string& data) {
    AutostartEntry e = ZeroEntry();
    e.Kind = KindRegistry;
    e.RootKey.assign(kRootLocalMachine);
    e.KeyPath.assign("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    e.ValueName.assign(name);
    e.ValueData.assign(data);
    e.Caption.assign(name);
    e.Detail.assign(data);
    return e;
}

TEST(AutostartEntry, LongTextIsCutTo255AndTheRestIsZero) {
    AutostartEntry e = ZeroEntry();
    e.ValueData.assign(std::string(300, 'x'));
    EXPECT_EQ(e.ValueData.Length, 255);
    EXPECT_EQ(e.ValueData.str(), std::string(255, 'x'));
    e.ValueData.assign("kurz");
    EXPECT_EQ(e.ValueData.Length, 4);
    for (int i = 4; i < 255; ++i)
        ASSERT_EQ(e.ValueData.Chars[i], 0) << i;
}

TEST(AutostartEntry, FieldsSitAtTheirFileOffsets) {
    AutostartEntry e = RunEntry("Tool", "c:\\tool.exe");
    e.Group = 7;
    e.Checksum = -873187034;
    e.Active = 1;
    std::string bytes = EncodeRecords({e});
    ASSERT_EQ(bytes.size(), 1800u);
    EXPECT_EQ(bytes.substr(257, 11), std::string("\x0A"
                                                 "2147483650"));
    EXPECT_EQ(bytes.substr(769, 5), std::string("\x04Tool"));
    EXPECT_EQ(bytes[1282], 1);
    EXPECT_EQ(bytes[1795], 7);
    EXPECT_EQ(bytes.substr(1796, 4), std::string("\x26\x39\xF4\xCB", 4)); // little-endian
}

TEST(AutostartEntry, RecordsRoundTripByteForByteIncludingGarbageBehindStrings) {
    std::mt19937 gen(3);
    std::string bytes(3 * 1800, '\0');
    for (auto& c : bytes)
        c = static_cast<char>(gen());
    bytes[1 + 1800] = static_cast<char>(255); // a length byte of 255
    bytes[1795] = 200;                        // a group byte above 8
    auto records = DecodeRecords(bytes);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].FileName.Length, 255);
    EXPECT_EQ(EncodeRecords(records), bytes);
}

TEST(AutostartEntry, FragmentAtTheEndIsNotRead) {
    std::string one(1800, 'a');
    EXPECT_EQ(DecodeRecords(one + "b").size(), 1u);
    EXPECT_EQ(DecodeRecords(one.substr(0, 1799)).size(), 0u);
    EXPECT_EQ(DecodeRecords("").size(), 0u);
}

TEST(AutostartEntry, IdentityComparesTheFiveTextsAndChecksumOnly) {
    AutostartEntry a = RunEntry("Tool", "c:\\tool.exe");
    AutostartEntry b = a;
    b.Caption.assign("anders");
    b.Detail.assign("anders");
    b.Group = 5;
    b.Kind = KindFile;
    b.SourceFlag = 1;
    EXPECT_TRUE(SameAutostartPoint(a, b, true));
    EXPECT_EQ(IdentityHash(a), IdentityHash(b));

    b.Active = 1;
    EXPECT_TRUE(SameAutostartPoint(a, b, false));
    EXPECT_FALSE(SameAutostartPoint(a, b, true));
    EXPECT_EQ(IdentityHash(a), IdentityHash(b));

    AutostartEntry c = a;
    c.ValueName.assign("tool"); // case counts
    EXPECT_FALSE(SameAutostartPoint(a, c, false));
    AutostartEntry d = a;
    d.Checksum = 1;
    EXPECT_FALSE(SameAutostartPoint(a, d, false));
    // "ab" + "" must differ from "a" + "b" across neighbouring fields.
    AutostartEntry e = a, f = a;
    e.KeyPath.assign("ab");
    e.ValueName.assign("");
    f.KeyPath.assign("a");
    f.ValueName.assign("b");
    EXPECT_FALSE(SameAutostartPoint(e, f, false));
}

TEST(AutostartEntry, BytesBehindTheLengthTakeNoPartInIdentity) {
    AutostartEntry a = RunEntry("Tool", "x");
    AutostartEntry b = a;
    std::memset(b.ValueData.Chars + 1, 'Z', 254);
    EXPECT_TRUE(SameAutostartPoint(a, b, true));
    EXPECT_EQ(IdentityHash(a), IdentityHash(b));
}

TEST(AutostartEntry, AddASEntryAppendsACopyAndZeroFillsTheWorkRecord) {
    AppModel model;
    model.ASEntries.clear();
    AutostartEntry work = RunEntry("A", "a.exe");
    EXPECT_EQ(AddASEntry(model.ASEntries, work, 1), 0);
    const AutostartEntry zero = ZeroEntry();
    EXPECT_EQ(std::memcmp(&work, &zero, sizeof work), 0);
    work = RunEntry("B", "b.exe");
    EXPECT_EQ(AddASEntry(model.ASEntries, work, 0), 1);
    ASSERT_EQ(model.ASEntries.size(), 2u);
    EXPECT_EQ(model.ASEntries[0].Active, 1);
    EXPECT_EQ(model.ASEntries[1].Active, 0);
    EXPECT_EQ(model.ASEntries[1].ValueName.str(), "B");
    model.ASEntries.clear();
}

TEST(AutostartEntry, AppendBeyond65536EntriesIsRefusedWithoutWrapping) {
    AppModel model;
    model.ASEntries.assign(kMaxEntries - 1, ZeroEntry());
    AutostartEntry work = RunEntry("last", "x");
    EXPECT_EQ(AddASEntry(model.ASEntries, work, 1), 65535);
    work = RunEntry("one too many", "x");
    EXPECT_EQ(AddASEntry(model.ASEntries, work, 1), -1);
    EXPECT_EQ(model.ASEntries.size(), kMaxEntries);
    EXPECT_EQ(work.ValueName.Length, 0); // still zero-filled for the next one
    EXPECT_EQ(model.ASEntries.back().ValueName.str(), "last");
    model.ASEntries.clear();
    model.ASEntries.shrink_to_fit();
}

} // namespace
} // namespace qv
