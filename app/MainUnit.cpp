#include "app/MainUnit.h"

#include "app/AppContext.h"
#include "app/AutostartView.h"
#include "app/Backup.h"
#include "app/LanguageTable.h"
#include "app/res/art.h"
#include "autostart/AutostartEntry.h"
#include "autostart/Inactive.h"
#include "autostart/Scanner.h"
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

// The refresh buttons' tag: a page change they cause is a forced refresh.
constexpr int kForceTag = 999;

constexpr DWORD kFlatButton = BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP;

// Which line of the language table goes onto which control.
enum class Prop { Caption, Hint };
struct LanguageTarget {
    int line;
    const char* control;
    Prop prop;
};
// Tabs (83 to 85) and the menu items (100, 101) are handled apart; controls
// of pages that do not exist yet are skipped by name.
constexpr LanguageTarget kLanguageTargets[] = {
    {77, "QVGuardBtn", Prop::Caption},        {78, "QVGuardBtn", Prop::Hint},
    {79, "HelpBtn", Prop::Caption},           {80, "HelpBtn", Prop::Hint},
    {81, "ASRefreshBtn", Prop::Caption},      {82, "ASRefreshBtn", Prop::Hint},
    {86, "SelectASBox", Prop::Caption},       {87, "ASListBox", Prop::Caption},
    {88, "ASWriteProtectChk", Prop::Caption}, {89, "ASWriteProtectChk", Prop::Hint},
    {90, "ASEditBtn", Prop::Caption},         {91, "ASEditBtn", Prop::Hint},
    {92, "ASEditorBtn", Prop::Caption},       {93, "ASEditorBtn", Prop::Hint},
    {94, "ASDelBtn", Prop::Caption},          {95, "ASDelBtn", Prop::Hint},
    {96, "AddEntryToDBBtn", Prop::Caption},   {97, "AddEntryToDBBtn", Prop::Hint},
    {98, "DelEntryFromDBBtn", Prop::Caption}, {99, "DelEntryFromDBBtn", Prop::Hint},
    {102, "ReportBtn", Prop::Caption},        {103, "ReportBtn", Prop::Hint},
    {104, "ProcSurvBox", Prop::Caption},      {105, "ProcRefreshBtn", Prop::Caption},
    {106, "ProcRefreshBtn", Prop::Hint},      {107, "ProcKillBtn", Prop::Caption},
    {108, "ProcKillBtn", Prop::Hint},         {109, "ProcInfoBtn", Prop::Caption},
    {110, "ProcInfoBtn", Prop::Hint},         {111, "SwitchSurvBtn", Prop::Caption},
    {112, "SwitchSurvBtn", Prop::Hint},       {113, "AddSurvBtn", Prop::Caption},
    {114, "AddSurvBtn", Prop::Hint},          {115, "FinishSurvBtn", Prop::Caption},
    {116, "FinishSurvBtn", Prop::Hint},       {117, "SurvSelectAllChk", Prop::Caption},
    {118, "SurvSelectAllChk", Prop::Hint},    {120, "QVUpdateBtn", Prop::Caption},
    {121, "QVUpdateBtn", Prop::Hint},
};

