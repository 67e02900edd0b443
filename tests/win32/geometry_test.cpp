// Placement and sizing of controls, before and after their windows exist.
#include "support/ui_support.h"
#include "toolkit/controls.h"
#include "toolkit/dispatch.h"
#include "toolkit/geometry.h"
#include "toolkit/graphics.h"
#include "toolkit/keyboard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace toolkit;

namespace {

struct Box {
    int32_t Left, Top, Right, Bottom;
    bool operator==(const Box& o) const {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
};

std::ostream& operator<<(std::ostream& out, const Box& b) {
    return out << "(" << b.Left << "," << b.Top << "," << b.Right << "," << b.Bottom << ")";
}

Box Bounds(Control* control) {
    RECT r;
    GetBoundsRect(control, r);
    return Box{r.left, r.top, r.right, r.bottom};
}

// The window's rectangle in its parent's client coordinates (screen ones for a form).
Box WindowBox(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    if (HWND parent = GetParent(window))
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return Box{r.left, r.top, r.right, r.bottom};
}

// Counts the position changes a window goes through (each SetWindowPos asks first).
bool CountPositionChanges(void* context, MessageRecord& msg, LRESULT&) {
    if (msg.Message == WM_WINDOWPOSCHANGING)
        ++*static_cast<int*>(context);
    return false;
}

int32_t HalfDown(int32_t v) {
    return v >= 0 ? v / 2 : -((1 - v) / 2);
}

class GeometryTest : public ::testing::Test {
  protected:
    void SetUp() override { form = NewForm(nullptr, "geometry"); }
    void TearDown() override { Free(form); }
    Control* form = nullptr;
};

} // namespace

// A control that a handler frees at one of its window's messages.
struct Doomed {
    Control* control;
    UINT at;
};

bool FreeAtMessage(void* context, MessageRecord& msg, LRESULT&) {
    const Doomed* doomed = static_cast<Doomed*>(context);
    if (msg.Message == doomed->at && (msg.Message != WM_SHOWWINDOW || msg.WParam))
        Free(doomed->control);
    return false;
}

Control* NewButtonOf(Control* parent) {
    return NewButton(parent, "b");
}
// Made hidden on demand: the window exists, and the loop shows it later.
Control* NewButtonWithWindow(Control* parent) {
    Control* const button = NewButton(parent, "b");
    GetWindowHandle(button);
    return button;
}

// Each operation runs a handler that frees the control (while its window is made, shown,
// moved, sized or given the focus); none may go on with the control afterwards, and what
// it answers says that the control went.
struct FreeCase {
    const char* name;
    Control* (*make)(Control* parent);
    void (*use)(Control* control);
    UINT freeAt = WM_CREATE;
};

class FreedByAHandler : public ::testing::TestWithParam<FreeCase> {};

TEST_P(FreedByAHandler, NothingGoesOnWithTheControl) {
    const FreeCase& c = GetParam();
    Control* const parent = NewForm(nullptr, "parent");
    Doomed doomed{c.make(parent), c.freeAt};
    doomed.control->OnMessage.Set(FreeAtMessage, &doomed);
    c.use(doomed.control);
    EXPECT_EQ(0, parent->Children->Count) << "the control is gone";
    Free(parent);
}

const FreeCase kFreeCases[] = {
    {"SetClientSize", NewButtonOf, [](Control* c) { EXPECT_EQ(nullptr, SetClientSize(c, 90, 25)); }},
    {"CenterOnParent", NewButtonOf, [](Control* c) { EXPECT_EQ(nullptr, CenterOnParent(c)); }},
    {"SetCanResize", NewButtonOf, [](Control* c) { SetCanResize(c, false); }},
    {"SetAutoSize", [](Control* p) { return NewLabel(p, "text"); },
     [](Control* c) { EXPECT_EQ(nullptr, SetAutoSize(c, true)); }},
    {"AddItem", [](Control* p) { return NewComboBox(p, DropDownList); },
     [](Control* c) { EXPECT_EQ(-1, AddItem(c, "item")); }},
    {"SetCurIndex", [](Control* p) { return NewComboBox(p, DropDownList); },
     [](Control* c) { SetCurIndex(c, 0); }},
    {"CurIndex", [](Control* p) { return NewComboBox(p, DropDownList); },
     [](Control* c) { EXPECT_EQ(CB_ERR, CurIndex(c)) << "no window, no selection"; }},
    {"DialogKeysHook", [](Control* p) { return NewButton(p, "OK"); },
     [](Control* c) {
         Control* const parent = c->Parent;
         AppControl = parent;
         SetDefaultOrCancel(c, VK_RETURN, true);
         MessageRecord enter{nullptr, WM_KEYDOWN, VK_RETURN, 1};
         LRESULT result = 0;
         EXPECT_TRUE(DialogKeysHook(parent, enter, result));
         EXPECT_EQ(nullptr, parent->DefaultButton);
         parent->OnMessage.Reset(); // the hook, which no button needs any more
         AppControl = nullptr;
     }},
    {"LoadIconResource", NewButtonOf,
     [](Control* c) { LoadIconResource(c, nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)); }},
    // The font change fits the text, which makes the window; the font had its object.
    {"FontChangeOfAnAutosizeControl", [](Control* p) { return NewLabel(p, ""); },
     [](Control* c) {
         SetAutoSize(c, true); // no text yet: no window either
         SetText(c, "text");
         GetToolHandle(Font(c));
         SetFontStyle(Font(c), Bold);
     }},
    {"TextExtent", [](Control* p) { return NewLabel(p, "text"); },
     [](Control* c) {
         SIZE size = {-1, -1};
         TextExtent(GetCanvas(c), "text", size);
         EXPECT_EQ(0, size.cx) << "a canvas whose control went measures nothing";
         EXPECT_EQ(0, size.cy);
     }},
    // The loop shows a window made hidden on demand; the form stays hidden, so that no
    // window is activated.
    {"ShownByTheLoop", NewButtonWithWindow,
     [](Control* c) {
         Control* const form = c->Parent;
         Hide(form);
         EXPECT_TRUE(CreateWindowHandleSurvived(form));
     },
     WM_SHOWWINDOW},
    // The two-step setters: the first step's move or size frees the control.
    {"CenterOnParentMoved", NewButtonWithWindow, [](Control* c) { EXPECT_EQ(nullptr, CenterOnParent(c)); },
     WM_WINDOWPOSCHANGED},
    {"SetPositionMoved", NewButtonWithWindow, [](Control* c) { EXPECT_EQ(nullptr, SetPosition(c, 7, 9)); },
     WM_WINDOWPOSCHANGED},
    {"SetSizeSized", NewButtonWithWindow, [](Control* c) { EXPECT_EQ(nullptr, SetSize(c, 91, 27)); },
     WM_WINDOWPOSCHANGED},
    {"SetClientSizeSized", NewButtonWithWindow,
     [](Control* c) { EXPECT_EQ(nullptr, SetClientSize(c, 91, 27)); }, WM_WINDOWPOSCHANGED},
    {"SetAutoSizeSized",
     [](Control* p) {
         Control* const label = NewLabel(p, "a longer text");
         GetWindowHandle(label);
         return label;
     },
     [](Control* c) { EXPECT_EQ(nullptr, SetAutoSize(c, true)); }, WM_WINDOWPOSCHANGED},
    {"MoveFocus", NewButtonWithWindow,
     [](Control* c) {
         Control* const form = c->Parent;
         form->CurrentControl = nullptr;
         MoveFocus(form, 0);
         EXPECT_EQ(nullptr, form->CurrentControl) << "the control that went is not the form's current one";
     },
     WM_SETFOCUS},
};

