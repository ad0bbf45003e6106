#include "InactiveFixture.h"

#include "model/AppModel.h"
#include "autostart/InactiveRules.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/Text.h"

#include <deque>

namespace qv::test {
namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kTestKey = "Software\\qv6test\\Inactive";

std::vector<std::string> IndexLines(const AppModel& model) {
    auto bytes = ReadFileBytes(InactiveIndexPath(model.AppDir));
    return bytes ? SplitLines(*bytes) : std::vector<std::string>{};
}

std::vector<std::string> KeptFiles(const AppModel& model) {
    return FilesIn(InactiveFolder(model.AppDir));
}

DWORD RegType(HKEY root, const std::string& key, const std::string& name) {
    RegKey k;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) return REG_NONE;
    DWORD type = REG_NONE;
    ::RegQueryValueExA(k.get(), name.c_str(), nullptr, &type, nullptr, nullptr);
    return type;
}

// ---- registry values -------------------------------------------------------

class InactiveRegistry : public InactiveTestBase {
  protected:
    void TearDown() override {
        RegKey k;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, k.put()) == ERROR_SUCCESS)
            ::RegDeleteValueA(k.get(), name.c_str());
        RegDeleteTree(HKEY_LOCAL_MACHINE, kTestKey);
        RegDeleteTree(HKEY_CURRENT_USER, kTestKey);
        InactiveTestBase::TearDown();
    }
    std::string name = "qv6test run " + std::to_string(::GetCurrentProcessId());
};

TEST_F(InactiveRegistry, CurrentUserRunValueSurvivesARestartAndComesBackAsString) {
    RegSetString(HKEY_CURRENT_USER, kRunKey, name, "%windir%\\tool.exe /min", REG_EXPAND_SZ);
    size_t row = AddRow(RegEntry(kRootCurrentUser, kRunKey, name, "%windir%\\tool.exe /min"));

    CheckMarkOutcome out = CheckMark(row, false);
    EXPECT_FALSE(out.setCheck);
    EXPECT_EQ(LineOf(out.failure), -1);
    EXPECT_FALSE(RegValueExists(HKEY_CURRENT_USER, kRunKey, name));
    EXPECT_EQ(model.ASEntries[0].Active, 0);
    EXPECT_EQ(ReadBytes(work / kInactiveEntriesFile), EncodeRecords({model.ASEntries[0]}));

    // A restart: the scan no longer finds it, the saved list brings it back.
    model.ASEntries.clear();
    ASListIndex.clear();
    EXPECT_EQ(LoadInactiveEntries(model), 1);
    ASSERT_EQ(model.ASEntries.size(), 1u);
    EXPECT_EQ(model.ASEntries[0].Active, 0);
    ASListIndex.push_back(0);

    out = CheckMark(0, true);
    EXPECT_FALSE(out.setCheck);
    EXPECT_EQ(LineOf(out.failure), -1);
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, kRunKey, name), "%windir%\\tool.exe /min");
    EXPECT_EQ(RegType(HKEY_CURRENT_USER, kRunKey, name), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(model.ASEntries[0].Active, 1);
    EXPECT_EQ(ReadBytes(work / kInactiveEntriesFile), "");
}

TEST_F(InactiveRegistry, KeyPathWithLeadingBackslashAndDefaultValue) {
    RegSetString(HKEY_LOCAL_MACHINE, kTestKey + "\\Stub", "", "rundll32 x.dll");
    size_t row =
        AddRow(RegEntry(kRootLocalMachine, "\\" + kTestKey + "\\Stub", "", "rundll32 x.dll", 2));
    EXPECT_TRUE(SetEntryActive(model, ASListIndex[row], false));
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kTestKey + "\\Stub", ""));
    // Reactivation creates the key again if it went missing meanwhile.
    RegDeleteTree(HKEY_LOCAL_MACHINE, kTestKey);
    EXPECT_TRUE(SetEntryActive(model, ASListIndex[row], true));
    EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, kTestKey + "\\Stub", ""), "rundll32 x.dll");
}

