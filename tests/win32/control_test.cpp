// Window objects: windows made on demand, class registration, identifiers, the first tab
// stop, caption and icon, the order of destruction and what a thousand forms leave behind.
// No test here runs the message loop: the application never terminates in this program.
#include "support/message_log.h"

#include "toolkit/controls.h"
#include "toolkit/dispatch.h"
#include "toolkit/geometry.h"
#include "toolkit/graphics.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace toolkit;
using testsupport::kBoth;
using testsupport::kMessageOnly;
using testsupport::LoggedMessage;
using testsupport::MessageLog;
using testsupport::Recorder;

namespace {

// Read during start-up, before any test has made a control.
const uint16_t kFirstControlId = NextControlId;

constexpr uint32_t kPlainChildStyle = WS_CHILD | WS_VISIBLE;

uint32_t WindowStyle(HWND window) {
    return static_cast<uint32_t>(GetWindowLongPtrA(window, GWL_STYLE));
}

class ControlTest : public ::testing::Test {
  protected:
    void SetUp() override { liveAtStart_ = ToolkitObject::LiveCount(); }
    void TearDown() override {
        testsupport::DrainQueue();
        EXPECT_EQ(liveAtStart_, ToolkitObject::LiveCount()) << "a toolkit object outlived its test";
    }
    int32_t liveAtStart_ = 0;
};

// ---- Windows on demand ------------------------------------------------------------------

TEST_F(ControlTest, FirstSendToAChildMakesTheFormFirstAndBothStayHidden) {
    MessageLog log;
    Control* form = NewForm(nullptr, "on demand");
    Control* button = NewButton(form, "OK");
    Recorder formRec{&log, "form"}, buttonRec{&log, "button"};
    formRec.Attach(form);
    buttonRec.Attach(button);

    SendToWindow(button, WM_NULL, 0, 0);

    ASSERT_TRUE(form->Handle);
    ASSERT_TRUE(button->Handle);
    EXPECT_TRUE(testsupport::SameSequence({{"form", WM_NCCREATE, 0, 0, kMessageOnly},
                                           {"form", WM_CREATE, 0, 0, kMessageOnly},
                                           {"button", WM_NCCREATE, 0, 0, kMessageOnly},
                                           {"button", WM_CREATE, 0, 0, kMessageOnly},
                                           {"button", WM_NULL, 0, 0, kBoth}},
                                          log.Only({WM_NCCREATE, WM_CREATE, WM_NULL})));
    EXPECT_EQ(0u, WindowStyle(form->Handle) & WS_VISIBLE);
    EXPECT_EQ(0u, WindowStyle(button->Handle) & WS_VISIBLE);
    EXPECT_TRUE(form->ShowPending);
    EXPECT_TRUE(button->ShowPending);
    EXPECT_EQ(form->Handle, GetParent(button->Handle));
    EXPECT_EQ(button, ControlOfWindow(button->Handle));

    // What the loop does first: the form's window shows both, the pending flags go.
    EXPECT_TRUE(form->CreateWindowHandle());
    EXPECT_TRUE(IsWindowVisible(form->Handle));
    EXPECT_TRUE(IsWindowVisible(button->Handle));
    EXPECT_FALSE(form->ShowPending);
    EXPECT_FALSE(button->ShowPending);
    Free(form);
}

TEST_F(ControlTest, AHiddenFormIsMadeWithoutPendingShow) {
    Control* form = NewForm(nullptr, "hidden");
    Hide(form);
    ASSERT_TRUE(GetWindowHandle(form));
    EXPECT_FALSE(form->ShowPending);
    EXPECT_TRUE(form->CreateWindowHandle());
    EXPECT_FALSE(IsWindowVisible(form->Handle));
    EXPECT_FALSE(GetVisible(form));

    // Hiding a window made on demand cancels its pending show.
    Control* other = NewForm(nullptr, "pending");
    GetWindowHandle(other);
    ASSERT_TRUE(other->ShowPending);
    Hide(other);
    EXPECT_FALSE(other->ShowPending);
    EXPECT_TRUE(other->CreateWindowHandle());
    EXPECT_FALSE(IsWindowVisible(other->Handle));
    Free(other);
    Free(form);
}

TEST_F(ControlTest, ButtonsShareOneSuperclassThatCallsTheSystemProcedure) {
    Control* form = NewForm(nullptr, "classes");
    Control* first = NewButton(form, "one");
    Control* second = NewButton(form, "two");
    ASSERT_TRUE(GetWindowHandle(second));
    ASSERT_TRUE(first->Handle);

    WNDCLASSA registered;
    ASSERT_TRUE(GetClassInfoA(ModuleInstance, "obj_BUTTON", &registered));
    EXPECT_EQ(reinterpret_cast<WNDPROC>(WndFunc), registered.lpfnWndProc);
    EXPECT_EQ(GetClassLongPtrA(first->Handle, GCW_ATOM), GetClassLongPtrA(second->Handle, GCW_ATOM));
    char name[64] = "";
    GetClassNameA(second->Handle, name, sizeof name);
    EXPECT_STREQ("obj_BUTTON", name);

    // The system class is the default procedure; its window bytes come along with it.
    WNDCLASSA system;
    ASSERT_TRUE(GetClassInfoA(nullptr, "BUTTON", &system));
    EXPECT_EQ(system.lpfnWndProc, first->DefaultWndProc);
    EXPECT_EQ(system.cbWndExtra, registered.cbWndExtra);

    // The form's class has no system class behind it; it never owns a DC.
    WNDCLASSA formClass;
    ASSERT_TRUE(GetClassInfoA(ModuleInstance, "obj_Form", &formClass));
    EXPECT_EQ(nullptr, form->DefaultWndProc);
    EXPECT_EQ(static_cast<UINT>(CS_DBLCLKS), formClass.style);
    Free(form);
}

// Wine replaces CW_USEDEFAULT before even a CBT hook sees the arguments, so the test looks
// at where the windows end up: the unplaced form is not where its bounds say.
TEST_F(ControlTest, AFormNeverPlacedIsMadeAtTheDefaultPosition) {
    Control* unplaced = NewForm(nullptr, "unplaced");
    unplaced->BoundsRect = RECT{123, 77, 123 + 200, 77 + 100}; // set behind the setters' back
    ASSERT_TRUE(GetWindowHandle(unplaced));
    Control* placed = NewForm(nullptr, "placed");
    SetPosition(placed, 123, 77);
    SetSize(placed, 200, 100);
    ASSERT_TRUE(GetWindowHandle(placed));
    // A form with an empty width and height gets the default size, not a zero one.
    Control* sizeless = NewForm(unplaced, "sizeless");
    sizeless->BoundsRect = RECT{5, 5, 5, 5};
    sizeless->PositionChanged = 3;
    ASSERT_TRUE(GetWindowHandle(sizeless));

    RECT r;
    GetWindowRect(unplaced->Handle, &r);
    EXPECT_FALSE(r.left == 123 && r.top == 77) << r.left << "," << r.top;
    EXPECT_EQ(200, r.right - r.left);
    EXPECT_EQ(100, r.bottom - r.top);
    GetWindowRect(placed->Handle, &r);
    EXPECT_EQ(123, r.left);
    EXPECT_EQ(77, r.top);
    GetWindowRect(sizeless->Handle, &r);
    EXPECT_EQ(5, r.left);
    EXPECT_GT(r.right - r.left, 5);
    EXPECT_GT(r.bottom - r.top, 5);
    Free(placed);
    Free(unplaced);
}

TEST_F(ControlTest, ChildIdentifiersCountUpAcrossForms) {
    EXPECT_EQ(0x8000, kFirstControlId);
    const uint16_t next = NextControlId;
    Control* one = NewForm(nullptr, "one");
    Control* two = NewForm(nullptr, "two");
    Control* a = NewLabel(one, "a");
    Control* b = NewButton(two, "b");
    Control* c = NewComboBox(one, 0);
    EXPECT_EQ(0u, one->ControlId);
    EXPECT_EQ(next, a->ControlId);
    EXPECT_EQ(next + 1u, b->ControlId);
    EXPECT_EQ(next + 2u, c->ControlId);
    ASSERT_TRUE(GetWindowHandle(c));
    ASSERT_TRUE(GetWindowHandle(b));
    EXPECT_EQ(static_cast<int>(c->ControlId), GetDlgCtrlID(c->Handle));
    EXPECT_EQ(static_cast<int>(b->ControlId), GetDlgCtrlID(b->Handle));
    Free(one);
    Free(two);
}

TEST_F(ControlTest, TheFirstTabStopBecomesTheCurrentControl) {
    Control* form = NewForm(nullptr, "tabs");
    Control* label = NewLabel(form, "prompt");
    EXPECT_EQ(nullptr, form->CurrentControl); // a label is no tab stop
    Control* combo = NewComboBox(form, DropDownList);
    Control* ok = NewButton(form, "OK");
    EXPECT_EQ(combo, form->CurrentControl);
    EXPECT_EQ(1, label->TabOrder);
    EXPECT_EQ(2, combo->TabOrder);
    EXPECT_EQ(3, ok->TabOrder);
    EXPECT_EQ(3, form->TabOrder);
    EXPECT_TRUE(ok->TabStop);
    EXPECT_FALSE(label->TabStop);

    // The current control is forgotten when it goes.
    Free(combo);
    EXPECT_EQ(nullptr, form->CurrentControl);
    EXPECT_EQ(2, form->Children->Count);
    Free(form);
}

TEST_F(ControlTest, ChildrenTakeTheLookOfTheirParent) {
    Control* form = NewForm(nullptr, "look");
    form->BackColor = 0x00123456;
    form->TextColor = 0x00654321;
    form->Border = 7;
    form->Ctl3DChildren = 0;
    Control* label = NewChildControl(form, "STATIC", kPlainChildStyle | WS_BORDER, true, nullptr);
    EXPECT_EQ(0x00123456u, label->BackColor);
    EXPECT_EQ(0x00654321u, label->TextColor);
    EXPECT_FALSE(label->Ctl3D); // the parent allows no sunken look
    EXPECT_EQ(7, label->BoundsRect.left);
    EXPECT_EQ(7 + 64, label->BoundsRect.right);
    EXPECT_TRUE(label->Style & WS_BORDER);
    EXPECT_EQ(static_cast<uint32_t>(kPlainChildStyle | WS_BORDER | kChildClipStyles), label->Style);
    EXPECT_EQ(0x0Fu, label->TabKeys);

    form->Ctl3DChildren = 1;
    Control* sunken = NewChildControl(form, "STATIC", WS_CHILD | WS_BORDER, true, nullptr);
    EXPECT_TRUE(sunken->Ctl3D);
    EXPECT_FALSE(sunken->Style & WS_BORDER);
    EXPECT_TRUE(sunken->ExStyle & WS_EX_CLIENTEDGE);
    EXPECT_FALSE(sunken->Visible);
    Free(form);
}

// ---- Caption, visibility, icon ----------------------------------------------------------

TEST_F(ControlTest, CaptionLivesInTheObjectUntilTheWindowExists) {
    Control* form = NewForm(nullptr, "first");
    EXPECT_STREQ("first", GetText(form).c_str());
    SetText(form, nullptr);
    EXPECT_STREQ("", form->Caption);
    EXPECT_TRUE(GetText(form).empty());
    SetText(form, "Language ....");
    ASSERT_TRUE(GetWindowHandle(form));
    char shown[64] = "";
    GetWindowTextA(form->Handle, shown, sizeof shown);
    EXPECT_STREQ("Language ....", shown);
    SetText(form, "changed");
    GetWindowTextA(form->Handle, shown, sizeof shown);
    EXPECT_STREQ("changed", shown);
    SetWindowTextA(form->Handle, "from outside");
    EXPECT_STREQ("from outside", GetText(form).c_str());
    Free(form);
}

TEST_F(ControlTest, AnIconSetBeforeTheWindowSurvivesItsCreation) {
    // This program has no "MAINICON": the form has no icon, and nothing is stored.
    Control* plain = NewForm(nullptr, "no icon");
    EXPECT_EQ(nullptr, GetIcon(plain));
    EXPECT_EQ(nullptr, plain->Icon);
    Free(plain);

    Control* form = NewForm(nullptr, "icon");
    HICON icon = static_cast<HICON>(
        CopyImage(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)), IMAGE_ICON, 0, 0, 0));
    ASSERT_TRUE(icon);
    SetIcon(form, icon); // makes the window, whose creation shows this very icon
    ASSERT_TRUE(form->Handle);
    EXPECT_EQ(icon, reinterpret_cast<HICON>(SendMessageA(form->Handle, WM_GETICON, ICON_BIG, 0)));
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(icon, &info)) << "the icon in use was destroyed";
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    SetIcon(form, kNoIcon);
    EXPECT_EQ(nullptr, reinterpret_cast<HICON>(SendMessageA(form->Handle, WM_GETICON, ICON_BIG, 0)));
    EXPECT_FALSE(GetIconInfo(icon, &info)) << "the replaced icon was not destroyed";
    EXPECT_EQ(nullptr, GetIcon(form));
    Free(form);
}

