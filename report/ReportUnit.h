#pragma once
// The report window: writes the HTML report of the autostart entries beside
// the program and shows it, in the system's web browser control where that
// renders it, else as a readable text of the same chapters and rows. The
// user keeps a copy of the file, or closes the window, which deletes it.
#include "model/AppModel.h"
#include "report/ReportDisplay.h"
#include "ui/Dialogs.h"
#include "ui/Modal.h"
#include "ui/TextView.h"
#include "ui/WebBrowser.h"

#include <functional>
#include <memory>
#include <string>

namespace qv {

class TReportForm : public ui::ModalForm {
  public:
    // Reports the model's entries into its folder, in its language.
    explicit TReportForm(const AppModel& model);
    ~TReportForm() override;

    void FormCreate();
    void SaveBtnClick();
    void CloseBtnClick();
    // The safety net: the browser control has said neither that it shows
    // the document nor that it cannot, in the time it had.
    void ViewTimerTimer();

    // Which view the window shows: Waiting while the browser control loads,
    // then Browser or Readable for good.
    ReportDisplay Display() const { return display_; }

    // How the viewer of the document is made; the system's web browser
    // control by default. Tests give one that reports what they choose.
    // Returns the previous factory; an empty one restores the default.
    using ViewerFactory = std::function<std::unique_ptr<ui::HtmlViewer>()>;
    static ViewerFactory SetViewerFactory(ViewerFactory factory);

    // How long the window waits for the browser control's word.
    static constexpr unsigned kViewWaitMs = 10000;

    // The save dialog's settings.
    FileDialogRequest SaveDialog;

    ui::GroupBox ReportBox;
    ui::Panel ReportView;        // the browser control lives on it
    ui::TextView ReportTextView; // the readable view, where the control cannot render
    ui::Panel RightPnl;
    ui::Button SaveBtn;
    ui::Button CloseBtn;

  protected:
    void FormShow() override;
    void OnResize() override;

  private:
    static void CALLBACK ViewTimerProc(HWND, UINT, UINT_PTR id, DWORD);
    void StartViewer(const std::string& path);
    // Settles the view once the control's events allow it.
    void Decide();

    const AppModel& model_;
    std::unique_ptr<ui::HtmlViewer> viewer_;
    BrowserProgress progress_;
    ReportDisplay display_ = ReportDisplay::Waiting;
    // While the control is being created and navigated its events are only
    // noted: the window decides when the calls have returned.
    bool starting_ = false;
    bool timerRunning_ = false;
    // The readable view's text, kept until the view is settled.
    std::string readableText_;
};

} // namespace qv
