#include "autostart/TextfileEditUnit.h"

#include "app/LanguageTable.h"
#include "autostart/TextFile.h"
#include "ui/Dialogs.h"
#include "ui/WinText.h"

namespace qv {

namespace {
constexpr DWORD kFlatButton = BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP;
constexpr int kRightWidth = 130;
} // namespace

TTextfileEditForm::TTextfileEditForm() {
    FormCreate();
}

TTextfileEditForm::~TTextfileEditForm() {
    Destroy();
}

void TTextfileEditForm::FormCreate() {
    CreateModalFrame(L"TTextfileEditForm", LanguageTable[122], 563, 412, RGB(255, 255, 255),
                     {L"MS Sans Serif", 11}, false, true);
    AddPanel(RightPnl, "RightPnl", nullptr, 0, 0, kRightWidth, 10);
    AddControl(WriteProtectChk, "WriteProtectChk", &RightPnl, L"BUTTON",
               BS_AUTOCHECKBOX | WS_TABSTOP, 0, 8, 8, kRightWidth - 12, 18);
    AddControl(SaveBtn, "SaveBtn", &RightPnl, L"BUTTON", kFlatButton, 0, 6, 34, kRightWidth - 12,
               28);
    AddControl(CloseBtn, "CloseBtn", &RightPnl, L"BUTTON", kFlatButton, 0, 6, 68, kRightWidth - 12,
               28);
    // Tabs are typed into the text; no word wrap.
    AddControl(EditMemo, "EditMemo", nullptr, L"EDIT",
               ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_WANTRETURN | WS_HSCROLL |
                   WS_VSCROLL | WS_DISABLED,
               WS_EX_CLIENTEDGE, 0, 0, 10, 10);
    ::SendMessageW(EditMemo.Handle(), EM_SETLIMITTEXT, 0, 0);
    WriteProtectChk.SetChecked(true);

    WriteProtectChk.SetCaption(LanguageTable[123]);
    SetHint(WriteProtectChk, LanguageTable[124]);
    SaveBtn.SetCaption(LanguageTable[125]);
    SetHint(SaveBtn, LanguageTable[126]);
    CloseBtn.SetCaption(LanguageTable[127]);
    SetHint(CloseBtn, LanguageTable[128]);

    On(WriteProtectChk, ui::Event::Click, [this](auto&) { WriteProtectchkClick(); });
    On(SaveBtn, ui::Event::Click, [this](auto&) { SaveBtnClick(); });
    On(CloseBtn, ui::Event::Click, [this](auto&) { CloseBtnClick(); });
    OnResize();
}

void TTextfileEditForm::OnResize() {
    int w = ClientWidth(), h = ClientHeight();
    RightPnl.SetBounds(w - kRightWidth, 0, kRightWidth, h);
    EditMemo.SetBounds(0, 0, w - kRightWidth, h);
}

void TTextfileEditForm::FormShow() {
    // An unreadable file: the error is shown, the window opens empty and
    // keeps its first caption.
    EditMemo.SetLines({});
    RunGuarded([this] {
        EditMemo.SetLines(LoadTextLines(EditFileName));
        ::SetWindowTextW(Handle(), ToWide(LanguageTable.Format(63, {EditFileName})).c_str());
    });
    EditMemo.SetModified(false);
}

void TTextfileEditForm::WriteProtectchkClick() {
    // Only unlocks the text for typing; nothing changes on disk.
    EditMemo.SetEnabled(!WriteProtectChk.Checked());
}

void TTextfileEditForm::SaveBtnClick() {
    SaveTextLines(EditFileName, EditMemo.Lines());
    EditMemo.SetModified(false);
}

void TTextfileEditForm::CloseBtnClick() {
    if (EditMemo.Modified()) {
        MsgResult r = MessageDlg(
            {LanguageTable[62], "Best\xE4tigung", MsgKind::Question, BtnYes | BtnNo | BtnCancel});
        if (r == MsgResult::Cancel) return;
        if (r == MsgResult::Yes) {
            // A failed save throws: the window stays open with the change.
            SaveBtnClick();
        }
    }
    EndModal(ui::mrCancel);
}

} // namespace qv
