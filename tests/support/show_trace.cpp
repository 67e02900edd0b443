// Global window-procedure hooks, loaded by the system into every process with a GUI
// thread while a test has one installed.
//
// ShowTraceProc records every window that becomes visible on screen (WM_SHOWWINDOW shown,
// or a position change that shows it) in show_trace_<pid>.log in the temporary folder, so
// a test can prove that a process never showed a window, not even for a moment.
//
// PostNullProc posts a WM_NULL to a toolkit form when it is created and whenever it gets
// a command, as input methods and accessibility tools do: the WM_NULL then stands in the
// queue ahead of any close request that the creation or the command leads to.
#include <windows.h>

#include <cstdio>

extern "C" __declspec(dllexport) LRESULT CALLBACK ShowTraceProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0) {
        const auto* s = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        // A child made visible inside a hidden parent is not on screen: only windows that
        // are visible with all their ancestors count.
        const bool shown = ((s->message == WM_SHOWWINDOW && s->wParam) ||
                            (s->message == WM_WINDOWPOSCHANGED &&
                             (reinterpret_cast<const WINDOWPOS*>(s->lParam)->flags & SWP_SHOWWINDOW))) &&
                           IsWindowVisible(s->hwnd);
        if (shown) {
            char folder[MAX_PATH];
            GetTempPathA(MAX_PATH, folder);
            char path[MAX_PATH + 64];
            std::snprintf(path, sizeof path, "%sshow_trace_%lu.log", folder, GetCurrentProcessId());
            char cls[64] = {};
            GetClassNameA(s->hwnd, cls, sizeof cls);
            if (FILE* log = std::fopen(path, "a")) {
                std::fprintf(log, "%s 0x%x\n", cls, s->message);
                std::fclose(log);
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK PostNullProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0) {
        const auto* s = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (s->message == WM_CREATE || s->message == WM_COMMAND) {
            char cls[16] = {};
            GetClassNameA(s->hwnd, cls, sizeof cls);
            if (lstrcmpA(cls, "obj_Form") == 0)
                PostMessageA(s->hwnd, WM_NULL, 0, 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
