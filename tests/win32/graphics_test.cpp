// Fonts, colours, brushes and the measuring canvas, on real GDI objects and real windows.
#include "support/ui_support.h"
#include "toolkit/controls.h"
#include "toolkit/geometry.h"
#include "toolkit/graphics.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace toolkit;
using uitest::WindowFont;

namespace {

constexpr int32_t kHeightField = 4;
constexpr int32_t kWeightField = 20;

int32_t Weight(const GraphicTool* font) {
    return font->ColorAndData.Data.lfWeight;
}

LOGFONTA FontData(HGDIOBJ font) {
    LOGFONTA data = {};
    GetObjectA(font, sizeof data, &data);
    return data;
}

COLORREF BrushColor(HGDIOBJ brush) {
    LOGBRUSH data = {};
    GetObjectA(brush, sizeof data, &data);
    return data.lbColor;
}

bool IsLiveFont(HGDIOBJ object) {
    return object && GetObjectType(object) == OBJ_FONT;
}

// Records each notification of a tool and whether the object it had was still alive then.
struct ChangeLog {
    HGDIOBJ Watched = nullptr;
    std::vector<bool> WatchedAlive;
    static void Record(void* context, GraphicTool*) {
        ChangeLog* log = static_cast<ChangeLog*>(context);
        log->WatchedAlive.push_back(log->Watched && GetObjectType(log->Watched) != 0);
    }
};

// Sets the text and button-face system colours for the length of a test, then puts the old
// values back. The system stores a change at once and then broadcasts it to every window on
// the desktop, waiting up to seconds for each one that is busy (other test programs too).
// A helper thread makes the call, so that the test goes on as soon as the value is in place.
class SystemColorChange {
  public:
    SystemColorChange(COLORREF windowText, COLORREF buttonFace)
        : old_{GetSysColor(kIndices[0]), GetSysColor(kIndices[1])} {
        Apply(windowText, buttonFace); // SetSysColors works under Wine
    }
    ~SystemColorChange() { Apply(old_[0], old_[1]); }
    SystemColorChange(const SystemColorChange&) = delete;
    SystemColorChange& operator=(const SystemColorChange&) = delete;

  private:
    static constexpr INT kIndices[2] = {COLOR_WINDOWTEXT, COLOR_BTNFACE};
    struct Request {
        COLORREF Values[2];
    };
    static DWORD WINAPI SetColors(void* request) {
        SetSysColors(2, kIndices, static_cast<Request*>(request)->Values);
        delete static_cast<Request*>(request);
        return 0;
    }
    static void Apply(COLORREF windowText, COLORREF buttonFace) {
        HANDLE thread =
            CreateThread(nullptr, 0, SetColors, new Request{{windowText, buttonFace}}, 0, nullptr);
        // Our own windows are among those told, so keep pumping while waiting.
        EXPECT_TRUE(uitest::PumpUntil([&] {
            return GetSysColor(kIndices[0]) == windowText && GetSysColor(kIndices[1]) == buttonFace;
        }));
        CloseHandle(thread);
    }
    COLORREF old_[2];
};

// A colour no theme uses, so that a change is certain to be one.
COLORREF UnusualColor(int index) {
    return GetSysColor(index) == RGB(1, 2, 3) ? RGB(4, 5, 6) : RGB(1, 2, 3);
}

class FormTest : public ::testing::Test {
  protected:
    void SetUp() override { form = NewForm(nullptr, "graphics"); }
    void TearDown() override { Free(form); }
    Control* form = nullptr;
};

} // namespace

TEST(FontTool, NewFontHasTheDefaultDataAndMakesItsObjectOnlyWhenAsked) {
    GraphicTool* font = NewFont();
    EXPECT_EQ(kFontTool, font->ToolKind);
    EXPECT_EQ(0x80000008u, font->ColorAndData.ToolColor);
    EXPECT_STREQ("MS Sans Serif", font->ColorAndData.Data.lfFaceName);
    EXPECT_EQ(DEFAULT_CHARSET, font->ColorAndData.Data.lfCharSet);
    EXPECT_EQ(0, font->ColorAndData.Data.lfHeight);
    EXPECT_EQ(0, Weight(font));
    EXPECT_EQ(nullptr, font->ToolHandle);

    HGDIOBJ handle = GetToolHandle(font);
    EXPECT_TRUE(IsLiveFont(handle));
    EXPECT_EQ(handle, GetToolHandle(font)) << "made once, then kept";
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), font->CachedRgb);
    Free(font);
    EXPECT_EQ(0u, GetObjectType(handle)) << "destroying the tool deletes its object";
}

