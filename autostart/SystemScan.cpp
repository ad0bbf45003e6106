#include "autostart/SystemScan.h"

#include "autostart/ProgramPath.h"
#include "autostart/ScanPlatform.h"
#include "base/Text.h"

namespace qv {

namespace {

// SERVICE_WIN32_SHARE_PROCESS: the service is a DLL in a host process
// (svchost), so the host's image says nothing about what runs.
constexpr uint32_t kShareProcess = 0x20;

PathContext ContextOf(ScanPlatform& platform) {
    PathContext ctx;
    ctx.windowsDir = IncludeTrailingBackslash(platform.WindowsDirectory());
    ctx.systemDir = IncludeTrailingBackslash(platform.SystemDirectory());
    ctx.expand = [&platform](std::string_view t) { return platform.ExpandEnvironment(t); };
    ctx.fileExists = [&platform](const std::string& p) { return platform.FileExists(p); };
    return ctx;
}

std::string Bracketed(std::string_view word, std::string_view rest) {
    std::string out;
    if (word.empty()) return std::string(rest);
    out.reserve(word.size() + rest.size() + 3);
    out.append(1, '[').append(word).append("] ").append(rest);
    return out;
}

// The trigger words, each kind once, in the order of their first trigger.
std::string TriggerWords(const TaskDefinition& def, const SourceTexts& texts) {
    std::string out;
    bool seen[4] = {};
    for (TaskTrigger t : def.triggers) {
        const auto k = static_cast<size_t>(t);
        if (seen[k]) continue;
        seen[k] = true;
        if (!out.empty()) out += ", ";
        out += texts.triggers[k];
    }
    return out.empty() ? texts.triggers[static_cast<size_t>(TaskTrigger::Other)] : out;
}

std::string StartWord(uint32_t start, const SourceTexts& texts) {
    return start < texts.startTypes.size() ? texts.startTypes[start] : std::to_string(start);
}

void Fill(ScannedRow& row, uint8_t group, bool active) {
    AutostartEntry& r = row.record;
    r.Kind = KindFile;
    r.FileName.assign(row.checkedFile);
    r.Group = group;
    r.Active = active ? 1 : 0;
}

// Parameters\ServiceDll, or the older place in the service's own key.
std::string ServiceDll(RegistryReader& reg, const std::string& name) {
    std::string key(1, '\\');
    key.append(ServiceKeyPath(name));
    std::string dll;
    for (const std::string& path : {key + "\\Parameters", key}) {
        if (reg.OpenKey(RegRoot::LocalMachine, path) &&
            reg.ReadText("ServiceDll", dll) == ValueRead::Text && !TrimBlanks(dll).empty())
            break;
        dll.clear();
    }
    reg.CloseKey();
    return dll;
}

} // namespace

bool StateAtSource(uint8_t group) {
    return group == kTaskGroupByte || group == kServiceGroupByte || group == kDriverGroupByte;
}

std::string ServiceKeyPath(std::string_view name) {
    return "System\\CurrentControlSet\\Services\\" + std::string(name);
}

std::vector<ScannedRow> ScanTaskRows(ScanPlatform& platform, SystemSources& sources,
                                     const SourceTexts& texts) {
    std::vector<ScannedRow> rows;
    const PathContext ctx = ContextOf(platform);
    for (const TaskItem& item : sources.Tasks()) {
        const auto def = ParseTaskXml(item.xml);
        if (!def) continue;
        const bool enabled = item.enabled.value_or(def->enabled);
        const std::string triggers = TriggerWords(*def, texts);
        std::vector<TaskExec> execs = def->execs;
        if (execs.empty()) execs.emplace_back();
        for (const TaskExec& exec : execs) {
            ScannedRow row;
            std::string line = sources.Utf8ToAnsi(exec.command);
            if (!exec.arguments.empty())
                line.append(1, ' ').append(sources.Utf8ToAnsi(exec.arguments));
            row.checkedFile = ResolveProgramFile(sources.Utf8ToAnsi(exec.command), ctx);
            AutostartEntry& r = row.record;
            r.KeyPath.assign(item.path);
            r.ValueData.assign(line);
            r.Caption.assign(item.path);
            r.Detail.assign(Bracketed(triggers, line));
            Fill(row, kTaskGroupByte, enabled);
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

std::vector<ScannedRow> ScanServiceRows(ScanPlatform& platform, SystemSources& sources,
                                        const SourceTexts& texts, bool drivers) {
    std::vector<ScannedRow> rows;
    const PathContext ctx = ContextOf(platform);
    std::unique_ptr<RegistryReader> reg = platform.CreateRegistryReader();
    for (const ServiceConfig& s : sources.Services(drivers)) {
        ScannedRow row;
        if (!drivers && (s.type & kShareProcess)) {
            const std::string dll = ServiceDll(*reg, s.name);
            if (!dll.empty()) row.checkedFile = ResolveProgramFile(dll, ctx, ".dll");
        }
        if (row.checkedFile.empty()) row.checkedFile = ResolveCommandLineFile(s.imagePath, ctx);
        AutostartEntry& r = row.record;
        r.KeyPath.assign(ServiceKeyPath(s.name));
        r.ValueName.assign(s.name);
        r.ValueData.assign(s.imagePath);
        r.Caption.assign(s.displayName.empty() ? s.name : s.displayName);
        r.Detail.assign(Bracketed(StartWord(s.startType, texts), row.checkedFile));
        Fill(row, drivers ? kDriverGroupByte : kServiceGroupByte,
             s.startType != static_cast<uint32_t>(StartType::Disabled));
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace qv
