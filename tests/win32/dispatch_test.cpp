// Message dispatch: reflection of commands and colour requests, the built-in handling of
// WndProc, the keyboard branch, attached handlers (including one that frees its control),
// the inner windows of a combo box and the end of a session. Nothing here runs the loop.
#include "support/message_log.h"
#include "support/win32_support.h"

#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/dispatch.h"
#include "toolkit/graphics.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace toolkit;
using testsupport::kBoth;
using testsupport::kMessageOnly;
using testsupport::kWParam;
using testsupport::MessageLog;
using testsupport::Recorder;

namespace {

MessageLog* g_log = nullptr;
constexpr UINT kMciNotify = 0x03B9; // MM_MCINOTIFY, from the multimedia headers

// The default procedure of the spied forms: what reaches it is logged as "default".
LRESULT CALLBACK SpyDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_log)
        g_log->Add("default", message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

Control* NewSpiedForm(const char* caption, Control* parent = nullptr) {
    Control* form = NewForm(parent, caption);
    form->DefaultWndProc = SpyDefault;
    GetWindowHandle(form);
    return form;
}

bool TakeQuit(WPARAM* exitCode = nullptr) {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        return false;
    if (exitCode)
        *exitCode = msg.wParam;
    return true;
}

class DispatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_log = &log;
        liveAtStart_ = ToolkitObject::LiveCount();
    }
    void TearDown() override {
        AppControl = nullptr;
        AppRunning = 0;
        testsupport::DrainQueue();
        TakeQuit();
        g_log = nullptr;
        EXPECT_EQ(liveAtStart_, ToolkitObject::LiveCount()) << "a toolkit object outlived its test";
    }
    size_t DefaultSaw(UINT message) const { return log.Count("default", message); }

    MessageLog log;
    int32_t liveAtStart_ = 0;
};

// ---- Reflection -------------------------------------------------------------------------

void CountClick(void* counter, Control*) {
    ++*static_cast<int*>(counter);
}

TEST_F(DispatchTest, AButtonClickComesBackToTheButtonAsCommandReflection) {
    Control* form = NewSpiedForm("click");
    Control* button = NewButton(form, "OK");
    Recorder formRec{&log, "form"}, buttonRec{&log, "button"};
    formRec.Attach(form);
    buttonRec.Attach(button);
    int clicks = 0;
    button->OnClick.Set(CountClick, &clicks);
    ASSERT_TRUE(GetWindowHandle(button));
    const WPARAM wp = MAKEWPARAM(button->ControlId, BN_CLICKED);
    const LPARAM lp = reinterpret_cast<LPARAM>(button->Handle);
    log.Clear();

    SendMessageA(button->Handle, BM_CLICK, 0, 0);

    EXPECT_TRUE(testsupport::SameSequence({{"form", WM_COMMAND, wp, lp, kBoth}, //
                                           {"button", kCommandReflection, wp, lp, kBoth}},
                                          log.Only({WM_COMMAND, kCommandReflection})));
    EXPECT_EQ(1, clicks);
    EXPECT_EQ(0u, DefaultSaw(WM_COMMAND));

    // The form answers with whatever the button answered.
    AttachHandler(button, [](Control*, MessageRecord& msg, LRESULT& result) {
        if (msg.Message != kCommandReflection)
            return false;
        result = 0x1234;
        return true;
    });
    EXPECT_EQ(0x1234, SendMessageA(form->Handle, WM_COMMAND, wp, lp));
    Free(form);
}

TEST_F(DispatchTest, CommandsFromMenusAndForeignWindowsGoToTheDefaultProcedure) {
    Control* form = NewSpiedForm("foreign");
    HWND foreign = CreateWindowExA(0, "BUTTON", "x", WS_CHILD, 0, 0, 10, 10, form->Handle,
                                   reinterpret_cast<HMENU>(77), nullptr, nullptr);
    ASSERT_TRUE(foreign);
    SendMessageA(form->Handle, WM_COMMAND, MAKEWPARAM(77, BN_CLICKED), reinterpret_cast<LPARAM>(foreign));
    SendMessageA(form->Handle, WM_COMMAND, MAKEWPARAM(5, 0), 0);
    EXPECT_TRUE(testsupport::SameSequence(
        {{"default", WM_COMMAND, MAKEWPARAM(77, BN_CLICKED), reinterpret_cast<LPARAM>(foreign), kBoth},
         {"default", WM_COMMAND, MAKEWPARAM(5, 0), 0, kBoth}},
        log.Only({WM_COMMAND})));
    Free(form);
}

