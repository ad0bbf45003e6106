#pragma once
// A process source that answers from a script: what procs.dll reports and
// which records the snapshot delivers, with a note of how it was asked.
#include "process/ProcessTable.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace qv::test {

class ScriptedProcessSource : public ProcessSource {
  public:
    // procs.dll
    uint32_t count = 0;
    std::vector<uint32_t> ids;
    bool idListFails = false;
    std::map<uint32_t, std::string> paths;
    // The snapshot; unavailable means there is none to open.
    bool snapshotAvailable = true;
    std::vector<ProcessEntry> records;

    // How the source was used.
    int idListCalls = 0;
    uint32_t idListBytes = 0;
    std::vector<uint32_t> pathChars;
    int snapshotOpens = 0;
    int snapshotCloses = 0;
    std::vector<uint32_t> recordSizesAsked;

    // A process known to both the library and the snapshot.
    void AddProcess(uint32_t id, const std::string& path, const char* snapshotName,
                    uint32_t threads = 1) {
        ++count;
        ids.push_back(id);
        paths[id] = path;
        records.push_back(Record(id, snapshotName, threads));
    }

    static ProcessEntry Record(uint32_t id, const char* name, uint32_t threads = 1) {
        ProcessEntry e{};
        e.dwSize = sizeof e;
        e.th32ProcessID = id;
        e.cntThreads = threads;
        e.th32ParentProcessID = 4;
        e.pcPriClassBase = 8;
        std::strncpy(e.szExeFile, name, sizeof e.szExeFile - 1);
        return e;
    }

    uint32_t NumberOfProcesses() override { return count; }
    uint32_t ProcessIdList(uint32_t* buffer, uint32_t bytes) override {
        ++idListCalls;
        idListBytes = bytes;
        if (idListFails) return 0;
        for (size_t i = 0; i < ids.size() && i < bytes / 4; ++i)
            buffer[i] = ids[i];
        return 1;
    }
    // Writes up to chars characters and the terminator, as the library's
    // contract allows.
    void ProcessPath(uint32_t processId, char* buffer, uint32_t chars) override {
        pathChars.push_back(chars);
        auto it = paths.find(processId);
        std::string p = it == paths.end() ? std::string() : it->second;
        size_t n = std::min<size_t>(p.size(), chars);
        std::memcpy(buffer, p.data(), n);
        buffer[n] = '\0';
    }
    bool OpenSnapshot() override {
        if (!snapshotAvailable) return false;
        ++snapshotOpens;
        next_ = 0;
        return true;
    }
    bool FirstProcess(ProcessEntry& record) override {
        next_ = 0;
        return NextProcess(record);
    }
    bool NextProcess(ProcessEntry& record) override {
        recordSizesAsked.push_back(record.dwSize);
        if (next_ >= records.size()) return false;
        record = records[next_++];
        return true;
    }
    void CloseSnapshot() override { ++snapshotCloses; }

  private:
    size_t next_ = 0;
};

} // namespace qv::test
