#include "app/startup.h"

#include "app/langfrm.h"
#include "app/modes.h"
#include "app/quiet_mode.h"
#include "sysutil/cmdline.h"
#include "toolkit/application.h"
#include "toolkit/control.h"

namespace app {

void InitLanguageDialog(LanguageDialog* dialog) {
    LoadLanguageList(dialog);
    const RunMode mode = ModeFromParameter(sysutil::CommandLineParameter(1));
    if (mode == RunMode::Dialog)
        return; // the message loop shows the dialog
    // From here on nothing may show the form, the loop included.
    toolkit::Hide(dialog->Form);
    RunQuietMode(mode, toolkit::AppControl->Handle);
    toolkit::Close(toolkit::AppControl);
}

int RunProgram() {
    CreateLanguageDialog(nullptr);
    toolkit::Run(DialogVariable->Form);
    return 0;
}

} // namespace app
