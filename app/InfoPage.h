#pragma once
// The main window's third page: the about block with the version, the web
// and mail links, the note on passing the program on and the update button
// at the left, the system information list at the right.
#include "base/Handles.h"
#include "model/AppModel.h"
#include "ui/LinkLabel.h"
#include "ui/Page.h"

namespace qv {

class TMainForm;

class TInfoPage : public ui::Page {
  public:
    // Makes the page's controls on the form's third sheet.
    TInfoPage(TMainForm& form, AppModel& model, ui::Panel& sheet);

    void ApplyLanguage() override;
    void Align(int width, int height) override;
    void Refresh(bool) override { RefreshSystemInfo(); }
    void DpiChanged() override;
    // Fills the system information list anew and sets the version label.
    void RefreshSystemInfo();

    // Handlers.
    void QVWebsiteLblClick();
    void QVEmailLblClick();
    void QVBugreportMailLblClick();
    void SponsorLblClick();
    void QVUpdateBtnClick();

    // ---- Controls, in creation order ------------------------------------
    ui::Panel Page2MainPnl;
    ui::Image Image1;
    ui::Label Label4;
    ui::Label QVVersionLbl;
    ui::Label Label5; // the notice pair
    ui::Label Label7;
    ui::Label Label2;
    ui::LinkLabel QVWebsiteLbl;
    ui::Label Label3;
    ui::LinkLabel QVEmailLbl;
    ui::Label Label6;
    ui::LinkLabel QVBugreportMailLbl;
    ui::Label Label8;
    ui::LinkLabel SponsorLbl;
    ui::Label CPLbl;
    ui::Button QVUpdateBtn;
    ui::GroupBox GroupBox1;
    ui::ListView SysInfoList;

  private:
    void CreateControls(ui::Panel& sheet);
    void BindEvents();
    void FitColumns();

    TMainForm& main_;
    AppModel& model_;
    AppModel::Subscription subscription_;
};

} // namespace qv
