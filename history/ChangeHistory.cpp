#include "history/ChangeHistory.h"

#include <charconv>

namespace qv {

namespace {

constexpr std::string_view kMagic = "QV6HISTORY 1";

void PutHex(std::string& out, std::string_view text) {
    out += ' ';
    if (text.empty()) {
        out += '-';
        return;
    }
    static constexpr char digits[] = "0123456789ABCDEF";
    for (unsigned char c : text) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
}

void PutNum(std::string& out, uint64_t n) {
    out += ' ';
    out += std::to_string(n);
}

void PutState(std::string& out, const ThingState& s) {
    PutNum(out, s.exists ? 1 : 0);
    PutNum(out, s.type);
    PutNum(out, s.size);
    PutNum(out, s.created);
    PutNum(out, s.written);
    PutNum(out, s.crc);
    PutHex(out, s.bytes);
}

// The fields of one line, read left to right; any misfit marks it bad.
class Fields {
  public:
    explicit Fields(std::string_view line) : rest_(line) {}
    bool bad = false;

    std::string_view Next() {
        if (bad || rest_.empty()) {
            bad = true;
            return {};
        }
        const size_t blank = rest_.find(' ');
        std::string_view field = rest_.substr(0, blank);
        rest_ = blank == std::string_view::npos ? std::string_view{} : rest_.substr(blank + 1);
        if (field.empty()) bad = true;
        return field;
    }
    uint64_t Num(uint64_t max = UINT64_MAX) {
        const std::string_view f = Next();
        uint64_t n = 0;
        const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), n);
        if (bad || ec != std::errc{} || end != f.data() + f.size() || n > max) bad = true;
        return n;
    }
    std::string Hex() {
        const std::string_view f = Next();
        std::string out;
        if (bad || f == "-") return out;
        if (f.size() % 2 != 0) {
            bad = true;
            return out;
        }
        auto nibble = [this](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            bad = true;
            return 0;
        };
        out.reserve(f.size() / 2);
        for (size_t i = 0; i < f.size(); i += 2)
            out += static_cast<char>(nibble(f[i]) << 4 | nibble(f[i + 1]));
        return out;
    }
    ThingState State() {
        ThingState s;
        const uint64_t exists = Num(1);
        s.exists = exists == 1;
        s.type = static_cast<uint32_t>(Num(UINT32_MAX));
        s.size = Num();
        s.created = Num();
        s.written = Num();
        s.crc = static_cast<uint32_t>(Num(UINT32_MAX));
        s.bytes = Hex();
        return s;
    }
    bool AtEnd() const { return !bad && rest_.empty(); }

  private:
    std::string_view rest_;
};

// The lines of the file, each of which must end in CR LF.
bool SplitCrLf(std::string_view bytes, std::vector<std::string_view>& lines) {
    while (!bytes.empty()) {
        const size_t cr = bytes.find("\r\n");
        if (cr == std::string_view::npos) return false;
        lines.push_back(bytes.substr(0, cr));
        bytes.remove_prefix(cr + 2);
    }
    return true;
}

HistoryFault ReadLines(ChangeHistory& h, const std::vector<std::string_view>& lines) {
    if (lines.size() < 3 || lines[0] != kMagic) return HistoryFault::Torn;
    Fields head(lines[1]);
    if (head.Next() != "N") return HistoryFault::Torn;
    h.nextId = static_cast<uint32_t>(head.Num(UINT32_MAX));
    h.droppedCount = static_cast<uint32_t>(head.Num(UINT32_MAX));
    h.droppedCopyBytes = head.Num();
    h.droppedUntil = head.Hex();
    if (!head.AtEnd() || h.nextId == 0) return HistoryFault::Torn;

    size_t i = 2;
    for (; i < lines.size() && lines[i].starts_with("C "); ++i) {
        Fields c(lines[i]);
        c.Next();
        ChangeRecord r;
        r.id = static_cast<uint32_t>(c.Num(UINT32_MAX));
        r.kind = static_cast<ChangeKind>(c.Num(kLastChangeKind));
        r.undoOf = static_cast<uint32_t>(c.Num(UINT32_MAX));
        r.undoneBy = static_cast<uint32_t>(c.Num(UINT32_MAX));
        r.time = c.Hex();
        r.caption = c.Hex();
        const uint64_t touches = c.Num(64);
        if (!c.AtEnd() || r.id == 0 || r.id >= h.nextId || static_cast<uint8_t>(r.kind) == 0 ||
            (!h.records.empty() && r.id <= h.records.back().id))
            return HistoryFault::Torn;
        for (uint64_t t = 0; t < touches; ++t) {
            if (++i >= lines.size()) return HistoryFault::Torn;
            Fields f(lines[i]);
            if (f.Next() != "T") return HistoryFault::Torn;
            ChangeTouch touch;
            touch.what = static_cast<TouchWhat>(f.Num(kLastTouchWhat));
            touch.place = f.Hex();
            touch.key = f.Hex();
            touch.name = f.Hex();
            touch.before = f.State();
            touch.after = f.State();
            if (!f.AtEnd()) return HistoryFault::Torn;
            r.touches.push_back(std::move(touch));
        }
        h.records.push_back(std::move(r));
    }
    if (i + 1 != lines.size()) return HistoryFault::Torn;
    Fields end(lines[i]);
    if (end.Next() != "END" || end.Num() != h.records.size() || !end.AtEnd())
        return HistoryFault::Torn;
    return HistoryFault::None;
}

} // namespace

