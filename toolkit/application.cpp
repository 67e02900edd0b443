// The application: the main form stands for it. Run shows it and dispatches messages until
// a WM_QUIT is retrieved; TerminateExecution then takes the form down.
#include "toolkit/application.h"

namespace toolkit {

namespace {

// Sleeps until something is queued. WaitMessage would not do: it wakes only for messages
// that came after the last look at the queue, and ProcessMessages stops looking at a
// retrieved WM_NULL even when more wait behind it, so the loop would sleep with the
// form's WM_CLOSE still queued.
void WaitForQueuedMessage() {
    MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

// A WM_QUIT of ours that the loop here has not retrieved yet.
bool g_quitPosted = false;

} // namespace

void Run(Control*& form) {
    AppRunning = 1;
    AppControl = form;
    // Shows a form made hidden on demand, with the children not made yet; a form the
    // program hid stays hidden. A form that can get no window (no desktop heap left, no
    // display) can never receive its close request: there is nothing to run.
    bool hasWindow = false;
    if (Control* const held = form) {
        // A handler may free the form while its window is made: held, it goes as the hold ends,
        // and then nothing is left to run or to take down. The variable may go with it (the
        // form owns the object that holds it), so it is not touched after that.
        Hold hold(held);
        hasWindow = held->CreateWindowHandle();
        if (hold.EndDestroys()) {
            form = nullptr;
            AppControl = nullptr;
            AppTerminated = 1;
            AppRunning = 0;
            g_quitPosted = false;
            return; // the form goes as the hold ends
        }
    }
    while (hasWindow && !AppTerminated) {
        WaitForQueuedMessage();
        ProcessMessages();
    }
    TerminateExecution(form);
}

bool ProcessMessage() {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (msg.message == WM_QUIT) {
        AppTerminated = 1; // what is queued behind it is still dispatched
        g_quitPosted = false;
    } else {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        // A modal loop inside the dispatch (moving or sizing by keyboard, a menu) may have
        // taken our WM_QUIT and left without posting it again, as Wine's do.
        if (g_quitPosted)
            PostQuitMessage(0);
    }
    return (msg.message & 0xFFFF) != 0;
}

void ProcessMessages() {
    while (ProcessMessage()) {
    }
}

void TerminateExecution(Control*& form) {
    const bool terminatedBefore = AppTerminated != 0;
    AppTerminated = 1;
    AppRunning = 0;
    Control* const app = AppControl;
    AppControl = nullptr;
    // The application control goes at the end: held until then, since what is queued and
    // the close request run its handlers, which may free it.
    const Hold hold(app);
    if (app && !terminatedBefore) {
        // Still running: let what is queued happen, and give the form its close request.
        ProcessMessages();
        SendToWindow(app, WM_CLOSE, 0, 0);
    }
    // The loop is over. A quit still remembered would be posted again after every dispatch
    // of the next loop in this process, and end it at its first message.
    g_quitPosted = false;
    form = nullptr;
    Free(app); // it goes as the hold ends
}

void PostQuit() {
    g_quitPosted = true;
    PostQuitMessage(0);
    // A menu open on this thread would take the WM_QUIT and stay open (Wine's menu loop
    // discards it), and the program with it, however often it is closed.
    EndMenu();
}

void Close(Control* control) {
    // Posted to no window it would be a thread message that no one receives: a window that
    // could not be made yet (desktop heap) may well be made when the loop starts.
    if (!control->Handle) {
        control->ClosePending = 1;
        return;
    }
    PostMessageA(control->Handle, WM_CLOSE, 0, 0);
}

} // namespace toolkit
