// Push button, label and combo box: system controls driven through their class's
// command-actions table and the handlers that turn reflected notifications into events.
#include "toolkit/controls.h"

#include "toolkit/dispatch.h"
#include "toolkit/geometry.h"
#include "toolkit/graphics.h"

namespace toolkit {
namespace {

constexpr uint32_t kButtonStyle = 0x50011000;    // child, visible, tab stop, push-like
constexpr uint32_t kLabelStyle = 0x5000018C;     // child, visible, notify, no prefix, left no word wrap
constexpr uint32_t kComboBaseStyle = 0x50210200; // child, visible, vscroll, tab stop, has strings
constexpr int32_t kInitialControlHeight = 22;
constexpr uint16_t kComboDropDownMaxItems = 8;

void ComboClear(Control* combo) {
    SendToWindow(combo, CB_RESETCONTENT, 0, 0);
}

constexpr CommandActionTable ButtonActions() {
    CommandActionTable t = {};
    t.Clear = SetCaptionToEmpty;
    t.ClickCode = BN_CLICKED;
    t.EnterCode = BN_SETFOCUS;
    t.LeaveCode = BN_KILLFOCUS;
    t.AutoSizeExtraWidth = 14;
    return t;
}

constexpr CommandActionTable LabelActions() {
    CommandActionTable t = {};
    t.Clear = SetCaptionToEmpty;
    t.ClickCode = STN_CLICKED;
    t.AutoSizeExtraWidth = 1;
    t.AutoSizeExtraHeight = 1;
    return t;
}

constexpr CommandActionTable ComboActions() {
    CommandActionTable t = {};
    t.Clear = ComboClear;
    t.ClickCode = CBN_DBLCLK;
    t.EnterCode = CBN_SETFOCUS;
    t.LeaveCode = CBN_KILLFOCUS;
    t.ChangeCode = CBN_EDITCHANGE;
    t.SelChangeCode = kComboSelChangeCode;
    t.ItemCountMessage = CB_GETCOUNT;
    t.AddItemMessage = CB_ADDSTRING;
    t.GetCurIndexMessage = CB_GETCURSEL;
    t.SelectItemMessages[1] = CB_SETCURSEL;
    t.AutoSizeExtraHeight = 6;
    t.GetItemTextLengthMessage = CB_GETLBTEXTLEN;
    t.GetItemTextMessage = CB_GETLBTEXT;
    t.GetItemDataMessage = CB_GETITEMDATA;
    t.SetItemDataMessage = CB_SETITEMDATA;
    t.DeleteItemMessage = CB_DELETESTRING;
    t.InsertItemMessage = CB_INSERTSTRING;
    t.FindExactMessage = CB_FINDSTRINGEXACT;
    t.FindMessage = CB_FINDSTRING;
    t.DirMessage = CB_DIR;
    return t;
}

constexpr CommandActionTable kButtonActions = ButtonActions();
constexpr CommandActionTable kLabelActions = LabelActions();
constexpr CommandActionTable kComboActions = ComboActions();

// Style bit of each combo option, from bit 0 upward.
constexpr uint32_t kComboOptionStyles[] = {
    CBS_DROPDOWNLIST, CBS_AUTOHSCROLL, CBS_DISABLENOSCROLL, CBS_LOWERCASE,      CBS_NOINTEGRALHEIGHT,
    CBS_OEMCONVERT,   CBS_SORT,        CBS_UPPERCASE,       CBS_OWNERDRAWFIXED, CBS_OWNERDRAWVARIABLE,
    CBS_SIMPLE,
};
constexpr ComboOptions kInvertedComboOption = NoAutoHScroll;

bool IsColorReflection(UINT message) {
    return message >= kColorReflectionBase + WM_CTLCOLORMSGBOX &&
           message <= kColorReflectionBase + WM_CTLCOLORSTATIC;
}

// The combo box's edit field and list are windows of their own: they go through the
// toolkit's inner procedure so that Tab, Enter and Esc there reach the control.
void SubclassInnerWindows(Control* combo) {
    for (HWND child = GetWindow(combo->Handle, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        WNDPROC previous = platform::SetWindowProc(child, InnerWndProc);
        platform::SetPropPointer(child, kPrevProcProperty, reinterpret_cast<void*>(previous));
    }
}

void Notify(const NotifyEvent& event, Control* sender) {
    if (event.IsSet())
        event(sender);
}

// The event for a reflected notification code; false when the class does not use the code.
// A code that several entries share counts as the first of them (a button's 0 is a click).
bool RaiseCommandEvent(Control* control, uint16_t code) {
    const CommandActionTable& actions = control->CommandActions;
    if (code == actions.ClickCode) {
        if (control->ClickSuppress <= 0)
            Click(control);
    } else if (code == actions.EnterCode) {
        Notify(control->OnEnter, control);
    } else if (code == actions.LeaveCode) {
        Notify(control->OnLeave, control);
    } else if (code == actions.ChangeCode) {
        Notify(control->OnChange, control);
    } else if (code == actions.SelChangeCode) {
        Notify(control->OnSelChange.IsSet() ? control->OnSelChange : control->OnChange, control);
    } else {
        return false;
    }
    return true;
}

} // namespace

uint32_t ComboStyleFromOptions(ComboOptions options) {
    uint32_t style = 0;
    for (uint32_t bit = 0; bit < sizeof kComboOptionStyles / sizeof kComboOptionStyles[0]; ++bit) {
        const ComboOptions option = static_cast<ComboOptions>(1u << bit);
        const bool set = (options & option) != 0;
        if (set != (option == kInvertedComboOption))
            style |= kComboOptionStyles[bit];
    }
    return style;
}

Control* NewButton(Control* parent, const char* caption) {
    Control* button = NewChildControl(parent, "BUTTON", kButtonStyle, false, &kButtonActions);
    button->BoundsRect.bottom = button->BoundsRect.top + kInitialControlHeight;
    button->IsButton = 1;
    SetText(button, caption);
    return button;
}

Control* NewLabel(Control* parent, const char* caption) {
    Control* label = NewChildControl(parent, "STATIC", kLabelStyle, false, &kLabelActions);
    label->RedrawOnResize = 1;
    label->BoundsRect.bottom = label->BoundsRect.top + kInitialControlHeight;
    SetText(label, caption);
    return label;
}

Control* NewComboBox(Control* parent, ComboOptions options) {
    uint32_t style = ComboStyleFromOptions(options) | kComboBaseStyle;
    if (!(style & 1)) // neither simple nor drop-down list
        style |= CBS_DROPDOWN;
    Control* combo = NewChildControl(parent, "COMBOBOX", style, true, &kComboActions);
    combo->ClassStyle |= CS_DBLCLKS;
    combo->BoundsRect.right += 36;
    combo->BoundsRect.bottom -= 42;
    combo->OnDropDownRoutine = ComboDropDown;
    combo->AfterCreate = SubclassInnerWindows;
    combo->TabKeys = (options & DropDownList) ? 3 : 1;
    AttachHandler(combo, ComboHandler);
    return combo;
}

void Click(Control* control) {
    if (control->PreClick)
        control->PreClick(control);
    Notify(control->OnClick, control);
}

void Clear(Control* control) {
    if (control->CommandActions.Clear)
        control->CommandActions.Clear(control);
}

int32_t ItemCount(Control* control) {
    const UINT message = control->CommandActions.ItemCountMessage;
    return message ? static_cast<int32_t>(SendToWindow(control, message, 0, 0)) : 0;
}

int32_t AddItem(Control* control, const char* text) {
    const UINT message = control->CommandActions.AddItemMessage;
    // A control that went while its window was made takes no item, nor one without a window.
    if (!message || MakeWindowOnDemand(control) != WindowState::Made)
        return CB_ERR;
    const int32_t index = static_cast<int32_t>(
        SendToHandle(control, message, 0, reinterpret_cast<LPARAM>(text ? text : ""), CB_ERR));
    // The first item of an empty list becomes the selection.
    if (ItemCount(control) == 1)
        SetItemSelected(control, 0, true);
    return index;
}

int32_t CurIndex(Control* control) {
    const UINT message = control->CommandActions.GetCurIndexMessage;
    // Without a window there is no selection, as the combo box itself answers for none.
    return message ? static_cast<int32_t>(SendToWindow(control, message, 0, 0, CB_ERR)) : CB_ERR;
}

void SetCurIndex(Control* control, int32_t index) {
    const UINT message = control->CommandActions.SelectItemMessages[1];
    if (!message || MakeWindowOnDemand(control) != WindowState::Made)
        return;
    // An index outside the items leaves no selection. Windows' combo box clears it by
    // itself; Wine's keeps the old one for -2 or the item count, so ask for none outright.
    if (index < 0 || index >= ItemCount(control))
        index = -1;
    SendToHandle(control, message, static_cast<WPARAM>(index), 0);
}

void SetItemSelected(Control* control, int32_t index, bool) {
    // The combo box selects with CB_SETCURSEL, which has no flag: the item is always selected.
    for (const uint16_t message : control->CommandActions.SelectItemMessages) {
        if (message) {
            SendToWindow(control, message, static_cast<WPARAM>(index), 0);
            return;
        }
    }
}

bool ControlHandler(Control* control, MessageRecord& msg, LRESULT& result) {
    if (IsColorReflection(msg.Message)) {
        HDC dc = reinterpret_cast<HDC>(msg.WParam);
        SetTextColor(dc, ColorToRgb(control->TextColor));
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, ColorToRgb(control->BackColor));
        result = reinterpret_cast<LRESULT>(BackgroundBrush(control));
        return true;
    }
    if (msg.Message == kCommandReflection) {
        if (!RaiseCommandEvent(control, platform::HighWord(msg.WParam)))
            return false;
        result = CallDefault(control, msg);
        return true;
    }
    if (msg.Message == WM_SETFOCUS) {
        if (Control* form = ParentForm(control))
            form->CurrentControl = control;
        result = 0;
    }
    return false;
}

bool ComboHandler(Control* control, MessageRecord& msg, LRESULT& result) {
    if (msg.Message >= WM_CTLCOLORMSGBOX && msg.Message <= WM_CTLCOLORSTATIC) {
        // The edit field and the list ask their parent, the combo box: answer in its colours.
        result = SendMessageA(control->Handle, msg.Message + kColorReflectionBase, msg.WParam, msg.LParam);
        return true;
    }
    if (msg.Message != kCommandReflection)
        return false;
    switch (platform::HighWord(msg.WParam)) {
    case CBN_SELCHANGE:
        // The combo box is still changing its selection; the event comes back once it is done.
        PostMessageA(control->Handle, kCommandReflection, static_cast<WPARAM>(kComboSelChangeCode) << 16, 0);
        break;
    case CBN_DROPDOWN:
        control->Dropped = 1;
        control->DropDownIndex = CurIndex(control);
        if (control->OnDropDownRoutine)
            control->OnDropDownRoutine(control);
        break;
    case CBN_CLOSEUP:
        control->Dropped = 0;
        Notify(control->OnCloseUp, control);
        break;
    default:
        break;
    }
    return false;
}

void ComboDropDown(Control* combo) {
    int32_t n = ItemCount(combo);
    if (n < 1)
        n = 1;
    if (n > kComboDropDownMaxItems)
        n = kComboDropDownMaxItems;
    // The height of a combo box's window is the height of its open list: room for 1 to 8
    // items, whatever the no-integral-height style says.
    SetWindowPos(combo->Handle, nullptr, 0, 0, Width(combo), Height(combo) * (n + 1) + 2,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    SetWindowPos(combo->Handle, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    Notify(combo->OnDropDown, combo);
}

} // namespace toolkit
