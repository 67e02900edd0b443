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

// Makes every later load of a library by name search the system folder alone, never the
// program's own folder, which whoever can write there could fill with look-alikes of the
// libraries that the system's own code loads by name. Called first thing in the process.
// Where the system lacks that restriction (Windows XP, and Vista and 7 without update
// KB2533623) it only takes the current directory out of the search.
void RestrictLibrarySearchToSystemFolder();

template <typename Proc> Proc SystemProcAs(const char* library, const char* name) {
    return reinterpret_cast<Proc>(SystemProc(library, name));
}

} // namespace sysutil
