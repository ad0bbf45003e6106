#include "update/CheckUpdateUnit.h"

#include "about/ServerSettings.h"
#include "base/Files.h"
#include "update/HttpProtocol.h"
#include "ui/Dialogs.h"

#include <utility>

namespace qv {

namespace {
// The window keeps a border of the form's colour around its 314 x 73 client
// area; the controls sit inside it.
constexpr int kBorder = 10;
constexpr int kInnerWidth = 314, kInnerHeight = 73;
constexpr int kBarHeight = 17;
constexpr int kLabelHeight = 18;
} // namespace

TCheckUpdateForm::TCheckUpdateForm(const LanguageFile& lines, std::string appDir,
                                   std::string baseAddress)
    : ExePath(ExecutablePath()), lines_(lines), appDir_(std::move(appDir)),
      baseAddress_(std::move(baseAddress)) {
    FormCreate();
}

TCheckUpdateForm::~TCheckUpdateForm() {
    Destroy();
}

void TCheckUpdateForm::FormCreate() {
    CreateModalFrame(L"TCheckUpdateForm", "Update verf\xFCgbar?", kInnerWidth + 2 * kBorder,
                     kInnerHeight + 2 * kBorder, RGB(245, 245, 245), {L"Arial", 12, true}, true,
                     false);
    // The line in the middle of the room above the bar.
    Add(WaitLbl, {.name = "WaitLbl",
                  .left = kBorder,
                  .top = kBorder + (kInnerHeight - kBarHeight - kLabelHeight) / 2,
                  .width = kInnerWidth,
                  .height = kLabelHeight,
                  .style = SS_CENTER});
    Add(PBar, {.name = "PBar",
               .left = kBorder,
               .top = kBorder + kInnerHeight - kBarHeight,
               .width = kInnerWidth,
               .height = kBarHeight});
    PBar.SetRange(0, kBarMax);
    PBar.SetStep(1);
    PBar.SetPosition(0);
    ConfigureUpdateClient(HTTP, appDir_);
    AddTimer(WaitTimer, kWaitInterval, [this] { WaitTimerTimer(); });
    WaitLbl.SetCaption(lines_[Lng::UpdateWait]);
    // The bar stands for the wait the line above it asks for.
    PBar.SetAccessibleName(lines_[Lng::UpdateWait]);
}

bool TCheckUpdateForm::CloseQuery() {
    if (checking_) return false;
    // Closed before the first tick: no tick may start the check afterwards.
    WaitTimer.SetEnabled(false);
    return true;
}

void TCheckUpdateForm::WaitTimerTimer() {
    // A tick that arrives while one is being handled (during its own pumping
    // or the check's network waits) is dropped: it would move the bar past 1,
    // and the check would then never run.
    if (ticking_) return;
    ticking_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{ticking_};

    PBar.StepIt();
    // So the bar is drawn before the check holds the thread.
    ui::ProcessMessages(this);
    if (PBar.Position() >= PBar.Max()) WaitTimer.SetEnabled(false);
    if (PBar.Position() != 1 || checkStarted_) return;
    // A close request handled just now ends the dialog without a request.
    if (ModalResult != ui::mrNone) {
        WaitTimer.SetEnabled(false);
        return;
    }
    Check();
}

void TCheckUpdateForm::Check() {
    WaitTimer.SetEnabled(false);
    checkStarted_ = true;
    checking_ = true;
    UpdateCheckHooks hooks = Outside;
    hooks.show = [this](Lng line) { ShowMessage(lines_[line]); };
    hooks.confirm = [this](Lng line) { return Confirm(lines_[line]); };
    UpdateCheckResult result;
    const bool done = RunGuarded([&] {
        try {
            result = RunUpdateCheck(HTTP, appDir_, baseAddress_, ExePath, hooks);
        } catch (const ESockError& e) {
            // The user reads German; the system's words stay in the cause.
            throw AppError(ShownText(lines_, e.failure()));
        }
    });
    checking_ = false;
    // After an error box the dialog stays open, its bar at 1, until the user
    // closes it.
    if (!done) return;
    endProgram_ = result.endProgram;
    EndModal(ui::mrOk);
}

bool ShowUpdateCheck(const LanguageFile& lines, const std::string& appDir,
                     const std::string& baseAddress) {
    TCheckUpdateForm form(lines, appDir, baseAddress);
    form.ShowModal();
    return form.EndProgram();
}

bool ShowUpdateCheck(const LanguageFile& lines, const std::string& appDir) {
    return ShowUpdateCheck(lines, appDir, UpdateBaseAddress(LoadServerSettings(appDir)));
}

} // namespace qv
