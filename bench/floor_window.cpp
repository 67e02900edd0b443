// The floor for the dialog's start-up: a program that registers a class and shows one
// plain top-level window, the least any dialog has to do before it is seen.
#include <windows.h>

namespace {
LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "BenchFloor";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "BenchFloor", "Floor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 350, 190,
                                  nullptr, nullptr, instance, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    DestroyWindow(window);
    return 0;
}
