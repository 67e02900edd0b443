#include "support/dialog_driver.h"

#include "support/ui_support.h"

#include <gtest/gtest.h>

namespace testsupport {
namespace {

struct Search {
    DWORD processId;
    const char* className;
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[64] = {};
    char text[256] = {};
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, text, sizeof text);
    if ((s->processId == 0 || pid == s->processId) && (!s->className || lstrcmpiA(cls, s->className) == 0) &&
        (!s->caption || lstrcmpA(text, s->caption) == 0)) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindChild(HWND parent, const char* className, const char* caption) {
    Search s = {0, className, caption, nullptr};
    EnumChildWindows(parent, MatchWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

void SendKey(WORD vk, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

// The utility's command line, once the pointer is out of the way of the dialog to come.
std::string CommandWithThePointerParked(const std::string& exe, const std::string& arguments) {
    uitest::ParkPointer();
    return "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
}

} // namespace

HWND FindProcessWindow(DWORD processId, const char* className, const char* caption) {
    Search s = {processId, className, caption, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

void PressKeyForFocus(WORD vk) {
    SendKey(vk, false);
    SendKey(vk, true);
    Sleep(150);
}

DialogDriver::DialogDriver(const std::string& exe, const std::string& arguments)
    : process_(CommandWithThePointerParked(exe, arguments)) {
    if (!process_.Ok()) {
        ADD_FAILURE() << "cannot start " << exe;
        return;
    }
    WaitUntil([&] {
        form_ = FindProcessWindow(process_.Id(), "obj_Form", "Language ....");
        return form_ && IsWindowVisible(form_);
    });
    if (!form_)
        ADD_FAILURE() << "the dialog did not appear";
    else if (!Foreground())
        ADD_FAILURE() << "the dialog did not come to the foreground";
}

HWND DialogDriver::Combo() const {
    return FindChild(form_, "obj_COMBOBOX", nullptr);
}
HWND DialogDriver::Button(const char* caption) const {
    return FindChild(form_, "obj_BUTTON", caption);
}
HWND DialogDriver::Label() const {
    return FindChild(form_, "obj_STATIC", nullptr);
}

HWND DialogDriver::Focus() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(form_, nullptr), &info);
    return info.hwndFocus;
}

bool DialogDriver::Foreground() const {
    SetForegroundWindow(form_);
    return WaitUntil([&] { return GetForegroundWindow() == form_; }, 3000);
}

bool DialogDriver::InputGoesToTheUtility() const {
    return WaitUntil(
        [&] {
            DWORD owner = 0;
            GetWindowThreadProcessId(GetForegroundWindow(), &owner);
            return owner == process_.Id();
        },
        3000);
}

void DialogDriver::Key(WORD vk, WORD modifier) const {
    // Typed keys go to the foreground window: the dialog's, or a message box of the utility.
    if (!InputGoesToTheUtility())
        ADD_FAILURE() << "the utility is not in the foreground: the key would go elsewhere";
    if (modifier)
        SendKey(modifier, false);
    SendKey(vk, false);
    SendKey(vk, true);
    // Wine delivers input asynchronously; like a person, hold the modifier until the key
    // has been handled (the dialog reads Shift's state of the moment, not the message's).
    Sleep(150);
    if (modifier) {
        SendKey(modifier, true);
        Sleep(50);
    }
}

void DialogDriver::ClickClient(HWND window, int x, int y) const {
    POINT p = {x, y};
    ClientToScreen(window, &p);
    // A click goes to whatever window is at that point of the screen.
    if (!WaitUntil([&] { return WindowFromPoint(p) == window; }, 3000))
        ADD_FAILURE() << "another window covers the point to click: the click would go there";
    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[3] = {};
    input[0].type = INPUT_MOUSE;
    input[0].mi.dx = (p.x * 65535 + w / 2) / (w - 1);
    input[0].mi.dy = (p.y * 65535 + h / 2) / (h - 1);
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[1] = input[0];
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    input[2] = input[0];
    input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    SendInput(3, input, sizeof input[0]);
    Sleep(150);
}

HWND DialogDriver::WaitForBox(const char* caption, DWORD timeoutMs) const {
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindProcessWindow(process_.Id(), "#32770", caption)) != nullptr; },
              timeoutMs);
    return box;
}

std::string DialogDriver::BoxText(HWND box) const {
    std::string text;
    WaitUntil(
        [&] {
            HWND child = nullptr;
            while ((child = FindWindowExA(box, child, "Static", nullptr)) != nullptr) {
                char buffer[512] = {};
                GetWindowTextA(child, buffer, sizeof buffer);
                if (buffer[0]) {
                    text = buffer;
                    return true;
                }
            }
            return false;
        },
        3000);
    return text;
}

bool DialogDriver::DismissBoxAndWaitExit(const char* caption) const {
    HWND const box = WaitForBox(caption);
    if (!box)
        return false;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return WaitExit();
}

bool DialogDriver::WaitExit(DWORD timeoutMs, DWORD* exitCode) const {
    DWORD code = 0;
    if (!process_.WaitExit(timeoutMs, &code))
        return false;
    if (exitCode)
        *exitCode = code;
    return true;
}

} // namespace testsupport
