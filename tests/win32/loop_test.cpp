// The message loop with a form the program hid and closed before the loop started: it is
// never shown, what is queued behind a WM_QUIT is still dispatched, and a second shutdown
// touches nothing. The application terminates here, so this program holds this test only.
#include "support/message_log.h"

#include "toolkit/application.h"
#include "toolkit/controls.h"

#include <gtest/gtest.h>

using namespace toolkit;
using testsupport::kBoth;
using testsupport::kMessageOnly;
using testsupport::MessageLog;
using testsupport::Recorder;

namespace {

constexpr UINT kBehindQuit = WM_APP + 2;
MessageLog* g_log = nullptr;

bool g_everShown = false;

// Notes any attempt to show the form, however it comes.
bool WatchShowing(void*, MessageRecord& msg, LRESULT&) {
    if (msg.Message == WM_SHOWWINDOW && msg.WParam)
        g_everShown = true;
    if (msg.Message == WM_WINDOWPOSCHANGING &&
        (reinterpret_cast<const WINDOWPOS*>(msg.LParam)->flags & SWP_SHOWWINDOW))
        g_everShown = true;
    if (msg.Message == WM_CLOSE || msg.Message == kBehindQuit)
        g_log->Add("form", msg.Message, msg.WParam, msg.LParam);
    return false;
}

TEST(Loop, AFormHiddenAndClosedBeforeRunIsNeverShown) {
    MessageLog log;
    g_log = &log;
    const int32_t liveAtStart = ToolkitObject::LiveCount();
    Control* form = NewForm(nullptr, "hidden");
    NewButton(form, "b");
    form->OnMessage.Set(WatchShowing, nullptr);
    form->OnDestroy.Set([](void*, ToolkitObject*) { g_log->Add("destroyed", 0); }, nullptr);
    AppControl = form;
    Hide(form);
    ASSERT_TRUE(GetWindowHandle(form)); // Close needs the window
    HWND window = form->Handle;
    Close(form);
    // A WM_QUIT queued like any message, and one more behind it.
    PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 7, 0);
    PostMessageA(window, kBehindQuit, 1, 2);

    Control* variable = form;
    toolkit::Run(variable);

    EXPECT_EQ(nullptr, variable);
    EXPECT_FALSE(g_everShown);
    EXPECT_TRUE(testsupport::SameSequence({{"form", WM_CLOSE, 0, 0, kBoth},
                                           {"form", kBehindQuit, 1, 2, kBoth},
                                           {"destroyed", 0, 0, 0, kMessageOnly}},
                                          log.Entries()));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(AppTerminated);
    EXPECT_FALSE(AppRunning);
    EXPECT_EQ(nullptr, AppControl);
    EXPECT_EQ(liveAtStart, ToolkitObject::LiveCount());

    // Shutting down again changes the variable and nothing else.
    Control* another = NewForm(nullptr, "another");
    Control* again = another;
    TerminateExecution(again);
    EXPECT_EQ(nullptr, again);
    EXPECT_EQ(liveAtStart + 3, ToolkitObject::LiveCount()); // the form and its two lists
    EXPECT_TRUE(AppTerminated);
    EXPECT_EQ(nullptr, AppControl);
    Free(another);
    EXPECT_EQ(liveAtStart, ToolkitObject::LiveCount());
    g_log = nullptr;
}

} // namespace