TEST_F(InactiveRegistry, FailuresKeepTheEntryAndShowLine26) {
    // Missing key, missing value, and a root text that names no root key.
    size_t noKey = AddRow(RegEntry(kRootCurrentUser, kTestKey + "\\None", "x", "y"));
    RegSetString(HKEY_CURRENT_USER, kTestKey, "other", "z");
    size_t noValue = AddRow(RegEntry(kRootCurrentUser, kTestKey, "x", "y"));
    size_t badRoot = AddRow(RegEntry("HKCU", kTestKey, "other", "z"));
    for (size_t row : {noKey, noValue, badRoot}) {
        CheckMarkOutcome out = CheckMark(row, false);
        EXPECT_EQ(out.setCheck, true) << row;
        EXPECT_EQ(LineOf(out.failure), 26) << row;
        EXPECT_EQ(model.ASEntries[ASListIndex[row]].Active, 1) << row;
    }
    EXPECT_TRUE(RegValueExists(HKEY_CURRENT_USER, kTestKey, "other"));
    EXPECT_FALSE(FileExists(work / kInactiveEntriesFile));
    // Ticking a deactivated entry with an unusable root fails the same way.
    size_t off = AddRow(RegEntry("", kTestKey, "x", "y"), 0);
    CheckMarkOutcome out = CheckMark(off, true);
    EXPECT_EQ(out.setCheck, false);
    EXPECT_EQ(LineOf(out.failure), 26);
    EXPECT_EQ(model.ASEntries[ASListIndex[off]].Active, 0);
}

TEST_F(InactiveRegistry, GroupOneIsRefusedWithLine30AndLeftAlone) {
    RegSetString(HKEY_CURRENT_USER, kTestKey + "\\exefile\\shell\\open\\command", "", "\"%1\" %*");
    size_t row = AddRow(RegEntry(
        kRootCurrentUser, "\\" + kTestKey + "\\exefile\\shell\\open\\command", "", "\"%1\" %*", 1));
    CheckMarkOutcome out = CheckMark(row, false);
    EXPECT_EQ(out.setCheck, true);
    EXPECT_EQ(LineOf(out.failure), 30);
    EXPECT_EQ(model.ASEntries[0].Active, 1);
    EXPECT_TRUE(
        RegValueExists(HKEY_CURRENT_USER, kTestKey + "\\exefile\\shell\\open\\command", ""));
    EXPECT_FALSE(FileExists(work / kInactiveEntriesFile));
}

TEST_F(InactiveRegistry, UnchangedMarkAndRowsOutsideTheListDoNothing) {
    RegSetString(HKEY_CURRENT_USER, kTestKey, "v", "d");
    size_t row = AddRow(RegEntry(kRootCurrentUser, kTestKey, "v", "d"));
    for (size_t r : {row + 1, row + 100}) {
        CheckMarkOutcome out = CheckMark(r, false);
        EXPECT_FALSE(out.setCheck);
        EXPECT_EQ(LineOf(out.failure), -1);
    }
    CheckMarkOutcome same = CheckMark(row, true);
    EXPECT_FALSE(same.setCheck);
    EXPECT_EQ(LineOf(same.failure), -1);
    // A row whose index points past ASEntries is ignored as well.
    ASListIndex.push_back(500);
    EXPECT_EQ(LineOf(CheckMark(row + 1, false).failure), -1);
    EXPECT_TRUE(RegValueExists(HKEY_CURRENT_USER, kTestKey, "v"));
    EXPECT_FALSE(FileExists(work / kInactiveEntriesFile));
}

TEST_F(InactiveRegistry, UnwritableEntriesFileUndoesTheChange) {
    RegSetString(HKEY_CURRENT_USER, kTestKey, "v", "d");
    size_t row = AddRow(RegEntry(kRootCurrentUser, kTestKey, "v", "d"));
    // A folder in the way: aseinactive.dat cannot be replaced.
    ASSERT_TRUE(::CreateDirectoryA((work / kInactiveEntriesFile).c_str(), nullptr));
    ScriptedDialogs dialogs;
    CheckMarkOutcome out = CheckMark(row, false);
    EXPECT_EQ(out.setCheck, true);
    ASSERT_TRUE(out.error);
    EXPECT_NE(out.error->find(kInactiveEntriesFile), std::string::npos);
    EXPECT_TRUE(dialogs.Messages().empty()) << "the caller reports it";
    EXPECT_EQ(model.ASEntries[0].Active, 1);
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, kTestKey, "v"), "d");
}

