// Tab order and the dialog-keys hook without real input: the lists, the walk and the hook's
// decisions, on controls that mostly have no windows yet.
#include "support/ui_support.h"
#include "toolkit/controls.h"
#include "toolkit/keyboard.h"

#include <gtest/gtest.h>

#include <vector>

using namespace toolkit;

namespace {

std::vector<Control*> Items(PointerList* list) {
    std::vector<Control*> items;
    for (int32_t i = 0; i < list->Count; ++i)
        items.push_back(list->ItemAs<Control>(i));
    Free(list);
    return items;
}

Control* NewPanel(Control* parent) {
    return NewChildControl(parent, "STATIC", WS_CHILD | WS_VISIBLE, false, nullptr);
}

class KeyboardTest : public ::testing::Test {
  protected:
    void SetUp() override {
        form = NewForm(nullptr, "keys");
        label = NewLabel(form, "prompt");
        combo = NewComboBox(form, DropDownList);
        ok = NewButton(form, "OK");
        close = NewButton(form, "Close");
    }
    void TearDown() override {
        AppControl = nullptr;
        AppRunning = 0;
        Free(form);
    }
    Control* form = nullptr;
    Control* label = nullptr;
    Control* combo = nullptr;
    Control* ok = nullptr;
    Control* close = nullptr;
};

// Answers every message as handled, or none, and counts what it was offered.
struct ProgramHook {
    int Calls = 0;
    bool Handles = false;
    static bool Proc(void* context, MessageRecord&, LRESULT&) {
        ProgramHook* hook = static_cast<ProgramHook*>(context);
        ++hook->Calls;
        return hook->Handles;
    }
};

MessageRecord KeyRecord(Control* target, UINT message, WPARAM key) {
    return MessageRecord{target->Handle, message, key, 1};
}

} // namespace

TEST_F(KeyboardTest, TheTabOrderListHoldsTheVisibleTabStopsSortedByOrder) {
    EXPECT_EQ((std::vector<Control*>{combo, ok, close}), Items(TabOrderList(form)))
        << "the label is no tab stop";

    // Made later but placed earlier in the order; equal orders keep the order found.
    close->TabOrder = 1;
    ok->TabOrder = 2;
    EXPECT_EQ((std::vector<Control*>{close, combo, ok}), Items(TabOrderList(form)));

    ok->Visible = 0;
    EXPECT_EQ((std::vector<Control*>{close, combo}), Items(TabOrderList(form)));
    ok->ShowPending = 1;
    EXPECT_EQ(3u, Items(TabOrderList(form)).size()) << "made hidden on demand still counts as shown";
    close->TabStop = 0;
    EXPECT_EQ((std::vector<Control*>{combo, ok}), Items(TabOrderList(form)));
}

TEST_F(KeyboardTest, TabStopsInsideAHiddenChildAreSkippedAndVisibleOnesFound) {
    Control* panel = NewPanel(form);
    Control* inner = NewButton(panel, "inner");
    EXPECT_EQ(6, inner->TabOrder) << "the form counts its descendants";
    EXPECT_EQ((std::vector<Control*>{combo, ok, close, inner}), Items(TabOrderList(form)));
    Hide(panel);
    EXPECT_EQ((std::vector<Control*>{combo, ok, close}), Items(TabOrderList(form)));
    EXPECT_FALSE(ActuallyVisible(inner));
    EXPECT_TRUE(inner->Visible);
}

TEST_F(KeyboardTest, AFormWithAWindowIsAskedWhetherItIsShown) {
    HWND window = GetWindowHandle(form);
    EXPECT_TRUE(ActuallyVisible(ok)) << "hidden on demand, shown when the loop starts";
    form->ShowPending = 0;
    EXPECT_FALSE(ActuallyVisible(ok));
    ShowWindow(window, SW_SHOWNOACTIVATE);
    EXPECT_TRUE(ActuallyVisible(ok));
    EXPECT_TRUE(form->Visible) << "refreshed from the window";
    ShowWindow(window, SW_HIDE);
}