TEST_F(ControlTest, ParentFormAndMainWindow) {
    Control* owner = NewForm(nullptr, "owner");
    Control* first = NewForm(owner, "first");
    Control* second = NewForm(owner, "second");
    Control* grandchild = NewForm(first, "grandchild");
    Control* button = NewButton(first, "b");
    EXPECT_TRUE(IsMainWindow(owner));
    EXPECT_TRUE(IsMainWindow(first));
    EXPECT_FALSE(IsMainWindow(second));
    EXPECT_FALSE(IsMainWindow(grandchild));
    EXPECT_FALSE(IsMainWindow(button));
    EXPECT_EQ(first, ParentForm(button));
    EXPECT_EQ(first, ParentForm(first));
    Control* orphan = NewChildControl(nullptr, "BUTTON", kPlainChildStyle, false, nullptr);
    EXPECT_EQ(nullptr, ParentForm(orphan));
    // A child window without a parent window cannot be made.
    EXPECT_FALSE(orphan->CreateWindowHandle());
    EXPECT_EQ(nullptr, orphan->Handle);
    EXPECT_EQ(nullptr, CreatingControl);
    Free(orphan);
    Free(owner);
}

// Sends the parent a message when the child's window is about to be made, before the
// child's first message: as a hook, an input method or a pointer update may (Wine 10 sends
// WM_NCHITTEST there).
HWND g_parentToDisturb = nullptr;

