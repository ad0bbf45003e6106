// The guard contract and the guard program qvguard.exe, run for real.
#include "model/AppModel.h"
#include "support/Model.h"
#include "autostart/AutostartEntry.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "database/CRC.h"
#include "database/KnownEntries.h"
#include "process/FunctionUnit.h"
#include "process/GuardInterface.h"
#include "process/GuardWatch.h"
#include "autostart/Inactive.h"
#include "autostart/StickyPark.h"
#include "ScriptedProcessSource.h"
#include "support/Entries.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>

namespace qv {
namespace {

using test::ScriptedProcessSource;

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Waits for a condition the guard brings about in its own time; the limit is
// generous for a slow machine and is no measure of speed.
bool WaitFor(const std::function<bool()>& condition, DWORD limitMs = 10000) {
    for (DWORD waited = 0; waited < limitMs; waited += 50) {
        if (condition()) return true;
        ::Sleep(50);
    }
    return condition();
}

TEST(GuardContract, RecognisesOnlyTheGuardInAppDir) {
    auto table = [](std::initializer_list<const char*> names) {
        std::vector<ProcessEntry> t;
        for (const char* n : names)
            t.push_back(ScriptedProcessSource::Record(1, n));
        return t;
    };
    EXPECT_TRUE(TableHasGuard(table({"C:\\WINDOWS\\EXPLORER.EXE", "C:\\PROG\\QV 6\\QVGUARD.EXE"}),
                              "c:\\Prog\\Qv 6\\"));
    EXPECT_FALSE(TableHasGuard(table({"C:\\OTHER\\QVGUARD.EXE"}), "c:\\Prog\\"));
    // A bare snapshot name, or a lower-case path, is not the upper-case path.
    EXPECT_FALSE(TableHasGuard(table({"qvguard.exe", "c:\\prog\\qvguard.exe"}), "c:\\Prog\\"));
    EXPECT_FALSE(TableHasGuard(table({"C:\\PROG\\QVGUARD.EXE.OLD"}), "c:\\Prog\\"));
    EXPECT_FALSE(TableHasGuard({}, "c:\\Prog\\"));
}

TEST(GuardContract, NotifyWithoutTheWindowPostsNothing) {
    // A window whose title only begins like the guard's is not the guard.
    HWND decoy = ::CreateWindowExW(0, L"STATIC", L"Quorvik 6 Guard 2", WS_OVERLAPPED, 0, 0, 10, 10,
                                   nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(decoy, nullptr);
    ASSERT_EQ(::FindWindowW(nullptr, kGuardWindowTitle), nullptr) << "a guard is running";
    EXPECT_FALSE(NotifyGuard(GuardMsgStop));
    EXPECT_FALSE(NotifyGuard(GuardMsgDatabaseChanged));
    MSG msg;
    EXPECT_FALSE(::PeekMessageW(&msg, decoy, GuardMsgStop, GuardMsgEntryEdited, PM_REMOVE));
    ::DestroyWindow(decoy);
}

// An entry of the HKCU run key as the scan fills it.
AutostartEntry RunEntry(const std::string& name, const std::string& data) {
    AutostartEntry e = test::RegEntry(kRootCurrentUser, kRunKey, name, data);
    e.Active = 1;
    e.Detail.assign(data);
    return e;
}

TEST(GuardWatch, AnnouncesWhatIsNewAndUnknown) {
    KnownEntryDB known;
    AutostartWatch watch;
    AutostartEntry a = RunEntry("A", "c:\\a.exe"), b = RunEntry("B", "c:\\b.exe"),
                   c = RunEntry("C", "c:\\c.exe");
    watch.SetBaseline({a});
    EXPECT_TRUE(watch.Update({a}, known).empty());

    known.Add(c); // accepted by the user
    auto fresh = watch.Update({a, b, c}, known);
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_EQ(fresh[0].ValueName.str(), "B");
    EXPECT_TRUE(watch.Update({a, b, c}, known).empty());

    // A changed command is a new entry; only the identity counts, so a new
    // caption alone is not.
    AutostartEntry b2 = RunEntry("B", "c:\\evil.exe");
    AutostartEntry a2 = a;
    a2.Caption.assign("other caption");
    fresh = watch.Update({a2, b2, c}, known);
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_EQ(fresh[0].ValueData.str(), "c:\\evil.exe");

    // Removed and put back: announced again.
    watch.Update({a2, c}, known);
    EXPECT_EQ(watch.Update({a2, b2, c}, known).size(), 1u);
}

// Points the user's startup folder somewhere else for as long as it lives.
class StartupFolderOverride {
  public:
    explicit StartupFolderOverride(const std::string& folder)
        : had_(test::RegValueExists(HKEY_CURRENT_USER, kFolders, "startup")),
          old_(test::RegGetString(HKEY_CURRENT_USER, kFolders, "startup")) {
        test::RegSetString(HKEY_CURRENT_USER, kFolders, "startup", folder);
    }
    ~StartupFolderOverride() {
        if (had_)
            test::RegSetString(HKEY_CURRENT_USER, kFolders, "startup", old_);
        else
            ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kFolders, "startup");
    }

  private:
    static constexpr char kFolders[] =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    bool had_;
    std::string old_;
};

const AutostartEntry* FindFile(const std::vector<AutostartEntry>& entries,
                               const std::string& file) {
    for (const AutostartEntry& e : entries)
        if (e.FileName.str() == file) return &e;
    return nullptr;
}

TEST(GuardWatch, ReadsStartupFoldersAndSeesEveryChangeOfAFile) {
    test::TempDir folder;
    const std::string folderPath = folder.Path().substr(0, folder.Path().size() - 1);
    const std::string notesPath = folderPath + "\\notes.txt";
    test::WriteBytes(notesPath, "hello");
    ::CreateDirectoryA((folderPath + "\\sub").c_str(), nullptr);
    StartupFolderOverride startup(folderPath);

    auto entries = ReadWatchedEntries();
    const AutostartEntry* notes = FindFile(entries, notesPath);
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->Kind, KindFile);
    EXPECT_EQ(notes->Group, 5);
    EXPECT_EQ(notes->Active, 1);
    EXPECT_EQ(notes->Caption.str(), "notes.txt");
    EXPECT_EQ(notes->Detail.str(), "notes.txt");
    const int32_t before = FileCRC32(notesPath);
    EXPECT_NE(before, -1);
    EXPECT_EQ(notes->Checksum, before);
    const AutostartEntry* sub = FindFile(entries, folderPath + "\\sub");
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->Checksum, -1);

