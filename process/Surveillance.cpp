#include "process/Surveillance.h"

#include "base/Text.h"

#include <algorithm>

namespace qv {

namespace {

// The list box holds NUL-terminated texts: whatever follows a NUL is not
// part of an entry.
std::string_view UpToNul(std::string_view text) {
    size_t nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

// The list box's search for the place of a new text: a binary search that
// stops at the first equal text it meets and inserts in front of it, or
// inserts where the search ends. `keyAt(i)` is the key shown at position i.
template <class KeyAt>
size_t InsertPosition(size_t count, const std::string& key, const KeyAt& keyAt) {
    ptrdiff_t min = 0, max = static_cast<ptrdiff_t>(count) - 1;
    while (min <= max) {
        ptrdiff_t index = (min + max) / 2;
        int res = keyAt(static_cast<size_t>(index)).compare(key);
        if (res == 0) return static_cast<size_t>(index);
        if (res > 0)
            max = index - 1;
        else
            min = index + 1;
    }
    return static_cast<size_t>(min);
}

// A sequence of indexes in blocks, so that 100,000 insertions at arbitrary
// places cost far less than moving half a flat array each time.
class BlockSequence {
  public:
    size_t Size() const { return size_; }

    uint32_t At(size_t pos) const {
        size_t b = BlockOf(pos);
        return blocks_[b][pos - starts_[b]];
    }

    void Insert(size_t pos, uint32_t value) {
        if (blocks_.empty()) {
            blocks_.emplace_back();
            starts_.push_back(0);
        }
        size_t b = pos >= size_ ? blocks_.size() - 1 : BlockOf(pos);
        std::vector<uint32_t>& block = blocks_[b];
        block.insert(block.begin() + static_cast<ptrdiff_t>(pos - starts_[b]), value);
        ++size_;
        if (block.size() > 2 * kBlock) {
            std::vector<uint32_t> tail(block.begin() + kBlock, block.end());
            block.resize(kBlock);
            blocks_.insert(blocks_.begin() + static_cast<ptrdiff_t>(b) + 1, std::move(tail));
            starts_.insert(starts_.begin() + static_cast<ptrdiff_t>(b) + 1, 0);
        }
        for (size_t i = b + 1; i < blocks_.size(); ++i)
            starts_[i] = starts_[i - 1] + blocks_[i - 1].size();
    }

    std::vector<size_t> Flatten() const {
        std::vector<size_t> out;
        out.reserve(size_);
        for (const auto& block : blocks_)
            out.insert(out.end(), block.begin(), block.end());
        return out;
    }

  private:
    static constexpr size_t kBlock = 512;

    size_t BlockOf(size_t pos) const {
        auto it = std::upper_bound(starts_.begin(), starts_.end(), pos);
        return static_cast<size_t>(it - starts_.begin()) - 1;
    }

    std::vector<std::vector<uint32_t>> blocks_;
    std::vector<size_t> starts_; // position of each block's first element
    size_t size_ = 0;
};

} // namespace

SurveillanceCollation AsciiCollation() {
    auto fold = [](std::string_view text) { return UpperAscii(text); };
    return {fold, fold};
}

std::vector<std::string> DecodeSurveillanceFile(std::string_view bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (c != '\r' && c != '\n') continue;
        lines.emplace_back(UpToNul(bytes.substr(start, i - start)));
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) lines.emplace_back(UpToNul(bytes.substr(start)));
    return lines;
}

std::string EncodeSurveillanceFile(const std::vector<std::string>& entries) {
    size_t size = 0;
    for (const std::string& e : entries)
        size += e.size() + 2;
    std::string bytes;
    bytes.reserve(size);
    for (const std::string& e : entries) {
        bytes += e;
        bytes += "\r\n";
    }
    return bytes;
}

std::vector<size_t> ListBoxInsertionOrder(const std::vector<std::string>& keys) {
    BlockSequence order;
    for (size_t i = 0; i < keys.size(); ++i) {
        size_t pos = InsertPosition(order.Size(), keys[i], [&](size_t p) -> const std::string& {
            return keys[order.At(p)];
        });
        order.Insert(pos, static_cast<uint32_t>(i));
    }
    return order.Flatten();
}

SurveillanceList::SurveillanceList(SurveillanceCollation collation)
    : collation_(std::move(collation)) {}

void SurveillanceList::Assign(const std::vector<std::string>& lines) {
    std::vector<std::string> keys;
    keys.reserve(lines.size());
    for (const std::string& line : lines)
        keys.push_back(collation_.sortKey(UpToNul(line)));
    std::vector<size_t> order = ListBoxInsertionOrder(keys);
    entries_.clear();
    keys_.clear();
    folds_.clear();
    entries_.reserve(order.size());
    keys_.reserve(order.size());
    folds_.reserve(order.size());
    for (size_t i : order) {
        entries_.emplace_back(UpToNul(lines[i]));
        keys_.push_back(std::move(keys[i]));
        folds_.push_back(collation_.foldKey(entries_.back()));
    }
    ticked_.assign(entries_.size(), 0);
}

void SurveillanceList::SetTicked(size_t i, bool ticked) {
    if (i < ticked_.size()) ticked_[i] = ticked;
}

void SurveillanceList::TickAll(bool ticked) {
    std::fill(ticked_.begin(), ticked_.end(), ticked);
}

ptrdiff_t SurveillanceList::Find(std::string_view text) const {
    const std::string folded = collation_.foldKey(UpToNul(text));
    for (size_t i = 0; i < folds_.size(); ++i)
        if (folds_[i] == folded) return static_cast<ptrdiff_t>(i);
    return -1;
}

void SurveillanceList::Insert(std::string text) {
    std::string key = collation_.sortKey(text);
    std::string fold = collation_.foldKey(text);
    size_t pos =
        InsertPosition(keys_.size(), key, [&](size_t p) -> const std::string& { return keys_[p]; });
    auto at = static_cast<ptrdiff_t>(pos);
    entries_.insert(entries_.begin() + at, std::move(text));
    keys_.insert(keys_.begin() + at, std::move(key));
    folds_.insert(folds_.begin() + at, std::move(fold));
    ticked_.insert(ticked_.begin() + at, 0);
}

bool SurveillanceList::AddDropped(std::string_view caption) {
    std::string text = UpperAscii(UpToNul(caption));
    if (Find(text) >= 0) return false;
    Insert(std::move(text));
    return true;
}

bool SurveillanceList::AddFiles(const std::vector<std::string>& files) {
    bool added = false;
    for (const std::string& file : files) {
        std::string_view text = UpToNul(file);
        if (Find(text) >= 0) continue;
        Insert(std::string(text));
        added = true;
    }
    return added;
}

bool SurveillanceList::RemoveTicked() {
    // Deleting from the last ticked entry to the first leaves the unticked
    // ones in their order; closing the gaps in one pass gives the same list
    // without moving the tail once per deletion.
    size_t kept = 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (ticked_[i]) continue;
        if (kept != i) {
            entries_[kept] = std::move(entries_[i]);
            keys_[kept] = std::move(keys_[i]);
            folds_[kept] = std::move(folds_[i]);
        }
        ++kept;
    }
    if (kept == entries_.size()) return false;
    entries_.resize(kept);
    keys_.resize(kept);
    folds_.resize(kept);
    ticked_.assign(kept, 0);
    return true;
}

} // namespace qv
