// The process table over a scripted source: the cap, the join by id, the
// names, the sort and the failure paths.
#include "model/AppModel.h"
#include "base/Files.h"
#include "process/ProcessTable.h"
#include "ScriptedProcessSource.h"
#include "support/TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::ScriptedProcessSource;

std::vector<std::string> Names(const std::vector<ProcessEntry>& table) {
    std::vector<std::string> names;
    for (const ProcessEntry& e : table)
        names.push_back(ProcessName(e));
    return names;
}

const ProcessEntry* FindId(const std::vector<ProcessEntry>& table, uint32_t id) {
    for (const ProcessEntry& e : table)
        if (e.th32ProcessID == id) return &e;
    return nullptr;
}

TEST(ProcessTable, JoinsLibraryPathsToSnapshotRecordsById) {
    ScriptedProcessSource src;
    src.AddProcess(8, "c:\\tools\\a.exe", "a.exe", 3);
    src.AddProcess(12, "", "System");
    src.AddProcess(16, "  \t \r\n", "blank.exe");
    src.AddProcess(20, "C:\\Windows\\Explorer.exe", "explorer.exe", 5);
    src.AddProcess(24, "c:\\windows\\explorer.exe", "explorer.exe", 7);
    src.AddProcess(28,
                   "c:\\\xFC"
                   "ber\\\xE4z.exe",
                   "uml.exe");
    // Listed by the library but not by the snapshot: its path goes nowhere.
    src.ids.push_back(36);
    src.paths[36] = "c:\\ghost.exe";
    ++src.count;
    // Listed by the snapshot only: keeps its own name.
    src.records.insert(src.records.begin(), ScriptedProcessSource::Record(40, "lonely.exe"));

    auto table = CollectProcesses(src);

    ASSERT_EQ(table.size(), 7u);
    // Unsigned byte order: upper-case paths before lower-case names, a 0xFC
    // byte after every ASCII letter, the same executable twice side by side.
    EXPECT_EQ(Names(table),
              (std::vector<std::string>{"C:\\TOOLS\\A.EXE", "C:\\WINDOWS\\EXPLORER.EXE",
                                        "C:\\WINDOWS\\EXPLORER.EXE",
                                        "C:\\\xFC"
                                        "BER\\\xE4Z.EXE",
                                        "System", "blank.exe", "lonely.exe"}));
    // The per-process figures stay with their process.
    ASSERT_NE(FindId(table, 8), nullptr);
    EXPECT_EQ(ProcessName(*FindId(table, 8)), "C:\\TOOLS\\A.EXE");
    EXPECT_EQ(FindId(table, 8)->cntThreads, 3u);
    EXPECT_EQ(FindId(table, 24)->cntThreads, 7u);
    EXPECT_EQ(ProcessName(*FindId(table, 16)), "blank.exe");
    EXPECT_EQ(FindId(table, 36), nullptr);
    for (const auto& e : table)
        EXPECT_NE(ProcessName(e), "C:\\GHOST.EXE");

    // The library is asked with the full buffers, once per non-zero id.
    EXPECT_EQ(src.idListBytes, 2000u);
    EXPECT_EQ(src.pathChars, std::vector<uint32_t>(7, 260u));
    EXPECT_EQ(src.snapshotCloses, 1);
    for (uint32_t size : src.recordSizesAsked)
        EXPECT_EQ(size, sizeof(ProcessEntry));
}

TEST(ProcessTable, CapsAtFiveHundredProcesses) {
    ScriptedProcessSource src;
    for (uint32_t i = 1; i <= 600; ++i)
        src.AddProcess(i * 4, "c:\\p\\" + std::to_string(1000 + i) + ".exe", "x.exe");
    auto table = CollectProcesses(src);
    ASSERT_EQ(table.size(), 500u);
    // The first 500 of the library and of the snapshot, all joined.
    EXPECT_EQ(ProcessName(table.front()), "C:\\P\\1001.EXE");
    EXPECT_EQ(ProcessName(table.back()), "C:\\P\\1500.EXE");

    // A count beyond 16 bits still means "too many", not a wrapped-around
    // small number.
    src.count = 65536 + 64;
    EXPECT_EQ(CollectProcesses(src).size(), 500u);
    src.count = 65536;
    EXPECT_EQ(CollectProcesses(src).size(), 500u);
}

TEST(ProcessTable, NoCountOrFailedIdListGivesAnEmptyTable) {
    AppModel model;
    ScriptedProcessSource none;
    none.records.push_back(ScriptedProcessSource::Record(8, "a.exe"));
    EXPECT_TRUE(CollectProcesses(none).empty());
    EXPECT_EQ(none.idListCalls, 0);
    EXPECT_EQ(none.snapshotOpens, 0);

    ScriptedProcessSource failing;
    failing.AddProcess(8, "c:\\a.exe", "a.exe");
    failing.AddProcess(12, "c:\\b.exe", "b.exe");
    failing.idListFails = true;
    EXPECT_TRUE(CollectProcesses(failing).empty());
    EXPECT_TRUE(failing.pathChars.empty());
    EXPECT_EQ(failing.snapshotOpens, 0);

    // The process-wide table follows: emptied, with a count of 0.
    ScriptedProcessSource good;
    good.AddProcess(8, "c:\\a.exe", "a.exe");
    BuildProcessTable(model, good);
    EXPECT_EQ(model.ProcessTable.size(), 1u);
    EXPECT_EQ(model.ProcessCount, 1u);
    BuildProcessTable(model, failing);
    EXPECT_TRUE(model.ProcessTable.empty());
    EXPECT_EQ(model.ProcessCount, 0u);
}

