#include "app/launch.h"

#include "app/modes.h"
#include "sysutil/cmdline.h"
#include "sysutil/system_proc.h"

namespace app {

void ShellOpen(HWND owner, const sysutil::Text& file, const sysutil::Text& parameters) {
    // The shell is loaded by "/CHECK_RUN" alone; a shell that cannot be loaded is one
    // more launch that did not happen, which goes unnoticed like any other.
    using ShellExecuteProc = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    const auto shellExecute = sysutil::SystemProcAs<ShellExecuteProc>("shell32.dll", "ShellExecuteA");
    if (shellExecute)
        shellExecute(owner, "open", file.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

sysutil::Text MainApplicationFile() {
    return sysutil::ExecutableFolder() + kMainApplicationFile;
}

} // namespace app
