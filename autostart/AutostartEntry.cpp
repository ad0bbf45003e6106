#include "autostart/AutostartEntry.h"

#include <cstring>

namespace qv {

void ShortString::assign(std::string_view text) {
    size_t n = text.size() < 255 ? text.size() : 255;
    Length = static_cast<uint8_t>(n);
    std::memcpy(Chars, text.data(), n);
    std::memset(Chars + n, 0, 255 - n);
}

AutostartEntry ZeroEntry() {
    AutostartEntry e;
    std::memset(&e, 0, sizeof e);
    return e;
}

namespace {
bool SameString(const ShortString& a, const ShortString& b) {
    return a.Length == b.Length && std::memcmp(a.Chars, b.Chars, a.Length) == 0;
}

// Eight bytes per step: the lookup hashes every shown row, so this sits on
// the list fill's path. Only the counted bytes are read; a short tail is
// padded with zeros.
uint64_t Mix(uint64_t h, const void* data, size_t n) {
    auto p = static_cast<const unsigned char*>(data);
    auto step = [&h](uint64_t w) {
        h = (h ^ w) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 29;
    };
    for (; n >= 8; n -= 8, p += 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        step(w);
    }
    uint64_t tail = 0;
    std::memcpy(&tail, p, n);
    step(tail ^ (uint64_t(n) << 56));
    return h;
}

uint64_t MixString(uint64_t h, const ShortString& s) {
    return Mix(h, &s, 1u + s.Length);
}
} // namespace

bool SameAutostartPoint(const AutostartEntry& a, const AutostartEntry& b, bool compareActive) {
    return SameString(a.FileName, b.FileName) && SameString(a.RootKey, b.RootKey) &&
           SameString(a.KeyPath, b.KeyPath) && SameString(a.ValueName, b.ValueName) &&
           SameString(a.ValueData, b.ValueData) && a.Checksum == b.Checksum &&
           (!compareActive || a.Active == b.Active);
}

uint64_t IdentityHash(const AutostartEntry& e) {
    uint64_t h = 0xCBF29CE484222325ull;
    h = MixString(h, e.FileName);
    h = MixString(h, e.RootKey);
    h = MixString(h, e.KeyPath);
    h = MixString(h, e.ValueName);
    h = MixString(h, e.ValueData);
    return Mix(h, &e.Checksum, sizeof e.Checksum);
}

std::vector<AutostartEntry> DecodeRecords(std::string_view bytes) {
    std::vector<AutostartEntry> out(bytes.size() / kRecordSize);
    if (!out.empty()) std::memcpy(out.data(), bytes.data(), out.size() * kRecordSize);
    return out;
}

void AppendRecord(std::string& out, const AutostartEntry& e) {
    out.append(reinterpret_cast<const char*>(&e), kRecordSize);
}

std::string EncodeRecords(const std::vector<AutostartEntry>& entries) {
    std::string out;
    out.reserve(entries.size() * kRecordSize);
    for (const auto& e : entries)
        AppendRecord(out, e);
    return out;
}

int AddASEntry(std::vector<AutostartEntry>& entries, AutostartEntry& record, uint8_t active) {
    record.Active = active;
    int index = -1;
    if (entries.size() < kMaxEntries) {
        entries.push_back(record);
        index = static_cast<int>(entries.size() - 1);
    }
    record = ZeroEntry();
    return index;
}

} // namespace qv
