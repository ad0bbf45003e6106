#include "support/Model.h"
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

class KnownEntriesCommands : public test::ModelTest {
  protected:
    void SetUp() override {}
    void TearDown() override { SetUp(); }
};

TEST_F(KnownEntriesCommands, RemoveAllOnAnEmptyDatabaseChangesNothing) {
    model.ASEntries = {Entry("a"), Entry("b")};
    EXPECT_FALSE(ApplyKnownEntriesCommand(model, DelAllTag, nullptr));
    EXPECT_FALSE(ApplyKnownEntriesCommand(model, DelSelectedTag, &model.ASEntries[0]));
    EXPECT_TRUE(model.ASEntryDB.empty());
}

TEST_F(KnownEntriesCommands, AddAllAddsEveryGroupAndDuplicatesOnce) {
    model.ASEntries = {Entry("a"), Entry("b"), Entry("a"), Entry("c", 0)};
    model.ASEntries[1].Group = 8;
    EXPECT_TRUE(ApplyKnownEntriesCommand(model, AddAllTag, nullptr));
    ASSERT_EQ(model.ASEntryDB.size(), 3u);
    for (const auto& e : model.ASEntries)
        EXPECT_GE(model.ASEntryDB.Find(e, false), 0);
    EXPECT_FALSE(ApplyKnownEntriesCommand(model, AddAllTag, nullptr)) << "nothing new";
    EXPECT_FALSE(ApplyKnownEntriesCommand(model, AddSelectedTag, &model.ASEntries[0]));
    EXPECT_FALSE(ApplyKnownEntriesCommand(model, AddSelectedTag, nullptr));
}

TEST_F(KnownEntriesCommands, RemovalComparesActiveButStillCountsAsChange) {
    // Accepted while active, now deactivated.
    model.ASEntryDB = {Entry("a", 1)};
    model.ASEntries = {Entry("a", 0)};
    EXPECT_TRUE(ApplyKnownEntriesCommand(model, DelSelectedTag, &model.ASEntries[0]));
    EXPECT_EQ(model.ASEntryDB.size(), 1u) << "the record differs in Active and stays";
    EXPECT_EQ(model.ASEntryDB.Find(model.ASEntries[0], false), 0);
}

TEST_F(KnownEntriesCommands, TwoIdenticalRecordsGoOnePerOccurrence) {
    model.ASEntryDB = {Entry("a"), Entry("a")};
    model.ASEntries = {Entry("a")};
    EXPECT_TRUE(ApplyKnownEntriesCommand(model, DelSelectedTag, &model.ASEntries[0]));
    EXPECT_EQ(model.ASEntryDB.size(), 1u);
    EXPECT_EQ(model.ASEntryDB.Find(model.ASEntries[0], false), 0) << "still known";

    model.ASEntryDB = {Entry("a"), Entry("a"), Entry("a")};
    model.ASEntries = {Entry("a"), Entry("a")};
    EXPECT_TRUE(ApplyKnownEntriesCommand(model, DelAllTag, nullptr));
    EXPECT_EQ(model.ASEntryDB.size(), 1u);
}

} // namespace
} // namespace qv
