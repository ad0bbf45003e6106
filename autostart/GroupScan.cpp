#include "autostart/GroupScan.h"

#include "autostart/Scanner.h"
#include "base/Text.h"

#include <cstring>

namespace qv {

void GroupScan::AddRegistry(AutostartGroup group, RegRoot root, std::string_view keyPath,
                            std::string_view name, std::string_view data, std::string_view caption,
                            std::string_view detail, const std::string& file) {
    rec_.Kind = KindRegistry;
    rec_.FileName.assign(file);
    rec_.RootKey.assign(RootText(root));
    rec_.KeyPath.assign(keyPath);
    rec_.ValueName.assign(name);
    rec_.ValueData.assign(data);
    rec_.Caption.assign(caption);
    rec_.Detail.assign(detail);
    rec_.Group = GroupByte(group);
    Add(file);
}

void GroupScan::AddFile(AutostartGroup group, std::string_view path, std::string_view caption,
                        std::string_view detail, const std::string& program) {
    rec_.Kind = KindFile;
    rec_.FileName.assign(path);
    rec_.Caption.assign(caption);
    rec_.Detail.assign(detail.empty() ? std::string_view(program) : detail);
    rec_.Group = GroupByte(group);
    Add(program);
}

void GroupScan::AddRecord(const AutostartEntry& record, const std::string& checked) {
    rec_ = record;
    Add(checked);
}

void GroupScan::Add(const std::string& checked) {
    // The checksum is the running file's, so that a replaced program makes a
    // known entry unknown again; no file, no checksum.
    rec_.Checksum = checked.empty() ? 0 : sys_.FileChecksum(checked);
    EntryOrigin origin;
    origin.checkedFile = checked;
    sink_(rec_, origin);
    rec_ = ZeroEntry();
}

namespace {

bool StartsWithText(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && SameTextAscii(s.substr(0, prefix.size()), prefix);
}

struct Folders {
    std::string windows, system;
};

// The path with the kernel's and the registry's spellings of the system
// folders replaced by real ones.
std::string SystemPath(const Folders& dirs, std::string_view path) {
    if (StartsWithText(path, "\\??\\")) path.remove_prefix(4);
    if (StartsWithText(path, "\\SystemRoot\\")) return dirs.windows + std::string(path.substr(12));
    if (StartsWithText(path, "system32\\")) return dirs.windows + std::string(path);
    return std::string(path);
}

bool HasFolder(std::string_view path) {
    return path.find_first_of("\\:/") != std::string_view::npos;
}

std::string WithExt(std::string path, std::string_view ext) {
    if (ExtractFileExt(path).empty()) path.append(ext);
    return path;
}

// The existing file a path without quotes names, trying it as given and with
// the default extension, and bare names in the system and Windows folders.
std::optional<std::string> ExistingFile(ScanPlatform& sys, const Folders& dirs,
                                        const std::string& path, std::string_view ext) {
    std::string p = SystemPath(dirs, path);
    if (HasFolder(p)) {
        if (sys.FileExists(p)) return p;
        if (std::string e = WithExt(p, ext); e != p && sys.FileExists(e)) return e;
        return std::nullopt;
    }
    for (const std::string& dir : {dirs.system, dirs.windows}) {
        if (dir.empty()) continue;
        if (std::string e = WithExt(dir + p, ext); sys.FileExists(e)) return e;
        if (sys.FileExists(dir + p)) return dir + p;
    }
    return std::nullopt;
}

} // namespace

std::string ProgramOfCommand(ScanPlatform& sys, std::string_view windowsDir,
                             std::string_view systemDir, std::string_view command,
                             std::string_view defaultExt) {
    const Folders dirs{std::string(windowsDir), std::string(systemDir)};
    std::string text = TrimBlanks(sys.ExpandEnvironment(TrimBlanks(command)));
    if (text.empty()) return {};
    if (text.front() == '"') {
        size_t end = text.find('"', 1);
        std::string path = text.substr(1, end == std::string::npos ? end : end - 1);
        return ExistingFile(sys, dirs, path, defaultExt).value_or(SystemPath(dirs, path));
    }
    // Unquoted: the shortest beginning that ends at a blank (or the text's
    // end) and names an existing file, as CreateProcess tries them.
    for (size_t at = text.find(' '); at != std::string::npos; at = text.find(' ', at + 1))
        if (auto found = ExistingFile(sys, dirs, text.substr(0, at), defaultExt)) return *found;
    if (auto found = ExistingFile(sys, dirs, text, defaultExt)) return *found;
    // Nothing exists: the first word is what Windows would try first.
    return SystemPath(dirs, text.substr(0, text.find(' ')));
}

std::optional<RawValue> ReadRawValue(RegistryReader& reg, std::string_view name) {
    std::optional<RawValue> found;
    reg.ForEachRawValue([&](std::string_view n, uint32_t type, std::string_view bytes) {
        if (!found && SameTextAscii(n, name)) found = RawValue{type, std::string(bytes)};
    });
    return found;
}

std::vector<std::string> RawStrings(const RawValue& value) {
    std::vector<std::string> out;
    std::string_view b = value.bytes;
    if (value.type == kRegSz || value.type == kRegExpandSz) {
        out.emplace_back(b.substr(0, b.find('\0')));
    } else if (value.type == kRegMultiSz) {
        // NUL-separated, ended by an empty string; a missing terminator ends
        // the last string at the data's end.
        size_t start = 0;
        while (start < b.size()) {
            size_t nul = b.find('\0', start);
            std::string_view s = b.substr(start, nul == std::string_view::npos ? nul : nul - start);
            if (s.empty()) break;
            out.emplace_back(s);
            if (nul == std::string_view::npos) break;
            start = nul + 1;
        }
    }
    return out;
}

std::optional<uint32_t> RawDword(const RawValue& value) {
    if (value.bytes.size() != 4) return std::nullopt;
    uint32_t v = 0;
    std::memcpy(&v, value.bytes.data(), 4);
    return v;
}

std::vector<std::string> SplitList(std::string_view text, std::string_view separators) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= text.size()) {
        size_t at = text.find_first_of(separators, start);
        std::string item =
            TrimBlanks(text.substr(start, at == std::string_view::npos ? at : at - start));
        if (!item.empty()) items.push_back(std::move(item));
        if (at == std::string_view::npos) break;
        start = at + 1;
    }
    return items;
}

} // namespace qv
