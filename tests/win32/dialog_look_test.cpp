// The dialog built in this process, so that its fonts, brushes and styles can be read
// directly. Uses language.cfg beside this test program (no other test does).
#include "app/langfrm.h"
#include "app/language_file.h"
#include "support/ui_support.h"
#include "support/win32_support.h"
#include "toolkit/application.h"
#include "toolkit/dispatch.h"
#include "toolkit/graphics.h"
#include "toolkit/keyboard.h"

#include <gtest/gtest.h>

using namespace toolkit;
using app::DialogVariable;

namespace {

RECT ClientRectOf(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    return r;
}

// A child's window rectangle in its parent's client coordinates.
RECT PlaceOf(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

LOGFONTA FontOf(HWND window) {
    LOGFONTA lf = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf;
}

COLORREF BrushColor(HBRUSH brush) {
    LOGBRUSH lb = {};
    GetObjectA(brush, sizeof lb, &lb);
    return lb.lbColor;
}

TEST(DialogLook, BuiltHiddenThenShownAtItsFinalSize) {
    uitest::ParkPointer(); // no button under the pointer draws itself hot
    const std::string cfg = app::LanguageFilePath().c_str();
    ASSERT_TRUE(testsupport::WriteFileBytes(
        cfg, "[ListNames]\r\n0=English\r\n1=Deutsch\r\n2=Suomi\r\n[LangFile]\r\nFile=1\r\n"));
    const int32_t liveBefore = ToolkitObject::LiveCount();

    app::CreateLanguageDialog(nullptr);
    app::LanguageDialog* d = DialogVariable;
    ASSERT_NE(nullptr, d);
    HWND form = d->Form->Handle;

    // Built: the window exists, hidden, at the client size it was given first; the form is
    // the application control, and so OK became the default button while it was made.
    ASSERT_NE(nullptr, form);
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_EQ(d->Form, AppControl);
    EXPECT_EQ(321, ClientRectOf(form).right);
    EXPECT_EQ(140, ClientRectOf(form).bottom);
    EXPECT_EQ(d->OkButton, d->Form->DefaultButton);
    EXPECT_TRUE(DialogKeysHook == d->Form->OnMessage.proc);
    EXPECT_EQ(3, SendMessageA(d->LanguageCombo->Handle, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(1, SendMessageA(d->LanguageCombo->Handle, CB_GETCURSEL, 0, 0));

    // Centred on the screen at its first size.
    RECT outer;
    GetWindowRect(form, &outer);
    RECT first = {0, 0, 321, 140};
    AdjustWindowRectEx(&first, (kDefaultStyle & ~(WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) & ~WS_VISIBLE, FALSE,
                       kDefaultExStyle | WS_EX_TOPMOST);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (first.right - first.left)) >> 1, outer.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - (first.bottom - first.top)) >> 1, outer.top);

    // Shown as the loop shows it: the resize handler settles at 335 x 147.
    d->Form->CreateWindowHandle();
    ProcessMessages();
    EXPECT_TRUE(IsWindowVisible(form));
    EXPECT_EQ(335, ClientRectOf(form).right);
    EXPECT_EQ(147, ClientRectOf(form).bottom);

    char caption[64] = {};
    GetWindowTextA(form, caption, sizeof caption);
    EXPECT_STREQ("Language ....", caption);
    const LONG style = GetWindowLongA(form, GWL_STYLE);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_FALSE(style & WS_THICKFRAME) << "no sizing border once shown";
    EXPECT_TRUE(GetWindowLongA(form, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_NE(0, SendMessageA(form, WM_GETICON, ICON_BIG, 0)) << "MAINICON is the big icon";

    // Controls where the dialog puts them.
    const RECT label = PlaceOf(d->PromptLabel->Handle);
    EXPECT_EQ(24, label.left);
    EXPECT_EQ(24, label.top);
    const RECT combo = PlaceOf(d->LanguageCombo->Handle);
    EXPECT_EQ(24, combo.left);
    EXPECT_EQ(48, combo.top);
    EXPECT_EQ(289, combo.right - combo.left);
    const RECT ok = PlaceOf(d->OkButton->Handle);
    EXPECT_EQ(125, ok.left);
    EXPECT_EQ(98, ok.top);
    EXPECT_EQ(90, ok.right - ok.left);
    EXPECT_EQ(25, ok.bottom - ok.top);
    const RECT close = PlaceOf(d->CloseButton->Handle);
    EXPECT_EQ(221, close.left);
    EXPECT_EQ(98, close.top);
    EXPECT_EQ(90, close.right - close.left);
    EXPECT_EQ(25, close.bottom - close.top);
    EXPECT_TRUE(GetWindowLongA(d->OkButton->Handle, GWL_STYLE) & BS_DEFPUSHBUTTON);
    EXPECT_FALSE(GetWindowLongA(d->CloseButton->Handle, GWL_STYLE) & BS_DEFPUSHBUTTON);
    // The combo box asks for 0x56210643; the system control may hand WS_VSCROLL to its list.
    EXPECT_EQ(0x56210643u, d->LanguageCombo->Style);
    EXPECT_EQ(0x56210643u & ~WS_VSCROLL,
              static_cast<uint32_t>(GetWindowLongA(d->LanguageCombo->Handle, GWL_STYLE)) & ~WS_VSCROLL);

    // Fonts: Arial, 11 pixels, fixed pitch, shared by every control; the prompt in bold.
    const LOGFONTA labelFont = FontOf(d->PromptLabel->Handle);
    EXPECT_STREQ("Arial", labelFont.lfFaceName);
    EXPECT_EQ(-11, labelFont.lfHeight);
    EXPECT_EQ(700, labelFont.lfWeight);
    const LOGFONTA buttonFont = FontOf(d->OkButton->Handle);
    EXPECT_STREQ("Arial", buttonFont.lfFaceName);
    EXPECT_EQ(-11, buttonFont.lfHeight);
    EXPECT_EQ(1, buttonFont.lfPitchAndFamily);
    EXPECT_LT(buttonFont.lfWeight, 700);
    EXPECT_EQ(SendMessageA(d->OkButton->Handle, WM_GETFONT, 0, 0),
              SendMessageA(d->CloseButton->Handle, WM_GETFONT, 0, 0));

    // Colours: the form light blue, the combo box in the window colour.
    EXPECT_EQ(0xF0CAA6u, BrushColor(BackgroundBrush(d->Form)));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), BrushColor(BackgroundBrush(d->LanguageCombo)));
    RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ProcessMessages();
    HDC dc = GetDC(form);
    EXPECT_EQ(0xF0CAA6u, GetPixel(dc, 8, 8));                       // the form's margin
    EXPECT_EQ(0xF0CAA6u, GetPixel(dc, label.right - 1, label.top)); // under the label
    ReleaseDC(form, dc);

    // A size change from anywhere else is undone.
    SetWindowPos(form, nullptr, 0, 0, 600, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ProcessMessages();
    EXPECT_EQ(335, ClientRectOf(form).right);
    EXPECT_EQ(147, ClientRectOf(form).bottom);

    // Closing ends the loop and frees the dialog with the form.
    Close(AppControl);
    toolkit::Run(DialogVariable->Form);
    EXPECT_FALSE(IsWindow(form));
    EXPECT_EQ(liveBefore, ToolkitObject::LiveCount());
    DeleteFileA(cfg.c_str());
}

} // namespace
