#include "app/launch.h"

#include "app/modes.h"
#include "sysutil/cmdline.h"

#include <shellapi.h>

namespace app {

void ShellOpen(HWND owner, const sysutil::Text& file, const sysutil::Text& parameters) {
    ShellExecuteA(owner, "open", file.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

sysutil::Text MainApplicationFile() { return sysutil::ExecutableFolder() + kMainApplicationFile; }

} // namespace app
