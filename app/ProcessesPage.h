#pragma once
// The main window's second page: the running processes with their icons,
// the button column for refreshing, ending and the information dialog, and
// the surveillance list below the processes with its own buttons.
#include "process/ProcessPage.h"
#include "process/ProcessTable.h"
#include "process/Surveillance.h"
#include "model/AppModel.h"
#include "ui/Page.h"

#include <vector>

namespace qv {

class TMainForm;

class TProcessesPage : public ui::Page {
  public:
    // Makes the page's controls on the form's second sheet. The page shows
    // the model's process table and follows its changes.
    TProcessesPage(TMainForm& form, AppModel& model, ui::Panel& sheet);

    void ApplyLanguage() override;
    void Align(int width, int height) override;
    void Refresh(bool force) override { RefreshProcessPage(force); }
    void DpiChanged() override;
    // Enter on the process list shows the information, Ins adds the process
    // to the surveillance list as a drop does; Del on the surveillance list
    // removes the ticked entries (the focused one when none is ticked),
    // Ctrl+A ticks them all.
    bool KeyDown(WORD key, HWND target, bool ctrl) override;
    // Reads the running processes into the model unless the page shows rows
    // already and nothing forces it; the change fills the page.
    void RefreshProcessPage(bool force);
    // Fills the list from the model's process table; reloads the
    // surveillance list.
    void ShowProcesses();

    // Handlers.
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

    // What the page shows: one row per process, and the surveillance list
    // with its tick marks.
    const std::vector<ProcessRow>& ProcessRows() const { return procRows_; }
    const SurveillanceList& Surveillance() const { return surv_; }

    // ---- Controls, in creation order ------------------------------------
    // The button column at the right, the main panel with the process list
    // and the surveillance list below it.
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
    ui::ImageList IconList;

  private:
    void CreateControls(ui::Panel& sheet);
    void BindEvents();
    // The surveillance box along the bottom of the main panel while it is
    // shown, the splitter above it.
    void AlignParts();
    void SurvSplitterMoved(int distance);
    // The surveillance list as the model holds it, and the box's caption.
    void ShowSurveillanceList();
    void ShowSurveillanceCaption();
    // Writes procsurv.dat; false when it could not (the error was shown).
    bool SaveSurveillance();

    void ModelChanged(ModelChange change);

    TMainForm& main_;
    AppModel& model_;
    ui::Panel& sheet_;
    std::vector<ProcessRow> procRows_;
    SurveillanceList surv_{SystemCollation()};
    int survHeight_ = 0; // of the surveillance box, set by the splitter
    int survHeightAtPress_ = 0;
    AppModel::Subscription subscription_;
};

} // namespace qv
