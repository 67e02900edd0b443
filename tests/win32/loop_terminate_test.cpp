// Shutting down an application that has not terminated yet: what is queued is dispatched,
// the form is asked to close, and then it is destroyed. This program holds this test only.
#include "support/message_log.h"

#include "toolkit/application.h"

#include <gtest/gtest.h>

using namespace toolkit;
using testsupport::kMessageOnly;
using testsupport::MessageLog;

namespace {

constexpr UINT kQueued = WM_APP + 4;
MessageLog g_log;

TEST(Loop, TerminatingARunningApplicationDispatchesTheQueueAndClosesTheFormFirst) {
    const int32_t liveAtStart = ToolkitObject::LiveCount();
    Control* form = NewForm(nullptr, "terminated");
    form->OnMessage.Set(
        [](void*, MessageRecord& msg, LRESULT&) {
            if (msg.Message == kQueued)
                g_log.Add("queued", kQueued);
            return false;
        },
        nullptr);
    form->OnClose.Set(
        [](void*, Control*, bool& accept) {
            g_log.Add("OnClose", WM_CLOSE);
            accept = false; // the loop is not running: a refusal does not keep the form
        },
        nullptr);
    form->OnDestroy.Set([](void*, ToolkitObject*) { g_log.Add("destroyed", 0); }, nullptr);
    ASSERT_TRUE(GetWindowHandle(form));
    HWND window = form->Handle;
    PostMessageA(window, kQueued, 0, 0);
    AppControl = form;

    Control* variable = form;
    TerminateExecution(variable);

    EXPECT_TRUE(testsupport::SameSequence({{"queued", kQueued, 0, 0, kMessageOnly},
                                           {"OnClose", WM_CLOSE, 0, 0, kMessageOnly},
                                           {"destroyed", 0, 0, 0, kMessageOnly}},
                                          g_log.Entries()));
    EXPECT_EQ(nullptr, variable);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(AppTerminated);
    EXPECT_EQ(nullptr, AppControl);
    EXPECT_EQ(liveAtStart, ToolkitObject::LiveCount());
}

} // namespace
