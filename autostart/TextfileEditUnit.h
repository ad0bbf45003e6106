#pragma once
// A plain text editor for the ini, boot and batch files that hold autostart
// lines.
#include "base/LanguageFile.h"
#include "ui/Modal.h"

#include <string>

namespace qv {

class TTextfileEditForm : public ui::ModalForm {
  public:
    // The dialog speaks the lines of the table, which outlives it.
    explicit TTextfileEditForm(const LanguageFile& lines);
    ~TTextfileEditForm() override;

    // The full path of the file being edited; set before the window shows.
    std::string EditFileName;
    // The program's folder: when set, every save is recorded in its history.
    std::string HistoryDir;

    void FormCreate();
    void WriteProtectchkClick();
    void SaveBtnClick();
    void CloseBtnClick();
    bool CloseQuery() override { return true; } // the frame closes without asking

    ui::Panel RightPnl;
    ui::CheckBox WriteProtectChk;
    ui::Button SaveBtn;
    ui::Button CloseBtn;
    ui::Memo EditMemo;

  protected:
    void FormShow() override;
    // Escape asks like the close button, so no change is lost by a key.
    void CancelKey() override { CloseBtnClick(); }
    void OnResize() override;

  private:
    const LanguageFile& lines_;
};

} // namespace qv
