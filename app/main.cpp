#include "app/AutostartPage.h"
#include "app/MainUnit.h"
#include "base/SingleInstance.h"
#include "model/AppModel.h"
#include "base/Files.h"
#include "base/Handles.h"

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything else: a second start of the same executable ends here,
    // silently.
    qv::SingleInstance instance(qv::ExecutablePath());
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
        // The new start must find the mutex free; it is taken back when the
        // start did not happen (the user said no to the system's question).
        mainForm.RestartElevated = [&instance] {
            instance.Release();
            if (qv::StartProgramElevated()) return true;
            instance.Reacquire();
            return false;
        };
        if (mainForm.Create()) exitCode = qv::ui::RunMessageLoop(mainForm);
    }

    return exitCode;
}
