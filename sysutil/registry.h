// Read-only access to the registry: open a key, read a string value, close the key.
// Nothing here ever writes to the registry.
#pragma once

#include "sysutil/text.h"

#include <windows.h>

namespace sysutil {

// KEY_READ in this program's own registry view and, when the key is missing there, in the
// 64-bit view; 0 when the key cannot be opened.
HKEY OpenRegistryKeyForRead(HKEY root, const Text& path);
// The same for a key read for its value `name`: a key in our own view that lacks that value
// gives way to the 64-bit view's key too, when that one has it. A value present in our own
// view, of any type, decides alone.
HKEY OpenRegistryKeyWithValue(HKEY root, const Text& path, const Text& name);
// The text of a REG_SZ value up to its first zero byte (all of it when it has none).
// Any other type, a missing value, a failed read or key 0 give the empty text.
Text ReadRegistryText(HKEY key, const Text& name);
// Key 0 is accepted and ignored.
void CloseRegistryKey(HKEY key);
// Whether the key can be opened for reading; false for root 0 without asking.
bool RegistryKeyPresent(HKEY root, const Text& path);

} // namespace sysutil
