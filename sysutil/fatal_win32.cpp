#include "sysutil/fatal.h"

#include <windows.h>

namespace sysutil {

void RunError(uint32_t errorNumber, const void* faultAddress) {
    RunHeapCheckBeforeRunError();
    // The box's message loop runs none of the program's message code, so a second fault
    // should not come; one that does all the same ends the process at once, with the number
    // of the fault the user is being told about.
    if (!BeginRunErrorReport(errorNumber))
        ExitProcess(FirstRunError());
    // Nothing on this path allocates: the text lives on the stack, and user32 is bound at
    // start-up anyway. Topmost, so that the box cannot open hidden behind the dialog,
    // which stays on top.
    char text[kRunErrorTextSize];
    FormatRunError(errorNumber, faultAddress, text);
    MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_TOPMOST | MB_SETFOREGROUND);
    ExitProcess(errorNumber);
}

} // namespace sysutil
