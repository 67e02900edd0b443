// Starting the main application.
#pragma once

#include "sysutil/text.h"

#include <windows.h>

namespace app {

// ShellExecuteA with the verb "open", the parameters as a string even when empty, no
// directory (the started program inherits our current directory) and SW_SHOWNORMAL.
// Whether the start succeeded is not looked at.
void ShellOpen(HWND owner, const sysutil::Text& file, const sysutil::Text& parameters);

// Our own folder followed by the main application's file name.
sysutil::Text MainApplicationFile();

} // namespace app
