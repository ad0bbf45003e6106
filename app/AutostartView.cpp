#include "app/AutostartView.h"

#include "base/Errors.h"

#include <charconv>

namespace qv {

std::vector<ASListRow> BuildASListRows(const std::vector<AutostartEntry>& entries, int group,
                                       const KnownPredicate& isKnown) {
    std::vector<ASListRow> rows;
    if (group < 0 || group >= kGroupCount) return rows;
    // Indexes are 16-bit; ASEntries never holds more than kMaxEntries.
    size_t n = std::min(entries.size(), kMaxEntries);
    for (size_t i = 0; i < n; ++i) {
        const AutostartEntry& e = entries[i];
        if (e.Group != group) continue;
        rows.push_back({static_cast<uint16_t>(i), &e, e.Active != 0,
                        isKnown(e) ? kImageKnown : kImageUnknown});
    }
    return rows;
}

EntryButtons EntryButtonState(const AutostartEntry& e, bool writeProtect) {
    EntryButtons b;
    if (writeProtect || e.Active == 0) return b;
    b.del = e.Group != 1;
    b.edit = e.Kind != KindFile;
    b.editor = e.Group == 6 || e.Group == 7;
    return b;
}

std::string RootKeyName(std::string_view text) {
    int64_t value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    auto [end, ec] = std::from_chars(first, last, value);
    if (text.empty() || ec != std::errc() || end != last)
        throw AppError("'" + std::string(text) + "' ist kein g\xFCltiger Integerwert");
    switch (value) {
    case 2147483648LL:
        return "HKEY_CLASSES_ROOT";
    case 2147483649LL:
        return "HKEY_CURRENT_USER";
    case 2147483650LL:
        return "HKEY_LOCAL_MACHINE";
    default:
        return {};
    }
}

ResizeOutput ComputeResize(const ResizeInput& in) {
    ResizeOutput out;
    out.adImgLeft = in.adTopClientWidth / 2 - in.adImgWidth / 2;
    out.comboWidth = in.selectBoxClientWidth - 8;
    out.asColumnWidth = in.asListColumns > 0 ? in.asListClientWidth / in.asListColumns : 0;
    out.procColumnWidth = in.procBoxClientWidth - 20;
    out.guardBtnLeft = in.bottomClientWidth - in.guardBtnWidth;
    out.guardLblLeft = in.bottomClientWidth - in.guardLblWidth;
    out.helpBtnLeft = in.tabClientWidth - in.helpBtnWidth;
    return out;
}

} // namespace qv
