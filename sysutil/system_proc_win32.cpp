#include "sysutil/system_proc.h"

#include "sysutil/text.h"

namespace sysutil {
namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32, which the headers for the oldest supported system lack.
constexpr DWORD kSearchSystemFolderOnly = 0x00000800;

// kernel32 is loaded before any of the program's code runs: nothing is searched for here.
template <typename Proc> Proc KernelProc(const char* name) {
    return reinterpret_cast<Proc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

} // namespace

void* SystemProc(const char* library, const char* name) {
    // Loaded from the system folder by its full path: where the search could not be
    // narrowed (see below), a bare name would search the program's own folder first,
    // where anyone who can write there could plant a DLL.
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const Text path = EnsureTrailingBackslash(Text(folder, length)) + library;
    // Each load only counts up a reference after the first; the process ends soon anyway.
    const HMODULE module = LoadLibraryA(path.c_str());
    return module ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
}

void RestrictLibrarySearchToSystemFolder() {
    // Looked up, not imported: the program must still start where they do not exist.
    using SetDefaultDllDirectoriesProc = BOOL(WINAPI*)(DWORD);
    const auto searchOnly = KernelProc<SetDefaultDllDirectoriesProc>("SetDefaultDllDirectories");
    if (searchOnly && searchOnly(kSearchSystemFolderOnly))
        return;
    using SetDllDirectoryProc = BOOL(WINAPI*)(const wchar_t*);
    const auto setDirectory = KernelProc<SetDllDirectoryProc>("SetDllDirectoryW");
    if (setDirectory)
        setDirectory(L"");
}

} // namespace sysutil
