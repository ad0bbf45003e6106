#pragma once
// The entries the user deactivated and wants kept away: sticky.dat beside
// the program, read and written by the main program and the guard alike
// through this one codec. No Windows headers.
//
// The file is ANSI text, every line ended by CR LF:
//   QV6 sticky 1
//   <keep>\t<returns>\t<group>\t<kind>\t<root>\t<key>\t<value>\t<file>
//   ...
//   end <number of entry lines>
// keep is 1 (park it again when it comes back) or 0 (the user switched it
// off); returns counts how often it came back. In the text fields a
// backslash, a tab, a CR and a LF are written as \\, \t, \r and \n. The
// closing line makes a torn file recognisable: without it, or with another
// count, the file is refused.
#include "autostart/AutostartEntry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv {

struct StickyItem {
    bool keep = true;
    uint32_t returns = 0;
    uint8_t group = 0;
    uint8_t kind = 0;
    std::string root;  // kind 0: root key as decimal; kind 1: section
    std::string key;   // kind 0: key path
    std::string value; // kind 0: value name; kind 1: ini key
    std::string file;  // kind 1: the ini file; kind 2: the file
    bool operator==(const StickyItem&) const = default;
};

// The sticky item that stands for the entry: its group, kind and place,
// never its data, so that a re-created value with another command matches.
StickyItem StickyItemOf(const AutostartEntry& e);
// The place of an item as one key, letters folded to lower case (the
// registry and the file system ignore case): a file by its path, a value by
// root, key and name, an ini key by file, section and key.
std::string StickyPlace(const StickyItem& item);
std::string StickyPlace(const AutostartEntry& e);

std::string FormatStickyList(const std::vector<StickyItem>& items);
// The items, or nothing when the file is torn or no sticky list at all.
std::optional<std::vector<StickyItem>> ParseStickyList(std::string_view bytes);

// The list with a lookup by place; the guard asks it once per watched entry
// and tick.
class StickyList {
  public:
    StickyList() = default;
    explicit StickyList(std::vector<StickyItem> items);
    const std::vector<StickyItem>& Items() const { return items_; }
    // The index of the item for the entry's place, kept away or not.
    std::optional<size_t> Find(const AutostartEntry& e) const;
    // Keeps the entry away from now on (a new item, or one switched on
    // again). Returns its index.
    size_t Keep(const AutostartEntry& e);
    // The entry is in force again by the user's will: its item goes.
    bool Forget(const AutostartEntry& e);
    // "Nicht mehr fernhalten": the item stays, but is no longer parked.
    bool StopKeeping(size_t index);
    // It came back and was parked again.
    void CountReturn(size_t index);

  private:
    void Reindex();
    std::vector<StickyItem> items_;
    std::unordered_map<std::string, size_t> byPlace_;
};

} // namespace qv
