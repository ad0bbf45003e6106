#pragma once
// The main window: banner strip, three pages on a tab control, the bottom
// strip with the status line and the guard button, and the three pages.
#include "about/ServerSettings.h"
#include "autostart/AutostartEntry.h"
#include "process/GuardButton.h"
#include "process/ProcessControl.h"
#include "process/ProcessPage.h"
#include "process/ProcessTable.h"
#include "process/Surveillance.h"
#include "sysinfo/SystemInfo.h"
#include "ui/Form.h"
#include "ui/LinkLabel.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qv {

class TMainForm : public ui::Form {
  public:
    TMainForm();
    ~TMainForm() override;

    // Runs FormCreate and shows the window. False when start-up must end (the
    // language file is missing); then no window exists. `appDir` replaces the
    // executable's directory (tests give a folder of their own).
    bool Create(const std::string& appDir = {}, bool show = true);

    // The start-up sequence, in its fixed order.
    bool FormCreate();
    // Copies the language table's lines onto the controls.
    void ApplyLanguage();

    // Handlers.
    // The page change: brings the tab's page to the front and refreshes it;
    // a forced refresh rescans even when the page is filled.
    void TabChange(bool force = false);
    void ASRefreshBtnClick();
    void RefreshAutostarts(bool force);
    void FormResize();
    void Status(const std::string& text);
    void FormKeyDown(WORD key);
    void HelpBtnClick();
    void SelectASGroupComboChange();
    void ASListClick();
    void ASListMouseDown(const ui::EventArgs& args);
    // Known-entries menus, editing, deleting and the text editor.
    void AddEntryToDBBtnClick(const ui::Button& sender);
    void ASPM1Popup(ui::PopupMenu& menu);
    void AddSingleMenuClick(int tag);
    void ASEditBtnClick();
    void ASDelBtnClick();
    void ASEditorBtnClick();
    // The entry of the selected row, or nullptr.
    const AutostartEntry* SelectedEntry() const;

    // Process page (MainUnitProcesses.cpp).
    // Fills the page from the running processes unless it shows rows
    // already and nothing forces it; reloads the surveillance list.
    void RefreshProcessPage(bool force);
    void ProcRefreshBtnClick();
    void ProcKillBtnClick();
    void ProcInfoBtnClick();
    // Surveillance list.
    void SwitchSurvbtnClick();
    bool ProcSurvListDragOver(const ui::Control& source) const;
    void ProcSurvListDragDrop();
    void ProcSurvListClickCheck(int row);
    void AddSurvBtnClick();
    void FinishSurvBtnClick();
    void SurvSelectAllChkClick();
    // Guard button, its label and its timer.
    void ShowGuardState();
    void QVGuardBtnClick();
    void QVGuardTimerTimer();

    // What the process page shows: one row per process, and the
    // surveillance list with its tick marks.
    const std::vector<ProcessRow>& ProcessRows() const { return procRows_; }
    const SurveillanceList& Surveillance() const { return surv_; }

    // Where the process page's processes come from, how they are ended and
    // which guard the button controls: the system's unless a test or a
    // benchmark puts its own in before Create.
    ProcessSource* ProcSource = nullptr;
    ProcessControl* ProcControl = nullptr;
    std::unique_ptr<GuardControl> Guard;

    // The element of ASEntries that each row of the autostart list shows, in
    // row order; rebuilt with every fill of the list.
    std::vector<uint16_t> ASListIndex;

