// The autostart page: its controls, their layout, the group list and the
// entry buttons' enabling. The commands on entries are in
// AutostartPageEntries.cpp.
#include "app/AutostartPage.h"

#include "app/Design.h"
#include "model/AppModel.h"
#include "app/AutostartView.h"
#include "app/MainUnit.h"
#include "app/PageLanguage.h"
#include "app/res/art.h"
#include "autostart/AutostartEntry.h"
#include "autostart/Groups.h"
#include "autostart/Inactive.h"
#include "autostart/Scanner.h"
#include "autostart/StickyPark.h"
#include "base/Errors.h"
#include "base/Failure.h"
#include "base/Files.h"
#include "base/WinText.h"
#include "database/KnownEntries.h"
#include "report/ReportUnit.h"
#include "signature/EntryFile.h"
#include "ui/Dialogs.h"

#include <shellapi.h>

#include <algorithm>
#include <string>

namespace qv {

namespace {

using design::kGreyText;
using design::kMenuWidth;
using design::kRefreshTag;

// The designed layout, in pixels.
constexpr int kSelectBoxHeight = 53;
constexpr int kHideLineHeight = 22;

} // namespace

bool StartProgramElevated() {
    const std::wstring exe = ToWide(ExecutablePath());
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC;
    info.lpVerb = L"runas";
    info.lpFile = exe.c_str();
    info.nShow = SW_SHOWNORMAL;
    return ::ShellExecuteExW(&info) != FALSE;
}

TAutostartPage::TAutostartPage(TMainForm& form, AppModel& model, ui::Panel& sheet)
    : ui::Page(form), main_(form), model_(model),
      verifyQueue_(std::make_unique<VerifyQueue>(model.Verifier())) {
    CreateControls(sheet);
    BindEvents();
    subscription_ = model_.Subscribe([this](ModelChange change) { ModelChanged(change); });
}

TAutostartPage::~TAutostartPage() {
    // The worker writes into arrived_ and posts to the notifier: it stops
    // before either goes.
    verifyQueue_->Cancel();
}

void TAutostartPage::ModelChanged(ModelChange change) {
    // A changed entry may name another file: its verdict is asked again
    // (the verifier answers unchanged files from its cache).
    if (change == ModelChange::Entries) verdicts_.clear();
    if (change == ModelChange::Entries || change == ModelChange::KnownEntries)
        SelectASGroupComboChange();
    else if (change == ModelChange::Language)
        ApplyLanguage();
}

void TAutostartPage::CreateControls(ui::Panel& sheet) {
    // The button column at the right.
    Add(Page0MenuPnl, {.name = "Page0MenuPnl", .parent = &sheet, .width = kMenuWidth});
    // The buttons of the column differ only in panel, place, width, text,
    // style and tag.
    auto button = [this](ui::Button& b, std::string_view name, ui::Control& parent, int top,
                         int width, std::string_view caption, DWORD style = 0, int tag = 0) {
        Add(b, {.name = name,
                .parent = &parent,
                .left = 8,
                .top = top,
                .width = width,
                .height = 25,
                .caption = caption,
                .style = style,
                .tag = tag});
    };
    button(ASRefreshBtn, "ASRefreshBtn", Page0MenuPnl, 8, 132, "Aktualisieren", 0, kRefreshTag);
    Add(ASProtectPnl, {.name = "ASProtectPnl",
                       .parent = &Page0MenuPnl,
                       .left = 8,
                       .top = 41,
                       .width = 132,
                       .height = 121});
    ASProtectPnl.Framed = true;
    Add(ASWriteProtectChk, {.name = "ASWriteProtectChk",
                            .parent = &ASProtectPnl,
                            .left = 8,
                            .top = 7,
                            .width = 116,
                            .height = 17,
                            .caption = "Schreibschutz"});
    ASWriteProtectChk.TextColor = kGreyText;
    ASWriteProtectChk.SetChecked(true);
    // Disabled until a row is selected with write protection off.
    button(ASEditBtn, "ASEditBtn", ASProtectPnl, 30, 116, "\xC4ndern", WS_DISABLED);
    button(ASEditorBtn, "ASEditorBtn", ASProtectPnl, 59, 116, "Editor", WS_DISABLED);
    button(ASDelBtn, "ASDelBtn", ASProtectPnl, 88, 116, "L\xF6schen", WS_DISABLED);
    // The tag tells the shared click handler which menu to open.
    button(AddEntryToDBBtn, "AddEntryToDBBtn", Page0MenuPnl, 170, 132, "In Datenbank", 0, 0);
    button(DelEntryFromDBBtn, "DelEntryFromDBBtn", Page0MenuPnl, 199, 132, "Aus Datenbank", 0, 1);
    button(ReportBtn, "ReportBtn", Page0MenuPnl, 236, 132, "Report");
    button(HistoryBtn, "HistoryBtn", Page0MenuPnl, 265, 132, "Verlauf");
    // Enabled for a selected deactivated entry that is kept away.
    button(ASStopKeepingBtn, "ASStopKeepingBtn", Page0MenuPnl, 294, 132, "Nicht mehr fernhalten",
           WS_DISABLED);

    // Group choice along the top, the list below.
    Add(SelectASBox, {.name = "SelectASBox",
                      .parent = &sheet,
                      .height = kSelectBoxHeight,
                      .caption = "Startpunkte"});
    SelectASBox.TextColor = kGreyText;
    // A drop-down list's height includes the open list: ten rows.
    Add(SelectASGroupCombo, {.name = "SelectASGroupCombo",
                             .parent = &SelectASBox,
                             .left = 4,
                             .top = 20,
                             .width = 100,
                             .height = 220});
    SelectASGroupCombo.SetFont(Owner().Font({L"Arial", 12, true, true}));
    ::SendMessageW(SelectASGroupCombo.Handle(), CB_SETMINVISIBLE, 10, 0);
    Add(ASListBox,
        {.name = "ASListBox", .parent = &sheet, .top = kSelectBoxHeight, .caption = "Inhalt"});
    ASListBox.TextColor = kGreyText;
    Add(ASList,
        {.name = "ASList", .parent = &ASListBox, .left = 6, .top = 16, .style = LVS_SINGLESEL});
    ASList.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB |
                            LVS_EX_DOUBLEBUFFER);
    ASList.AddColumn(100);
    ASList.AddColumn(100);
    // Who signed the entry's file: empty until the worker has said.
    ASList.AddColumn(100);
    // Below the list, off at start: hides what Windows itself signed.
    Add(ASHideWindowsChk, {.name = "ASHideWindowsChk",
                           .parent = &ASListBox,
                           .left = 8,
                           .width = 250,
                           .height = 17,
                           .caption = "Windows-Eintr\xE4ge ausblenden"});
    ASHideWindowsChk.TextColor = kGreyText;
    Add(ASVerifyNotifier, {.name = "ASVerifyNotifier", .parent = &sheet, .width = 0, .height = 0});

