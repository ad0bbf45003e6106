// The system information page with the about block.
#include "app/InfoPage.h"

#include "app/Design.h"
#include "app/MainUnit.h"
#include "app/PageLanguage.h"

#include "model/AppModel.h"
#include "app/res/art.h"
#include "about/ServerSettings.h"
#include "base/Product.h"
#include "base/WinText.h"
#include "process/FunctionUnit.h"
#include "sysinfo/SystemFigures.h"
#include "sysinfo/SystemInfo.h"
#include "update/CheckUpdateUnit.h"

#include <algorithm>

namespace qv {

namespace {

using design::kGreyText;

// The designed layout of the page, in pixels.
constexpr int kAboutWidth = 382;
constexpr int kCaptionLeft = 8, kValueLeft = 148;
constexpr int kCaptionWidth = kValueLeft - kCaptionLeft - 4;
constexpr int kValueWidth = kAboutWidth - kValueLeft - 8;
constexpr int kLabelHeight = 16;
constexpr int kNoteTop = 240, kNoteWidth = 341, kNoteHeight = 42;
constexpr int kUpdateLeft = 95, kUpdateTop = 284, kUpdateWidth = 192, kUpdateHeight = 37;
constexpr int kFirstColumnWidth = 120;

// The about block's font, and the list's: Arial 9 point on the design's
// 96 dots per inch, which the window keeps whatever the screen's setting.
constexpr ui::FontStyle kLinkFont = {L"Arial", 12};
constexpr ui::FontStyle kListFont = {L"Arial", 12};

// The height the label needs for its caption, wrapped at its width.
int WrappedTextHeight(const ui::Control& label) {
    const std::wstring text = ToWide(label.Caption());
    RECT r{0, 0, label.Width(), 0};
    HDC dc = ::GetDC(label.Handle());
    if (!dc) return label.Height();
    HGDIOBJ old = ::SelectObject(
        dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(label.Handle(), WM_GETFONT, 0, 0)));
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    ::SelectObject(dc, old);
    ::ReleaseDC(label.Handle(), dc);
    return r.bottom;
}

} // namespace

TInfoPage::TInfoPage(TMainForm& form, AppModel& model, ui::Panel& sheet)
    : ui::Page(form), main_(form), model_(model) {
    CreateControls(sheet);
    BindEvents();
    subscription_ = model_.Subscribe([this](ModelChange change) {
        if (change == ModelChange::Language) ApplyLanguage();
    });
}

void TInfoPage::CreateControls(ui::Panel& sheet) {
    const AboutLinks& links = main_.Links();
    Add(Page2MainPnl, {.name = "Page2MainPnl", .parent = &sheet, .width = kAboutWidth});
    // The product's banner; a picture only, it reacts to no click.
    Add(Image1, {.name = "Image1",
                 .parent = &Page2MainPnl,
                 .left = 4,
                 .top = 8,
                 .width = 370,
                 .height = 39});
    Image1.SetBitmap(main_.Picture(IDB_QVBANNER, IDB_QVBANNER2X, 370, 39));
    Image1.SetAccessibleName(kAppTitle);

    auto caption = [this](ui::Label& label, std::string_view name, int top, std::string_view text) {
        Add(label, {.name = name,
                    .parent = &Page2MainPnl,
                    .left = kCaptionLeft,
                    .top = top,
                    .width = kCaptionWidth,
                    .height = kLabelHeight,
                    .caption = text});
        label.SetFont(main_.BoldFont());
    };
    auto value = [this](ui::Label& label, std::string_view name, int top, std::string_view text) {
        Add(label, {.name = name,
                    .parent = &Page2MainPnl,
                    .left = kValueLeft,
                    .top = top,
                    .width = kValueWidth,
                    .height = kLabelHeight,
                    .caption = text});
        label.SetFont(main_.BoldFont());
    };
    auto link = [this](ui::LinkLabel& label, std::string_view name, int top, const AboutLink& l) {
        Add(label, {.name = name,
                    .parent = &Page2MainPnl,
                    .left = kValueLeft,
                    .top = top,
                    .width = kValueWidth,
                    .height = kLabelHeight});
        label.SetLinkStyle(kLinkFont);
        label.SetLinkCaption(l.caption);
    };

    caption(Label4, "Label4", 60, "Version:");
    // Filled on every visit of the page; empty until the first.
    value(QVVersionLbl, "QVVersionLbl", 60, "");
    caption(Label5, "Label5", 96, "Lizenz:");
    value(Label7, "Label7", 96, "Freeware");
    caption(Label2, "Label2", 132, "Quorvik Website:");
    link(QVWebsiteLbl, "QVWebsiteLbl", 132, links.website);
    caption(Label3, "Label3", 152, "EMail:");
    link(QVEmailLbl, "QVEmailLbl", 152, links.mail);
    caption(Label6, "Label6", 172, "Bugreport:");
    link(QVBugreportMailLbl, "QVBugreportMailLbl", 172, links.bugMail);
    caption(Label8, "Label8", 204, "Sponsor:");
    link(SponsorLbl, "SponsorLbl", 204, links.sponsor);

    // The note on passing the program on: the language table's line 119,
    // wrapped at the label's width.
    Add(CPLbl, {.name = "CPLbl",
                .parent = &Page2MainPnl,
                .left = kCaptionLeft,
                .top = kNoteTop,
                .width = kNoteWidth,
                .height = kNoteHeight});
    CPLbl.SetFont(main_.BoldFont());
    Add(QVUpdateBtn, {.name = "QVUpdateBtn",
                      .parent = &Page2MainPnl,
                      .left = kUpdateLeft,
                      .top = kUpdateTop,
                      .width = kUpdateWidth,
                      .height = kUpdateHeight,
                      .caption = "Update verf\xFCgbar ?"});
    QVUpdateBtn.SetFont(main_.BoldFont());

    // The system information at the right.
    Add(GroupBox1, {.name = "GroupBox1", .parent = &sheet, .caption = "Systeminformationen"});
    GroupBox1.TextColor = kGreyText;
    Add(SysInfoList, {.name = "SysInfoList", .parent = &GroupBox1, .left = 8, .top = 18});
    SysInfoList.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    SysInfoList.SetFont(Owner().Font(kListFont));
    SysInfoList.AddColumn(kFirstColumnWidth);
    SysInfoList.AddColumn(100);

    // Page 2 shows no hints: the texts the language table gives its controls
    // are kept, but never shown.
    for (ui::Control* c : Owner().Components())
        if (c->Handle() && ::IsChild(sheet.Handle(), c->Handle())) c->ShowHint = false;
}

