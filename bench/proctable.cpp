// BuildProcessTable over 500 processes from a scripted source, against a
// baseline that only asks the same source for the same facts (ids, paths,
// snapshot records) without joining or sorting: the ratio is the cost of the
// join by id and the sort.
#include "model/AppModel.h"
#include "process/ProcessTable.h"
#include "tests/process/ScriptedProcessSource.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

qv::test::ScriptedProcessSource MakeSource() {
    qv::test::ScriptedProcessSource src;
    // Ids in one order, snapshot records in another, names unsorted: the
    // join has to search and the sort has to move entries.
    for (uint32_t i = 0; i < qv::MaxProcesses; ++i) {
        uint32_t id = 4 + ((i * 7919u) % qv::MaxProcesses) * 4;
        std::string path = "c:\\program files\\vendor " + std::to_string((i * 31u) % 97u) +
                           "\\tool" + std::to_string(id) + ".exe";
        src.count++;
        src.ids.push_back(id);
        src.paths[id] = path;
    }
    for (uint32_t i = 0; i < qv::MaxProcesses; ++i) {
        uint32_t id = 4 + (qv::MaxProcesses - 1 - i) * 4;
        src.records.push_back(qv::test::ScriptedProcessSource::Record(id, "tool.exe"));
    }
    return src;
}

// Asks the source everything BuildProcessTable asks, and keeps the records.
size_t GatherOnly(qv::ProcessSource& src) {
    uint32_t ids[qv::MaxProcesses] = {};
    uint32_t n = src.NumberOfProcesses();
    src.ProcessIdList(ids, qv::kProcessIdBufferBytes);
    size_t sum = 0;
    for (uint32_t i = 0; i < n && i < qv::MaxProcesses; ++i) {
        char buffer[qv::kProcessPathChars + 1] = {};
        src.ProcessPath(ids[i], buffer, qv::kProcessPathChars);
        sum += buffer[0];
    }
    std::vector<qv::ProcessEntry> table(n);
    src.OpenSnapshot();
    qv::ProcessEntry work{};
    work.dwSize = sizeof work;
    size_t j = 0;
    for (bool ok = src.FirstProcess(work); ok && j < table.size(); ok = src.NextProcess(work))
        table[j++] = work;
    src.CloseSnapshot();
    return sum + table.size();
}

template <class F> double MicrosecondsPerRun(F f, int runs) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i)
        f();
    std::chrono::duration<double, std::micro> d = std::chrono::steady_clock::now() - start;
    return d.count() / runs;
}

} // namespace

int main() {
    // The benchmark's own model, as a program has one.
    qv::AppModel model;
    auto src = MakeSource();
    const int runs = 300;
    size_t sink = 0;
    // Warm up both paths once.
    sink += GatherOnly(src);
    qv::BuildProcessTable(model, src);
    double baseline = MicrosecondsPerRun([&] { sink += GatherOnly(src); }, runs);
    double build = MicrosecondsPerRun(
        [&] {
            qv::BuildProcessTable(model, src);
            sink += model.ProcessTable.size();
        },
        runs);
    std::printf("processes                     %u\n", static_cast<unsigned>(model.ProcessCount));
    std::printf("baseline (gather only)        %10.1f us\n", baseline);
    std::printf("BuildProcessTable             %10.1f us\n", build);
    std::printf("ratio build / baseline        %10.2f\n", build / baseline);
    std::printf("(checksum %zu)\n", sink);
    return model.ProcessCount == qv::MaxProcesses ? 0 : 1;
}