    // The known and unknown marks, and the two popup menus.
    ASPM1.Create();
    ASPM1.AddItem(1, "&Alle", true, true);
    ASPM1.AddItem(2, "Ausge&w\xE4hlt", false, false);
    ASPM2.Create();
    ASPM2.AddItem(3, "&Alle", true, true);
    ASPM2.AddItem(4, "Ausge&w\xE4hlt", false, false);
    LoadMarks();
    // The keyboard goes through the group and the list first, then down the
    // button column at the right.
    Page0MenuPnl.SendToBack();
}

void TAutostartPage::LoadMarks() {
    // Image 0 marks an unknown entry, image 1 a known one, as large as a
    // small icon at the window's setting. The list takes the new ones
    // before the old ones go.
    ui::ImageList marks;
    marks.Create(S(16), S(16), 2);
    for (int id : {IDI_ENTRY_UNKNOWN, IDI_ENTRY_KNOWN}) {
        IconHandle icon = main_.SmallIcon(id);
        if (icon) marks.AddIcon(icon.get());
    }
    ASList.SetImageList(marks.Handle());
    ASEIconList = std::move(marks);
}

void TAutostartPage::BindEvents() {
    using ui::Event;
    On(ASRefreshBtn, Event::Click, [this](auto&) { ASRefreshBtnClick(); });
    On(SelectASGroupCombo, Event::Change, [this](auto&) { SelectASGroupComboChange(); });
    On(ASList, Event::Click, [this](auto&) { ASListClick(); });
    // A row chosen with the keyboard enables the buttons as a click does.
    On(ASList, Event::Change, [this](auto&) { ASListClick(); });
    On(ASList, Event::MouseDown, [this](const ui::EventArgs& a) { ASListMouseDown(a); });
    On(ASWriteProtectChk, Event::Click, [this](auto&) { ASListClick(); });
    On(AddEntryToDBBtn, Event::Click, [this](auto&) { AddEntryToDBBtnClick(AddEntryToDBBtn); });
    On(DelEntryFromDBBtn, Event::Click, [this](auto&) { AddEntryToDBBtnClick(DelEntryFromDBBtn); });
    On(ASEditBtn, Event::Click, [this](auto&) { ASEditBtnClick(); });
    On(ASDelBtn, Event::Click, [this](auto&) { ASDelBtnClick(); });
    On(ASEditorBtn, Event::Click, [this](auto&) { ASEditorBtnClick(); });
    On(ReportBtn, Event::Click, [this](auto&) { ReportBtnClick(); });
    On(HistoryBtn, Event::Click, [this](auto&) { HistoryBtnClick(); });
    On(ASHideWindowsChk, Event::Click, [this](auto&) { ASHideWindowsChkClick(); });
    On(ASVerifyNotifier, Event::Notify, [this](auto&) { ASVerifyNotifierNotify(); });
    On(ASStopKeepingBtn, Event::Click, [this](auto&) { ASStopKeepingBtnClick(); });
    AddTimer(
        ASVerifyTimer, 0, [this] { ASVerifyTimerTimer(); }, false);
}