TEST(FontTool, BoldMeansWeight700AndClearingItGivesWeightZero) {
    GraphicTool* font = NewFont();
    SetToolField(font, kWeightField, 699);
    EXPECT_EQ(0, FontStyle(font) & Bold);
    SetToolField(font, kWeightField, 700);
    EXPECT_EQ(Bold, FontStyle(font));

    SetFontStyle(font, 0);
    EXPECT_EQ(0, Weight(font)) << "not 400";
    SetToolField(font, kWeightField, 600);
    SetFontStyle(font, Italic);
    EXPECT_EQ(600, Weight(font)) << "a weight below 700 stays when bold is off";
    EXPECT_EQ(Italic, FontStyle(font));
    SetFontStyle(font, Bold | Underline | StrikeOut);
    EXPECT_EQ(700, Weight(font));
    EXPECT_EQ(0, font->ColorAndData.Data.lfItalic);
    EXPECT_EQ(1, font->ColorAndData.Data.lfUnderline);
    EXPECT_EQ(1, font->ColorAndData.Data.lfStrikeOut);
    SetToolField(font, kWeightField, 900);
    SetFontStyle(font, Bold);
    EXPECT_EQ(900, Weight(font)) << "a weight already bold stays";

    // Only the lowest bit of the style bytes counts.
    font->ColorAndData.Data.lfItalic = 2;
    EXPECT_EQ(0, FontStyle(font) & Italic);
    Free(font);
}

TEST(FontTool, SettersThatStoreAnEqualValueKeepTheObjectAndNotifyNoOne) {
    GraphicTool* font = NewFont();
    ChangeLog log;
    font->OnChange.Set(ChangeLog::Record, &log);
    SetFontName(font, "Arial");
    SetToolField(font, kHeightField, -11);
    SetFontPitch(font, FIXED_PITCH);
    SetFontStyle(font, Bold);
    HGDIOBJ handle = GetToolHandle(font);
    log.WatchedAlive.clear();

    SetFontName(font, "Arial");
    SetToolField(font, kHeightField, -11);
    SetFontPitch(font, FIXED_PITCH);
    SetFontStyle(font, Bold);
    EXPECT_EQ(handle, font->ToolHandle);
    EXPECT_TRUE(log.WatchedAlive.empty());
    Free(font);
}

TEST(FontTool, OtherLetterCaseDropsTheObjectWithANotificationOnEachSideOfTheDeletion) {
    GraphicTool* font = NewFont();
    SetFontName(font, "Arial");
    HGDIOBJ handle = GetToolHandle(font);
    ChangeLog log;
    log.Watched = handle;
    font->OnChange.Set(ChangeLog::Record, &log);

    SetFontName(font, "ARIAL");
    EXPECT_EQ(nullptr, font->ToolHandle);
    EXPECT_EQ(0u, GetObjectType(handle));
    EXPECT_EQ((std::vector<bool>{true, false}), log.WatchedAlive);

    // Without an object to delete the owner hears of the change once.
    log.WatchedAlive.clear();
    SetToolField(font, kHeightField, -20);
    EXPECT_EQ(1u, log.WatchedAlive.size());
    Free(font);
}

TEST(FontTool, AFaceNameOfFortyCharactersIsStoredAsItsFirst31) {
    GraphicTool* font = NewFont();
    const std::string forty = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";
    ASSERT_EQ(40u, forty.size());
    std::memset(font->ColorAndData.Data.lfFaceName, 'x', sizeof font->ColorAndData.Data.lfFaceName);
    SetFontName(font, forty.c_str());
    EXPECT_EQ(forty.substr(0, 31), std::string(font->ColorAndData.Data.lfFaceName));
    EXPECT_EQ('\0', font->ColorAndData.Data.lfFaceName[31]);
    EXPECT_TRUE(IsLiveFont(GetToolHandle(font)));

    SetFontName(font, nullptr);
    EXPECT_STREQ("", font->ColorAndData.Data.lfFaceName) << "an absent name is the empty name";
    Free(font);
}