HistoryFault ChangeHistory::Read(std::string_view bytes) {
    *this = ChangeHistory{};
    // Only our first line makes it ours; anything else is another file that
    // happens to carry the name.
    if (!bytes.starts_with(std::string(kMagic) + "\r\n")) return HistoryFault::Foreign;
    std::vector<std::string_view> lines;
    HistoryFault fault = SplitCrLf(bytes, lines) ? ReadLines(*this, lines) : HistoryFault::Torn;
    if (fault != HistoryFault::None) *this = ChangeHistory{};
    return fault;
}

std::string ChangeHistory::Write() const {
    std::string out(kMagic);
    out += "\r\nN";
    PutNum(out, nextId);
    PutNum(out, droppedCount);
    PutNum(out, droppedCopyBytes);
    PutHex(out, droppedUntil);
    out += "\r\n";
    for (const ChangeRecord& r : records) {
        out += 'C';
        PutNum(out, r.id);
        PutNum(out, static_cast<uint8_t>(r.kind));
        PutNum(out, r.undoOf);
        PutNum(out, r.undoneBy);
        PutHex(out, r.time);
        PutHex(out, r.caption);
        PutNum(out, r.touches.size());
        out += "\r\n";
        for (const ChangeTouch& t : r.touches) {
            out += 'T';
            PutNum(out, static_cast<uint8_t>(t.what));
            PutHex(out, t.place);
            PutHex(out, t.key);
            PutHex(out, t.name);
            PutState(out, t.before);
            PutState(out, t.after);
            out += "\r\n";
        }
    }
    out += "END";
    PutNum(out, records.size());
    out += "\r\n";
    return out;
}

namespace {

uint64_t RecordCopyBytes(const ChangeRecord& r, std::vector<std::string>* copies) {
    uint64_t sum = 0;
    for (const ChangeTouch& t : r.touches) {
        if (t.what != TouchWhat::File) continue;
        for (const ThingState* s : {&t.before, &t.after}) {
            if (s->bytes.empty()) continue;
            sum += s->size;
            if (copies) copies->push_back(s->bytes);
        }
    }
    return sum;
}

} // namespace

uint64_t ChangeHistory::CopyBytes() const {
    uint64_t sum = 0;
    for (const ChangeRecord& r : records)
        sum += RecordCopyBytes(r, nullptr);
    return sum;
}

uint32_t ChangeHistory::Append(ChangeRecord record, std::vector<std::string>& droppedCopies) {
    record.id = nextId++;
    if (nextId == 0) nextId = 1;
    const uint32_t id = record.id;
    records.push_back(std::move(record));
    uint64_t copyBytes = CopyBytes();
    size_t drop = 0;
    // The newest record always stays, even when its copy alone is larger
    // than the limit: dropping it would make the change it records
    // impossible to undo right away.
    while (drop + 1 < records.size() &&
           (records.size() - drop > kHistoryMaxRecords || copyBytes > kHistoryMaxCopyBytes)) {
        const uint64_t bytes = RecordCopyBytes(records[drop], &droppedCopies);
        copyBytes -= bytes;
        droppedCopyBytes += bytes;
        ++droppedCount;
        droppedUntil = records[drop].time;
        ++drop;
    }
    records.erase(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(drop));
    return id;
}

ChangeRecord* ChangeHistory::Find(uint32_t id) {
    for (ChangeRecord& r : records)
        if (r.id == id) return &r;
    return nullptr;
}

bool CanUndo(const ChangeRecord& record) {
    return record.undoneBy == 0 && record.kind != ChangeKind::ProcessEnded &&
           record.kind != ChangeKind::Undo;
}

} // namespace qv