bool TAutostartPage::KeyDown(WORD key, HWND target, bool) {
    if (target != ASList.Handle()) return false;
    ui::Button* button = key == VK_RETURN ? &ASEditBtn : key == VK_DELETE ? &ASDelBtn : nullptr;
    if (!button || !button->Enabled()) return false;
    button->Click();
    return true;
}

void TAutostartPage::ApplyLanguage() {
    const LanguageTarget targets[] = {
        {&ASRefreshBtn, Lng::ASRefreshBtnCaption, Prop::Caption},
        {&ASRefreshBtn, Lng::ASRefreshBtnHint, Prop::Hint},
        {&SelectASBox, Lng::SelectASBoxCaption, Prop::Caption},
        {&ASListBox, Lng::ASListBoxDesignCaption, Prop::Caption},
        {&ASWriteProtectChk, Lng::ASWriteProtectChkCaption, Prop::Caption},
        {&ASWriteProtectChk, Lng::ASWriteProtectChkHint, Prop::Hint},
        {&ASEditBtn, Lng::ASEditBtnCaption, Prop::Caption},
        {&ASEditBtn, Lng::ASEditBtnHint, Prop::Hint},
        {&ASEditorBtn, Lng::ASEditorBtnCaption, Prop::Caption},
        {&ASEditorBtn, Lng::ASEditorBtnHint, Prop::Hint},
        {&ASDelBtn, Lng::ASDelBtnCaption, Prop::Caption},
        {&ASDelBtn, Lng::ASDelBtnHint, Prop::Hint},
        {&AddEntryToDBBtn, Lng::AddEntryToDBBtnCaption, Prop::Caption},
        {&AddEntryToDBBtn, Lng::AddEntryToDBBtnHint, Prop::Hint},
        {&DelEntryFromDBBtn, Lng::DelEntryFromDBBtnCaption, Prop::Caption},
        {&DelEntryFromDBBtn, Lng::DelEntryFromDBBtnHint, Prop::Hint},
        {&ReportBtn, Lng::ReportBtnCaption, Prop::Caption},
        {&ReportBtn, Lng::ReportBtnHint, Prop::Hint},
        {&HistoryBtn, Lng::HistoryBtnCaption, Prop::Caption},
        {&HistoryBtn, Lng::HistoryBtnHint, Prop::Hint},
        {&ASHideWindowsChk, Lng::ASHideWindowsChk, Prop::Caption},
        {&ASStopKeepingBtn, Lng::StickyStopBtnCaption, Prop::Caption},
        {&ASStopKeepingBtn, Lng::StickyStopBtnHint, Prop::Hint},
    };
    ApplyLanguageTargets(Owner(), model_.LanguageTable, targets);
    ASList.SetColumnText(2, model_.LanguageTable[Lng::ASPublisherColumn]);
    for (ui::PopupMenu* menu : {&ASPM1, &ASPM2}) {
        menu->SetItemCaption(0, model_.LanguageTable[Lng::MenuAllCaption]);
        menu->SetItemCaption(1, model_.LanguageTable[Lng::MenuSelectedCaption]);
    }
    // The groups, by their names; the chosen one stays chosen.
    const int group = SelectASGroupCombo.ItemIndex();
    SelectASGroupCombo.Clear();
    for (int g = 0; g < kGroupCount; ++g)
        SelectASGroupCombo.Add(
            model_.LanguageTable[GroupName(GroupOfByte(static_cast<uint8_t>(g)))]);
    if (group >= 0) SelectASGroupCombo.SetItemIndex(group);
    // The group box's caption is the combo box's label; no label stands
    // before it for a screen reader to find.
    SelectASGroupCombo.SetAccessibleName(SelectASBox.Caption());
    // The marks in words, in the order of the images.
    ASList.SetImageNames(
        {model_.LanguageTable[Lng::UnknownMarkName], model_.LanguageTable[Lng::KnownMarkName]});
}

