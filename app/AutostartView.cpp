#include "app/AutostartView.h"

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
    b.del = !InGroup(e, AutostartGroup::ShellOpen);
    b.edit = e.Kind != KindFile;
    b.editor = InGroup(e, AutostartGroup::IniLines) || InGroup(e, AutostartGroup::BootFiles);
    return b;
}

ResizeOutput ComputeResize(const ResizeInput& in) {
    ResizeOutput out;
    out.adImgLeft = in.adTopClientWidth / 2 - in.adImgWidth / 2;
    out.comboWidth = in.selectBoxClientWidth - in.comboMargin;
    out.asColumnWidth = in.asListColumns > 0 ? in.asListClientWidth / in.asListColumns : 0;
    out.procColumnWidth = in.procBoxClientWidth - in.procColumnMargin;
    out.guardBtnLeft = in.bottomClientWidth - in.guardBtnWidth;
    out.guardLblLeft = in.bottomClientWidth - in.guardLblWidth;
    out.helpBtnLeft = in.tabClientWidth - in.helpBtnWidth;
    return out;
}

} // namespace qv