void TInfoPage::DpiChanged() {
    Image1.SetBitmap(main_.Picture(IDB_QVBANNER, IDB_QVBANNER2X, 370, 39));
}

void TInfoPage::BindEvents() {
    using ui::Event;
    On(QVWebsiteLbl, Event::Click, [this](auto&) { QVWebsiteLblClick(); });
    On(QVEmailLbl, Event::Click, [this](auto&) { QVEmailLblClick(); });
    On(QVBugreportMailLbl, Event::Click, [this](auto&) { QVBugreportMailLblClick(); });
    On(SponsorLbl, Event::Click, [this](auto&) { SponsorLblClick(); });
    On(QVUpdateBtn, Event::Click, [this](auto&) { QVUpdateBtnClick(); });
}

void TInfoPage::ApplyLanguage() {
    const LanguageTarget targets[] = {
        {&CPLbl, Lng::CPLblCaption, Prop::Caption},
        {&QVUpdateBtn, Lng::QVUpdateBtnCaption, Prop::Caption},
        {&QVUpdateBtn, Lng::QVUpdateBtnHint, Prop::Hint},
    };
    ApplyLanguageTargets(Owner(), model_.LanguageTable, targets);
}

void TInfoPage::Align(int pageWidth, int pageHeight) {
    const int about = S(kAboutWidth);
    Page2MainPnl.SetBounds(0, 0, about, pageHeight);
    // The note takes the lines its text needs; where the screen's fonts
    // run wider than the design's, the update button moves down rather than
    // cover its last line.
    CPLbl.SetBounds(S(kCaptionLeft), S(kNoteTop), S(kNoteWidth), CPLbl.Height());
    const int noteHeight = std::max(WrappedTextHeight(CPLbl), S(kNoteHeight));
    CPLbl.SetBounds(S(kCaptionLeft), S(kNoteTop), S(kNoteWidth), noteHeight);
    QVUpdateBtn.SetBounds(S(kUpdateLeft), std::max(S(kUpdateTop), S(kNoteTop) + noteHeight + S(2)),
                          S(kUpdateWidth), S(kUpdateHeight));
    GroupBox1.SetBounds(about, 0, std::max(pageWidth - about, 0), pageHeight);
    SysInfoList.SetBounds(S(8), S(18), std::max(GroupBox1.ClientWidth() - S(16), 0),
                          std::max(GroupBox1.ClientHeight() - S(26), 0));
    FitColumns();
}

void TInfoPage::FitColumns() {
    // The list's own margins on both sides of a caption.
    SysInfoList.FitCaptionColumn(S(kFirstColumnWidth), S(14));
}

// ---- System information -------------------------------------------------------

void TInfoPage::RefreshSystemInfo() {
    QVVersionLbl.SetCaption(kVersion);
    // The figures first: should reading them fail, the list is not left
    // emptied with its drawing switched off.
    const SystemFigures figures = main_.ReadFigures ? main_.ReadFigures() : ReadSystemFigures();
    const std::vector<SysInfoRow> rows = BuildSysInfoRows(
        figures, SysInfoTextsFromLines([this](Lng line) { return model_.LanguageTable[line]; }));
    SysInfoList.BeginUpdate();
    SysInfoList.Clear();
    for (const SysInfoRow& row : rows)
        SysInfoList.AddItem(row.caption, row.value.value_or(std::string()), false, I_IMAGENONE);
    SysInfoList.EndUpdate();
    FitColumns();
}

// ---- Links ----------------------------------------------------------------------

void TInfoPage::QVWebsiteLblClick() {
    main_.OpenAboutLink(main_.Links().website.target);
}

void TInfoPage::QVEmailLblClick() {
    main_.OpenAboutLink(main_.Links().mail.target);
}

void TInfoPage::QVBugreportMailLblClick() {
    main_.OpenAboutLink(main_.Links().bugMail.target);
}

void TInfoPage::SponsorLblClick() {
    main_.OpenAboutLink(main_.Links().sponsor.target);
}

void TInfoPage::QVUpdateBtnClick() {
    const std::string base = UpdateBaseAddress(main_.Server());
    const bool endProgram = main_.UpdateCheck
                                ? main_.UpdateCheck(model_.AppDir, base)
                                : ShowUpdateCheck(model_.LanguageTable, model_.AppDir, base);
    // The updater replaces the program's files: the program ends now that
    // the dialog has closed.
    if (endProgram) ::PostMessageW(main_.Handle(), WM_CLOSE, 0, 0);
}

} // namespace qv
