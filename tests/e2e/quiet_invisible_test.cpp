// In the quiet modes no window of the utility ever becomes visible, not even for a moment.
// A global hook records every window that any process shows while it is installed; the
// dialog mode proves that the recording sees the utility's windows.
#include "support/win32_support.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class ShowTrace {
  public:
    ShowTrace() {
        dll_ = LoadLibraryA(ShowTraceDll().c_str());
        const auto proc = reinterpret_cast<HOOKPROC>(GetProcAddress(dll_, "ShowTraceProc"));
        hook_ = proc ? SetWindowsHookExA(WH_CALLWNDPROCRET, proc, dll_, 0) : nullptr;
    }
    ~ShowTrace() {
        if (hook_)
            UnhookWindowsHookEx(hook_);
        if (dll_)
            FreeLibrary(dll_);
    }
    bool Installed() const { return hook_ != nullptr; }
    static std::string LogOf(DWORD processId) {
        char folder[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        return std::string(folder) + "show_trace_" + std::to_string(processId) + ".log";
    }

  private:
    HMODULE dll_ = nullptr;
    HHOOK hook_ = nullptr;
};

// Runs the utility to its end and returns what the trace recorded for it.
std::string ShownWindows(const Installation& inst, const std::string& arguments, bool closeDialog) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string line = "\"" + inst.exe + "\" " + arguments;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return "<not started>";
    if (closeDialog) {
        HWND form = nullptr;
        WaitUntil([&] { return (form = FindWindowA("obj_Form", "Language ....")) && IsWindowVisible(form); });
        PostMessageA(form, WM_CLOSE, 0, 0);
    }
    WaitForSingleObject(pi.hProcess, 15000);
    const std::string log = ShowTrace::LogOf(pi.dwProcessId);
    const std::string shown = ReadFileBytes(log);
    DeleteFileA(log.c_str());
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return shown;
}

TEST(QuietModes, NoWindowIsEverShown) {
    ShowTrace trace;
    ASSERT_TRUE(trace.Installed());
    Installation inst("invisible");
    WriteFileBytes(inst.cfg, "[ListNames]\r\n0=English\r\n1=Deutsch\r\n[LangFile]\r\nFile=-2\r\n");
    SetInstallerText("1031");

    // The check itself works: the dialog mode's form is seen being shown.
    EXPECT_NE("", ShownWindows(inst, "", /*closeDialog=*/true));

    for (const char* mode : {"/CHECK", "/CHECK_RUN", "/check"}) {
        WriteFileBytes(inst.cfg, "[ListNames]\r\n0=English\r\n1=Deutsch\r\n[LangFile]\r\nFile=-2\r\n");
        EXPECT_EQ("", ShownWindows(inst, mode, false)) << mode;
        EXPECT_EQ(1, static_cast<int>(GetPrivateProfileIntA("LangFile", "File", -100, inst.cfg.c_str()))) << mode;
    }
    DeleteInstallerKey();
}

} // namespace