    // How the manual is opened; the shell by default.
    std::function<void(const std::string&)> OpenDocument;

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
    ui::Panel PagePnl0;
    ui::Panel PagePnl1;
    ui::Panel PagePnl2;
    // Autostart page.
    ui::Panel Page0MenuPnl;
    ui::Button ASRefreshBtn;
    ui::Panel ASProtectPnl;
    ui::CheckBox ASWriteProtectChk;
    ui::Button ASEditBtn;
    ui::Button ASEditorBtn;
    ui::Button ASDelBtn;
    ui::Button AddEntryToDBBtn;
    ui::Button DelEntryFromDBBtn;
    ui::Button ReportBtn;
    ui::GroupBox SelectASBox;
    ui::ComboBox SelectASGroupCombo;
    ui::GroupBox ASListBox;
    ui::ListView ASList;
    // Process page: the button column at the right, the main panel with the
    // process list and the surveillance list below it.
    ui::Panel Page1MenuPnl;
    ui::Button ProcRefreshBtn;
    ui::Button ProcKillBtn;
    ui::Button ProcInfoBtn;
    ui::ToggleButton SwitchSurvBtn;
    ui::Button AddSurvBtn;
    ui::Button FinishSurvBtn;
    ui::CheckBox SurvSelectAllChk;
    ui::Panel Page1MainPnl;
    ui::GroupBox ProcBox;
    ui::ListView ProcList;
    ui::Splitter SurvSplitter;
    ui::GroupBox ProcSurvBox;
    ui::CheckListBox ProcSurvList;
    // Not visible.
    ui::ImageList ASEIconList;
    ui::PopupMenu ASPM1;
    ui::PopupMenu ASPM2;
    ui::ImageList IconList;
    ui::Timer QVGuardTimer;

  protected:
    void OnResize() override;
    void OnKeyDown(WORD key) override { FormKeyDown(key); }

  private:
    void CreateControls();
    void CreateProcessPage();
    void BindEvents();
    void BindProcessPage();
    void LoadArtwork();
    // Places the aligned strips, pages and the autostart page's parts.
    void AlignControls();
    // The process page's parts: the surveillance box along the bottom of
    // the main panel while it is shown, the splitter above it.
    void AlignProcessPage();
    void SurvSplitterMoved(int distance);
    // Rescans and shows the same group again.
    void RescanKeepingGroup();
    ProcessControl& Processes();
    // The surveillance list as the model holds it, and the box's caption.
    void ShowSurveillanceList();
    void ShowSurveillanceCaption();
    // Writes procsurv.dat; false when it could not (the error was shown).
    bool SaveSurveillance();
    void ApplyGuardDisplay(const GuardDisplay& display);

    std::string appDirOverride_;
    FontHandle arial9_, arialBold12_, comboFont_;
    std::vector<ProcessRow> procRows_;
    SurveillanceList surv_{SystemCollation()};
    int survHeight_ = 0; // of the surveillance box, set by the splitter
    int survHeightAtPress_ = 0;

    // ==== Page 2: about block and system information (MainUnitInfo.cpp) ====
    // The report window is opened from the autostart page's ReportBtn
    // (MainUnitReport.cpp).
  public:
    // Fills the system information list anew and sets the version label.
    void RefreshSystemInfo();
    void QVWebsiteLblClick();
    void QVEmailLblClick();
    void QVBugreportMailLblClick();
    void SponsorLblClick();
    void AdImgClick();
    void QVUpdateBtnClick();
    void ReportBtnClick();

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

    ui::Panel Page2MainPnl;
    ui::Image Image1;
    ui::Label Label4;
    ui::Label QVVersionLbl;
    ui::Label Label5; // the notice pair
    ui::Label Label7;
    ui::Label Label2;
    ui::LinkLabel QVWebsiteLbl;
    ui::Label Label3;
    ui::LinkLabel QVEmailLbl;
    ui::Label Label6;
    ui::LinkLabel QVBugreportMailLbl;
    ui::Label Label8;
    ui::LinkLabel SponsorLbl;
    ui::Label CPLbl;
    ui::Button QVUpdateBtn;
    ui::GroupBox GroupBox1;
    ui::ListView SysInfoList;

  private:
    void CreateInfoPage();
    void BindInfoPageEvents();
    // Lays out page 2 in a page of the given size.
    void AlignInfoPage(int pageWidth, int pageHeight);
    void OpenAboutLink(const std::string& target);

    ServerSettings serverSettings_;
    AboutLinks aboutLinks_;
    FontHandle sysInfoFont_;
};

} // namespace qv