TEST_F(DispatchTest, ColourRequestsAreAnsweredByTheChild) {
    Control* form = NewSpiedForm("colours");
    Control* button = NewButton(form, "OK");
    Control* label = NewLabel(form, "prompt");
    Recorder buttonRec{&log, "button"}, labelRec{&log, "label"};
    buttonRec.Attach(button);
    labelRec.Attach(label);
    // The form's window exists already: each child is made when first needed.
    ASSERT_TRUE(GetWindowHandle(label));
    EXPECT_EQ(nullptr, button->Handle);
    ASSERT_TRUE(GetWindowHandle(button));
    HDC dc = GetDC(form->Handle);
    const WPARAM wp = reinterpret_cast<WPARAM>(dc);
    const LPARAM buttonLp = reinterpret_cast<LPARAM>(button->Handle);
    const LPARAM labelLp = reinterpret_cast<LPARAM>(label->Handle);
    log.Clear();

    const LRESULT forButton = SendMessageA(form->Handle, WM_CTLCOLORBTN, wp, buttonLp);
    const LRESULT forLabel = SendMessageA(form->Handle, WM_CTLCOLORSTATIC, wp, labelLp);

    EXPECT_TRUE(testsupport::SameSequence(
        {{"button", kColorReflectionBase + WM_CTLCOLORBTN, wp, buttonLp, kBoth},
         {"label", kColorReflectionBase + WM_CTLCOLORSTATIC, wp, labelLp, kBoth}},
        log.Only({kColorReflectionBase + WM_CTLCOLORBTN, kColorReflectionBase + WM_CTLCOLORSTATIC})));
    EXPECT_EQ(0u, DefaultSaw(WM_CTLCOLORBTN) + DefaultSaw(WM_CTLCOLORSTATIC));
    EXPECT_NE(0, forButton);
    EXPECT_EQ(forButton, SendMessageA(button->Handle, kColorReflectionBase + WM_CTLCOLORBTN, wp, buttonLp));
    EXPECT_EQ(forLabel, SendMessageA(label->Handle, kColorReflectionBase + WM_CTLCOLORSTATIC, wp, labelLp));
    ReleaseDC(form->Handle, dc);
    Free(form);
}

// ---- WM_CLOSE ---------------------------------------------------------------------------

