// The process page's rules over a scripted system: the rows of a fill, the
// icon plan, the verified kill, the kill loop and its texts, and the
// critical processes.
#include "model/AppModel.h"
#include "base/Clock.h"
#include "process/ProcessPage.h"
#include "ScriptedProcessControl.h"
#include "ScriptedProcessSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace qv {
namespace {

using test::ScriptedProcessControl;
using test::ScriptedProcessSource;

// Routes the clock seam's sleeps into the control's log for as long as it lives.
class SleepLog {
  public:
    explicit SleepLog(std::vector<std::string>& log) {
        SetClockHooks({[&log](uint32_t ms) { log.push_back("sleep " + std::to_string(ms)); }, {}});
    }
    ~SleepLog() { SetClockHooks({}); }
};

ProcessRow Row(uint32_t id, std::string caption, std::optional<uint64_t> created) {
    ProcessRow row;
    row.caption = std::move(caption);
    row.processId = id;
    row.creationTime = created;
    row.entry = ScriptedProcessSource::Record(id, row.caption.c_str());
    return row;
}

TEST(ProcessPage, RowsKeepIdCreationTimeAndEntryOfTheirProcess) {
    AppModel model;
    ScriptedProcessSource src;
    src.AddProcess(8, "c:\\b.exe", "b.exe", 3);
    src.AddProcess(12, "c:\\a.exe", "a.exe", 5);
    src.AddProcess(16, "", "gone.exe");
    src.count = 4; // one entry the snapshot leaves empty
    ScriptedProcessControl control;
    control.Add(8, 800);
    control.Add(12, 1200);

    ProcessPageContent page = FillProcessPage(model, src, control);
    // The table is rebuilt as well, and rows follow its order.
    ASSERT_EQ(model.ProcessTable.size(), 4u);
    ASSERT_EQ(page.rows.size(), 4u);
    EXPECT_EQ(page.rows[0].caption, "");
    EXPECT_EQ(page.rows[0].processId, 0u);
    EXPECT_FALSE(page.rows[0].creationTime);
    EXPECT_EQ(page.rows[1].caption, "C:\\A.EXE");
    EXPECT_EQ(page.rows[1].processId, 12u);
    EXPECT_EQ(page.rows[1].creationTime, 1200u);
    EXPECT_EQ(page.rows[1].entry.cntThreads, 5u);
    EXPECT_EQ(page.rows[2].caption, "C:\\B.EXE");
    EXPECT_EQ(page.rows[2].creationTime, 800u);
    // A process that ended before it could be asked has no creation time.
    EXPECT_EQ(page.rows[3].caption, "gone.exe");
    EXPECT_FALSE(page.rows[3].creationTime);
    // Nobody asks about id 0.
    for (const std::string& event : control.log)
        EXPECT_EQ(event.find("query 0 "), std::string::npos) << event;

    // The rows stay as they were when the table is rebuilt elsewhere.
    ScriptedProcessSource other;
    other.AddProcess(99, "c:\\z.exe", "z.exe");
    BuildProcessTable(model, other);
    EXPECT_EQ(page.rows[1].caption, "C:\\A.EXE");
    EXPECT_EQ(page.rows[1].entry.th32ProcessID, 12u);
}

TEST(ProcessPage, IconPlanLoadsEachFileOnce) {
    std::vector<ProcessRow> rows = {Row(1, "", {}),         Row(2, "C:\\A.EXE", 1),
                                    Row(3, "C:\\B.EXE", 1), Row(4, "C:\\A.EXE", 1),
                                    Row(5, "c:\\a.exe", 1), Row(6, "", {})};
    IconPlan plan = PlanRowIcons(rows);
    EXPECT_EQ(plan.files, (std::vector<std::string>{"", "C:\\A.EXE", "C:\\B.EXE", "c:\\a.exe"}));
    EXPECT_EQ(plan.rowImage, (std::vector<int>{0, 1, 2, 1, 3, 0}));
    EXPECT_TRUE(PlanRowIcons({}).files.empty());
}

TEST(ProcessPage, KillEndsTheProcessThroughTheHandleWhoseTimeMatched) {
    ScriptedProcessControl control;
    control.Add(8, 800);
    EXPECT_EQ(KillVerified(Row(8, "C:\\A.EXE", 800), control), KillResult::Ended);
    EXPECT_EQ(control.log, (std::vector<std::string>{"open kill 8 #1", "time kill 8 #1",
                                                     "ended? kill 8 #1", "terminate kill 8 #1"}));
    EXPECT_TRUE(control.processes[8].ended);
}

TEST(ProcessPage, KillRefusesAReusedIdAndWhatCannotBeVerified) {
    ScriptedProcessControl control;
    // The row's process ended and its id went to a new process.
    control.Add(8, 999);
    EXPECT_EQ(KillVerified(Row(8, "C:\\OLD.EXE", 800), control), KillResult::Replaced);
    EXPECT_FALSE(control.processes[8].ended);
    EXPECT_EQ(control.log, (std::vector<std::string>{"open kill 8 #1", "time kill 8 #1"}));

    // Gone, or not ours to end.
    EXPECT_EQ(KillVerified(Row(12, "C:\\GONE.EXE", 5), control), KillResult::NotOpened);
    control.Add(16, 5).refuseTerminate = true;
    EXPECT_EQ(KillVerified(Row(16, "C:\\ADMIN.EXE", 5), control), KillResult::NotOpened);
    // No creation time at the fill: nothing to compare with, so never ended.
    control.Add(20, 5);
    control.log.clear();
    EXPECT_EQ(KillVerified(Row(20, "C:\\X.EXE", {}), control), KillResult::NotVerifiable);
    EXPECT_TRUE(control.log.empty());
    EXPECT_FALSE(control.processes[20].ended);
    // Or none now.
    control.Add(24, 5).noTime = true;
    EXPECT_EQ(KillVerified(Row(24, "C:\\Y.EXE", 5), control), KillResult::NotVerifiable);
    EXPECT_FALSE(control.processes[24].ended);
    control.Add(28, 5).terminateFails = true;
    EXPECT_EQ(KillVerified(Row(28, "C:\\Z.EXE", 5), control), KillResult::TerminateFailed);
    // Ended meanwhile but still held open by someone: not ended by us.
    control.Add(32, 5).exited = true;
    control.log.clear();
    EXPECT_EQ(KillVerified(Row(32, "C:\\W.EXE", 5), control), KillResult::AlreadyEnded);
    EXPECT_EQ(control.log.back(), "ended? kill 32 #6");
}

TEST(ProcessPage, KillLoopRaisesPriorityEndsTickedRowsRestoresAndWaits) {
    ScriptedProcessControl control;
    control.priority = 0x8000; // ABOVE_NORMAL
    control.Add(8, 80);
    control.Add(12, 120);
    control.Add(16, 160);
    control.Add(0x1A4, 999); // id 420, taken over by another process
    std::vector<ProcessRow> rows = {Row(8, "C:\\A.EXE", 80), Row(12, "C:\\B.EXE", 120),
                                    Row(0x1A4, "C:\\OLD \"X\".EXE", 420), Row(16, "C:\\D.EXE", 160),
                                    Row(20, "C:\\E.EXE", 200)};
    SleepLog sleeps(control.log);

    auto failed = KillTickedProcesses(rows, {true, false, true, true, true}, control);

    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->line, Lng::KillFailedHeader);
    EXPECT_EQ(failed->items, (std::vector<std::string>{"C:\\OLD \"X\".EXE [PID:000001A4]",
                                                       "C:\\E.EXE [PID:00000014]"}));
    EXPECT_TRUE(control.processes[8].ended);
    EXPECT_FALSE(control.processes[12].ended); // not ticked
    EXPECT_FALSE(control.processes[0x1A4].ended);
    EXPECT_TRUE(control.processes[16].ended);
    // Raised first, restored to what it was, then one second's wait.
    ASSERT_GE(control.log.size(), 3u);
    EXPECT_EQ(control.log.front(), "priority 256");
    EXPECT_EQ(control.log[control.log.size() - 2], "priority 32768");
    EXPECT_EQ(control.log.back(), "sleep 1000");
    // In row order.
    std::vector<std::string> terminated;
    for (const std::string& e : control.log)
        if (e.rfind("terminate", 0) == 0) terminated.push_back(e);
    EXPECT_EQ(terminated,
              (std::vector<std::string>{"terminate kill 8 #1", "terminate kill 16 #3"}));
}