TEST_F(InactiveRegistry, AnEntriesFileThatCouldNotBeReadIsNeverOverwritten) {
    // A deactivated entry whose only copy is the record in aseinactive.dat.
    AutostartEntry kept = RegEntry(kRootCurrentUser, kTestKey, "gone", "gone.exe");
    kept.Active = 0;
    const std::string stored = EncodeRecords({kept});
    WriteBytes(work / kInactiveEntriesFile, stored);
    {
        UniqueHandle lock(::CreateFileA((work / kInactiveEntriesFile).c_str(), GENERIC_READ, 0,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(lock);
        EXPECT_THROW(LoadInactiveEntries(model), AppError);
    }
    // Deactivating another entry now must not write a list without it.
    RegSetString(HKEY_CURRENT_USER, kTestKey, "v", "d");
    size_t row = AddRow(RegEntry(kRootCurrentUser, kTestKey, "v", "d"));
    ScriptedDialogs dialogs;
    CheckMarkOutcome out = CheckMark(row, false);
    EXPECT_TRUE(out.setCheck);
    EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, kTestKey, "v"), "d");
    EXPECT_EQ(ReadBytes(work / kInactiveEntriesFile), stored);

    // After a successful load the list is complete and can be saved.
    model.ASEntries.clear();
    EXPECT_EQ(LoadInactiveEntries(model), 1);
    SaveInactiveEntries(model);
    EXPECT_EQ(ReadBytes(work / kInactiveEntriesFile), stored);
}

// ---- the inactive-entries file ----------------------------------------------

using InactiveEntriesFile = InactiveTestBase;

TEST_F(InactiveEntriesFile, LivesInTheWorkingDirectoryNotInAppDir) {
    AutostartEntry a = FileEntry("C:\\x\\a.lnk");
    AutostartEntry b = RegEntry(kRootLocalMachine, "k", "n", "d", 3);
    AutostartEntry c = IniEntry("C:\\w\\win.ini", "windows", "load", "x.exe");
    AddASEntry(model.ASEntries, a, 0);
    AddASEntry(model.ASEntries, b, 1);
    AddASEntry(model.ASEntries, c, 0);
    SaveInactiveEntries(model);
    EXPECT_FALSE(FileExists(app / kInactiveEntriesFile));
    std::string bytes = ReadBytes(work / kInactiveEntriesFile);
    ASSERT_EQ(bytes.size(), 2 * kRecordSize);
    EXPECT_EQ(bytes, EncodeRecords({model.ASEntries[0], model.ASEntries[2]}));

    // Another working directory: the file is read from there, not from the first.
    TempDir other;
    ASSERT_TRUE(::SetCurrentDirectoryA(other.Path().c_str()));
    model.ASEntries.clear();
    EXPECT_EQ(LoadInactiveEntries(model), 0);
    SaveInactiveEntries(model);
    EXPECT_EQ(ReadBytes(other / kInactiveEntriesFile), "");
    EXPECT_EQ(ReadBytes(work / kInactiveEntriesFile), bytes);
    ASSERT_TRUE(::SetCurrentDirectoryA(work.Path().c_str()));
}

