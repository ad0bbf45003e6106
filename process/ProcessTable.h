#pragma once
// The table of running processes: the library procs.dll says which processes
// run and which file each one executes, the system's process snapshot gives
// the per-process figures, and the two are joined by process id. Pure code:
// the Windows side sits behind ProcessSource.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class AppModel;

// One running process, laid out field for field as the snapshot record
// (PROCESSENTRY32, ANSI) so that a snapshot record is copied in whole. The
// heap id is pointer-sized there, hence uintptr_t (checked at compile time
// against the system header).
struct ProcessEntry {
    uint32_t dwSize;
    uint32_t cntUsage;
    uint32_t th32ProcessID; // 0 in an entry the snapshot did not fill
    uintptr_t th32DefaultHeapID;
    uint32_t th32ModuleID;
    uint32_t cntThreads;
    uint32_t th32ParentProcessID;
    int32_t pcPriClassBase;
    uint32_t dwFlags;
    char szExeFile[260]; // upper-case full path where procs.dll knows it
};

constexpr uint16_t MaxProcesses = 500;
// procs.dll's id buffer and the number of characters its path buffer takes.
constexpr uint32_t kProcessIdBufferBytes = MaxProcesses * sizeof(uint32_t);
constexpr uint32_t kProcessPathChars = 260;

// Where the table's facts come from: the three functions of procs.dll and
// the process snapshot. The program uses the real library and the real
// snapshot; tests script the answers.
class ProcessSource {
  public:
    virtual ~ProcessSource() = default;
    // procs.dll: the number of running processes.
    virtual uint32_t NumberOfProcesses() = 0;
    // procs.dll: fills the buffer with process ids, one per 32-bit slot;
    // returns 0 on failure.
    virtual uint32_t ProcessIdList(uint32_t* buffer, uint32_t bytes) = 0;
    // procs.dll: the full path of the process's executable into buffer, as
    // NUL-terminated text, or an empty text.
    virtual void ProcessPath(uint32_t processId, char* buffer, uint32_t chars) = 0;
    // The snapshot: opened, walked record by record, closed. With no
    // snapshot at hand OpenSnapshot returns false and no record comes.
    virtual bool OpenSnapshot() = 0;
    virtual bool FirstProcess(ProcessEntry& record) = 0;
    virtual bool NextProcess(ProcessEntry& record) = 0;
    virtual void CloseSnapshot() = 0;
};

// The real source: procs.dll loaded by name (a missing library or function
// gives a count of 0, so an empty table, and no message) and the snapshot
// functions looked up by name in kernel32.
class SystemProcessSource : public ProcessSource {
  public:
    explicit SystemProcessSource(const char* library = "procs.dll");
    ~SystemProcessSource() override;
    SystemProcessSource(const SystemProcessSource&) = delete;
    SystemProcessSource& operator=(const SystemProcessSource&) = delete;

    uint32_t NumberOfProcesses() override;
    uint32_t ProcessIdList(uint32_t* buffer, uint32_t bytes) override;
    void ProcessPath(uint32_t processId, char* buffer, uint32_t chars) override;
    bool OpenSnapshot() override;
    bool FirstProcess(ProcessEntry& record) override;
    bool NextProcess(ProcessEntry& record) override;
    void CloseSnapshot() override;

  private:
    struct Impl;
    Impl* impl_;
};

// Builds a table from the source: at most 500 entries, one per process the
// library counts, filled in snapshot order, named by the library's
// upper-cased path where it knows one, and sorted by name. Empty when the
// library counts none or its id list fails.
std::vector<ProcessEntry> CollectProcesses(ProcessSource& source);

// Sorts by szExeFile as unsigned bytes up to the terminating NUL: a name
// that begins another sorts first, empty names (zeroed entries) lead.
void SortProcessTable(std::vector<ProcessEntry>& table);
// Orders two names as SortProcessTable does; negative, 0 or positive.
int CompareProcessNames(const ProcessEntry& a, const ProcessEntry& b);

// The entry's name, up to its first NUL (never past the field's end).
std::string ProcessName(const ProcessEntry& entry);

// Rebuilds the model's ProcessTable and ProcessCount from the given source,
// or from the real one.
void BuildProcessTable(AppModel& model, ProcessSource& source);
void BuildProcessTable(AppModel& model);

// Ends the process with exit code 0. True if it was told to end; false when
// it cannot be opened for termination or termination fails. Does not wait.
bool KillProcess(uint32_t processId);

} // namespace qv