void TAutostartPage::Align(int width, int height) {
    // The button column right, the group choice on top, the list filling the
    // rest.
    const int menu = S(kMenuWidth), box = S(kSelectBoxHeight);
    int left = std::max(width - menu, 0);
    Page0MenuPnl.SetBounds(left, 0, menu, height);
    SelectASBox.SetBounds(0, 0, left - S(4), box);
    ASListBox.SetBounds(0, box + S(2), left - S(4), std::max(height - box - S(2), 0));
    // The hide switch on a line of its own under the list.
    const int listHeight = std::max(ASListBox.ClientHeight() - S(26) - S(kHideLineHeight), 0);
    const int listWidth = std::max(ASListBox.ClientWidth() - S(16), 0);
    ASList.SetBounds(S(8), S(18), listWidth, listHeight);
    ASHideWindowsChk.SetBounds(S(8), S(18) + listHeight + S(4), listWidth, S(17));
    SelectASGroupCombo.SetBounds(S(4), S(19), SelectASGroupCombo.Width(), S(220));
}

// ---- Refreshing -----------------------------------------------------------------

void TAutostartPage::ASRefreshBtnClick() {
    main_.TabChange(true);
}

void TAutostartPage::RefreshAutostarts(bool force) {
    if (!force && !model_.ASEntries.empty()) return;
    // A failing step is reported on its own; the list is refilled regardless.
    // The scan and the deactivated entries are one change.
    RunGuarded([this] {
        ScanAutostarts(model_, model_.LanguageTable[Lng::ExplorerCaption],
                       model_.LanguageTable[Lng::WindowsDefaultMark]);
    });
    RunGuarded([this] { LoadInactiveEntries(model_); });
    model_.Changed(ModelChange::Entries);
}