TEST_F(DispatchTest, ClosingTheMainFormQuitsButKeepsItsWindow) {
    Control* form = NewSpiedForm("main");
    EXPECT_EQ(0, SendMessageA(form->Handle, WM_CLOSE, 0, 0));
    EXPECT_TRUE(IsWindow(form->Handle));
    WPARAM code = 99;
    EXPECT_TRUE(TakeQuit(&code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ(0u, DefaultSaw(WM_CLOSE));

    // A form that is not a main window (its owner's second) closes the ordinary way.
    NewSpiedForm("second", form);
    Control* third = NewSpiedForm("third", form);
    HWND thirdWindow = third->Handle;
    SendMessageA(thirdWindow, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(thirdWindow));
    EXPECT_FALSE(TakeQuit());
    Free(form);
}

void RefuseOrAccept(void* answers, Control*, bool& accept) {
    int& left = *static_cast<int*>(answers);
    accept = left-- <= 0;
}

TEST_F(DispatchTest, OutsideTheLoopARefusedCloseStillClosesAndIsNotAskedAgain) {
    Control* form = NewSpiedForm("refusing");
    int refusals = 5;
    form->OnClose.Set(RefuseOrAccept, &refusals);
    SendMessageA(form->Handle, WM_CLOSE, 0, 0);
    EXPECT_EQ(4, refusals); // asked once
    EXPECT_TRUE(TakeQuit());
    EXPECT_FALSE(form->OnClose.IsSet());
    SendMessageA(form->Handle, WM_CLOSE, 0, 0);
    EXPECT_EQ(4, refusals);
    EXPECT_TRUE(TakeQuit());
    Free(form);
}

TEST_F(DispatchTest, ClosingAnotherMainWindowClosesTheApplicationToo) {
    Control* app = NewSpiedForm("application");
    Control* other = NewSpiedForm("other");
    Recorder appRec{&log, "app"};
    appRec.Attach(app);
    AppControl = app;
    EXPECT_EQ(0, SendMessageA(other->Handle, WM_CLOSE, 0, 0));
    EXPECT_EQ(1u, log.Count("app", WM_CLOSE));
    EXPECT_TRUE(TakeQuit());
    EXPECT_TRUE(IsWindow(app->Handle));
    EXPECT_TRUE(IsWindow(other->Handle));

    // Minimising another main window minimises the application's instead.
    log.Clear();
    EXPECT_EQ(0, SendMessageA(other->Handle, WM_SYSCOMMAND, SC_MINIMIZE | 2, 0));
    EXPECT_EQ(0u, DefaultSaw(WM_SYSCOMMAND));
    MSG posted;
    ASSERT_TRUE(PeekMessageA(&posted, app->Handle, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
    EXPECT_EQ(static_cast<WPARAM>(SC_MINIMIZE), posted.wParam);
    EXPECT_EQ(0, posted.lParam);
    AppControl = nullptr;
    Free(other);
    Free(app);
}

// ---- Other built-in handling -------------------------------------------------------------

TEST_F(DispatchTest, BuiltInRowsThatKeepMessagesFromTheDefaultProcedure) {
    Control* form = NewSpiedForm("rows");
    Control* owned = NewSpiedForm("owned", form);
    HWND window = form->Handle;

    EXPECT_EQ(0, SendMessageA(window, 0x8FFF, 1, 2));
    EXPECT_EQ(0, SendMessageA(window, kMciNotify, 1, 2));
    EXPECT_EQ(0u, DefaultSaw(0x8FFF) + DefaultSaw(kMciNotify));

    SendMessageA(window, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(40, 30));
    EXPECT_EQ(SIZE_MAXIMIZED, form->SizeState);
    EXPECT_EQ(1u, DefaultSaw(WM_SIZE));

    // A form that cannot take the focus keeps WM_SETFOCUS from the default procedure.
    EXPECT_EQ(0, SendMessageA(window, WM_SETFOCUS, 0, 0));
    EXPECT_EQ(0u, DefaultSaw(WM_SETFOCUS));

    // The owner closing and opening again: the owned window's state comes back.
    ShowWindow(owned->Handle, SW_SHOWNOACTIVATE);
    SendMessageA(owned->Handle, WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING);
    EXPECT_EQ(SW_SHOWNOACTIVATE, owned->RestoreShowCmd);
    ShowWindow(owned->Handle, SW_HIDE);
    log.Clear();
    EXPECT_EQ(0, SendMessageA(owned->Handle, WM_SHOWWINDOW, TRUE, SW_PARENTOPENING));
    EXPECT_EQ(0, owned->RestoreShowCmd);
    EXPECT_TRUE(GetWindowLongPtrA(owned->Handle, GWL_STYLE) & WS_VISIBLE);
    for (const auto& m : log.Only({WM_SHOWWINDOW}))
        EXPECT_FALSE(m.who == "default" && m.lParam == SW_PARENTOPENING);

    // A cursor of its own over the client area only.
    form->Cursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_CROSS));
    log.Clear();
    EXPECT_EQ(TRUE, SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(form->Cursor, GetCursor());
    EXPECT_EQ(0u, DefaultSaw(WM_SETCURSOR));
    SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
    EXPECT_EQ(1u, DefaultSaw(WM_SETCURSOR));
    Free(form);
}

TEST_F(DispatchTest, ACancelledSessionEndIsNotHandled) {
    Control* form = NewSpiedForm("session");
    AppControl = form;
    EXPECT_EQ(0, SendMessageA(form->Handle, WM_ENDSESSION, 0, 0));
    EXPECT_EQ(1u, DefaultSaw(WM_ENDSESSION));
    EXPECT_EQ(form, AppControl);
    EXPECT_FALSE(AppTerminated);
    EXPECT_TRUE(IsWindow(form->Handle));
    AppControl = nullptr;
    Free(form);
}

// The session really ending halts the process: that runs in a child process, this same
// program started again with only the test below and an environment variable set.
constexpr const char* kEndSessionChild = "LANGSELECT_ENDSESSION_CHILD";

void WriteMarker(void* path, ToolkitObject*) {
    testsupport::WriteFileBytes(static_cast<const char*>(path), "x");
}

TEST_F(DispatchTest, DISABLED_EndSessionChildPart) {
    const char* folder = std::getenv(kEndSessionChild);
    ASSERT_TRUE(folder) << "runs only as the child of the session-end test";
    static std::string destroyed = std::string(folder) + "destroyed";
    Control* form = NewForm(nullptr, "ending");
    form->OnDestroy.Set(WriteMarker, const_cast<char*>(destroyed.c_str()));
    AppControl = form;
    testsupport::WriteFileBytes(std::string(folder) + "before", "x");
    SendToWindow(form, WM_ENDSESSION, TRUE, 0);
    testsupport::WriteFileBytes(std::string(folder) + "survived", "x");
}

TEST_F(DispatchTest, TheSessionEndingHaltsTheProcessWithoutDestroyingAnything) {
    testsupport::TempFolder folder("endsession");
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    // The child writes no test report of its own over ours.
    char report[MAX_PATH] = "";
    const bool hadReport = GetEnvironmentVariableA("GTEST_OUTPUT", report, MAX_PATH) > 0;
    SetEnvironmentVariableA("GTEST_OUTPUT", nullptr);
    SetEnvironmentVariableA(kEndSessionChild, folder.Path().c_str());
    const testsupport::ProcessResult r = testsupport::RunProcess(
        std::string("\"") + self +
        "\" --gtest_also_run_disabled_tests --gtest_filter=*DISABLED_EndSessionChildPart");
    SetEnvironmentVariableA(kEndSessionChild, nullptr);
    if (hadReport)
        SetEnvironmentVariableA("GTEST_OUTPUT", report);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(0u, r.exitCode);
    EXPECT_TRUE(testsupport::FileExists(folder / "before"));
    EXPECT_FALSE(testsupport::FileExists(folder / "survived"));
    EXPECT_FALSE(testsupport::FileExists(folder / "destroyed"));
}

TEST_F(DispatchTest, AChildOfTheApplicationWhoseWindowIsDestroyedIsFreed) {
    Control* form = NewSpiedForm("owner");
    Control* button = NewButton(form, "gone");
    Control* kept = NewButton(form, "kept");
    ASSERT_TRUE(GetWindowHandle(button));
    AppControl = form;
    bool freed = false;
    button->OnDestroy.Set([](void* flag, ToolkitObject*) { *static_cast<bool*>(flag) = true; }, &freed);
    DestroyWindow(button->Handle);
    EXPECT_TRUE(freed);
    ASSERT_EQ(1, form->Children->Count);
    EXPECT_EQ(kept, form->Children->ItemAs<Control>(0));
    AppControl = nullptr;
    Free(form);
}

// ---- Keyboard ---------------------------------------------------------------------------

struct TabCall {
    Control* control;
    uint8_t key;
    bool checkOnly;
};
std::vector<TabCall> g_tabCalls;

bool RecordingTabHandler(Control* control, uint8_t key, bool checkOnly) {
    g_tabCalls.push_back({control, key, checkOnly});
    return key == VK_TAB;
}

// Presses or releases Ctrl and Alt in this thread's keyboard state.
void SetModifiers(bool ctrl, bool alt) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    keys[VK_MENU] = alt ? 0x80 : 0;
    SetKeyboardState(keys);
}

class KeyboardTest : public DispatchTest {
  protected:
    void SetUp() override {
        DispatchTest::SetUp();
        g_tabCalls.clear();
        form = NewSpiedForm("keys");
        form->TabHandler = RecordingTabHandler;
        other = NewSpiedForm("other");
    }
    void TearDown() override {
        SetModifiers(false, false);
        Free(other);
        Free(form);
        DispatchTest::TearDown();
    }
    LRESULT Send(Control* to, UINT message, WPARAM wParam) {
        return SendMessageA(to->Handle, message, wParam, 0);
    }
    Control* form = nullptr;
    Control* other = nullptr;
};

TEST_F(KeyboardTest, KeysForAnotherWindowAreDropped) {
    SetFocus(other->Handle);
    ASSERT_EQ(other->Handle, GetFocus());
    log.Clear();
    EXPECT_EQ(0, Send(form, WM_KEYDOWN, 'X'));
    EXPECT_EQ(0, Send(form, WM_CHAR, 'x'));
    EXPECT_EQ(0, Send(form, WM_KEYDOWN, VK_TAB));
    EXPECT_EQ(0u, DefaultSaw(WM_KEYDOWN) + DefaultSaw(WM_CHAR));
    EXPECT_TRUE(g_tabCalls.empty());

    // With no focus at all the key passes.
    SetFocus(nullptr);
    ASSERT_EQ(nullptr, GetFocus());
    Send(form, WM_KEYDOWN, 'X');
    EXPECT_EQ(1u, DefaultSaw(WM_KEYDOWN));
}

TEST_F(KeyboardTest, ATabCharacterIsSwallowedUnlessCtrlOrAltIsDown) {
    SetFocus(form->Handle);
    ASSERT_EQ(form->Handle, GetFocus());
    log.Clear();
    EXPECT_EQ(0, Send(form, WM_CHAR, '\t'));
    EXPECT_EQ(0u, DefaultSaw(WM_CHAR));
    Send(form, WM_CHAR, 'a');
    EXPECT_EQ(1u, DefaultSaw(WM_CHAR));

    SetModifiers(true, false);
    Send(form, WM_CHAR, '\t');
    EXPECT_EQ(2u, DefaultSaw(WM_CHAR));
    SetModifiers(false, true);
    Send(form, WM_CHAR, '\t');
    EXPECT_EQ(3u, DefaultSaw(WM_CHAR));
    EXPECT_TRUE(g_tabCalls.empty());
}

TEST_F(KeyboardTest, OtherKeysAreOfferedToTheFormsTabHandler) {
    Control* button = NewButton(form, "b");
    ASSERT_TRUE(GetWindowHandle(button));
    form->CurrentControl = nullptr; // else the form hands the focus on to it
    SetFocus(form->Handle);
    ASSERT_EQ(form->Handle, GetFocus());
    log.Clear();

    EXPECT_EQ(0, Send(form, WM_KEYDOWN, VK_TAB));
    EXPECT_EQ(0, Send(form, WM_KEYUP, VK_TAB));
    Send(form, WM_KEYDOWN, 'X'); // the handler declines: default
    EXPECT_EQ(0u, DefaultSaw(WM_KEYUP));
    EXPECT_EQ(1u, DefaultSaw(WM_KEYDOWN));
    ASSERT_EQ(3u, g_tabCalls.size());
    EXPECT_TRUE(g_tabCalls[0].control == form && g_tabCalls[0].key == VK_TAB && !g_tabCalls[0].checkOnly);
    EXPECT_TRUE(g_tabCalls[1].control == form && g_tabCalls[1].key == VK_TAB && g_tabCalls[1].checkOnly);
    EXPECT_TRUE(g_tabCalls[2].key == 'X' && !g_tabCalls[2].checkOnly);

    // A child asks its form's handler, naming itself.
    SetFocus(button->Handle);
    ASSERT_EQ(button->Handle, GetFocus());
    g_tabCalls.clear();
    EXPECT_EQ(0, Send(button, WM_KEYDOWN, VK_TAB));
    ASSERT_EQ(1u, g_tabCalls.size());
    EXPECT_EQ(button, g_tabCalls[0].control);

    // Ctrl+Tab is not the form's business.
    form->CurrentControl = nullptr;
    SetFocus(form->Handle);
    ASSERT_EQ(form->Handle, GetFocus());
    SetModifiers(true, false);
    g_tabCalls.clear();
    Send(form, WM_KEYDOWN, VK_TAB);
    EXPECT_TRUE(g_tabCalls.empty());
    EXPECT_EQ(2u, DefaultSaw(WM_KEYDOWN));
}

// ---- Attached handlers ------------------------------------------------------------------

constexpr UINT kProbe = WM_APP + 1;

#define LOGGING_HANDLER(name, verdict)                                                                       \
    bool name(Control*, MessageRecord& msg, LRESULT& result) {                                               \
        if (msg.Message != kProbe)                                                                           \
            return false;                                                                                    \
        g_log->Add(#name, msg.Message);                                                                      \
        result = verdict ? 0x77 : 0;                                                                         \
        return verdict;                                                                                      \
    }
LOGGING_HANDLER(First, false)
LOGGING_HANDLER(Second, false)
LOGGING_HANDLER(Third, false)
LOGGING_HANDLER(Stopper, true)

TEST_F(DispatchTest, HandlersRunOnceEachLastAttachedFirst) {
    Control* form = NewSpiedForm("handlers");
    AttachHandler(form, First);
    AttachHandler(form, Second);
    AttachHandler(form, First);
    AttachHandler(form, Third);
    SendMessageA(form->Handle, kProbe, 0, 0);
    EXPECT_TRUE(testsupport::SameSequence({{"Third", kProbe, 0, 0, kMessageOnly},
                                           {"Second", kProbe, 0, 0, kMessageOnly},
                                           {"First", kProbe, 0, 0, kMessageOnly},
                                           {"default", kProbe, 0, 0, kMessageOnly}},
                                          log.Only({kProbe})));

    // One that handles it ends the walk; its result is the answer.
    AttachHandler(form, Stopper);
    log.Clear();
    EXPECT_EQ(0x77, SendMessageA(form->Handle, kProbe, 0, 0));
    EXPECT_TRUE(testsupport::SameSequence({{"Stopper", kProbe, 0, 0, kMessageOnly}}, log.Only({kProbe})));
    Free(form);
}

bool g_destroyed = false;
bool g_aliveInLaterHandler = false;

bool FreesItsControl(Control* control, MessageRecord& msg, LRESULT&) {
    if (msg.Message == kProbe)
        Free(control);
    return false;
}
bool LooksAfterTheFree(Control*, MessageRecord& msg, LRESULT&) {
    if (msg.Message == kProbe)
        g_aliveInLaterHandler = !g_destroyed;
    return false;
}

TEST_F(DispatchTest, AHandlerThatFreesItsControlEndsTheMessage) {
    Control* form = NewSpiedForm("suicide");
    g_destroyed = false;
    g_aliveInLaterHandler = false;
    form->OnDestroy.Set([](void*, ToolkitObject*) { g_destroyed = true; }, nullptr);
    AttachHandler(form, LooksAfterTheFree);
    AttachHandler(form, FreesItsControl);
    HWND window = form->Handle;

    EXPECT_EQ(0, SendMessageA(window, kProbe, 0, 0));

    EXPECT_TRUE(g_aliveInLaterHandler) << "destroyed before the chain had ended";
    EXPECT_TRUE(g_destroyed);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0u, DefaultSaw(kProbe)) << "the message went on after its control was freed";
}

// A free during a nested message waits for the outermost chain.
bool NestsAndFrees(Control* control, MessageRecord& msg, LRESULT&) {
    if (msg.Message == kProbe) {
        SendMessageA(control->Handle, kProbe + 1, 0, 0);
        g_aliveInLaterHandler = !g_destroyed;
    } else if (msg.Message == kProbe + 1) {
        Free(control);
    }
    return false;
}

TEST_F(DispatchTest, AFreeInANestedMessageWaitsForTheOuterOne) {
    Control* form = NewSpiedForm("nested");
    g_destroyed = false;
    g_aliveInLaterHandler = false;
    form->OnDestroy.Set([](void*, ToolkitObject*) { g_destroyed = true; }, nullptr);
    AttachHandler(form, NestsAndFrees);
    SendMessageA(form->Handle, kProbe, 0, 0);
    EXPECT_TRUE(g_aliveInLaterHandler);
    EXPECT_TRUE(g_destroyed);
    // The inner message still had its control: it went on to the default procedure.
    EXPECT_EQ(1u, DefaultSaw(kProbe + 1));
    EXPECT_EQ(0u, DefaultSaw(kProbe));
}

TEST_F(DispatchTest, TheApplicationSeesOtherControlsMessagesFirstWhileTheLoopRuns) {
    Control* app = NewSpiedForm("app");
    Control* other = NewSpiedForm("other");
    app->OnMessage.Set(
        [](void*, MessageRecord& msg, LRESULT& result) {
            if (msg.Message != kProbe)
                return false;
            result = 5;
            return true;
        },
        nullptr);
    AttachHandler(other, First);
    AppControl = app;
    EXPECT_EQ(0, SendMessageA(other->Handle, kProbe, 0, 0)); // the loop is not running
    AppRunning = 1;
    EXPECT_EQ(5, SendMessageA(other->Handle, kProbe, 0, 0));
    EXPECT_EQ(1u, log.Count("First", kProbe));
    AppRunning = 0;
    AppControl = nullptr;
    Free(other);
    Free(app);
}

// ---- Inner windows of a combo box -------------------------------------------------------

WNDPROC g_editProc = nullptr;
LRESULT CALLBACK SpyEdit(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    g_log->Add("edit", message, wParam, lParam);
    return CallWindowProcA(g_editProc, window, message, wParam, lParam);
}

bool TabDeclined(Control*, uint8_t, bool) {
    return false;
}
bool TabTaken(Control*, uint8_t, bool) {
    return true;
}

TEST_F(DispatchTest, TheComboBoxEditFieldGoesThroughTheToolkit) {
    Control* form = NewSpiedForm("inner");
    Control* button = NewButton(form, "first");
    Control* combo = NewComboBox(form, 0);
    Recorder formRec{&log, "form"};
    formRec.Attach(form);
    ASSERT_TRUE(GetWindowHandle(combo));
    HWND edit = GetWindow(combo->Handle, GW_CHILD);
    ASSERT_TRUE(edit);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(InnerWndProc), GetWindowLongPtrA(edit, GWLP_WNDPROC));
    g_editProc = reinterpret_cast<WNDPROC>(GetPropA(edit, kPrevProcProperty));
    ASSERT_TRUE(g_editProc);
    SetPropA(edit, kPrevProcProperty, reinterpret_cast<HANDLE>(SpyEdit));

    // The form sees the edit field's messages first; then they go on to its own procedure.
    log.Clear();
    SendMessageA(edit, kProbe, 1, 2);
    EXPECT_TRUE(testsupport::SameSequence({{"form", kProbe, 1, 2, kBoth}, {"edit", kProbe, 1, 2, kBoth}},
                                          log.Only({kProbe})));

    // Tab's key-up and character never reach the edit field; its key-down goes to the
    // Tab handler, and on to the field only when the handler declines.
    log.Clear();
    combo->TabHandler = TabDeclined;
    SendMessageA(edit, WM_KEYUP, VK_TAB, 0);
    SendMessageA(edit, WM_CHAR, '\t', 0);
    SendMessageA(edit, WM_KEYDOWN, VK_TAB, 0);
    combo->TabHandler = TabTaken;
    SendMessageA(edit, WM_KEYDOWN, VK_TAB, 0);
    SendMessageA(edit, WM_CHAR, 'z', 0);
    EXPECT_TRUE(testsupport::SameSequence(
        {{"edit", WM_KEYDOWN, VK_TAB, 0, kWParam}, {"edit", WM_CHAR, 'z', 0, kWParam}}, [&] {
            std::vector<testsupport::LoggedMessage> mine;
            for (const auto& m : log.Only({WM_KEYDOWN, WM_KEYUP, WM_CHAR}))
                if (m.who == "edit")
                    mine.push_back(m);
            return mine;
        }()));

    // The field getting the focus makes the combo box the form's current control.
    form->CurrentControl = button;
    SendMessageA(edit, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(combo, form->CurrentControl);
    Free(form);
}

TEST_F(DispatchTest, EscapeInAnOpenListRestoresTheSelectionAndEnterKeepsTheNewOne) {
    Control* form = NewSpiedForm("drop-down");
    Control* combo = NewComboBox(form, 0);
    for (const char* item : {"English", "Deutsch", "Français"})
        AddItem(combo, item);
    ASSERT_TRUE(form->CreateWindowHandle()); // shown, as the loop would
    HWND edit = GetWindow(combo->Handle, GW_CHILD);
    ASSERT_TRUE(edit);

    for (const char key : {VK_ESCAPE, VK_RETURN}) {
        SetCurIndex(combo, 1);
        SendMessageA(combo->Handle, CB_SHOWDROPDOWN, TRUE, 0);
        ASSERT_TRUE(SendMessageA(combo->Handle, CB_GETDROPPEDSTATE, 0, 0));
        SetCurIndex(combo, 2);
        EXPECT_EQ(0, SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(key), 0));
        EXPECT_FALSE(SendMessageA(combo->Handle, CB_GETDROPPEDSTATE, 0, 0));
        EXPECT_EQ(key == VK_ESCAPE ? 1 : 2, CurIndex(combo)) << (key == VK_ESCAPE ? "Escape" : "Enter");
    }
    Free(form);
}

} // namespace