TEST_F(InactiveEntriesFile, LoadAppendsWithActiveZeroKeepsGroupsAndSkipsAFragment) {
    AutostartEntry a = RegEntry(kRootCurrentUser, "k", "n", "d", 4);
    a.Active = 1; // whatever was stored, a loaded entry is deactivated
    AutostartEntry b = FileEntry("C:\\boot.ini", 7);
    b.Active = 0;
    std::string bytes = EncodeRecords({a, b}) + std::string(100, 'x');
    WriteBytes(work / kInactiveEntriesFile, bytes);
    AutostartEntry scanned = FileEntry("C:\\scanned.lnk");
    AddASEntry(model.ASEntries, scanned, 1);
    EXPECT_EQ(LoadInactiveEntries(model), 2);
    ASSERT_EQ(model.ASEntries.size(), 3u);
    EXPECT_EQ(model.ASEntries[1].Active, 0);
    EXPECT_EQ(model.ASEntries[1].Group, 4);
    EXPECT_EQ(model.ASEntries[2].Group, 7);
    EXPECT_TRUE(SameAutostartPoint(model.ASEntries[1], a, false));
    // Written back, both records are byte for byte what they were (with Active 0).
    SaveInactiveEntries(model);
    a.Active = 0;
    EXPECT_EQ(ReadBytes(work / kInactiveEntriesFile), EncodeRecords({a, b}));
}

TEST_F(InactiveEntriesFile, EntriesBeyondAFullListAreKeptOnSave) {
    model.ASEntries.assign(kMaxEntries - 1, ZeroEntry());
    for (auto& e : model.ASEntries)
        e.Active = 1;
    AutostartEntry a = FileEntry("C:\\a.lnk"), b = FileEntry("C:\\b.lnk"),
                   c = FileEntry("C:\\c.lnk");
    a.Active = b.Active = c.Active = 0; // as deactivated entries are stored
    const std::string bytes = EncodeRecords({a, b, c});
    WriteBytes(work / kInactiveEntriesFile, bytes);
    EXPECT_EQ(LoadInactiveEntries(model), 3);
    EXPECT_EQ(model.ASEntries.size(), kMaxEntries);
    SaveInactiveEntries(model);
    EXPECT_EQ(ReadBytes(work / kInactiveEntriesFile), bytes);
    model.ASEntries.clear();
}

// ---- files ------------------------------------------------------------------

class InactiveFiles : public InactiveTestBase {
  protected:
    std::string Seed(const std::string& name, const std::string& bytes,
                     DWORD attrs = FILE_ATTRIBUTE_ARCHIVE) {
        std::string path = startup / name;
        WriteBytes(path, bytes, attrs);
        return path;
    }
    TempDir startup;
};

TEST_F(InactiveFiles, HiddenShortcutGoesAwayAndComesBackHidden) {
    const DWORD hidden = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    std::string lnk = Seed("Werkzeug Start.lnk", "L\0\0\0shortcut bytes", hidden);
    size_t row = AddRow(FileEntry(lnk));

    CheckMarkOutcome out = CheckMark(row, false);
    EXPECT_EQ(LineOf(out.failure), -1);
    EXPECT_FALSE(out.setCheck);
    EXPECT_FALSE(FileExists(lnk));
    auto lines = IndexLines(model);
    ASSERT_EQ(lines.size(), 1u);
    IsfLine line = ParseIsfLine(lines[0]);
    EXPECT_EQ(lines[0], FormatIsfLine(line.stored, lnk, hidden));
    ASSERT_EQ(line.stored.rfind("file", 0), 0u);
    int n = std::stoi(line.stored.substr(4));
    EXPECT_TRUE(n >= 0 && n <= 9999);
    EXPECT_EQ(std::to_string(n), line.stored.substr(4)); // no leading zeros
    EXPECT_EQ(ReadBytes(InactiveFolder(model.AppDir) + line.stored + ".bak"),
              "L\0\0\0shortcut bytes");
    EXPECT_EQ(KeptFiles(model), std::vector<std::string>{line.stored + ".bak"});
    EXPECT_EQ(ReadBytes(InactiveIndexPath(model.AppDir)), lines[0] + "\r\n");
    EXPECT_EQ(ReadBytes(work / kInactiveEntriesFile), EncodeRecords({model.ASEntries[0]}));

    out = CheckMark(row, true);
    EXPECT_EQ(LineOf(out.failure), -1);
    EXPECT_EQ(ReadBytes(lnk), "L\0\0\0shortcut bytes");
    EXPECT_EQ(GetAttributes(lnk), hidden);
    EXPECT_TRUE(KeptFiles(model).empty());
    EXPECT_EQ(ReadBytes(InactiveIndexPath(model.AppDir)), "");
    EXPECT_EQ(ReadBytes(work / kInactiveEntriesFile), "");
    // No staging file is left beside the shortcut.
    EXPECT_EQ(FilesIn(startup.Path()), std::vector<std::string>{"Werkzeug Start.lnk"});
}