TEST(ProcessTable, SnapshotShortOrMissingLeavesZeroedEntriesInFront) {
    ScriptedProcessSource src;
    src.AddProcess(8, "c:\\a.exe", "a.exe");
    src.AddProcess(12, "", "b.exe");
    src.count = 5;
    auto table = CollectProcesses(src);
    ASSERT_EQ(table.size(), 5u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(table[i].th32ProcessID, 0u);
        EXPECT_EQ(ProcessName(table[i]), "");
        EXPECT_EQ(table[i].dwSize, 0u);
    }
    EXPECT_EQ(ProcessName(table[3]), "C:\\A.EXE");
    EXPECT_EQ(ProcessName(table[4]), "b.exe");

    src.snapshotAvailable = false;
    table = CollectProcesses(src);
    ASSERT_EQ(table.size(), 5u);
    for (const auto& e : table)
        EXPECT_EQ(e.th32ProcessID, 0u);
}

TEST(ProcessTable, SnapshotRecordsBeyondTheCountAreDropped) {
    ScriptedProcessSource src;
    src.AddProcess(8, "c:\\a.exe", "a.exe");
    src.AddProcess(12, "c:\\b.exe", "b.exe");
    src.count = 2;
    for (uint32_t id = 100; id < 110; ++id)
        src.records.push_back(ScriptedProcessSource::Record(id, "late.exe"));
    auto table = CollectProcesses(src);
    EXPECT_EQ(Names(table), (std::vector<std::string>{"C:\\A.EXE", "C:\\B.EXE"}));
    EXPECT_EQ(src.snapshotCloses, 1);
}

TEST(ProcessTable, OverlongPathIsCutToFitItsTerminator) {
    ScriptedProcessSource src;
    std::string longPath = "c:\\" + std::string(257, 'x'); // 260 characters
    src.AddProcess(8, longPath, "long.exe");
    src.AddProcess(12, "c:\\z.exe", "z.exe");
    auto table = CollectProcesses(src);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(ProcessName(table[0]), "C:\\" + std::string(256, 'X'));
    EXPECT_EQ(table[0].szExeFile[259], '\0');
    // The neighbour is untouched.
    EXPECT_EQ(table[1].dwSize, sizeof(ProcessEntry));
    EXPECT_EQ(ProcessName(table[1]), "C:\\Z.EXE");
}

TEST(ProcessTable, SortComparesUnsignedBytesAndShorterNamesFirst) {
    std::vector<ProcessEntry> table;
    for (const char* name : {"b", "\xE4", "ab", "", "a", "B", "\x7F", "abc", ""})
        table.push_back(ScriptedProcessSource::Record(1, name));
    // A name that fills the whole field, without terminator, is compared
    // over the field only.
    ProcessEntry full{};
    std::memset(full.szExeFile, 'a', sizeof full.szExeFile);
    table.push_back(full);
    SortProcessTable(table);
    std::vector<std::string> names = Names(table);
    EXPECT_EQ(names, (std::vector<std::string>{"", "", "B", "a", std::string(260, 'a'), "ab", "abc",
                                               "b", "\x7F", "\xE4"}));
}

TEST(ProcessTable, MissingLibraryOrFunctionsGiveAnEmptyTable) {
    SystemProcessSource missing("qv6_no_such_library.dll");
    EXPECT_TRUE(CollectProcesses(missing).empty());
    // A library that exists but lacks the three functions.
    SystemProcessSource wrong("version.dll");
    EXPECT_TRUE(CollectProcesses(wrong).empty());

    // A working library that lies only in the current directory is not
    // taken: it could have been put there by anyone.
    test::TempDir dir;
    ASSERT_TRUE(::CopyFileA((ExecutableDir() + "procs.dll").c_str(),
                            (dir / "qv6_cwd_procs.dll").c_str(), FALSE));
    char saved[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, saved);
    ::SetCurrentDirectoryA(dir.Path().c_str());
    size_t loaded;
    {
        SystemProcessSource planted("qv6_cwd_procs.dll");
        loaded = CollectProcesses(planted).size();
    }
    ::SetCurrentDirectoryA(saved);
    EXPECT_EQ(loaded, 0u);
    // The same library beside the program is taken.
    ASSERT_TRUE(::CopyFileA((ExecutableDir() + "procs.dll").c_str(),
                            (ExecutableDir() + "qv6_cwd_procs.dll").c_str(), FALSE));
    {
        SystemProcessSource beside("qv6_cwd_procs.dll");
        EXPECT_FALSE(CollectProcesses(beside).empty());
    }
    ::DeleteFileA((ExecutableDir() + "qv6_cwd_procs.dll").c_str());
}

} // namespace
} // namespace qv
