// Window objects: a Control stands for one window and makes it on demand. Forms, buttons,
// labels and combo boxes are controls. This header holds the control's data, which every
// concern of the toolkit shares, and the operations on windows as objects; message
// dispatch, the loop, colours and fonts, geometry, the standard controls and keyboard
// navigation each have their own header.
#pragma once

#include "sysutil/text.h"
#include "toolkit/object.h"
#include "toolkit/platform/win32.h"

namespace toolkit {

class Control;
class GraphicTool;
class Canvas;

// A Color: RGB in the low three bytes (a COLORREF), or with bit 31 set a system colour
// index (GetSysColor numbering) in the low byte.
using Color = uint32_t;
constexpr Color kSystemColorFlag = 0x80000000u;
constexpr Color kClWindow = 0x80000005u;
constexpr Color kClWindowText = 0x80000008u;
constexpr Color kClBtnFace = 0x8000000Fu;

// The record a message travels in through events and handlers; handlers may change it.
struct MessageRecord {
    HWND Window;
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
};

// A handler returns true when it handled the message; `result` is then returned at once.
using Handler = bool (*)(Control* control, MessageRecord& msg, LRESULT& result);
using ControlProc = void (*)(Control* control);
// Called by the key path with the focused control, the key and whether to look only.
using TabHandlerProc = bool (*)(Control* control, uint8_t key, bool checkOnly);

using NotifyEvent = Event<void(Control* sender)>;
using MessageEvent = Event<bool(MessageRecord& msg, LRESULT& result)>;
using CloseEvent = Event<void(Control* sender, bool& accept)>;

// Per-class operations of the standard controls: which notification codes and messages a
// class uses. Copied whole into every child control; a form's table is all zero but for
// the clear routine.
struct CommandActionTable {
    ControlProc Clear;
    uint16_t ClickCode;
    uint16_t EnterCode;
    uint16_t LeaveCode;
    uint16_t ChangeCode;
    uint16_t SelChangeCode;
    uint16_t ItemCountMessage;
    uint16_t AddItemMessage;
    uint16_t GetCurIndexMessage;
    uint16_t SelectItemMessages[4]; // the second is also the set-current-index message
    uint16_t BackColorMessage;
    uint16_t AutoSizeExtraWidth;
    uint16_t AutoSizeExtraHeight;
    // Item operations the program does not use; kept so the table describes the class.
    uint16_t GetItemTextLengthMessage;
    uint16_t GetItemTextMessage;
    uint16_t GetItemDataMessage;
    uint16_t SetItemDataMessage;
    uint16_t DeleteItemMessage;
    uint16_t InsertItemMessage;
    uint16_t FindExactMessage;
    uint16_t FindMessage;
    uint16_t DirMessage;
};

struct Margins {
    int32_t Top;
    int32_t Bottom;
    int32_t Left;
    int32_t Right;
};

class Control : public ToolkitObject {
  public:
    // Virtual operations, in their fixed order after the base's Init and Destroy.
    void Init() override;
    void Destroy() override;
    virtual void InitWithParent(Control* parent);
    virtual bool CreateWindowHandle();
    virtual LRESULT WndProc(MessageRecord& msg);

