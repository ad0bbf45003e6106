#include "report/ReportUnit.h"

#include "base/FileErrors.h"
#include "model/AppModel.h"
#include "autostart/AutostartEntry.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "report/ReportFile.h"
#include "report/ReportWriter.h"

#include <algorithm>
#include <map>

namespace qv {

namespace {

// The designed layout, in pixels.
constexpr int kClientWidth = 760, kClientHeight = 540;
constexpr int kBorder = 3;
constexpr int kRightWidth = 130;
constexpr int kButtonWidth = 114, kButtonHeight = 25;

// The readable view lines its text up in columns: a fixed-pitch face, and
// where Courier New is missing whatever fixed-pitch face the system has.
constexpr ui::FontStyle kReadableFont = {
    .face = L"Courier New", .pixelHeight = 13, .fixedPitch = true};

TReportForm::ViewerFactory& Factory() {
    static TReportForm::ViewerFactory factory;
    return factory;
}

} // namespace

TReportForm::ViewerFactory TReportForm::SetViewerFactory(ViewerFactory factory) {
    std::swap(factory, Factory());
    return factory;
}

TReportForm::TReportForm(const AppModel& model) : model_(model) {
    FormCreate();
}

TReportForm::~TReportForm() {
    if (timerRunning_ && Handle()) ::KillTimer(Handle(), reinterpret_cast<UINT_PTR>(this));
    // The control goes while the window it lives on still exists.
    viewer_.reset();
    Destroy();
}

void TReportForm::FormCreate() {
    CreateModalFrame(L"TReportForm", kReportWindowCaption, kClientWidth, kClientHeight,
                     RGB(255, 255, 255), {L"Arial", 12, true}, false, true);
    ShowCommand = SW_SHOWMAXIMIZED;

    Add(RightPnl, {.name = "RightPnl", .width = kRightWidth});
    Add(SaveBtn, {.name = "SaveBtn",
                  .parent = &RightPnl,
                  .left = 8,
                  .top = 10,
                  .width = kButtonWidth,
                  .height = kButtonHeight,
                  .caption = "Speichern"});
    Add(CloseBtn, {.name = "CloseBtn",
                   .parent = &RightPnl,
                   .left = 8,
                   .top = 10 + kButtonHeight + 6,
                   .width = kButtonWidth,
                   .height = kButtonHeight,
                   .caption = "Schlie\xDF"
                              "en"});
    Add(ReportBox, {.name = "ReportBox", .caption = kReportWindowCaption});
    Add(ReportView, {.name = "ReportView", .parent = &ReportBox});
    // The readable view: the whole report as text, however long; hidden
    // until the browser control has shown it cannot render.
    Add(ReportTextView, {.name = "ReportTextView", .parent = &ReportBox});
    ReportTextView.SetFont(Font(kReadableFont));
    ReportTextView.SetVisible(false);
    ReportTextView.SetAccessibleName(kReportWindowCaption);
    // The keyboard reaches the report before the buttons at its right.
    RightPnl.SendToBack();

    SaveBtn.SetCaption(model_.LanguageTable[Lng::ReportSaveCaption]);
    SetHint(SaveBtn, model_.LanguageTable[Lng::ReportSaveHint]);
    CloseBtn.SetCaption(model_.LanguageTable[Lng::ReportCloseCaption]);
    SetHint(CloseBtn, model_.LanguageTable[Lng::ReportCloseHint]);

    SaveDialog.title = kReportSaveTitle;
    SaveDialog.filter = kReportSaveFilter;
    SaveDialog.defaultExt = kReportSaveDefaultExt;
    SaveDialog.overwritePrompt = true;

    On(SaveBtn, ui::Event::Click, [this](auto&) { SaveBtnClick(); });
    On(CloseBtn, ui::Event::Click, [this](auto&) { CloseBtnClick(); });
    OnResize();
}

void TReportForm::OnResize() {
    if (!ReportBox.Handle()) return;
    const int w = ClientWidth(), h = ClientHeight();
    const int border = Scale(kBorder), right = Scale(kRightWidth);
    const int inner = std::max(h - 2 * border, 0);
    RightPnl.SetBounds(std::max(w - border - right, 0), border, right, inner);
    ReportBox.SetBounds(border, border, std::max(w - 2 * border - right, 0), inner);
    const int vw = std::max(ReportBox.ClientWidth() - Scale(16), 0);
    const int vh = std::max(ReportBox.ClientHeight() - Scale(28), 0);
    ReportView.SetBounds(Scale(8), Scale(20), vw, vh);
    ReportTextView.SetBounds(Scale(8), Scale(20), vw, vh);
    if (viewer_) viewer_->Fit();
}

// ---- Showing the report -------------------------------------------------------

void TReportForm::FormShow() {
    const ReportTexts texts =
        ReportTextsFromLines([this](Lng line) { return model_.LanguageTable[line]; });
    const std::string created = ReportCreationTime();
    // The readable view shows the boot files as the document has them: what
    // the writer read is kept for it, so a file that changes or goes in
    // between cannot make the two differ.
    std::map<std::string, std::string> read;
    auto readAndKeep = [&read](const std::string& path) {
        std::optional<std::string> bytes = ReadBootFileBytes(path);
        if (bytes) read[path] = *bytes;
        return bytes;
    };
    std::string path;
    if (!RunGuarded([&] {
            path = WriteReport(model_.AppDir, model_.ASEntries, texts, created, readAndKeep);
        })) {
        // Nothing to show: the error has been reported and the window does
        // not open.
        EndModal(ui::mrCancel);
        return;
    }
    auto kept = [&read](const std::string& p) -> std::optional<std::string> {
        auto it = read.find(p);
        return it != read.end() ? std::optional<std::string>(it->second) : ReadBootFileBytes(p);
    };
    readableText_ = ReportViewText(BuildReportView(model_.ASEntries, texts, created, kept));
    StartViewer(path);
}

void TReportForm::StartViewer(const std::string& path) {
    progress_ = {};
    display_ = ReportDisplay::Waiting;
    viewer_ = Factory() ? Factory()() : std::make_unique<ui::WebBrowser>();
    if (viewer_) {
        viewer_->OnNavigateError = [this](long) {
            progress_.navigateError = true;
            Decide();
        };
        viewer_->OnDocumentComplete = [this] {
            progress_.documentComplete = true;
            Decide();
        };
        starting_ = true;
        progress_.created = viewer_->Create(ReportView.Handle());
        // The plain path, as the control takes a file name.
        if (progress_.created) progress_.navigated = viewer_->Navigate(path);
        starting_ = false;
    }
    Decide();
    if (display_ == ReportDisplay::Waiting) {
        timerRunning_ =
            ::SetTimer(Handle(), reinterpret_cast<UINT_PTR>(this), kViewWaitMs, ViewTimerProc) != 0;
        // Without a timer there is no safety net: do not wait at all.
        if (!timerRunning_) ViewTimerTimer();
    }
}

void CALLBACK TReportForm::ViewTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    auto* form = reinterpret_cast<TReportForm*>(id);
    RunGuarded([form] { form->ViewTimerTimer(); });
}

