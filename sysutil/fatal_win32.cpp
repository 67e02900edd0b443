#include "sysutil/fatal.h"

#include <windows.h>

namespace sysutil {

void RunError(uint32_t errorNumber, const void* faultAddress) {
    char text[kRunErrorTextSize];
    FormatRunError(errorNumber, faultAddress, text);
    MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ExitProcess(errorNumber);
}

} // namespace sysutil