    // Same size, new content and a new time of last write: a new checksum.
    test::WriteBytes(notesPath, "HELLO");
    {
        UniqueHandle f(::CreateFileA(notesPath.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
        FILETIME t{0x12345678, 0x01D00000};
        ASSERT_TRUE(::SetFileTime(f.get(), nullptr, nullptr, &t));
    }
    entries = ReadWatchedEntries();
    notes = FindFile(entries, notesPath);
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->Checksum, FileCRC32(notesPath));
    EXPECT_NE(notes->Checksum, before);
}

TEST(GuardWatch, AServiceMadeOrRemovedBetweenTwoLooksIsSeen) {
    // Services are read again only when their key changed: each change must
    // still reach the next look, and a look without a change the same rows.
    auto has = [](const std::vector<AutostartEntry>& entries) {
        for (const AutostartEntry& e : entries)
            if (e.Group == GroupByte(AutostartGroup::Services) && e.ValueName.view() == "qvtGuard")
                return true;
        return false;
    };
    EXPECT_FALSE(has(ReadWatchedEntries()));
    {
        test::SeededServices seeded;
        ASSERT_TRUE(seeded.Add("qvtGuard", "Guard test", SERVICE_WIN32_OWN_PROCESS,
                               SERVICE_AUTO_START, "c:\\qvt\\guard.exe"));
        EXPECT_TRUE(has(ReadWatchedEntries()));
        EXPECT_TRUE(has(ReadWatchedEntries()));
    }
    EXPECT_FALSE(has(ReadWatchedEntries()));
}

// The guard program in the test's own folder, started and stopped as the
// main program does it. Whatever a test leaves behind is ended and removed.
class GuardProgram : public test::ModelTest {
  protected:
    void SetUp() override {
        model.AppDir = ExecutableDir();
        ASSERT_FALSE(IsGuardRunning(model.AppDir))
            << "a guard from an earlier run is still running";
        ::DeleteFileA(LogPath().c_str());
        ::DeleteFileA((model.AppDir + "asedb.dat").c_str());
    }
    void TearDown() override {
        SystemProcessSource source;
        for (const ProcessEntry& e : CollectProcesses(source))
            if (ProcessName(e) == UpperAscii(model.AppDir + kGuardExeName))
                KillProcess(e.th32ProcessID);
        WaitFor([this] { return !IsGuardRunning(model.AppDir); });
        for (const std::string& v : values_)
            ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKey, v.c_str());
        ::DeleteFileA(LogPath().c_str());
        ::DeleteFileA((model.AppDir + "asedb.dat").c_str());
    }

