// The utility's entry. Unit initialisation (the common controls) has run by now; the
// dialog is built in every mode and the first parameter decides, at the end of its
// construction, whether it is shown or the utility works quietly.
#include "app/startup.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return app::RunProgram(); }
