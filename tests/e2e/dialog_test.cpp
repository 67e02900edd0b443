// The real utility's dialog, driven like a person: real keys and mouse clicks, and the
// file and the message boxes looked at from outside.
#include "support/dialog_driver.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

const char* const kThreeLanguages = "[ListNames]\r\n0=English\r\n1=Deutsch\r\n2=Fran\xe7"
                                    "ais\r\n";

std::string Config(const char* fileValue) {
    return std::string(kThreeLanguages) + "[LangFile]\r\nFile=" + fileValue + "\r\n";
}

int StoredIndex(const Installation& inst) {
    return static_cast<int>(GetPrivateProfileIntA("LangFile", "File", -100, inst.cfg.c_str()));
}

int ComboSelection(const DialogDriver& d) {
    return static_cast<int>(SendMessageA(d.Combo(), CB_GETCURSEL, 0, 0));
}

// The dialog shows a notice and waits for it: the notice is answered, then the utility ends.
void AnswerNoticeAndExpectExit(const DialogDriver& d, const char* caption, const char* text) {
    HWND box = d.WaitForBox(caption);
    ASSERT_NE(nullptr, box) << "no \"" << caption << "\" box";
    EXPECT_EQ(text, d.BoxText(box));
    EXPECT_FALSE(d.WaitExit(300)) << "the utility must wait for the notice";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    DWORD code = 1;
    ASSERT_TRUE(d.WaitExit(10000, &code));
    EXPECT_EQ(0u, code);
}

// An icon's colour pixels: icons loaded at different sizes or by another process compare
// by what they show, not by handle.
std::string IconPixels(HICON icon) {
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info))
        return "<no icon>";
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, info.hbmColor, 0, 0, nullptr, &bi, DIB_RGB_COLORS);
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::string pixels(static_cast<size_t>(bi.bmiHeader.biWidth) * std::abs(bi.bmiHeader.biHeight) * 4, '\0');
    GetDIBits(dc, info.hbmColor, 0, std::abs(bi.bmiHeader.biHeight), &pixels[0], &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return pixels;
}

std::string WindowName(HWND window) {
    char cls[64] = {};
    char text[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, text, sizeof text);
    return std::string(cls) + " \"" + text + "\"";
}

const char* const kRestart = "Restart the program for changes to take effect.";

TEST(Dialog, TheStoredIndexIsSelected) {
    Installation inst("sel");
    WriteFileBytes(inst.cfg, Config("2"));
    DialogDriver d(inst);
    EXPECT_EQ(3, SendMessageA(d.Combo(), CB_GETCOUNT, 0, 0));
    EXPECT_EQ(2, ComboSelection(d));
    // The first tab stop has the focus.
    EXPECT_TRUE(WaitUntil([&] { return d.Focus() == d.Combo(); }, 3000)) << WindowName(d.Focus());
}

