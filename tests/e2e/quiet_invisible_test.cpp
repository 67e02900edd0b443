// In the quiet modes no window of the utility ever becomes visible, not even for a moment.
// A global hook records every window that any process shows while it is installed; the
// dialog mode proves that the recording sees the utility's windows. Another global hook
// posts WM_NULL to the utility's form, which must not keep any mode from ending.
#include "support/dialog_driver.h"
#include "support/ui_support.h"
#include "support/watched_run.h"
#include "support/win32_support.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// One of the hooks of show_trace.dll, installed for every process while this lives.
class GlobalHook {
  public:
    GlobalHook(const char* procName, int hookType) {
        dll_ = LoadLibraryA(ShowTraceDll().c_str());
        const auto proc = reinterpret_cast<HOOKPROC>(GetProcAddress(dll_, procName));
        hook_ = proc ? SetWindowsHookExA(hookType, proc, dll_, 0) : nullptr;
    }
    ~GlobalHook() {
        if (hook_)
            UnhookWindowsHookEx(hook_);
        if (dll_)
            FreeLibrary(dll_);
    }
    bool Installed() const { return hook_ != nullptr; }

  private:
    HMODULE dll_ = nullptr;
    HHOOK hook_ = nullptr;
};

class ShowTrace : public GlobalHook {
  public:
    ShowTrace() : GlobalHook("ShowTraceProc", WH_CALLWNDPROCRET) {}
    static std::string LogOf(DWORD processId) {
        char folder[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        return std::string(folder) + "show_trace_" + std::to_string(processId) + ".log";
    }
};

// Runs the utility to its end and returns what the trace recorded for it. The hook is
// installed by this thread, so it pumps messages all the while it waits.
std::string ShownWindows(const Installation& inst, const std::string& arguments, bool closeDialog) {
    const Started run("\"" + inst.exe + "\" " + arguments);
    if (!run.Ok())
        return "<not started>";
    if (closeDialog) {
        HWND form = nullptr;
        uitest::PumpUntil(
            [&] {
                return (form = FindProcessWindow(run.Id(), "obj_Form", "Language ....")) &&
                       IsWindowVisible(form);
            },
            10000);
        PostMessageA(form, WM_CLOSE, 0, 0);
    }
    EXPECT_TRUE(uitest::PumpUntilSignalled(run.Process(), 15000)) << arguments << ": still running";
    const std::string log = ShowTrace::LogOf(run.Id());
    const std::string shown = ReadFileBytes(log);
    DeleteFileA(log.c_str());
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
        EXPECT_EQ(1, static_cast<int>(GetPrivateProfileIntA("LangFile", "File", -100, inst.cfg.c_str())))
            << mode;
    }
    DeleteInstallerKey();
}

// A WM_NULL ahead of the form's close request: the quiet modes still end after their
// import, and the dialog still ends after its "Close" button.
TEST(QuietModes, AWmNullPostedToTheFormDoesNotKeepAnyModeRunning) {
    GlobalHook nulls("PostNullProc", WH_CALLWNDPROC);
    ASSERT_TRUE(nulls.Installed());
    Installation inst("wmnull");
    SetInstallerText("1031");
    for (const char* mode : {"/CHECK", "/CHECK_RUN"}) {
        WriteFileBytes(inst.cfg, "[ListNames]\r\n0=English\r\n1=Deutsch\r\n[LangFile]\r\nFile=-2\r\n");
        const Started run("\"" + inst.exe + "\" " + mode);
        ASSERT_TRUE(run.Ok());
        EXPECT_TRUE(uitest::PumpUntilSignalled(run.Process(), 10000)) << mode << ": still running";
        EXPECT_EQ(1, static_cast<int>(GetPrivateProfileIntA("LangFile", "File", -100, inst.cfg.c_str())))
            << mode;
    }

    const Started dialog("\"" + inst.exe + "\"");
    HWND form = nullptr;
    ASSERT_TRUE(uitest::PumpUntil(
        [&] {
            return (form = FindProcessWindow(dialog.Id(), "obj_Form", "Language ....")) &&
                   IsWindowVisible(form);
        },
        10000));
    HWND const closeButton = FindWindowExA(form, nullptr, nullptr, "Close");
    ASSERT_TRUE(closeButton);
    PostMessageA(closeButton, BM_CLICK, 0, 0);
    EXPECT_TRUE(uitest::PumpUntilSignalled(dialog.Process(), 10000)) << "the dialog is still running";
    DeleteInstallerKey();
}

} // namespace