TEST(FontTool, SetToolFieldWritesTheLogfontFieldsByByteIndex) {
    GraphicTool* font = NewFont();
    SetToolField(font, 0, 0x00123456);
    SetToolField(font, 4, -11);
    SetToolField(font, 8, 5);
    SetToolField(font, 12, 900);
    SetToolField(font, 16, 450);
    SetToolField(font, 20, 300);
    const LOGFONTA data = FontData(GetToolHandle(font));
    EXPECT_EQ(0x00123456u, font->ColorAndData.ToolColor);
    EXPECT_EQ(-11, data.lfHeight);
    EXPECT_EQ(5, data.lfWidth);
    EXPECT_EQ(900, data.lfEscapement);
    EXPECT_EQ(450, data.lfOrientation);
    EXPECT_EQ(300, data.lfWeight);
    EXPECT_EQ(0x00123456u, font->CachedRgb);
    Free(font);
}

TEST(FontTool, AChildEqualToItsParentUsesTheParentsObjectUntilItsDataDiffers) {
    GraphicTool* parent = NewFont();
    SetFontName(parent, "Arial");
    SetToolField(parent, kHeightField, -11);
    GraphicTool* child = AssignTool(nullptr, parent);
    child->ParentTool = parent;

    HGDIOBJ shared = GetToolHandle(child);
    EXPECT_TRUE(IsLiveFont(shared));
    EXPECT_EQ(shared, parent->ToolHandle) << "the child made its parent's object";
    EXPECT_EQ(nullptr, child->ToolHandle);

    SetFontStyle(child, Bold);
    HGDIOBJ own = GetToolHandle(child);
    EXPECT_NE(shared, own);
    EXPECT_EQ(own, child->ToolHandle);
    EXPECT_EQ(700, FontData(own).lfWeight);
    EXPECT_EQ(shared, GetToolHandle(parent));
    Free(child);
    EXPECT_TRUE(IsLiveFont(shared)) << "freeing the child leaves the parent's object";
    Free(parent);
}

TEST(FontTool, AssignToolCopiesColourAndDataAndHandlesNullOnEitherSide) {
    GraphicTool* source = NewFont();
    SetFontName(source, "Arial");
    SetToolField(source, 0, 0x00FF00);
    SetFontStyle(source, Italic);
    int changes = 0;
    source->OnChange.Set([](void* c, GraphicTool*) { ++*static_cast<int*>(c); }, &changes);

    GraphicTool* copy = AssignTool(nullptr, source);
    ASSERT_NE(nullptr, copy);
    EXPECT_NE(source, copy);
    EXPECT_EQ(0, std::memcmp(&source->ColorAndData, &copy->ColorAndData, sizeof copy->ColorAndData));
    EXPECT_EQ(nullptr, copy->ParentTool);
    EXPECT_FALSE(copy->OnChange.IsSet()) << "the notification is not copied";
    EXPECT_EQ(copy, AssignTool(copy, copy));

    // Assigning over a tool with an object drops that object.
    GraphicTool* other = NewFont();
    HGDIOBJ old = GetToolHandle(other);
    EXPECT_EQ(other, AssignTool(other, source));
    EXPECT_EQ(0u, GetObjectType(old));
    EXPECT_STREQ("Arial", other->ColorAndData.Data.lfFaceName);

    const int32_t live = ToolkitObject::LiveCount();
    EXPECT_EQ(nullptr, AssignTool(copy, nullptr));
    EXPECT_EQ(live - 1, ToolkitObject::LiveCount()) << "a null source frees the destination";
    EXPECT_EQ(nullptr, AssignTool(nullptr, nullptr));
    EXPECT_EQ(0, changes);
    Free(other);
    Free(source);
}

