#include "app/AutostartView.h"
#include "model/AppModel.h"
#include "base/Errors.h"
#include "database/KnownEntries.h"
#include "support/Entries.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::MakeEntry;

TEST(ASListRows, ShowOneGroupInEntryOrderWithChecksAndMarks) {
    AppModel model;
    std::vector<AutostartEntry> entries = {
        MakeEntry(0, KindRegistry, "A", "a.exe"), MakeEntry(5, KindFile, "x.lnk", "x.exe"),
        MakeEntry(0, KindRegistry, "B", "b.exe"),
        MakeEntry(0, KindRegistry, "C", "c.exe", 0), // deactivated, appended last
    };
    std::vector<AutostartEntry> db = {entries[2]};
    db[0].Active = 0; // known whatever its Active
    model.ASEntryDB = db;
    int lookups = 0;
    auto known = [&](const AutostartEntry& e) {
        ++lookups;
        return model.ASEntryDB.Find(e, false) >= 0;
    };

    auto rows = BuildASListRows(entries, 0, known);
    EXPECT_EQ(lookups, 3); // one per shown row
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].index, 0);
    EXPECT_EQ(rows[1].index, 2);
    EXPECT_EQ(rows[2].index, 3);
    EXPECT_EQ(rows[0].entry->Caption.str(), "A");
    EXPECT_TRUE(rows[0].checked);
    EXPECT_FALSE(rows[2].checked);
    EXPECT_EQ(rows[0].image, kImageUnknown);
    EXPECT_EQ(rows[1].image, kImageKnown);
    EXPECT_EQ(rows[2].image, kImageUnknown);

    auto files = BuildASListRows(entries, 5, known);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].index, 1);

    EXPECT_TRUE(BuildASListRows(entries, 7, known).empty());
    // No combo item selected: nothing matches.
    EXPECT_TRUE(BuildASListRows(entries, -1, known).empty());
    EXPECT_TRUE(BuildASListRows(entries, 9, known).empty());
    model.ASEntryDB.clear();
}

TEST(EntryButtons, FollowProtectionActivityGroupAndKind) {
    auto state = [](int group, uint8_t kind, uint8_t active, bool protect) {
        return EntryButtonState(MakeEntry(group, kind, "e", "d", active), protect);
    };
    using B = EntryButtons;
    // Shell open commands: editable, never deletable.
    EXPECT_EQ(state(1, KindRegistry, 1, false), (B{false, true, false}));
    // A startup-folder file: only deletable.
    EXPECT_EQ(state(5, KindFile, 1, false), (B{true, false, false}));
    // A system.ini line: everything.
    EXPECT_EQ(state(6, KindIni, 1, false), (B{true, true, true}));
    // A boot file opens in the editor but is not edited as a value.
    EXPECT_EQ(state(7, KindFile, 1, false), (B{true, false, true}));
    EXPECT_EQ(state(0, KindRegistry, 1, false), (B{true, true, false}));
    // Deactivated or protected: nothing.
    EXPECT_EQ(state(6, KindIni, 0, false), B{});
    EXPECT_EQ(state(6, KindIni, 1, true), B{});
}

TEST(RootKeyName, NamesTheThreeRootsAndNothingElse) {
    EXPECT_EQ(RootKeyName("2147483648"), "HKEY_CLASSES_ROOT");
    EXPECT_EQ(RootKeyName("2147483649"), "HKEY_CURRENT_USER");
    EXPECT_EQ(RootKeyName("2147483650"), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(RootKeyName("5"), "");
    EXPECT_EQ(RootKeyName("-2147483646"), ""); // a signed reading is another number
    EXPECT_EQ(RootKeyName("2147483651"), "");
    EXPECT_THROW(RootKeyName("Run"), AppError);
    EXPECT_THROW(RootKeyName(""), AppError);
    EXPECT_THROW(RootKeyName("2147483650x"), AppError);
}

TEST(ComputeResize, CentresEqualisesAndKeepsRightEdgesFlush) {
    ResizeInput in;
    in.adTopClientWidth = 635;
    in.adImgWidth = 468;
    in.selectBoxClientWidth = 459;
    in.asListClientWidth = 441;
    in.asListColumns = 2;
    in.procBoxClientWidth = 300;
    in.bottomClientWidth = 635;
    in.guardBtnWidth = 149;
    in.guardLblWidth = 150;
    in.tabClientWidth = 635;
    in.helpBtnWidth = 157;
    ResizeOutput out = ComputeResize(in);
    EXPECT_EQ(out.adImgLeft, 317 - 234);
    EXPECT_EQ(out.comboWidth, 451);
    EXPECT_EQ(out.asColumnWidth, 220); // remainder dropped
    EXPECT_EQ(out.procColumnWidth, 280);
    EXPECT_EQ(out.guardBtnLeft, 486);
    EXPECT_EQ(out.guardLblLeft, 485);
    EXPECT_EQ(out.helpBtnLeft, 478);

    in.adImgWidth = 469; // both halves rounded down
    EXPECT_EQ(ComputeResize(in).adImgLeft, 317 - 234);
    in.asListColumns = 0;
    EXPECT_EQ(ComputeResize(in).asColumnWidth, 0);
}

} // namespace
} // namespace qv
