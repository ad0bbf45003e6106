// The process page: the list of running processes, ending the ticked ones,
// the information dialog and the surveillance list below the processes. What
// they show is decided by the process logic; this file only copies it onto
// the controls and asks the questions.
#include "app/ProcessesPage.h"

#include "app/Design.h"
#include "app/MainUnit.h"
#include "app/PageLanguage.h"

#include "base/Text.h"
#include "history/HistoryStore.h"
#include "model/AppModel.h"
#include "process/ProcInfoUnit.h"
#include "process/ProcessIcons.h"
#include "process/SurveillanceFile.h"
#include "ui/Dialogs.h"

#include <algorithm>
#include <array>

namespace qv {

namespace {

// The processes that ended go into the history, though nothing brings them
// back: the user sees there what was ended and when.
void RecordEndedProcesses(const std::string& appDir, const std::vector<ProcessRow>& rows,
                          const std::vector<bool>& ticked, const std::optional<Failure>& failed) {
    if (appDir.empty()) return;
    ChangeRecord record;
    record.kind = ChangeKind::ProcessEnded;
    for (size_t i = 0; i < rows.size() && i < ticked.size(); ++i) {
        if (!ticked[i]) continue;
        const ProcessRow& row = rows[i];
        if (failed &&
            std::ranges::count(failed->items, KillFailureText(row.caption, row.processId)) > 0)
            continue;
        ChangeTouch t;
        t.what = TouchWhat::Process;
        t.place = row.caption;
        t.name = std::to_string(row.processId);
        t.before.exists = true;
        if (!record.caption.empty()) record.caption += ", ";
        record.caption += ExtractFileName(row.caption);
        record.touches.push_back(std::move(t));
    }
    if (!record.touches.empty()) RecordChange(appDir, std::move(record));
}

using design::kGreyText;
using design::kMenuWidth;
using design::kRefreshTag;

// The layout of the page, in pixels. The button column is the autostart
// page's.
constexpr int kButtonLeft = 8, kButtonWidth = 132, kButtonHeight = 25;
constexpr int kSplitterHeight = 5;
// The surveillance box's height when first shown, and the least that the
// splitter leaves to it and to the process box.
constexpr int kSurvHeight = 140;
constexpr int kMinBoxHeight = 60;

// What SwitchSurvBtn shows and hides.
std::array<ui::Control*, 5> SurveillanceControls(TProcessesPage& f) {
    return {&f.ProcSurvBox, &f.SurvSplitter, &f.AddSurvBtn, &f.FinishSurvBtn, &f.SurvSelectAllChk};
}

} // namespace

// ---- Creation ---------------------------------------------------------------

TProcessesPage::TProcessesPage(TMainForm& form, AppModel& model, ui::Panel& sheet)
    : ui::Page(form), main_(form), model_(model), sheet_(sheet) {
    CreateControls(sheet);
    BindEvents();
    subscription_ = model_.Subscribe([this](ModelChange change) { ModelChanged(change); });
}

void TProcessesPage::ModelChanged(ModelChange change) {
    if (change == ModelChange::Processes)
        ShowProcesses();
    else if (change == ModelChange::Language)
        ApplyLanguage();
}

void TProcessesPage::CreateControls(ui::Panel& sheet) {
    survHeight_ = S(kSurvHeight);
    auto button = [this](ui::Button& b, const char* name, int top, std::string_view caption,
                         int tag = 0) {
        Add(b, {.name = name,
                .parent = &Page1MenuPnl,
                .left = kButtonLeft,
                .top = top,
                .width = kButtonWidth,
                .height = kButtonHeight,
                .caption = caption,
                .tag = tag});
    };
    Add(Page1MenuPnl, {.name = "Page1MenuPnl", .parent = &sheet, .width = kMenuWidth});
    button(ProcRefreshBtn, "ProcRefreshBtn", 8, "Aktualisieren", kRefreshTag);
    button(ProcKillBtn, "ProcKillBtn", 41, "Prozesse beenden");
    button(ProcInfoBtn, "ProcInfoBtn", 70, "Prozessinfo");
    button(SwitchSurvBtn, "SwitchSurvBtn", 107,
           "\xDC"
           "berwachung");
    button(AddSurvBtn, "AddSurvBtn", 136, "Hinzuf\xFCgen");
    button(FinishSurvBtn, "FinishSurvBtn", 165, "Entfernen");
    Add(SurvSelectAllChk, {.name = "SurvSelectAllChk",
                           .parent = &Page1MenuPnl,
                           .left = kButtonLeft + 2,
                           .top = 196,
                           .width = kButtonWidth - 2,
                           .height = 17,
                           .caption = "Alle w\xE4hlen"});
    SurvSelectAllChk.TextColor = kGreyText;

    Add(Page1MainPnl, {.name = "Page1MainPnl", .parent = &sheet});
    Add(ProcBox, {.name = "ProcBox", .parent = &Page1MainPnl, .caption = "Prozesse"});
    ProcBox.TextColor = kGreyText;
    Add(ProcList,
        {.name = "ProcList", .parent = &ProcBox, .left = 8, .top = 18, .style = LVS_SINGLESEL});
    ProcList.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB |
                              LVS_EX_DOUBLEBUFFER);
    ProcList.AddColumn(100);
    ProcList.AutoDrag = true;
    Add(SurvSplitter, {.name = "SurvSplitter", .parent = &Page1MainPnl, .height = kSplitterHeight});
    Add(ProcSurvBox, {.name = "ProcSurvBox",
                      .parent = &Page1MainPnl,
                      .caption = "\xDC"
                                 "berwachung"});
    ProcSurvBox.TextColor = kGreyText;
    Add(ProcSurvList, {.name = "ProcSurvList", .parent = &ProcSurvBox, .left = 8, .top = 18});

