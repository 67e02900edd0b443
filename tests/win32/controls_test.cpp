// The button, the label and the combo box on their real system classes.
#include "support/ui_support.h"
#include "toolkit/controls.h"
#include "toolkit/dispatch.h"
#include "toolkit/geometry.h"
#include "toolkit/graphics.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace toolkit;
using uitest::NotifyCounter;

namespace {

constexpr ComboOptions kDialogComboOptions = DropDownList | NoIntegralHeight; // 0x11

class ControlsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        uitest::ParkPointer(); // an open list follows the pointer over it
        form = NewForm(nullptr, "controls");
        SetFontName(Font(form), "Arial");
        SetToolField(Font(form), 4, -11);
    }
    void TearDown() override {
        uitest::PumpMessages();
        Free(form);
    }
    // A WM_COMMAND from a child, as the child window sends it to the form's window.
    LRESULT Notify(Control* child, uint16_t code) {
        return SendMessageA(GetWindowHandle(form), WM_COMMAND, MAKEWPARAM(child->ControlId, code),
                            reinterpret_cast<LPARAM>(GetWindowHandle(child)));
    }
    Control* form = nullptr;
};

int32_t BoundsWidth(const Control* c) {
    return c->BoundsRect.right - c->BoundsRect.left;
}
int32_t BoundsHeight(const Control* c) {
    return c->BoundsRect.bottom - c->BoundsRect.top;
}

} // namespace

TEST(ComboOptionsTest, EachOptionMapsToItsStyleAndNoAutoHScrollIsInverted) {
    EXPECT_EQ(static_cast<uint32_t>(CBS_AUTOHSCROLL), ComboStyleFromOptions(0));
    EXPECT_EQ(0u, ComboStyleFromOptions(NoAutoHScroll));
    EXPECT_EQ(0x443u, ComboStyleFromOptions(kDialogComboOptions));
    const uint32_t all = ComboStyleFromOptions(0x7FF);
    EXPECT_EQ(static_cast<uint32_t>(CBS_DROPDOWNLIST | CBS_DISABLENOSCROLL | CBS_LOWERCASE |
                                    CBS_NOINTEGRALHEIGHT | CBS_OEMCONVERT | CBS_SORT | CBS_UPPERCASE |
                                    CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE | CBS_SIMPLE),
              all);
    EXPECT_EQ(static_cast<uint32_t>(CBS_SORT | CBS_AUTOHSCROLL), ComboStyleFromOptions(Sort));
}

TEST_F(ControlsTest, ConstructorsGiveTheExactStylesAndInitialSizes) {
    Control* label = NewLabel(form, "Please select language:");
    Control* combo = NewComboBox(form, kDialogComboOptions);
    Control* button = NewButton(form, "OK");
    Control* editable = NewComboBox(form, 0);

    EXPECT_EQ(0x56011000u, button->Style);
    EXPECT_EQ(0x5600018Cu, label->Style);
    EXPECT_EQ(0x56210643u, combo->Style);
    EXPECT_EQ(static_cast<uint32_t>(CBS_DROPDOWN), editable->Style & 3) << "neither simple nor a list";
    EXPECT_FALSE(button->ExStyle & WS_EX_CLIENTEDGE);
    EXPECT_FALSE(label->ExStyle & WS_EX_CLIENTEDGE);
    EXPECT_TRUE(combo->ExStyle & WS_EX_CLIENTEDGE);
    EXPECT_TRUE(combo->ClassStyle & CS_DBLCLKS);
    EXPECT_EQ(64, BoundsWidth(button));
    EXPECT_EQ(22, BoundsHeight(button));
    EXPECT_EQ(64, BoundsWidth(label));
    EXPECT_EQ(22, BoundsHeight(label));
    EXPECT_EQ(100, BoundsWidth(combo));
    EXPECT_EQ(22, BoundsHeight(combo));
    EXPECT_EQ(1, label->RedrawOnResize);
    EXPECT_EQ(1, button->IsButton);
    EXPECT_EQ(0, label->IsButton);
    EXPECT_EQ(0, label->TabStop);
    EXPECT_EQ(1, combo->TabStop);
    EXPECT_EQ(3, combo->TabKeys);
    EXPECT_EQ(1, editable->TabKeys);
    EXPECT_EQ(0x0F, button->TabKeys);
    EXPECT_STREQ("OK", button->Caption);

    // The windows are made hidden on demand; the combo box hands its scroll bar to its list.
    const uint32_t kVisible = WS_VISIBLE;
    EXPECT_EQ(0x56011000u & ~kVisible, platform::GetWindowStyle(GetWindowHandle(button)) & ~kVisible);
    EXPECT_EQ(0x5600018Cu & ~kVisible, platform::GetWindowStyle(GetWindowHandle(label)) & ~kVisible);
    EXPECT_EQ(0x56210643u & ~(kVisible | WS_VSCROLL),
              platform::GetWindowStyle(GetWindowHandle(combo)) & ~(kVisible | WS_VSCROLL));
    char className[32];
    GetClassNameA(combo->Handle, className, sizeof className);
    EXPECT_STREQ("obj_COMBOBOX", className);
}

