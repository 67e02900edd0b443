// The one place where the toolkit meets the window system. The rest of the toolkit
// includes this header, never <windows.h> itself, so that the calls it relies on stay in
// view and a stand-in layer could replace them.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commctrl.h>

#include <cstdint>

namespace toolkit {
namespace platform {

// Window procedures are pointer-sized; these keep the toolkit free of the 32/64-bit
// spelling of the same calls (on 32-bit Windows they are SetWindowLongA and friends).
inline WNDPROC SetWindowProc(HWND window, WNDPROC proc) {
    return reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}
inline uint32_t GetWindowStyle(HWND window) { return static_cast<uint32_t>(GetWindowLongPtrA(window, GWL_STYLE)); }
inline uint32_t GetWindowExStyle(HWND window) {
    return static_cast<uint32_t>(GetWindowLongPtrA(window, GWL_EXSTYLE));
}
inline void SetWindowStyle(HWND window, uint32_t style) {
    SetWindowLongPtrA(window, GWL_STYLE, static_cast<LONG_PTR>(static_cast<LONG>(style)));
}
inline uint32_t GetClassStyle(HWND window) { return static_cast<uint32_t>(GetClassLongPtrA(window, GCL_STYLE)); }

// Window properties hold pointers; a HANDLE-typed value is how the system stores them.
template <typename T> T* GetPropPointer(HWND window, const char* name) {
    return static_cast<T*>(static_cast<void*>(GetPropA(window, name)));
}
inline void SetPropPointer(HWND window, const char* name, void* value) {
    SetPropA(window, name, static_cast<HANDLE>(value));
}

// A key's state as of the message being handled (GetKeyState), not as the keyboard is now
// (GetAsyncKeyState): keys typed ahead of the pump have long been released by then.
inline bool KeyIsDown(int virtualKey) {
    return GetKeyState(virtualKey) < 0;
}

inline int16_t LowWord(WPARAM value) { return static_cast<int16_t>(value & 0xFFFF); }
inline uint16_t HighWord(WPARAM value) { return static_cast<uint16_t>((value >> 16) & 0xFFFF); }

} // namespace platform
} // namespace toolkit