    // The surveillance controls show only while SwitchSurvBtn is pressed.
    for (ui::Control* c : SurveillanceControls(*this))
        c->SetVisible(false);

    // One small icon per distinct file of the rows.
    IconList.Create(S(16), S(16), 64);
    ProcList.SetImageList(IconList.Handle());
    // The lists first, then the button column at the right.
    Page1MenuPnl.SendToBack();
}

void TProcessesPage::BindEvents() {
    using ui::Event;
    On(ProcRefreshBtn, Event::Click, [this](auto&) { ProcRefreshBtnClick(); });
    On(ProcKillBtn, Event::Click, [this](auto&) { ProcKillBtnClick(); });
    On(ProcInfoBtn, Event::Click, [this](auto&) { ProcInfoBtnClick(); });
    On(SwitchSurvBtn, Event::Click, [this](auto&) { SwitchSurvbtnClick(); });
    On(AddSurvBtn, Event::Click, [this](auto&) { AddSurvBtnClick(); });
    On(FinishSurvBtn, Event::Click, [this](auto&) { FinishSurvBtnClick(); });
    On(SurvSelectAllChk, Event::Click, [this](auto&) { SurvSelectAllChkClick(); });
    On(ProcSurvList, Event::ItemCheck,
       [this](const ui::EventArgs& a) { ProcSurvListClickCheck(a.item); });
    OnDragOver(ProcSurvList,
               [this](const ui::Control& source) { return ProcSurvListDragOver(source); });
    OnDragDrop(ProcSurvList, [this](const ui::Control&, POINT) { ProcSurvListDragDrop(); });
    On(SurvSplitter, Event::MouseDown, [this](auto&) { survHeightAtPress_ = survHeight_; });
    On(SurvSplitter, Event::Change,
       [this](const ui::EventArgs& a) { SurvSplitterMoved(static_cast<int>(a.pt.y)); });
}