TEST_F(InactiveFiles, LockedSourceDoesNotCountAsDeactivated) {
    const DWORD attrs = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    std::string exe = Seed("tool.exe", "MZ tool", attrs);
    size_t row = AddRow(FileEntry(exe));
    {
        // Open for reading without sharing deletion: the copy works, the delete not.
        UniqueHandle lock(::CreateFileA(exe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock);
        CheckMarkOutcome out = CheckMark(row, false);
        EXPECT_EQ(out.setCheck, true);
        EXPECT_EQ(LineOf(out.failure), 26);
    }
    EXPECT_EQ(model.ASEntries[0].Active, 1);
    EXPECT_EQ(ReadBytes(exe), "MZ tool");
    EXPECT_EQ(GetAttributes(exe), attrs);
    EXPECT_TRUE(KeptFiles(model).empty());
    EXPECT_EQ(ReadBytes(InactiveIndexPath(model.AppDir)), "");
    EXPECT_FALSE(FileExists(work / kInactiveEntriesFile));
}

TEST_F(InactiveFiles, OccupiedFormerPathIsReplacedByTheKeptCopy) {
    std::string lnk = Seed("a.lnk", "original");
    size_t row = AddRow(FileEntry(lnk));
    ASSERT_EQ(LineOf(CheckMark(row, false).failure), -1);
    Seed("a.lnk", "newcomer", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(LineOf(CheckMark(row, true).failure), -1);
    EXPECT_EQ(ReadBytes(lnk), "original");
    EXPECT_EQ(GetAttributes(lnk), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(IndexLines(model).empty());
    EXPECT_TRUE(KeptFiles(model).empty());
}

TEST_F(InactiveFiles, KeptCopyRemovedByHandGivesLine26AndStaysUnticked) {
    std::string lnk = Seed("b.lnk", "b");
    size_t row = AddRow(FileEntry(lnk));
    ASSERT_EQ(LineOf(CheckMark(row, false).failure), -1);
    std::string line = IndexLines(model).at(0);
    RemoveTree(InactiveFolder(model.AppDir) + ParseIsfLine(line).stored + ".bak");
    CheckMarkOutcome out = CheckMark(row, true);
    EXPECT_EQ(out.setCheck, false);
    EXPECT_EQ(LineOf(out.failure), 26);
    EXPECT_EQ(model.ASEntries[0].Active, 0);
    EXPECT_FALSE(FileExists(lnk));
    EXPECT_EQ(IndexLines(model), std::vector<std::string>{line});
    EXPECT_EQ(ReadBytes(work / kInactiveEntriesFile), EncodeRecords({model.ASEntries[0]}));
    // No line at all for a path fails the same way.
    EXPECT_FALSE(MoveEntryFile(model, startup / "never.lnk", false, true));
}

TEST_F(InactiveFiles, SecondDeactivationReusesTheNameAndAddsASecondLine) {
    std::string lnk = Seed("c.lnk", "first");
    ASSERT_TRUE(MoveEntryFile(model, lnk, true, true));
    // The file comes back by other means, changed, and is taken away again.
    Seed("c.lnk", "second", FILE_ATTRIBUTE_HIDDEN);
    const DWORD secondAttrs = GetAttributes(lnk);
    ASSERT_TRUE(MoveEntryFile(model, lnk, true, true));
    auto lines = IndexLines(model);
    ASSERT_EQ(lines.size(), 2u);
    IsfLine l0 = ParseIsfLine(lines[0]), l1 = ParseIsfLine(lines[1]);
    EXPECT_EQ(l0.stored, l1.stored);
    EXPECT_EQ(l0.former, lnk);
    EXPECT_EQ(l1.former, lnk);
    EXPECT_EQ(l0.attributes, "32");
    EXPECT_EQ(l1.attributes, std::to_string(secondAttrs));
    EXPECT_EQ(KeptFiles(model), std::vector<std::string>{l0.stored + ".bak"});
    EXPECT_EQ(ReadBytes(InactiveFolder(model.AppDir) + l0.stored + ".bak"), "second");

    // Reactivation uses and removes the first line.
    ASSERT_TRUE(MoveEntryFile(model, lnk, false, true));
    EXPECT_EQ(ReadBytes(lnk), "second");
    EXPECT_EQ(GetAttributes(lnk), 32u);
    EXPECT_EQ(IndexLines(model), std::vector<std::string>{lines[1]});
}

TEST_F(InactiveFiles, StoredNameAvoidsExistingCopies) {
    ASSERT_TRUE(ForceDirectories(InactiveFolder(model.AppDir)));
    WriteBytes(InactiveFolder(model.AppDir) + "file7.bak", "someone else's");
    std::deque<uint32_t> draws = {7, 7, 12};
    SetClockHooks({nullptr, [&](uint32_t) {
                       uint32_t v = draws.front();
                       draws.pop_front();
                       return v;
                   }});
    std::string lnk = Seed("d.lnk", "d");
    ASSERT_TRUE(MoveEntryFile(model, lnk, true, true));
    EXPECT_EQ(IndexLines(model), std::vector<std::string>{FormatIsfLine("file12", lnk, 32)});
    EXPECT_EQ(ReadBytes(InactiveFolder(model.AppDir) + "file7.bak"), "someone else's");
    EXPECT_EQ(ReadBytes(InactiveFolder(model.AppDir) + "file12.bak"), "d");
}

TEST_F(InactiveFiles, OtherLinesOfTheIndexAreKeptByteForByte) {
    ASSERT_TRUE(ForceDirectories(InactiveFolder(model.AppDir)));
    const std::string before = "file1|\"C:\\x y\\old.lnk\"|33\r\nodd line\r\n\r\n";
    WriteBytes(InactiveIndexPath(model.AppDir), before);
    std::string lnk = Seed("e.lnk", "e");
    ASSERT_TRUE(MoveEntryFile(model, lnk, true, true));
    std::string after = ReadBytes(InactiveIndexPath(model.AppDir));
    ASSERT_EQ(after.rfind(before, 0), 0u);
    ASSERT_TRUE(MoveEntryFile(model, lnk, false, true));
    EXPECT_EQ(ReadBytes(InactiveIndexPath(model.AppDir)), before);
}

TEST_F(InactiveFiles, PlantedIndexLineCannotReachOutsideTheFolder) {
    ASSERT_TRUE(ForceDirectories(InactiveFolder(model.AppDir)));
    std::string victim = startup / "victim.bak";
    WriteBytes(victim, "precious");
    std::string lnk = Seed("h.lnk", "h");
    const std::string planted = FormatIsfLine(
        "..\\..\\" + ExtractFileName(startup.Path().substr(0, startup.Path().size() - 1)) +
            "\\victim",
        lnk, 32);
    WriteBytes(InactiveIndexPath(model.AppDir), planted + "\r\n");
    ASSERT_TRUE(MoveEntryFile(model, lnk, true, true));
    ASSERT_TRUE(MoveEntryFile(model, lnk, false, true));
    EXPECT_EQ(ReadBytes(victim), "precious");
    EXPECT_EQ(ReadBytes(lnk), "h");
    EXPECT_EQ(IndexLines(model), std::vector<std::string>{planted});
}

TEST_F(InactiveFiles, UnreadableIndexIsNeverOverwritten) {
    ASSERT_TRUE(ForceDirectories(InactiveFolder(model.AppDir)));
    const std::string before = FormatIsfLine("file1", "C:\\x.lnk", 32) + "\r\n";
    WriteBytes(InactiveIndexPath(model.AppDir), before);
    std::string lnk = Seed("f.lnk", "f");
    {
        UniqueHandle lock(::CreateFileA(InactiveIndexPath(model.AppDir).c_str(), GENERIC_READ, 0,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock);
        EXPECT_FALSE(MoveEntryFile(model, lnk, true, true));
    }
    EXPECT_EQ(ReadBytes(InactiveIndexPath(model.AppDir)), before);
    EXPECT_EQ(ReadBytes(lnk), "f");
}

TEST_F(InactiveFiles, MissingSourceFailsWithoutALine) {
    size_t row = AddRow(FileEntry(startup / "gone.lnk"));
    CheckMarkOutcome out = CheckMark(row, false);
    EXPECT_EQ(LineOf(out.failure), 26);
    EXPECT_TRUE(IndexLines(model).empty());
    EXPECT_TRUE(KeptFiles(model).empty());
}

// Every step of a move refused in turn: the file is either in force or kept,
// never half of each.
TEST_F(InactiveFiles, RefusedStepLeavesEverythingAsBefore) {
    const DWORD attrs = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    std::string lnk = Seed("g.lnk", "g bytes", attrs);
    enum Fault { Copy, Delete, Index };
    auto inject = [this](Fault f) {
        auto once = std::make_shared<bool>(true);
        InactiveFaultHooks h;
        auto fire = [once] { return std::exchange(*once, false); };
        if (f == Copy)
            h.refuseCopy = [fire](const std::string&, const std::string&) { return fire(); };
        if (f == Delete) h.refuseDelete = [fire](const std::string&) { return fire(); };
        if (f == Index) h.refuseIndexWrite = [fire] { return fire(); };
        model.Inactive.faults = h;
    };
    for (Fault f : {Copy, Delete, Index}) {
        inject(f);
        EXPECT_FALSE(MoveEntryFile(model, lnk, true, true)) << f;
        EXPECT_EQ(ReadBytes(lnk), "g bytes") << f;
        EXPECT_EQ(GetAttributes(lnk), attrs) << f;
        EXPECT_TRUE(IndexLines(model).empty()) << f;
        EXPECT_TRUE(KeptFiles(model).empty()) << f;
    }
    model.Inactive.faults = {};
    ASSERT_TRUE(MoveEntryFile(model, lnk, true, true));
    const auto kept = IndexLines(model);
    ASSERT_EQ(kept.size(), 1u);
    const std::string bak = InactiveFolder(model.AppDir) + ParseIsfLine(kept[0]).stored + ".bak";
    for (Fault f : {Copy, Delete, Index}) {
        inject(f);
        EXPECT_FALSE(MoveEntryFile(model, lnk, false, true)) << f;
        EXPECT_FALSE(FileExists(lnk)) << f;
        EXPECT_EQ(IndexLines(model), kept) << f;
        EXPECT_EQ(ReadBytes(bak), "g bytes") << f;
        EXPECT_EQ(KeptFiles(model).size(), 1u) << f;
        EXPECT_TRUE(FilesIn(startup.Path()).empty()) << f;
    }
    model.Inactive.faults = {};
    ASSERT_TRUE(MoveEntryFile(model, lnk, false, true));
    EXPECT_EQ(ReadBytes(lnk), "g bytes");
    EXPECT_EQ(GetAttributes(lnk), attrs);
}

// ---- ini files --------------------------------------------------------------

class InactiveIni : public InactiveTestBase {};

TEST_F(InactiveIni, SystemIniShellLineKeepsTheReadOnlyAttribute) {
    const std::string ini = work / "system.ini";
    WriteBytes(ini, "[boot]\r\nshell=Explorer.exe my.exe\r\noemfonts.fon=vgaoem.fon\r\n");
    const DWORD attrs = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    ::SetFileAttributesA(ini.c_str(), attrs);
    size_t row = AddRow(IniEntry(ini, "boot", "shell", "Explorer.exe my.exe"));

    EXPECT_EQ(LineOf(CheckMark(row, false).failure), -1);
    EXPECT_EQ(IniValue(ini, "boot", "shell"), "<missing>");
    EXPECT_EQ(IniValue(ini, "boot", "oemfonts.fon"), "vgaoem.fon");
    EXPECT_EQ(ReadBytes(ini).find("shell="), std::string::npos);
    EXPECT_EQ(GetAttributes(ini), attrs);

    EXPECT_EQ(LineOf(CheckMark(row, true).failure), -1);
    EXPECT_EQ(IniValue(ini, "boot", "shell"), "Explorer.exe my.exe");
    EXPECT_NE(ReadBytes(ini).find("shell=Explorer.exe my.exe"), std::string::npos);
    EXPECT_EQ(GetAttributes(ini), attrs);
    ::SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(InactiveIni, TheRealSystemIniInTheWindowsFolder) {
    char win[MAX_PATH + 1] = {};
    ::GetWindowsDirectoryA(win, MAX_PATH);
    const std::string ini = IncludeTrailingBackslash(win) + "system.ini";
    const auto saved = ReadFileBytes(ini);
    const DWORD savedAttrs = GetAttributes(ini);
    ASSERT_TRUE(::WritePrivateProfileStringA("boot", "shell", "Explorer.exe", ini.c_str()));
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
    const DWORD ro = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    ::SetFileAttributesA(ini.c_str(), ro);
    size_t row = AddRow(IniEntry(ini, "boot", "shell", "Explorer.exe"));
    EXPECT_EQ(LineOf(CheckMark(row, false).failure), -1);
    EXPECT_EQ(IniValue(ini, "boot", "shell"), "<missing>");
    EXPECT_EQ(GetAttributes(ini), ro);
    EXPECT_EQ(LineOf(CheckMark(row, true).failure), -1);
    EXPECT_EQ(IniValue(ini, "boot", "shell"), "Explorer.exe");
    EXPECT_EQ(GetAttributes(ini), ro);
    ::SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (saved)
        WriteBytes(ini, *saved);
    else
        RemoveTree(ini);
    if (savedAttrs != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesA(ini.c_str(), savedAttrs);
}

TEST_F(InactiveIni, WinIniLoadLine) {
    char win[MAX_PATH + 1] = {};
    ::GetWindowsDirectoryA(win, MAX_PATH);
    const std::string ini = IncludeTrailingBackslash(win) + "win.ini";
    ASSERT_TRUE(
        ::WritePrivateProfileStringA("windows", "load", "C:\\qv6test\\tray.exe", ini.c_str()));
    size_t row = AddRow(IniEntry(ini, "windows", "load", "C:\\qv6test\\tray.exe"));
    EXPECT_EQ(LineOf(CheckMark(row, false).failure), -1);
    EXPECT_EQ(IniValue(ini, "windows", "load"), "<missing>");
    EXPECT_EQ(LineOf(CheckMark(row, true).failure), -1);
    EXPECT_EQ(IniValue(ini, "windows", "load"), "C:\\qv6test\\tray.exe");
    ::WritePrivateProfileStringA("windows", "load", nullptr, ini.c_str());
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
}

TEST_F(InactiveIni, RefusedWriteKeepsActiveAndAttributes) {
    // Deleting a key that is not there leaves nothing to check: it succeeds.
    // A file that cannot be written fails, and its attributes stay.
    const std::string ini = work / "locked.ini";
    WriteBytes(ini, "[windows]\r\nrun=x.exe\r\n", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    const DWORD attrs = GetAttributes(ini);
    ASSERT_TRUE(attrs & FILE_ATTRIBUTE_READONLY);
    size_t row = AddRow(IniEntry(ini, "windows", "run", "x.exe"));
    {
        UniqueHandle lock(
            ::CreateFileA(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock);
        CheckMarkOutcome out = CheckMark(row, false);
        EXPECT_EQ(out.setCheck, true);
        EXPECT_EQ(LineOf(out.failure), 26);
    }
    EXPECT_EQ(model.ASEntries[0].Active, 1);
    EXPECT_EQ(GetAttributes(ini), attrs);
    EXPECT_EQ(IniValue(ini, "windows", "run"), "x.exe");
    // A folder that does not exist cannot take the line back.
    size_t nowhere = AddRow(IniEntry(work / "no\\such\\dir\\x.ini", "windows", "run", "x.exe"), 0);
    CheckMarkOutcome out = CheckMark(nowhere, true);
    EXPECT_EQ(out.setCheck, false);
    EXPECT_EQ(LineOf(out.failure), 26);
    EXPECT_EQ(model.ASEntries[1].Active, 0);
    ::SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
}

} // namespace
} // namespace qv::test