TEST(Colors, ColorToRgbReadsTheLowByteOfASystemColour) {
    EXPECT_EQ(0x00F0CAA6u, ColorToRgb(0x00F0CAA6));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), ColorToRgb(kClBtnFace));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), ColorToRgb(0xFFFFFF05u)) << "bits 8 to 30 are ignored";
}

TEST_F(FormTest, FontsAndBrushesOfSystemColoursAreRemadeAfterTheColoursChange) {
    Control* label = NewLabel(form, "text");
    GraphicTool* font = Font(label);
    SetFontName(font, "Arial");
    HWND window = GetWindowHandle(label);
    HGDIOBJ fontBefore = GetToolHandle(font);
    ASSERT_EQ(fontBefore, WindowFont(window));
    HBRUSH brushBefore = BackgroundBrush(form);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), BrushColor(brushBefore));
    EXPECT_EQ(brushBefore, BackgroundBrush(form));

    const COLORREF text = UnusualColor(COLOR_WINDOWTEXT);
    const COLORREF face = UnusualColor(COLOR_BTNFACE);
    SystemColorChange change(text, face);
    ASSERT_EQ(text, GetSysColor(COLOR_WINDOWTEXT));

    HGDIOBJ fontAfter = GetToolHandle(font);
    EXPECT_NE(fontBefore, fontAfter);
    EXPECT_EQ(0u, GetObjectType(fontBefore));
    EXPECT_TRUE(IsLiveFont(fontAfter));
    EXPECT_EQ(text, font->CachedRgb);
    EXPECT_EQ(fontAfter, font->ToolHandle) << "the object made while the owner was told stays";
    EXPECT_EQ(fontAfter, WindowFont(window)) << "the window was handed the new object";
    EXPECT_EQ(fontAfter, GetToolHandle(font));

    HBRUSH brushAfter = BackgroundBrush(form);
    EXPECT_EQ(0u, GetObjectType(brushBefore));
    EXPECT_EQ(face, BrushColor(brushAfter));
}

TEST_F(FormTest, ChildrenOfTheFormsColourShareItsBrushUntilTheColoursPart) {
    SetBackColor(form, 0xF0CAA6);
    Control* label = NewLabel(form, "prompt");
    Control* button = NewButton(form, "OK");
    HBRUSH formBrush = BackgroundBrush(form);
    EXPECT_EQ(formBrush, BackgroundBrush(label));
    EXPECT_EQ(formBrush, BackgroundBrush(button));
    EXPECT_EQ(nullptr, label->BackgroundBrushHandle) << "cached on the form only";

    SetBackColor(form, 0x0000FF);
    EXPECT_EQ(0xF0CAA6u, label->BackColor) << "a child keeps its colour";
    EXPECT_EQ(0xF0CAA6u, BrushColor(BackgroundBrush(label)));
    EXPECT_EQ(0x0000FFu, BrushColor(BackgroundBrush(form)));
    EXPECT_EQ(label->BackgroundBrushHandle, BackgroundBrush(label)) << "now cached on the child";
    EXPECT_NE(BackgroundBrush(label), BackgroundBrush(button)) << "siblings do not share";
}

TEST_F(FormTest, TheFormPaintsItsBackgroundInItsColour) {
    SetBackColor(form, 0xF0CAA6);
    HWND window = GetWindowHandle(form);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 40);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    EXPECT_EQ(0xF0CAA6u, GetPixel(dc, 10, 10));
    EXPECT_EQ(0xF0CAA6u, GetBkColor(dc));
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST_F(FormTest, ReflectedColourRequestsAreAnsweredWithTheControlsColours) {
    SetBackColor(form, 0xF0CAA6);
    Control* label = NewLabel(form, "prompt");
    SetToolField(Font(label), 0, RGB(200, 0, 0));
    EXPECT_EQ(RGB(200, 0, 0), label->TextColor) << "the font's colour is the control's text colour";
    SetBackColor(label, RGB(0, 0, 200));
    Control* combo = NewComboBox(form, DropDownList);
    SetBackColor(combo, kClWindow);

    HDC dc = CreateCompatibleDC(nullptr);
    const LRESULT brush = SendMessageA(GetWindowHandle(form), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(GetWindowHandle(label)));
    EXPECT_EQ(reinterpret_cast<LRESULT>(BackgroundBrush(label)), brush);
    EXPECT_EQ(RGB(0, 0, 200), BrushColor(reinterpret_cast<HGDIOBJ>(brush)));
    EXPECT_EQ(RGB(200, 0, 0), GetTextColor(dc));
    EXPECT_EQ(RGB(0, 0, 200), GetBkColor(dc));
    EXPECT_EQ(OPAQUE, GetBkMode(dc));

    // The list of a combo box asks the combo box, which answers in its own colours.
    const LRESULT listBrush =
        SendMessageA(GetWindowHandle(combo), WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc), 0);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), BrushColor(reinterpret_cast<HGDIOBJ>(listBrush)));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), GetBkColor(dc));
    DeleteDC(dc);
}

