// Colours, fonts, the background brush and the measuring canvas.
#include "toolkit/graphics.h"

#include "sysutil/text.h"
#include "toolkit/geometry.h"

#include <cstring>

namespace toolkit {
namespace {

constexpr size_t kFaceNameSize = sizeof(LOGFONTA::lfFaceName);

// Stock objects put back into a canvas's DC before its own font is deleted.
HGDIOBJ g_stockBlackPen = nullptr;
HGDIOBJ g_stockNullBrush = nullptr;
HGDIOBJ g_stockSystemFont = nullptr;

void FetchStockObjects() {
    if (g_stockBlackPen)
        return;
    g_stockBlackPen = GetStockObject(BLACK_PEN);
    g_stockNullBrush = GetStockObject(NULL_BRUSH);
    g_stockSystemFont = GetStockObject(SYSTEM_FONT);
}

void MakeFontHandle(GraphicTool* tool) {
    tool->ToolHandle = CreateFontIndirectA(&tool->ColorAndData.Data);
}

bool SameBlock(const GraphicTool* a, const GraphicTool* b) {
    return std::memcmp(&a->ColorAndData, &b->ColorAndData, sizeof a->ColorAndData) == 0;
}

// The face name as stored: up to the first NUL, at most the whole field.
size_t FaceNameLength(const LOGFONTA& data) {
    size_t n = 0;
    while (n < kFaceNameSize && data.lfFaceName[n] != '\0')
        ++n;
    return n;
}

// A window that shows its parent's font object must be handed a live one before that
// object is deleted: children whose font still shares their parent's GDI object get the
// font applied again, which makes their own object when their data no longer matches.
//
// Applying a font may run the child's handlers (autosize makes its window), which may free
// the child or this control. The caller holds this control.
void ReapplySharedFonts(Control* control) {
    for (int32_t i = 0; control->Children && control->Font && i < control->Children->Count; ++i) {
        Control* const child = control->Children->ItemAs<Control>(i);
        if (!child->Font || child->Font->ParentTool != control->Font || child->Font->ToolHandle)
            continue;
        Hold hold(child);
        ApplyFont(child);
        if (!hold.EndDestroys())
            ReapplySharedFonts(child);
        if (!hold.End())
            --i; // it took itself off the list, and the next one moved up
    }
}

} // namespace

uint32_t ColorToRgb(Color color) {
    if (static_cast<int32_t>(color) < 0)
        return GetSysColor(static_cast<int>(color & 0xFF));
    return color;
}

void GraphicTool::Destroy() {
    if (ToolHandle)
        DeleteObject(ToolHandle);
    ToolHandle = nullptr;
    ToolkitObject::Destroy();
}

LOGFONTA DefaultFontData() {
    LOGFONTA data;
    std::memset(&data, 0, sizeof data);
    data.lfCharSet = DEFAULT_CHARSET;
    sysutil::CStringCopy(data.lfFaceName, "MS Sans Serif");
    return data;
}

GraphicTool* NewFont() {
    GraphicTool* font = NewObject<GraphicTool>();
    font->ToolKind = kFontTool;
    font->ColorAndData.ToolColor = kDefaultFontColor;
    font->ColorAndData.Data = DefaultFontData();
    font->MakeNew = NewFont;
    font->MakeHandle = MakeFontHandle;
    return font;
}

HGDIOBJ GetToolHandle(GraphicTool* tool) {
    if (!tool)
        return nullptr;
    for (;;) {
        // A system colour changed since the object was made: drop it and tell the owner,
        // who may ask again at once and so gets a fresh object made with the new colour.
        if (tool->ToolHandle && ColorToRgb(tool->ColorAndData.ToolColor) != tool->CachedRgb)
            ToolChanged(tool);
        if (tool->ToolHandle)
            return tool->ToolHandle;
        if (tool->ParentTool && SameBlock(tool, tool->ParentTool)) {
            tool = tool->ParentTool;
            continue;
        }
        tool->CachedRgb = ColorToRgb(tool->ColorAndData.ToolColor);
        tool->MakeHandle(tool);
        return tool->ToolHandle;
    }
}

void ToolChanged(GraphicTool* tool) {
    // The owner's handlers may free the owner and the tool with it: held, the tool goes when
    // this is over, and its owner is not told again.
    Hold hold(tool);
    HGDIOBJ old = tool->ToolHandle;
    tool->ToolHandle = nullptr;
    if (tool->OnChange.IsSet())
        tool->OnChange(tool);
    if (!old)
        return;
    // Twice around the deletion: a canvas puts its stock objects back first, and the owner
    // is told again once the old object is gone.
    DeleteObject(old);
    if (!hold.EndDestroys() && tool->OnChange.IsSet())
        tool->OnChange(tool);
}

GraphicTool* AssignTool(GraphicTool* dest, const GraphicTool* src) {
    if (!src) {
        Free(dest);
        return nullptr;
    }
    if (!dest)
        dest = src->MakeNew();
    if (dest == src)
        return dest;
    if (dest->ToolHandle && dest->ToolHandle == src->ToolHandle)
        return dest;
    ToolChanged(dest);
    dest->ColorAndData = src->ColorAndData;
    ToolChanged(dest);
    return dest;
}

void SetToolField(GraphicTool* tool, int32_t byteIndex, int32_t value) {
    if (byteIndex < 0 || byteIndex > 20 || byteIndex % 4 != 0)
        return;
    unsigned char* field = reinterpret_cast<unsigned char*>(&tool->ColorAndData) + byteIndex;
    int32_t current;
    std::memcpy(&current, field, sizeof current);
    if (current == value)
        return;
    std::memcpy(field, &value, sizeof value);
    ToolChanged(tool);
}

void SetFontName(GraphicTool* tool, const char* name) {
    LOGFONTA& data = tool->ColorAndData.Data;
    const size_t currentLength = FaceNameLength(data);
    const size_t newLength = sysutil::CStringLength(name);
    if (currentLength == newLength && std::memcmp(data.lfFaceName, name ? name : "", newLength) == 0)
        return;
    std::memset(data.lfFaceName, 0, kFaceNameSize);
    std::memcpy(data.lfFaceName, name ? name : "", newLength < kFaceNameSize ? newLength : kFaceNameSize - 1);
    ToolChanged(tool);
}

void SetFontPitch(GraphicTool* tool, uint8_t pitch) {
    if (tool->ColorAndData.Data.lfPitchAndFamily == pitch)
        return;
    tool->ColorAndData.Data.lfPitchAndFamily = pitch;
    ToolChanged(tool);
}

uint8_t FontStyle(const GraphicTool* tool) {
    const LOGFONTA& data = tool->ColorAndData.Data;
    uint8_t style = 0;
    if (data.lfWeight >= FW_BOLD)
        style |= Bold;
    if (data.lfItalic & 1)
        style |= Italic;
    if (data.lfUnderline & 1)
        style |= Underline;
    if (data.lfStrikeOut & 1)
        style |= StrikeOut;
    return style;
}

void SetFontStyle(GraphicTool* tool, uint8_t style) {
    if (style == FontStyle(tool))
        return;
    LOGFONTA& data = tool->ColorAndData.Data;
    // Only a weight on the wrong side of 700 moves: up to 700, or down to "don't care".
    if ((style & Bold) && data.lfWeight < FW_BOLD)
        data.lfWeight = FW_BOLD;
    else if (!(style & Bold) && data.lfWeight >= FW_BOLD)
        data.lfWeight = FW_DONTCARE;
    data.lfItalic = (style & Italic) ? 1 : 0;
    data.lfUnderline = (style & Underline) ? 1 : 0;
    data.lfStrikeOut = (style & StrikeOut) ? 1 : 0;
    ToolChanged(tool);
}

GraphicTool* Font(Control* control) {
    if (!control->Font) {
        GraphicTool* font = NewFont();
        font->ColorAndData.ToolColor = control->TextColor;
        font->OnChange.Set(FontChanged, control);
        control->Font = font;
    }
    return control->Font;
}

void DropBackgroundBrush(Control* control) {
    if (control->BackgroundBrushHandle)
        DeleteObject(control->BackgroundBrushHandle);
    control->BackgroundBrushHandle = nullptr;
}

void SetBackColor(Control* control, Color color) {
    if (control->BackColor == color)
        return;
    control->BackColor = color;
    DropBackgroundBrush(control);
    Invalidate(control);
}

HBRUSH BackgroundBrush(Control* control) {
    // Children of the same colour share the brush of the topmost such ancestor.
    while (control->Parent && control->Parent->BackColor == control->BackColor)
        control = control->Parent;
    const uint32_t rgb = ColorToRgb(control->BackColor);
    if (control->BackgroundBrushHandle && rgb != control->BackgroundBrushRgb)
        DropBackgroundBrush(control);
    if (!control->BackgroundBrushHandle) {
        control->BackgroundBrushRgb = rgb;
        control->BackgroundBrushHandle = CreateSolidBrush(rgb);
    }
    return control->BackgroundBrushHandle;
}

void FontChanged(void* context, GraphicTool* sender) {
    Control* control = static_cast<Control*>(context);
    // Applying the font may make the window (autosize), whose handlers may free the control.
    Hold hold(control);
    control->TextColor = sender->ColorAndData.ToolColor;
    ApplyFont(control);
    if (hold.EndDestroys())
        return;
    Invalidate(control);
    ReapplySharedFonts(control);
}

void BrushChanged(void* context, GraphicTool* sender) {
    Control* control = static_cast<Control*>(context);
    control->BackColor = sender->ColorAndData.ToolColor;
    DropBackgroundBrush(control);
    Invalidate(control);
}

void ApplyFont(Control* control) {
    if (!control->Font)
        return;
    if (control->Handle) {
        control->TextColor = control->Font->ColorAndData.ToolColor;
        SendMessageA(control->Handle, WM_SETFONT, reinterpret_cast<WPARAM>(GetToolHandle(control->Font)),
                     0xFFFF);
    }
    // The canvas measured with the old font; the next measurement makes a new one.
    DropCanvas(control);
    if (control->AfterTextChange)
        control->AfterTextChange(control);
}

void Canvas::Destroy() {
    SetCanvasHandle(this, nullptr);
    Free(CanvasFont);
    CanvasFont = nullptr;
    ToolkitObject::Destroy();
}

HDC RequiredState(Canvas* canvas, uint8_t flags) {
    if ((flags & kHandleValid) && !GetCanvasHandle(canvas))
        return nullptr;
    if ((flags & kFontValid) && !(canvas->CanvasState & kFontValid)) {
        if (canvas->CanvasFont) {
            GraphicTool* font = canvas->CanvasFont;
            const uint32_t rgb = ColorToRgb(font->ColorAndData.ToolColor);
            HGDIOBJ handle = GetToolHandle(font);
            font->OnChange.Set(DeselectTools, canvas);
            SelectObject(canvas->DC, handle);
            SetTextColor(canvas->DC, rgb);
        } else if (canvas->Owner) {
            SetTextColor(canvas->DC, ColorToRgb(canvas->Owner->TextColor));
        }
        canvas->CanvasState |= kFontValid;
    }
    return canvas->DC;
}

void SetCanvasHandle(Canvas* canvas, HDC dc) {
    if (dc == canvas->DC)
        return;
    if (canvas->DC) {
        DeselectTools(canvas, nullptr);
        // A memory DC stands in when the owner's window gave none; it is deleted, not released.
        const bool fromWindow =
            canvas->OnGetHandle.proc == ControlCanvasDC && GetObjectType(canvas->DC) != OBJ_MEMDC;
        if (fromWindow)
            ReleaseDC(canvas->DCWindow, canvas->DC);
        else
            DeleteDC(canvas->DC);
        canvas->DC = nullptr;
        canvas->DCWindow = nullptr;
        canvas->CanvasState &= static_cast<uint8_t>(~kHandleValid);
    }
    if (dc) {
        canvas->CanvasState |= kHandleValid;
        canvas->DC = dc;
        MoveToEx(dc, canvas->PenPosition.x, canvas->PenPosition.y, nullptr);
    }
}

HDC GetCanvasHandle(Canvas* canvas) {
    if (!canvas->OnGetHandle.IsSet())
        return canvas->DC;
    HDC dc = canvas->OnGetHandle(canvas);
    SetCanvasHandle(canvas, dc);
    return dc;
}

void DeselectTools(void* context, GraphicTool*) {
    Canvas* canvas = static_cast<Canvas*>(context);
    if (!canvas->DC || !(canvas->CanvasState & kFontValid))
        return;
    FetchStockObjects();
    SelectObject(canvas->DC, g_stockSystemFont);
    SelectObject(canvas->DC, g_stockNullBrush);
    SelectObject(canvas->DC, g_stockBlackPen);
    canvas->CanvasState &= static_cast<uint8_t>(~kFontValid);
}

void TextExtent(Canvas* canvas, const char* text, SIZE& size) {
    const int n = static_cast<int>(sysutil::CStringLength(text));
    constexpr uint8_t kReady = kHandleValid | kFontValid;
    size = SIZE{0, 0};
    // Getting the owner's DC may make its window, which applies its font and so frees this
    // canvas: held, it goes when the measurement is over.
    Hold hold(canvas);
    HDC dc = RequiredState(canvas, kReady);
    // A control's canvas that its control let go of, without a window to measure in, has
    // nothing to measure for: no stand-in DC then.
    const bool forgotten = canvas->OnGetHandle.proc == ControlCanvasDC && !canvas->Owner;
    if (!dc && !forgotten) {
        SetCanvasHandle(canvas, CreateCompatibleDC(nullptr));
        dc = RequiredState(canvas, kReady);
    }
    if (dc)
        GetTextExtentPoint32A(dc, text ? text : "", n, &size);
    // Every measurement gives its DC back.
    SetCanvasHandle(canvas, nullptr);
}

void TextArea(Canvas* canvas, const char* text, SIZE& size, POINT& origin) {
    TextExtent(canvas, text, size);
    origin.x = 0;
    origin.y = 0;
}

Canvas* GetCanvas(Control* control) {
    if (control->ControlCanvas)
        return control->ControlCanvas;
    Canvas* canvas = NewObject<Canvas>();
    canvas->Owner = control;
    canvas->OnGetHandle.Set(ControlCanvasDC, control);
    if (control->Font)
        canvas->CanvasFont = AssignTool(nullptr, control->Font);
    control->ControlCanvas = canvas;
    return canvas;
}

void DropCanvas(Control* control) {
    Canvas* const canvas = control->ControlCanvas;
    control->ControlCanvas = nullptr;
    if (!canvas)
        return;
    canvas->Owner = nullptr;
    canvas->OnGetHandle.context = nullptr;
    Free(canvas);
}

HDC ControlCanvasDC(void*, Canvas* canvas) {
    if (canvas->DC)
        return canvas->DC;
    Control* const owner = canvas->Owner;
    if (!owner)
        return nullptr; // its control let go of it: it measures nothing
    // Making the window may apply the font or free the control, and either lets go of this
    // canvas. A window made is the control's, which lives; else the DC is the screen's.
    HWND const window = GetWindowHandle(owner);
    if (!window && !canvas->Owner)
        return nullptr;
    canvas->DCWindow = window;
    return GetDC(window);
}

bool BackgroundEraser(Control* form, MessageRecord& msg, LRESULT&) {
    if (msg.Message != WM_ERASEBKGND)
        return false;
    CreateChildWindows(form);
    HDC dc = reinterpret_cast<HDC>(msg.WParam);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, ColorToRgb(form->BackColor));
    SetBrushOrgEx(dc, 0, 0, nullptr);
    RECT client;
    GetClientRect(form->Handle, &client);
    FillRect(dc, &client, BackgroundBrush(form));
    // Not handled: the default processing follows and gives the result.
    return false;
}

} // namespace toolkit
