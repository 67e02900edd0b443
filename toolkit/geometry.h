// Geometry and placement: a cached bounds rectangle valid before the window exists and
// re-read from it afterwards; client size, centring, the size lock, stay-on-top, autosize.
#pragma once

#include "toolkit/control.h"

namespace toolkit {

// The operations that make the control's window (the client area, centring, the size lock,
// autosize) stop when a handler frees the control while it is made; those that return the
// control for chaining then return null.
void GetBoundsRect(Control* control, RECT& r);
void SetBoundsRect(Control* control, const RECT& r);
int32_t Left(Control* control);
int32_t Top(Control* control);
int32_t Width(Control* control);
int32_t Height(Control* control);
void SetLeft(Control* control, int32_t value);
void SetTop(Control* control, int32_t value);
void SetWidth(Control* control, int32_t value);
void SetHeight(Control* control, int32_t value);
Control* SetPosition(Control* control, int32_t x, int32_t y);
Control* SetSize(Control* control, int32_t width, int32_t height); // 0 or less keeps that dimension
void ClientRect(Control* control, RECT& r);
int32_t ClientWidth(Control* control);
int32_t ClientHeight(Control* control);
void SetClientWidth(Control* control, int32_t value);
void SetClientHeight(Control* control, int32_t value);
Control* SetClientSize(Control* control, int32_t width, int32_t height);
Control* CenterOnParent(Control* control);
bool CanResize(Control* control);
void SetCanResize(Control* control, bool value);
bool StayOnTop(Control* control);
void SetStayOnTop(Control* control, bool value);
void ReadBackStyles(Control* control);
void Invalidate(Control* control);
Control* SetAutoSize(Control* control, bool value);
void AutoSizeToText(Control* control);

} // namespace toolkit
