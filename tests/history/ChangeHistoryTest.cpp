// The history file: what the writer makes reads back as it was, the limits
// drop the oldest records and say so, and a damaged or foreign file is
// refused and left as it is.
#include "base/Clock.h"
#include "history/ChangeHistory.h"
#include "history/HistoryStore.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::test::TempDir;

namespace {

ChangeRecord FileRecord(uint64_t copyBytes, const std::string& copy) {
    ChangeRecord r;
    r.kind = ChangeKind::Delete;
    r.time = "2026-12-08 10:00:00";
    r.caption = copy;
    ChangeTouch t;
    t.what = TouchWhat::File;
    t.place = "C:\\x\\" + copy;
    t.before = {true, 0x21, copyBytes, 1, 2, 3, copy};
    r.touches.push_back(t);
    return r;
}

} // namespace

TEST(ChangeHistory, EveryByteOfEveryFieldReadsBack) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    ChangeHistory h;
    std::vector<std::string> dropped;
    ChangeRecord r;
    r.kind = ChangeKind::Edit;
    r.time = "2026-12-08 10:36:24";
    r.caption = "Caption \xE4 \r\n";
    r.touches.push_back({TouchWhat::RegistryValue,
                         "2147483649",
                         "Software\\R",
                         all,
                         {true, 7, 0, 0, 0, 0, all},
                         {false, 0, 0, 0, 0, 0, ""}});
    h.Append(r, dropped);
    h.Append(FileRecord(5, "copy1"), dropped);
    h.records[0].undoneBy = 2;

    ChangeHistory back;
    ASSERT_EQ(back.Read(h.Write()), HistoryFault::None);
    EXPECT_EQ(back.records, h.records);
    EXPECT_EQ(back.nextId, 3u);
    EXPECT_EQ(back.Write(), h.Write());
}

TEST(ChangeHistory, LimitsDropTheOldestAndSaySo) {
    struct Case {
        const char* name;
        size_t appended;
        uint64_t copyBytes;
        size_t kept;
    };
    const Case cases[] = {
        {"count", kHistoryMaxRecords + 3, 0, kHistoryMaxRecords},
        {"copies", 5, 30ull * 1024 * 1024, 3},
        // One copy alone over the limit is still kept: it is the newest.
        {"one huge copy", 2, kHistoryMaxCopyBytes + 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChangeHistory h;
        std::vector<std::string> dropped;
        for (size_t i = 0; i < c.appended; ++i) {
            ChangeRecord r =
                FileRecord(c.copyBytes, c.copyBytes ? std::to_string(i) : std::string());
            r.time = std::to_string(i);
            h.Append(r, dropped);
        }
        ASSERT_EQ(h.records.size(), c.kept);
        EXPECT_EQ(h.records.back().time, std::to_string(c.appended - 1));
        EXPECT_EQ(h.droppedCount, c.appended - c.kept);
        EXPECT_EQ(h.droppedUntil, std::to_string(c.appended - c.kept - 1));
        EXPECT_EQ(dropped.size(), c.copyBytes ? c.appended - c.kept : 0u);
        EXPECT_LE(h.CopyBytes(), std::max(kHistoryMaxCopyBytes, c.copyBytes));
    }
}

TEST(HistoryStore, DamagedOrForeignFileIsRefusedAndLeftAsItIs) {
    ChangeHistory h;
    std::vector<std::string> dropped;
    h.Append(FileRecord(5, "copy1"), dropped);
    const std::string good = h.Write();
    const size_t hex = good.find("636F");
    const struct {
        const char* name;
        std::string bytes;
        HistoryFault fault;
    } cases[] = {
        {"foreign", "[Settings]\r\nx=1\r\n", HistoryFault::Foreign},
        {"empty", "", HistoryFault::Foreign},
        {"cut before END", good.substr(0, good.find("END")), HistoryFault::Torn},
        {"cut inside a line", good.substr(0, good.size() - 3), HistoryFault::Torn},
        {"END disagrees", good.substr(0, good.find("END")) + "END 2\r\n", HistoryFault::Torn},
        {"odd hex", good.substr(0, hex) + good.substr(hex + 1), HistoryFault::Torn},
        {"LF only", "QV6HISTORY 1\r\nN 1 0 0 -\nEND 0\r\n", HistoryFault::Torn},
    };
    TempDir dir;
    SetLocalTimeHook([] { return std::string("2026-12-08 11:00:00"); });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        qv::test::WriteBytes(HistoryPath(dir.Path()), c.bytes);
        EXPECT_EQ(RecordChange(dir.Path(), FileRecord(1, "x")), c.fault);
        EXPECT_EQ(qv::test::ReadBytes(HistoryPath(dir.Path())), c.bytes);
    }
    // A sound file takes the record, with the clock's time.
    qv::test::WriteBytes(HistoryPath(dir.Path()), good);
    ChangeRecord r = FileRecord(1, "x");
    r.time.clear();
    uint32_t id = 0;
    ASSERT_EQ(RecordChange(dir.Path(), r, &id), HistoryFault::None);
    SetLocalTimeHook({});
    HistoryLoad load = LoadHistory(dir.Path());
    ASSERT_EQ(load.fault, HistoryFault::None);
    ASSERT_EQ(load.history.records.size(), 2u);
    EXPECT_EQ(id, 2u);
    EXPECT_EQ(load.history.records[1].time, "2026-12-08 11:00:00");
}