    std::string LogPath() const { return model.AppDir + "guard.log"; }
    std::string Log() const { return ReadFileBytes(LogPath()).value_or(""); }
    static HWND GuardWindow() { return ::FindWindowW(nullptr, kGuardWindowTitle); }

    void StartGuard() {
        ShellOpen(model.AppDir + kGuardExeName);
        ASSERT_TRUE(
            WaitFor([this] { return IsGuardRunning(model.AppDir) && GuardWindow() != nullptr; }));
    }
    void AddRunValue(const std::string& name, const std::string& data) {
        values_.push_back(name);
        test::RegSetString(HKEY_CURRENT_USER, kRunKey, name, data);
    }

  private:
    std::vector<std::string> values_;
};

TEST_F(GuardProgram, StartsOnceThroughTheShellAndStopsOnRequest) {
    StartGuard();
    // Another folder's guard would be another program.
    model.AppDir = "C:\\Elsewhere\\";
    EXPECT_FALSE(IsGuardRunning(model.AppDir));
    model.AppDir = ExecutableDir();

    // A second start of the same file ends by itself, quietly; the first
    // keeps running.
    std::string exe = model.AppDir + kGuardExeName;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = "\"" + exe + "\"";
    ASSERT_TRUE(::CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 model.AppDir.c_str(), &si, &pi));
    UniqueHandle process(pi.hProcess), thread(pi.hThread);
    ASSERT_EQ(::WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(IsGuardRunning(model.AppDir));

    EXPECT_TRUE(NotifyGuard(GuardMsgStop));
    EXPECT_TRUE(WaitFor([this] { return !IsGuardRunning(model.AppDir); }));
    EXPECT_EQ(GuardWindow(), nullptr);
    EXPECT_FALSE(NotifyGuard(GuardMsgStop));
}

TEST_F(GuardProgram, AnnouncesARunValueAddedWhileItRuns) {
    AddRunValue("QV6GuardBefore", "c:\\before.exe");
    StartGuard();
    AddRunValue("QV6GuardNew", "c:\\new\\tool.exe");
    ASSERT_TRUE(WaitFor([this] { return Log().find("QV6GuardNew") != std::string::npos; }));
    // One line, ended by CR LF, naming the group, the value and the command;
    // what was there at the start is not announced.
    std::string log = Log();
    EXPECT_EQ(log.find("QV6GuardBefore"), std::string::npos);
    std::vector<std::string> lines = SplitLines(log);
    ASSERT_EQ(lines.size(), 1u);
    // The group's name comes from the language file beside the guard and is
    // written in the ANSI code page, like every text file of the program.
    EXPECT_NE(lines[0].find("Registry: Run-Schl\xFCssel | QV6GuardNew | c:\\new\\tool.exe"),
              std::string::npos)
        << lines[0];
    EXPECT_EQ(log.substr(log.size() - 2), "\r\n");
    EXPECT_TRUE(NotifyGuard(GuardMsgStop));
}

TEST_F(GuardProgram, RereadsTheDatabaseWhenTold) {
    StartGuard();
    // The user accepts an entry in the main program, which rewrites the
    // database and tells the guard. Sent rather than posted, so the test
    // knows the guard has read it before the entry appears.
    model.ASEntryDB = {RunEntry("QV6GuardKnown", "c:\\known.exe")};
    SaveKnownEntries(model.ASEntryDB, model.AppDir);
    DWORD_PTR result = 0;
    ASSERT_NE(::SendMessageTimeoutW(GuardWindow(), GuardMsgDatabaseChanged, 0, 0, SMTO_BLOCK, 10000,
                                    &result),
              0);
    // The record is filled as the scan fills it; staying quiet about it also
    // shows that the guard reads the run key into the same fields.
    AddRunValue("QV6GuardKnown", "c:\\known.exe");
    AddRunValue("QV6GuardUnknown", "c:\\unknown.exe");
    ASSERT_TRUE(WaitFor([this] { return Log().find("QV6GuardUnknown") != std::string::npos; }));
    EXPECT_EQ(Log().find("QV6GuardKnown"), std::string::npos);

    // An edited entry makes it look again at once.
    AddRunValue("QV6GuardEdited", "c:\\edited.exe");
    ASSERT_NE(
        ::SendMessageTimeoutW(GuardWindow(), GuardMsgEntryEdited, 0, 0, SMTO_BLOCK, 10000, &result),
        0);
    EXPECT_NE(Log().find("QV6GuardEdited"), std::string::npos);
}

