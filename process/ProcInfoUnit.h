#pragma once
// The process information dialog: the properties of a process's executable
// file in one list and the process's own figures in another, for one row of
// the process page. Filled once, when it is shown.
#include "process/ProcessPage.h"
#include "base/LanguageFile.h"
#include "signature/SignatureVerifier.h"
#include "ui/Modal.h"

namespace qv {

class TProcInfoForm : public ui::ModalForm {
  public:
    // The dialog speaks the lines of the table, which outlives it.
    explicit TProcInfoForm(const LanguageFile& lines);
    ~TProcInfoForm() override;

    // The row to show, set by the opener before the dialog is shown. The row
    // keeps its own copy of the table entry, so the dialog shows the process
    // the user chose even when the table has been rebuilt since.
    ProcessRow Row;
    // Who signed the file, asked when the dialog is shown (one file: the
    // wait is short); no signature row without it.
    SignatureVerifier* Signatures = nullptr;

    void FormCreate();
    void CloseBtnClick();

    ui::GroupBox PropFileBox;
    ui::ListView FileList;
    ui::GroupBox PropProcBox;
    ui::ListView ProcList;
    ui::Button CloseBtn;

  protected:
    void FormShow() override;
    void DefaultKey() override { CloseBtnClick(); }

  private:
    const LanguageFile& lines_;
};

} // namespace qv