ui::BitmapHandle LoadBitmapResource(int id) {
    return ui::BitmapHandle(
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
    AddPanel(AdTopPnl, "AdTopPnl", nullptr, 0, 0, 10, kTopHeight);
    AddControl(AdImg, "AdImg", &AdTopPnl, L"STATIC", SS_BITMAP | SS_NOTIFY, 0, 0, 10, 468, 60);
    AdImg.Cursor = ::LoadCursorW(nullptr, (LPCWSTR)IDC_HAND);

    // Bottom strip: banner, status line, guard button and its label.
    AddPanel(BottomPnl, "BottomPnl", nullptr, 0, 0, 10, kBottomHeight);
    AddControl(QVBanner, "QVBanner", &BottomPnl, L"STATIC", SS_BITMAP, 0, 0, 2, 370, 39);
    AddControl(StatusLbl, "StatusLbl", &BottomPnl, L"STATIC", SS_LEFT | SS_NOPREFIX, 0, 3, 42, 362,
               11);
    StatusLbl.SetFont(arial9_.get());
    StatusLbl.TextColor = kGreyText;
    AddControl(QVGuardBtn, "QVGuardBtn", &BottomPnl, L"BUTTON",
               BS_CHECKBOX | BS_PUSHLIKE | BS_FLAT | WS_TABSTOP, 0, 0, 2, kGuardBtnWidth,
               kGuardBtnHeight);
    QVGuardBtn.SetFont(arialBold12_.get());
    QVGuardBtn.SetCaption("Quorvik W\xE4"
                          "chter");
    AddControl(QVGuardLbl, "QVGuardLbl", &BottomPnl, L"STATIC", SS_RIGHT | SS_NOPREFIX, 0, 0, 38,
               kGuardBtnWidth, 12);
    QVGuardLbl.SetFont(arial9_.get());
    QVGuardLbl.TextColor = kGreyText;

    // The tab control with the help button on its tab row and the pages.
    AddControl(Tab, "Tab", nullptr, WC_TABCONTROLW,
               TCS_BUTTONS | TCS_FLATBUTTONS | TCS_HOTTRACK | TCS_FOCUSNEVER | WS_CLIPCHILDREN,
               WS_EX_CONTROLPARENT, 0, 0, 10, 10);
    Tab.SetFont(arialBold12_.get());
    Tab.AddTab("1");
    Tab.AddTab("2");
    Tab.AddTab("3");
    AddControl(HelpBtn, "HelpBtn", &Tab, L"BUTTON", kFlatButton, 0, 0, 0, kHelpBtnWidth,
               kHelpBtnHeight);
    HelpBtn.SetCaption("Handbuch anzeigen (F1)");
    AddPanel(PagePnl0, "PagePnl0", &Tab, 0, 0, 10, 10);
    AddPanel(PagePnl1, "PagePnl1", &Tab, 0, 0, 10, 10);
    AddPanel(PagePnl2, "PagePnl2", &Tab, 0, 0, 10, 10);

    // Autostart page: the button column at the right.
    AddPanel(Page0MenuPnl, "Page0MenuPnl", &PagePnl0, 0, 0, kMenuWidth, 10);
    AddControl(ASRefreshBtn, "ASRefreshBtn", &Page0MenuPnl, L"BUTTON", kFlatButton, 0, 8, 8, 132,
               25);
    ASRefreshBtn.SetCaption("Aktualisieren");
    ASRefreshBtn.Tag = kForceTag;
    AddPanel(ASProtectPnl, "ASProtectPnl", &Page0MenuPnl, 8, 41, 132, 121);
    ASProtectPnl.Framed = true;
    AddControl(ASWriteProtectChk, "ASWriteProtectChk", &ASProtectPnl, L"BUTTON",
               BS_AUTOCHECKBOX | WS_TABSTOP, 0, 8, 7, 116, 17);
    ASWriteProtectChk.SetCaption("Schreibschutz");
    ASWriteProtectChk.TextColor = kGreyText;
    ASWriteProtectChk.SetChecked(true);
    AddControl(ASEditBtn, "ASEditBtn", &ASProtectPnl, L"BUTTON", kFlatButton | WS_DISABLED, 0, 8,
               30, 116, 25);
    ASEditBtn.SetCaption("\xC4ndern");
    AddControl(ASEditorBtn, "ASEditorBtn", &ASProtectPnl, L"BUTTON", kFlatButton | WS_DISABLED, 0,
               8, 59, 116, 25);
    ASEditorBtn.SetCaption("Editor");
    AddControl(ASDelBtn, "ASDelBtn", &ASProtectPnl, L"BUTTON", kFlatButton | WS_DISABLED, 0, 8, 88,
               116, 25);
    ASDelBtn.SetCaption("L\xF6schen");
    AddControl(AddEntryToDBBtn, "AddEntryToDBBtn", &Page0MenuPnl, L"BUTTON", kFlatButton, 0, 8, 170,
               132, 25);
    AddEntryToDBBtn.SetCaption("In Datenbank");
    AddEntryToDBBtn.Tag = 0;
    AddControl(DelEntryFromDBBtn, "DelEntryFromDBBtn", &Page0MenuPnl, L"BUTTON", kFlatButton, 0, 8,
               199, 132, 25);
    DelEntryFromDBBtn.SetCaption("Aus Datenbank");
    DelEntryFromDBBtn.Tag = 1;
    AddControl(ReportBtn, "ReportBtn", &Page0MenuPnl, L"BUTTON", kFlatButton, 0, 8, 236, 132, 25);
    ReportBtn.SetCaption("Report");

    // Autostart page: group choice along the top, the list below.
    AddControl(SelectASBox, "SelectASBox", &PagePnl0, L"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN,
               WS_EX_CONTROLPARENT, 0, 0, 10, kSelectBoxHeight);
    SelectASBox.SetCaption("Startpunkte");
    SelectASBox.TextColor = kGreyText;
    // A drop-down list's height includes the open list: ten rows.
    AddControl(SelectASGroupCombo, "SelectASGroupCombo", &SelectASBox, L"COMBOBOX",
               CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 4, 20, 100, 220);
    SelectASGroupCombo.SetFont(comboFont_.get());
    ::SendMessageW(SelectASGroupCombo.Handle(), CB_SETMINVISIBLE, 10, 0);
    AddControl(ASListBox, "ASListBox", &PagePnl0, L"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN,
               WS_EX_CONTROLPARENT, 0, kSelectBoxHeight, 10, 10);
    ASListBox.SetCaption("Inhalt");
    ASListBox.TextColor = kGreyText;
    AddControl(ASList, "ASList", &ASListBox, WC_LISTVIEWW,
               LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_NOSORTHEADER | LVS_SINGLESEL |
                   LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | WS_TABSTOP,
               WS_EX_CLIENTEDGE, 6, 16, 10, 10);
    ListView_SetExtendedListViewStyle(ASList.Handle(), LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT |
                                                           LVS_EX_FLATSB | LVS_EX_DOUBLEBUFFER);
    ASList.AddColumn(100);
    ASList.AddColumn(100);

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
    On(Tab, Event::Change, [this](auto&) { TabChange(nullptr); });
    On(ASRefreshBtn, Event::Click, [this](auto&) { TabChange(&ASRefreshBtn); });
    On(HelpBtn, Event::Click, [this](auto&) { HelpBtnClick(); });
    On(SelectASGroupCombo, Event::Change, [this](auto&) { SelectASGroupComboChange(); });
    On(ASList, Event::Click, [this](auto&) { ASListClick(); });
    On(ASList, Event::MouseDown, [this](const ui::EventArgs& a) { ASListMouseDown(a); });
    On(ASWriteProtectChk, Event::Click, [this](auto&) { ASListClick(); });
    On(AddEntryToDBBtn, Event::Click, [this](auto&) { AddEntryToDBBtnClick(&AddEntryToDBBtn); });
    On(DelEntryFromDBBtn, Event::Click,
       [this](auto&) { AddEntryToDBBtnClick(&DelEntryFromDBBtn); });
    On(ASEditBtn, Event::Click, [this](auto&) { ASEditBtnClick(); });
    On(ASDelBtn, Event::Click, [this](auto&) { ASDelBtnClick(); });
    On(ASEditorBtn, Event::Click, [this](auto&) { ASEditorBtnClick(); });
    // ReportBtn and QVGuardBtn get their handlers with the operations behind
    // them.
}

// ---- Start-up ---------------------------------------------------------------

bool TMainForm::FormCreate() {
    // 1. Where the program and its data files live.
    AppDir = appDirOverride_.empty() ? ExecutableDir() : appDirOverride_;
    if (!AppDir.empty() && AppDir.back() != '\\') AppDir += '\\';
    // 2. Nothing may happen without the language file; this message is the
    //    one text that cannot come from it.
    if (!FileExists(AppDir + "qv6.lng")) {
        MessageDlg({"Language file not found. Please reinstall Quorvik 6!", kAppTitle,
                    MsgKind::Error, BtnOk});
        return false;
    }
    CreateControls();
    if (!Handle()) return false;
    AlignControls();
    // 3. and 4.
    LanguageTable.LoadFromBytes(ReadFileBytes(AppDir + "qv6.lng").value_or(std::string()));
    RunGuarded([this] { ApplyLanguage(); });
    // 5. The nine groups.
    SelectASGroupCombo.Clear();
    for (int line = 0; line < kGroupCount; ++line)
        SelectASGroupCombo.Add(LanguageTable[line]);
    // 6. to 9. Each step runs even when an earlier one failed: a broken
    //    source must not keep the data files from loading.
    RunGuarded([] { ScanAutostarts(); });
    RunGuarded([] { BackupStartupFolders(); });
    RunGuarded([] { LoadKnownEntries(); });
    RunGuarded([] { LoadInactiveEntries(); });
    // 10. First page; the list is filled already, so no second scan.
    Tab.SetTabIndex(0);
    RunGuarded([this] { TabChange(nullptr); });
    // 11. Group 0.
    SelectASGroupCombo.SetItemIndex(0);
    RunGuarded([this] { SelectASGroupComboChange(); });
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
        Tab.SetTabCaption(i, LanguageTable[83 + i]);
    for (ui::PopupMenu* menu : {&ASPM1, &ASPM2}) {
        menu->SetItemCaption(0, LanguageTable[100]);
        menu->SetItemCaption(1, LanguageTable[101]);
    }
    // The tab row's height may have changed with the captions.
    AlignControls();
}

// ---- Pages ------------------------------------------------------------------

void TMainForm::TabChange(ui::Control* sender) {
    bool force = sender && dynamic_cast<ui::Button*>(sender) && sender->Tag == kForceTag;
    int index = Tab.TabIndex();
    if (ui::Control* page = FindComponent("PagePnl" + std::to_string(index))) page->BringToFront();
    switch (index) {
    case 0:
        RefreshAutostarts(force);
        break;
    default:
        // The process page and the system information join here.
        break;
    }
}

void TMainForm::RefreshAutostarts(bool force) {
    if (!force && !ASEntries.empty()) return;
    // A failing step is reported on its own; the list is refilled regardless.
    RunGuarded([] { ScanAutostarts(); });
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
    // The process list's column joins with the process page.
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
    ASListBox.SetCaption(LanguageTable.Format(25, {std::to_string(ASList.Count())}));
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
    if (row < 0) return;
    ASList.Select(row);
    // A click on the check box has toggled the mark already; a mark that no
    // longer matches its entry's Active asks for a change of state.
    CheckMarkOutcome out = OnEntryCheckMark(static_cast<size_t>(row), ASList.Checked(row));
    if (out.setCheck) ASList.SetChecked(row, *out.setCheck);
    if (out.messageLine >= 0) ShowMessage(LanguageTable[out.messageLine]);
    ASListClick();
}

} // namespace qv
