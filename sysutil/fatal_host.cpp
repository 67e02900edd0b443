#include "sysutil/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace sysutil {

void RunError(uint32_t errorNumber, const void* faultAddress) {
    RunHeapCheckBeforeRunError();
    char text[kRunErrorTextSize];
    FormatRunError(errorNumber, faultAddress, text);
    std::fprintf(stderr, "%s\n", text);
    std::_Exit(static_cast<int>(errorNumber));
}

} // namespace sysutil
