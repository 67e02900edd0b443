// Dialog keys with real key input (SendInput) on a form laid out like the language dialog.
// The form must stay the foreground window and the pointer where the test put it: the
// program holds the bench's desktop lock (tests/CMakeLists.txt), which keeps every other
// test that shows a window, takes the foreground or moves the pointer from running beside it.
#include "support/ui_support.h"
#include "toolkit/controls.h"
#include "toolkit/geometry.h"
#include "toolkit/graphics.h"
#include "toolkit/keyboard.h"

#include <gtest/gtest.h>

#include <vector>

using namespace toolkit;
using uitest::NotifyCounter;
using uitest::PressKey;
using uitest::PumpUntil;
using uitest::SendKeys;

namespace {

// The key messages that reach a control, as its own OnMessage sees them.
struct KeyLog {
    std::vector<std::pair<UINT, WPARAM>> Seen;
    static bool Record(void* context, MessageRecord& msg, LRESULT&) {
        if (msg.Message >= WM_KEYFIRST && msg.Message <= WM_KEYLAST)
            static_cast<KeyLog*>(context)->Seen.emplace_back(msg.Message, msg.WParam);
        return false;
    }
    bool Saw(UINT message, WPARAM key) const {
        for (const auto& m : Seen) {
            if (m.first == message && m.second == key)
                return true;
        }
        return false;
    }
};

class DialogKeysTest : public ::testing::Test {
  protected:
    void SetUp() override {
        uitest::ParkPointer();
        form = NewForm(nullptr, "Language ....");
        SetPosition(form, 200, 150);
        SetClientSize(form, 321, 140);
        EnableTabKeys(form);
        SetFontName(Font(form), "Arial");
        SetToolField(Font(form), 4, -11);
        label = NewLabel(form, "Please select language:");
        SetPosition(label, 24, 24);
        SetAutoSize(label, true);
        combo = NewComboBox(form, DropDownList | NoIntegralHeight);
        SetPosition(combo, 24, 48);
        SetSize(combo, 289, 0);
        AddItem(combo, "English");
        AddItem(combo, "Deutsch");
        AddItem(combo, "Nederlands");
        ok = NewButton(form, "OK");
        SetPosition(ok, 125, 98);
        SetSize(ok, 90, 25);
        close = NewButton(form, "Close");
        SetPosition(close, 221, 98);
        SetSize(close, 90, 25);
        okClicks.Attach(ok->OnClick);
        closeClicks.Attach(close->OnClick);
        // The program makes its form the application right after making it.
        AppControl = form;
    }

    // Shows the form as the running application and waits for the first tab stop's focus.
    void Start() {
        AppControl = form;
        AppRunning = 1; // what the loop sets: the application control sees every message
        ASSERT_TRUE(uitest::ShowInForeground(form));
        ASSERT_TRUE(FocusReaches(combo));
    }

    void TearDown() override {
        AppRunning = 0;
        AppControl = nullptr;
        Free(form);
        uitest::PumpMessages();
    }

    static bool FocusReaches(Control* control) {
        return PumpUntil([control] { return GetFocus() == control->Handle; });
    }
    // For keys that should change nothing: a moment for anything late to show.
    static void Settle() {
        PumpUntil([] { return false; }, 100);
    }

    Control* form = nullptr;
    Control* label = nullptr;
    Control* combo = nullptr;
    Control* ok = nullptr;
    Control* close = nullptr;
    NotifyCounter okClicks;
    NotifyCounter closeClicks;
};

} // namespace