    HWND Handle = nullptr;
    uint32_t ClassStyle = 0;
    uint32_t Style = 0;
    uint32_t ExStyle = 0;
    HCURSOR Cursor = nullptr;
    HICON Icon = nullptr; // null: not yet decided; kNoIcon: none
    uint8_t IconShared = 0;
    char* Caption = nullptr; // owned; null when never set
    uint8_t SizeState = 0;
    int32_t RestoreShowCmd = 0;
    Canvas* ControlCanvas = nullptr;  // owned, made on first use
    WNDPROC DefaultWndProc = nullptr; // null: DefWindowProcA
    uint8_t HandleGone = 0;
    uint8_t FreedWithWindow = 0; // the free request came from the window's WM_NCDESTROY
    Control* Parent = nullptr;
    uint8_t Visible = 0;
    uint8_t TabStop = 0;
    int32_t TabOrder = 0; // on a form: the last tab order handed out
    uint8_t PreventResize = 0;
    PointerList* Children = nullptr; // owned, and so are the children
    HBRUSH BackgroundBrushHandle = nullptr;
    uint32_t BackgroundBrushRgb = 0;
    uint8_t Destroying = 0;
    uint32_t ControlId = 0;
    uint8_t IsForm = 0;
    uint8_t IsControl = 0;
    uint8_t PositionChanged = 0; // 1: left was set; 2: top was set
    uint8_t TabKeys = 0;
    PointerList* Handlers = nullptr; // two slots per handler: procedure, keep-after-termination flag
    const char* ClassName = nullptr;
    TabHandlerProc TabHandler = nullptr;
    uint8_t Ctl3DChildren = 0;
    uint8_t Ctl3D = 0;
    Color TextColor = 0;
    GraphicTool* Font = nullptr; // owned, made on first use
    Color BackColor = 0;
    GraphicTool* Brush = nullptr; // owned; nothing in this program makes one
    int32_t Border = 0;
    RECT BoundsRect = {0, 0, 0, 0};
    Margins ClientMargins = {0, 0, 0, 0};
    MessageEvent OnMessage;
    NotifyEvent OnClick;
    Control* CurrentControl = nullptr;
    uint8_t VisibilitySet = 0;
    uint8_t ShowPending = 0;
    uint8_t ClosePending = 0; // Close came before the window: posted once it is made
    uint8_t Dropped = 0;
    int32_t DropDownIndex = 0;
    ControlProc OnDropDownRoutine = nullptr;
    int8_t ClickSuppress = 0;
    CommandActionTable CommandActions = {};
    NotifyEvent OnEnter;
    NotifyEvent OnLeave;
    NotifyEvent OnChange;
    NotifyEvent OnSelChange;
    NotifyEvent OnDropDown;
    NotifyEvent OnCloseUp;
    ControlProc PreClick = nullptr;
    NotifyEvent OnResize;
    uint8_t RedrawOnResize = 0;
    int32_t LockedWidth = 0;
    int32_t LockedHeight = 0;
    CloseEvent OnClose;
    ControlProc AfterCreate = nullptr;
    ControlProc AfterTextChange = nullptr;
    uint8_t IsButton = 0;
    // Dialog keys: on a form its default and cancel buttons, on a button its role, and on
    // the application control the OnMessage that the dialog-keys hook displaced.
    Control* DefaultButton = nullptr;
    Control* CancelButton = nullptr;
    uint8_t IsDefault = 0;
    uint8_t IsCancel = 0;
    MessageEvent SavedOnMessage;
};

// Process-wide state, all zero at start.
extern Control* AppControl;
extern uint8_t AppRunning;
extern uint8_t AppTerminated;
extern Control* CreatingControl;
extern uint16_t NextControlId; // starts at 0x8000
extern HINSTANCE ModuleInstance;

inline HICON const kNoIcon = reinterpret_cast<HICON>(static_cast<intptr_t>(-1));

// Style defaults.
constexpr uint32_t kDefaultStyle = 0x16CF0000; // visible, clip siblings/children, overlapped window
constexpr uint32_t kDefaultExStyle = WS_EX_CONTROLPARENT;
constexpr uint32_t kChildClipStyles = 0x06000000; // WS_CLIPSIBLINGS | WS_CLIPCHILDREN

// Construction.
Control* NewControlObject(Control* parent);
Control* NewWindowed(Control* parent, const char* className, bool ctl3D);
Control* NewChildControl(Control* parent, const char* className, uint32_t style, bool ctl3D,
                         const CommandActionTable* actions);
Control* NewForm(Control* parent, const char* caption);

void SetParent(Control* control, Control* parent);
void SetStyle(Control* control, uint32_t style);

// Windows on demand. A handler may free the control while its window is made; the free
// then happens before these return, and each says so: the caller must not touch the control
// again. Every point after a possible free reads `if (... == WindowState::Gone) return ...;`.
enum class WindowState : uint8_t {
    Made, // the control has its window (it had one already, or it was made now)
    None, // no window can be made (the control or a parent is going, or the system refused)
    Gone, // a handler freed the control meanwhile: it is destroyed
};
// The one way to make a control's window on demand: made hidden, unless the program set
// the visibility, and shown when the loop reaches it.
WindowState MakeWindowOnDemand(Control* control);
// Views of it: the window or null (none, or gone); false only when the control went.
HWND GetWindowHandle(Control* control);
bool EnsureWindowHandle(Control* control);
// The control's CreateWindowHandle (which also shows a window made hidden on demand); false
// only when the control went meanwhile.
bool CreateWindowHandleSurvived(Control* control);
// The system destroyed the window of a child of the application: the control goes too.
void FreeWithItsWindow(Control* control);
// A main window's window is gone (its WM_NCDESTROY posted the release): the control lets
// go of its handlers and children, and no more; what the program holds of it stays readable.
void FreeAfterItsWindow(Control* control);
void CreateChildWindows(Control* control);
// Sends to the window the control has, and never makes one: without a window nothing is
// sent and the answer is `noWindow`.
LRESULT SendToHandle(Control* control, UINT message, WPARAM wParam, LPARAM lParam, LRESULT noWindow = 0);
// Makes the window on demand first (MakeWindowOnDemand), then sends to it; `noWindow` when
// there is none or the control went.
LRESULT SendToWindow(Control* control, UINT message, WPARAM wParam, LPARAM lParam, LRESULT noWindow = 0);

// Caption.
void SetText(Control* control, const char* text); // null is the empty text
sysutil::Text GetText(Control* control);
// The default clear routine of the command-actions table: an empty caption.
void SetCaptionToEmpty(Control* control);

// Visibility.
void SetVisible(Control* control, bool visible);
void Hide(Control* control);
void ApplyVisible(Control* control, bool visible);
bool GetVisible(Control* control);

// Icon.
void SetIcon(Control* control, HICON icon);
void LoadIconResource(Control* control, HINSTANCE module, const char* resourceName);
HICON GetIcon(Control* control);

Control* ParentForm(Control* control);
bool IsMainWindow(Control* control);

} // namespace toolkit
