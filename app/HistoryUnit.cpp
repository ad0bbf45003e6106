#include "app/HistoryUnit.h"

#include "app/HistoryView.h"
#include "base/WinText.h"
#include "history/EntryHistory.h"
#include "history/HistoryStore.h"
#include "ui/Dialogs.h"

#include <algorithm>
#include <string>

namespace qv {

namespace {

constexpr int kClientWidth = 720, kClientHeight = 420;
constexpr int kMargin = 8, kButtonWidth = 121, kButtonHeight = 25, kLabelHeight = 30;
constexpr int kColumns[] = {130, 150, 150, 260};

void SetColumnText(ui::ListView& list, int column, const std::string& text) {
    std::wstring w = ToWide(text);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = w.data();
    ::SendMessageW(list.Handle(), LVM_SETCOLUMNW, column, (LPARAM)&col);
}

void SetItemText(ui::ListView& list, int row, int column, const std::string& text) {
    std::wstring w = ToWide(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = w.data();
    ::SendMessageW(list.Handle(), LVM_SETITEMTEXTW, row, (LPARAM)&item);
}

} // namespace

THistoryForm::THistoryForm(AppModel& model) : model_(model) {
    FormCreate();
}

THistoryForm::~THistoryForm() {
    Destroy();
}

void THistoryForm::FormCreate() {
    const LanguageFile& lines = model_.LanguageTable;
    CreateModalFrame(L"THistoryForm", lines[Lng::HistoryWindowCaption], kClientWidth, kClientHeight,
                     RGB(255, 255, 255), {L"Arial", 12, true}, false, true);
    // Several rows may be chosen: the undo takes them all, newest first.
    Add(HistoryList, {.name = "HistoryList", .left = kMargin, .top = kMargin});
    HistoryList.SetFont(Font({L"Arial", 11}));
    HistoryList.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    // The columns are named: this list, unlike the others, has headers.
    const LONG_PTR style = ::GetWindowLongPtrW(HistoryList.Handle(), GWL_STYLE);
    ::SetWindowLongPtrW(HistoryList.Handle(), GWL_STYLE, style & ~LONG_PTR(LVS_NOCOLUMNHEADER));
    const Lng headers[] = {Lng::HistoryTimeColumn, Lng::HistoryKindColumn,
                           Lng::HistoryCaptionColumn, Lng::HistoryPlaceColumn};
    for (int c = 0; c < 4; ++c) {
        HistoryList.AddColumn(Scale(kColumns[c]));
        SetColumnText(HistoryList, c, lines[headers[c]]);
    }
    Add(HistoryLbl, {.name = "HistoryLbl"});
    Add(UndoBtn, {.name = "UndoBtn",
                  .width = kButtonWidth,
                  .height = kButtonHeight,
                  .caption = lines[Lng::HistoryUndoCaption],
                  .style = WS_DISABLED});
    Add(CloseBtn, {.name = "CloseBtn",
                   .width = kButtonWidth,
                   .height = kButtonHeight,
                   .caption = lines[Lng::HistoryCloseCaption],
                   .style = BS_DEFPUSHBUTTON});
    On(UndoBtn, ui::Event::Click, [this](auto&) { UndoBtnClick(); });
    On(CloseBtn, ui::Event::Click, [this](auto&) { CloseBtnClick(); });
    // The undo follows the selection whatever changes it, not only a click.
    On(HistoryList, ui::Event::Select, [this](auto&) { HistoryListClick(); });
    OnResize();
}

void THistoryForm::OnResize() {
    // The sizes are the design's at 96 dots per inch.
    const int w = ClientWidth(), h = ClientHeight();
    const int margin = Scale(kMargin), buttonW = Scale(kButtonWidth),
              buttonH = Scale(kButtonHeight), labelH = Scale(kLabelHeight);
    const int bottom = h - margin - buttonH;
    HistoryList.SetBounds(margin, margin, std::max(w - 2 * margin, 0),
                          std::max(bottom - labelH - 2 * margin, 0));
    HistoryLbl.SetBounds(margin, bottom - labelH - margin, std::max(w - 2 * margin, 0), labelH);
    CloseBtn.SetBounds(std::max(w - margin - buttonW, 0), bottom, buttonW, buttonH);
    UndoBtn.SetBounds(std::max(w - 2 * (margin + buttonW), 0), bottom, buttonW, buttonH);
}

void THistoryForm::FormShow() {
    Fill();
}

void THistoryForm::Fill() {
    const LanguageFile& lines = model_.LanguageTable;
    const HistoryLoad load = LoadHistory(model_.AppDir);
    refused_ = load.fault != HistoryFault::None;
    HistoryList.BeginUpdate();
    HistoryList.Clear();
    RowIds.clear();
    for (const HistoryRow& row : BuildHistoryRows(load.history, lines)) {
        const int r = HistoryList.AddItem(row.time, row.kind, false, -1);
        SetItemText(HistoryList, r, 2, row.caption);
        SetItemText(HistoryList, r, 3, row.place);
        RowIds.push_back(row.id);
    }
    // The time, the kind and the entry as wide as their longest text needs
    // (never narrower than designed): a kind's words are not cut, whatever
    // the font. The place is as long as a path is and keeps the rest.
    for (int c = 0; c < 3; ++c) {
        HistoryList.SetColumnWidth(c, LVSCW_AUTOSIZE_USEHEADER);
        if (HistoryList.ColumnWidth(c) < Scale(kColumns[c]))
            HistoryList.SetColumnWidth(c, Scale(kColumns[c]));
    }
    HistoryList.EndUpdate();
    HistoryLbl.SetCaption(
        refused_ ? UndoRefusalText(UndoResult::HistoryRefused, HistoryPath(model_.AppDir), lines)
                 : HistoryLimitsText(load.history, lines));
    HistoryListClick();
}

void THistoryForm::HistoryListClick() {
    UndoBtn.SetEnabled(!refused_ && HistoryList.Selected() >= 0);
}

void THistoryForm::UndoBtnClick() {
    std::vector<uint32_t> ids;
    for (int r = ListView_GetNextItem(HistoryList.Handle(), -1, LVNI_SELECTED); r >= 0;
         r = ListView_GetNextItem(HistoryList.Handle(), r, LVNI_SELECTED))
        if (static_cast<size_t>(r) < RowIds.size()) ids.push_back(RowIds[size_t(r)]);
    // Newest first: each undo then finds its things as the change it undoes
    // left them.
    std::sort(ids.rbegin(), ids.rend());
    std::string refusals;
    for (uint32_t id : ids) {
        UndoOutcome out;
        ChangeKind kind = ChangeKind::Undo;
        if (!RunGuarded([&] {
                if (const ChangeRecord* r = LoadHistory(model_.AppDir).history.Find(id))
                    kind = r->kind;
                out = UndoChange(model_, id);
            }))
            continue;
        if (out.result == UndoResult::Undone) {
            UndoneEntries = true;
            if (kind == ChangeKind::KnownAdd || kind == ChangeKind::KnownRemove)
                UndoneKnownEntries = true;
            continue;
        }
        if (!refusals.empty()) refusals += "\r\n";
        refusals += UndoRefusalText(out.result, out.what, model_.LanguageTable);
    }
    Fill();
    if (!refusals.empty()) ShowMessage(refusals);
}

void THistoryForm::CloseBtnClick() {
    EndModal(ui::mrCancel);
}

} // namespace qv
