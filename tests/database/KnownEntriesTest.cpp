// The known-entries database: the record file byte for byte, the identity
// rule of the lookup, removal, and the index that answers like the plain
// search.
#include "model/AppModel.h"
#include "support/Model.h"
#include "autostart/AutostartEntry.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "database/KnownEntries.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

namespace qv::test {
namespace {

AutostartEntry Entry(const std::string& file, const std::string& data, int32_t crc = 0,
                     uint8_t active = 1) {
    AutostartEntry e = ZeroEntry();
    e.Kind = KindFile;
    e.FileName.assign(file);
    e.RootKey.assign(kRootLocalMachine);
    e.KeyPath.assign("Software\\Run");
    e.ValueName.assign("name");
    e.ValueData.assign(data);
    e.Caption.assign("caption");
    e.Detail.assign("detail");
    e.Group = 5;
    e.Checksum = crc;
    e.Active = active;
    return e;
}

std::string Bytes(const AutostartEntry& e) {
    return std::string(reinterpret_cast<const char*>(&e), kRecordSize);
}

// A record as a damaged or foreign file may hold it: garbage behind every
// string's length, a length byte of 255, a group beyond the nine groups.
std::string GarbageRecord(unsigned char seed) {
    std::string r(kRecordSize, '\0');
    for (size_t i = 0; i < r.size(); ++i)
        r[i] = static_cast<char>((i * 31 + seed) & 0xFF);
    r[1] = static_cast<char>(255); // FileName length
    r[1795] = 200;                 // Group
    return r;
}

class KnownEntries : public test::ModelTest {
  protected:
    void SetUp() override { model.AppDir = dir_.Path(); }
    std::string DbFile() const { return dir_ / "asedb.dat"; }