TEST(ProcessPage, KillLoopWithNothingTickedStillRaisesRestoresAndWaits) {
    ScriptedProcessControl control;
    control.Add(8, 80);
    SleepLog sleeps(control.log);
    // Fewer flags than rows: the rest count as unticked.
    EXPECT_FALSE(KillTickedProcesses({Row(8, "C:\\A.EXE", 80)}, {}, control));
    EXPECT_EQ(control.log, (std::vector<std::string>{"priority 256", "priority 32", "sleep 1000"}));
    EXPECT_FALSE(control.processes[8].ended);
}

TEST(ProcessPage, TheProgramsOwnRowIsEndedLast) {
    ScriptedProcessControl control;
    control.self = 12;
    control.Add(8, 80);
    control.Add(12, 120);
    control.Add(16, 160);
    SleepLog sleeps(control.log);
    std::vector<ProcessRow> rows = {Row(8, "C:\\A.EXE", 80), Row(12, "C:\\QV6.EXE", 120),
                                    Row(16, "C:\\C.EXE", 160)};
    KillTickedProcesses(rows, {true, true, true}, control);
    std::vector<std::string> terminated;
    for (const std::string& e : control.log)
        if (e.rfind("terminate", 0) == 0) terminated.push_back(e.substr(0, e.find('#') - 1));
    EXPECT_EQ(terminated, (std::vector<std::string>{"terminate kill 8", "terminate kill 16",
                                                    "terminate kill 12"}));
}

