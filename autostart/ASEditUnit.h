#pragma once
// The dialog that changes the value name and the value of a registry or ini
// entry.
#include "autostart/AutostartEntry.h"
#include "base/LanguageFile.h"
#include "ui/Modal.h"

namespace qv {

class TASEditForm : public ui::ModalForm {
  public:
    // The dialog speaks the lines of the table, which outlives it.
    explicit TASEditForm(const LanguageFile& lines);
    ~TASEditForm() override;

    // The entry to edit; filled by the caller before the dialog is shown.
    AutostartEntry EditedEntry = ZeroEntry();
    // The value name OK applied, for the history to record a rename.
    std::string AppliedName;

    void FormCreate();
    void OkBtnClick();
    void CancelBtnClick();

    ui::GroupBox EditGrpBox;
    ui::Label Keylbl;
    ui::Edit KeyEdit;
    ui::Label ValueLbl;
    ui::Edit ValueEdit;
    ui::Button OkBtn;
    ui::Button CancelBtn;

  protected:
    void FormShow() override;
    void CancelKey() override { CancelBtnClick(); }
    void DefaultKey() override { OkBtnClick(); }

  private:
    const LanguageFile& lines_;
};

} // namespace qv
