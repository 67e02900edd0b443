// Once the application has terminated, nothing asks for a repaint any more. This file sets
// the process-wide terminated flag, which is never cleared, so it has a program of its own.
#include "toolkit/control.h"
#include "toolkit/geometry.h"
#include "toolkit/graphics.h"

#include <gtest/gtest.h>

using namespace toolkit;

TEST(Invalidate, DoesNothingOnceTheApplicationHasTerminated) {
    Control* form = NewForm(nullptr, "terminated");
    HWND window = GetWindowHandle(form);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    ASSERT_FALSE(GetUpdateRect(window, nullptr, FALSE));
    Invalidate(form);
    ASSERT_TRUE(GetUpdateRect(window, nullptr, FALSE)) << "the same call before termination";
    UpdateWindow(window);

    AppTerminated = 1;
    Invalidate(form);
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
    SetBackColor(form, 0x123456); // repaints through Invalidate
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
    Free(form);
}
