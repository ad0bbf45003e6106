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
