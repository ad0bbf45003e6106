#include "autostart/InactiveRules.h"

#include "autostart/AutostartEntry.h"
#include "autostart/Groups.h"

#include <cstddef>
#include <cstring>
#include <map>

namespace qv {

namespace {
constexpr uint32_t kStoredNameCount = 10000;
// Random draws before the free names are searched in order.
constexpr int kRandomDraws = 4 * kStoredNameCount;

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ' && c != '\0';
}
} // namespace

std::string FormatIsfLine(std::string_view stored, std::string_view former, uint32_t attributes) {
    std::string line(stored);
    line += "|\"";
    line += former;
    line += "\"|";
    line += std::to_string(attributes);
    return line;
}

std::vector<std::string> SplitIsfFields(std::string_view line) {
    std::vector<std::string> fields;
    // A NUL ends the text, as for every line the program reads.
    if (auto nul = line.find('\0'); nul != std::string_view::npos) line = line.substr(0, nul);
    size_t i = 0;
    const size_t n = line.size();
    while (i < n && IsBlank(line[i]))
        ++i;
    while (i < n) {
        std::string field;
        if (line[i] == '"') {
            ++i;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
        } else {
            while (i < n && !IsBlank(line[i]) && line[i] != '|')
                field += line[i++];
        }
        fields.push_back(std::move(field));
        while (i < n && IsBlank(line[i]))
            ++i;
        if (i < n && line[i] == '|') {
            if (i + 1 == n) fields.emplace_back();
            ++i;
            while (i < n && IsBlank(line[i]))
                ++i;
        }
    }
    return fields;
}

IsfLine ParseIsfLine(std::string_view line) {
    auto f = SplitIsfFields(line);
    IsfLine r;
    if (f.size() > 0) r.stored = f[0];
    if (f.size() > 1) r.former = f[1];
    if (f.size() > 2) r.attributes = f[2];
    return r;
}

bool IsStoredName(std::string_view name) {
    if (name.size() < 5 || name.size() > 8 || name.substr(0, 4) != "file") return false;
    std::string_view digits = name.substr(4);
    if (digits.size() > 1 && digits[0] == '0') return false;
    for (char c : digits)
        if (c < '0' || c > '9') return false;
    return true;
}

std::optional<size_t> FindIsfLine(const std::vector<std::string>& lines, std::string_view path) {
    for (size_t i = 0; i < lines.size(); ++i) {
        auto f = SplitIsfFields(lines[i]);
        if (f.size() > 1 && f[1] == path && IsStoredName(f[0])) return i;
    }
    return std::nullopt;
}

std::string JoinIsfLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) {
        text += l;
        text += "\r\n";
    }
    return text;
}

std::optional<uint32_t> ParseAttributeText(std::string_view text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<uint32_t>(v);
}

std::optional<std::string> DrawStoredName(const std::function<bool(const std::string&)>& taken,
                                          const std::function<uint32_t(uint32_t)>& randomBelow) {
    auto name = [](uint32_t n) { return "file" + std::to_string(n); };
    for (int draw = 0; draw < kRandomDraws; ++draw) {
        std::string s = name(randomBelow(kStoredNameCount) % kStoredNameCount);
        if (!taken(s)) return s;
    }
    // A folder this full is rare; still, never loop for ever.
    for (uint32_t n = 0; n < kStoredNameCount; ++n)
        if (!taken(name(n))) return name(n);
    return std::nullopt;
}

CheckMarkAction DecideCheckMark(uint8_t group, uint8_t active, bool checked) {
    if (checked == (active != 0)) return CheckMarkAction::None;
    if (group == GroupByte(AutostartGroup::ShellOpen)) return CheckMarkAction::RefuseShellOpen;
    if (ReadOnlyLine(group)) return CheckMarkAction::RefuseReadOnly;
    return CheckMarkAction::Apply;
}

