#include "app/MainUnit.h"

#include "app/AppContext.h"
#include "app/AutostartView.h"
#include "app/Backup.h"
#include "app/LanguageTable.h"
#include "app/res/art.h"
#include "autostart/AutostartEntry.h"
#include "autostart/Inactive.h"
#include "autostart/Scanner.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "database/KnownEntries.h"
#include "process/FunctionUnit.h"
#include "ui/Dialogs.h"

#include <algorithm>
#include <string>

namespace qv {

namespace {

const wchar_t kClassName[] = L"TMainForm";

// The designed layout, in pixels.
constexpr int kFormWidth = 653, kFormHeight = 558;
constexpr COLORREF kFormColor = RGB(0xF5, 0xF5, 0xF5);
constexpr COLORREF kGreyText = RGB(0x51, 0x51, 0x51);
constexpr int kBorder = 5;
constexpr int kTopHeight = 81;
constexpr int kBottomHeight = 53;
constexpr int kPageInset = 3;
constexpr int kMenuWidth = 148;
constexpr int kSelectBoxHeight = 53;
constexpr int kGuardBtnWidth = 149, kGuardBtnHeight = 33;
constexpr int kHelpBtnWidth = 157, kHelpBtnHeight = 25;

// The refresh buttons carry the tag of the design; their click asks for a
// forced refresh directly.
constexpr int kRefreshTag = 999;

// Which line of the language table goes onto which control.
enum class Prop { Caption, Hint };
struct LanguageTarget {
    Lng line;
    const char* control;
    Prop prop;
};
// Tabs and the menu items are handled apart; controls of pages that do not
// exist yet are skipped by name.
constexpr LanguageTarget kLanguageTargets[] = {
    {Lng::QVGuardBtnCaption, "QVGuardBtn", Prop::Caption},
    {Lng::QVGuardBtnHint, "QVGuardBtn", Prop::Hint},
    {Lng::HelpBtnCaption, "HelpBtn", Prop::Caption},
    {Lng::HelpBtnHint, "HelpBtn", Prop::Hint},
    {Lng::ASRefreshBtnCaption, "ASRefreshBtn", Prop::Caption},
    {Lng::ASRefreshBtnHint, "ASRefreshBtn", Prop::Hint},
    {Lng::SelectASBoxCaption, "SelectASBox", Prop::Caption},
    {Lng::ASListBoxDesignCaption, "ASListBox", Prop::Caption},
    {Lng::ASWriteProtectChkCaption, "ASWriteProtectChk", Prop::Caption},
    {Lng::ASWriteProtectChkHint, "ASWriteProtectChk", Prop::Hint},
    {Lng::ASEditBtnCaption, "ASEditBtn", Prop::Caption},
    {Lng::ASEditBtnHint, "ASEditBtn", Prop::Hint},
    {Lng::ASEditorBtnCaption, "ASEditorBtn", Prop::Caption},
    {Lng::ASEditorBtnHint, "ASEditorBtn", Prop::Hint},
    {Lng::ASDelBtnCaption, "ASDelBtn", Prop::Caption},
    {Lng::ASDelBtnHint, "ASDelBtn", Prop::Hint},
    {Lng::AddEntryToDBBtnCaption, "AddEntryToDBBtn", Prop::Caption},
    {Lng::AddEntryToDBBtnHint, "AddEntryToDBBtn", Prop::Hint},
    {Lng::DelEntryFromDBBtnCaption, "DelEntryFromDBBtn", Prop::Caption},
    {Lng::DelEntryFromDBBtnHint, "DelEntryFromDBBtn", Prop::Hint},
    {Lng::ReportBtnCaption, "ReportBtn", Prop::Caption},
    {Lng::ReportBtnHint, "ReportBtn", Prop::Hint},
    {Lng::ProcSurvBoxDesignCaption, "ProcSurvBox", Prop::Caption},
    {Lng::ProcRefreshBtnCaption, "ProcRefreshBtn", Prop::Caption},
    {Lng::ProcRefreshBtnHint, "ProcRefreshBtn", Prop::Hint},
    {Lng::ProcKillBtnCaption, "ProcKillBtn", Prop::Caption},
    {Lng::ProcKillBtnHint, "ProcKillBtn", Prop::Hint},
    {Lng::ProcInfoBtnCaption, "ProcInfoBtn", Prop::Caption},
    {Lng::ProcInfoBtnHint, "ProcInfoBtn", Prop::Hint},
    {Lng::SwitchSurvBtnCaption, "SwitchSurvBtn", Prop::Caption},
    {Lng::SwitchSurvBtnHint, "SwitchSurvBtn", Prop::Hint},
    {Lng::AddSurvBtnCaption, "AddSurvBtn", Prop::Caption},
    {Lng::AddSurvBtnHint, "AddSurvBtn", Prop::Hint},
    {Lng::FinishSurvBtnCaption, "FinishSurvBtn", Prop::Caption},
    {Lng::FinishSurvBtnHint, "FinishSurvBtn", Prop::Hint},
    {Lng::SurvSelectAllChkCaption, "SurvSelectAllChk", Prop::Caption},
    {Lng::SurvSelectAllChkHint, "SurvSelectAllChk", Prop::Hint},
    {Lng::CPLblCaption, "CPLbl", Prop::Caption},
    {Lng::QVUpdateBtnCaption, "QVUpdateBtn", Prop::Caption},
    {Lng::QVUpdateBtnHint, "QVUpdateBtn", Prop::Hint},
};

BitmapHandle LoadBitmapResource(int id) {
    return BitmapHandle(
        static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

IconHandle LoadSmallIcon(int id) {
    return IconHandle(static_cast<HICON>(::LoadImageW(
        ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
}

} // namespace

TMainForm::TMainForm() : OpenDocument([](const std::string& path) { ShellOpen(path); }) {}

TMainForm::~TMainForm() {
    if (Handle()) SetDialogOwner(nullptr);
    // The controls are members of this class: the windows go while they live.
    Destroy();
}

bool TMainForm::Create(const std::string& appDir, bool show) {
    appDirOverride_ = appDir;
    if (!FormCreate()) {
        Destroy();
        return false;
    }
    // The designed size needs no WM_SIZE to be laid out.
    RunGuarded([this] { OnResize(); });
    if (show) {
        ::ShowWindow(Handle(), SW_SHOWNORMAL);
        ::UpdateWindow(Handle());
    }
    return true;
}

// ---- Creation ---------------------------------------------------------------

void TMainForm::CreateControls() {
    CreateFrame(kClassName, kAppTitle, kFormWidth, kFormHeight, kFormColor, {L"MS Sans Serif", 11});
    arial9_ = ui::CreateFontHandle({L"Arial", 9});
    arialBold12_ = ui::CreateFontHandle({L"Arial", 12, true});
    comboFont_ = ui::CreateFontHandle({L"Arial", 12, true, true});

    // Top strip with the banner.
    Add(AdTopPnl, {.name = "AdTopPnl", .height = kTopHeight});
    Add(AdImg, {.name = "AdImg",
                .parent = &AdTopPnl,
                .top = 10,
                .width = 468,
                .height = 60,
                .style = SS_NOTIFY});
    AdImg.Cursor = ::LoadCursorW(nullptr, (LPCWSTR)IDC_HAND);

    // Bottom strip: banner, status line, guard button and its label.
    Add(BottomPnl, {.name = "BottomPnl", .height = kBottomHeight});
    Add(QVBanner, {.name = "QVBanner", .parent = &BottomPnl, .top = 2, .width = 370, .height = 39});
    Add(StatusLbl, {.name = "StatusLbl",
                    .parent = &BottomPnl,
                    .left = 3,
                    .top = 42,
                    .width = 362,
                    .height = 11});
    StatusLbl.SetFont(arial9_.get());
    StatusLbl.TextColor = kGreyText;
    Add(QVGuardBtn, {.name = "QVGuardBtn",
                     .parent = &BottomPnl,
                     .top = 2,
                     .width = kGuardBtnWidth,
                     .height = kGuardBtnHeight,
                     .caption = "Quorvik W\xE4"
                                "chter"});
    QVGuardBtn.SetFont(arialBold12_.get());
    Add(QVGuardLbl, {.name = "QVGuardLbl",
                     .parent = &BottomPnl,
                     .top = 38,
                     .width = kGuardBtnWidth,
                     .height = 12,
                     .style = SS_RIGHT});
    QVGuardLbl.SetFont(arial9_.get());
    QVGuardLbl.TextColor = kGreyText;

    // The tab control with the help button on its tab row and the pages.
    Add(Tab,
        {.name = "Tab", .style = TCS_BUTTONS | TCS_FLATBUTTONS | TCS_HOTTRACK | TCS_FOCUSNEVER});
    Tab.SetFont(arialBold12_.get());
    Tab.AddTab("1");
    Tab.AddTab("2");
    Tab.AddTab("3");
    Add(HelpBtn, {.name = "HelpBtn",
                  .parent = &Tab,
                  .width = kHelpBtnWidth,
                  .height = kHelpBtnHeight,
                  .caption = "Handbuch anzeigen (F1)"});
    Add(PagePnl0, {.name = "PagePnl0", .parent = &Tab});
    Add(PagePnl1, {.name = "PagePnl1", .parent = &Tab});
    Add(PagePnl2, {.name = "PagePnl2", .parent = &Tab});

    // Autostart page: the button column at the right.
    Add(Page0MenuPnl, {.name = "Page0MenuPnl", .parent = &PagePnl0, .width = kMenuWidth});
    Add(ASRefreshBtn, {.name = "ASRefreshBtn",
                       .parent = &Page0MenuPnl,
                       .left = 8,
                       .top = 8,
                       .width = 132,
                       .height = 25,
                       .caption = "Aktualisieren",
                       .tag = kRefreshTag});
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
    Add(ASEditBtn, {.name = "ASEditBtn",
                    .parent = &ASProtectPnl,
                    .left = 8,
                    .top = 30,
                    .width = 116,
                    .height = 25,
                    .caption = "\xC4ndern",
                    .style = WS_DISABLED});
    Add(ASEditorBtn, {.name = "ASEditorBtn",
                      .parent = &ASProtectPnl,
                      .left = 8,
                      .top = 59,
                      .width = 116,
                      .height = 25,
                      .caption = "Editor",
                      .style = WS_DISABLED});
    Add(ASDelBtn, {.name = "ASDelBtn",
                   .parent = &ASProtectPnl,
                   .left = 8,
                   .top = 88,
                   .width = 116,
                   .height = 25,
                   .caption = "L\xF6schen",
                   .style = WS_DISABLED});
    // The tag tells the shared click handler which menu to open.
    Add(AddEntryToDBBtn, {.name = "AddEntryToDBBtn",
                          .parent = &Page0MenuPnl,
                          .left = 8,
                          .top = 170,
                          .width = 132,
                          .height = 25,
                          .caption = "In Datenbank",
                          .tag = 0});
    Add(DelEntryFromDBBtn, {.name = "DelEntryFromDBBtn",
                            .parent = &Page0MenuPnl,
                            .left = 8,
                            .top = 199,
                            .width = 132,
                            .height = 25,
                            .caption = "Aus Datenbank",
                            .tag = 1});
    Add(ReportBtn, {.name = "ReportBtn",
                    .parent = &Page0MenuPnl,
                    .left = 8,
                    .top = 236,
                    .width = 132,
                    .height = 25,
                    .caption = "Report"});

    // Autostart page: group choice along the top, the list below.
    Add(SelectASBox, {.name = "SelectASBox",
                      .parent = &PagePnl0,
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
    SelectASGroupCombo.SetFont(comboFont_.get());
    ::SendMessageW(SelectASGroupCombo.Handle(), CB_SETMINVISIBLE, 10, 0);
    Add(ASListBox,
        {.name = "ASListBox", .parent = &PagePnl0, .top = kSelectBoxHeight, .caption = "Inhalt"});
    ASListBox.TextColor = kGreyText;
    Add(ASList,
        {.name = "ASList", .parent = &ASListBox, .left = 6, .top = 16, .style = LVS_SINGLESEL});
    ASList.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB |
                            LVS_EX_DOUBLEBUFFER);
    ASList.AddColumn(100);
    ASList.AddColumn(100);

    CreateProcessPage();
    // System information and about block.
    CreateInfoPage();

    // The known and unknown marks, and the two popup menus.
    ASEIconList.Create(16, 16, 2);
    ASPM1.Create();
    ASPM1.AddItem(1, "&Alle", true, true);
    ASPM1.AddItem(2, "Ausge&w\xE4hlt", false, false);
    ASPM2.Create();
    ASPM2.AddItem(3, "&Alle", true, true);
    ASPM2.AddItem(4, "Ausge&w\xE4hlt", false, false);
    LoadArtwork();
    ASList.SetImageList(ASEIconList.Handle());

    BindEvents();
    SetDialogOwner(Handle());
}

void TMainForm::LoadArtwork() {
    AdImg.SetBitmap(LoadBitmapResource(IDB_ADBANNER));
    QVBanner.SetBitmap(LoadBitmapResource(IDB_QVBANNER));
    // Image 0 marks an unknown entry, image 1 a known one.
    for (int id : {IDI_ENTRY_UNKNOWN, IDI_ENTRY_KNOWN}) {
        IconHandle icon = LoadSmallIcon(id);
        if (icon) ASEIconList.AddIcon(icon.get());
    }
}

void TMainForm::BindEvents() {
    using ui::Event;
    On(Tab, Event::Change, [this](auto&) { TabChange(); });
    On(ASRefreshBtn, Event::Click, [this](auto&) { ASRefreshBtnClick(); });
    On(HelpBtn, Event::Click, [this](auto&) { HelpBtnClick(); });
    On(SelectASGroupCombo, Event::Change, [this](auto&) { SelectASGroupComboChange(); });
    On(ASList, Event::Click, [this](auto&) { ASListClick(); });
    On(ASList, Event::MouseDown, [this](const ui::EventArgs& a) { ASListMouseDown(a); });
    On(ASWriteProtectChk, Event::Click, [this](auto&) { ASListClick(); });
    On(AddEntryToDBBtn, Event::Click, [this](auto&) { AddEntryToDBBtnClick(AddEntryToDBBtn); });
    On(DelEntryFromDBBtn, Event::Click, [this](auto&) { AddEntryToDBBtnClick(DelEntryFromDBBtn); });
    On(ASEditBtn, Event::Click, [this](auto&) { ASEditBtnClick(); });
    On(ASDelBtn, Event::Click, [this](auto&) { ASDelBtnClick(); });
    On(ASEditorBtn, Event::Click, [this](auto&) { ASEditorBtnClick(); });
    On(ReportBtn, Event::Click, [this](auto&) { ReportBtnClick(); });
    BindProcessPage();
    BindInfoPageEvents();
}

// ---- Start-up ---------------------------------------------------------------

bool TMainForm::FormCreate() {
    // 1. Where the program and its data files live.
    AppDir = appDirOverride_.empty() ? ExecutableDir() : appDirOverride_;
    if (!AppDir.empty() && AppDir.back() != '\\') AppDir += '\\';
    if (!Guard) Guard = MakeSystemGuardControl(AppDir);
    // 2. Nothing may happen without the language file; this message is the
    //    one text that cannot come from it.
    if (!FileExists(AppDir + "qv6.lng")) {
        MessageDlg({"Language file not found. Please reinstall Quorvik 6!", kAppTitle,
                    MsgKind::Error, BtnOk});
        return false;
    }
    CreateControls();
    if (!Handle()) return false;
    // 3. and 4. Applying the captions lays the window out for them.
    LanguageTable.LoadFromBytes(ReadFileBytes(AppDir + "qv6.lng").value_or(std::string()));
    RunGuarded([this] { ApplyLanguage(); });
    // 5. The nine groups.
    SelectASGroupCombo.Clear();
    for (int group = 0; group < kGroupCount; ++group)
        SelectASGroupCombo.Add(LanguageTable[GroupName(GroupOfByte(static_cast<uint8_t>(group)))]);
    // 6. to 9. Each step runs even when an earlier one failed: a broken
    //    source must not keep the data files from loading.
    RunGuarded([] { ScanAutostarts(LanguageTable[Lng::ExplorerCaption]); });
    RunGuarded([] { BackupStartupFolders(AppDir); });
    RunGuarded([] { LoadKnownEntries(AppDir); });
    RunGuarded([] { LoadInactiveEntries(); });
    // 10. First page; the list is filled already, so no second scan.
    Tab.SetTabIndex(0);
    RunGuarded([this] { TabChange(); });
    // 11. Group 0.
    SelectASGroupCombo.SetItemIndex(GroupByte(AutostartGroup::RunKeys));
    RunGuarded([this] { SelectASGroupComboChange(); });
    // 12. Whether the guard runs, on its button and label.
    RunGuarded([this] { ShowGuardState(); });
    return true;
}

void TMainForm::ApplyLanguage() {
    for (const LanguageTarget& t : kLanguageTargets) {
        ui::Control* c = FindComponent(t.control);
        if (!c) continue;
        if (t.prop == Prop::Caption)
            c->SetCaption(LanguageTable[t.line]);
        else
            SetHint(*c, LanguageTable[t.line]);
    }
    for (int i = 0; i < 3; ++i)
        Tab.SetTabCaption(i, LanguageTable[TabCaption(i)]);
    for (ui::PopupMenu* menu : {&ASPM1, &ASPM2}) {
        menu->SetItemCaption(0, LanguageTable[Lng::MenuAllCaption]);
        menu->SetItemCaption(1, LanguageTable[Lng::MenuSelectedCaption]);
    }
    // The tab row's height may have changed with the captions.
    AlignControls();
}

// ---- Pages ------------------------------------------------------------------

void TMainForm::TabChange(bool force) {
    int index = Tab.TabIndex();
    if (ui::Control* page = FindComponent("PagePnl" + std::to_string(index))) page->BringToFront();
    // The tabs in their order: PagePnl0, PagePnl1, PagePnl2.
    enum Page { AutostartPage = 0, ProcessPage = 1, InfoPage = 2 };
    switch (index) {
    case AutostartPage:
        RefreshAutostarts(force);
        break;
    case ProcessPage:
        RefreshProcessPage(force);
        break;
    case InfoPage:
        RefreshSystemInfo();
        break;
    default:
        break;
    }
}

void TMainForm::ASRefreshBtnClick() {
    TabChange(true);
}

void TMainForm::RefreshAutostarts(bool force) {
    if (!force && !ASEntries.empty()) return;
    // A failing step is reported on its own; the list is refilled regardless.
    RunGuarded([] { ScanAutostarts(LanguageTable[Lng::ExplorerCaption]); });
    RunGuarded([] { LoadInactiveEntries(); });
    SelectASGroupComboChange();
}

void TMainForm::Status(const std::string& text) {
    StatusLbl.SetCaption(text);
}

void TMainForm::FormKeyDown(WORD key) {
    // The key is not consumed: the focused control still gets it.
    if (key == VK_F1) HelpBtnClick();
}

void TMainForm::HelpBtnClick() {
    // Whether the manual exists or anything can open it is not reported.
    if (OpenDocument) OpenDocument(AppDir + "Hilfe/handbuch.html");
}

// ---- Layout -----------------------------------------------------------------

void TMainForm::AlignControls() {
    if (!Tab.Handle()) return;
    int cw = ClientWidth(), ch = ClientHeight();
    int inner = std::max(cw - 2 * kBorder, 0);
    AdTopPnl.SetBounds(kBorder, kBorder, inner, kTopHeight);
    BottomPnl.SetBounds(kBorder, ch - kBorder - kBottomHeight, inner, kBottomHeight);
    Tab.SetBounds(kBorder, kBorder + kTopHeight, inner,
                  std::max(ch - 2 * kBorder - kTopHeight - kBottomHeight, 0));
    AdImg.SetBounds(AdImg.Left(), (kTopHeight - 60) / 2, 468, 60);
    QVGuardBtn.SetBounds(QVGuardBtn.Left(), 2, kGuardBtnWidth, kGuardBtnHeight);

    // Each page fills the tab's display area, 3 pixels inside.
    RECT d = Tab.DisplayRect();
    int pw = std::max(int(d.right - d.left) - 2 * kPageInset, 0);
    int ph = std::max(int(d.bottom - d.top) - 2 * kPageInset, 0);
    for (ui::Panel* page : {&PagePnl0, &PagePnl1, &PagePnl2})
        page->SetBounds(d.left + kPageInset, d.top + kPageInset, pw, ph);
    HelpBtn.SetBounds(HelpBtn.Left(), 0, kHelpBtnWidth, std::min<int>(kHelpBtnHeight, d.top));

    // Autostart page: the button column right, the group choice on top, the
    // list filling the rest.
    int left = std::max(pw - kMenuWidth, 0);
    Page0MenuPnl.SetBounds(left, 0, kMenuWidth, ph);
    SelectASBox.SetBounds(0, 0, left - 4, kSelectBoxHeight);
    ASListBox.SetBounds(0, kSelectBoxHeight + 2, left - 4, std::max(ph - kSelectBoxHeight - 2, 0));
    ASList.SetBounds(8, 18, std::max(ASListBox.ClientWidth() - 16, 0),
                     std::max(ASListBox.ClientHeight() - 26, 0));
    SelectASGroupCombo.SetBounds(4, 19, SelectASGroupCombo.Width(), 220);

    AlignProcessPage();
    AlignInfoPage(pw, ph);
}

void TMainForm::OnResize() {
    AlignControls();
    FormResize();
}

void TMainForm::FormResize() {
    if (!Tab.Handle()) return;
    ResizeInput in;
    in.adTopClientWidth = AdTopPnl.ClientWidth();
    in.adImgWidth = AdImg.Width();
    in.selectBoxClientWidth = SelectASBox.ClientWidth();
    in.asListClientWidth = ASList.ClientWidth();
    in.asListColumns = ASList.ColumnCount();
    in.procBoxClientWidth = ProcBox.ClientWidth();
    in.bottomClientWidth = BottomPnl.ClientWidth();
    in.guardBtnWidth = QVGuardBtn.Width();
    in.guardLblWidth = QVGuardLbl.Width();
    in.tabClientWidth = Tab.ClientWidth();
    in.helpBtnWidth = HelpBtn.Width();
    ResizeOutput out = ComputeResize(in);
    AdImg.SetLeft(out.adImgLeft);
    SelectASGroupCombo.SetWidth(out.comboWidth);
    for (int c = 0; c < in.asListColumns; ++c)
        ASList.SetColumnWidth(c, out.asColumnWidth);
    ProcList.SetColumnWidth(0, out.procColumnWidth);
    QVGuardBtn.SetLeft(out.guardBtnLeft);
    QVGuardLbl.SetLeft(out.guardLblLeft);
    HelpBtn.SetLeft(out.helpBtnLeft);
}

// ---- Autostart page -----------------------------------------------------------

void TMainForm::SelectASGroupComboChange() {
    ASList.BeginUpdate();
    ASList.Clear();
    ASListIndex.clear();
    // The known-entries lookup is indexed, so one lookup per row stays cheap.
    std::vector<ASListRow> rows =
        BuildASListRows(ASEntries, SelectASGroupCombo.ItemIndex(),
                        [](const AutostartEntry& e) { return FindKnownEntry(e, false) >= 0; });
    ASListIndex.reserve(rows.size());
    for (const ASListRow& row : rows) {
        ASList.AddItem(row.entry->Caption.view(), row.entry->Detail.view(), row.checked, row.image);
        ASListIndex.push_back(row.index);
    }
    ASList.EndUpdate();
    ASListBox.SetCaption(
        LanguageTable.Format(Lng::ASListBoxCaption, {std::to_string(ASList.Count())}));
    // No row is selected after a refill.
    ASEditBtn.SetEnabled(false);
    ASEditorBtn.SetEnabled(false);
    ASDelBtn.SetEnabled(false);
}

void TMainForm::ASListClick() {
    int row = ASList.Selected();
    if (row < 0 || static_cast<size_t>(row) >= ASListIndex.size()) return;
    size_t index = ASListIndex[static_cast<size_t>(row)];
    if (index >= ASEntries.size()) return;
    EntryButtons b = EntryButtonState(ASEntries[index], ASWriteProtectChk.Checked());
    ASDelBtn.SetEnabled(b.del);
    ASEditBtn.SetEnabled(b.edit);
    ASEditorBtn.SetEnabled(b.editor);
}

void TMainForm::ASListMouseDown(const ui::EventArgs& args) {
    int row = ASList.RowAt(args.pt);
    if (row < 0 || static_cast<size_t>(row) >= ASListIndex.size()) return;
    ASList.Select(row);
    // A click on the check box has toggled the mark already; a mark that no
    // longer matches its entry's Active asks for a change of state.
    CheckMarkOutcome out =
        OnEntryCheckMark(AppDir, ASListIndex[static_cast<size_t>(row)], ASList.Checked(row));
    if (out.setCheck) ASList.SetChecked(row, *out.setCheck);
    if (out.error) ReportException(AppError(*out.error));
    if (out.failure) ShowMessage(ShownText(LanguageTable, *out.failure));
    ASListClick();
}

} // namespace qv
