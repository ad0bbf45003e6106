#include "autostart/ASEditUnit.h"

#include "autostart/EntryMaintenance.h"
#include "base/WinText.h"

namespace qv {

namespace {
constexpr int kWidth = 420, kHeight = 150;
} // namespace

TASEditForm::TASEditForm(const LanguageFile& lines) : lines_(lines) {
    FormCreate();
}

TASEditForm::~TASEditForm() {
    Destroy();
}

void TASEditForm::FormCreate() {
    CreateModalFrame(L"TASEditForm", "Eintrag \xE4ndern", kWidth, kHeight, RGB(255, 255, 255),
                     {L"MS Sans Serif", 11}, true, false);
    Add(EditGrpBox,
        {.name = "EditGrpBox", .left = 8, .top = 6, .width = kWidth - 16, .height = 92});
    Add(Keylbl, {.name = "Keylbl",
                 .parent = &EditGrpBox,
                 .left = 10,
                 .top = 27,
                 .width = 76,
                 .height = 14});
    Add(KeyEdit, {.name = "KeyEdit",
                  .parent = &EditGrpBox,
                  .left = 90,
                  .top = 23,
                  .width = kWidth - 16 - 100,
                  .height = 21});
    Add(ValueLbl, {.name = "ValueLbl",
                   .parent = &EditGrpBox,
                   .left = 10,
                   .top = 59,
                   .width = 76,
                   .height = 14});
    Add(ValueEdit, {.name = "ValueEdit",
                    .parent = &EditGrpBox,
                    .left = 90,
                    .top = 55,
                    .width = kWidth - 16 - 100,
                    .height = 21});
    Add(OkBtn, {.name = "OkBtn",
                .left = 8,
                .top = 108,
                .width = 220,
                .height = 30,
                .style = BS_DEFPUSHBUTTON});
    Add(CancelBtn,
        {.name = "CancelBtn", .left = 236, .top = 108, .width = kWidth - 244, .height = 30});
    // The record's fields hold at most 255 characters.
    KeyEdit.SetMaxLength(255);
    ValueEdit.SetMaxLength(255);

    ::SetWindowTextW(Handle(), ToWide(lines_[Lng::EditDialogCaption]).c_str());
    EditGrpBox.SetCaption(lines_[Lng::EditDialogCaption]);
    Keylbl.SetCaption(lines_[Lng::EditKeyLabel]);
    ValueLbl.SetCaption(lines_[Lng::EditValueLabel]);
    OkBtn.SetCaption(lines_[Lng::EditOkCaption]);
    CancelBtn.SetCaption(lines_[Lng::EditCancelCaption]);

    On(OkBtn, ui::Event::Click, [this](auto&) { OkBtnClick(); });
    On(CancelBtn, ui::Event::Click, [this](auto&) { CancelBtnClick(); });
}

void TASEditForm::FormShow() {
    // Only a registry value outside the shell open commands can be renamed:
    // those keep their default value's name.
    KeyEdit.SetEnabled(EditedEntry.Kind == KindRegistry &&
                       !InGroup(EditedEntry, AutostartGroup::ShellOpen));
    KeyEdit.SetCaption(EditedEntry.ValueName.view());
    ValueEdit.SetCaption(EditedEntry.ValueData.view());
}

void TASEditForm::OkBtnClick() {
    // A write the system refuses throws: the general error handler shows it
    // and the dialog stays open.
    AppliedName = KeyEdit.Caption();
    ApplyEntryEdit(EditedEntry, AppliedName, ValueEdit.Caption());
    EndModal(ui::mrOk);
}

void TASEditForm::CancelBtnClick() {
    EndModal(ui::mrCancel);
}

} // namespace qv
