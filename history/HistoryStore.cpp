#include "history/HistoryStore.h"

#include "base/Clock.h"
#include "base/Files.h"

namespace qv {

std::string HistoryPath(const std::string& appDir) {
    return appDir + kHistoryFile;
}
std::string HistoryCopiesFolder(const std::string& appDir) {
    return appDir + "history\\";
}

HistoryLoad LoadHistory(const std::string& appDir) {
    HistoryLoad out;
    const std::string path = HistoryPath(appDir);
    if (!FileExists(path)) return out;
    out.fault = out.history.Read(ReadFileBytesOrThrow(path));
    return out;
}

HistoryFault RecordChange(const std::string& appDir, ChangeRecord record, uint32_t* id) {
    HistoryLoad load = LoadHistory(appDir);
    if (load.fault != HistoryFault::None) return load.fault;
    if (record.time.empty()) record.time = LocalTimeText();
    std::vector<std::string> dropped;
    const uint32_t newId = load.history.Append(std::move(record), dropped);
    WriteFileAtomic(HistoryPath(appDir), load.history.Write());
    // Only once the file no longer names them: a crash before this leaves a
    // stray copy, never a record without its copy.
    for (const std::string& copy : dropped)
        RemoveFile(HistoryCopiesFolder(appDir) + copy);
    if (id) *id = newId;
    return HistoryFault::None;
}

} // namespace qv