TEST_F(KeyboardTest, MoveFocusWalksByOrderAndWrapsWithoutNeedingWindows) {
    EXPECT_EQ(combo, form->CurrentControl);
    MoveFocus(form, 0);
    EXPECT_EQ(ok, form->CurrentControl);
    MoveFocus(form, 0);
    MoveFocus(form, 0);
    EXPECT_EQ(combo, form->CurrentControl) << "wrapped to the lowest";
    MoveFocus(form, -1);
    EXPECT_EQ(close, form->CurrentControl) << "wrapped to the highest";
    form->CurrentControl = nullptr;
    MoveFocus(form, -1);
    EXPECT_EQ(close, form->CurrentControl);
    EXPECT_EQ(nullptr, ok->Handle) << "no window is made to move the focus";

    Hide(combo);
    Hide(ok);
    Hide(close);
    form->CurrentControl = nullptr;
    MoveFocus(form, 0);
    EXPECT_EQ(nullptr, form->CurrentControl) << "nowhere to go";
}

TEST_F(KeyboardTest, OnlyTabMovesAndOnlyWhereTheControlAllowsIt) {
    EnableTabKeys(ok);
    EXPECT_EQ(TabKeyHandler, form->TabHandler) << "set on the control's form";
    Control* later = NewButton(form, "later");
    EXPECT_EQ(TabKeyHandler, later->TabHandler) << "copied by controls made afterwards";

    EXPECT_TRUE(TabKeyHandler(combo, VK_TAB, true));
    EXPECT_EQ(combo, form->CurrentControl) << "checking does not move";
    for (const uint8_t key : {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_RETURN, 0})
        EXPECT_FALSE(TabKeyHandler(combo, key, false)) << int(key);
    EXPECT_EQ(combo, form->CurrentControl);

    EXPECT_FALSE(TabKeyHandler(form, VK_TAB, false)) << "a form takes no Tab of its own";
    combo->TabKeys = 2;
    EXPECT_FALSE(TabKeyHandler(combo, VK_TAB, false));
    combo->TabKeys = 3;
    EXPECT_TRUE(TabKeyHandler(combo, VK_TAB, false));
    EXPECT_EQ(ok, form->CurrentControl);
}

TEST_F(KeyboardTest, TheHookKeepsTheProgramsOwnHandlerAndAsksItFirst) {
    AppControl = form;
    ProgramHook program;
    form->OnMessage.Set(ProgramHook::Proc, &program);

    SetDefaultOrCancel(ok, VK_RETURN, true);
    EXPECT_EQ(DialogKeysHook, form->OnMessage.proc);
    EXPECT_EQ(ProgramHook::Proc, form->SavedOnMessage.proc);
    SetDefaultOrCancel(close, VK_ESCAPE, true);
    EXPECT_EQ(ProgramHook::Proc, form->SavedOnMessage.proc) << "the hook is not saved over itself";
    EXPECT_EQ(close, form->CancelButton);
    EXPECT_EQ(1, close->IsCancel);

    MessageRecord enter = KeyRecord(combo, WM_KEYDOWN, VK_RETURN);
    LRESULT result = 0;
    program.Handles = true;
    EXPECT_TRUE(DialogKeysHook(form, enter, result));
    EXPECT_EQ(1, program.Calls);
    EXPECT_EQ(static_cast<WPARAM>(VK_RETURN), enter.WParam) << "the program took it first";

    SetDefaultOrCancel(ok, VK_RETURN, false);
    EXPECT_EQ(ProgramHook::Proc, form->OnMessage.proc);
    EXPECT_FALSE(form->SavedOnMessage.IsSet());
    EXPECT_EQ(0, ok->IsDefault);

    // Turning off what was never turned on leaves the program's handler in place.
    SetDefaultOrCancel(close, VK_ESCAPE, false);
    EXPECT_EQ(ProgramHook::Proc, form->OnMessage.proc);
    form->OnMessage.Reset();
}

