// The message loop from start to end with a form made hidden on demand: Run shows it and
// its child, a cancelled session end changes nothing, an OnClose that refuses is asked
// again and, once it accepts, never again; the form is destroyed when the loop ends.
// The application terminates here, so this program holds this test only.
#include "support/message_log.h"

#include "toolkit/application.h"
#include "toolkit/controls.h"

#include <gtest/gtest.h>

using namespace toolkit;
using testsupport::kMessageOnly;
using testsupport::MessageLog;

namespace {

constexpr UINT kStart = WM_APP + 3;

struct Observed {
    MessageLog log;
    Control* form = nullptr;
    Control* button = nullptr;
    bool formShown = false;
    bool buttonShown = false;
    bool pendingLeft = true;
    bool runningFlag = false;
    bool survivedSessionCancel = false;
    int closeQuestions = 0;
} g;

// Runs inside the loop when the first posted message arrives.
bool Driver(void*, MessageRecord& msg, LRESULT& result) {
    if (msg.Message != kStart || msg.Window != g.form->Handle)
        return false;
    g.formShown = IsWindowVisible(g.form->Handle) != 0;
    g.buttonShown = IsWindowVisible(g.button->Handle) != 0;
    g.pendingLeft = g.form->ShowPending || g.button->ShowPending;
    g.runningFlag = AppRunning != 0;
    SendMessageA(g.form->Handle, WM_ENDSESSION, FALSE, 0);
    g.survivedSessionCancel = !AppTerminated && AppControl == g.form && AppRunning;
    Close(g.form);
    result = 0;
    return true;
}

void AskClose(void*, Control*, bool& accept) {
    ++g.closeQuestions;
    g.log.Add("OnClose", WM_CLOSE, g.closeQuestions);
    accept = g.closeQuestions > 1;
    // Once refused and once accepted; a third request must find no one to ask.
    Close(g.form);
}

TEST(Loop, RunShowsTheFormMadeOnDemandAndAsksOnCloseUntilItAccepts) {
    const int32_t liveAtStart = ToolkitObject::LiveCount();
    g.form = NewForm(nullptr, "running");
    g.button = NewButton(g.form, "b");
    SendToWindow(g.button, WM_NULL, 0, 0);
    ASSERT_TRUE(g.form->ShowPending && g.button->ShowPending);
    ASSERT_FALSE(IsWindowVisible(g.form->Handle));
    HWND window = g.form->Handle;
    AppControl = g.form;
    g.form->OnMessage.Set(Driver, nullptr);
    g.form->OnClose.Set(AskClose, nullptr);
    g.form->OnDestroy.Set([](void*, ToolkitObject*) { g.log.Add("destroyed", 0); }, nullptr);
    PostMessageA(window, kStart, 0, 0);

    Control* variable = g.form;
    toolkit::Run(variable);

    EXPECT_TRUE(g.formShown);
    EXPECT_TRUE(g.buttonShown);
    EXPECT_FALSE(g.pendingLeft);
    EXPECT_TRUE(g.runningFlag);
    EXPECT_TRUE(g.survivedSessionCancel);
    EXPECT_TRUE(testsupport::SameSequence({{"OnClose", WM_CLOSE, 1, 0, testsupport::kWParam},
                                           {"OnClose", WM_CLOSE, 2, 0, testsupport::kWParam},
                                           {"destroyed", 0, 0, 0, kMessageOnly}},
                                          g.log.Entries()));
    EXPECT_EQ(nullptr, variable);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, AppControl);
    EXPECT_FALSE(AppRunning);
    EXPECT_TRUE(AppTerminated);
    EXPECT_EQ(liveAtStart, ToolkitObject::LiveCount());
}

} // namespace
