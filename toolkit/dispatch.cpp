// Message dispatch: from the class procedure to a control's events, its attached handlers,
// its built-in handling and finally the default window procedure.
#include "toolkit/dispatch.h"

#include "sysutil/fatal.h"
#include "toolkit/application.h"

namespace toolkit {

namespace {

constexpr UINT kFirstColorMessage = WM_CTLCOLORMSGBOX; // 0x132
constexpr UINT kLastColorMessage = WM_CTLCOLORSTATIC;  // 0x138
constexpr UINT kFirstKeyMessage = 0x0100;              // WM_KEYDOWN
constexpr UINT kLastKeyMessage = 0x0108;               // WM_KEYLAST of the classic headers
constexpr UINT kMciNotify = 0x03B9;                    // MM_MCINOTIFY
constexpr UINT kIgnoredPrivateMessage = 0x8FFF;
constexpr WPARAM kTabCharacter = 9;

bool CanTakeFocus(const Control* control) {
    const bool enabled =
        control->Handle ? IsWindowEnabled(control->Handle) != 0 : (control->Style & WS_DISABLED) == 0;
    return enabled && control->TabStop;
}

LRESULT HandleClose(Control* control, MessageRecord& msg) {
    if (control->OnClose.IsSet()) {
        bool accept = true;
        control->OnClose(control, accept);
        if (!accept && AppRunning)
            return 0;
        control->OnClose.proc = nullptr; // asked once only
    }
    if (IsMainWindow(control) || control == AppControl) {
        // The loop ends and destroys the window; closing it here would leave the control
        // without one while the program may still use it.
        if (AppControl && AppControl != control)
            SendToWindow(AppControl, WM_CLOSE, 0, 0);
        PostQuit();
        return 0;
    }
    return CallDefault(control, msg);
}

LRESULT HandleNcDestroy(Control* control, MessageRecord& msg) {
    RemovePropA(control->Handle, kSelfProperty);
    if (AppControl && AppControl->Handle == control->Handle)
        return CallDefault(control, msg);
    if (IsMainWindow(control)) {
        // Freed once the destruction of the window is over.
        PostMessageA(control->Handle, kReleaseMessage, 0, 0);
        return CallDefault(control, msg);
    }
    if (control->Parent && control->Parent == AppControl) {
        // The system class cleans up first (a combo box destroys its list window here).
        CallDefault(control, msg);
        FreeWithItsWindow(control);
        return 0;
    }
    return CallDefault(control, msg);
}

LRESULT HandleShowWindow(Control* control, MessageRecord& msg) {
    if (msg.LParam == SW_PARENTCLOSING) {
        if (IsIconic(control->Handle))
            control->RestoreShowCmd = SW_SHOWMINNOACTIVE;
        else if (IsZoomed(control->Handle))
            control->RestoreShowCmd = SW_SHOWMAXIMIZED;
        else
            control->RestoreShowCmd = SW_SHOWNOACTIVATE;
        return CallDefault(control, msg);
    }
    if (msg.LParam == SW_PARENTOPENING) {
        if (control->RestoreShowCmd != 0) {
            ShowWindow(control->Handle, control->RestoreShowCmd);
            control->RestoreShowCmd = 0;
        }
        return 0;
    }
    return CallDefault(control, msg);
}

LRESULT HandleSysCommand(Control* control, MessageRecord& msg) {
    if ((msg.WParam & 0xFFF0) == SC_MINIMIZE && IsMainWindow(control) && AppControl &&
        AppControl != control) {
        PostMessageA(AppControl->Handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        return 0;
    }
    return CallDefault(control, msg);
}

LRESULT HandleSetFocus(Control* control, MessageRecord& msg) {
    if (!CanTakeFocus(control))
        return 0;
    // The click-suppress counter keeps a button from clicking itself on a focus change.
    ++control->ClickSuppress;
    SetFocus(control->Handle);
    --control->ClickSuppress;
    ++control->ClickSuppress;
    const LRESULT result = CallDefault(control, msg);
    --control->ClickSuppress;
    return result;
}

LRESULT HandleSetCursor(Control* control, MessageRecord& msg) {
    if (!GetCapture() && platform::LowWord(static_cast<WPARAM>(msg.LParam)) == HTCLIENT && control->Cursor) {
        SetCursor(control->Cursor);
        return TRUE;
    }
    return CallDefault(control, msg);
}

LRESULT HandleCommand(Control* control, MessageRecord& msg) {
    HWND const child = reinterpret_cast<HWND>(msg.LParam);
    if (child && GetPropA(child, kSelfProperty))
        return SendMessageA(child, kCommandReflection, msg.WParam, msg.LParam);
    return CallDefault(control, msg); // menus, accelerators, foreign windows
}

LRESULT HandleKey(Control* control, MessageRecord& msg) {
    HWND const focus = GetFocus();
    if (focus && focus != control->Handle)
        return 0; // meant for the window that has the focus
    if (platform::KeyIsDown(VK_CONTROL) || platform::KeyIsDown(VK_MENU))
        return CallDefault(control, msg);
    if (msg.Message == WM_CHAR) {
        if ((msg.WParam & 0xFF) == kTabCharacter) {
            msg.WParam = 0;
            return 0;
        }
        return CallDefault(control, msg);
    }
    Control* const form = ParentForm(control);
    if (form && form->TabHandler &&
        form->TabHandler(control, static_cast<uint8_t>(msg.WParam), msg.Message != WM_KEYDOWN)) {
        msg.WParam = 0;
        return 0;
    }
    return CallDefault(control, msg);
}

LRESULT BuiltInHandling(Control* control, MessageRecord& msg) {
    const UINT message = msg.Message;
    switch (message) {
    case WM_CLOSE:
        return HandleClose(control, msg);
    case WM_NCDESTROY:
        return HandleNcDestroy(control, msg);
    case kReleaseMessage:
        FreeAfterItsWindow(control);
        return 0;
    case WM_SIZE: {
        const LRESULT result = CallDefault(control, msg);
        control->SizeState = static_cast<uint8_t>(msg.WParam & 0xFF);
        return result;
    }
    case WM_SHOWWINDOW:
        return HandleShowWindow(control, msg);
    case WM_SYSCOMMAND:
        return HandleSysCommand(control, msg);
    case WM_SETFOCUS:
        return HandleSetFocus(control, msg);
    case WM_SETCURSOR:
        return HandleSetCursor(control, msg);
    case WM_COMMAND:
        return HandleCommand(control, msg);
    case kIgnoredPrivateMessage:
    case kMciNotify:
        return 0;
    default:
        break;
    }
    if (message >= kFirstColorMessage && message <= kLastColorMessage) {
        // The child answers for its own colours.
        return SendMessageA(reinterpret_cast<HWND>(msg.LParam), message + kColorReflectionBase, msg.WParam,
                            msg.LParam);
    }
    if (message >= kFirstKeyMessage && message <= kLastKeyMessage)
        return HandleKey(control, msg);
    return CallDefault(control, msg);
}

bool ResizeHandler(Control* control, MessageRecord& msg, LRESULT& /*result*/) {
    if (msg.Message == WM_SIZE && control->OnResize.IsSet())
        control->OnResize(control);
    return false;
}

// Pass a message on to the inner window's own procedure.
LRESULT CallPreviousProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC previous = reinterpret_cast<WNDPROC>(GetPropA(window, kPrevProcProperty));
    if (!previous)
        return 0;
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

// The combo box's keys in its edit field: Tab moves on, Escape and Enter close an open list.
// Returns true when the key is done with here.
bool HandleInnerKey(Control* control, UINT message, WPARAM wParam) {
    if (wParam == kTabCharacter) {
        if (message != WM_KEYDOWN)
            return true;
        return control->TabHandler && control->TabHandler(control, static_cast<uint8_t>(wParam), false);
    }
    if (message == WM_CHAR && (wParam == VK_ESCAPE || wParam == VK_RETURN) &&
        SendToHandle(control, CB_GETDROPPEDSTATE, 0, 0) != 0) {
        SendToHandle(control, CB_SHOWDROPDOWN, FALSE, 0);
        if (wParam == VK_ESCAPE)
            SendToHandle(control, CB_SETCURSEL, static_cast<WPARAM>(control->DropDownIndex), 0);
        return true;
    }
    return false;
}

// While a runtime error is reported, its box's loop delivers messages to our windows (a
// task-modal box disables them, activation moves): the fault may have left any control
// half-built, so only the system's own procedure of each window runs until the process ends.
LRESULT SystemProcedureOnly(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const Control* const control = window ? ControlOfWindow(window) : nullptr;
    if (control && control->DefaultWndProc)
        return CallWindowProcA(control->DefaultWndProc, window, message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

Control* ControlOfWindow(HWND window) {
    return platform::GetPropPointer<Control>(window, kSelfProperty);
}

LRESULT CALLBACK WndFunc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (sysutil::ReportingRunError())
        return SystemProcedureOnly(window, message, wParam, lParam);
    MessageRecord msg{window, message, wParam, lParam};
    if (window) {
        // The first message of a window being made: from now on the property names it. A
        // window that has its control already is another one (the system may send the
        // parent a message while its child is made, before the child's first message).
        if (CreatingControl && !ControlOfWindow(window)) {
            Control* const control = CreatingControl;
            control->Handle = window;
            platform::SetPropPointer(window, kSelfProperty, control);
            CreatingControl = nullptr;
            return control->WndProc(msg);
        }
        if (Control* const control = ControlOfWindow(window))
            return control->WndProc(msg);
    }
    if (AppControl)
        return AppControl->WndProc(msg);
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CallDefault(Control* control, MessageRecord& msg) {
    if (control->DefaultWndProc)
        return CallWindowProcA(control->DefaultWndProc, control->Handle, msg.Message, msg.WParam, msg.LParam);
    return DefWindowProcA(msg.Window, msg.Message, msg.WParam, msg.LParam);
}

LRESULT Control::WndProc(MessageRecord& msg) {
    if (AppRunning && AppControl && AppControl != this && AppControl->OnMessage.IsSet()) {
        LRESULT result = 0;
        if (AppControl->OnMessage(msg, result))
            return result;
    }
    if (OnMessage.IsSet()) {
        LRESULT result = 0;
        if (OnMessage(msg, result))
            return result;
    }
    if (Handlers && Handlers->Count > 0) {
        LRESULT result = 0;
        if (RunHandlers(this, msg, result))
            return result;
    }
    return BuiltInHandling(this, msg);
}

void AttachHandler(Control* control, Handler handler) {
    const PointerList::Slot proc = reinterpret_cast<PointerList::Slot>(handler);
    if (control->Handlers->IndexOf(proc) >= 0)
        return;
    control->Handlers->Add(proc);
    control->Handlers->Add(0); // not kept once the application has terminated
}

bool RunHandlers(Control* control, MessageRecord& msg, LRESULT& result) {
    if (IsBeingDestroyed(control))
        return false;
    PointerList* const handlers = control->Handlers;
    if (!handlers || handlers->Count == 0)
        return false;
    // A handler may free the control; the hold keeps it until the walk is over.
    Hold hold(control);
    for (int32_t i = handlers->Count - 2; i >= 0; i -= 2) {
        if (i + 1 >= handlers->Count)
            continue; // a handler took itself or others off the list
        const Handler handler = reinterpret_cast<Handler>(handlers->Items[i]);
        const bool keepAfterTermination = handlers->Items[i + 1] != 0;
        if (AppTerminated && !keepAfterTermination)
            continue;
        if (handler(control, msg, result))
            return true;
    }
    // Freed during the walk, and no one else holds it: it goes now, and nothing may touch
    // it afterwards, so the message counts as handled.
    return !hold.End();
}

void SetOnResize(Control* control, NotifyEvent::Proc proc, void* context) {
    control->OnResize.Set(proc, context);
    AttachHandler(control, ResizeHandler);
}

LRESULT CALLBACK InnerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (sysutil::ReportingRunError())
        return CallPreviousProc(window, message, wParam, lParam);
    Control* const control = ControlOfWindow(GetParent(window));
    if (!control)
        return DefWindowProcA(window, message, wParam, lParam);

    MessageRecord msg{control->Handle, message, wParam, lParam};
    LRESULT result = 0;
    if (AppControl && AppControl->OnMessage.IsSet() && AppControl->OnMessage(msg, result))
        return result;
    Control* const form = ParentForm(control);
    if (form && form != AppControl && form->OnMessage.IsSet() && form->OnMessage(msg, result))
        return result;

    if ((message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR) &&
        HandleInnerKey(control, message, msg.WParam))
        return 0;
    if (message == WM_SETFOCUS && form)
        form->CurrentControl = control;
    return CallPreviousProc(window, message, msg.WParam, msg.LParam);
}

} // namespace toolkit