bool TProcessesPage::KeyDown(WORD key, HWND target, bool ctrl) {
    const bool surveillance = SwitchSurvBtn.Down();
    if (target == ProcList.Handle() && key == VK_RETURN) {
        ProcInfoBtnClick();
        return true;
    }
    if (target == ProcList.Handle() && key == VK_INSERT && surveillance) {
        ProcSurvListDragDrop();
        return true;
    }
    if (target == ProcSurvList.Handle() && key == VK_DELETE) {
        bool ticked = false;
        for (size_t i = 0; i < surv_.Count(); ++i)
            ticked = ticked || surv_.Ticked(i);
        const int focused = ProcSurvList.FocusedRow();
        if (!ticked && focused >= 0) {
            surv_.SetTicked(size_t(focused), true);
            ProcSurvList.SetChecked(focused, true);
        }
        FinishSurvBtnClick();
        return true;
    }
    if (ctrl && key == 'A' && surveillance) {
        SurvSelectAllChk.SetChecked(true);
        SurvSelectAllChkClick();
        return true;
    }
    return false;
}

void TProcessesPage::ApplyLanguage() {
    const LanguageTarget targets[] = {
        {&ProcSurvBox, Lng::ProcSurvBoxDesignCaption, Prop::Caption},
        {&ProcRefreshBtn, Lng::ProcRefreshBtnCaption, Prop::Caption},
        {&ProcRefreshBtn, Lng::ProcRefreshBtnHint, Prop::Hint},
        {&ProcKillBtn, Lng::ProcKillBtnCaption, Prop::Caption},
        {&ProcKillBtn, Lng::ProcKillBtnHint, Prop::Hint},
        {&ProcInfoBtn, Lng::ProcInfoBtnCaption, Prop::Caption},
        {&ProcInfoBtn, Lng::ProcInfoBtnHint, Prop::Hint},
        {&SwitchSurvBtn, Lng::SwitchSurvBtnCaption, Prop::Caption},
        {&SwitchSurvBtn, Lng::SwitchSurvBtnHint, Prop::Hint},
        {&AddSurvBtn, Lng::AddSurvBtnCaption, Prop::Caption},
        {&AddSurvBtn, Lng::AddSurvBtnHint, Prop::Hint},
        {&FinishSurvBtn, Lng::FinishSurvBtnCaption, Prop::Caption},
        {&FinishSurvBtn, Lng::FinishSurvBtnHint, Prop::Hint},
        {&SurvSelectAllChk, Lng::SurvSelectAllChkCaption, Prop::Caption},
        {&SurvSelectAllChk, Lng::SurvSelectAllChkHint, Prop::Hint},
    };
    ApplyLanguageTargets(Owner(), model_.LanguageTable, targets);
    // The bar that the keyboard reaches is named by the box it sizes.
    SurvSplitter.SetAccessibleName(model_.LanguageTable[Lng::ProcSurvBoxDesignCaption]);
}

// ---- Layout -----------------------------------------------------------------

void TProcessesPage::Align(int, int) {
    AlignParts();
}

void TProcessesPage::AlignParts() {
    const int pw = sheet_.ClientWidth(), ph = sheet_.ClientHeight();
    const int menu = S(kMenuWidth), split = S(kSplitterHeight), least = S(kMinBoxHeight);
    const int left = std::max(pw - menu, 0);
    Page1MenuPnl.SetBounds(left, 0, menu, ph);
    const int w = std::max(left - S(4), 0);
    Page1MainPnl.SetBounds(0, 0, w, ph);

    // Neither box shrinks below its least height, the process box keeping
    // its own first when the page is too low for both. The surveillance box
    // is placed even while hidden, so that it shows at once in its place.
    int surv = std::clamp(survHeight_, least, std::max(ph - split - least, least));
    surv = std::min(surv, std::max(ph - split, 0));
    const int above = std::max(ph - surv - split, 0);
    SurvSplitter.SetBounds(0, above, w, split);
    ProcSurvBox.SetBounds(0, above + split, w, surv);
    ProcSurvList.SetBounds(S(8), S(18), std::max(ProcSurvBox.ClientWidth() - S(16), 0),
                           std::max(ProcSurvBox.ClientHeight() - S(26), 0));
    ProcBox.SetBounds(0, 0, w, ProcSurvBox.VisibleStyle() ? above : ph);
    ProcList.SetBounds(S(8), S(18), std::max(ProcBox.ClientWidth() - S(16), 0),
                       std::max(ProcBox.ClientHeight() - S(26), 0));
}

