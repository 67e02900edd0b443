#include "sysutil/fatal.h"

#include <windows.h>

namespace sysutil {

namespace {
bool g_reporting = false;
}

void RunError(uint32_t errorNumber, const void* faultAddress) {
    // A fault while the box is up (its message loop runs our window procedures, which may
    // find memory exhausted too) ends the process at once, with that second fault's number.
    if (g_reporting)
        ExitProcess(errorNumber);
    g_reporting = true;
    // Nothing on this path allocates: the text lives on the stack, and user32 is bound at
    // start-up anyway. Topmost, so that the box cannot open hidden behind the dialog,
    // which stays on top.
    char text[kRunErrorTextSize];
    FormatRunError(errorNumber, faultAddress, text);
    MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_TOPMOST | MB_SETFOREGROUND);
    ExitProcess(errorNumber);
}

} // namespace sysutil
