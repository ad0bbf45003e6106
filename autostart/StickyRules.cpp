#include "autostart/StickyRules.h"

#include <charconv>

namespace qv {

namespace {

constexpr std::string_view kHeader = "QV6 sticky 1";
constexpr std::string_view kEnd = "end ";

std::string Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') return std::nullopt;
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

template <class T> std::optional<T> Number(std::string_view text, T max) {
    uint64_t v = 0;
    if (text.empty() || text.size() > 10) return std::nullopt;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v > max) return std::nullopt;
    return static_cast<T>(v);
}

std::vector<std::string_view> SplitAt(std::string_view line, char sep) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        size_t at = line.find(sep, start);
        parts.push_back(line.substr(start, at == std::string_view::npos ? at : at - start));
        if (at == std::string_view::npos) return parts;
        start = at + 1;
    }
}

std::optional<StickyItem> ParseItem(std::string_view line) {
    auto f = SplitAt(line, '\t');
    if (f.size() != 8) return std::nullopt;
    StickyItem item;
    auto keep = Number<uint8_t>(f[0], 1);
    auto returns = Number<uint32_t>(f[1], UINT32_MAX);
    auto group = Number<uint8_t>(f[2], kGroupCount - 1);
    auto kind = Number<uint8_t>(f[3], KindFile);
    if (!keep || !returns || !group || !kind) return std::nullopt;
    item.keep = *keep == 1;
    item.returns = *returns;
    item.group = *group;
    item.kind = *kind;
    std::string* texts[] = {&item.root, &item.key, &item.value, &item.file};
    for (size_t i = 0; i < 4; ++i) {
        auto t = Unescape(f[4 + i]);
        // A record field holds at most 255 bytes: more is no list of ours.
        if (!t || t->size() > 255) return std::nullopt;
        *texts[i] = std::move(*t);
    }
    return item;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string PlaceOf(uint8_t group, uint8_t kind, std::string_view root, std::string_view key,
                    std::string_view value, std::string_view file) {
    std::string place = std::to_string(group) + '\t' + std::to_string(kind) + '\t';
    if (kind == KindFile) return place + Lower(file);
    place += Lower(root) + '\t' + Lower(key) + '\t' + Lower(value);
    if (kind == KindIni) place += '\t' + Lower(file);
    return place;
}

} // namespace

StickyItem StickyItemOf(const AutostartEntry& e) {
    StickyItem item;
    item.group = e.Group;
    item.kind = e.Kind;
    item.root = e.RootKey.str();
    item.key = e.KeyPath.str();
    item.value = e.ValueName.str();
    item.file = e.FileName.str();
    return item;
}

std::string StickyPlace(const StickyItem& i) {
    return PlaceOf(i.group, i.kind, i.root, i.key, i.value, i.file);
}

std::string StickyPlace(const AutostartEntry& e) {
    return PlaceOf(e.Group, e.Kind, e.RootKey.view(), e.KeyPath.view(), e.ValueName.view(),
                   e.FileName.view());
}

std::string FormatStickyList(const std::vector<StickyItem>& items) {
    std::string out(kHeader);
    out += "\r\n";
    for (const StickyItem& i : items) {
        out += i.keep ? "1\t" : "0\t";
        out += std::to_string(i.returns) + '\t' + std::to_string(i.group) + '\t' +
               std::to_string(i.kind);
        for (const std::string* t : {&i.root, &i.key, &i.value, &i.file})
            out += '\t' + Escape(*t);
        out += "\r\n";
    }
    out += std::string(kEnd) + std::to_string(items.size()) + "\r\n";
    return out;
}

std::optional<std::vector<StickyItem>> ParseStickyList(std::string_view bytes) {
    // Every line, the last included, ends with CR LF: a file cut anywhere
    // loses its closing line or the count it names.
    if (bytes.size() < 2 || bytes.substr(bytes.size() - 2) != "\r\n") return std::nullopt;
    bytes.remove_suffix(2);
    std::vector<std::string_view> lines;
    for (size_t start = 0;;) {
        size_t at = bytes.find("\r\n", start);
        lines.push_back(bytes.substr(start, at == std::string_view::npos ? at : at - start));
        if (at == std::string_view::npos) break;
        start = at + 2;
    }
    if (lines.size() < 2 || lines.front() != kHeader) return std::nullopt;
    std::string_view last = lines.back();
    if (last.substr(0, kEnd.size()) != kEnd) return std::nullopt;
    auto count = Number<uint32_t>(last.substr(kEnd.size()), UINT32_MAX);
    if (!count || *count != lines.size() - 2) return std::nullopt;
    std::vector<StickyItem> items;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        auto item = ParseItem(lines[i]);
        if (!item) return std::nullopt;
        items.push_back(std::move(*item));
    }
    return items;
}

StickyList::StickyList(std::vector<StickyItem> items) : items_(std::move(items)) {
    Reindex();
}

void StickyList::Reindex() {
    byPlace_.clear();
    for (size_t i = 0; i < items_.size(); ++i)
        byPlace_.emplace(StickyPlace(items_[i]), i);
}

std::optional<size_t> StickyList::Find(const AutostartEntry& e) const {
    auto it = byPlace_.find(StickyPlace(e));
    if (it == byPlace_.end()) return std::nullopt;
    return it->second;
}

size_t StickyList::Keep(const AutostartEntry& e) {
    if (auto at = Find(e)) {
        items_[*at].keep = true;
        return *at;
    }
    items_.push_back(StickyItemOf(e));
    byPlace_.emplace(StickyPlace(items_.back()), items_.size() - 1);
    return items_.size() - 1;
}

bool StickyList::Forget(const AutostartEntry& e) {
    auto at = Find(e);
    if (!at) return false;
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(*at));
    Reindex();
    return true;
}

bool StickyList::StopKeeping(size_t index) {
    if (index >= items_.size() || !items_[index].keep) return false;
    items_[index].keep = false;
    return true;
}

void StickyList::CountReturn(size_t index) {
    if (index < items_.size() && items_[index].returns < UINT32_MAX) ++items_[index].returns;
}

} // namespace qv