TEST_F(ControlsTest, TheComboBoxsInnerWindowsAreSubclassed) {
    Control* editable = NewComboBox(form, 0);
    HWND window = GetWindowHandle(editable);
    HWND edit = GetWindow(window, GW_CHILD);
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(InnerWndProc), GetWindowLongPtrA(edit, GWLP_WNDPROC));
    EXPECT_NE(nullptr, GetPropA(edit, kPrevProcProperty));
}

TEST_F(ControlsTest, TheFirstItemAddedToAnEmptyComboBoxSelectsItself) {
    Control* combo = NewComboBox(form, kDialogComboOptions);
    NotifyCounter selChanges;
    selChanges.Attach(combo->OnSelChange);
    SetCurIndex(combo, 0);
    EXPECT_EQ(-1, CurIndex(combo)) << "nothing to select";
    EXPECT_EQ(0, ItemCount(combo));

    EXPECT_EQ(0, AddItem(combo, "English"));
    EXPECT_EQ(0, CurIndex(combo));
    EXPECT_EQ(1, AddItem(combo, "Deutsch"));
    EXPECT_EQ(0, CurIndex(combo)) << "the second item does not take the selection";
    EXPECT_EQ(2, AddItem(combo, nullptr)) << "an absent text is the empty item";
    EXPECT_EQ(3, ItemCount(combo));

    SetCurIndex(combo, 1);
    EXPECT_EQ(1, CurIndex(combo));
    SetCurIndex(combo, -2);
    EXPECT_EQ(-1, CurIndex(combo));
    SetCurIndex(combo, 3);
    EXPECT_EQ(-1, CurIndex(combo));
    uitest::PumpMessages();
    EXPECT_EQ(0, selChanges.Calls) << "setting the index is not a user's selection change";
}

TEST_F(ControlsTest, ButtonsAndLabelsHoldNoItems) {
    Control* button = NewButton(form, "OK");
    EXPECT_EQ(0, ItemCount(button));
    EXPECT_EQ(-1, AddItem(button, "x"));
    EXPECT_EQ(-1, CurIndex(button));
    SetCurIndex(button, 0);
    EXPECT_STREQ("OK", GetText(button).c_str());
}

TEST_F(ControlsTest, AClickCallsOnClickOnceWithTheButtonUnlessClicksAreSuppressed) {
    Control* button = NewButton(form, "OK");
    NotifyCounter clicks;
    clicks.Attach(button->OnClick);
    SendMessageA(GetWindowHandle(button), BM_CLICK, 0, 0);
    EXPECT_EQ(1, clicks.Calls);
    EXPECT_EQ(button, clicks.LastSender);

    button->ClickSuppress = 1;
    SendMessageA(button->Handle, BM_CLICK, 0, 0);
    EXPECT_EQ(1, clicks.Calls);
    button->ClickSuppress = 0;

    // Focus notifications of a button are not clicks.
    NotifyCounter enters;
    enters.Attach(button->OnEnter);
    Notify(button, BN_SETFOCUS);
    EXPECT_EQ(1, enters.Calls);
    EXPECT_EQ(1, clicks.Calls);

    int preClicks = 0;
    static int* preClickCounter = nullptr;
    preClickCounter = &preClicks;
    button->PreClick = [](Control*) { ++*preClickCounter; };
    Click(button);
    EXPECT_EQ(1, preClicks);
    EXPECT_EQ(2, clicks.Calls);
}