LRESULT CALLBACK DisturbParent(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && g_parentToDisturb && reinterpret_cast<HWND>(wParam) != g_parentToDisturb)
        SendMessageA(g_parentToDisturb, WM_NULL, 0, 0);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(ControlTest, AMessageToTheParentWhileAChildIsMadeStaysWithTheParent) {
    Control* form = NewForm(nullptr, "parent");
    ASSERT_TRUE(GetWindowHandle(form));
    Control* child = NewButton(form, "child");
    g_parentToDisturb = form->Handle;
    HHOOK const hook = SetWindowsHookExA(WH_CBT, DisturbParent, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(hook);
    EXPECT_TRUE(GetWindowHandle(child));
    UnhookWindowsHookEx(hook);
    g_parentToDisturb = nullptr;
    EXPECT_EQ(form, ControlOfWindow(form->Handle)) << "the parent's window still names the parent";
    EXPECT_EQ(child, ControlOfWindow(child->Handle));
    EXPECT_NE(form->Handle, child->Handle);
    Free(form);
}

// ---- Destruction ------------------------------------------------------------------------

MessageLog* g_destroyLog = nullptr;

void LogDestroy(void* name, ToolkitObject*) {
    g_destroyLog->Add(static_cast<const char*>(name), 0);
}

TEST_F(ControlTest, AFormGoesAfterItsOwnedObjectsAndItsChildrenLastFirst) {
    MessageLog log;
    g_destroyLog = &log;
    Control* form = NewForm(nullptr, "destroy");
    // A drop-down list has no edit field, whose messages the form's OnMessage would see too.
    Control* children[3] = {NewButton(form, "1"), NewLabel(form, "2"), NewComboBox(form, DropDownList)};
    const char* names[3] = {"child1", "child2", "child3"};
    Recorder formRec{&log, "form"};
    Recorder childRec[3] = {{&log, names[0]}, {&log, names[1]}, {&log, names[2]}};
    formRec.Attach(form);
    form->OnDestroy.Set(LogDestroy, const_cast<char*>("form.OnDestroy"));
    PointerList* owned = NewList();
    owned->OnDestroy.Set(LogDestroy, const_cast<char*>("owned.OnDestroy"));
    AddToAutoFree(form, owned);
    for (int i = 0; i < 3; ++i) {
        childRec[i].Attach(children[i]);
        children[i]->OnDestroy.Set(LogDestroy, const_cast<char*>(names[i]));
    }
    ASSERT_TRUE(GetWindowHandle(form));
    HWND formWindow = form->Handle;
    log.Clear();

    Free(form);

    // OnDestroy entries are logged as message 0.
    EXPECT_TRUE(testsupport::SameSequence({{"form.OnDestroy", 0, 0, 0, kMessageOnly},
                                           {"owned.OnDestroy", 0, 0, 0, kMessageOnly},
                                           {"child3", 0, 0, 0, kMessageOnly},
                                           {"child3", WM_DESTROY, 0, 0, kMessageOnly},
                                           {"child3", WM_NCDESTROY, 0, 0, kMessageOnly},
                                           {"child2", 0, 0, 0, kMessageOnly},
                                           {"child2", WM_DESTROY, 0, 0, kMessageOnly},
                                           {"child2", WM_NCDESTROY, 0, 0, kMessageOnly},
                                           {"child1", 0, 0, 0, kMessageOnly},
                                           {"child1", WM_DESTROY, 0, 0, kMessageOnly},
                                           {"child1", WM_NCDESTROY, 0, 0, kMessageOnly},
                                           {"form", WM_DESTROY, 0, 0, kMessageOnly},
                                           {"form", WM_NCDESTROY, 0, 0, kMessageOnly}},
                                          log.Only({0, WM_DESTROY, WM_NCDESTROY})));
    EXPECT_FALSE(IsWindow(formWindow));
    g_destroyLog = nullptr;
}

TEST_F(ControlTest, AFormBeingDestroyedGetsNoWindow) {
    struct Seen {
        bool windowMade = false;
        HWND asked = reinterpret_cast<HWND>(1);
    } seen;
    Control* form = NewForm(nullptr, "going");
    form->OnMessage.Set(
        [](void* out, MessageRecord& msg, LRESULT&) {
            static_cast<Seen*>(out)->windowMade |= msg.Message == WM_NCCREATE;
            return false;
        },
        &seen);
    form->OnDestroy.Set(
        [](void* out, ToolkitObject* sender) {
            static_cast<Seen*>(out)->asked = GetWindowHandle(static_cast<Control*>(sender));
        },
        &seen);
    RefInc(form); // released as a handler's guard releases it: destroyed at the RefDec
    Free(form);
    RefDec(form);
    EXPECT_EQ(nullptr, seen.asked);
    EXPECT_FALSE(seen.windowMade) << "a window was made for a control being destroyed";
}

// Freed without a guard, the children go with the form last-first: the last one asks for
// windows for itself, the form and the sibling still to go.
TEST_F(ControlTest, NoWindowIsMadeForControlsFreedWithTheirForm) {
    static const HWND kNotAsked = reinterpret_cast<HWND>(1);
    struct Asked {
        Control* form = nullptr;
        Control* sibling = nullptr;
        HWND windows[3] = {kNotAsked, kNotAsked, kNotAsked}; // the handler must run to clear them
    } asked;
    asked.form = NewForm(nullptr, "going");
    asked.sibling = NewButton(asked.form, "first");
    Control* last = NewButton(asked.form, "last");
    last->OnDestroy.Set(
        [](void* out, ToolkitObject* sender) {
            auto* a = static_cast<Asked*>(out);
            a->windows[0] = GetWindowHandle(static_cast<Control*>(sender));
            a->windows[1] = GetWindowHandle(a->form);
            a->windows[2] = GetWindowHandle(a->sibling);
        },
        &asked);
    Free(asked.form);
    EXPECT_EQ(nullptr, asked.windows[0]) << "the control being destroyed";
    EXPECT_EQ(nullptr, asked.windows[1]) << "its form";
    EXPECT_EQ(nullptr, asked.windows[2]) << "its sibling";
}

TEST_F(ControlTest, AFreedFormIsNoLongerTheApplicationsFocusRecord) {
    Control* main = NewForm(nullptr, "main");
    Control* other = NewForm(nullptr, "other");
    AppControl = main;
    SendToWindow(other, WM_SETFOCUS, 0, 0); // records it on the application control
    ASSERT_EQ(other, main->CurrentControl);
    Free(other);
    EXPECT_EQ(nullptr, main->CurrentControl);
    AppControl = nullptr;
    Free(main);
}

TEST_F(ControlTest, TheCaptionCanBeSetFromItself) {
    Control* form = NewForm(nullptr, "its own caption");
    SetText(form, form->Caption);
    EXPECT_STREQ("its own caption", form->Caption);
    Free(form);
}

// Refuses its window at the first message; the system still sends WM_NCDESTROY.
bool RefuseWindow(void*, MessageRecord& msg, LRESULT& result) {
    if (msg.Message != WM_NCCREATE)
        return false;
    result = FALSE;
    return true;
}

TEST_F(ControlTest, AChildOfTheApplicationWhoseWindowIsRefusedIsLeftWithoutOne) {
    Control* form = NewForm(nullptr, "refusing");
    Control* child = NewButton(form, "refused");
    child->OnMessage.Set(RefuseWindow, nullptr);
    bool freed = false;
    child->OnDestroy.Set([](void* flag, ToolkitObject*) { *static_cast<bool*>(flag) = true; }, &freed);
    AppControl = form;
    ASSERT_TRUE(GetWindowHandle(form));
    EXPECT_FALSE(freed) << "a refused window is no reason to free its control";
    EXPECT_EQ(nullptr, child->Handle);
    ASSERT_EQ(1, form->Children->Count);
    child->OnMessage.Reset();
    EXPECT_TRUE(GetWindowHandle(child)) << "it can still get one later";
    AppControl = nullptr;
    Free(form);
}

// Frees its control at the first message, then refuses the window.
bool FreeAndRefuseWindow(void* control, MessageRecord& msg, LRESULT& result) {
    if (msg.Message == WM_NCCREATE)
        Free(static_cast<Control*>(control));
    return RefuseWindow(nullptr, msg, result);
}

// Without the creation guard the control is gone before its WM_NCDESTROY arrives; with a
// guard that withdraws every free, it is never destroyed.
TEST_F(ControlTest, AFreeRequestedBeforeTheWindowIsRefusedStillHappens) {
    Control* form = NewForm(nullptr, "refusing");
    Control* child = NewButton(form, "refused");
    child->OnMessage.Set(FreeAndRefuseWindow, child);
    bool freed = false;
    child->OnDestroy.Set([](void* flag, ToolkitObject*) { *static_cast<bool*>(flag) = true; }, &freed);
    AppControl = form;
    ASSERT_TRUE(GetWindowHandle(form)); // the child's window is refused
    EXPECT_TRUE(freed) << "the refusal must not withdraw the handler's free";
    EXPECT_EQ(0, form->Children->Count);
    AppControl = nullptr;
    Free(form);
}

BOOL CALLBACK CountComboLists(HWND window, LPARAM count) {
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    *reinterpret_cast<int*>(count) += lstrcmpiA(cls, "ComboLBox") == 0;
    return TRUE;
}

int ComboListsOfThisThread() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountComboLists, reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST_F(ControlTest, FreeingComboBoxesOfTheApplicationTakesTheirListsDownToo) {
    const int listsAtStart = ComboListsOfThisThread();
    Control* form = NewForm(nullptr, "combos");
    Control* combos[5];
    for (Control*& combo : combos)
        combo = NewComboBox(form, DropDownList);
    AppControl = form;
    ASSERT_TRUE(GetWindowHandle(form));
    ASSERT_EQ(listsAtStart + 5, ComboListsOfThisThread());
    for (Control* combo : combos)
        Free(combo);
    EXPECT_EQ(listsAtStart, ComboListsOfThisThread());
    AppControl = nullptr;
    Free(form);
}

TEST_F(ControlTest, AChildFreedOnItsOwnLeavesTheFormIntact) {
    Control* form = NewForm(nullptr, "parent");
    Control* a = NewButton(form, "a");
    Control* b = NewButton(form, "b");
    ASSERT_TRUE(GetWindowHandle(form));
    HWND aWindow = a->Handle;
    Free(a);
    EXPECT_FALSE(IsWindow(aWindow));
    ASSERT_EQ(1, form->Children->Count);
    EXPECT_EQ(b, form->Children->ItemAs<Control>(0));
    EXPECT_TRUE(IsWindow(b->Handle));
    Free(form);
}

// ---- Leaks ------------------------------------------------------------------------------

// GetGuiResources, where Wine implements it; -1 where it does not.
long GuiObjects(DWORD kind) {
    SetLastError(0);
    const DWORD n = GetGuiResources(GetCurrentProcess(), kind);
    if (n == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED)
        return -1;
    return static_cast<long>(n);
}

// The slot of a GDI handle in the process's handle table. Freed slots are handed out
// again, so as long as nothing leaks the slots in use stay few and low; every leaked
// object would hold one for good and push new ones up.
unsigned GdiSlot(HGDIOBJ object) {
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(object) & 0xFFFF);
}

