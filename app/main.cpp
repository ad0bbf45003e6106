#include "app/MainUnit.h"
#include "base/SingleInstance.h"
#include "model/AppModel.h"
#include "base/Files.h"
#include "base/Handles.h"

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything else: a second start of the same executable ends here,
    // silently.
    const qv::SingleInstance instance(qv::ExecutablePath());
    if (!instance.Acquired()) return 0;

    int exitCode = 0;
    {
        // COM comes with its first use (qv::EnsureComApartment), not here:
        // loading it costs the start a good part of its time under Wine.
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                                 ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&icc);

        // Everything the window shows and changes; it outlives the window.
        qv::AppModel model;
        qv::TMainForm mainForm(model);
        mainForm.QuitOnDestroy = true;
        if (mainForm.Create()) exitCode = qv::ui::RunMessageLoop(mainForm);
    }

    return exitCode;
}
