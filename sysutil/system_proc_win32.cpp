#include "sysutil/system_proc.h"

#include "sysutil/text.h"

namespace sysutil {

void* SystemProc(const char* library, const char* name) {
    // Loaded from the system folder by its full path: a bare name would search the
    // program's own folder first, where anyone who can write there could plant a DLL.
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const Text path = EnsureTrailingBackslash(Text(folder, length)) + library;
    // Each load only counts up a reference after the first; the process ends soon anyway.
    const HMODULE module = LoadLibraryA(path.c_str());
    return module ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
}

} // namespace sysutil