namespace {

constexpr std::string_view kKeptMagic = "QV6VALUE";

void PutField(std::string& out, std::string_view field) {
    const auto n = static_cast<uint32_t>(field.size());
    out.append(reinterpret_cast<const char*>(&n), 4);
    out.append(field);
}

bool TakeField(std::string_view& in, std::string& field) {
    uint32_t n = 0;
    if (in.size() < 4) return false;
    std::memcpy(&n, in.data(), 4);
    in.remove_prefix(4);
    if (in.size() < n) return false;
    field.assign(in.substr(0, n));
    in.remove_prefix(n);
    return true;
}

} // namespace

std::string EncodeKeptValue(const KeptValue& value) {
    std::string out(kKeptMagic);
    PutField(out, value.rootKey);
    PutField(out, value.keyPath);
    PutField(out, value.valueName);
    out.append(reinterpret_cast<const char*>(&value.type), 4);
    PutField(out, value.bytes);
    return out;
}

std::optional<KeptValue> DecodeKeptValue(std::string_view in) {
    if (in.substr(0, kKeptMagic.size()) != kKeptMagic) return std::nullopt;
    in.remove_prefix(kKeptMagic.size());
    KeptValue v;
    if (!TakeField(in, v.rootKey) || !TakeField(in, v.keyPath) || !TakeField(in, v.valueName) ||
        in.size() < 4)
        return std::nullopt;
    std::memcpy(&v.type, in.data(), 4);
    in.remove_prefix(4);
    if (!TakeField(in, v.bytes) || !in.empty()) return std::nullopt;
    return v;
}

std::string KeptValueFileName(std::string_view rootKey, std::string_view keyPath,
                              std::string_view valueName) {
    // FNV-1a over the three texts, each ended by a NUL that no text holds.
    uint64_t h = 0xcbf29ce484222325ull;
    for (std::string_view part : {rootKey, keyPath, valueName}) {
        for (char c : part)
            h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
        h = (h ^ 0u) * 0x100000001b3ull;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name = "value";
    for (int shift = 60; shift >= 0; shift -= 4)
        name.push_back(kHex[(h >> shift) & 15]);
    return name + ".reg";
}

namespace {

// A record as the merge compares it: Active is the holder's view, not part of
// what the record says.
std::string RecordKey(std::string_view record) {
    std::string key(record);
    key[offsetof(AutostartEntry, Active)] = 0;
    return key;
}

std::vector<std::string_view> WholeRecords(std::string_view bytes) {
    std::vector<std::string_view> records;
    for (size_t at = 0; at + kRecordSize <= bytes.size(); at += kRecordSize)
        records.push_back(bytes.substr(at, kRecordSize));
    return records;
}

} // namespace

std::string MergeInactiveRecords(std::string_view base, std::string_view disk,
                                 std::string_view ours) {
    // Counts, since the same record may be held twice.
    std::map<std::string, int> unmatchedBase;
    for (std::string_view r : WholeRecords(base))
        ++unmatchedBase[RecordKey(r)];
    std::vector<std::string_view> added;
    for (std::string_view r : WholeRecords(disk)) {
        auto it = unmatchedBase.find(RecordKey(r));
        if (it != unmatchedBase.end() && it->second > 0)
            --it->second;
        else
            added.push_back(r);
    }
    // What is left of base is what the other removed.
    std::map<std::string, int>& removed = unmatchedBase;
    std::map<std::string, int> oursNew;
    std::string out;
    for (std::string_view r : WholeRecords(ours)) {
        auto it = removed.find(RecordKey(r));
        if (it != removed.end() && it->second > 0) {
            --it->second;
            continue;
        }
        out += r;
        ++oursNew[RecordKey(r)];
    }
    // Records of ours that base held do not count as added by ours.
    for (std::string_view r : WholeRecords(base)) {
        auto it = oursNew.find(RecordKey(r));
        if (it != oursNew.end() && it->second > 0) --it->second;
    }
    for (std::string_view r : added) {
        auto it = oursNew.find(RecordKey(r));
        if (it != oursNew.end() && it->second > 0) {
            --it->second;
            continue;
        }
        out += r;
    }
    return out;
}

} // namespace qv