void TAutostartPage::SelectASGroupComboChange() {
    // The rows of the group before go, and so does their batch; what it
    // handed over meanwhile is dropped.
    verifyQueue_->Cancel();
    {
        std::lock_guard lock(arrivedMutex_);
        arrived_.clear();
    }
    batch_ = 0;
    batchEntries_.clear();
    heldPaths_.clear();
    const bool hide = ASHideWindowsChk.Checked();
    HiddenRows = 0;
    std::vector<std::string> paths;
    ASList.BeginUpdate();
    ASList.Clear();
    ASListIndex.clear();
    // The known-entries lookup is indexed, so one lookup per row stays cheap.
    std::vector<ASListRow> rows = BuildASListRows(
        model_.ASEntries, SelectASGroupCombo.ItemIndex(),
        [this](const AutostartEntry& e) { return model_.ASEntryDB.Find(e, false) >= 0; });
    ASListIndex.reserve(rows.size());
    std::vector<char> ticked;
    ticked.reserve(rows.size());
    for (const ASListRow& row : rows) {
        // A verdict known from before shows at once; the others are asked
        // for after the fill, off this thread.
        const EntryFile file = EntryFileOf(*row.entry);
        auto known = verdicts_.find(row.index);
        if (known != verdicts_.end() && hide && IsWindowsEntry(file, known->second)) {
            ++HiddenRows;
            continue;
        }
        int r =
            ASList.AddItem(row.entry->Caption.view(), row.entry->Detail.view(), false, row.image);
        ASListIndex.push_back(row.index);
        ticked.push_back(row.checked ? 1 : 0);
        if (known != verdicts_.end()) {
            ShowVerdict(r, known->second);
        } else {
            paths.push_back(file.path);
            batchEntries_.push_back(row.index);
        }
    }
    // The marks after the rows: one message ticks a list of mostly active
    // entries, instead of one per row.
    ASList.SetCheckMarks(ticked);
    ASList.EndUpdate();
    ShowListCaption();
    // No row is selected after a refill.
    DisableRowButtons();
    if (paths.empty()) return;
    if (holdVerify_)
        heldPaths_ = std::move(paths);
    else
        StartVerify(std::move(paths));
}

void TAutostartPage::StartVerify(std::vector<std::string> paths) {
    // The worker never touches a control: it hands each verdict over under
    // the lock and nudges the window, whose thread takes them.
    batch_ = verifyQueue_->Start(std::move(paths),
                                 [this](VerifyQueue::Batch batch, size_t index, const std::string&,
                                        const SignatureVerdict& verdict) {
                                     {
                                         std::lock_guard lock(arrivedMutex_);
                                         arrived_.push_back({batch, index, verdict});
                                     }
                                     ASVerifyNotifier.Post();
                                 });
}

void TAutostartPage::ReleaseFirstVerify() {
    holdVerify_ = false;
    if (!heldPaths_.empty()) ASVerifyTimer.SetEnabled(true);
}

void TAutostartPage::ASVerifyTimerTimer() {
    ASVerifyTimer.SetEnabled(false);
    // A fill since has started its own batch and dropped this one.
    if (!heldPaths_.empty()) StartVerify(std::move(heldPaths_));
    heldPaths_.clear();
}

void TAutostartPage::DisableRowButtons() {
    ASEditBtn.SetEnabled(false);
    ASEditorBtn.SetEnabled(false);
    ASDelBtn.SetEnabled(false);
    ASStopKeepingBtn.SetEnabled(false);
}

void TAutostartPage::ShowListCaption() {
    if (ASHideWindowsChk.Checked())
        ASListBox.SetCaption(model_.LanguageTable.Format(
            Lng::ASListBoxCaptionHiding,
            {std::to_string(ASList.Count()), std::to_string(HiddenRows)}));
    else
        ASListBox.SetCaption(
            model_.LanguageTable.Format(Lng::ASListBoxCaption, {std::to_string(ASList.Count())}));
}

void TAutostartPage::ShowVerdict(int row, const SignatureVerdict& verdict) {
    ASList.SetItemText(row, 2, ShownText(model_.LanguageTable, VerdictText(verdict)));
}

void TAutostartPage::ASHideWindowsChkClick() {
    SelectASGroupComboChange();
}

