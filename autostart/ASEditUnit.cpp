#include "autostart/ASEditUnit.h"

#include "app/LanguageTable.h"
#include "autostart/EntryMaintenance.h"
#include "ui/WinText.h"

namespace qv {

namespace {
constexpr DWORD kFlatButton = BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP;
constexpr int kWidth = 420, kHeight = 150;
} // namespace

TASEditForm::TASEditForm() {
    FormCreate();
}

TASEditForm::~TASEditForm() {
    Destroy();
}

void TASEditForm::FormCreate() {
    CreateModalFrame(L"TASEditForm", "Eintrag \xE4ndern", kWidth, kHeight, RGB(255, 255, 255),
                     {L"MS Sans Serif", 11}, true, false);
    AddControl(EditGrpBox, "EditGrpBox", nullptr, L"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, 0, 8, 6,
               kWidth - 16, 92);
    AddControl(Keylbl, "Keylbl", &EditGrpBox, L"STATIC", SS_LEFT | SS_NOPREFIX, 0, 10, 27, 76, 14);
    AddControl(KeyEdit, "KeyEdit", &EditGrpBox, L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP,
               WS_EX_CLIENTEDGE, 90, 23, kWidth - 16 - 100, 21);
    AddControl(ValueLbl, "ValueLbl", &EditGrpBox, L"STATIC", SS_LEFT | SS_NOPREFIX, 0, 10, 59, 76,
               14);
    AddControl(ValueEdit, "ValueEdit", &EditGrpBox, L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP,
               WS_EX_CLIENTEDGE, 90, 55, kWidth - 16 - 100, 21);
    AddControl(OkBtn, "OkBtn", nullptr, L"BUTTON", kFlatButton | BS_DEFPUSHBUTTON, 0, 8, 108, 220,
               30);
    AddControl(CancelBtn, "CancelBtn", nullptr, L"BUTTON", kFlatButton, 0, 236, 108, kWidth - 244,
               30);
    ::SendMessageW(KeyEdit.Handle(), EM_LIMITTEXT, 255, 0);
    ::SendMessageW(ValueEdit.Handle(), EM_LIMITTEXT, 255, 0);

    ::SetWindowTextW(Handle(), ToWide(LanguageTable[138]).c_str());
    EditGrpBox.SetCaption(LanguageTable[138]);
    Keylbl.SetCaption(LanguageTable[139]);
    ValueLbl.SetCaption(LanguageTable[140]);
    OkBtn.SetCaption(LanguageTable[141]);
    CancelBtn.SetCaption(LanguageTable[142]);

    On(OkBtn, ui::Event::Click, [this](auto&) { OkBtnClick(); });
    On(CancelBtn, ui::Event::Click, [this](auto&) { CancelBtnClick(); });
}

void TASEditForm::FormShow() {
    // Only a registry value outside the shell open commands can be renamed:
    // those keep their default value's name.
    KeyEdit.SetEnabled(EditedEntry.Kind == KindRegistry && EditedEntry.Group != 1);
    KeyEdit.SetCaption(EditedEntry.ValueName.view());
    ValueEdit.SetCaption(EditedEntry.ValueData.view());
}

void TASEditForm::OkBtnClick() {
    // A write the system refuses throws: the general error handler shows it
    // and the dialog stays open.
    ApplyEntryEdit(EditedEntry, KeyEdit.Caption(), ValueEdit.Caption());
    EndModal(ui::mrOk);
}

void TASEditForm::CancelBtnClick() {
    EndModal(ui::mrCancel);
}

} // namespace qv
