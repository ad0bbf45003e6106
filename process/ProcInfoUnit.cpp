#include "process/ProcInfoUnit.h"

#include "base/Failure.h"
#include "base/WinText.h"
#include "process/ProcessInfo.h"

#include <algorithm>

namespace qv {

namespace {

// The designed layout: a client area of 609 x 373 inside a border of 3, the
// two boxes side by side and the button centred below them.
constexpr int kBorder = 3;
constexpr int kClientWidth = 609, kClientHeight = 373;
constexpr int kBoxWidth = 301, kBoxHeight = 321, kRightBoxLeft = 308;
constexpr int kCloseWidth = 121, kCloseHeight = 25;
constexpr int kFileCaptionColumn = 140, kProcCaptionColumn = 145;

void ShowRows(ui::ListView& list, const std::vector<InfoRow>& rows) {
    list.BeginUpdate();
    list.Clear();
    for (const InfoRow& row : rows)
        list.AddItem(row.caption, row.value, false, -1);
    list.EndUpdate();
}

} // namespace

TProcInfoForm::TProcInfoForm(const LanguageFile& lines) : lines_(lines) {
    FormCreate();
}

TProcInfoForm::~TProcInfoForm() {
    Destroy();
}

void TProcInfoForm::FormCreate() {
    CreateModalFrame(L"TProcInfoForm", "Prozessinfo", kClientWidth + 2 * kBorder,
                     kClientHeight + 2 * kBorder, RGB(255, 255, 255), {L"Arial", 12, true}, true,
                     false);
    // Arial 8 point in the lists, the form's bold Arial 9 point elsewhere.
    Add(PropFileBox, {.name = "PropFileBox",
                      .left = kBorder,
                      .top = kBorder,
                      .width = kBoxWidth,
                      .height = kBoxHeight,
                      .caption = "Eigenschaften der Datei"});
    Add(FileList, {.name = "FileList",
                   .parent = &PropFileBox,
                   .left = 6,
                   .top = 18,
                   .width = kBoxWidth - 12,
                   .height = kBoxHeight - 24});
    Add(PropProcBox, {.name = "PropProcBox",
                      .left = kBorder + kRightBoxLeft,
                      .top = kBorder,
                      .width = kBoxWidth,
                      .height = kBoxHeight,
                      .caption = "Eigenschaften des Prozesses"});
    Add(ProcList, {.name = "ProcList",
                   .parent = &PropProcBox,
                   .left = 6,
                   .top = 18,
                   .width = kBoxWidth - 12,
                   .height = kBoxHeight - 24});
    Add(CloseBtn, {.name = "CloseBtn",
                   .left = kBorder + (kClientWidth - kCloseWidth) / 2,
                   .top = kBorder + kBoxHeight + (kClientHeight - kBoxHeight - kCloseHeight) / 2,
                   .width = kCloseWidth,
                   .height = kCloseHeight,
                   .caption = "Schlie\xDF"
                              "en",
                   .style = BS_DEFPUSHBUTTON});
    // Two columns each: the caption, and the value in the rest.
    for (auto [list, first] :
         {std::pair{&FileList, kFileCaptionColumn}, std::pair{&ProcList, kProcCaptionColumn}}) {
        list->SetFont(Font({L"Arial", 11}));
        list->SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
        list->AddColumn(Scale(first));
        list->AddColumn(std::max(list->ClientWidth() - Scale(first), 0));
    }

    ::SetWindowTextW(Handle(), ToWide(lines_[Lng::InfoWindowCaption]).c_str());
    PropFileBox.SetCaption(lines_[Lng::InfoFileBoxCaption]);
    PropProcBox.SetCaption(lines_[Lng::InfoProcBoxCaption]);
    CloseBtn.SetCaption(lines_[Lng::InfoCloseCaption]);
    SetHint(CloseBtn, lines_[Lng::InfoCloseCaption]);

    On(CloseBtn, ui::Event::Click, [this](auto&) { CloseBtnClick(); });
}

void TProcInfoForm::FormShow() {
    // A name that is no existing file (an empty one, a bare name the
    // snapshot gave, a file gone since the fill) leaves both lists empty.
    std::optional<FileFacts> facts = ReadFileFacts(Row.caption);
    if (!facts) return;
    LineSource line = [this](Lng n) { return lines_[n]; };
    std::vector<InfoRow> fileRows = BuildFileInfoRows(*facts, line);
    // Who signed it, after the file's date, before the version rows.
    if (Signatures) {
        const size_t at = std::min<size_t>(fileRows.size(), 4);
        fileRows.insert(fileRows.begin() + static_cast<std::ptrdiff_t>(at),
                        {lines_[Lng::InfoSignatureRow],
                         ShownText(lines_, VerdictText(Signatures->Verify(Row.caption)))});
    }
    ShowRows(FileList, fileRows);
    ShowRows(ProcList, BuildProcessInfoRows(Row.entry, line));
    // No caption is cut, whatever the font: the list's own margins beside it.
    FileList.FitCaptionColumn(Scale(kFileCaptionColumn), Scale(14));
    ProcList.FitCaptionColumn(Scale(kProcCaptionColumn), Scale(14));
}

void TProcInfoForm::CloseBtnClick() {
    EndModal(ui::mrCancel);
}

} // namespace qv
