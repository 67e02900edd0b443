// The utility's entry: the first parameter picks the dialog or one of the quiet modes.
#include "app/modes.h"
#include "app/quiet_mode.h"
#include "sysutil/cmdline.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const app::RunMode mode = app::ModeFromParameter(sysutil::CommandLineParameter(1));
    if (mode != app::RunMode::Dialog)
        app::RunQuietMode(mode, nullptr);
    return 0;
}
