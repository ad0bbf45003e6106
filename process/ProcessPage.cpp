#include "process/ProcessPage.h"

#include "base/Clock.h"
#include "base/Text.h"
#include "model/AppModel.h"

#include <unordered_map>

namespace qv {

namespace {

bool IsTicked(const std::vector<bool>& ticked, size_t row) {
    return row < ticked.size() && ticked[row];
}

} // namespace

bool ProcessPageNeedsFill(bool force, size_t tableSize, size_t rowCount) {
    return force || tableSize == 0 || rowCount == 0;
}

std::vector<ProcessRow> BuildProcessRows(const std::vector<ProcessEntry>& table,
                                         ProcessControl& control) {
    std::vector<ProcessRow> rows;
    rows.reserve(table.size());
    for (const ProcessEntry& e : table) {
        ProcessRow row;
        row.caption = ProcessName(e);
        row.processId = e.th32ProcessID;
        row.entry = e;
        // Id 0 marks an entry the snapshot did not fill: there is nothing to ask.
        if (row.processId != 0)
            if (auto process = control.OpenForQuery(row.processId))
                row.creationTime = process->CreationTime();
        rows.push_back(std::move(row));
    }
    return rows;
}

IconPlan PlanRowIcons(const std::vector<ProcessRow>& rows) {
    IconPlan plan;
    plan.rowImage.reserve(rows.size());
    std::unordered_map<std::string_view, int> index;
    for (const ProcessRow& row : rows) {
        auto [it, added] = index.try_emplace(row.caption, static_cast<int>(plan.files.size()));
        if (added) plan.files.push_back(row.caption);
        plan.rowImage.push_back(it->second);
    }
    return plan;
}

ProcessPageContent ProcessPageContentOf(const std::vector<ProcessEntry>& table,
                                        ProcessControl& control) {
    ProcessPageContent content;
    content.rows = BuildProcessRows(table, control);
    content.icons = PlanRowIcons(content.rows);
    return content;
}

ProcessPageContent FillProcessPage(AppModel& model, ProcessSource& source,
                                   ProcessControl& control) {
    BuildProcessTable(model, source);
    return ProcessPageContentOf(model.ProcessTable, control);
}

KillResult KillVerified(const ProcessRow& row, ProcessControl& control) {
    if (!row.creationTime) return KillResult::NotVerifiable;
    auto process = control.OpenForTermination(row.processId);
    if (!process) return KillResult::NotOpened;
    std::optional<uint64_t> now = process->CreationTime();
    if (!now) return KillResult::NotVerifiable;
    if (*now != *row.creationTime) return KillResult::Replaced;
    if (process->HasEnded()) return KillResult::AlreadyEnded;
    return process->Terminate() ? KillResult::Ended : KillResult::TerminateFailed;
}

bool IsCriticalSystemPath(std::string_view caption, std::string_view systemDir) {
    static constexpr const char* kNames[] = {"CSRSS.EXE",    "SMSS.EXE",     "WININIT.EXE",
                                             "WINLOGON.EXE", "SERVICES.EXE", "LSASS.EXE"};
    if (systemDir.empty()) return false;
    const std::string path = UpperAscii(caption);
    const std::string dir = UpperAscii(IncludeTrailingBackslash(systemDir));
    for (const char* name : kNames)
        if (path == dir + name) return true;
    return false;
}

bool IsCriticalProcess(const ProcessRow& row, ProcessControl& control) {
    if (row.processId == kSystemProcessId) return true;
    if (IsCriticalSystemPath(row.caption, control.SystemDirectory())) return true;
    if (row.processId == 0 || !row.creationTime) return false;
    auto process = control.OpenForQuery(row.processId);
    if (!process) return false;
    // A process that has taken over the id is not the row's: the kill will
    // refuse it anyway, so its mark is no reason to ask.
    if (process->CreationTime() != row.creationTime) return false;
    return process->MarkedCritical().value_or(false);
}

bool AnyTickedCritical(const std::vector<ProcessRow>& rows, const std::vector<bool>& ticked,
                       ProcessControl& control) {
    for (size_t i = 0; i < rows.size(); ++i)
        if (IsTicked(ticked, i) && IsCriticalProcess(rows[i], control)) return true;
    return false;
}

std::string FormatHex8(uint32_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out(8, '0');
    for (int i = 7; i >= 0; --i, value >>= 4)
        out[i] = kDigits[value & 0xF];
    return out;
}

std::string KillFailureText(std::string_view caption, uint32_t processId) {
    std::string text(caption);
    text += " [PID:";
    text += FormatHex8(processId);
    text += ']';
    return text;
}

std::optional<Failure> KillTickedProcesses(const std::vector<ProcessRow>& rows,
                                           const std::vector<bool>& ticked,
                                           ProcessControl& control) {
    std::vector<std::string> failures;
    const uint32_t savedPriority = control.PriorityClass();
    control.SetPriorityClass(kRealtimePriorityClass);

    auto kill = [&](const ProcessRow& row) {
        if (KillVerified(row, control) != KillResult::Ended)
            failures.push_back(KillFailureText(row.caption, row.processId));
    };
    const uint32_t self = control.CurrentProcessId();
    const ProcessRow* ownRow = nullptr;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!IsTicked(ticked, i)) continue;
        if (self != 0 && rows[i].processId == self)
            ownRow = &rows[i];
        else
            kill(rows[i]);
    }
    // Ending the program's own process does not come back.
    if (ownRow) kill(*ownRow);

    control.SetPriorityClass(savedPriority);
    SleepMs(1000);
    if (failures.empty()) return std::nullopt;
    Failure failure(Lng::KillFailedHeader);
    failure.items = std::move(failures);
    return failure;
}

} // namespace qv
