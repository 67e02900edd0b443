// Colours, fonts and the canvas: a GraphicTool wraps one GDI font made only when needed;
// a control's background brush is cached and shared up the parent chain.
#pragma once

#include "toolkit/control.h"

namespace toolkit {

uint32_t ColorToRgb(Color color);

constexpr uint8_t kFontTool = 1;

using ToolMaker = GraphicTool* (*)();
using HandleMaker = void (*)(GraphicTool* tool);

class GraphicTool : public ToolkitObject {
  public:
    void Destroy() override;

    uint8_t ToolKind = 0;
    HGDIOBJ ToolHandle = nullptr;
    GraphicTool* ParentTool = nullptr; // not owned
    Event<void(GraphicTool* sender)> OnChange;
    uint32_t CachedRgb = 0;
    // Colour and font data form one 64-byte block, copied and compared as a whole.
    struct Block {
        Color ToolColor;
        LOGFONTA Data;
    } ColorAndData = {};
    ToolMaker MakeNew = nullptr;
    HandleMaker MakeHandle = nullptr;
};
static_assert(sizeof(GraphicTool::Block) == 64, "colour and LOGFONTA form one 64-byte block");

LOGFONTA DefaultFontData();
constexpr Color kDefaultFontColor = kClWindowText;

// Font style bits.
enum FontStyleBits : uint8_t { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };

GraphicTool* NewFont();
HGDIOBJ GetToolHandle(GraphicTool* tool);
void ToolChanged(GraphicTool* tool);
GraphicTool* AssignTool(GraphicTool* dest, const GraphicTool* src);
void SetToolField(GraphicTool* tool, int32_t byteIndex, int32_t value);
void SetFontName(GraphicTool* tool, const char* name);
void SetFontPitch(GraphicTool* tool, uint8_t pitch);
uint8_t FontStyle(const GraphicTool* tool);
void SetFontStyle(GraphicTool* tool, uint8_t style);

// Control side.
GraphicTool* Font(Control* control);
void SetBackColor(Control* control, Color color);
HBRUSH BackgroundBrush(Control* control);
void FontChanged(void* control, GraphicTool* sender);
void BrushChanged(void* control, GraphicTool* sender);
void ApplyFont(Control* control);
// Deletes the control's cached background brush (colour change, destruction).
void DropBackgroundBrush(Control* control);

// The canvas: a device context wrapper used to measure text in a control's font.
constexpr uint8_t kHandleValid = 1;
constexpr uint8_t kFontValid = 8;

class Canvas : public ToolkitObject {
  public:
    void Destroy() override;

    Control* Owner = nullptr; // not owned; null once the control let go of the canvas
    HDC DC = nullptr;
    HWND DCWindow = nullptr; // the window a DC of the owner's was taken from
    POINT PenPosition = {0, 0};
    GraphicTool* CanvasFont = nullptr; // owned
    uint8_t CanvasState = 0;
    Event<HDC(Canvas* canvas)> OnGetHandle;
};

HDC RequiredState(Canvas* canvas, uint8_t flags);
void SetCanvasHandle(Canvas* canvas, HDC dc);
HDC GetCanvasHandle(Canvas* canvas);
void DeselectTools(void* canvas, GraphicTool* sender);
void TextExtent(Canvas* canvas, const char* text, SIZE& size);
void TextArea(Canvas* canvas, const char* text, SIZE& size, POINT& origin);
Canvas* GetCanvas(Control* control);
// The control lets go of its canvas (a new font, its destruction): the canvas forgets it,
// and measures nothing from then on, should a measurement still be under way.
void DropCanvas(Control* control);
HDC ControlCanvasDC(void* control, Canvas* canvas);

// The form's second handler: paints the client area in the form's colour.
bool BackgroundEraser(Control* form, MessageRecord& msg, LRESULT& result);

} // namespace toolkit
