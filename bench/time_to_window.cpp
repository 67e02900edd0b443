// Measures, inside the window system, the time from starting a program to its window
// being visible: time_to_window <runs> <class> <caption> <command line>. Closes the window
// after each run and prints one time in milliseconds per line. A program that shows no
// window within 20 s, or is still there 10 s after its window was closed, is ended, and
// the measurement fails with a message.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr DWORD kShowLimitMs = 20000;
constexpr DWORD kEndLimitMs = 10000;

int Stop(const PROCESS_INFORMATION& pi, const char* what, int code) {
    std::fprintf(stderr, "time_to_window: %s; ended\n", what);
    TerminateProcess(pi.hProcess, 99);
    WaitForSingleObject(pi.hProcess, 5000);
    return code;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5)
        return 2;
    const int runs = std::atoi(argv[1]);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    for (int i = 0; i < runs; ++i) {
        std::string line = argv[4];
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        LARGE_INTEGER start, now;
        QueryPerformanceCounter(&start);
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return 3;
        HWND window = nullptr;
        for (;;) {
            window = FindWindowA(argv[2], argv[3]);
            if (window && IsWindowVisible(window))
                break;
            if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0)
                return 4;
            QueryPerformanceCounter(&now);
            if (now.QuadPart - start.QuadPart > frequency.QuadPart * kShowLimitMs / 1000)
                return Stop(pi, "no window within 20 s", 5);
            Sleep(1);
        }
        QueryPerformanceCounter(&now);
        std::printf("%.2f\n", 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                                  static_cast<double>(frequency.QuadPart));
        std::fflush(stdout);
        PostMessageA(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi.hProcess, kEndLimitMs) != WAIT_OBJECT_0)
            return Stop(pi, "still running 10 s after its window was closed", 6);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        Sleep(50);
    }
    return 0;
}
