// Drives the real utility's dialog from a test process like a person would: it finds the
// windows, gives the dialog the foreground and sends real keys and mouse clicks. Real input
// is global: the tests that use it hold the bench's desktop lock (tests/CMakeLists.txt).
#pragma once

#include "support/watched_run.h"
#include "support/win32_support.h"

#include <string>

namespace testsupport {

class DialogDriver {
  public:
    // Starts the utility of `inst` (or the one at `exe`) with `arguments` and waits for its dialog.
    explicit DialogDriver(const Installation& inst, const std::string& arguments = "")
        : DialogDriver(inst.exe, arguments) {}
    explicit DialogDriver(const std::string& exe, const std::string& arguments = "");
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    HWND Form() const { return form_; }
    HWND Combo() const;
    HWND Button(const char* caption) const;
    HWND Label() const;
    DWORD ProcessId() const { return process_.Id(); }

    // The window that has the keyboard focus in the utility's thread.
    HWND Focus() const;
    // Brings the dialog to the foreground; false when it did not get there.
    bool Foreground() const;
    // Real input, once it can reach its target: a key once the utility has the foreground,
    // a click once the window is the one at that point of the screen.
    void Key(WORD vk, WORD modifier = 0) const;        // press and release, with an optional modifier held
    void ClickClient(HWND window, int x, int y) const; // a real left click at client coordinates
    // Waits for a message box of the utility with this caption; null when none came.
    HWND WaitForBox(const char* caption, DWORD timeoutMs = 10000) const;
    std::string BoxText(HWND box) const;
    // OK on the utility's message box with this caption; true when the box came and the
    // utility then ended.
    bool DismissBoxAndWaitExit(const char* caption) const;
    // Waits for the utility to end; false when it is still running at the timeout.
    bool WaitExit(DWORD timeoutMs = 10000, DWORD* exitCode = nullptr) const;

  private:
    bool InputGoesToTheUtility() const; // waits for a window of the utility in the foreground
    Started process_;
    HWND form_ = nullptr;
};

// The top-level window of a process (any process for 0) with this class and caption
// (any for null), or null.
HWND FindProcessWindow(DWORD processId, const char* className, const char* caption);
// A real key press and release for the window that has the keyboard focus, given the time
// that Wine takes to deliver it.
void PressKeyForFocus(WORD vk);

} // namespace testsupport
