// Message dispatch: the class procedure, the control's message procedure, attached
// handlers and the subclass procedure of a system control's inner windows.
#pragma once

#include "toolkit/control.h"

namespace toolkit {

// The toolkit's private messages.
constexpr UINT kReleaseMessage = 0xB003;        // a main window's window is gone: free its control
constexpr UINT kCommandReflection = 0xB005;     // a child's WM_COMMAND, sent on to the child
constexpr UINT kColorReflectionBase = 0xBC00;   // + WM_CTLCOLORxxx, sent on to the child

constexpr const char* kSelfProperty = "SELF_";
constexpr const char* kPrevProcProperty = "PREV_PROC";

LRESULT CALLBACK WndFunc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK InnerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

LRESULT CallDefault(Control* control, MessageRecord& msg);
void AttachHandler(Control* control, Handler handler);
bool RunHandlers(Control* control, MessageRecord& msg, LRESULT& result);
void SetOnResize(Control* control, NotifyEvent::Proc proc, void* context);

// The control found through a window's "SELF_" property, or null.
Control* ControlOfWindow(HWND window);

} // namespace toolkit
