#include "autostart/TextfileEditUnit.h"

#include "autostart/TextFile.h"
#include "ui/Dialogs.h"
#include "base/Text.h"
#include "base/WinText.h"
#include "history/HistoryUndo.h"

namespace qv {

namespace {
constexpr int kRightWidth = 130;
} // namespace

TTextfileEditForm::TTextfileEditForm(const LanguageFile& lines) : lines_(lines) {
    FormCreate();
}

TTextfileEditForm::~TTextfileEditForm() {
    Destroy();
}

void TTextfileEditForm::FormCreate() {
    CreateModalFrame(L"TTextfileEditForm", lines_[Lng::EditorWindowCaption], 563, 412,
                     RGB(255, 255, 255), {L"MS Sans Serif", 11}, false, true);
    Add(RightPnl, {.name = "RightPnl", .width = kRightWidth});
    Add(WriteProtectChk, {.name = "WriteProtectChk",
                          .parent = &RightPnl,
                          .left = 8,
                          .top = 8,
                          .width = kRightWidth - 12,
                          .height = 18});
    Add(SaveBtn, {.name = "SaveBtn",
                  .parent = &RightPnl,
                  .left = 6,
                  .top = 34,
                  .width = kRightWidth - 12,
                  .height = 28});
    Add(CloseBtn, {.name = "CloseBtn",
                   .parent = &RightPnl,
                   .left = 6,
                   .top = 68,
                   .width = kRightWidth - 12,
                   .height = 28});
    // Locked until write protection is cleared.
    Add(EditMemo, {.name = "EditMemo", .style = WS_DISABLED});
    ::SendMessageW(EditMemo.Handle(), EM_SETLIMITTEXT, 0, 0);
    WriteProtectChk.SetChecked(true);

    WriteProtectChk.SetCaption(lines_[Lng::EditorWriteProtectCaption]);
    SetHint(WriteProtectChk, lines_[Lng::EditorWriteProtectHint]);
    SaveBtn.SetCaption(lines_[Lng::EditorSaveCaption]);
    SetHint(SaveBtn, lines_[Lng::EditorSaveHint]);
    CloseBtn.SetCaption(lines_[Lng::EditorCloseCaption]);
    SetHint(CloseBtn, lines_[Lng::EditorCloseHint]);

    On(WriteProtectChk, ui::Event::Click, [this](auto&) { WriteProtectchkClick(); });
    On(SaveBtn, ui::Event::Click, [this](auto&) { SaveBtnClick(); });
    On(CloseBtn, ui::Event::Click, [this](auto&) { CloseBtnClick(); });
    OnResize();
}

void TTextfileEditForm::OnResize() {
    int w = ClientWidth(), h = ClientHeight();
    const int right = Scale(kRightWidth);
    RightPnl.SetBounds(w - right, 0, right, h);
    EditMemo.SetBounds(0, 0, w - right, h);
}

void TTextfileEditForm::FormShow() {
    // An unreadable file: the error is shown, the window opens empty and
    // keeps its first caption.
    EditMemo.SetLines({});
    RunGuarded([this] {
        EditMemo.SetLines(LoadTextLines(EditFileName));
        ::SetWindowTextW(Handle(),
                         ToWide(lines_.Format(Lng::EditorCaptionFile, {EditFileName})).c_str());
    });
    EditMemo.SetModified(false);
    // The text has no label: it is named by the window's caption, the file.
    wchar_t caption[1024] = {};
    ::GetWindowTextW(Handle(), caption, 1024);
    EditMemo.SetAccessibleName(FromWide(caption));
}

void TTextfileEditForm::WriteProtectchkClick() {
    // Only unlocks the text for typing; nothing changes on disk.
    EditMemo.SetEnabled(!WriteProtectChk.Checked());
}

void TTextfileEditForm::SaveBtnClick() {
    if (HistoryDir.empty()) {
        SaveTextLines(EditFileName, EditMemo.Lines());
    } else {
        ChangeTouch file;
        file.what = TouchWhat::File;
        file.place = EditFileName;
        PendingChange change(HistoryDir, ChangeKind::TextSaved, ExtractFileName(EditFileName),
                             {file});
        SaveTextLines(EditFileName, EditMemo.Lines());
        change.Finish();
    }
    EditMemo.SetModified(false);
}

void TTextfileEditForm::CloseBtnClick() {
    if (EditMemo.Modified()) {
        MsgResult r = MessageDlg({lines_[Lng::EditorCloseQuestion], "Best\xE4tigung",
                                  MsgKind::Question, BtnYes | BtnNo | BtnCancel});
        if (r == MsgResult::Cancel) return;
        if (r == MsgResult::Yes) {
            // A failed save throws: the window stays open with the change.
            SaveBtnClick();
        }
    }
    EndModal(ui::mrCancel);
}

} // namespace qv