void TReportForm::ViewTimerTimer() {
    if (timerRunning_) {
        ::KillTimer(Handle(), reinterpret_cast<UINT_PTR>(this));
        timerRunning_ = false;
    }
    progress_.waitEnded = true;
    Decide();
}

void TReportForm::Decide() {
    if (starting_ || display_ != ReportDisplay::Waiting) return;
    const ReportDisplay d = ChooseReportDisplay(progress_);
    if (d == ReportDisplay::Waiting) return;
    display_ = d;
    if (timerRunning_) {
        ::KillTimer(Handle(), reinterpret_cast<UINT_PTR>(this));
        timerRunning_ = false;
    }
    // This may run inside one of the control's events: the control is only
    // hidden here, never released.
    if (d == ReportDisplay::Readable) {
        ReportView.SetVisible(false);
        ReportTextView.SetText(readableText_);
        ReportTextView.SetVisible(true);
    } else {
        ReportTextView.SetVisible(false);
        ReportView.SetVisible(true);
    }
    std::string().swap(readableText_);
}

// ---- Buttons ------------------------------------------------------------------

void TReportForm::SaveBtnClick() {
    const std::optional<std::string> target = SaveFileDialog(SaveDialog);
    if (!target) return;
    if (!SaveReportCopy(model_.AppDir, *target)) {
        // A copy that did not happen is not confirmed as saved.
        const std::string report = ReportFilePath(model_.AppDir);
        if (!FileExists(report)) throw AppError(FileErrorText(FileOperation::Open, report));
        throw AppError(FileErrorText(FileOperation::Create, *target));
    }
    ShowMessage(model_.LanguageTable[Lng::ReportSaved]);
}

void TReportForm::CloseBtnClick() {
    DeleteReport(model_.AppDir);
    EndModal(ui::mrOk);
}

} // namespace qv