TEST(ProcessPage, FailureTextsAndMessage) {
    EXPECT_EQ(FormatHex8(0), "00000000");
    EXPECT_EQ(FormatHex8(0x1A4), "000001A4");
    EXPECT_EQ(FormatHex8(0xFFFFFFFF), "FFFFFFFF");
    EXPECT_EQ(KillFailureText("C:\\A.EXE", 420), "C:\\A.EXE [PID:000001A4]");
    EXPECT_EQ(KillFailureText("", 0xABCDEF12), " [PID:ABCDEF12]");

    EXPECT_EQ(AppendQuotedItems("Kopf:", {"a [PID:00000001]"}), "Kopf:\r\"a [PID:00000001]\"");
    EXPECT_EQ(AppendQuotedItems("Kopf:", {"a b", "say \"hi\"", ""}),
              "Kopf:\r\"a b\"\r\"say \"\"hi\"\"\"\r\"\"");
    EXPECT_EQ(AppendQuotedItems("Kopf:", {}), "Kopf:\r");
}

TEST(ProcessPage, CriticalSystemPathsOnlyInTheSystemDirectory) {
    const std::string sys = "C:\\Windows\\System32\\";
    for (const char* name :
         {"csrss.exe", "SMSS.EXE", "wininit.exe", "winlogon.exe", "services.exe", "lsass.exe"})
        EXPECT_TRUE(IsCriticalSystemPath(sys + name, sys)) << name;
    EXPECT_TRUE(IsCriticalSystemPath("C:\\WINDOWS\\SYSTEM32\\LSASS.EXE", "c:\\windows\\system32"));
    // A bare name, another folder, a longer name, another program.
    EXPECT_FALSE(IsCriticalSystemPath("lsass.exe", sys));
    EXPECT_FALSE(IsCriticalSystemPath("C:\\TEMP\\LSASS.EXE", sys));
    EXPECT_FALSE(IsCriticalSystemPath("C:\\WINDOWS\\SYSTEM32\\SUB\\LSASS.EXE", sys));
    EXPECT_FALSE(IsCriticalSystemPath("C:\\WINDOWS\\SYSTEM32\\LSASS.EXE.OLD", sys));
    EXPECT_FALSE(IsCriticalSystemPath("C:\\WINDOWS\\SYSTEM32\\NOTEPAD.EXE", sys));
    EXPECT_FALSE(IsCriticalSystemPath("C:\\WINDOWS\\SYSTEM32\\LSASS.EXE", ""));
}

