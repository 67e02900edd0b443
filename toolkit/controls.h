// The standard child controls on system classes: push button, label and combo box.
#pragma once

#include "toolkit/control.h"

namespace toolkit {

// Combo box options, bit by bit; each maps to a style, NoAutoHScroll inverted.
enum ComboOption : uint16_t {
    DropDownList = 1 << 0,
    NoAutoHScroll = 1 << 1,
    DisableNoScroll = 1 << 2,
    LowerCase = 1 << 3,
    NoIntegralHeight = 1 << 4,
    OemConvert = 1 << 5,
    Sort = 1 << 6,
    UpperCase = 1 << 7,
    OwnerDrawFixed = 1 << 8,
    OwnerDrawVariable = 1 << 9,
    Simple = 1 << 10,
};
using ComboOptions = uint16_t;

uint32_t ComboStyleFromOptions(ComboOptions options);

Control* NewButton(Control* parent, const char* caption);
Control* NewLabel(Control* parent, const char* caption);
Control* NewComboBox(Control* parent, ComboOptions options);

void Click(Control* control);
void Clear(Control* control);
int32_t ItemCount(Control* control);
int32_t AddItem(Control* control, const char* text);
int32_t CurIndex(Control* control);
void SetCurIndex(Control* control, int32_t index);
void SetItemSelected(Control* control, int32_t index, bool selected);

// Attached by NewChildControl to every child control, and by NewComboBox after it.
bool ControlHandler(Control* control, MessageRecord& msg, LRESULT& result);
bool ComboHandler(Control* control, MessageRecord& msg, LRESULT& result);
void ComboDropDown(Control* combo);

// The private notification code under which a combo box's selection change comes back.
constexpr uint16_t kComboSelChangeCode = 15;

} // namespace toolkit