void TAutostartPage::ASVerifyNotifierNotify() {
    std::vector<Arrived> got;
    {
        std::lock_guard lock(arrivedMutex_);
        got.swap(arrived_);
    }
    const bool hide = ASHideWindowsChk.Checked();
    bool removed = false;
    for (const Arrived& a : got) {
        // A nudge of a batch the list no longer shows.
        if (a.batch != batch_ || a.index >= batchEntries_.size()) continue;
        const uint16_t entry = batchEntries_[a.index];
        verdicts_[entry] = a.verdict;
        // Rows stay in the order of their entries, also when some go.
        auto at = std::lower_bound(ASListIndex.begin(), ASListIndex.end(), entry);
        if (at == ASListIndex.end() || *at != entry || entry >= model_.ASEntries.size()) continue;
        const int row = static_cast<int>(at - ASListIndex.begin());
        if (hide && IsWindowsEntry(EntryFileOf(model_.ASEntries[entry]), a.verdict)) {
            if (!removed) ASList.BeginUpdate();
            removed = true;
            ASList.DeleteItem(row);
            ASListIndex.erase(at);
            ++HiddenRows;
        } else {
            ShowVerdict(row, a.verdict);
        }
    }
    if (!removed) return;
    ASList.EndUpdate();
    ShowListCaption();
    // The selected row may be among those gone: the buttons follow what is
    // selected now.
    DisableRowButtons();
    ASListClick();
}

void TAutostartPage::ASListClick() {
    int row = ASList.Selected();
    if (row < 0 || static_cast<size_t>(row) >= ASListIndex.size()) return;
    size_t index = ASListIndex[static_cast<size_t>(row)];
    if (index >= model_.ASEntries.size()) return;
    EntryButtons b = EntryButtonState(model_.ASEntries[index], ASWriteProtectChk.Checked());
    ASDelBtn.SetEnabled(b.del);
    ASEditBtn.SetEnabled(b.edit);
    ASEditorBtn.SetEnabled(b.editor);
    const AutostartEntry& e = model_.ASEntries[index];
    ASStopKeepingBtn.SetEnabled(e.Active == 0 && IsKeptAway(model_.AppDir, e));
}

void TAutostartPage::ASListMouseDown(const ui::EventArgs& args) {
    int row = ASList.RowAt(args.pt);
    if (row < 0 || static_cast<size_t>(row) >= ASListIndex.size()) return;
    ASList.Select(row);
    // A click on the check box has toggled the mark already; a mark that no
    // longer matches its entry's Active asks for a change of state.
    CheckMarkOutcome out =
        OnEntryCheckMark(model_, ASListIndex[static_cast<size_t>(row)], ASList.Checked(row));
    if (out.setCheck) ASList.SetChecked(row, *out.setCheck);
    if (out.error) ReportException(AppError(*out.error));
    if (out.failure && out.offerElevation)
        OfferElevation(*out.failure);
    else if (out.failure)
        ShowMessage(ShownText(model_.LanguageTable, *out.failure));
    // Rows that turned along with this one show their new marks.
    if (out.refill) SelectASGroupComboChange();
    ASListClick();
}

void TAutostartPage::OfferElevation(const Failure& failure) {
    if (!Confirm(ShownText(model_.LanguageTable, failure))) return;
    const bool started = main_.RestartElevated ? main_.RestartElevated() : StartProgramElevated();
    if (started) ::PostMessageW(main_.Handle(), WM_CLOSE, 0, 0);
}

bool TAutostartPage::RefusedEdit(const AutostartEntry& entry) {
    const std::optional<Lng> line = EditRefusalLine(entry.Group);
    if (!line) return false;
    ShowMessage(model_.LanguageTable[*line]);
    return true;
}

void TAutostartPage::ASStopKeepingBtnClick() {
    const AutostartEntry* selected = SelectedEntry();
    if (!selected || selected->Active != 0) return;
    const AutostartEntry e = *selected;
    RunGuarded([&] { StopKeepingAway(model_.AppDir, e); });
    ASListClick();
}

void TAutostartPage::ReportBtnClick() {
    // A fresh report window for every click: it writes the report of the
    // entries as they are now and is released when it has closed.
    TReportForm form(model_);
    form.ShowModal();
}

} // namespace qv