TEST_F(DialogKeysTest, TabGoesComboOkCloseComboAndShiftTabGoesBack) {
    EXPECT_EQ(1, label->TabOrder);
    EXPECT_EQ(2, combo->TabOrder);
    EXPECT_EQ(3, ok->TabOrder);
    EXPECT_EQ(4, close->TabOrder);
    Start();
    EXPECT_EQ(combo, form->CurrentControl);

    ASSERT_TRUE(PressKey(VK_TAB));
    EXPECT_EQ(ok->Handle, GetFocus());
    EXPECT_EQ(ok, form->CurrentControl);
    ASSERT_TRUE(PressKey(VK_TAB));
    EXPECT_EQ(close->Handle, GetFocus());
    ASSERT_TRUE(PressKey(VK_TAB));
    EXPECT_EQ(combo->Handle, GetFocus()) << "from the last stop back to the first";

    // Shift is read when the Tab key-down is handled, so it stays down across the presses.
    ASSERT_TRUE(SendKeys({{VK_SHIFT, false}, {VK_TAB, false}, {VK_TAB, true}}));
    EXPECT_EQ(close->Handle, GetFocus()) << "from the first stop back to the last";
    ASSERT_TRUE(SendKeys({{VK_TAB, false}, {VK_TAB, true}}));
    EXPECT_EQ(ok->Handle, GetFocus());
    ASSERT_TRUE(SendKeys({{VK_TAB, false}, {VK_TAB, true}}));
    EXPECT_EQ(combo->Handle, GetFocus());
    ASSERT_TRUE(SendKeys({{VK_SHIFT, true}}));

    // A lone key-up of Tab is swallowed without moving on.
    ASSERT_TRUE(SendKeys({{VK_TAB, true}}));
    EXPECT_EQ(combo->Handle, GetFocus());
    EXPECT_EQ(0, okClicks.Calls) << "taking the focus is not a click";
    EXPECT_EQ(0, closeClicks.Calls);
}

TEST_F(DialogKeysTest, ShiftTabTypedAheadOfThePumpStillGoesBack) {
    Start();
    // All four key events are queued before any is handled: by then Shift is up again.
    ASSERT_TRUE(SendKeys({{VK_SHIFT, false}, {VK_TAB, false}, {VK_TAB, true}, {VK_SHIFT, true}}));
    EXPECT_EQ(close->Handle, GetFocus());
}

TEST_F(DialogKeysTest, WithoutACurrentControlTheWalkStartsAtTheLowestOrHighestOrder) {
    Start();
    form->CurrentControl = nullptr;
    MoveFocus(form, 0);
    EXPECT_EQ(combo->Handle, GetFocus());
    EXPECT_EQ(combo, form->CurrentControl);
    form->CurrentControl = nullptr;
    MoveFocus(form, -1);
    EXPECT_EQ(close->Handle, GetFocus());
    EXPECT_EQ(close, form->CurrentControl);
}

TEST_F(DialogKeysTest, AHiddenTabStopIsSkipped) {
    Hide(ok);
    Start();
    ASSERT_TRUE(PressKey(VK_TAB));
    EXPECT_EQ(close->Handle, GetFocus());
    ASSERT_TRUE(PressKey(VK_TAB));
    EXPECT_EQ(combo->Handle, GetFocus());

    // The only stop left keeps the focus, and Tab is still taken.
    Hide(close);
    ASSERT_TRUE(PressKey(VK_TAB));
    EXPECT_EQ(combo->Handle, GetFocus());
    EXPECT_TRUE(TabKeyHandler(combo, VK_TAB, false));
}

TEST_F(DialogKeysTest, CtrlTabAndAltTabAreLeftAlone) {
    Start();
    KeyLog keys;
    combo->OnMessage.Set(KeyLog::Record, &keys);
    ASSERT_TRUE(SendKeys({{VK_CONTROL, false}, {VK_TAB, false}, {VK_TAB, true}, {VK_CONTROL, true}}));
    Settle();
    EXPECT_EQ(combo->Handle, GetFocus());
    EXPECT_TRUE(keys.Saw(WM_KEYDOWN, VK_TAB)) << "the key did reach the combo box";

    // Alt+Tab with the focus in the combo box: Wine's combo box ignores system keys, so no
    // menu mode follows the Alt key.
    ASSERT_TRUE(SendKeys({{VK_MENU, false}, {VK_TAB, false}, {VK_TAB, true}, {VK_MENU, true}}));
    Settle();
    EXPECT_EQ(combo->Handle, GetFocus());
    EXPECT_TRUE(keys.Saw(WM_SYSKEYDOWN, VK_TAB));
    combo->OnMessage.Reset();
}

