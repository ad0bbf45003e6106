#pragma once
// --since: an earlier listing of qv6scan (a JSON array or JSON lines, with
// qv6scan's own fields) and the question whether a row of today is in it.
// An entry counts as the same when its group, where it lives (kind, root
// key, section, key, file), its name, its value, its file's SHA-256 and
// whether it is active all match. Pure code.
#include "scan/ScanOutput.h"

#include <string>
#include <string_view>
#include <unordered_set>

namespace qv {

class EarlierListing {
  public:
    // Reads the listing's text: UTF-8 (a BOM is skipped) or UTF-16LE with a
    // BOM, as PowerShell's redirection writes it. False, with a German
    // one-line reason in error, when it is not a listing of qv6scan's own
    // fields.
    bool Read(std::string_view bytes, std::string& error);

    // Whether the earlier listing held this entry as it is now.
    bool Holds(const ScanRow& row, const Utf8Converter& utf8) const;

    size_t size() const { return keys_.size(); }

    // The fields compared, in the order their texts make the key.
    static const std::vector<std::string_view>& KeyFields();

  private:
    std::unordered_set<std::string> keys_;
};

} // namespace qv
