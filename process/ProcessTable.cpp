#include "process/ProcessTable.h"

#include "base/Text.h"
#include "model/AppModel.h"

#include <algorithm>
#include <cstring>

namespace qv {

namespace {

struct ProcessPath {
    std::string Path; // upper-cased; empty for id 0 or where the library has none
    uint32_t ProcessId = 0;
};

size_t NameLength(const ProcessEntry& e) {
    return strnlen(e.szExeFile, sizeof e.szExeFile);
}

// Stores the text NUL-terminated, cut so that the terminator still fits, and
// zero-fills the rest of the field.
void StoreName(ProcessEntry& e, std::string_view name) {
    size_t n = std::min(name.size(), sizeof e.szExeFile - 1);
    std::memset(e.szExeFile, 0, sizeof e.szExeFile);
    std::memcpy(e.szExeFile, name.data(), n);
}

} // namespace

std::string ProcessName(const ProcessEntry& entry) {
    return std::string(entry.szExeFile, NameLength(entry));
}

int CompareProcessNames(const ProcessEntry& a, const ProcessEntry& b) {
    size_t la = NameLength(a), lb = NameLength(b);
    int c = std::memcmp(a.szExeFile, b.szExeFile, std::min(la, lb));
    if (c != 0) return c; // memcmp compares as unsigned bytes
    // The shorter name ends with its NUL first, and NUL is below every byte.
    return la < lb ? -1 : (la > lb ? 1 : 0);
}

void SortProcessTable(std::vector<ProcessEntry>& table) {
    std::sort(table.begin(), table.end(), [](const ProcessEntry& a, const ProcessEntry& b) {
        return CompareProcessNames(a, b) < 0;
    });
}

std::vector<ProcessEntry> CollectProcesses(ProcessSource& source) {
    std::vector<ProcessEntry> table;

    // Capped before it is narrowed to 16 bits, so that a count of 65,536 or
    // more still gives a full table rather than a wrapped-around one.
    uint32_t reported = source.NumberOfProcesses();
    const uint16_t count = static_cast<uint16_t>(std::min<uint32_t>(reported, MaxProcesses));
    if (count == 0) return table;

    // Zeroed, so that slots a library leaves unwritten read as id 0.
    uint32_t ids[MaxProcesses] = {};
    if (source.ProcessIdList(ids, kProcessIdBufferBytes) == 0) return table;

    std::vector<ProcessPath> paths(count);
    table.assign(count, ProcessEntry{});
    for (uint16_t i = 0; i < count; ++i) {
        paths[i].ProcessId = ids[i];
        if (ids[i] == 0) continue;
        char buffer[kProcessPathChars + 1] = {};
        source.ProcessPath(ids[i], buffer, kProcessPathChars);
        buffer[kProcessPathChars] = '\0'; // whatever the library wrote, the text ends here
        paths[i].Path = UpperAscii(buffer);
    }

    // The snapshot fills the table in its own order. It may list more
    // processes than the library counted (some started meanwhile, or more
    // than 500 run): those records are dropped, never stored past the end.
    if (source.OpenSnapshot()) {
        ProcessEntry work{};
        work.dwSize = sizeof(ProcessEntry);
        size_t j = 0;
        bool delivered = source.FirstProcess(work);
        while (delivered && j < table.size()) {
            table[j++] = work;
            work.dwSize = sizeof(ProcessEntry);
            delivered = source.NextProcess(work);
        }
        source.CloseSnapshot();
    }

    // Join by id: the first entry with the id takes the library's path,
    // unless that path is blank.
    for (const ProcessPath& p : paths) {
        if (TrimBlanks(p.Path).empty()) continue;
        for (ProcessEntry& e : table) {
            if (e.th32ProcessID == p.ProcessId) {
                StoreName(e, p.Path);
                break;
            }
        }
    }

    SortProcessTable(table);
    return table;
}

void BuildProcessTable(AppModel& model, ProcessSource& source) {
    model.ProcessTable.clear();
    model.ProcessTable = CollectProcesses(source);
    model.ProcessCount = static_cast<uint16_t>(model.ProcessTable.size());
}

void BuildProcessTable(AppModel& model) {
    SystemProcessSource source;
    BuildProcessTable(model, source);
}

} // namespace qv
