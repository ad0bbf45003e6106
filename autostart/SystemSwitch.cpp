#include "autostart/SystemSwitch.h"

#include "autostart/SystemScan.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Text.h"

namespace qv {

namespace {

// A kept file that exists but cannot be read must not be taken for an
// empty one: writing it back would lose every start type in it.
std::optional<std::map<std::string, StartType>> LoadStarts(const std::string& path) {
    if (!FileExists(path)) return std::map<std::string, StartType>{};
    auto bytes = ReadFileBytes(path);
    if (!bytes) return std::nullopt;
    return ParseServiceStarts(*bytes);
}

bool SaveStarts(const std::string& path, const std::map<std::string, StartType>& starts) {
    try {
        WriteFileAtomic(path, FormatServiceStarts(starts));
        return true;
    } catch (const AppError&) {
        return false;
    }
}

SwitchResult SwitchService(SystemSources& sources, const std::string& appDir,
                           const std::string& name, bool active) {
    const std::string path = appDir + kServiceStartsFile;
    auto starts = LoadStarts(path);
    if (!starts) return SwitchResult::Failed;
    if (!active) {
        const auto old = sources.ServiceStart(name);
        if (!old) return SwitchResult::Failed;
        if (*old == StartType::Disabled) return SwitchResult::Done;
        // Noted before the change: a crash in between leaves a note too
        // many, never a start type lost.
        (*starts)[name] = *old;
        if (!SaveStarts(path, *starts)) return SwitchResult::Failed;
        const SwitchResult r = sources.SetServiceStart(name, StartType::Disabled);
        if (r == SwitchResult::Done) return r;
        starts->erase(name);
        SaveStarts(path, *starts);
        return r;
    }
    // Switched off elsewhere, nothing noted: started on demand, the one start
    // type that starts nothing by itself.
    const auto kept = starts->find(name);
    const StartType start = kept == starts->end() ? StartType::Demand : kept->second;
    const SwitchResult r = sources.SetServiceStart(name, start);
    if (r != SwitchResult::Done) return r;
    if (kept != starts->end()) {
        starts->erase(kept);
        SaveStarts(path, *starts);
    }
    return SwitchResult::Done;
}

} // namespace

std::map<std::string, StartType> ParseServiceStarts(std::string_view text) {
    std::map<std::string, StartType> out;
    for (const std::string& line : SplitLines(text)) {
        const size_t bar = line.rfind('|');
        if (bar == std::string::npos || bar == 0 || bar + 2 != line.size()) continue;
        const char d = line[bar + 1];
        // Boot and system starts belong to drivers, which are never switched.
        if (d < '2' || d > '3') continue;
        out[line.substr(0, bar)] = static_cast<StartType>(d - '0');
    }
    return out;
}

std::string FormatServiceStarts(const std::map<std::string, StartType>& starts) {
    std::string out;
    for (const auto& [name, start] : starts)
        out += name + "|" + std::to_string(static_cast<uint32_t>(start)) + "\r\n";
    return out;
}

SwitchResult SetSystemEntryActive(SystemSources& sources, const std::string& appDir,
                                  const AutostartEntry& e, bool active) {
    switch (e.Group) {
    case kTaskGroupByte:
        return sources.SetTaskEnabled(e.KeyPath.str(), active);
    case kServiceGroupByte:
        return SwitchService(sources, appDir, e.ValueName.str(), active);
    default:
        // Drivers are only shown: one switched off can keep Windows from
        // starting.
        return SwitchResult::Failed;
    }
}

} // namespace qv