TEST_F(KeyboardTest, TheHookLooksOnlyAtEnterAndEscDownAndUpForAPressableButton) {
    AppControl = form;
    SetDefaultOrCancel(ok, VK_RETURN, true);
    LRESULT result = 0;

    MessageRecord character = KeyRecord(combo, WM_CHAR, VK_RETURN);
    EXPECT_FALSE(DialogKeysHook(form, character, result));
    MessageRecord esc = KeyRecord(combo, WM_KEYDOWN, VK_ESCAPE);
    EXPECT_FALSE(DialogKeysHook(form, esc, result)) << "no cancel button";
    EXPECT_EQ(static_cast<WPARAM>(VK_ESCAPE), esc.WParam);

    SetStyle(ok, ok->Style | WS_DISABLED);
    MessageRecord enter = KeyRecord(combo, WM_KEYUP, VK_RETURN);
    EXPECT_FALSE(DialogKeysHook(form, enter, result)) << "a disabled default button";
    SetStyle(ok, ok->Style & ~static_cast<uint32_t>(WS_DISABLED));
    Hide(ok);
    EXPECT_FALSE(DialogKeysHook(form, enter, result)) << "a hidden default button";
    SetVisible(ok, true);

    form->CurrentControl = close;
    EXPECT_FALSE(DialogKeysHook(form, enter, result)) << "another button has the focus";
    form->CurrentControl = ok;
    EXPECT_TRUE(DialogKeysHook(form, enter, result)) << "the default button itself";
    EXPECT_EQ(0u, enter.WParam);
    EXPECT_EQ(0, result);

    AppTerminated = 1;
    MessageRecord late = KeyRecord(combo, WM_KEYUP, VK_RETURN);
    const bool handledLate = DialogKeysHook(form, late, result);
    AppTerminated = 0; // this program's own tests go on
    EXPECT_FALSE(handledLate) << "nothing once the application has terminated";
}

TEST_F(KeyboardTest, AFreedDefaultOrCancelButtonIsNoLongerTheFormsButton) {
    AppControl = form;
    SetDefaultOrCancel(ok, VK_RETURN, true);
    SetDefaultOrCancel(close, VK_ESCAPE, true);
    ASSERT_EQ(ok, form->DefaultButton);
    ASSERT_EQ(close, form->CancelButton);
    Free(ok);
    Free(close);
    EXPECT_EQ(nullptr, form->DefaultButton);
    EXPECT_EQ(nullptr, form->CancelButton);
}

TEST_F(KeyboardTest, AnApplicationControlThatIsNoFormLooksAtItsCurrentForm) {
    Control* app = NewControlObject(nullptr);
    app->CurrentControl = form;
    AppControl = app;
    SetDefaultOrCancel(ok, VK_RETURN, true);
    EXPECT_EQ(DialogKeysHook, app->OnMessage.proc);
    EXPECT_EQ(ok, form->DefaultButton);
    form->CurrentControl = ok;
    MessageRecord enter = KeyRecord(ok, WM_KEYUP, VK_RETURN);
    LRESULT result = 0;
    EXPECT_TRUE(DialogKeysHook(app, enter, result));
    app->CurrentControl = nullptr;
    EXPECT_FALSE(DialogKeysHook(app, enter, result));
    AppControl = nullptr;
    Free(app);
}

TEST_F(KeyboardTest, SetFocusedRecordsTheControlOnItsForm) {
    SetFocused(close, false);
    EXPECT_EQ(combo, form->CurrentControl) << "false does nothing";
    SetFocused(close, true);
    EXPECT_EQ(close, form->CurrentControl);
    EXPECT_NE(nullptr, close->Handle) << "the window is made to take the focus";
}
