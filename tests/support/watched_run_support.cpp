#include "support/watched_run.h"

#include "support/win32_support.h"

namespace testsupport {

Started::Started(const std::string& commandLine, const Environment& environment) {
    for (const auto& variable : environment)
        SetEnvironmentVariableA(variable.first.c_str(), variable.second.c_str());
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string line = commandLine;
    ok_ = CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_) != 0;
    for (const auto& variable : environment)
        SetEnvironmentVariableA(variable.first.c_str(), nullptr);
}

Started::~Started() {
    if (!ok_)
        return;
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(pi_.hProcess, 99);
        WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
}

bool Started::Ended() const {
    return WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0;
}

bool Started::WaitExit(DWORD timeoutMs, DWORD* code) const {
    if (WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(pi_.hProcess, code);
    return true;
}

namespace {

BOOL CALLBACK CollectBox(HWND window, LPARAM param) {
    auto* found = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (pid == found->first && lstrcmpA(cls, "#32770") == 0)
        found->second.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> BoxesOf(DWORD processId) {
    std::pair<DWORD, std::vector<HWND>> found(processId, {});
    EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&found));
    return found.second;
}

std::string BoxMessage(HWND box) {
    std::string text;
    HWND child = nullptr;
    while ((child = FindWindowExA(box, child, "Static", nullptr)) != nullptr) {
        char buffer[512] = {};
        GetWindowTextA(child, buffer, sizeof buffer);
        if (std::string(buffer).size() > text.size())
            text = buffer;
    }
    return text;
}

std::string WindowCaption(HWND window) {
    char caption[256] = {};
    GetWindowTextA(window, caption, sizeof caption);
    return caption;
}

WatchedRun RunWatched(const std::string& commandLine, const Environment& environment,
                      const std::function<void(DWORD)>& poll, DWORD timeoutMs) {
    WatchedRun run;
    Started p(commandLine, environment);
    run.started = p.Ok();
    if (!run.started)
        return run;
    const DWORD start = GetTickCount();
    while (!p.WaitExit(10, &run.exitCode) && GetTickCount() - start < timeoutMs) {
        for (const HWND box : BoxesOf(p.Id())) {
            // The box exists a moment before its caption and message do.
            std::string text;
            WaitUntil([&] { return !(text = BoxMessage(box)).empty(); }, 3000);
            run.boxes.push_back(WindowCaption(box) + ": " + text);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            WaitUntil([&] { return !IsWindow(box); }, 3000);
        }
        if (poll)
            poll(p.Id());
    }
    run.exited = p.WaitExit(0, &run.exitCode);
    return run;
}

} // namespace testsupport
