// Entry points of the system libraries that only some runs need, bound when first called
// instead of at start-up. Loading advapi32, shell32 or user32 takes longer than all the
// rest of a quiet run that finds nothing to import, so "/CHECK" loads none of them unless
// the file asks for an import, and only "/CHECK_RUN" loads the shell.
#pragma once

#include <windows.h>

namespace sysutil {

// The entry point, or null when the library or the name cannot be found.
void* SystemProc(const char* library, const char* name);

template <typename Proc> Proc SystemProcAs(const char* library, const char* name) {
    return reinterpret_cast<Proc>(SystemProc(library, name));
}

} // namespace sysutil
