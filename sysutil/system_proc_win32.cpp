#include "sysutil/system_proc.h"

namespace sysutil {

void* SystemProc(const char* library, const char* name) {
    // Each load only counts up a reference after the first; the process ends soon anyway.
    const HMODULE module = LoadLibraryA(library);
    return module ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
}

} // namespace sysutil
