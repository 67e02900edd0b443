// Dialog keyboard handling for plain top-level forms: Tab and Shift+Tab between tab stops,
// Enter and Esc pressing the form's default and cancel buttons.
#pragma once

#include "toolkit/control.h"

namespace toolkit {

Control* EnableTabKeys(Control* control);
bool TabKeyHandler(Control* control, uint8_t key, bool checkOnly);
PointerList* TabOrderList(Control* form); // the caller frees the list
void MoveFocus(Control* form, int32_t direction); // 0 forward, -1 backward
bool ActuallyVisible(Control* control);
void SetFocused(Control* control, bool focused);
void SetDefaultOrCancel(Control* button, uint8_t key, bool on);
bool DialogKeysHook(void* app, MessageRecord& msg, LRESULT& result);

} // namespace toolkit
