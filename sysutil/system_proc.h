// Entry points of the system libraries that only some runs need, bound when first called
// instead of at start-up. Loading advapi32 or shell32 takes longer than all the rest of a
// quiet run that finds nothing to import, so "/CHECK" loads neither unless the file asks
// for an import, and only "/CHECK_RUN" loads the shell. (user32 and gdi32 are imported:
// every mode builds the dialog.)
#pragma once

#include <windows.h>

namespace sysutil {

// The entry point, or null when the library or the name cannot be found.
void* SystemProc(const char* library, const char* name);

template <typename Proc> Proc SystemProcAs(const char* library, const char* name) {
    return reinterpret_cast<Proc>(SystemProc(library, name));
}

} // namespace sysutil
