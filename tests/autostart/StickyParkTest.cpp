// Entries kept away: the deactivation keeps them, a return parks them again
// through the real registry and files, and both versions survive.
#include "InactiveFixture.h"
#include "autostart/InactiveRules.h"
#include "autostart/StickyPark.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Text.h"
#include "history/HistoryStore.h"

#include <algorithm>

namespace qv {
namespace {
using namespace test;

const char kKey[] = "Software\\QV6Test\\StickyRun";

class StickyPark : public InactiveTestBase {
  protected:
    void TearDown() override {
        RegDeleteTree(HKEY_CURRENT_USER, "Software\\QV6Test");
        InactiveTestBase::TearDown();
    }
    // The records of aseinactive.dat, each as its bytes.
    std::vector<std::string> Records() const {
        std::vector<std::string> out;
        const std::string bytes = ReadBytes(work / kInactiveEntriesFile);
        for (size_t at = 0; at + kRecordSize <= bytes.size(); at += kRecordSize)
            out.push_back(bytes.substr(at, kRecordSize));
        return out;
    }
    // The value written at its source, and its entry.
    static AutostartEntry Written(const std::string& name, const std::string& data) {
        RegSetString(HKEY_CURRENT_USER, kKey, name, data);
        return RegEntry(kRootCurrentUser, kKey, name, data);
    }
    // Deactivates through the window's check-mark path; the entry is then
    // kept away.
    void Deactivate(const AutostartEntry& e) {
        size_t row = AddRow(e);
        CheckMarkOutcome out = CheckMark(row, false);
        ASSERT_FALSE(out.failure || out.error) << out.error.value_or("");
        ASSERT_TRUE(IsKeptAway(model.AppDir, e));
    }
    // The guard's view: only the deactivated entries are in its model.
    std::vector<ReParked> Park(const AutostartEntry& back) {
        std::vector<AutostartEntry> current{back};
        auto parked = ParkReturnedEntries(model, current, true);
        EXPECT_EQ(current.size(), 1u - parked.size()) << "what is parked leaves the look";
        return parked;
    }
    TempDir startup;
    const std::string path = startup / "Tool.lnk";
};

TEST_F(StickyPark, AReturnedValueIsParkedAgainAndADifferentOneKeptBeside) {
    const AutostartEntry run = Written("Sync", "c:\\sync.exe");
    Deactivate(run);
    struct Case {
        std::string data;
        bool bothKept;
        size_t records;
    } cases[] = {
        {"c:\\sync.exe", false, 1},         // the kept record says it all
        {"c:\\sync2.exe --tray", true, 2},  // both versions kept
        {"c:\\sync2.exe --tray", false, 2}, // that one is kept now as well
    };
    uint32_t returns = 0;
    for (const Case& c : cases) {
        auto parked = Park(Written("Sync", c.data));
        ASSERT_EQ(parked.size(), 1u) << c.data;
        EXPECT_EQ(parked[0].returns, ++returns);
        EXPECT_EQ(parked[0].bothKept, c.bothKept) << c.data;
        EXPECT_FALSE(RegValueExists(HKEY_CURRENT_USER, kKey, "Sync"));
        EXPECT_EQ(Records().size(), c.records) << c.data;
    }
    // After the deactivation, each return is in the history, with what came
    // back.
    const HistoryLoad history = LoadHistory(model.AppDir);
    ASSERT_EQ(history.history.records.size(), 4u);
    EXPECT_EQ(history.history.records[0].kind, ChangeKind::Deactivate);
    for (size_t i = 1; i < 4; ++i) {
        const ChangeRecord& r = history.history.records[i];
        EXPECT_EQ(r.kind, ChangeKind::RePark);
        ASSERT_EQ(r.touches.size(), 1u);
        EXPECT_TRUE(r.touches[0].before.exists);
        EXPECT_FALSE(r.touches[0].after.exists);
    }
    auto kept = DecodeRecords(ReadBytes(work / kInactiveEntriesFile));
    EXPECT_EQ(kept[0].ValueData.str(), "c:\\sync.exe");
    EXPECT_EQ(kept[1].ValueData.str(), "c:\\sync2.exe --tray");

    // Switched off, it may stay; ticked again, it is forgotten.
    ASSERT_TRUE(StopKeepingAway(model.AppDir, run));
    EXPECT_TRUE(Park(Written("Sync", "c:\\sync3.exe")).empty());
    EXPECT_TRUE(RegValueExists(HKEY_CURRENT_USER, kKey, "Sync"));
    EXPECT_FALSE(IsKeptAway(model.AppDir, run));
    ASSERT_FALSE(FollowEntryState(model.AppDir, run, false)); // kept away again
    ASSERT_FALSE(FollowEntryState(model.AppDir, run, true));
    EXPECT_FALSE(LoadStickyList(model.AppDir).list.Find(run));
}

TEST_F(StickyPark, AReturnedFileIsParkedAgainAndTheEarlierCopyKeptNumbered) {
    WriteBytes(path, "first");
    const AutostartEntry file = FileEntry(path);
    Deactivate(file);
    const IsfLine first = ParseIsfLine(SplitLines(ReadBytes(app / "isf.dat"))[0]);
    const std::string bak = InactiveFolder(model.AppDir) + first.stored;

    WriteBytes(path, "first"); // the same file again: only removed
    auto parked = Park(file);
    ASSERT_EQ(parked.size(), 1u);
    EXPECT_FALSE(parked[0].bothKept);
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(FilesIn(InactiveFolder(model.AppDir)).size(), 1u);

    WriteBytes(path, "second");
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
    const DWORD hidden = ::GetFileAttributesA(path.c_str());
    parked = Park(file);
    ASSERT_EQ(parked.size(), 1u);
    EXPECT_TRUE(parked[0].bothKept);
    EXPECT_EQ(parked[0].sibling, bak + "-1.bak");
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(ReadBytes(bak + ".bak"), "second");
    EXPECT_EQ(ReadBytes(bak + "-1.bak"), "first");
    // One row and one index line for the path, with the attributes now kept;
    // the numbered copy keeps its line with the attributes it had, a line
    // that never brings a file back.
    EXPECT_EQ(Records().size(), 1u);
    auto lines = SplitLines(ReadBytes(app / "isf.dat"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], FormatIsfLine(first.stored + "-1", path,
                                      ParseAttributeText(first.attributes).value()));
    EXPECT_EQ(ParseIsfLine(lines[1]).attributes, std::to_string(hidden));
    EXPECT_EQ(FindIsfLine(lines, path), 1u);
}

TEST_F(StickyPark, TheWindowsSavesKeepWhatTheGuardParkedMeanwhileByteForByte) {
    WriteBytes(path, "first");
    const AutostartEntry other = Written("Other", "c:\\other.exe");
    const size_t runRow = ASListIndex.size();
    Deactivate(Written("Sync", "c:\\sync.exe"));
    Deactivate(FileEntry(path));
    const std::vector<std::string> windowLoaded = Records();

    // The guard, with a model of its own, parks both returns: a second
    // record for the value, the file's record replaced.
    WriteBytes(path, "second");
    std::vector<AutostartEntry> current{Written("Sync", "c:\\sync2.exe"), FileEntry(path)};
    current[1].Checksum = 42;
    AppModel guard;
    guard.AppDir = model.AppDir;
    ASSERT_EQ(ParkReturnedEntries(guard, current, true).size(), 2u);
    const std::vector<std::string> parked = Records();
    ASSERT_EQ(parked.size(), 3u);

    // The window still holds the file as it loaded it: deactivating
    // another entry, then ticking the first again, drops none of the
    // guard's records and brings back none it replaced.
    Deactivate(other);
    for (bool ticked : {false, true}) {
        if (ticked) {
            ASSERT_FALSE(CheckMark(runRow, true).failure);
        }
        const std::vector<std::string> now = Records();
        EXPECT_EQ(now.size(), ticked ? 3u : 4u);
        for (size_t i = 0; i < parked.size(); ++i)
            EXPECT_EQ(std::count(now.begin(), now.end(), parked[i]), ticked && i == 0 ? 0 : 1)
                << ticked << i;
        EXPECT_EQ(std::count(now.begin(), now.end(), windowLoaded[1]), 0) << "replaced";
    }
}

TEST_F(StickyPark, ADamagedStickyFileIsReportedParksNothingAndStaysAsItIs) {
    const AutostartEntry run = Written("Tray", "c:\\tray.exe");
    const std::string torn = "QV6 sticky 1\r\n1\t0\t0\t0\t2147483649\t";
    WriteBytes(app / kStickyFile, torn);
    size_t row = AddRow(run);
    CheckMarkOutcome out = CheckMark(row, false);
    // The deactivation stands; that it cannot be kept away is said.
    EXPECT_FALSE(out.failure);
    EXPECT_FALSE(out.setCheck);
    ASSERT_TRUE(out.error);
    EXPECT_NE(out.error->find(kStickyFile), std::string::npos);
    EXPECT_FALSE(RegValueExists(HKEY_CURRENT_USER, kKey, "Tray"));

    EXPECT_TRUE(Park(Written("Tray", "c:\\tray.exe")).empty());
    EXPECT_TRUE(RegValueExists(HKEY_CURRENT_USER, kKey, "Tray"));
    EXPECT_THROW(StopKeepingAway(model.AppDir, run), AppError);
    EXPECT_EQ(ReadBytes(app / kStickyFile), torn);
}

} // namespace
} // namespace qv
