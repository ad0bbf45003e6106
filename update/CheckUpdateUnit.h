#pragma once
// The update check's dialog: a line asking the user to wait and a bar that
// moves once a second. About a second after it opens the check runs once;
// when it raised nothing the dialog closes by itself, otherwise its error
// box has been shown and the dialog stays open until the user closes it.
#include "base/LanguageFile.h"
#include "ui/Modal.h"
#include "update/CheckUpdate.h"
#include "update/HttpClient.h"

#include <string>

namespace qv {

class TCheckUpdateForm : public ui::ModalForm {
  public:
    // The dialog speaks the lines of the table, which outlives it. appDir
    // ends with a backslash; baseAddress is the update server's
    // "http://host/".
    TCheckUpdateForm(const LanguageFile& lines, std::string appDir, std::string baseAddress);
    ~TCheckUpdateForm() override;

    static constexpr int kBarMax = 30;
    static constexpr UINT kWaitInterval = 1000;

    void FormCreate();
    void WaitTimerTimer();
    // While the check runs, a close request from the frame or Escape is
    // ignored: the check works on this form's members.
    bool CloseQuery() override;

    // True after an OK to the question: update.ini has been written and
    // update.exe started, and the program is to end once the dialog has
    // closed.
    bool EndProgram() const { return endProgram_; }
    // Whether the check has started (it starts once per dialog).
    bool CheckStarted() const { return checkStarted_; }
    bool Checking() const { return checking_; }

    ui::Label WaitLbl;
    ui::ProgressBar PBar;
    ui::Timer WaitTimer;
    // The client of the question; its time limit is set per step.
    HttpClient HTTP;
    // The guard and the shell as the check uses them; empty members mean
    // the real ones (tests script them). show and confirm are always the
    // dialog seam.
    UpdateCheckHooks Outside;
    // What update.ini names as the program to start again.
    std::string ExePath;

  private:
    void Check();

    const LanguageFile& lines_;
    std::string appDir_;
    std::string baseAddress_;
    bool ticking_ = false;
    bool checking_ = false;
    bool checkStarted_ = false;
    bool endProgram_ = false;
};

// Creates the dialog, shows it modally, releases it and returns whether the
// program must end now (the user agreed to the update, and update.exe has
// been started). The base address is the update server's "http://host/".
bool ShowUpdateCheck(const LanguageFile& lines, const std::string& appDir,
                     const std::string& baseAddress);
// The same with the base address of the server settings in appDir
// (qv6.ini's [Server] Host, or the built-in server).
bool ShowUpdateCheck(const LanguageFile& lines, const std::string& appDir);

} // namespace qv
