#include "app/HistoryView.h"

#include "autostart/RootKeys.h"

namespace qv {

Lng ChangeKindLine(ChangeKind kind) {
    switch (kind) {
    case ChangeKind::Deactivate:
        return Lng::HistoryKindDeactivate;
    case ChangeKind::Reactivate:
        return Lng::HistoryKindReactivate;
    case ChangeKind::RePark:
        return Lng::HistoryKindRePark;
    case ChangeKind::Edit:
        return Lng::HistoryKindEdit;
    case ChangeKind::Delete:
        return Lng::HistoryKindDelete;
    case ChangeKind::TextSaved:
        return Lng::HistoryKindTextSaved;
    case ChangeKind::KnownAdd:
        return Lng::HistoryKindKnownAdd;
    case ChangeKind::KnownRemove:
        return Lng::HistoryKindKnownRemove;
    case ChangeKind::ProcessEnded:
        return Lng::HistoryKindProcessEnded;
    case ChangeKind::Undo:
        break;
    }
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
    switch (result) {
    case UndoResult::Undone:
        return {};
    case UndoResult::ChangedSince:
        return lines.Format(Lng::HistoryChangedSince, {what});
    case UndoResult::CopyMissing:
        return lines.Format(Lng::HistoryCopyMissing, {what});
    case UndoResult::CannotUndo:
        return lines.Format(Lng::HistoryCannotUndo, {what});
    case UndoResult::Failed:
        return lines.Format(Lng::HistoryUndoFailed, {what});
    case UndoResult::NotFound:
        return lines[Lng::HistoryNotFound];
    case UndoResult::HistoryRefused:
        return lines.Format(Lng::HistoryFileRefused, {what});
    }
    return {};
}

} // namespace qv