TEST_F(DialogKeysTest, ArrowAndPageKeysDoNotMoveTheFocus) {
    Start();
    SetFocus(ok->Handle);
    for (const WORD key : {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT}) {
        ASSERT_TRUE(PressKey(key));
        EXPECT_EQ(ok->Handle, GetFocus()) << "key " << key;
    }

    // In the combo box Down picks the next item; the selection event comes after it.
    SetFocus(combo->Handle);
    NotifyCounter selChanges;
    selChanges.Attach(combo->OnSelChange);
    ASSERT_EQ(0, CurIndex(combo));
    ASSERT_TRUE(PressKey(VK_DOWN));
    EXPECT_EQ(1, CurIndex(combo));
    EXPECT_TRUE(PumpUntil([&] { return selChanges.Calls == 1; }));
    ASSERT_TRUE(PressKey(VK_NEXT));
    EXPECT_EQ(combo->Handle, GetFocus());
    EXPECT_EQ(0, okClicks.Calls);
}

TEST_F(DialogKeysTest, EnterInTheComboBoxClicksTheDefaultButtonOnce) {
    SetDefaultOrCancel(ok, VK_RETURN, true);
    EXPECT_EQ(ok, form->DefaultButton);
    EXPECT_TRUE(ok->Style & BS_DEFPUSHBUTTON);
    Start();
    EXPECT_TRUE(platform::GetWindowStyle(ok->Handle) & BS_DEFPUSHBUTTON);

    ASSERT_TRUE(PressKey(VK_RETURN));
    EXPECT_TRUE(PumpUntil([&] { return okClicks.Calls > 0; }));
    Settle();
    EXPECT_EQ(1, okClicks.Calls);
    EXPECT_EQ(ok, okClicks.LastSender);
    EXPECT_EQ(ok->Handle, GetFocus()) << "the default button took the focus to press itself";
    EXPECT_EQ(0, closeClicks.Calls);

    SetDefaultOrCancel(ok, VK_RETURN, false);
    EXPECT_EQ(nullptr, form->DefaultButton);
    EXPECT_FALSE(platform::GetWindowStyle(ok->Handle) & BS_DEFPUSHBUTTON);
}

TEST_F(DialogKeysTest, EnterWhileAnotherButtonHasTheFocusStaysWithThatButton) {
    SetDefaultOrCancel(ok, VK_RETURN, true);
    Start();
    ASSERT_TRUE(PressKey(VK_TAB));
    ASSERT_TRUE(PressKey(VK_TAB));
    ASSERT_EQ(close->Handle, GetFocus());
    ASSERT_TRUE(PressKey(VK_RETURN));
    Settle();
    EXPECT_EQ(0, okClicks.Calls);
    EXPECT_EQ(close->Handle, GetFocus());

    // The focused button still presses itself with Space.
    ASSERT_TRUE(PressKey(VK_SPACE));
    EXPECT_TRUE(PumpUntil([&] { return closeClicks.Calls == 1; }));
    EXPECT_EQ(0, okClicks.Calls);
}

TEST_F(DialogKeysTest, EscWithoutACancelButtonReachesTheFocusedControlUntouched) {
    SetDefaultOrCancel(ok, VK_RETURN, true);
    Start();
    KeyLog keys;
    combo->OnMessage.Set(KeyLog::Record, &keys);
    ASSERT_TRUE(PressKey(VK_ESCAPE));
    Settle();
    EXPECT_TRUE(keys.Saw(WM_KEYDOWN, VK_ESCAPE)) << "not handled, so not blanked";
    EXPECT_TRUE(keys.Saw(WM_KEYUP, VK_ESCAPE));
    EXPECT_EQ(combo->Handle, GetFocus());
    EXPECT_EQ(0, okClicks.Calls);

    // With a cancel button Esc presses it.
    SetDefaultOrCancel(close, VK_ESCAPE, true);
    keys.Seen.clear();
    ASSERT_TRUE(PressKey(VK_ESCAPE));
    EXPECT_TRUE(PumpUntil([&] { return closeClicks.Calls == 1; }));
    EXPECT_FALSE(keys.Saw(WM_KEYDOWN, VK_ESCAPE));
    EXPECT_EQ(0, okClicks.Calls);
    combo->OnMessage.Reset();
}

