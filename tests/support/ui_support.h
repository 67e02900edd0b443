// Helpers for the toolkit's window tests: message pumping, real key input, event counters
// and the process's GDI object count.
#pragma once

#include "toolkit/control.h"

#include <windows.h>

#include <functional>
#include <initializer_list>

namespace uitest {

// Dispatches what is queued for this thread, as the application's loop would.
void PumpMessages();
// Pumps until the condition holds or the time is up; returns the condition's last value.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 3000);
// Waits for `object` while dispatching this thread's messages; false at the timeout. A
// thread that installed a global hook must keep pumping: 64-bit Windows runs a 32-bit
// hook's calls for 64-bit processes on the installing thread, and they wait for it.
bool PumpUntilSignalled(HANDLE object, DWORD timeoutMs);

// Real keyboard input through SendInput. Each call waits until the last key event it sent
// has been dispatched by this thread, so that what the key did can be looked at at once.
struct KeyEvent {
    WORD Key;
    bool Up;
};
bool SendKeys(std::initializer_list<KeyEvent> events);
bool PressKey(WORD key); // down and up

// Shows the form and its children as the loop would, brings it to the foreground and
// waits until it is active.
bool ShowInForeground(toolkit::Control* form);

// Puts the pointer in the screen's bottom-right corner, where no test places a window, so
// that no window gets mouse messages from where the last program left it, and the system's
// loops that start from the pointer (keyboard sizing, moving) start from the same place.
void ParkPointer();

// Counts the calls of a notify event and remembers the last sender.
struct NotifyCounter {
    int Calls = 0;
    toolkit::Control* LastSender = nullptr;
    void Attach(toolkit::NotifyEvent& event);
};

// Live GDI objects of this process. GetGuiResources where it works; Wine answers it with 0
// (not implemented), so there the used entries of the process's GDI handle table count.
DWORD GdiObjectCount();

// The window's font as the window itself reports it.
HFONT WindowFont(HWND window);

} // namespace uitest