TEST_F(FormTest, ChildrenShareTheFormsFontObjectUntilTheirOwnDataDiffers) {
    GraphicTool* formFont = Font(form);
    SetFontName(formFont, "Arial");
    SetToolField(formFont, kHeightField, -11);
    SetFontPitch(formFont, FIXED_PITCH);
    Control* label = NewLabel(form, "prompt");
    Control* button = NewButton(form, "OK");
    HGDIOBJ shared = GetToolHandle(formFont);
    EXPECT_EQ(shared, WindowFont(GetWindowHandle(label)));
    EXPECT_EQ(shared, WindowFont(GetWindowHandle(button)));

    SetFontStyle(Font(label), Bold);
    HFONT own = WindowFont(GetWindowHandle(label));
    EXPECT_NE(shared, own);
    EXPECT_EQ(700, FontData(own).lfWeight);
    EXPECT_STREQ("Arial", FontData(own).lfFaceName);
    EXPECT_EQ(shared, WindowFont(GetWindowHandle(button)));
}

// The form's object is deleted when its font changes; a child window that showed it must
// not be left holding a deleted object.
TEST_F(FormTest, ChildWindowsSharingTheFormsFontGetALiveFontWhenTheFormsFontChanges) {
    GraphicTool* formFont = Font(form);
    SetFontName(formFont, "Arial");
    Control* button = NewButton(form, "OK");
    HWND window = GetWindowHandle(button);
    HGDIOBJ shared = GetToolHandle(formFont);
    ASSERT_EQ(shared, WindowFont(window));

    SetFontStyle(formFont, Italic);
    EXPECT_EQ(0u, GetObjectType(shared));
    HFONT now = WindowFont(window);
    EXPECT_TRUE(IsLiveFont(now));
    EXPECT_STREQ("Arial", FontData(now).lfFaceName);
    EXPECT_EQ(0, FontData(now).lfItalic) << "the child keeps its own data";
}

SIZE ExtentInFont(HGDIOBJ font, const char* text) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
    SelectObject(dc, old);
    DeleteDC(dc);
    return size;
}

TEST_F(FormTest, TheCanvasMeasuresInTheControlsFontAndGivesItsDcBack) {
    Control* label = NewLabel(form, "");
    SetFontName(Font(label), "Arial");
    SetToolField(Font(label), kHeightField, -20);
    GetWindowHandle(label);
    Canvas* canvas = GetCanvas(label);
    EXPECT_EQ(canvas, GetCanvas(label));
    SIZE size = {};
    POINT origin = {5, 5};
    TextArea(canvas, "Language", size, origin);
    EXPECT_EQ(0, origin.x);
    EXPECT_EQ(0, origin.y);
    EXPECT_EQ(nullptr, canvas->DC);
    EXPECT_EQ(0, canvas->CanvasState);
    const SIZE expected = ExtentInFont(GetToolHandle(Font(label)), "Language");
    EXPECT_EQ(expected.cx, size.cx);
    EXPECT_EQ(expected.cy, size.cy);
    EXPECT_GE(size.cy, 20) << "measured in the 20-pixel font, not the system font";

    SIZE empty = {9, 9};
    TextExtent(canvas, nullptr, empty);
    EXPECT_EQ(0, empty.cx);

    // Applying the font again drops the canvas: the next one measures with the new font.
    SetToolField(Font(label), kHeightField, -30);
    EXPECT_EQ(nullptr, label->ControlCanvas);
}

