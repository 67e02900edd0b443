// The work of "/CHECK" and "/CHECK_RUN": nothing is shown.
#pragma once

#include "app/modes.h"

#include <windows.h>

namespace app {

// Takes the installer's language over into language.cfg when the file asks for it, and
// only after the file is released starts the main application for "/CHECK_RUN", so that
// it reads the new index; a folder under the main application's name is not opened.
// Closing the caller's window is left to the caller.
void RunQuietMode(RunMode mode, HWND owner);

} // namespace app
