#include "database/KnownEntries.h"
#include "database/KnownEntriesCommands.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

AutostartEntry Entry(const std::string& name, uint8_t active = 1) {
    AutostartEntry e = ZeroEntry();
    e.RootKey.assign(kRootCurrentUser);
    e.KeyPath.assign("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    e.ValueName.assign(name);
    e.ValueData.assign(name + ".exe");
    e.Active = active;
    return e;
}

class KnownEntriesCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        ASEntries.clear();
        ASEntryDB.clear();
    }
    void TearDown() override { SetUp(); }
};

TEST_F(KnownEntriesCommands, RemoveAllOnAnEmptyDatabaseChangesNothing) {
    ASEntries = {Entry("a"), Entry("b")};
    EXPECT_FALSE(ApplyKnownEntriesCommand(DelAllTag, nullptr));
    EXPECT_FALSE(ApplyKnownEntriesCommand(DelSelectedTag, &ASEntries[0]));
    EXPECT_TRUE(ASEntryDB.empty());
}

TEST_F(KnownEntriesCommands, AddAllAddsEveryGroupAndDuplicatesOnce) {
    ASEntries = {Entry("a"), Entry("b"), Entry("a"), Entry("c", 0)};
    ASEntries[1].Group = 8;
    EXPECT_TRUE(ApplyKnownEntriesCommand(AddAllTag, nullptr));
    ASSERT_EQ(ASEntryDB.size(), 3u);
    for (const auto& e : ASEntries)
        EXPECT_GE(FindKnownEntry(e, false), 0);
    EXPECT_FALSE(ApplyKnownEntriesCommand(AddAllTag, nullptr)) << "nothing new";
    EXPECT_FALSE(ApplyKnownEntriesCommand(AddSelectedTag, &ASEntries[0]));
    EXPECT_FALSE(ApplyKnownEntriesCommand(AddSelectedTag, nullptr));
}

TEST_F(KnownEntriesCommands, RemovalComparesActiveButStillCountsAsChange) {
    // Accepted while active, now deactivated.
    ASEntryDB = {Entry("a", 1)};
    ASEntries = {Entry("a", 0)};
    EXPECT_TRUE(ApplyKnownEntriesCommand(DelSelectedTag, &ASEntries[0]));
    EXPECT_EQ(ASEntryDB.size(), 1u) << "the record differs in Active and stays";
    EXPECT_EQ(FindKnownEntry(ASEntries[0], false), 0);
}

TEST_F(KnownEntriesCommands, TwoIdenticalRecordsGoOnePerOccurrence) {
    ASEntryDB = {Entry("a"), Entry("a")};
    ASEntries = {Entry("a")};
    EXPECT_TRUE(ApplyKnownEntriesCommand(DelSelectedTag, &ASEntries[0]));
    EXPECT_EQ(ASEntryDB.size(), 1u);
    EXPECT_EQ(FindKnownEntry(ASEntries[0], false), 0) << "still known";

    ASEntryDB = {Entry("a"), Entry("a"), Entry("a")};
    ASEntries = {Entry("a"), Entry("a")};
    EXPECT_TRUE(ApplyKnownEntriesCommand(DelAllTag, nullptr));
    EXPECT_EQ(ASEntryDB.size(), 1u);
}

} // namespace
} // namespace qv