// Asking the owner for a DC makes its window, and making the window applies the font,
// which frees the canvas in the middle of the measurement.
TEST_F(FormTest, MeasuringBeforeTheWindowExistsSurvivesTheCanvasBeingDropped) {
    Control* label = NewLabel(form, "");
    SetFontName(Font(label), "Arial");
    SetToolField(Font(label), kHeightField, -20);
    const int32_t objectsBefore = ToolkitObject::LiveCount();
    SIZE size = {};
    TextExtent(GetCanvas(label), "Language", size);
    EXPECT_NE(nullptr, label->Handle);
    EXPECT_EQ(nullptr, label->ControlCanvas);
    EXPECT_EQ(objectsBefore, ToolkitObject::LiveCount()) << "the dropped canvas is gone afterwards";
    EXPECT_EQ(ExtentInFont(GetToolHandle(Font(label)), "Language").cx, size.cx);
}

TEST(Canvas, WithoutAnyDcItMeasuresOnAMemoryDc) {
    Canvas* canvas = NewObject<Canvas>();
    SIZE size = {};
    TextExtent(canvas, "abc", size);
    EXPECT_GT(size.cx, 0);
    EXPECT_GT(size.cy, 0);
    EXPECT_EQ(nullptr, canvas->DC);
    Free(canvas);
}

TEST_F(FormTest, AThousandFontAndColourChangesOnALiveControlLeaveNoGdiObjectBehind) {
    Control* label = NewLabel(form, "Please select language:");
    SetAutoSize(label, true);
    HWND window = GetWindowHandle(label);
    HDC dc = CreateCompatibleDC(nullptr);
    auto change = [&](int i) {
        GraphicTool* font = Font(label);
        SetFontStyle(font, (i & 1) ? Bold : Italic);
        SetFontName(font, (i & 2) ? "Arial" : "Courier New");
        SetToolField(font, 0, (i & 4) ? RGB(i & 0xFF, 0, 0) : kClWindowText);
        SetBackColor(label, (i & 1) ? RGB(0, i & 0xFF, 0) : kClBtnFace);
        SetBackColor(form, (i & 2) ? RGB(0, 0, i & 0xFF) : kClBtnFace);
        SendMessageA(GetWindowHandle(form), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(window));
        SendMessageA(GetWindowHandle(form), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        UpdateWindow(window);
    };
    change(0); // caches and stock objects exist from here on
    const DWORD gdiBefore = uitest::GdiObjectCount();
    const int32_t objectsBefore = ToolkitObject::LiveCount();
    ASSERT_GT(gdiBefore, 0u);
    for (int i = 1; i <= 1000; ++i)
        change(i);
    change(0);
    uitest::PumpMessages();
    EXPECT_EQ(gdiBefore, uitest::GdiObjectCount());
    EXPECT_EQ(objectsBefore, ToolkitObject::LiveCount());
    DeleteDC(dc);
}

TEST(FormLifetime, FreeingAFormReleasesItsFontsBrushesAndCanvases) {
    const DWORD gdiBefore = uitest::GdiObjectCount();
    const int32_t objectsBefore = ToolkitObject::LiveCount();
    Control* form = NewForm(nullptr, "lifetime");
    SetFontName(Font(form), "Arial");
    SetBackColor(form, 0xF0CAA6);
    Control* label = NewLabel(form, "prompt");
    SetAutoSize(label, true);
    SetFontStyle(Font(label), Bold);
    Control* combo = NewComboBox(form, DropDownList);
    SetBackColor(combo, kClWindow);
    BackgroundBrush(combo);
    BackgroundBrush(label);
    GetCanvas(label);
    Free(form);
    uitest::PumpMessages();
    EXPECT_EQ(objectsBefore, ToolkitObject::LiveCount());
    EXPECT_EQ(gdiBefore, uitest::GdiObjectCount());
}