INSTANTIATE_TEST_SUITE_P(GeometryTest, FreedByAHandler, ::testing::ValuesIn(kFreeCases),
                         [](const ::testing::TestParamInfo<FreeCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(GeometryTest, SettersMoveAndSizeABareChildWithoutAWindow) {
    Control* child = NewChildControl(form, "STATIC", WS_CHILD | WS_VISIBLE, false, nullptr);
    EXPECT_EQ((Box{2, 2, 66, 66}), Bounds(child));
    SetLeft(child, 10);
    EXPECT_EQ((Box{10, 2, 74, 66}), Bounds(child));
    SetWidth(child, 100);
    EXPECT_EQ((Box{10, 2, 110, 66}), Bounds(child));
    SetTop(child, 20);
    SetHeight(child, 30);
    EXPECT_EQ((Box{10, 20, 110, 50}), Bounds(child));
    EXPECT_EQ(3, child->PositionChanged);
    EXPECT_EQ(nullptr, child->Handle) << "placing a control does not make its window";

    SetSize(child, 289, 0);
    EXPECT_EQ((Box{10, 20, 299, 50}), Bounds(child)) << "0 keeps the height";
    SetSize(child, 0, -5);
    EXPECT_EQ((Box{10, 20, 299, 50}), Bounds(child)) << "0 and -5 change nothing";
    SetPosition(child, 24, 48);
    EXPECT_EQ(24, Left(child));
    EXPECT_EQ(48, Top(child));
    EXPECT_EQ(289, Width(child));
    EXPECT_EQ(30, Height(child));

    // The window is made where the object says, and the getters read the window from then on.
    HWND window = GetWindowHandle(child);
    EXPECT_EQ((Box{24, 48, 313, 78}), WindowBox(window));
    SetLeft(child, 10);
    EXPECT_EQ((Box{10, 48, 299, 78}), WindowBox(window));
    SetWidth(child, 100);
    EXPECT_EQ((Box{10, 48, 110, 78}), WindowBox(window));
    MoveWindow(window, 5, 6, 7, 8, FALSE);
    EXPECT_EQ((Box{5, 6, 12, 14}), Bounds(child)) << "re-read from the window";
}

TEST_F(GeometryTest, SettingTheSameRectangleAgainCallsNothingAndMarksNothing) {
    Control* child = NewChildControl(form, "STATIC", WS_CHILD | WS_VISIBLE, false, nullptr);
    HWND window = GetWindowHandle(child);
    int changes = 0;
    child->OnMessage.Set(CountPositionChanges, &changes);

    const RECT moved = {2, 2, 80, 66}; // only the width differs
    SetBoundsRect(child, moved);
    EXPECT_EQ(1, changes);
    EXPECT_EQ(0, child->PositionChanged) << "a width change marks neither left nor top";
    EXPECT_EQ((Box{2, 2, 80, 66}), WindowBox(window));

    SetBoundsRect(child, moved);
    SetSize(child, 78, 64);
    SetPosition(child, 2, 2);
    EXPECT_EQ(1, changes);
    EXPECT_EQ(0, child->PositionChanged);
    child->OnMessage.Reset();
}

TEST_F(GeometryTest, AFormIsCentredOnTheScreenWithAnArithmeticHalving) {
    const int32_t screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int32_t screenHeight = GetSystemMetrics(SM_CYSCREEN);
    SetSize(form, 400, 300);
    CenterOnParent(form);
    ASSERT_NE(nullptr, form->Handle) << "centring makes the window";
    EXPECT_EQ(HalfDown(screenWidth - 400), Left(form));
    EXPECT_EQ(HalfDown(screenHeight - 300), Top(form));
    if (screenWidth == 1024)
        EXPECT_EQ(312, Left(form));

    SetWidth(form, screenWidth + 1);
    ASSERT_EQ(screenWidth + 1, Width(form));
    CenterOnParent(form);
    EXPECT_EQ(-1, Left(form)) << "rounded toward minus infinity, not toward 0";
}

TEST_F(GeometryTest, AChildIsCentredInItsParentsClientArea) {
    SetClientSize(form, 321, 140);
    Control* button = NewButton(form, "OK");
    SetSize(button, 90, 25);
    CenterOnParent(button);
    EXPECT_EQ(HalfDown(321 - 90), Left(button));
    EXPECT_EQ(HalfDown(140 - 25), Top(button));
}

TEST_F(GeometryTest, SetClientSizeAddsExactlyTheNonClientSizeAndMakesTheWindowHidden) {
    SetPosition(form, 554, 150);
    EXPECT_EQ(nullptr, form->Handle);
    const int32_t clientWidth = ClientWidth(form);
    ASSERT_NE(nullptr, form->Handle) << "measuring the client area made the window";
    EXPECT_FALSE(IsWindowVisible(form->Handle));
    const int32_t extraWidth = Width(form) - clientWidth;
    const int32_t extraHeight = Height(form) - ClientHeight(form);
    EXPECT_GT(extraWidth, 0);
    EXPECT_GT(extraHeight, 0) << "caption and borders";

    SetClientSize(form, 321, 140);
    EXPECT_EQ(321, ClientWidth(form));
    EXPECT_EQ(140, ClientHeight(form));
    EXPECT_EQ(321 + extraWidth, Width(form));
    EXPECT_EQ(140 + extraHeight, Height(form));
    EXPECT_EQ(554, Left(form));
    EXPECT_EQ(150, Top(form));
    RECT client;
    GetClientRect(form->Handle, &client);
    EXPECT_EQ(321, client.right);
    EXPECT_EQ(140, client.bottom);

    SetClientSize(form, 0, 100);
    EXPECT_EQ(321, ClientWidth(form));
    EXPECT_EQ(100, ClientHeight(form));
}

TEST_F(GeometryTest, TheSizeLockPinsTheDragLimitsAndHidesTheSizingBorders) {
    SetPosition(form, 100, 100);
    SetClientSize(form, 321, 140);
    HWND window = form->Handle;
    ASSERT_NE(nullptr, window);
    RECT r;
    GetWindowRect(window, &r);
    const POINT rightEdge = {r.right - 1, (r.top + r.bottom) / 2};
    const POINT caption = {(r.left + r.right) / 2, r.top + GetSystemMetrics(SM_CYFRAME) + 2};
    auto hit = [window](POINT p) { return SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)); };
    ASSERT_EQ(HTRIGHT, hit(rightEdge)) << "the default style has a sizing frame";

    ASSERT_TRUE(CanResize(form));
    SetCanResize(form, false);
    EXPECT_FALSE(CanResize(form));
    EXPECT_TRUE(form->Style & WS_THICKFRAME) << "locking keeps the sizing frame";
    EXPECT_TRUE(platform::GetWindowStyle(window) & WS_THICKFRAME);
    EXPECT_EQ(Width(form), form->LockedWidth);
    EXPECT_EQ(Height(form), form->LockedHeight);

    MINMAXINFO info = {};
    SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(form->LockedWidth, info.ptMinTrackSize.x);
    EXPECT_EQ(form->LockedHeight, info.ptMinTrackSize.y);
    EXPECT_EQ(form->LockedWidth, info.ptMaxTrackSize.x);
    EXPECT_EQ(form->LockedHeight, info.ptMaxTrackSize.y);
    EXPECT_EQ(HTBORDER, hit(rightEdge)) << "no sizing cursor on the border";
    EXPECT_EQ(HTCAPTION, hit(caption)) << "other hits are left alone";

    // A drag ends in a size change that the system keeps within the drag limits.
    const int32_t lockedWidth = Width(form);
    SetWindowPos(window, nullptr, 0, 0, lockedWidth + 50, Height(form) + 50, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(lockedWidth, Width(form));

    SetCanResize(form, true);
    EXPECT_TRUE(CanResize(form));
    EXPECT_FALSE(platform::GetWindowStyle(window) & WS_THICKFRAME) << "unlocking removes the sizing frame";
    EXPECT_NE(HTRIGHT, hit(rightEdge));
    SetWidth(form, lockedWidth + 50);
    EXPECT_EQ(lockedWidth + 50, Width(form));
    info = MINMAXINFO();
    SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(0, info.ptMaxTrackSize.x) << "the handler stands aside while unlocked";
}

TEST_F(GeometryTest, StayOnTopLivesInTheExtendedStyleBeforeAndInTheWindowAfterCreation) {
    EXPECT_FALSE(StayOnTop(form));
    SetStayOnTop(form, true);
    EXPECT_TRUE(form->ExStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(StayOnTop(form));
    HWND window = GetWindowHandle(form);
    EXPECT_TRUE(platform::GetWindowExStyle(window) & WS_EX_TOPMOST);

    SetStayOnTop(form, false);
    EXPECT_FALSE(platform::GetWindowExStyle(window) & WS_EX_TOPMOST);
    EXPECT_FALSE(StayOnTop(form));
    EXPECT_FALSE(form->ExStyle & WS_EX_TOPMOST) << "read back from the window";
    SetStayOnTop(form, true);
    EXPECT_TRUE(platform::GetWindowExStyle(window) & WS_EX_TOPMOST);
}

TEST_F(GeometryTest, InvalidateAsksForARepaintOfTheWholeWindow) {
    HWND window = GetWindowHandle(form);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
    Invalidate(form);
    RECT update;
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE));
    RECT client;
    GetClientRect(window, &client);
    EXPECT_TRUE(EqualRect(&update, &client));
}

