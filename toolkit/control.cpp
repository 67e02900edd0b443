// Window objects: construction, windows made on demand, caption, visibility, icon and the
// order in which a control and its window are taken down.
#include "toolkit/control.h"

#include "toolkit/controls.h"
#include "toolkit/dispatch.h"
#include "toolkit/geometry.h"
#include "toolkit/graphics.h"

#include <cstdlib>

namespace toolkit {

Control* AppControl = nullptr;
uint8_t AppRunning = 0;
uint8_t AppTerminated = 0;
Control* CreatingControl = nullptr;
uint16_t NextControlId = 0x8000;
HINSTANCE ModuleInstance = nullptr;

namespace {

constexpr const char* kFormClassName = "Form";
constexpr const char* kClassPrefix = "obj_";
constexpr size_t kClassNameBufferSize = 64;
// Class styles a superclass must not inherit: each names a DC or a scope that belongs to
// the system class, not to ours.
constexpr UINT kForeignClassStyles = CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS;
constexpr const char* kMainIconName = "MAINICON";

HINSTANCE Module() {
    if (!ModuleInstance)
        ModuleInstance = GetModuleHandleA(nullptr);
    return ModuleInstance;
}

char* CopyCaption(const char* text) {
    if (!text)
        text = "";
    const size_t length = sysutil::CStringLength(text);
    char* copy = new char[length + 1];
    sysutil::CStringCopy(copy, text);
    return copy;
}

// The form's first handler: hands the focus on to the control that had it, and leaves the
// process at once when the session ends.
bool FormHandler(Control* form, MessageRecord& msg, LRESULT& /*result*/) {
    if (msg.Message == WM_ENDSESSION) {
        if (msg.WParam == 0)
            return false; // the shutdown was cancelled
        AppRunning = 0;
        Control* const app = AppControl;
        AppControl = nullptr;
        AppTerminated = 1;
        // The free must only mark the application control: no window is taken down, the
        // session is ending and so is the process.
        if (app)
            FreeButKeepUntilTheProcessEnds(app);
        std::exit(0);
    }
    if (msg.Message == WM_SETFOCUS) {
        // The form is held by the handler walk; the control is not, and a handler may free
        // it while its window is made: then there is nothing to give the focus to.
        Control* const current = form->CurrentControl;
        if (current && CreateWindowHandleSurvived(current))
            SetFocus(current->Handle);
        if (AppControl && AppControl != form)
            AppControl->CurrentControl = form;
        return current != nullptr;
    }
    return false;
}

void BuildClassName(const char* className, char* out) {
    sysutil::CStringCopy(out, kClassPrefix);
    sysutil::CStringCopyBounded(out + sysutil::CStringLength(kClassPrefix), className,
                                kClassNameBufferSize - 1 - sysutil::CStringLength(kClassPrefix));
}

// Fills the class record, superclassing the system class of the same name when there is
// one (BUTTON, STATIC, COMBOBOX): its procedure becomes the control's default procedure.
void PrepareClassRecord(Control* control, WNDCLASSA& record) {
    record = WNDCLASSA();
    record.style = control->ClassStyle;
    record.lpfnWndProc = control->DefaultWndProc;
    record.hInstance = Module();
    record.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    WNDCLASSA system;
    if (GetClassInfoA(Module(), control->ClassName, &system))
        record = system;
    record.hInstance = Module();
    record.style &= ~kForeignClassStyles;
    if (!control->DefaultWndProc)
        control->DefaultWndProc = record.lpfnWndProc;
}

bool EnsureClassRegistered(WNDCLASSA& record, const char* objClassName) {
    WNDCLASSA existing;
    if (GetClassInfoA(Module(), objClassName, &existing))
        return true;
    record.lpszClassName = objClassName;
    record.lpfnWndProc = WndFunc;
    return RegisterClassA(&record) != 0;
}

} // namespace

// ---- Construction ------------------------------------------------------------------------

void SetCaptionToEmpty(Control* control) {
    SetText(control, "");
}

void Control::Init() {
    ToolkitObject::Init();
    CommandActions.Clear = SetCaptionToEmpty;
    BackColor = kClBtnFace;
    TextColor = kClWindowText;
    Border = 2;
    Ctl3D = 1;
    Ctl3DChildren = 1;
    Children = NewList();
    Handlers = NewList();
    ClassStyle = CS_OWNDC;
    Style = kDefaultStyle;
    ExStyle = kDefaultExStyle;
    Visible = 1;
}

void Control::InitWithParent(Control* parent) {
    Init();
    if (parent) {
        BackColor = parent->BackColor;
        toolkit::SetParent(this, parent);
    }
}

Control* NewControlObject(Control* parent) {
    Control* const control = new Control();
    control->InitWithParent(parent);
    return control;
}

Control* NewWindowed(Control* parent, const char* className, bool ctl3D) {
    Control* const control = NewControlObject(parent);
    control->ClassName = className;
    if (!parent)
        return control;
    control->TabHandler = parent->TabHandler;
    control->Ctl3DChildren = parent->Ctl3DChildren;
    control->Ctl3D = parent->Ctl3DChildren ? ctl3D : false;
    control->TextColor = parent->TextColor;
    control->BackColor = parent->BackColor;
    // The child uses the parent's font and brush until its own data differ from them.
    if (parent->Font) {
        control->Font = AssignTool(nullptr, parent->Font);
        control->Font->ParentTool = parent->Font;
        control->Font->OnChange.Set(FontChanged, control);
        FontChanged(control, control->Font);
    }
    if (parent->Brush) {
        control->Brush = AssignTool(nullptr, parent->Brush);
        control->Brush->ParentTool = parent->Brush;
        control->Brush->OnChange.Set(BrushChanged, control);
        BrushChanged(control, control->Brush);
    }
    const int32_t b = parent->Border;
    control->Border = b;
    control->BoundsRect = RECT{b, b + parent->ClientMargins.Top, b + 64, b + 64};
    return control;
}

Control* NewForm(Control* parent, const char* caption) {
    Control* const form = NewWindowed(parent, kFormClassName, true);
    form->ClassStyle |= CS_DBLCLKS;
    AttachHandler(form, FormHandler);
    AttachHandler(form, BackgroundEraser);
    SetText(form, caption);
    form->IsForm = 1;
    return form;
}

Control* NewChildControl(Control* parent, const char* className, uint32_t style, bool ctl3D,
                         const CommandActionTable* actions) {
    Control* const control = NewWindowed(parent, className, ctl3D);
    control->IsControl = 1;
    if (actions)
        control->CommandActions = *actions;
    style |= kChildClipStyles;
    if (control->Ctl3D) {
        style &= ~static_cast<uint32_t>(WS_BORDER);
        control->ExStyle |= WS_EX_CLIENTEDGE;
    }
    control->Style = style;
    control->Visible = (style & WS_VISIBLE) != 0;
    control->TabKeys = 0x0F;
    Control* form = nullptr;
    if (parent) {
        control->Cursor = parent->Cursor;
        form = ParentForm(parent);
        if (form)
            control->TabOrder = ++form->TabOrder;
    }
    if (style & WS_TABSTOP) {
        control->TabStop = 1;
        // The first tab stop made on a form gets the focus when the form is activated.
        if (form && !form->CurrentControl)
            form->CurrentControl = control;
    }
    control->ControlId = NextControlId++;
    AttachHandler(control, ControlHandler);
    return control;
}

void SetParent(Control* control, Control* parent) {
    if (control->Parent && control->Parent->Children)
        control->Parent->Children->Remove(ToSlot(control));
    control->Parent = parent;
    if (parent)
        parent->Children->Add(ToSlot(control));
}

void SetStyle(Control* control, uint32_t style) {
    if (style == control->Style)
        return;
    control->Style = style;
    if (!control->Handle)
        return;
    platform::SetWindowStyle(control->Handle, style);
    SetWindowPos(control->Handle, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    Invalidate(control);
}

// ---- Windows on demand -------------------------------------------------------------------

namespace {

// Whether the control goes with something being destroyed: itself or a parent on the way.
bool IsGoing(const Control* control) {
    for (; control; control = control->Parent) {
        if (IsBeingDestroyed(control))
            return true;
    }
    return false;
}

// The window exists: make what the children lack, then show it if it was made hidden on
// demand. Handlers run in both steps; the caller holds the control.
void ShowExistingWindow(Control* control) {
    CreateChildWindows(control);
    if (control->ShowPending) {
        ApplyVisible(control, true);
        control->ShowPending = 0;
    }
}

// Makes the window and claims it for the control; no window when the system refused it.
// Past this call no control waits to claim the next window to get a message.
HWND CreateClaimedWindow(Control* control, const char* objClassName, int x, int y) {
    const int width = control->BoundsRect.right - control->BoundsRect.left;
    const int height = control->BoundsRect.bottom - control->BoundsRect.top;
    HWND const parentWindow = control->Parent ? control->Parent->Handle : nullptr;
    CreatingControl = control;
    HWND const window = CreateWindowExA(
        control->ExStyle, objClassName, control->Caption, control->Style, x, y, width ? width : CW_USEDEFAULT,
        height ? height : CW_USEDEFAULT, parentWindow,
        reinterpret_cast<HMENU>(static_cast<uintptr_t>(control->ControlId)), Module(), nullptr);
    if (CreatingControl == control)
        CreatingControl = nullptr; // no message came, or none was ours
    return window;
}

// A window refused after its first message still got WM_NCDESTROY, and for a child of the
// application that asked for the control's free: that free is taken back, the control is
// only left without a window. A free requested before the refusal (by a handler, even at
// the first message) stands.
void TakeBackTheRefusalsFree(Control* control, HWND window) {
    const bool refused = !window && control->HandleGone; // made, refused and destroyed at once
    if (refused) {
        control->HandleGone = 0;
        if (control->FreedWithWindow)
            WithdrawFree(control);
    }
    control->FreedWithWindow = 0;
}

// No window yet: make one, then what follows it (the icon, the font, the children). The
// caller holds the control; any step may free it.
void MakeNewWindow(Control* control, const Hold& hold) {
    WNDCLASSA record;
    PrepareClassRecord(control, record);
    char objClassName[kClassNameBufferSize];
    BuildClassName(control->ClassName, objClassName);

    const bool isForm = !control->IsControl;
    int x = control->BoundsRect.left;
    int y = control->BoundsRect.top;
    if (isForm && control->PositionChanged == 0) {
        x = CW_USEDEFAULT;
        y = CW_USEDEFAULT;
    }
    const bool parentWindow = control->Parent && control->Parent->Handle;
    if (!parentWindow && (control->Style & WS_CHILD))
        return;
    if (!EnsureClassRegistered(record, objClassName))
        return;

    HWND const window = CreateClaimedWindow(control, objClassName, x, y);
    TakeBackTheRefusalsFree(control, window);
    if (hold.EndDestroys())
        return; // a handler freed it meanwhile: it goes as the hold ends
    control->Handle = window;
    if (!window)
        return;
    SendMessageA(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    if (!GetPropA(window, kSelfProperty))
        platform::SetPropPointer(window, kSelfProperty, control);
    if (control->ClosePending) {
        control->ClosePending = 0;
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    if (isForm && !hold.EndDestroys())
        SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(GetIcon(control)));
    if (control->AfterCreate && !hold.EndDestroys())
        control->AfterCreate(control);
    if (!hold.EndDestroys())
        ApplyFont(control);
    if (!hold.EndDestroys())
        CreateChildWindows(control);
}

} // namespace

WindowState MakeWindowOnDemand(Control* control) {
    if (control->Handle)
        return WindowState::Made;
    Hold hold(control);
    if (!control->VisibilitySet) {
        // Made because something needs it, not because the program showed it: it stays
        // hidden until the loop starts.
        ApplyVisible(control, false);
        control->CreateWindowHandle();
        control->ShowPending = 1;
    } else {
        control->CreateWindowHandle();
    }
    const bool made = control->Handle != nullptr;
    if (!hold.End())
        return WindowState::Gone;
    return made ? WindowState::Made : WindowState::None;
}

HWND GetWindowHandle(Control* control) {
    return MakeWindowOnDemand(control) == WindowState::Made ? control->Handle : nullptr;
}

bool EnsureWindowHandle(Control* control) {
    return MakeWindowOnDemand(control) != WindowState::Gone;
}

bool CreateWindowHandleSurvived(Control* control) {
    Hold hold(control);
    control->CreateWindowHandle();
    return hold.End();
}

// False when the control has no window afterwards, or went meanwhile.
bool Control::CreateWindowHandle() {
    // A control on its way out gets no window, nor does one whose parent is: it would only
    // be torn down again, and the hold cannot hold an object being destroyed.
    if (IsGoing(this))
        return false;
    Hold hold(this);
    const WindowState parent = Parent ? MakeWindowOnDemand(Parent) : WindowState::Made;
    // A parent that went took this control with it: held here, it goes as the hold ends.
    if (parent == WindowState::Made && !hold.EndDestroys()) {
        if (Handle)
            ShowExistingWindow(this);
        else
            MakeNewWindow(this, hold);
    }
    const bool hasWindow = !hold.EndDestroys() && Handle != nullptr;
    return hold.End() && hasWindow;
}

void CreateChildWindows(Control* control) {
    // Re-read the count: a child's creation may add or remove children. A child freed while
    // its window was made has taken itself off the list, and the next one has moved up.
    for (int32_t i = 0; control->Children && i < control->Children->Count; ++i) {
        Control* const child = control->Children->ItemAs<Control>(i);
        child->CreateWindowHandle();
        if (i < control->Children->Count && control->Children->ItemAs<Control>(i) != child)
            --i;
    }
}

LRESULT SendToHandle(Control* control, UINT message, WPARAM wParam, LPARAM lParam, LRESULT noWindow) {
    return control->Handle ? SendMessageA(control->Handle, message, wParam, lParam) : noWindow;
}

LRESULT SendToWindow(Control* control, UINT message, WPARAM wParam, LPARAM lParam, LRESULT noWindow) {
    if (MakeWindowOnDemand(control) != WindowState::Made)
        return noWindow;
    return SendToHandle(control, message, wParam, lParam, noWindow);
}

void FreeWithItsWindow(Control* control) {
    control->HandleGone = 1;
    // Whether this free is the one that asks for its end: only that one is taken back
    // when the window turns out to be a refused one.
    control->FreedWithWindow = !FreeRequested(control) && !IsBeingDestroyed(control);
    Free(control);
}

void FreeAfterItsWindow(Control* control) {
    control->Destroying = 1;
    Free(control);
}

// ---- Caption -----------------------------------------------------------------------------

void SetText(Control* control, const char* text) {
    // Copied before the old caption goes: the text may be that very caption.
    char* const copy = CopyCaption(text);
    delete[] control->Caption;
    control->Caption = copy;
    if (!control->Handle)
        return;
    SetWindowTextA(control->Handle, control->Caption);
    Invalidate(control);
    if (control->AfterTextChange)
        control->AfterTextChange(control);
}

sysutil::Text GetText(Control* control) {
    if (!control->Handle)
        return sysutil::Text(control->Caption);
    const int length = GetWindowTextLengthA(control->Handle);
    if (length <= 0)
        return sysutil::Text();
    char* const buffer = new char[static_cast<size_t>(length) + 1];
    const int got = GetWindowTextA(control->Handle, buffer, length + 1);
    sysutil::Text text(buffer, got > 0 ? static_cast<size_t>(got) : 0);
    delete[] buffer;
    return text;
}

// ---- Visibility --------------------------------------------------------------------------

void ApplyVisible(Control* control, bool visible) {
    if (visible)
        control->Style |= WS_VISIBLE;
    else
        control->Style &= ~static_cast<uint32_t>(WS_VISIBLE);
    control->Visible = visible;
    if (!control->Handle)
        return;
    ShowWindow(control->Handle, visible ? SW_SHOW : SW_HIDE);
    if (!visible)
        control->ShowPending = 0;
}

void SetVisible(Control* control, bool visible) {
    control->VisibilitySet = 1;
    ApplyVisible(control, visible);
}

void Hide(Control* control) {
    SetVisible(control, false);
}

bool GetVisible(Control* control) {
    if (control->IsForm && control->Handle)
        control->Visible = IsWindowVisible(control->Handle) != 0;
    return control->Visible != 0;
}

// ---- Icon --------------------------------------------------------------------------------

HICON GetIcon(Control* control) {
    if (control->Icon == kNoIcon)
        return nullptr;
    if (control->Icon)
        return control->Icon;
    if (AppControl && AppControl != control) {
        HICON const appIcon = GetIcon(AppControl);
        if (!appIcon)
            return nullptr;
        control->Icon = static_cast<HICON>(CopyImage(appIcon, IMAGE_ICON, 0, 0, 0));
        return control->Icon;
    }
    control->Icon = LoadIconA(Module(), kMainIconName);
    return control->Icon;
}

void SetIcon(Control* control, HICON icon) {
    if (icon == control->Icon)
        return;
    control->Icon = icon;
    HICON const shown = icon == kNoIcon ? nullptr : icon;
    HICON const previous =
        reinterpret_cast<HICON>(SendToWindow(control, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(shown)));
    // A window made by this very send already shows the new icon: what it hands back is
    // the icon in use, not an old one to destroy.
    if (previous && previous != shown)
        DestroyIcon(previous);
}

void LoadIconResource(Control* control, HINSTANCE module, const char* resourceName) {
    // Shared before SetIcon makes the window: a handler may free the control meanwhile, and
    // its destruction must leave the shared icon alone.
    control->IconShared = 1;
    SetIcon(control, LoadIconA(module, resourceName));
}

// ---- Relations ---------------------------------------------------------------------------

Control* ParentForm(Control* control) {
    while (control && control->IsControl)
        control = control->Parent;
    return control;
}

bool IsMainWindow(Control* control) {
    if (control->IsControl)
        return false;
    Control* const parent = control->Parent;
    if (!parent)
        return true;
    if (parent->Parent)
        return false;
    return parent->Children && parent->Children->Count > 0 && parent->Children->ItemAs<Control>(0) == control;
}

// ---- Destruction -------------------------------------------------------------------------

void Control::Destroy() {
    Control* const form = ParentForm(this);
    if (form && form->CurrentControl == this)
        form->CurrentControl = nullptr;
    // A form without parent is recorded on the application control when it gets the focus.
    if (AppControl && AppControl->CurrentControl == this)
        AppControl->CurrentControl = nullptr;
    // Enter and Esc must not press a button that is gone.
    if (form && form->DefaultButton == this)
        form->DefaultButton = nullptr;
    if (form && form->CancelButton == this)
        form->CancelButton = nullptr;
    if (Handle)
        ShowWindow(Handle, SW_HIDE);
    RunFinalSteps();

    // Last child first: each one takes itself off the list while it goes.
    if (Children) {
        for (int32_t i = Children->Count - 1; i >= 0; --i) {
            if (i < Children->Count)
                Free(Children->ItemAs<Control>(i));
        }
        // A child still held by a guard outlives this list; it must not reach back to us.
        for (int32_t i = 0; i < Children->Count; ++i)
            Children->ItemAs<Control>(i)->Parent = nullptr;
        Children->Clear();
    }

    // Taken apart only this far when freed after its window (FreeAfterItsWindow), or when
    // this part has run already.
    if (Destroying)
        return;
    Destroying = 1;

    Free(Font);
    Font = nullptr;
    Free(Brush);
    Brush = nullptr;
    DropCanvas(this);

    if (Handle) {
        if (IsWindow(Handle)) {
            HICON const icon = reinterpret_cast<HICON>(SendMessageA(Handle, WM_SETICON, ICON_BIG, 0));
            if (icon && !IconShared)
                DestroyIcon(icon);
            if (!HandleGone)
                DestroyWindow(Handle);
        }
        Handle = nullptr;
    }

    delete[] Caption;
    Caption = nullptr;

    if (Parent) {
        if (Parent->CurrentControl == this)
            Parent->CurrentControl = nullptr;
        if (Parent->Children)
            Parent->Children->Remove(ToSlot(this));
    }
    DropBackgroundBrush(this);
    Free(Handlers);
    Handlers = nullptr;
    Free(Children);
    Children = nullptr;
    ToolkitObject::Destroy();
}

} // namespace toolkit
