// The utility's entry. The process starts in LangSelectStart (the linker's entry point),
// which narrows the library search before the C runtime and the units initialise (the
// common controls among them); WinMain then runs with that done. The dialog is built in
// every mode and the first parameter decides, at the end of its construction, whether it
// is shown or the utility works quietly.
#include "app/startup.h"
#include "sysutil/system_proc.h"

#include <windows.h>

// The C runtime's own entry point, which initialises it and the units and calls WinMain.
extern "C" int WinMainCRTStartup();

extern "C" int LangSelectStart() {
    sysutil::RestrictLibrarySearchToSystemFolder();
    return WinMainCRTStartup();
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return app::RunProgram();
}
