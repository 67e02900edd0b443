#include "sysutil/fatal.h"
#include "sysutil/system_proc.h"

namespace sysutil {

void RunError(uint32_t errorNumber, const void* faultAddress) {
    char text[kRunErrorTextSize];
    FormatRunError(errorNumber, faultAddress, text);
    // Bound here rather than at start-up: user32 is the dearest library to load.
    using MessageBoxProc = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);
    const auto messageBox = SystemProcAs<MessageBoxProc>("user32.dll", "MessageBoxA");
    if (messageBox)
        messageBox(nullptr, text, "Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ExitProcess(errorNumber);
}

} // namespace sysutil
