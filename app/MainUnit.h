#pragma once
// The main window: the banner strip, the tab control with the help button on
// its tab row, and the bottom strip with the status line and the guard
// button. Each tab shows a page of its own (AutostartPage, ProcessesPage,
// InfoPage), made when the tab is first shown.
#include "about/ServerSettings.h"
#include "model/AppModel.h"
#include "app/AutostartPage.h"
#include "app/InfoPage.h"
#include "app/ProcessesPage.h"
#include "process/GuardButton.h"
#include "process/ProcessControl.h"
#include "sysinfo/SystemInfo.h"
#include "ui/Form.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

namespace qv {

class TMainForm : public ui::Form {
  public:
    // The window shows and changes the model, which outlives it (the
    // program's start-up owns it; tests make their own).
    explicit TMainForm(AppModel& model);
    ~TMainForm() override;

    // Runs FormCreate and shows the window. False when start-up must end (the
    // language file is missing); then no window exists. `appDir` replaces the
    // executable's directory (tests give a folder of their own). The frame
    // is shown and painted once its captions and the guard's state are on
    // it; the first page is made, the entries scanned and the list filled
    // with the page's sheet hidden, which is shown when all of it is done,
    // before any message is taken from the queue.
    bool Create(const std::string& appDir = {}, bool show = true);

    // The start-up sequence, in its fixed order.
    bool FormCreate();
    // Copies the language table's lines onto the window's controls and tells
    // every page made so far (each follows the model's language).
    void ApplyLanguage();
    AppModel& Model() const { return model_; }

    // Handlers.
    // The page change: makes the tab's page if it is shown for the first
    // time, brings it to the front and refreshes it; a forced refresh
    // rescans even when the page is filled. Without reveal the page's sheet
    // is left hidden (the start-up shows the first one once it is filled).
    void TabChange(bool force = false, bool reveal = true);
    void FormResize();
    void Status(const std::string& text);
    void FormKeyDown(WORD key);
    // The keys of the window beyond F1: Ctrl+Tab and Ctrl+Shift+Tab to the
    // next and the previous page, F5 to refresh the page shown; the others
    // go to the page shown. True when the key did something.
    bool KeyCommand(WORD key, HWND target);
    // Shows the page `step` tabs on (negative: back), wrapping round.
    void SwitchPage(int step);
    void HelpBtnClick();
    void AdImgClick();
    // Guard button, its label and its timer.
    void QVGuardBtnClick();
    void QVGuardTimerTimer();

    // The tabs in their order.
    enum PageIndex { AutostartPageIndex = 0, ProcessPageIndex = 1, InfoPageIndex = 2 };
    static constexpr int kPageCount = 3;
    // Whether the tab's page has been made (it is on its first showing).
    bool HasPage(int index) const;
    // The pages; one not shown yet is made now (tests and benchmarks reach
    // its controls through it).
    TAutostartPage& AutostartPage();
    TProcessesPage& ProcessesPage();
    TInfoPage& InfoPage();

    // Where the process page's processes come from, how they are ended and
    // which guard the button controls: the system's unless a test or a
    // benchmark puts its own in before Create.
    ProcessSource* ProcSource = nullptr;
    ProcessControl* ProcControl = nullptr;
    std::unique_ptr<GuardControl> Guard;
    ProcessControl& Processes();

    // How the manual is opened; the shell by default.
    std::function<void(const std::string&)> OpenDocument;
    // How the about block's links and the banner open their targets; the
    // shell when empty.
    std::function<void(const std::string&)> OpenLink;
    // Where the system information comes from; the running machine when
    // empty.
    std::function<SystemFigures()> ReadFigures;
    // Runs the update check for the program's folder and the update server's
    // base address; true when the program is to end for the updater. The
    // update dialog when empty.
    std::function<bool(const std::string& appDir, const std::string& baseAddress)> UpdateCheck;
    // Starts the program again as administrator; true when it was started
    // (this one then ends). ShellExecuteEx with "runas" when empty.
    std::function<bool()> RestartElevated;

    // The server and mail addresses of qv6.ini, read once at start-up, and
    // the links made of them (the banner's and the about block's).
    const ServerSettings& Server() const { return serverSettings_; }
    const AboutLinks& Links() const { return aboutLinks_; }
    void OpenAboutLink(const std::string& target);
    // A picture of the program at the window's setting: the design's
    // (`oneX`) or the one drawn at twice its size (`twoX`), made
    // width x height design pixels large; a mark of `id` at the size of a
    // small icon.
    BitmapHandle Picture(int oneX, int twoX, int width, int height) const;
    IconHandle SmallIcon(int id) const;
    // The bold caption font the strips and the about block share.
    HFONT BoldFont();

    // ---- Controls, in creation order ------------------------------------
    ui::Panel AdTopPnl;
    ui::Image AdImg;
    ui::Panel BottomPnl;
    ui::Image QVBanner;
    ui::Label StatusLbl;
    ui::ToggleButton QVGuardBtn;
    ui::Label QVGuardLbl;
    ui::TabControl Tab;
    ui::Button HelpBtn;
    // The sheets the pages are made on, one per tab.
    ui::Panel PagePnl0;
    ui::Panel PagePnl1;
    ui::Panel PagePnl2;
    ui::Timer QVGuardTimer;

  protected:
    void OnResize() override;
    bool OnKeyDown(WORD key, HWND target) override;
    void OnDpiChanged() override;

  private:
    void CreateControls();
    void BindEvents();
    void LoadArtwork();
    // Places the strips, the tab control, the page sheets and the parts of
    // every page made so far.
    void AlignControls();
    void ApplyGuardDisplay(const GuardDisplay& display);
    // Makes the tab's page unless it exists, gives it its lines and lays it
    // out; returns it.
    ui::Page& EnsurePage(int index);
    ui::Panel& PageSheet(int index);
    // The pages' sheets, hidden, laid out in the tab's display area.
    void CreateSheets();

    AppModel& model_;
    std::string appDirOverride_;
    bool showOnCreate_ = false;
    ServerSettings serverSettings_;
    AboutLinks aboutLinks_;
    std::array<std::unique_ptr<ui::Page>, kPageCount> pages_;
};

} // namespace qv
