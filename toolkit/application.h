// The application: the main form stands for it; Run shows it and loops until it closes.
#pragma once

#include "toolkit/control.h"

namespace toolkit {

void Run(Control*& form);
bool ProcessMessage();
void ProcessMessages();
void TerminateExecution(Control*& form);
// Posts WM_CLOSE to the control's existing window; it does not create one.
void Close(Control* control);

} // namespace toolkit
