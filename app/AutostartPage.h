#pragma once
// The main window's first page: the group choice, the list of the group's
// entries with their known marks and tick boxes, and the button column with
// refreshing, write protection, editing, deleting, the text editor, the
// known-entries menus and the report.
#include "autostart/AutostartEntry.h"
#include "base/Failure.h"
#include "base/Handles.h"
#include "model/AppModel.h"
#include "signature/SignatureVerifier.h"
#include "ui/Page.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace qv {

class TMainForm;

// Starts this program again as administrator (ShellExecuteEx "runas"); true
// when it started.
bool StartProgramElevated();

class TAutostartPage : public ui::Page {
  public:
    // Makes the page's controls on the form's first sheet. The page shows
    // the model's entries and known entries and follows their changes.
    TAutostartPage(TMainForm& form, AppModel& model, ui::Panel& sheet);
    // Stops the publisher column's worker before anything it reports to goes.
    ~TAutostartPage() override;

    void ApplyLanguage() override;
    void Align(int width, int height) override;
    void Refresh(bool force) override { RefreshAutostarts(force); }
    void DpiChanged() override { LoadMarks(); }
    // Enter on the list edits the selected entry, Del deletes it, as the
    // buttons do while they are enabled.
    bool KeyDown(WORD key, HWND target, bool ctrl) override;
    // Rescans unless the entries are there and nothing forces it, and shows
    // the chosen group (through the model's change of its entries).
    void RefreshAutostarts(bool force);

    // Handlers.
    void ASRefreshBtnClick();
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
    void ReportBtnClick();
    // The history of changes, and the undo of some of them.
    void HistoryBtnClick();
    // The hide switch refills the list.
    void ASHideWindowsChkClick();
    // Takes the verdicts the worker has handed over into the publisher
    // column, and with the hide switch on drops the rows Windows signed.
    void ASVerifyNotifierNotify();
    // "Nicht mehr fernhalten": the selected deactivated entry is no longer
    // parked again when its program writes it back.
    void ASStopKeepingBtnClick();
    // The entry of the selected row, or nullptr.
    const AutostartEntry* SelectedEntry() const;

    // The element of the model's ASEntries that each row of the autostart list shows, in
    // row order; rebuilt with every fill of the list.
    std::vector<uint16_t> ASListIndex;
    // Rows of the group the hide switch left out, for the caption.
    int HiddenRows = 0;
    // The worker that fills the publisher column (tests wait on it).
    VerifyQueue& ASVerifyQueue() { return *verifyQueue_; }
    // The start-up's fills keep their batch: its worker loads the crypto
    // libraries, which would slow the window on its way to the screen.
    // Released once the window is shown, the batch starts at the first
    // zero timer, which comes only after every paint and posted message.
    void HoldFirstVerify() { holdVerify_ = true; }
    void ReleaseFirstVerify();

    // ---- Controls, in creation order ------------------------------------
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
    ui::Button HistoryBtn;
    ui::Button ASStopKeepingBtn;
    ui::GroupBox SelectASBox;
    ui::ComboBox SelectASGroupCombo;
    ui::GroupBox ASListBox;
    ui::ListView ASList;
    ui::CheckBox ASHideWindowsChk;
    // Not visible: the worker's nudge reaches the page through it.
    ui::Notifier ASVerifyNotifier;
    // Not visible.
    ui::Timer ASVerifyTimer;
    ui::ImageList ASEIconList;
    ui::PopupMenu ASPM1;
    ui::PopupMenu ASPM2;

  private:
    void CreateControls(ui::Panel& sheet);
    void LoadMarks();
    void BindEvents();
    // Rescans and shows the same group again.
    void RescanKeepingGroup();
    // Asks the failure's question; on yes starts the program again as
    // administrator and, once it runs, closes this one.
    void OfferElevation(const Failure& failure);
    // Shows why the entry cannot be edited or deleted; false when it can.
    bool RefusedEdit(const AutostartEntry& entry);

    // The group's rows again, whenever the entries or the known entries
    // changed; the lines whenever the language did.
    void ModelChanged(ModelChange change);
    // The list box's caption: the rows, and while hiding, the hidden ones.
    void ShowListCaption();
    // The buttons that act on a selected row, until a row is selected again.
    void DisableRowButtons();
    // The publisher column of row `row` for a verdict.
    void ShowVerdict(int row, const SignatureVerdict& verdict);
    // Asks the worker for the verdicts of the fill's paths.
    void StartVerify(std::vector<std::string> paths);
    // The held batch, once the window is idle.
    void ASVerifyTimerTimer();

    TMainForm& main_;
    AppModel& model_;
    AppModel::Subscription subscription_;

    // The verdicts known for the session's entries, by index into ASEntries;
    // forgotten when the entries change (the verifier's cache keeps the
    // files' verdicts).
    std::map<uint16_t, SignatureVerdict> verdicts_;
    // What the worker handed over and the page has not taken yet, locked:
    // the worker adds, the window's thread takes.
    struct Arrived {
        VerifyQueue::Batch batch;
        size_t index;
        SignatureVerdict verdict;
    };
    std::mutex arrivedMutex_;
    std::vector<Arrived> arrived_;
    // The batch the list waits for, and the entry of each of its paths.
    VerifyQueue::Batch batch_ = 0;
    std::vector<uint16_t> batchEntries_;
    // The start-up's batch, held until the window is idle.
    bool holdVerify_ = false;
    std::vector<std::string> heldPaths_;
    std::unique_ptr<VerifyQueue> verifyQueue_;
};

} // namespace qv