TEST(ProcessPage, CriticalProcessesAskTheSecondQuestion) {
    ScriptedProcessControl control;
    control.Add(4, 1);
    control.Add(8, 80);
    control.Add(12, 120).critical = true;
    control.Add(16, 160).critical = std::nullopt;
    control.Add(20, 999).critical = true; // took over the id of the row's process
    control.Add(24, 240).refuseQuery = true;

    EXPECT_TRUE(IsCriticalProcess(Row(4, "System", 1), control));
    EXPECT_TRUE(IsCriticalProcess(Row(40, "C:\\WINDOWS\\SYSTEM32\\CSRSS.EXE", 1), control));
    EXPECT_FALSE(IsCriticalProcess(Row(8, "csrss.exe", 80), control));
    EXPECT_FALSE(IsCriticalProcess(Row(8, "C:\\TOOLS\\A.EXE", 80), control));
    EXPECT_TRUE(IsCriticalProcess(Row(12, "C:\\TOOLS\\GUARDIAN.EXE", 120), control));
    EXPECT_FALSE(IsCriticalProcess(Row(16, "C:\\TOOLS\\UNKNOWN.EXE", 160), control));
    EXPECT_FALSE(IsCriticalProcess(Row(20, "C:\\TOOLS\\OLD.EXE", 200), control));
    EXPECT_FALSE(IsCriticalProcess(Row(24, "C:\\TOOLS\\LOCKED.EXE", 240), control));
    EXPECT_FALSE(IsCriticalProcess(Row(0, "", {}), control));

    std::vector<ProcessRow> rows = {Row(8, "C:\\TOOLS\\A.EXE", 80),
                                    Row(12, "C:\\TOOLS\\GUARDIAN.EXE", 120), Row(4, "System", 1)};
    EXPECT_FALSE(AnyTickedCritical(rows, {true, false, false}, control));
    EXPECT_TRUE(AnyTickedCritical(rows, {true, true, false}, control));
    EXPECT_TRUE(AnyTickedCritical(rows, {false, false, true}, control));
    EXPECT_FALSE(AnyTickedCritical(rows, {}, control));
}

TEST(ProcessPage, OddNamesAndManyProcessesGiveRowsWithoutFault) {
    AppModel model;
    ScriptedProcessSource src;
    for (uint32_t i = 1; i <= 600; ++i)
        src.AddProcess(i * 4, i % 3 ? "c:\\p\\" + std::to_string(i % 7) + ".exe" : "", "");
    // A name of 260 characters fills the field without terminator.
    src.records[0] = ScriptedProcessSource::Record(4, "");
    std::memset(src.records[0].szExeFile, 'n', sizeof src.records[0].szExeFile);
    src.paths[4] = "";
    ScriptedProcessControl control;
    ProcessPageContent page = FillProcessPage(model, src, control);
    ASSERT_EQ(page.rows.size(), 500u);
    size_t longest = 0;
    for (const ProcessRow& row : page.rows)
        longest = std::max(longest, row.caption.size());
    EXPECT_EQ(longest, 260u);
    // The empty name, the 260-character name and the seven paths.
    EXPECT_EQ(page.icons.files.size(), 9u);
    EXPECT_EQ(page.icons.rowImage.size(), 500u);
}

} // namespace
} // namespace qv
