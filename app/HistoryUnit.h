#pragma once
// The history window: the changes the program made to the machine, newest
// first, what the limits dropped, and the undo of the selected changes.
#include "model/AppModel.h"
#include "ui/Modal.h"

#include <cstdint>
#include <vector>

namespace qv {

class THistoryForm : public ui::ModalForm {
  public:
    // Shows and undoes the history of the model's folder; an undo changes
    // the model's entries and known entries, and tells nobody: the opener
    // does, after the window closed, when Undone... says so.
    explicit THistoryForm(AppModel& model);
    ~THistoryForm() override;

    void FormCreate();
    // Undoes the selected changes, newest first, then says in one message
    // why any of them was not undone.
    void UndoBtnClick();
    void CloseBtnClick();
    void HistoryListClick();

    // What the undos changed, for the opener to tell and refresh.
    bool UndoneEntries = false;
    bool UndoneKnownEntries = false;
    // The id of the change each row shows, in row order.
    std::vector<uint32_t> RowIds;

    ui::ListView HistoryList;
    ui::Label HistoryLbl;
    ui::Button UndoBtn;
    ui::Button CloseBtn;

  protected:
    void FormShow() override;
    void OnResize() override;

  private:
    // Reads the history again and fills the list; a refused file leaves it
    // empty and says why.
    void Fill();

    AppModel& model_;
    bool refused_ = false;
};

} // namespace qv