TEST_F(DialogKeysTest, ADefaultButtonDeclaredBeforeTheApplicationExistsIsOnlyFlagged) {
    AppControl = nullptr;
    SetDefaultOrCancel(ok, VK_RETURN, true);
    EXPECT_EQ(1, ok->IsDefault);
    EXPECT_EQ(nullptr, form->DefaultButton);
    EXPECT_FALSE(ok->Style & BS_DEFPUSHBUTTON);
    EXPECT_FALSE(form->OnMessage.IsSet());

    Start();
    EXPECT_FALSE(platform::GetWindowStyle(ok->Handle) & BS_DEFPUSHBUTTON);
    ASSERT_TRUE(PressKey(VK_RETURN));
    Settle();
    EXPECT_EQ(0, okClicks.Calls) << "Enter is not redirected";
    EXPECT_EQ(combo->Handle, GetFocus());
}

namespace {

// The keys of one keyboard sizing, posted to the form's queue where the loop reads them:
// pick the right edge, three steps, done. Posted rather than typed: a sizing loop may end
// at the first message it does not handle itself (Wine 10's does), and typed keys bring
// key-ups with them. A key moves the pointer, and the loop applies the step when the
// pointer reports itself: the next key waits for that report, which the thread's message
// filter sees (Wine's loop calls it; where a loop does not, or for a locked form, which
// does not move the pointer, the next key goes after a while).
struct SizingKeys {
    HWND form;
    HANDLE stepped = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    bool loopEntered = false;
    ~SizingKeys() { CloseHandle(stepped); }
    static bool SeeLoopEntered(void* context, MessageRecord& msg, LRESULT&) {
        if (msg.Message == WM_ENTERSIZEMOVE)
            static_cast<SizingKeys*>(context)->loopEntered = true;
        return false;
    }
};
SizingKeys* g_sizing = nullptr;

LRESULT CALLBACK SeePointerReport(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && g_sizing && reinterpret_cast<const MSG*>(lParam)->message == WM_MOUSEMOVE)
        SetEvent(g_sizing->stepped);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD WINAPI TypeSizingKeys(void* context) {
    const auto* keys = static_cast<SizingKeys*>(context);
    for (const WORD key : {VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT}) {
        PostMessageA(keys->form, WM_KEYDOWN, key, 1);
        WaitForSingleObject(keys->stepped, 300);
    }
    PostMessageA(keys->form, WM_KEYDOWN, VK_RETURN, 1);
    return 0;
}

// Sizes the form with the keyboard through the system's own sizing loop (the system menu's
// "Size"): the first Right picks the right edge, each further one widens by a step, Enter
// ends the loop. The loop reads the drag limits from WM_GETMINMAXINFO as a mouse drag does.
// It runs inside the dispatch of SC_SIZE, so another thread types. Says whether the loop
// ran at all: a form that lost the foreground, or a loop ended by someone else's input,
// proves nothing about the lock.
int32_t WidthAfterKeyboardSizing(Control* form, bool& loopEntered) {
    SizingKeys keys{form->Handle};
    g_sizing = &keys;
    form->OnMessage.Set(SizingKeys::SeeLoopEntered, &keys);
    HHOOK const filter = SetWindowsHookExA(WH_MSGFILTER, SeePointerReport, nullptr, GetCurrentThreadId());
    PostMessageA(form->Handle, WM_SYSCOMMAND, SC_SIZE, 0);
    HANDLE typist = CreateThread(nullptr, 0, TypeSizingKeys, &keys, 0, nullptr);
    uitest::PumpUntil([typist] { return WaitForSingleObject(typist, 0) == WAIT_OBJECT_0; }, 5000);
    CloseHandle(typist);
    uitest::PumpUntil([] { return false; }, 100);
    UnhookWindowsHookEx(filter);
    form->OnMessage.Reset();
    g_sizing = nullptr;
    loopEntered = keys.loopEntered;
    return Width(form);
}

} // namespace

TEST_F(DialogKeysTest, TheSizeLockRefusesTheSystemsSizingLoop) {
    Start();
    const int32_t width = Width(form);
    bool loopEntered = false;
    const int32_t grown = WidthAfterKeyboardSizing(form, loopEntered);
    ASSERT_TRUE(loopEntered);
    ASSERT_GT(grown, width) << "an unlocked form can be sized this way";

    SetCanResize(form, false);
    EXPECT_EQ(grown, WidthAfterKeyboardSizing(form, loopEntered));
    EXPECT_TRUE(loopEntered) << "the locked form went through the sizing loop too";
}
