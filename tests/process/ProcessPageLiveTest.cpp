// The process page's rows and the verified kill against real processes:
// prochelper.exe started by the test, found by its path, ended or refused.
#include "model/AppModel.h"
#include "base/Clock.h"
#include "base/Text.h"
#include "process/ProcessIcons.h"
#include "process/ProcessPage.h"
#include "ProcHelper.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace qv {
namespace {

using test::HelperProcess;

// The page's one-second wait is not the test's business.
class NoSleep {
  public:
    NoSleep() {
        SetClockHooks({[this](uint32_t ms) { slept.push_back(ms); }, {}});
    }
    ~NoSleep() { SetClockHooks({}); }
    std::vector<uint32_t> slept;
};

std::vector<ProcessRow> LiveRows() {
    AppModel model;
    BuildProcessTable(model);
    return BuildProcessRows(model.ProcessTable, SystemProcessControl());
}

const ProcessRow* RowOf(const std::vector<ProcessRow>& rows, DWORD id) {
    for (const ProcessRow& row : rows)
        if (row.processId == id) return &row;
    return nullptr;
}

std::vector<bool> TickOnly(const std::vector<ProcessRow>& rows, const ProcessRow* row) {
    std::vector<bool> ticked(rows.size(), false);
    ticked[static_cast<size_t>(row - rows.data())] = true;
    return ticked;
}

TEST(ProcessPageLive, TickedHelperEndsAndNothingElse) {
    HelperProcess one, two;
    ASSERT_TRUE(one.Started() && two.Started());
    std::vector<ProcessRow> rows = LiveRows();
    const ProcessRow* row = RowOf(rows, one.Id());
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->caption, UpperAscii(one.Path()));
    EXPECT_EQ(row->creationTime, one.CreationTime());
    EXPECT_EQ(row->entry.th32ProcessID, one.Id());
    ASSERT_NE(RowOf(rows, two.Id()), nullptr);
    // Both run the same file: one icon for the two rows.
    IconPlan plan = PlanRowIcons(rows);
    EXPECT_EQ(plan.rowImage[row - rows.data()], plan.rowImage[RowOf(rows, two.Id()) - rows.data()]);

    const uint32_t priority = ::GetPriorityClass(::GetCurrentProcess());
    NoSleep sleeps;
    auto failures = KillTickedProcesses(rows, TickOnly(rows, row), SystemProcessControl());
    EXPECT_FALSE(failures);
    EXPECT_EQ(sleeps.slept, std::vector<uint32_t>{1000});
    EXPECT_EQ(::GetPriorityClass(::GetCurrentProcess()), priority);
    ASSERT_TRUE(one.WaitForEnd());
    EXPECT_EQ(one.ExitCode(), 0u);
    EXPECT_TRUE(two.Running());

    // Refilled, the ended helper is gone and the other one still listed.
    rows = LiveRows();
    EXPECT_EQ(RowOf(rows, one.Id()), nullptr);
    EXPECT_NE(RowOf(rows, two.Id()), nullptr);
}

TEST(ProcessPageLive, ReusedIdIsRefusedAndTheProcessKeepsRunning) {
    HelperProcess helper;
    ASSERT_TRUE(helper.Started());
    std::vector<ProcessRow> rows = LiveRows();
    const ProcessRow* row = RowOf(rows, helper.Id());
    ASSERT_NE(row, nullptr);
    ASSERT_TRUE(row->creationTime);

    // The row as it would be had an earlier process had the id.
    ProcessRow stale = *row;
    stale.creationTime = *row->creationTime - 10'000'000;
    NoSleep sleeps;
    EXPECT_EQ(KillVerified(stale, SystemProcessControl()), KillResult::Replaced);
    auto failures = KillTickedProcesses({stale}, {true}, SystemProcessControl());
    ASSERT_TRUE(failures);
    EXPECT_EQ(failures->items, std::vector<std::string>{UpperAscii(helper.Path()) +
                                                        " [PID:" + FormatHex8(helper.Id()) + "]"});
    EXPECT_TRUE(helper.Running());

    EXPECT_EQ(KillVerified(*row, SystemProcessControl()), KillResult::Ended);
    EXPECT_TRUE(helper.WaitForEnd());
}

TEST(ProcessPageLive, ProcessThatEndedMeanwhileIsAFailure) {
    HelperProcess helper;
    ASSERT_TRUE(helper.Started());
    std::vector<ProcessRow> rows = LiveRows();
    const ProcessRow* row = RowOf(rows, helper.Id());
    ASSERT_NE(row, nullptr);
    ::TerminateProcess(helper.Handle(), 7);
    ASSERT_TRUE(helper.WaitForEnd());

    NoSleep sleeps;
    auto failures = KillTickedProcesses(rows, TickOnly(rows, row), SystemProcessControl());
    ASSERT_TRUE(failures);
    ASSERT_EQ(failures->items.size(), 1u);
    EXPECT_EQ(failures->items[0], row->caption + " [PID:" + FormatHex8(helper.Id()) + "]");
    EXPECT_EQ(helper.ExitCode(), 7u);
}

TEST(ProcessPageLive, CriticalByFullPathInTheSystemDirectoryOnly) {
    ProcessControl& control = SystemProcessControl();
    const std::string sys = control.SystemDirectory();
    ASSERT_FALSE(sys.empty());
    EXPECT_EQ(sys.back(), '\\');

    // A program that merely has the name of a system process.
    test::TempDir dir;
    const std::string decoy = dir / "services.exe";
    ASSERT_TRUE(::CopyFileA(test::HelperPath().c_str(), decoy.c_str(), FALSE));
    HelperProcess helper(decoy);
    ASSERT_TRUE(helper.Started());
    std::vector<ProcessRow> rows = LiveRows();
    const ProcessRow* row = RowOf(rows, helper.Id());
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->caption, UpperAscii(decoy));
    EXPECT_FALSE(IsCriticalProcess(*row, control));
    EXPECT_FALSE(AnyTickedCritical(rows, TickOnly(rows, row), control));
    const ProcessRow* self = RowOf(rows, ::GetCurrentProcessId());
    ASSERT_NE(self, nullptr);
    EXPECT_FALSE(IsCriticalProcess(*self, control));

    // The system's own services.exe is. Wine always runs one.
    int found = 0;
    for (const ProcessRow& r : rows) {
        if (r.caption == UpperAscii(sys + "services.exe")) {
            ++found;
            EXPECT_TRUE(IsCriticalProcess(r, control));
        }
    }
    if (::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version")) {
        EXPECT_GE(found, 1);
    }
}

TEST(ProcessPageLive, IconsComeOncePerFileWithTheDefaultForTheRest) {
    test::TempDir dir;
    test::WorkingDirectory cwd(dir.Path());
    ASSERT_TRUE(cwd.Changed());
    std::vector<ProcessRow> rows(4);
    rows[0].caption = rows[1].caption = UpperAscii(test::HelperPath());
    rows[2].caption = dir / "missing.exe";
    rows[3].caption = "";

    ASSERT_TRUE(::CopyFileA((ExecutableDir() + "default.ico").c_str(), "default.ico", FALSE));
    RowIcons icons = LoadRowIcons(PlanRowIcons(rows));
    ASSERT_EQ(icons.icons.size(), 3u);
    for (const IconHandle& icon : icons.icons)
        EXPECT_TRUE(icon);
    EXPECT_EQ(icons.rowImage, (std::vector<int>{0, 0, 1, 2}));
}

} // namespace
} // namespace qv
