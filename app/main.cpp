// The utility's entry: the first parameter picks the dialog or one of the quiet modes.
#include "app/launch.h"
#include "app/modes.h"
#include "sysutil/cmdline.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const app::RunMode mode = app::ModeFromParameter(sysutil::CommandLineParameter(1));
    if (mode == app::RunMode::CheckRun)
        app::ShellOpen(nullptr, app::MainApplicationFile(), sysutil::Text());
    return 0;
}
