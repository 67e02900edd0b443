// Dialog keys on plain top-level forms: Tab and Shift+Tab walk the tab stops in tab order,
// Enter and Esc press the form's default and cancel buttons.
#include "toolkit/keyboard.h"

namespace toolkit {
namespace {

// Keys that may move the focus, backward and forward. Only Tab (the first pair, Shift for
// backward) moves it; the arrow and page pairs are kept so the table still names them.
struct TabKeyPair {
    uint8_t Backward; // 0: none
    uint8_t Forward;
};
constexpr TabKeyPair kTabKeyPairs[] = {
    {0, VK_TAB},
    {VK_LEFT, VK_RIGHT},
    {VK_UP, VK_DOWN},
    {VK_PRIOR, VK_NEXT},
};
constexpr int32_t kTabPair = 0;
constexpr uint8_t kTabKeyBit = 1;
constexpr int32_t kForward = 0;
constexpr int32_t kBackward = -1;

// The pair holding the key and the direction it asks for; false for a key not in the table.
bool FindTabKey(uint8_t key, int32_t& pair, int32_t& direction) {
    for (int32_t i = 0; i < static_cast<int32_t>(sizeof kTabKeyPairs / sizeof kTabKeyPairs[0]); ++i) {
        if (kTabKeyPairs[i].Backward != 0 && key == kTabKeyPairs[i].Backward) {
            pair = i;
            direction = kBackward;
            return true;
        }
        if (key == kTabKeyPairs[i].Forward) {
            pair = i;
            direction = (i == kTabPair && platform::KeyIsDown(VK_SHIFT)) ? kBackward : kForward;
            return true;
        }
    }
    return false;
}

bool IsEnabled(Control* control) {
    if (control->Handle)
        return IsWindowEnabled(control->Handle) != 0;
    return (control->Style & WS_DISABLED) == 0;
}

bool CanBePressed(Control* button) {
    return button && ActuallyVisible(button) && IsEnabled(button);
}

// Inserted before the first element with a greater tab order, so equal orders keep the
// order in which they were found.
void InsertByTabOrder(PointerList* list, Control* control) {
    for (int32_t i = 0; i < list->Count; ++i) {
        if (list->ItemAs<Control>(i)->TabOrder > control->TabOrder) {
            list->Insert(i, ToSlot(control));
            return;
        }
    }
    list->Add(ToSlot(control));
}

void CollectTabStops(PointerList* list, Control* parent) {
    if (!parent->Children)
        return;
    for (int32_t i = 0; i < parent->Children->Count; ++i) {
        Control* child = parent->Children->ItemAs<Control>(i);
        if ((child->Style & WS_TABSTOP) && child->TabStop && ActuallyVisible(child))
            InsertByTabOrder(list, child);
        CollectTabStops(list, child);
    }
}

// The stop after (or before) the order k, or the first (last) one when the walk wraps.
Control* NextTabStop(PointerList* list, int32_t k, int32_t direction) {
    Control* next = nullptr;
    Control* wrap = nullptr;
    for (int32_t i = 0; i < list->Count; ++i) {
        Control* c = list->ItemAs<Control>(i);
        const int32_t order = c->TabOrder;
        if (order == k)
            continue;
        if (direction == kForward) {
            if (order > k && (!next || order < next->TabOrder))
                next = c;
            if (!wrap || order < wrap->TabOrder)
                wrap = c;
        } else {
            if (order < k && (!next || order > next->TabOrder))
                next = c;
            if (!wrap || order > wrap->TabOrder)
                wrap = c;
        }
    }
    return next ? next : wrap;
}

void SetFocusQuietly(Control* control) {
    // A push-like button that takes the focus must not report that as a click. Its
    // WM_SETFOCUS may free it: held, it goes once the count is back.
    Hold hold(control);
    ++control->ClickSuppress;
    SetFocus(control->Handle);
    --control->ClickSuppress;
}

// The button that Enter or Esc presses on the form, or null when the key stays where it is.
Control* DialogKeyTarget(Control* form, WPARAM key) {
    if (key == VK_RETURN) {
        Control* button = form->DefaultButton;
        if (!CanBePressed(button))
            return nullptr;
        // A focused button other than the default one keeps Enter for itself.
        Control* current = form->CurrentControl;
        if (current && current != button && (current->IsButton || current->IsCancel))
            return nullptr;
        return button;
    }
    if (key == VK_ESCAPE) {
        Control* button = form->CancelButton;
        return CanBePressed(button) ? button : nullptr;
    }
    return nullptr;
}

} // namespace

Control* EnableTabKeys(Control* control) {
    if (Control* form = ParentForm(control))
        form->TabHandler = TabKeyHandler;
    return control;
}

bool TabKeyHandler(Control* control, uint8_t key, bool checkOnly) {
    int32_t pair = 0;
    int32_t direction = kForward;
    if (!FindTabKey(key, pair, direction))
        return false;
    if (pair != kTabPair || !(control->TabKeys & kTabKeyBit))
        return false;
    if (checkOnly)
        return true;
    if (Control* form = ParentForm(control))
        MoveFocus(form, direction);
    return true;
}

PointerList* TabOrderList(Control* form) {
    PointerList* list = NewList();
    CollectTabStops(list, form);
    return list;
}

void MoveFocus(Control* form, int32_t direction) {
    PointerList* list = TabOrderList(form);
    const Control* current = form->CurrentControl;
    Control* target = NextTabStop(list, current ? current->TabOrder : 0, direction);
    Free(list);
    if (!target)
        return;
    // The focus runs the target's handlers, which may free it (or the form with it): a
    // target that went is not recorded.
    Hold hold(target);
    Hold formHold(form);
    if (target->Handle)
        SetFocusQuietly(target);
    if (!formHold.EndDestroys() && !hold.EndDestroys())
        form->CurrentControl = target;
}

bool ActuallyVisible(Control* control) {
    bool visible = control->Visible || control->ShowPending;
    Control* parent = control->Parent;
    if (control->IsControl && parent) {
        if (parent->IsForm && parent->Handle)
            parent->Visible = IsWindowVisible(parent->Handle) ? 1 : 0;
        visible = ActuallyVisible(parent) && visible;
    }
    return visible;
}

void SetFocused(Control* control, bool focused) {
    if (!focused)
        return;
    if (control->IsControl) {
        if (Control* form = ParentForm(control))
            form->CurrentControl = control;
        SetFocus(GetWindowHandle(control));
    } else {
        SetForegroundWindow(GetWindowHandle(control));
    }
}

void SetDefaultOrCancel(Control* button, uint8_t key, bool on) {
    if (key == VK_RETURN) {
        button->IsDefault = on ? 1 : 0;
        button->IsCancel = 0;
    } else if (key == VK_ESCAPE) {
        button->IsCancel = on ? 1 : 0;
        button->IsDefault = 0;
    }
    Control* form = ParentForm(button);
    // Without the application control there is no hook to install: only the flags change.
    if (!AppControl || !form)
        return;
    MessageEvent& onMessage = AppControl->OnMessage;
    if (on) {
        if (onMessage.proc != DialogKeysHook)
            AppControl->SavedOnMessage = onMessage;
        onMessage.Set(DialogKeysHook, AppControl);
    } else if (onMessage.proc == DialogKeysHook) {
        // Only our own hook is taken down; a handler the program set meanwhile stays.
        onMessage = AppControl->SavedOnMessage;
        AppControl->SavedOnMessage.Reset();
    }
    Control* target = on ? button : nullptr;
    if (key == VK_RETURN) {
        form->DefaultButton = target;
        SetStyle(button, on ? (button->Style | BS_DEFPUSHBUTTON)
                            : (button->Style & ~static_cast<uint32_t>(BS_DEFPUSHBUTTON)));
    } else if (key == VK_ESCAPE) {
        form->CancelButton = target;
    }
}

bool DialogKeysHook(void* context, MessageRecord& msg, LRESULT& result) {
    Control* app = static_cast<Control*>(context);
    if (app->SavedOnMessage.IsSet() && app->SavedOnMessage(msg, result))
        return true;
    if (AppTerminated)
        return false;
    Control* form = app->IsForm ? app : app->CurrentControl;
    if (!form)
        return false;
    if (msg.Message != WM_KEYDOWN && msg.Message != WM_KEYUP)
        return false;
    Control* target = DialogKeyTarget(form, msg.WParam);
    if (!target)
        return false;
    // A handler may free the button while its window is made: a button that went is not
    // pressed, and the key is used up all the same.
    if (MakeWindowOnDemand(target) == WindowState::Made) {
        // The button presses itself on Space down and up and reports the click as usual. The
        // focus runs its handlers: a button freed there is not pressed.
        Hold hold(target);
        if (msg.Message == WM_KEYDOWN)
            SetFocused(target, true);
        if (!hold.EndDestroys())
            SendToHandle(target, msg.Message, VK_SPACE, msg.LParam);
    }
    msg.WParam = 0;
    result = 0;
    return true;
}

} // namespace toolkit
