// The autostart page's report button: a fresh report window for every click.
#include "app/MainUnit.h"

#include "report/ReportUnit.h"

namespace qv {

void TMainForm::ReportBtnClick() {
    // The window writes the report of the entries as they are now and is
    // released when it has closed.
    TReportForm form;
    form.ShowModal();
}

} // namespace qv