void TProcessesPage::SurvSplitterMoved(int distance) {
    // Pulled up, the surveillance box grows.
    survHeight_ = std::clamp(
        survHeightAtPress_ - distance, S(kMinBoxHeight),
        std::max(sheet_.ClientHeight() - S(kSplitterHeight) - S(kMinBoxHeight), S(kMinBoxHeight)));
    AlignParts();
}

// ---- Process list -----------------------------------------------------------

void TProcessesPage::RefreshProcessPage(bool force) {
    if (!ProcessPageNeedsFill(force, model_.ProcessTable.size(),
                              static_cast<size_t>(ProcList.Count())))
        return;
    if (main_.ProcSource) {
        BuildProcessTable(model_, *main_.ProcSource);
    } else {
        SystemProcessSource source;
        BuildProcessTable(model_, source);
    }
    model_.Changed(ModelChange::Processes);
}

void TProcessesPage::DpiChanged() {
    // The icons again at the new size; the list takes the new list before
    // the old one goes.
    ui::ImageList icons;
    icons.Create(S(16), S(16), 64);
    ProcList.SetImageList(icons.Handle());
    IconList = std::move(icons);
    // The same rows again, with the ticks they had.
    std::vector<int> ticked;
    for (int r = 0; r < ProcList.Count(); ++r)
        if (ProcList.Checked(r)) ticked.push_back(r);
    const int rows = ProcList.Count();
    ShowProcesses();
    if (ProcList.Count() == rows)
        for (int r : ticked)
            ProcList.SetChecked(r, true);
}

void TProcessesPage::ShowProcesses() {
    ProcessPageContent page = ProcessPageContentOf(model_.ProcessTable, main_.Processes());
    RowIcons icons = LoadRowIcons(page.icons, S(16) > 16);

    ProcList.BeginUpdate();
    IconList.Clear();
    ProcList.Clear();
    // Where the image list refuses an icon the rows of that file show none,
    // and the later icons keep their rows.
    std::vector<int> image(icons.icons.size(), -1);
    for (size_t i = 0; i < icons.icons.size(); ++i)
        image[i] = IconList.AddIcon(icons.icons[i].get());
    for (size_t r = 0; r < page.rows.size(); ++r) {
        int icon = r < icons.rowImage.size() ? icons.rowImage[r] : -1;
        ProcList.AddItem(page.rows[r].caption, {}, false,
                         icon >= 0 && size_t(icon) < image.size() ? image[size_t(icon)] : -1);
    }
    ProcList.EndUpdate();
    procRows_ = std::move(page.rows);
    ProcBox.SetCaption(
        model_.LanguageTable.Format(Lng::ProcBoxCaption, {std::to_string(ProcList.Count())}));

    // A file that cannot be read is reported, and the list stays empty and
    // is never saved over it.
    RunGuarded([this] { LoadSurveillanceList(surv_, model_.AppDir); });
    ShowSurveillanceList();
    ShowSurveillanceCaption();
}

void TProcessesPage::ProcRefreshBtnClick() {
    main_.TabChange(true);
}

