#pragma once
// The process page without its window: what a fill shows, which icon each
// row gets, and ending the ticked processes. The form copies rows and icons
// onto its list and asks the questions; everything it decides is here. Pure
// code over ProcessSource and ProcessControl.
#include "base/Failure.h"
#include "process/ProcessControl.h"
#include "process/ProcessTable.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// One row of the page. It keeps what it needs to act on its own process, so
// that neither a rebuilt table nor a process id handed to a new process in
// the meantime makes a click act on another one.
struct ProcessRow {
    std::string caption; // szExeFile up to its NUL: the row's text and its icon's file
    uint32_t processId = 0;
    // The creation time of the process that had the id at the fill; none
    // when it could not be read (such a row can never be ended).
    std::optional<uint64_t> creationTime;
    ProcessEntry entry{}; // the table entry as it was, for the information dialog
};

// A fill only when asked to, or when there is nothing to show yet: a plain
// change to the page keeps the rows and their tick marks.
bool ProcessPageNeedsFill(bool force, size_t tableSize, size_t rowCount);

// One row per table entry, in table order, each with its process's creation
// time read now.
std::vector<ProcessRow> BuildProcessRows(const std::vector<ProcessEntry>& table,
                                         ProcessControl& control);

// The icons of a fill: each distinct file once, and for each row the index
// of its image. Icons are by far the dearest part of a fill, and several
// rows often run the same file.
struct IconPlan {
    std::vector<std::string> files; // in order of first appearance
    std::vector<int> rowImage;      // one per row, an index into files
};
IconPlan PlanRowIcons(const std::vector<ProcessRow>& rows);

// What the page shows of a process table: its rows and their icon plan.
struct ProcessPageContent {
    std::vector<ProcessRow> rows;
    IconPlan icons;
};
ProcessPageContent ProcessPageContentOf(const std::vector<ProcessEntry>& table,
                                        ProcessControl& control);
// The model's ProcessTable rebuilt from the source, and what the page shows
// of it.
ProcessPageContent FillProcessPage(AppModel& model, ProcessSource& source, ProcessControl& control);

enum class KillResult {
    Ended,          // the process was told to end
    NotOpened,      // gone, or the right to end it is missing
    AlreadyEnded,   // it ended on its own, but someone still holds it
    Replaced,       // the id now names another process
    NotVerifiable,  // the creation time is unknown, at the fill or now
    TerminateFailed // the system refused to end it
};
// Ends the row's process only if the process now running under the id is
// the one the row was filled with: opened once, its creation time compared,
// and terminated through that same handle.
KillResult KillVerified(const ProcessRow& row, ProcessControl& control);

// True for the session's own processes, which Windows cannot run without:
// csrss, smss, wininit, winlogon, services and lsass, recognised by their
// full path in the system directory only (a file of that name elsewhere is
// anyone's program).
bool IsCriticalSystemPath(std::string_view caption, std::string_view systemDir);
// The row's process is the System process (id 4), one of the paths above, or
// marked critical by the system (only asked of the very process the row was
// filled with; where the mark cannot be read it counts as not set).
bool IsCriticalProcess(const ProcessRow& row, ProcessControl& control);
// True when a ticked row is critical; decides whether the second question is
// asked. ticked has one flag per row; missing flags count as unticked.
bool AnyTickedCritical(const std::vector<ProcessRow>& rows, const std::vector<bool>& ticked,
                       ProcessControl& control);

// Eight upper-case hexadecimal digits, leading zeros included.
std::string FormatHex8(uint32_t value);
// "caption [PID:000001A4]"
std::string KillFailureText(std::string_view caption, uint32_t processId);

// The kill itself, after the questions and with the status line showing:
// the program's priority class is remembered and raised to real time, every
// ticked row is ended verified in row order, the priority class is restored
// and the page waits one second (SleepMs) for the processes to go. Returns,
// when any did not end, a failure whose items are their KillFailureText in
// row order. The program's own row, if ticked, is
// ended last, so that the other ticked processes are not left running when
// the program ends.
std::optional<Failure> KillTickedProcesses(const std::vector<ProcessRow>& rows,
                                           const std::vector<bool>& ticked,
                                           ProcessControl& control);

} // namespace qv