TEST(Dialog, MinusTwoAndOutOfRangeSelectNothing) {
    for (const char* value : {"-2", "3", "-1", "99999999999"}) {
        Installation inst("nosel");
        const std::string before = Config(value);
        WriteFileBytes(inst.cfg, before);
        DialogDriver d(inst);
        EXPECT_EQ(CB_ERR, ComboSelection(d)) << value;
        PostMessageA(d.Form(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(d.WaitExit());
        EXPECT_EQ(before, ReadFileBytes(inst.cfg)) << "closing stores nothing";
    }
}

TEST(Dialog, EnterInTheComboBoxPressesOk) {
    Installation inst("enter");
    WriteFileBytes(inst.cfg, Config("0"));
    const BlocksLeftAtExit left(inst);
    DialogDriver d(inst);
    d.Key(VK_DOWN); // choose the second language with the keyboard
    EXPECT_EQ(1, ComboSelection(d));
    d.Key(VK_RETURN);
    HWND box = d.WaitForBox("Information");
    ASSERT_NE(nullptr, box);
    // Stored before the notice is shown, and the notice is system-modal, on top.
    EXPECT_EQ(1, StoredIndex(inst));
    EXPECT_TRUE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
    HWND icon = nullptr;
    while ((icon = FindWindowExA(box, icon, "Static", nullptr)) != nullptr) {
        if ((GetWindowLongA(icon, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            break;
    }
    ASSERT_NE(nullptr, icon) << "the notice has an icon";
    const auto shownIcon = reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0));
    ASSERT_NE(nullptr, shownIcon);
    // Wine keeps an icon's image in the process that made it, so another process can only
    // compare pictures where the system lets it read them (Windows does).
    const std::string shown = IconPixels(shownIcon);
    if (shown != "<no icon>") {
        EXPECT_EQ(IconPixels(LoadIconA(nullptr, IDI_EXCLAMATION)), shown) << "the exclamation-mark icon";
        EXPECT_NE(IconPixels(LoadIconA(nullptr, IDI_ASTERISK)), shown);
    }
    EXPECT_EQ(nullptr, FindWindowExA(box, nullptr, "Button", "Cancel")); // a single OK button
    AnswerNoticeAndExpectExit(d, "Information", kRestart);
    EXPECT_TRUE(left.None());
    EXPECT_EQ(1, StoredIndex(inst));
    // Only the value changed: the list is as it was.
    EXPECT_TRUE(SameProfileLines(Config("1"), ReadFileBytes(inst.cfg)));
}

TEST(Dialog, MouseClickOnOkWithNothingSelectedStoresMinusOne) {
    Installation inst("okmouse");
    WriteFileBytes(inst.cfg, Config("-2"));
    DialogDriver d(inst);
    d.ClickClient(d.Button("OK"), 45, 12);
    AnswerNoticeAndExpectExit(d, "Information", kRestart);
    EXPECT_EQ(-1, StoredIndex(inst));
}

TEST(Dialog, AMissingFileIsCreatedWithOnlyTheIndex) {
    Installation inst("nofile");
    DialogDriver d(inst);
    EXPECT_EQ(0, SendMessageA(d.Combo(), CB_GETCOUNT, 0, 0));
    d.Key(VK_RETURN);
    AnswerNoticeAndExpectExit(d, "Information", kRestart);
    const std::string bytes = ReadFileBytes(inst.cfg);
    EXPECT_NE(std::string::npos, bytes.find("[LangFile]")) << bytes;
    EXPECT_EQ(std::string::npos, bytes.find("ListNames")) << bytes;
    EXPECT_EQ(-1, StoredIndex(inst));
}

TEST(Dialog, TabCyclesThroughComboOkClose) {
    Installation inst("tab");
    WriteFileBytes(inst.cfg, Config("0"));
    DialogDriver d(inst);
    const HWND order[] = {d.Combo(), d.Button("OK"), d.Button("Close")};
    const auto focusBecomes = [&](HWND expected) {
        return WaitUntil([&] { return d.Focus() == expected; }, 3000);
    };
    ASSERT_TRUE(focusBecomes(order[0]));
    for (int step = 1; step <= 3; ++step) {
        d.Key(VK_TAB);
        EXPECT_TRUE(focusBecomes(order[step % 3])) << "after Tab " << step << ": " << WindowName(d.Focus());
    }
    for (int step = 2; step >= 0; --step) {
        d.Key(VK_TAB, VK_SHIFT);
        EXPECT_TRUE(focusBecomes(order[step]))
            << "after Shift+Tab back to " << step << ": " << WindowName(d.Focus());
    }
}

TEST(Dialog, EscDoesNothingAndCloseStoresNothing) {
    Installation inst("esc");
    const std::string before = Config("0");
    WriteFileBytes(inst.cfg, before);
    const BlocksLeftAtExit left(inst);
    DialogDriver d(inst);
    d.Key(VK_ESCAPE);
    EXPECT_FALSE(d.WaitExit(400)) << "Esc has no meaning in this dialog";
    d.ClickClient(d.Button("Close"), 45, 12);
    DWORD code = 1;
    ASSERT_TRUE(d.WaitExit(10000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(left.None());
    EXPECT_EQ(before, ReadFileBytes(inst.cfg));
}

TEST(Dialog, CaptionCloseBoxAndAltF4StoreNothing) {
    {
        Installation inst("closebox");
        const std::string before = Config("1");
        WriteFileBytes(inst.cfg, before);
        DialogDriver d(inst);
        // Find the close box along the caption from the right, as the mouse would.
        RECT r;
        GetWindowRect(d.Form(), &r);
        POINT hit = {0, 0};
        for (int y = r.top + 2; y < r.top + 40 && !hit.x; ++y) {
            for (int x = r.right - 2; x > r.right - 60; --x) {
                if (SendMessageA(d.Form(), WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) {
                    hit = {x - 3, y + 3};
                    break;
                }
            }
        }
        ASSERT_NE(0, hit.x) << "no close box on the caption";
        ScreenToClient(d.Form(), &hit);
        d.ClickClient(d.Form(), hit.x, hit.y);
        ASSERT_TRUE(d.WaitExit());
        EXPECT_EQ(before, ReadFileBytes(inst.cfg));
    }
    {
        // Under Wine a combo box swallows Alt+F4, so the focus goes to a button first.
        Installation inst("altf4");
        const std::string before = Config("1");
        WriteFileBytes(inst.cfg, before);
        DialogDriver d(inst);
        d.Key(VK_TAB);
        d.Key(VK_F4, VK_MENU);
        ASSERT_TRUE(d.WaitExit());
        EXPECT_EQ(before, ReadFileBytes(inst.cfg));
    }
}

} // namespace

namespace {

const char* const kSaveFailed = "The language could not be saved: language.cfg cannot be written.\r\n"
                                "Check that the file and its folder are not read-only, then try again.";

// A refused write is reported as such, never as a change that a restart will bring.
TEST(Dialog, ARefusedWriteIsReportedTruthfully) {
    {
        Installation inst("rofile");
        const std::string before = Config("0");
        WriteFileBytes(inst.cfg, before);
        ReadOnlyFile locked(inst.cfg);
        ASSERT_TRUE(locked.Active());
        DialogDriver d(inst);
        d.Key(VK_DOWN);
        d.Key(VK_RETURN);
        EXPECT_EQ(nullptr, d.WaitForBox("Information", 1000));
        AnswerNoticeAndExpectExit(d, "Language ....", kSaveFailed);
        EXPECT_EQ(before, ReadFileBytes(inst.cfg));
    }
    {
        // A folder that takes no new file: language.cfg cannot be created.
        Installation inst("rofolder");
        std::string folder = inst.folder.Path();
        folder.pop_back();
        ReadOnlyFile locked(folder);
        ASSERT_TRUE(locked.Active());
        DialogDriver d(inst);
        d.Key(VK_RETURN);
        AnswerNoticeAndExpectExit(d, "Language ....", kSaveFailed);
        EXPECT_FALSE(FileExists(inst.cfg));
    }
}

} // namespace