namespace {

SIZE ExtentInFont(HGDIOBJ font, const char* text) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
    SelectObject(dc, old);
    DeleteDC(dc);
    return size;
}

} // namespace

TEST_F(GeometryTest, AutosizeFitsALabelToItsTextAndFollowsCaptionAndFont) {
    SetFontName(Font(form), "Arial");
    SetToolField(Font(form), 4, -11);
    Control* label = NewLabel(form, "");
    SetPosition(label, 24, 24);
    SetAutoSize(label, true);
    EXPECT_EQ(1, Width(label)) << "an empty caption";
    EXPECT_EQ(1, Height(label));
    EXPECT_EQ(nullptr, label->Handle) << "nothing to measure, no window made";

    SetText(label, "Please select language:");
    EXPECT_EQ(1, Width(label)) << "without a window the caption alone does not resize";
    SetAutoSize(label, true);
    ASSERT_NE(nullptr, label->Handle);
    const SIZE plain = ExtentInFont(GetToolHandle(Font(label)), "Please select language:");
    EXPECT_EQ(plain.cx + 1, Width(label));
    EXPECT_EQ(plain.cy + 1, Height(label));
    EXPECT_EQ(24, Left(label));

    SetFontStyle(Font(label), Bold);
    const SIZE bold = ExtentInFont(GetToolHandle(Font(label)), "Please select language:");
    EXPECT_GT(bold.cx, plain.cx);
    EXPECT_EQ(bold.cx + 1, Width(label)) << "sized again in the bold font";

    SetFontStyle(Font(label), Italic);
    const SIZE italicWithSpace = ExtentInFont(GetToolHandle(Font(label)), "Please select language: ");
    EXPECT_EQ(italicWithSpace.cx + 1, Width(label)) << "one space of room for the slant";

    SetText(label, "OK");
    EXPECT_EQ(ExtentInFont(GetToolHandle(Font(label)), "OK ").cx + 1, Width(label));

    SetAutoSize(label, false);
    SetText(label, "a much longer caption than before");
    EXPECT_EQ(ExtentInFont(GetToolHandle(Font(label)), "OK ").cx + 1, Width(label));
}

TEST_F(GeometryTest, AutosizeUsesEachClassesOwnRoom) {
    SetFontName(Font(form), "Arial");
    Control* button = NewButton(form, "Close");
    Control* combo = NewComboBox(form, DropDownList);
    const int32_t buttonHeight = Height(button);
    const int32_t comboWidth = Width(combo);
    SetAutoSize(button, true);
    SetAutoSize(combo, true);
    EXPECT_EQ(ExtentInFont(GetToolHandle(Font(button)), "Close").cx + 14, Width(button));
    EXPECT_EQ(buttonHeight, Height(button)) << "a button keeps its height";
    EXPECT_EQ(comboWidth, Width(combo)) << "a combo box keeps its width";
}
