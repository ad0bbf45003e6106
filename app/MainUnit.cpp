#include "app/MainUnit.h"

#include "base/Product.h"
#include "model/AppModel.h"
#include "app/Design.h"
#include "app/AutostartView.h"
#include "app/Backup.h"
#include "app/EntryQuestions.h"
#include "app/PageLanguage.h"
#include "app/res/art.h"
#include "autostart/AutostartEntry.h"
#include "autostart/Inactive.h"
#include "autostart/Scanner.h"
#include "base/Errors.h"
#include "base/Failure.h"
#include "base/Files.h"
#include "database/KnownEntries.h"
#include "process/FunctionUnit.h"
#include "process/GuardInterface.h"
#include "ui/Dialogs.h"

#include <algorithm>
#include <exception>
#include <future>
#include <string>
#include <thread>

namespace qv {

namespace {

using design::kGreyText;

const wchar_t kClassName[] = L"TMainForm";

// The designed layout, in pixels.
constexpr int kFormWidth = 653, kFormHeight = 558;
constexpr COLORREF kFormColor = RGB(0xF5, 0xF5, 0xF5);
constexpr int kBorder = 5;
constexpr int kTopHeight = 81;
constexpr int kBottomHeight = 53;
constexpr int kPageInset = 3;
constexpr int kGuardBtnWidth = 149, kGuardBtnHeight = 33;
constexpr int kHelpBtnWidth = 157, kHelpBtnHeight = 25;
constexpr ui::FontStyle kSmallFont = {L"Arial", 9};
constexpr ui::FontStyle kBoldFont = {L"Arial", 12, true};

} // namespace

TMainForm::TMainForm(AppModel& model)
    : OpenDocument([](const std::string& path) { ShellOpen(path); }), model_(model) {}

TMainForm::~TMainForm() {
    if (Handle()) SetDialogOwner(nullptr);
    // The controls are members of this class: the windows go while they live.
    Destroy();
}

bool TMainForm::Create(const std::string& appDir, bool show) {
    appDirOverride_ = appDir;
    showOnCreate_ = show;
    if (!FormCreate()) {
        Destroy();
        return false;
    }
    // The designed size needs no WM_SIZE to be laid out.
    RunGuarded([this] { OnResize(); });
    if (show) {
        // The first page, made and filled, goes on screen in one piece.
        PageSheet(AutostartPageIndex).SetVisible(true);
        ::UpdateWindow(Handle());
    }
    // The window is complete: the publisher column's first batch may go.
    AutostartPage().ReleaseFirstVerify();
    return true;
}

// ---- Creation ---------------------------------------------------------------

void TMainForm::CreateControls() {
    // Smaller than designed, the strips and the pages would cut their texts.
    minWidth_ = kFormWidth;
    minHeight_ = kFormHeight;
    lateToolTip_ = true;
    CreateFrame(kClassName, kAppTitle, kFormWidth, kFormHeight, kFormColor, {L"MS Sans Serif", 11});

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
    StatusLbl.SetFont(Font(kSmallFont));
    StatusLbl.TextColor = kGreyText;
    Add(QVGuardBtn, {.name = "QVGuardBtn",
                     .parent = &BottomPnl,
                     .top = 2,
                     .width = kGuardBtnWidth,
                     .height = kGuardBtnHeight,
                     .caption = "Quorvik W\xE4"
                                "chter"});
    QVGuardBtn.SetFont(BoldFont());
    Add(QVGuardLbl, {.name = "QVGuardLbl",
                     .parent = &BottomPnl,
                     .top = 38,
                     .width = kGuardBtnWidth,
                     .height = 12,
                     .style = SS_RIGHT});
    QVGuardLbl.SetFont(Font(kSmallFont));
    QVGuardLbl.TextColor = kGreyText;

    // The tab control with the help button on its tab row and the pages.
    Add(Tab,
        {.name = "Tab", .style = TCS_BUTTONS | TCS_FLATBUTTONS | TCS_HOTTRACK | TCS_FOCUSNEVER});
    Tab.SetFont(BoldFont());
    Tab.AddTab("1");
    Tab.AddTab("2");
    Tab.AddTab("3");
    Add(HelpBtn, {.name = "HelpBtn",
                  .parent = &Tab,
                  .width = kHelpBtnWidth,
                  .height = kHelpBtnHeight,
                  .caption = "Handbuch anzeigen (F1)"});

    // The server and the mail addresses are read once, now that AppDir is
    // fixed: the sponsor banner at the top names the sponsor in its hint and
    // opens its page, the about block shows the same links.
    serverSettings_ = LoadServerSettings(model_.AppDir);
    aboutLinks_ = BuildAboutLinks(serverSettings_);
    SetHint(AdImg, aboutLinks_.bannerHint);
    // Pictures without text: a screen reader names them by what they show.
    AdImg.SetAccessibleName(aboutLinks_.bannerHint.empty() ? kAppTitle : aboutLinks_.bannerHint);
    QVBanner.SetAccessibleName(kAppTitle);
    LoadArtwork();
    AddTimer(QVGuardTimer, GuardPollInterval, [this] { QVGuardTimerTimer(); });

    BindEvents();
    // The keyboard reaches the guard button in the bottom strip last, after
    // the page.
    BottomPnl.SendToBack();
    SetDialogOwner(Handle());
}

void TMainForm::CreateSheets() {
    Add(PagePnl0, {.name = "PagePnl0", .parent = &Tab, .hidden = true});
    Add(PagePnl1, {.name = "PagePnl1", .parent = &Tab, .hidden = true});
    Add(PagePnl2, {.name = "PagePnl2", .parent = &Tab, .hidden = true});
    RunGuarded([this] { AlignControls(); });
}

HFONT TMainForm::BoldFont() {
    return Font(kBoldFont);
}

BitmapHandle TMainForm::Picture(int oneX, int twoX, int width, int height) const {
    // Drawn from the larger picture wherever the design's would be
    // enlarged, so that it is never blurred by more than a reduction.
    return BitmapHandle(static_cast<HBITMAP>(::LoadImageW(
        ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(Dpi() > ui::kDesignDpi ? twoX : oneX),
        IMAGE_BITMAP, Scale(width), Scale(height), LR_CREATEDIBSECTION)));
}

IconHandle TMainForm::SmallIcon(int id) const {
    const int size = Scale(16);
    return IconHandle(
        static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                        IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

void TMainForm::LoadArtwork() {
    AdImg.SetBitmap(Picture(IDB_ADBANNER, IDB_ADBANNER2X, 468, 60));
    QVBanner.SetBitmap(Picture(IDB_QVBANNER, IDB_QVBANNER2X, 370, 39));
}

void TMainForm::OnDpiChanged() {
    LoadArtwork();
    for (const auto& page : pages_)
        if (page) page->DpiChanged();
}

void TMainForm::BindEvents() {
    using ui::Event;
    On(Tab, Event::Change, [this](auto&) { TabChange(); });
    On(HelpBtn, Event::Click, [this](auto&) { HelpBtnClick(); });
    On(AdImg, Event::Click, [this](auto&) { AdImgClick(); });
    On(QVGuardBtn, Event::Click, [this](auto&) { QVGuardBtnClick(); });
}

// ---- Start-up ---------------------------------------------------------------

bool TMainForm::FormCreate() {
    // 1. Where the program and its data files live.
    std::string& AppDir = model_.AppDir;
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
    // The entries are read on a thread of their own while the window and
    // the first page are made: the reads wait on the registry and the disk,
    // the making on the window system, and neither needs the other. The
    // scan has a model of its own; its entries move into the program's
    // once both are done, before anything shows or reads them.
    model_.LanguageTable.LoadFromBytes(ReadFileBytes(AppDir + "qv6.lng").value_or(std::string()));
    AppModel ahead;
    ahead.AppDir = AppDir;
    ahead.LanguageTable = model_.LanguageTable;
    std::exception_ptr scanError;
    // The guard is looked for on the same thread, first: its button shows
    // the answer when the frame goes on screen, and the look (a walk of the
    // processes) need not hold the making of the window up.
    std::promise<bool> guardLook;
    std::future<bool> guardRunning = guardLook.get_future();
    std::jthread scanning([&ahead, &scanError, &guardLook, guard = Guard.get()] {
        try {
            guardLook.set_value(guard && guard->IsRunning());
        } catch (...) {
            guardLook.set_exception(std::current_exception());
        }
        try {
            ScanAutostarts(ahead, ahead.LanguageTable[Lng::ExplorerCaption],
                           ahead.LanguageTable[Lng::WindowsDefaultMark]);
        } catch (...) {
            scanError = std::current_exception();
        }
    });
    CreateControls();
    if (!Handle()) return false;
    // 3. and 4. Applying the captions lays the window out for them.
    RunGuarded([this] { ApplyLanguage(); });
    // 12., done now: the guard button and its label are part of the frame,
    //    which goes on screen next, and must not change once it is there.
    RunGuarded([this, &guardRunning] {
        const bool running = guardRunning.get();
        if (Guard) ApplyGuardDisplay(GuardDisplayFor(running));
    });
    // The frame on screen before the page is made and the entries are read:
    // no message is taken from the queue until the list below is filled, so
    // nothing the user does meets a window that is still being made. The
    // first page's sheet stays hidden meanwhile: its controls are made and
    // the list filled out of sight, which costs a fraction of doing it on
    // screen, and the page appears whole instead of control by control.
    if (showOnCreate_) {
        RunGuarded([this] { OnResize(); });
        ::ShowWindow(Handle(), SW_SHOWNORMAL);
        ::UpdateWindow(Handle());
    }
    // Neither the hints' window nor the pages' sheets are part of what
    // shows first: they are made now, the sheets hidden until their page
    // is complete. They come after the help button, as the keyboard goes.
    CreateToolTip();
    CreateSheets();
    // 5. The first page, with the nine groups; the others are made when
    //    they are first shown.
    EnsurePage(AutostartPageIndex);
    // 6. to 9. Each step runs even when an earlier one failed: a broken
    //    source must not keep the data files from loading.
    scanning.join();
    model_.ASEntries = std::move(ahead.ASEntries);
    model_.WindowsDir = std::move(ahead.WindowsDir);
    model_.SystemDir = std::move(ahead.SystemDir);
    RunGuarded([&scanError] {
        if (scanError) std::rethrow_exception(scanError);
    });
    RunGuarded([this] { BackupStartupFolders(model_.AppDir); });
    RunGuarded([this] { LoadKnownEntries(model_.ASEntryDB, model_.AppDir); });
    RunGuarded([this] { LoadInactiveEntries(model_); });
    // What the user deactivated and its program wrote back while no guard
    // ran is parked again, once asked; the list is then read anew.
    RunGuarded([this] {
        if (!ParkReturnedOnStart(model_)) return;
        ScanAutostarts(model_, model_.LanguageTable[Lng::ExplorerCaption]);
        LoadInactiveEntries(model_);
    });
    // 10. First page; the list is filled already, so no second scan.
    // The sheet stays hidden until its list is filled: shown and hidden
    // again here, its controls would be shown, moved and hidden for nothing.
    Tab.SetTabIndex(0);
    RunGuarded([this] { TabChange(false, !showOnCreate_); });
    // 11. Group 0: the entries and the known entries loaded above reach the
    //     first page now that its group is chosen, as one change.
    TAutostartPage& autostarts = AutostartPage();
    autostarts.HoldFirstVerify();
    autostarts.SelectASGroupCombo.SetItemIndex(GroupByte(AutostartGroup::RunKeys));
    RunGuarded([this] { model_.Changed(ModelChange::Entries); });
    return true;
}

void TMainForm::ApplyLanguage() {
    const LanguageTarget targets[] = {
        {&QVGuardBtn, Lng::QVGuardBtnCaption, Prop::Caption},
        {&QVGuardBtn, Lng::QVGuardBtnHint, Prop::Hint},
        {&HelpBtn, Lng::HelpBtnCaption, Prop::Caption},
        {&HelpBtn, Lng::HelpBtnHint, Prop::Hint},
    };
    ApplyLanguageTargets(*this, model_.LanguageTable, targets);
    for (int i = 0; i < kPageCount; ++i)
        Tab.SetTabCaption(i, model_.LanguageTable[TabCaption(i)]);
    // The pages made so far take their lines.
    model_.Changed(ModelChange::Language);
    // The tab row's height may have changed with the captions.
    AlignControls();
}

// ---- Pages ------------------------------------------------------------------

ui::Panel& TMainForm::PageSheet(int index) {
    return index == ProcessPageIndex ? PagePnl1 : index == InfoPageIndex ? PagePnl2 : PagePnl0;
}

bool TMainForm::HasPage(int index) const {
    return index >= 0 && index < kPageCount && pages_[size_t(index)] != nullptr;
}

ui::Page& TMainForm::EnsurePage(int index) {
    std::unique_ptr<ui::Page>& page = pages_[size_t(index)];
    if (page) return *page;
    ui::Panel& sheet = PageSheet(index);
    if (index == ProcessPageIndex)
        page = std::make_unique<TProcessesPage>(*this, model_, sheet);
    else if (index == InfoPageIndex)
        page = std::make_unique<TInfoPage>(*this, model_, sheet);
    else
        page = std::make_unique<TAutostartPage>(*this, model_, sheet);
    ui::Page& made = *page;
    RunGuarded([&made] { made.ApplyLanguage(); });
    // Placed and sized as if it had been there from the start.
    RunGuarded([this] { OnResize(); });
    return made;
}

TAutostartPage& TMainForm::AutostartPage() {
    return static_cast<TAutostartPage&>(EnsurePage(AutostartPageIndex));
}

TProcessesPage& TMainForm::ProcessesPage() {
    return static_cast<TProcessesPage&>(EnsurePage(ProcessPageIndex));
}

TInfoPage& TMainForm::InfoPage() {
    return static_cast<TInfoPage&>(EnsurePage(InfoPageIndex));
}

ProcessControl& TMainForm::Processes() {
    return ProcControl ? *ProcControl : SystemProcessControl();
}

void TMainForm::TabChange(bool force, bool reveal) {
    const int index = Tab.TabIndex();
    if (index < 0 || index >= kPageCount) return;
    ui::Page& page = EnsurePage(index);
    PageSheet(index).BringToFront();
    // The help button on the tab row stays first for the keyboard, above
    // the page as it is seen.
    HelpBtn.BringToFront();
    // The pages behind are hidden, not only covered: the keyboard's tab
    // order must not reach into them.
    for (int i = 0; i < kPageCount; ++i)
        PageSheet(i).SetVisible(i == index && reveal);
    page.Refresh(force);
}

void TMainForm::Status(const std::string& text) {
    StatusLbl.SetCaption(text);
}

void TMainForm::FormKeyDown(WORD key) {
    // The key is not consumed: the focused control still gets it.
    if (key == VK_F1) HelpBtnClick();
}

bool TMainForm::OnKeyDown(WORD key, HWND target) {
    FormKeyDown(key);
    return KeyCommand(key, target);
}

bool TMainForm::KeyCommand(WORD key, HWND target) {
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
    if (key == VK_TAB && ctrl) {
        SwitchPage(::GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
        return true;
    }
    if (key == VK_F5) {
        TabChange(true);
        return true;
    }
    const int index = Tab.TabIndex();
    return HasPage(index) && pages_[size_t(index)]->KeyDown(key, target, ctrl);
}

void TMainForm::SwitchPage(int step) {
    const int index = ((Tab.TabIndex() + step) % kPageCount + kPageCount) % kPageCount;
    const HWND focus = ::GetFocus();
    const bool focusOnPage = !focus || ::IsChild(Tab.Handle(), focus);
    Tab.SetTabIndex(index);
    TabChange();
    // The focus must not stay behind on the page that went out of sight.
    if (focusOnPage)
        if (HWND first = ui::FirstTabStop(PageSheet(index).Handle())) ::SetFocus(first);
}

void TMainForm::HelpBtnClick() {
    // Whether the manual exists or anything can open it is not reported.
    if (OpenDocument) OpenDocument(model_.AppDir + "Hilfe/handbuch.html");
}

// ---- Layout -----------------------------------------------------------------

void TMainForm::AlignControls() {
    if (!Tab.Handle()) return;
    int cw = ClientWidth(), ch = ClientHeight();
    // The design's pixels at the window's setting.
    const int border = Scale(kBorder), top = Scale(kTopHeight), bottom = Scale(kBottomHeight);
    const int inset = Scale(kPageInset);
    int inner = std::max(cw - 2 * border, 0);
    AdTopPnl.SetBounds(border, border, inner, top);
    BottomPnl.SetBounds(border, ch - border - bottom, inner, bottom);
    Tab.SetBounds(border, border + top, inner, std::max(ch - 2 * border - top - bottom, 0));
    AdImg.SetBounds(AdImg.Left(), (top - Scale(60)) / 2, Scale(468), Scale(60));
    QVGuardBtn.SetBounds(QVGuardBtn.Left(), Scale(2), Scale(kGuardBtnWidth),
                         Scale(kGuardBtnHeight));

    // Each page fills the tab's display area, 3 pixels inside.
    RECT d = Tab.DisplayRect();
    int pw = std::max(int(d.right - d.left) - 2 * inset, 0);
    int ph = std::max(int(d.bottom - d.top) - 2 * inset, 0);
    for (int i = 0; i < kPageCount; ++i)
        PageSheet(i).SetBounds(d.left + inset, d.top + inset, pw, ph);
    HelpBtn.SetBounds(HelpBtn.Left(), 0, Scale(kHelpBtnWidth),
                      std::min<int>(Scale(kHelpBtnHeight), d.top));
    for (const auto& page : pages_)
        if (page) page->Align(pw, ph);
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
    // A page not made yet is laid out when it is.
    auto* autostarts = static_cast<TAutostartPage*>(pages_[AutostartPageIndex].get());
    auto* processes = static_cast<TProcessesPage*>(pages_[ProcessPageIndex].get());
    if (autostarts) {
        in.selectBoxClientWidth = autostarts->SelectASBox.ClientWidth();
        in.asListClientWidth = autostarts->ASList.ClientWidth();
        in.asListColumns = autostarts->ASList.ColumnCount();
    }
    if (processes) in.procBoxClientWidth = processes->ProcBox.ClientWidth();
    in.bottomClientWidth = BottomPnl.ClientWidth();
    in.guardBtnWidth = QVGuardBtn.Width();
    in.guardLblWidth = QVGuardLbl.Width();
    in.tabClientWidth = Tab.ClientWidth();
    in.helpBtnWidth = HelpBtn.Width();
    in.comboMargin = Scale(8);
    in.procColumnMargin = Scale(20);
    ResizeOutput out = ComputeResize(in);
    AdImg.SetLeft(out.adImgLeft);
    if (autostarts) {
        autostarts->SelectASGroupCombo.SetWidth(out.comboWidth);
        for (int c = 0; c < in.asListColumns; ++c)
            autostarts->ASList.SetColumnWidth(c, out.asColumnWidth);
    }
    if (processes) processes->ProcList.SetColumnWidth(0, out.procColumnWidth);
    QVGuardBtn.SetLeft(out.guardBtnLeft);
    QVGuardLbl.SetLeft(out.guardLblLeft);
    HelpBtn.SetLeft(out.helpBtnLeft);
}

// ---- Banner -------------------------------------------------------------------

void TMainForm::OpenAboutLink(const std::string& target) {
    // Whether a browser or mail program took it is not reported.
    if (OpenLink)
        OpenLink(target);
    else
        ShellOpen(target);
}

void TMainForm::AdImgClick() {
    OpenAboutLink(aboutLinks_.bannerTarget);
}

// ---- Guard ------------------------------------------------------------------

void TMainForm::ApplyGuardDisplay(const GuardDisplay& display) {
    QVGuardBtn.SetDown(display.pressed);
    QVGuardLbl.SetCaption(model_.LanguageTable[display.labelLine]);
}

void TMainForm::QVGuardBtnClick() {
    if (!Guard) return;
    GuardClickOutcome out = GuardButtonClick(*Guard);
    QVGuardBtn.SetDown(out.pressed);
    // After a failure the label keeps what it said.
    if (out.labelLine) QVGuardLbl.SetCaption(model_.LanguageTable[*out.labelLine]);
    if (out.failure) ShowMessage(ShownText(model_.LanguageTable, *out.failure));
}

void TMainForm::QVGuardTimerTimer() {
    if (!Guard) return;
    if (auto shown = GuardTimerTick(QVGuardBtn.Down(), *Guard)) ApplyGuardDisplay(*shown);
}

} // namespace qv