TEST_F(ControlsTest, AReflectedCommandThatMatchesRunsTheDefaultProcedureAndCountsAsHandled) {
    Control* label = NewLabel(form, "prompt");
    Control* combo = NewComboBox(form, kDialogComboOptions);
    NotifyCounter clicks;
    clicks.Attach(label->OnClick);
    NotifyCounter leaves;
    leaves.Attach(combo->OnLeave);
    NotifyCounter changes;
    changes.Attach(combo->OnChange);
    Notify(label, STN_CLICKED);
    EXPECT_EQ(1, clicks.Calls);
    Notify(combo, CBN_KILLFOCUS);
    EXPECT_EQ(1, leaves.Calls);
    Notify(combo, CBN_EDITCHANGE);
    EXPECT_EQ(1, changes.Calls);

    MessageRecord record{combo->Handle, kCommandReflection, MAKEWPARAM(0, CBN_EDITUPDATE), 0};
    LRESULT result = 0;
    EXPECT_FALSE(ControlHandler(combo, record, result)) << "a code the class does not use";
    record.WParam = MAKEWPARAM(0, CBN_EDITCHANGE);
    EXPECT_TRUE(ControlHandler(combo, record, result));
    EXPECT_EQ(2, changes.Calls);
}

TEST_F(ControlsTest, AUserSelectionChangeReachesOnSelChangeOnlyAfterThePostedCode) {
    Control* combo = NewComboBox(form, kDialogComboOptions);
    AddItem(combo, "English");
    AddItem(combo, "Deutsch");
    NotifyCounter selChanges;
    selChanges.Attach(combo->OnSelChange);
    NotifyCounter changes;
    changes.Attach(combo->OnChange);

    SendMessageA(combo->Handle, CB_SETCURSEL, 1, 0);
    Notify(combo, CBN_SELCHANGE);
    EXPECT_EQ(0, selChanges.Calls) << "not while the combo box is still changing";
    MSG queued;
    ASSERT_TRUE(PeekMessageA(&queued, combo->Handle, kCommandReflection, kCommandReflection, PM_NOREMOVE));
    EXPECT_EQ(static_cast<WPARAM>(kComboSelChangeCode) << 16, queued.wParam);
    uitest::PumpMessages();
    EXPECT_EQ(1, selChanges.Calls);
    EXPECT_EQ(combo, selChanges.LastSender);
    EXPECT_EQ(0, changes.Calls) << "OnChange only stands in when OnSelChange is not set";

    combo->OnSelChange.Reset();
    Notify(combo, CBN_SELCHANGE);
    uitest::PumpMessages();
    EXPECT_EQ(1, changes.Calls);
}