    TempDir dir_;
    ScriptedDialogs dialogs_;
};

TEST_F(KnownEntries, LoadReadsWholeRecordsOnly) {
    model.ASEntryDB = std::vector<AutostartEntry>(4, ZeroEntry());
    EXPECT_EQ(LoadKnownEntries(model.ASEntryDB, model.AppDir), 0); // no file: an empty database
    EXPECT_TRUE(model.ASEntryDB.empty());

    WriteBytes(DbFile(), "");
    EXPECT_EQ(LoadKnownEntries(model.ASEntryDB, model.AppDir), 0);

    const std::string a = GarbageRecord(1);
    WriteBytes(DbFile(), a.substr(0, 1799));
    EXPECT_EQ(LoadKnownEntries(model.ASEntryDB, model.AppDir), 0);

    WriteBytes(DbFile(), a + "x");
    ASSERT_EQ(LoadKnownEntries(model.ASEntryDB, model.AppDir), 1);
    EXPECT_EQ(Bytes(model.ASEntryDB[0]), a);

    // Many records across the reader's block boundaries, plus a fragment.
    std::string many;
    for (int i = 0; i < 700; ++i)
        many += GarbageRecord(static_cast<unsigned char>(i));
    WriteBytes(DbFile(), many + a.substr(0, 900));
    ASSERT_EQ(LoadKnownEntries(model.ASEntryDB, model.AppDir), 700);
    EXPECT_EQ(EncodeRecords(model.ASEntryDB.Records()), many);
    EXPECT_TRUE(dialogs_.Messages().empty());
}

TEST_F(KnownEntries, UnreadableFileIsAnError) {
    WriteBytes(DbFile(), GarbageRecord(3));
    UniqueHandle lock(::CreateFileA(DbFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock);
    model.ASEntryDB = std::vector<AutostartEntry>(2, ZeroEntry());
    EXPECT_THROW(LoadKnownEntries(model.ASEntryDB, model.AppDir), AppError);
    EXPECT_TRUE(model.ASEntryDB.empty());
}

TEST_F(KnownEntries, ADatabaseThatCouldNotBeReadIsNeverWrittenBack) {
    const std::string stored = GarbageRecord(5) + GarbageRecord(6);
    WriteBytes(DbFile(), stored);
    {
        UniqueHandle lock(::CreateFileA(DbFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(lock);
        EXPECT_THROW(LoadKnownEntries(model.ASEntryDB, model.AppDir), AppError);
    }
    // The user accepts an entry afterwards: the save is refused, the stored
    // records stay.
    model.ASEntryDB.Add(ZeroEntry());
    EXPECT_THROW(SaveKnownEntries(model.ASEntryDB, model.AppDir), AppError);
    EXPECT_EQ(ReadBytes(DbFile()), stored);

    // Once it loads, saving works again.
    ASSERT_EQ(LoadKnownEntries(model.ASEntryDB, model.AppDir), 2);
    model.ASEntryDB.Add(ZeroEntry());
    EXPECT_NO_THROW(SaveKnownEntries(model.ASEntryDB, model.AppDir));
    EXPECT_EQ(ReadBytes(DbFile()).size(), 3 * 1800u);
}

TEST_F(KnownEntries, SaveWritesTheRecordsByteForByte) {
    const std::string file = GarbageRecord(7) + GarbageRecord(9) + GarbageRecord(11);
    WriteBytes(DbFile(), file + "frag");
    ASSERT_EQ(LoadKnownEntries(model.ASEntryDB, model.AppDir), 3);
    EXPECT_EQ(model.ASEntryDB[0].Group, 200);
    EXPECT_EQ(model.ASEntryDB[0].FileName.Length, 255);
    EXPECT_NO_THROW(SaveKnownEntries(model.ASEntryDB, model.AppDir));
    EXPECT_EQ(ReadBytes(DbFile()), file); // the fragment is gone, nothing else changed

    model.ASEntryDB.clear();
    EXPECT_NO_THROW(SaveKnownEntries(model.ASEntryDB, model.AppDir));
    EXPECT_EQ(ReadBytes(DbFile()), "");
    EXPECT_TRUE(dialogs_.Messages().empty());
}

TEST_F(KnownEntries, FailedSaveKeepsTheOldFileAndSaysSo) {
    const std::string old = Bytes(Entry("c:\\old.exe", ""));
    WriteBytes(DbFile(), old);
    model.ASEntryDB = {Entry("c:\\a.exe", "x"), Entry("c:\\b.exe", "y")};
    {
        // Another program holds the file open without sharing: it can be
        // neither replaced nor written.
        UniqueHandle lock(::CreateFileA(DbFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(lock);
        EXPECT_THROW(SaveKnownEntries(model.ASEntryDB, model.AppDir), AppError);
    }
    EXPECT_EQ(ReadBytes(DbFile()), old);
    // No temporary file is left behind in the program's folder.
    WIN32_FIND_DATAA fd;
    int count = 0;
    FindHandle find(::FindFirstFileA((dir_ / "*").c_str(), &fd));
    if (find) do
            count += fd.cFileName[0] != '.';
        while (::FindNextFileA(find.get(), &fd));
    EXPECT_EQ(count, 1);

    EXPECT_NO_THROW(SaveKnownEntries(model.ASEntryDB, model.AppDir));
    EXPECT_EQ(ReadBytes(DbFile()), EncodeRecords(model.ASEntryDB.Records()));
}

TEST_F(KnownEntries, LookupComparesTheIdentityFieldsOnly) {
    const AutostartEntry known = Entry("c:\\tool.exe", "data", 1234);
    EXPECT_EQ(model.ASEntryDB.Find(known, false), -1); // empty database
    model.ASEntryDB.Add(Entry("c:\\other.exe", "data", 1234));
    EXPECT_EQ(model.ASEntryDB.Add(known), 1);

    AutostartEntry e = known;
    e.Kind = KindRegistry;
    e.SourceFlag = 1;
    e.Caption.assign("another caption");
    e.Detail.assign("another detail");
    e.Group = 3;
    e.Active = 0;
    e.ValueData.Chars[200] = 'z'; // behind the length: does not count
    EXPECT_EQ(model.ASEntryDB.Find(e, false), 1);
    EXPECT_EQ(model.ASEntryDB.Find(e, true), -1); // Active differs
    e.Active = 1;
    EXPECT_EQ(model.ASEntryDB.Find(e, true), 1);

    auto differs = [&](auto change) {
        AutostartEntry d = known;
        change(d);
        return model.ASEntryDB.Find(d, false) == -1 && model.ASEntryDB.Find(d, true) == -1;
    };
    EXPECT_TRUE(differs([](AutostartEntry& d) { d.FileName.assign("C:\\TOOL.EXE"); }));
    EXPECT_TRUE(differs([](AutostartEntry& d) { d.RootKey.assign(kRootCurrentUser); }));
    EXPECT_TRUE(differs([](AutostartEntry& d) { d.KeyPath.assign("\\Software\\Run"); }));
    EXPECT_TRUE(differs([](AutostartEntry& d) { d.ValueName.assign("Name"); }));
    EXPECT_TRUE(differs([](AutostartEntry& d) { d.ValueData.assign("dat"); }));
    EXPECT_TRUE(differs([](AutostartEntry& d) { d.Checksum = 1235; }));
    EXPECT_TRUE(differs([](AutostartEntry& d) { d.Checksum = -1; }));
}

TEST_F(KnownEntries, RemoveTakesTheFirstMatchWithActiveCompared) {
    const AutostartEntry twin = Entry("c:\\twin.exe", "", 5);
    model.ASEntryDB.Add(Entry("c:\\a.exe", ""));
    model.ASEntryDB.Add(twin);
    model.ASEntryDB.Add(Entry("c:\\b.exe", ""));
    model.ASEntryDB.Add(twin);

    // Differs in Active only: nothing goes.
    AutostartEntry inactive = twin;
    inactive.Active = 0;
    EXPECT_EQ(model.ASEntryDB.Remove(inactive), 4);

    EXPECT_EQ(model.ASEntryDB.Find(twin, false), 1);
    EXPECT_EQ(model.ASEntryDB.Remove(twin), 3);
    EXPECT_EQ(model.ASEntryDB[0].FileName.view(), "c:\\a.exe");
    EXPECT_EQ(model.ASEntryDB[1].FileName.view(), "c:\\b.exe");
    EXPECT_EQ(model.ASEntryDB.Find(twin, true), 2); // the second twin is still known
    EXPECT_EQ(model.ASEntryDB.Remove(twin), 2);
    EXPECT_EQ(model.ASEntryDB.Find(twin, false), -1);
    EXPECT_EQ(model.ASEntryDB.Remove(twin), 2);
}

// The index must give the plain search's answer after every kind of change.
TEST_F(KnownEntries, IndexAnswersLikeThePlainSearch) {
    std::mt19937 rng(12345);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    // Few distinct values, so there are many duplicates and near misses.
    auto random = [&] {
        return Entry("c:\\f" + std::to_string(pick(8)) + ".exe", std::string(pick(3), 'd'),
                     pick(3) - 1, static_cast<uint8_t>(pick(2)));
    };
    auto check = [&](const char* step) {
        for (int i = 0; i < 60; ++i) {
            AutostartEntry probe = random();
            for (bool active : {false, true})
                ASSERT_EQ(model.ASEntryDB.Find(probe, active),
                          model.ASEntryDB.FindLinear(probe, active))
                    << step << ": " << probe.FileName.view() << " active " << active;
        }
    };
    for (int round = 0; round < 300; ++round) {
        switch (pick(8)) {
        case 0:
        case 1:
        case 2:
            model.ASEntryDB.Add(random());
            break;
        case 3:
        case 4:
            model.ASEntryDB.Remove(random());
            break;
        case 5: { // assigned over with as many records
            std::vector<AutostartEntry> records = model.ASEntryDB.Records();
            if (!records.empty()) {
                records.erase(records.begin());
                records.push_back(random());
            }
            model.ASEntryDB = std::move(records);
        } break;
        case 6:
            model.ASEntryDB.clear();
            break;
        case 7: {
            std::vector<AutostartEntry> reversed = model.ASEntryDB.Records();
            std::reverse(reversed.begin(), reversed.end());
            WriteBytes(DbFile(), EncodeRecords(reversed) + "xx");
            LoadKnownEntries(model.ASEntryDB, model.AppDir);
            ASSERT_EQ(EncodeRecords(model.ASEntryDB.Records()), EncodeRecords(reversed));
        } break;
        }
        check("round");
    }
    model.ASEntryDB.clear();
    check("emptied");

    // Assigned over with as many records: the storage stays the same.
    model.ASEntryDB = {Entry("c:\\a.exe", ""), Entry("c:\\b.exe", "")};
    EXPECT_EQ(model.ASEntryDB.Find(Entry("c:\\b.exe", ""), false), 1);
    model.ASEntryDB = {Entry("c:\\c.exe", ""), Entry("c:\\b.exe", "")};
    EXPECT_EQ(model.ASEntryDB.Find(Entry("c:\\c.exe", ""), false), 0);
}

} // namespace
} // namespace qv::test
