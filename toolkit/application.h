// The application: the main form stands for it; Run shows it and loops until it closes.
#pragma once

#include "toolkit/control.h"

namespace toolkit {

void Run(Control*& form);
bool ProcessMessage();
void ProcessMessages();
void TerminateExecution(Control*& form);
// Ends the loop with a WM_QUIT that survives a modal loop nested in a dispatch.
void PostQuit();
// Posts WM_CLOSE to the control's window; it does not create one. Without a window the
// request waits for it.
void Close(Control* control);

} // namespace toolkit