TEST_F(ControlsTest, TheOpenListShowsAtLeastOneAndAtMostEightItems) {
    Control* combo = NewComboBox(form, kDialogComboOptions);
    SetPosition(combo, 24, 48);
    SetSize(combo, 289, 0);
    ASSERT_TRUE(uitest::ShowInForeground(form)); // an open list closes when the focus goes
    NotifyCounter dropDowns;
    dropDowns.Attach(combo->OnDropDown);
    NotifyCounter closeUps;
    closeUps.Attach(combo->OnCloseUp);

    COMBOBOXINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo->Handle, &info));
    auto listHeight = [&] {
        RECT r;
        GetWindowRect(info.hwndList, &r);
        return r.bottom - r.top;
    };
    const int32_t closedHeight = Height(combo);

    SendMessageA(combo->Handle, CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_EQ(1, combo->Dropped);
    EXPECT_EQ(1, dropDowns.Calls);
    const int32_t emptyHeight = listHeight();
    SendMessageA(combo->Handle, CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_EQ(0, combo->Dropped);
    EXPECT_EQ(1, closeUps.Calls);

    for (int i = 0; i < 20; ++i)
        AddItem(combo, "Language");
    SetCurIndex(combo, 5);
    SendMessageA(combo->Handle, CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_EQ(5, combo->DropDownIndex);
    const int32_t fullHeight = listHeight();
    const int32_t itemHeight = static_cast<int32_t>(SendMessageA(combo->Handle, CB_GETITEMHEIGHT, 0, 0));
    RECT client;
    GetClientRect(info.hwndList, &client);
    SendMessageA(combo->Handle, CB_SHOWDROPDOWN, FALSE, 0);

    // The window's height is that of the open list plus the closed part, so the list gets
    // the closed height once per row (1 row when empty, 8 at most) and 2 pixels of border.
    EXPECT_EQ(closedHeight, Height(combo)) << "the closed part keeps its height";
    EXPECT_EQ(closedHeight * 1 + 2, emptyHeight);
    EXPECT_EQ(closedHeight * 8 + 2, fullHeight);
    EXPECT_GE(client.bottom, 8 * itemHeight);
    EXPECT_TRUE(IsWindowVisible(combo->Handle)) << "hidden and shown again around the sizing";
}

TEST_F(ControlsTest, AnAmpersandInALabelIsShownAsItIs) {
    SetBackColor(form, RGB(255, 255, 255));
    Control* label = NewLabel(form, "A&B");
    SetAutoSize(label, true);
    HWND window = GetWindowHandle(label);
    const int32_t width = Width(label);
    const int32_t height = Height(label);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    // The rightmost ink: "A&B" drawn as it is reaches past where "AB" would end.
    int32_t rightmostInk = -1;
    for (int32_t x = 0; x < width; ++x) {
        for (int32_t y = 0; y < height; ++y) {
            if (GetPixel(dc, x, y) != RGB(255, 255, 255))
                rightmostInk = x;
        }
    }
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    HDC measure = CreateCompatibleDC(nullptr);
    SelectObject(measure, GetToolHandle(Font(label)));
    SIZE withoutPrefix = {};
    GetTextExtentPoint32A(measure, "AB", 2, &withoutPrefix);
    DeleteDC(measure);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EXPECT_GT(rightmostInk, withoutPrefix.cx) << "the ampersand takes room of its own";
    EXPECT_STREQ("A&B", GetText(label).c_str());
}

TEST_F(ControlsTest, ClearEmptiesAComboBoxAndBlanksAButtonsCaption) {
    Control* combo = NewComboBox(form, kDialogComboOptions);
    AddItem(combo, "English");
    AddItem(combo, "Deutsch");
    Clear(combo);
    EXPECT_EQ(0, ItemCount(combo));
    EXPECT_EQ(-1, CurIndex(combo));

    Control* button = NewButton(form, "Close");
    GetWindowHandle(button);
    Clear(button);
    EXPECT_EQ(0, GetWindowTextLengthA(button->Handle));
    EXPECT_STREQ("", button->Caption);

    Control* label = NewLabel(form, "prompt");
    Clear(label);
    EXPECT_STREQ("", GetText(label).c_str());
}

TEST_F(ControlsTest, TheFocusedChildBecomesTheFormsCurrentControl) {
    Control* combo = NewComboBox(form, kDialogComboOptions);
    Control* button = NewButton(form, "OK");
    EXPECT_EQ(combo, form->CurrentControl) << "the first tab stop";
    ASSERT_TRUE(uitest::ShowInForeground(form));
    SetFocus(button->Handle);
    EXPECT_EQ(button, form->CurrentControl);
    SetFocus(combo->Handle);
    EXPECT_EQ(combo, form->CurrentControl);
}