// About 18 ms an iteration under Wine, nearly all of it the X11 driver making and
// destroying the top-level window.
TEST_F(ControlTest, AThousandFormsLeaveNoObjectWindowOrGdiHandleBehind) {
    constexpr int kRounds = 1000;
    const int windowsAtStart = testsupport::CountThreadWindows();
    const long gdiAtStart = GuiObjects(GR_GDIOBJECTS);
    const long userAtStart = GuiObjects(GR_USEROBJECTS);
    unsigned highestEarlySlot = 0, highestLateSlot = 0;
    HGDIOBJ lastFont = nullptr;
    HBRUSH lastBrush = nullptr;
    for (int i = 0; i < kRounds; ++i) {
        Control* form = NewForm(nullptr, "leak");
        SetFontName(Font(form), "Arial");
        Control* label = NewLabel(form, "Please select language:");
        NewComboBox(form, DropDownList);
        NewButton(form, "OK");
        ASSERT_TRUE(GetWindowHandle(form));
        // A colour request makes the background brush; the font was made for WM_SETFONT.
        HDC dc = GetDC(form->Handle);
        lastBrush = reinterpret_cast<HBRUSH>(SendMessageA(form->Handle, WM_CTLCOLORSTATIC,
                                                          reinterpret_cast<WPARAM>(dc),
                                                          reinterpret_cast<LPARAM>(label->Handle)));
        ReleaseDC(form->Handle, dc);
        lastFont = GetToolHandle(form->Font);
        unsigned& highest = i < 10 ? highestEarlySlot : highestLateSlot;
        if (i < 10 || i >= kRounds - 10)
            highest = std::max({highest, GdiSlot(lastFont), GdiSlot(lastBrush)});
        Free(form);
        testsupport::DrainQueue();
    }
    EXPECT_EQ(windowsAtStart, testsupport::CountThreadWindows());
    // The last font and brush are gone, not merely forgotten.
    ASSERT_TRUE(lastFont);
    ASSERT_TRUE(lastBrush);
    EXPECT_EQ(0u, GetObjectType(lastFont));
    EXPECT_EQ(0u, GetObjectType(lastBrush));
    if (gdiAtStart >= 0) {
        EXPECT_LE(GuiObjects(GR_GDIOBJECTS), gdiAtStart + 5);
        EXPECT_LE(GuiObjects(GR_USEROBJECTS), userAtStart + 5);
    } else {
        // Wine: GetGuiResources is a stub.
        EXPECT_LT(highestLateSlot, highestEarlySlot + 50)
            << "GDI slots in use grew from " << highestEarlySlot << " to " << highestLateSlot;
    }
    // The fixture checks ToolkitObject::LiveCount.
}

} // namespace