// The guard in a folder of its own, with the data files of that folder, so
// that the main program's files beside the tests are never touched.
class StickyGuard : public GuardProgram {
  protected:
    void SetUp() override {
        GuardProgram::SetUp();
        for (const char* name : {kGuardExeName, "qv6.lng"})
            ASSERT_TRUE(
                ::CopyFileA((ExecutableDir() + name).c_str(), (folder / name).c_str(), FALSE));
        model.AppDir = folder.Path();
        cwd_ = std::make_unique<test::WorkingDirectory>(folder.Path());
        ASSERT_TRUE(cwd_->Changed());
    }
    void TearDown() override {
        GuardProgram::TearDown();
        cwd_.reset();
    }
    test::TempDir folder;
    test::TempDir startupDir;

  private:
    std::unique_ptr<test::WorkingDirectory> cwd_;
};

TEST_F(StickyGuard, ParksAReturnedRunValueAndStartupFileAgainKeepingBothVersions) {
    const std::string startup = startupDir.Path().substr(0, startupDir.Path().size() - 1);
    StartupFolderOverride override(startup);
    const std::string file = startup + "\\Tray.txt";
    test::WriteBytes(file, "first");
    AddRunValue("QV6StickyRun", "c:\\first.exe");
    // Unticked in the main program: both are kept away from now on.
    for (const AutostartEntry& e : ReadWatchedEntries())
        if (e.ValueName.str() == "QV6StickyRun" || e.FileName.str() == file)
            model.ASEntries.push_back(e);
    ASSERT_EQ(model.ASEntries.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        CheckMarkOutcome out = OnEntryCheckMark(model, i, false);
        ASSERT_FALSE(out.failure || out.error) << out.error.value_or("");
    }
    ASSERT_FALSE(FileExists(file));
    StartGuard();

    // The programs write their entries back, changed.
    test::RegSetString(HKEY_CURRENT_USER, kRunKey, "QV6StickyRun", "c:\\second.exe");
    test::WriteBytes(file, "second");
    ASSERT_TRUE(WaitFor([&] {
        return !test::RegValueExists(HKEY_CURRENT_USER, kRunKey, "QV6StickyRun") &&
               !FileExists(file) && Log().find("Tray.txt") != std::string::npos;
    }));
    auto kept = DecodeRecords(test::ReadBytes(folder / kInactiveEntriesFile));
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0].ValueData.str(), "c:\\first.exe");
    EXPECT_EQ(kept[2].ValueData.str(), "c:\\second.exe");
    std::vector<std::string> baks = test::FilesIn(InactiveFolder(model.AppDir));
    ASSERT_EQ(baks.size(), 2u);
    std::string contents;
    for (const std::string& b : baks)
        contents += test::ReadBytes(InactiveFolder(model.AppDir) + b) + ";";
    EXPECT_TRUE(contents == "second;first;" || contents == "first;second;") << contents;
    // Each notice names the entry, what it starts and its first return.
    std::string log = Log();
    for (const char* named : {"QV6StickyRun | c:\\second.exe", "Tray.txt"})
        EXPECT_NE(log.find(named), std::string::npos) << log;
    EXPECT_EQ(SplitLines(log).size(), 2u) << log;
    EXPECT_NE(log.find("(1. R\xFC"
                       "ckkehr)"),
              std::string::npos)
        << log;
    const StickyState sticky = LoadStickyList(model.AppDir);
    for (const StickyItem& item : sticky.list.Items())
        EXPECT_EQ(item.returns, 1u);
}

} // namespace
} // namespace qv
