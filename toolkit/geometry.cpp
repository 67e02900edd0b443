// Placement and size of controls: BoundsRect is what window creation uses while there is
// no window, and a cache of the window rectangle afterwards.
#include "toolkit/geometry.h"

#include "sysutil/text.h"
#include "toolkit/dispatch.h"
#include "toolkit/graphics.h"

namespace toolkit {
namespace {

int32_t RectWidth(const RECT& r) {
    return r.right - r.left;
}
int32_t RectHeight(const RECT& r) {
    return r.bottom - r.top;
}

// Halved and rounded toward minus infinity, as an arithmetic shift does: a form wider than
// the screen by one pixel lands at -1, not 0.
int32_t HalfRoundedDown(int32_t value) {
    return value >= 0 ? value / 2 : -((1 - value) / 2);
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Keeps a locked form at the size it had when the lock changed: the drag limits are pinned
// and the sizing borders report themselves as plain border, so no sizing cursor appears.
bool FixedSizeHandler(Control* control, MessageRecord& msg, LRESULT& result) {
    if (CanResize(control))
        return false;
    if (msg.Message == WM_GETMINMAXINFO) {
        result = CallDefault(control, msg);
        MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(msg.LParam);
        info->ptMinTrackSize.x = control->LockedWidth;
        info->ptMinTrackSize.y = control->LockedHeight;
        info->ptMaxTrackSize.x = control->LockedWidth;
        info->ptMaxTrackSize.y = control->LockedHeight;
        return true;
    }
    if (msg.Message == WM_NCHITTEST) {
        const LRESULT hit = CallDefault(control, msg);
        if (hit >= HTLEFT && hit <= HTBOTTOMRIGHT) {
            result = HTBORDER;
            return true;
        }
    }
    return false;
}

// The client area, margins applied. Asking for it makes the window: only the window knows
// its frame. False when a handler freed the control while its window was made: it is gone,
// and `r` holds what the control knew before.
bool ReadClientRect(Control* control, RECT& r) {
    r = control->BoundsRect;
    const WindowState window = MakeWindowOnDemand(control);
    if (window == WindowState::Gone)
        return false;
    if (window == WindowState::Made)
        GetClientRect(control->Handle, &r);
    const Margins& m = control->ClientMargins;
    r.bottom -= m.Bottom;
    r.top += m.Top;
    r.right -= m.Right;
    r.left += m.Left;
    return true;
}

// Sizes the window so that its client area gets the width or height; false when the
// control went while its window was made.
bool SetClientExtent(Control* control, int32_t value, bool horizontal) {
    RECT client;
    if (!ReadClientRect(control, client))
        return false;
    if (horizontal)
        SetWidth(control, value + Width(control) - RectWidth(client));
    else
        SetHeight(control, value + Height(control) - RectHeight(client));
    return true;
}

// Sizes a control with autosize to its caption; false when it went while its window was
// made for the measuring, or while it was sized.
bool FitToText(Control* control) {
    Hold hold(control);
    sysutil::Text text(control->Caption);
    SIZE size = {0, 0};
    if (!text.empty()) {
        // An italic face leans past its last advance: one space of room for the slant.
        if (control->Font && control->Font->ColorAndData.Data.lfItalic)
            text += ' ';
        if (MakeWindowOnDemand(control) == WindowState::Gone || hold.EndDestroys())
            return hold.End();
        POINT origin;
        TextArea(GetCanvas(control), text.c_str(), size, origin);
    }
    const CommandActionTable& actions = control->CommandActions;
    if (actions.AutoSizeExtraWidth > 0 && !hold.EndDestroys())
        SetWidth(control, size.cx + actions.AutoSizeExtraWidth);
    if (actions.AutoSizeExtraHeight > 0 && !hold.EndDestroys())
        SetHeight(control, size.cy + actions.AutoSizeExtraHeight);
    return hold.End();
}

} // namespace

void GetBoundsRect(Control* control, RECT& r) {
    r = control->BoundsRect;
    if (!control->Handle)
        return;
    GetWindowRect(control->Handle, &r);
    if (control->IsControl) {
        if (!control->Parent)
            return;
        POINT origin = {0, 0};
        if (control->Parent->Handle)
            ClientToScreen(control->Parent->Handle, &origin);
        OffsetRect(&r, -origin.x, -origin.y);
    }
    control->BoundsRect = r;
}

void SetBoundsRect(Control* control, const RECT& r) {
    RECT current;
    GetBoundsRect(control, current);
    if (SameRect(current, r))
        return;
    if (current.left != r.left)
        control->PositionChanged |= 1;
    if (current.top != r.top)
        control->PositionChanged |= 2;
    control->BoundsRect = r;
    if (control->Handle) {
        // The move runs the control's handlers, which may free it.
        Hold hold(control);
        SetWindowPos(control->Handle, nullptr, r.left, r.top, RectWidth(r), RectHeight(r),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (!hold.EndDestroys() && control->RedrawOnResize)
            Invalidate(control);
    }
}

int32_t Left(Control* control) {
    RECT r;
    GetBoundsRect(control, r);
    return r.left;
}

int32_t Top(Control* control) {
    RECT r;
    GetBoundsRect(control, r);
    return r.top;
}

int32_t Width(Control* control) {
    RECT r;
    GetBoundsRect(control, r);
    return RectWidth(r);
}

int32_t Height(Control* control) {
    RECT r;
    GetBoundsRect(control, r);
    return RectHeight(r);
}

void SetLeft(Control* control, int32_t value) {
    RECT r;
    GetBoundsRect(control, r);
    r.right = value + RectWidth(r);
    r.left = value;
    SetBoundsRect(control, r);
}

void SetTop(Control* control, int32_t value) {
    RECT r;
    GetBoundsRect(control, r);
    r.bottom = value + RectHeight(r);
    r.top = value;
    SetBoundsRect(control, r);
}

void SetWidth(Control* control, int32_t value) {
    RECT r;
    GetBoundsRect(control, r);
    r.right = r.left + value;
    SetBoundsRect(control, r);
}

void SetHeight(Control* control, int32_t value) {
    RECT r;
    GetBoundsRect(control, r);
    r.bottom = r.top + value;
    SetBoundsRect(control, r);
}

namespace {

// A setter in two steps, each of which may run the control's handlers (moving or sizing
// its window): the second runs only for a control still there. The control for chaining,
// or null when it went.
template <typename First, typename Second> Control* InTwoSteps(Control* control, First first, Second second) {
    Hold hold(control);
    first();
    if (!hold.EndDestroys())
        second();
    return hold.End() ? control : nullptr;
}

} // namespace

Control* SetPosition(Control* control, int32_t x, int32_t y) {
    return InTwoSteps(
        control, [=] { SetLeft(control, x); }, [=] { SetTop(control, y); });
}

Control* SetSize(Control* control, int32_t width, int32_t height) {
    return InTwoSteps(
        control,
        [=] {
            if (width > 0)
                SetWidth(control, width);
        },
        [=] {
            if (height > 0)
                SetHeight(control, height);
        });
}

void ClientRect(Control* control, RECT& r) {
    ReadClientRect(control, r);
}

int32_t ClientWidth(Control* control) {
    RECT r;
    ClientRect(control, r);
    return RectWidth(r);
}

int32_t ClientHeight(Control* control) {
    RECT r;
    ClientRect(control, r);
    return RectHeight(r);
}

void SetClientWidth(Control* control, int32_t value) {
    SetClientExtent(control, value, true);
}

void SetClientHeight(Control* control, int32_t value) {
    SetClientExtent(control, value, false);
}

Control* SetClientSize(Control* control, int32_t width, int32_t height) {
    return InTwoSteps(
        control,
        [=] {
            if (width > 0)
                SetClientExtent(control, width, true);
        },
        [=] {
            if (height > 0)
                SetClientExtent(control, height, false);
        });
}

Control* CenterOnParent(Control* control) {
    // Held while the windows are made: a handler may free the control, or its parent and
    // the control with it. Then it is not placed, and goes as the hold ends.
    Hold hold(control);
    RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (control->Parent && control->IsControl)
        ClientRect(control->Parent, area);
    if (MakeWindowOnDemand(control) == WindowState::Gone || hold.EndDestroys())
        return hold.End() ? control : nullptr;
    // Both areas start at 0, so the area's own left and top are not added. Moving runs the
    // control's handlers, which may free it.
    SetLeft(control, HalfRoundedDown(RectWidth(area) - Width(control)));
    if (!hold.EndDestroys())
        SetTop(control, HalfRoundedDown(RectHeight(area) - Height(control)));
    return hold.End() ? control : nullptr;
}

bool CanResize(Control* control) {
    return control->PreventResize == 0;
}

void SetCanResize(Control* control, bool value) {
    if (CanResize(control) == value)
        return;
    control->PreventResize = value ? 0 : 1;
    // Locking keeps (or adds) the sizing frame and unlocking removes it: a form made
    // resizable again ends up without a sizing border.
    SetStyle(control, value ? (control->Style & ~static_cast<uint32_t>(WS_THICKFRAME))
                            : (control->Style | WS_THICKFRAME));
    if (MakeWindowOnDemand(control) == WindowState::Gone)
        return;
    control->LockedWidth = Width(control);
    control->LockedHeight = Height(control);
    AttachHandler(control, FixedSizeHandler);
}

bool StayOnTop(Control* control) {
    ReadBackStyles(control);
    return (control->ExStyle & WS_EX_TOPMOST) != 0;
}

void SetStayOnTop(Control* control, bool value) {
    if (StayOnTop(control) == value)
        return;
    if (control->Handle) {
        // The window's own extended style follows; StayOnTop reads it back.
        SetWindowPos(control->Handle, value ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    } else if (value) {
        control->ExStyle |= WS_EX_TOPMOST;
    } else {
        control->ExStyle &= ~static_cast<uint32_t>(WS_EX_TOPMOST);
    }
}

void ReadBackStyles(Control* control) {
    if (!control->Handle)
        return;
    control->Style = platform::GetWindowStyle(control->Handle);
    control->ExStyle = platform::GetWindowExStyle(control->Handle);
    control->ClassStyle = platform::GetClassStyle(control->Handle);
}

void Invalidate(Control* control) {
    if (!AppTerminated && control->Handle)
        InvalidateRect(control->Handle, nullptr, TRUE);
}

Control* SetAutoSize(Control* control, bool value) {
    if (!value) {
        control->AfterTextChange = nullptr;
        return control;
    }
    control->AfterTextChange = AutoSizeToText;
    return FitToText(control) ? control : nullptr;
}

void AutoSizeToText(Control* control) {
    FitToText(control);
}

} // namespace toolkit