void TProcessesPage::ProcKillBtnClick() {
    if (ProcList.Count() == 0) return;
    if (!Confirm(model_.LanguageTable[Lng::KillQuestion])) return;
    std::vector<bool> ticked(procRows_.size(), false);
    for (size_t i = 0; i < ticked.size() && static_cast<int>(i) < ProcList.Count(); ++i)
        ticked[i] = ProcList.Checked(static_cast<int>(i));
    ProcessControl& control = main_.Processes();
    // Once more, and with Cancel at hand, before a process Windows cannot
    // run without is ended.
    if (AnyTickedCritical(procRows_, ticked, control) &&
        MessageDlg({model_.LanguageTable[Lng::KillCriticalQuestion], "Warnung", MsgKind::Warning,
                    BtnOk | BtnCancel, BtnCancel}) != MsgResult::Ok)
        return;

    main_.Status(model_.LanguageTable[Lng::KillStatus]);
    // The label is transparent: its strip repaints behind it first.
    RECT r = main_.StatusLbl.Bounds();
    ::RedrawWindow(main_.BottomPnl.Handle(), &r, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

    std::optional<Failure> failed = KillTickedProcesses(procRows_, ticked, control);
    RunGuarded([&] { RecordEndedProcesses(model_.AppDir, procRows_, ticked, failed); });
    RunGuarded([this] { RefreshProcessPage(true); });
    if (failed) ShowMessage(ShownText(model_.LanguageTable, *failed));
    main_.Status("");
}

void TProcessesPage::ProcInfoBtnClick() {
    int row = ProcList.Selected();
    if (row < 0 || static_cast<size_t>(row) >= procRows_.size()) return;
    TProcInfoForm form(model_.LanguageTable);
    form.Row = procRows_[static_cast<size_t>(row)];
    form.Signatures = &model_.Verifier();
    form.ShowModal();
}

// ---- Surveillance list ------------------------------------------------------------

void TProcessesPage::ShowSurveillanceList() {
    ProcSurvList.SetItems(surv_.Entries());
    for (size_t i = 0; i < surv_.Count(); ++i)
        if (surv_.Ticked(i)) ProcSurvList.SetChecked(static_cast<int>(i), true);
}

void TProcessesPage::ShowSurveillanceCaption() {
    ProcSurvBox.SetCaption(
        model_.LanguageTable.Format(Lng::ProcSurvBoxCaption, {std::to_string(surv_.Count())}));
}

bool TProcessesPage::SaveSurveillance() {
    return RunGuarded([this] { SaveSurveillanceList(surv_, model_.AppDir); });
}

void TProcessesPage::SwitchSurvbtnClick() {
    const bool shown = SwitchSurvBtn.Down();
    for (ui::Control* c : SurveillanceControls(*this))
        c->SetVisible(shown);
    AlignParts();
}

bool TProcessesPage::ProcSurvListDragOver(const ui::Control& source) const {
    return &source == &ProcList;
}

void TProcessesPage::ProcSurvListDragDrop() {
    int row = ProcList.Selected();
    if (row < 0 || static_cast<size_t>(row) >= procRows_.size()) return;
    if (surv_.AddDropped(procRows_[static_cast<size_t>(row)].caption)) {
        ShowSurveillanceList();
        // The list keeps the entry until the next fill reloads the file.
        if (!SaveSurveillance()) return;
    }
    ShowSurveillanceCaption();
}

void TProcessesPage::ProcSurvListClickCheck(int row) {
    if (row < 0) return;
    surv_.SetTicked(static_cast<size_t>(row), ProcSurvList.Checked(row));
}

void TProcessesPage::AddSurvBtnClick() {
    bool added =
        surv_.AddFiles(OpenFilesDialog({kSurveillanceDialogTitle, kSurveillanceDialogFilter,
                                        kSurveillanceDialogDefaultExt, "", true, true}));
    if (added) ShowSurveillanceList();
    ShowSurveillanceCaption();
    if (added) SaveSurveillance();
}

void TProcessesPage::FinishSurvBtnClick() {
    bool removed = surv_.Count() > 0 && surv_.RemoveTicked();
    if (removed) ShowSurveillanceList();
    ShowSurveillanceCaption();
    if (removed) SaveSurveillance();
}

void TProcessesPage::SurvSelectAllChkClick() {
    if (surv_.Count() == 0) return;
    const bool all = SurvSelectAllChk.Checked();
    surv_.TickAll(all);
    ProcSurvList.SetAllChecked(all);
}

} // namespace qv
