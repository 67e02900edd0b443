#include "support/ui_support.h"

#include "toolkit/geometry.h"

#include <winternl.h>

#include <vector>

namespace uitest {

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (condition())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool PumpUntilSignalled(HANDLE object, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        const DWORD waited = GetTickCount() - start;
        if (waited >= timeoutMs)
            return WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
        // The queue is empty now, so this wakes for the object or for whatever comes next.
        if (MsgWaitForMultipleObjects(1, &object, FALSE, timeoutMs - waited, QS_ALLINPUT) == WAIT_OBJECT_0)
            return true;
    }
}

namespace {

bool IsKeyMessage(UINT message) {
    return message >= WM_KEYFIRST && message <= WM_KEYLAST;
}

// Pumps until a key message for `key` of the given direction has been dispatched.
bool PumpUntilKeyDispatched(WORD key, bool up, DWORD timeoutMs = 3000) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (IsKeyMessage(msg.message) && msg.wParam == key) {
                const bool isUp = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
                if (isUp == up)
                    return true;
            }
        }
        if (GetTickCount() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

} // namespace

bool SendKeys(std::initializer_list<KeyEvent> events) {
    std::vector<INPUT> inputs;
    for (const KeyEvent& e : events) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = e.Key;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(e.Key, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = e.Up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    }
    if (inputs.empty())
        return true;
    if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
        return false;
    const KeyEvent& last = *(events.end() - 1);
    return PumpUntilKeyDispatched(last.Key, last.Up);
}

bool PressKey(WORD key) {
    return SendKeys({{key, false}, {key, true}});
}

bool ShowInForeground(toolkit::Control* form) {
    HWND window = toolkit::GetWindowHandle(form);
    // As the loop does when it starts: the child windows are made and what waits is shown.
    form->CreateWindowHandle();
    if (!IsWindowVisible(window))
        toolkit::SetVisible(form, true);
    SetForegroundWindow(window);
    return PumpUntil([window] { return GetForegroundWindow() == window && GetActiveWindow() == window; });
}

void ParkPointer() {
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
}

void NotifyCounter::Attach(toolkit::NotifyEvent& event) {
    event.Set(
        [](void* context, toolkit::Control* sender) {
            NotifyCounter* counter = static_cast<NotifyCounter*>(context);
            ++counter->Calls;
            counter->LastSender = sender;
        },
        this);
}

DWORD GdiObjectCount() {
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0)
        return reported;
        // Wine keeps one handle table per process, its address in the PEB as on Windows. An
        // entry is 24 bytes; a non-zero type byte at offset 14 marks a live object.
#ifdef _WIN64
    const size_t tableOffset = 0xF8;
#else
    const size_t tableOffset = 0x94;
#endif
    const unsigned char* peb =
        reinterpret_cast<const unsigned char*>(NtCurrentTeb()->ProcessEnvironmentBlock);
    const unsigned char* table = *reinterpret_cast<const unsigned char* const*>(peb + tableOffset);
    if (!table)
        return 0;
    constexpr size_t kEntrySize = 24;
    constexpr size_t kTypeOffset = 14;
    constexpr size_t kEntries = 0x10000;
    DWORD live = 0;
    for (size_t i = 0; i < kEntries; ++i) {
        if (table[i * kEntrySize + kTypeOffset] != 0)
            ++live;
    }
    return live;
}

HFONT WindowFont(HWND window) {
    return reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
}

} // namespace uitest
