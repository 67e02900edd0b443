// The runtime-error report of the test programs built with the checked heap: the text on
// standard error and the number as exit code at once, so that a damaged heap fails the
// test program there and then instead of waiting, unseen, for someone to close a box.
// Linked into each test program ahead of the toolkit's library, it takes the place of
// the product's box.
#include "sysutil/fatal.h"
#include "sysutil/text.h"

#include <windows.h>

namespace sysutil {

void RunError(uint32_t errorNumber, const void* faultAddress) {
    RunHeapCheckBeforeRunError();
    char text[kRunErrorTextSize + 1];
    FormatRunError(errorNumber, faultAddress, text);
    const DWORD length = static_cast<DWORD>(CStringLength(text));
    text[length] = '\n';
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, length + 1, &written, nullptr);
    ExitProcess(errorNumber);
}

} // namespace sysutil
