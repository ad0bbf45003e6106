#include "app/HistoryView.h"

#include "autostart/RootKeys.h"

#include <iterator>
#include <utility>

namespace qv {

Lng ChangeKindLine(ChangeKind kind) {
    static constexpr std::pair<ChangeKind, Lng> kLines[] = {
        {ChangeKind::Deactivate, Lng::HistoryKindDeactivate},
        {ChangeKind::Reactivate, Lng::HistoryKindReactivate},
        {ChangeKind::RePark, Lng::HistoryKindRePark},
        {ChangeKind::Edit, Lng::HistoryKindEdit},
        {ChangeKind::Delete, Lng::HistoryKindDelete},
        {ChangeKind::TextSaved, Lng::HistoryKindTextSaved},
        {ChangeKind::KnownAdd, Lng::HistoryKindKnownAdd},
        {ChangeKind::KnownRemove, Lng::HistoryKindKnownRemove},
        {ChangeKind::ProcessEnded, Lng::HistoryKindProcessEnded},
    };
    // Every kind but the undo has its line here.
    static_assert(std::size(kLines) == kLastChangeKind - 1);
    for (const auto& [k, line] : kLines)
        if (k == kind) return line;
    return Lng::HistoryKindUndo;
}

std::string TouchPlaceText(const ChangeTouch& t) {
    switch (t.what) {
    case TouchWhat::RegistryValue:
        return std::string(RootKeyNameOrEmpty(t.place)) + "\\" + t.key + "\\" + t.name;
    case TouchWhat::IniValue:
        return t.place + " [" + t.key + "] " + t.name;
    case TouchWhat::Process:
        return t.place + " (PID " + t.name + ")";
    case TouchWhat::File:
    case TouchWhat::Entry:
        break;
    }
    return t.place;
}

std::vector<HistoryRow> BuildHistoryRows(const ChangeHistory& history, const LanguageFile& lines) {
    std::vector<HistoryRow> rows;
    rows.reserve(history.records.size());
    for (auto r = history.records.rbegin(); r != history.records.rend(); ++r) {
        HistoryRow row;
        row.id = r->id;
        row.undoable = CanUndo(*r);
        row.time = r->time;
        row.kind = lines[ChangeKindLine(r->kind)];
        if (r->undoneBy != 0) row.kind = lines.Format(Lng::HistoryUndoneMark, {row.kind});
        row.caption = r->caption;
        // The entry touch repeats the source's place: the first other one
        // says it, and how many more there are.
        size_t shown = 0;
        for (const ChangeTouch& t : r->touches) {
            if (t.what == TouchWhat::Entry) continue;
            if (shown++ == 0) row.place = TouchPlaceText(t);
        }
        if (shown > 1) row.place += " (+" + std::to_string(shown - 1) + ")";
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string HistoryLimitsText(const ChangeHistory& history, const LanguageFile& lines) {
    std::string text = lines[Lng::HistoryLimits];
    if (history.droppedCount == 0) return text;
    const uint64_t kb = (history.droppedCopyBytes + 1023) / 1024;
    return text + " " +
           lines.Format(Lng::HistoryDropped, {std::to_string(history.droppedCount),
                                              std::to_string(kb), history.droppedUntil});
}

std::string UndoRefusalText(UndoResult result, const std::string& what, const LanguageFile& lines) {
    static constexpr std::pair<UndoResult, Lng> kLines[] = {
        {UndoResult::ChangedSince, Lng::HistoryChangedSince},
        {UndoResult::CopyMissing, Lng::HistoryCopyMissing},
        {UndoResult::CannotUndo, Lng::HistoryCannotUndo},
        {UndoResult::Failed, Lng::HistoryUndoFailed},
        {UndoResult::HistoryRefused, Lng::HistoryFileRefused},
    };
    if (result == UndoResult::NotFound) return lines[Lng::HistoryNotFound];
    for (const auto& [r, line] : kLines)
        if (r == result) return lines.Format(line, {what});
    return {};
}

} // namespace qv
