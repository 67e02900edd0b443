// The real executable's entry: switch recognition, the "/CHECK_RUN" launch and fatal faults.
#include "support/dialog_driver.h"
#include "support/win32_support.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

TEST(Entry, CheckRunStartsTheMainApplicationFromOurFolder) {
    Installation inst("checkrun");
    TempFolder elsewhere("cwd");
    DWORD code = 1;
    inst.Run("/CHECK_RUN", elsewhere.Path(), &code);
    EXPECT_EQ(0u, code);
    ASSERT_TRUE(StandinRan(inst));
    const std::string log = ReadFileBytes(inst.standinLog);
    // It inherits the caller's current directory, not ours.
    std::string cwd = elsewhere.Path();
    cwd.pop_back();
    EXPECT_EQ(cwd, StandinLogValue(log, "cwd"));
    // Started by its full path in our folder, with no arguments.
    const std::string cmdline = StandinLogValue(log, "cmdline");
    EXPECT_NE(std::string::npos, cmdline.find(inst.folder / "Brantlow.exe")) << cmdline;
    EXPECT_TRUE(cmdline.back() != ' ' ? cmdline.rfind("Brantlow.exe") + 12 == cmdline.size() ||
                                            cmdline.rfind("Brantlow.exe\"") + 13 == cmdline.size()
                                      : false)
        << "arguments were passed: [" << cmdline << "]";
}

TEST(Entry, SwitchesInAnyCaseAndQuoted) {
    for (const char* arguments : {"/check_run", "\"/CHECK_RUN\"", "/Check_Run extra"}) {
        Installation inst("case");
        DWORD code = 1;
        inst.Run(arguments, "", &code);
        EXPECT_EQ(0u, code) << arguments;
        EXPECT_TRUE(StandinRan(inst)) << arguments;
    }
}

TEST(Entry, LibrariesPlantedInOurFolderAreNotLoaded) {
    // Once the utility runs, every library it or the system's code loads comes from the
    // system folder. The shell, which it loads itself, by its full path: a file of that name
    // beside it is ignored. The shell's own imports, found by name: Wine searches the
    // program's folder first unless the search was narrowed, and takes a native shcore.dll
    // there (the override asks for that on every Wine). On Windows the shell's imports are
    // known libraries anyway; what Windows itself loads by name is checked there with
    // Process Monitor (docs/robustness.md). What the loader binds before the utility's first
    // instruction runs is beyond it: under Wine a planted advapi32.dll stops every program
    // in that folder from starting at all.
    Installation inst("planted");
    ASSERT_TRUE(WriteFileBytes(inst.folder / "shell32.dll", "MZ not a library"));
    ASSERT_TRUE(CopyFileTo(PlantedLibraryDll(), inst.folder / "shcore.dll"));
    char overrides[512] = {};
    const DWORD had = GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof overrides);
    ASSERT_LT(had, sizeof overrides);
    SetEnvironmentVariableA("WINEDLLOVERRIDES",
                            (std::string(overrides) + (had ? ";" : "") + "shcore=n,b").c_str());
    DWORD code = 1;
    inst.Run("/CHECK_RUN", "", &code);
    SetEnvironmentVariableA("WINEDLLOVERRIDES", had ? overrides : nullptr);
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(StandinRan(inst));
    EXPECT_FALSE(FileExists(inst.folder / "shcore.dll.loaded"));
}

TEST(Entry, CheckStartsNothing) {
    Installation inst("check");
    DWORD code = 1;
    inst.Run("/CHECK", "", &code);
    EXPECT_EQ(0u, code);
    Sleep(300);
    EXPECT_FALSE(FileExists(inst.standinLog));
}

TEST(Entry, CheckRunWithoutTheMainApplicationEndsQuietly) {
    Installation inst("nomain", /*withStandin=*/false);
    const ProcessResult r = RunProcess("\"" + inst.exe + "\" /CHECK_RUN", "", 10000);
    EXPECT_TRUE(r.finished); // no error box waits for a click
    EXPECT_EQ(0u, r.exitCode);
}

// With no window to be had (no display under Wine; an exhausted desktop heap on Windows)
// every mode still ends: the quiet modes after their import and launch, the dialog mode
// storing nothing. Only Wine can take the display away from one program.
TEST(Entry, EveryModeEndsWhenNoWindowCanBeMade) {
    if (!RunningUnderWine())
        GTEST_SKIP() << "needs a program without a display, which only Wine can give";
    SetInstallerText("1031");
    for (const char* mode : {"/CHECK", "/CHECK_RUN", ""}) {
        Installation inst("nodisplay");
        ASSERT_TRUE(
            WriteFileBytes(inst.cfg, "[ListNames]\r\n0=English\r\n1=Deutsch\r\n[LangFile]\r\nFile=-2\r\n"));
        const ProcessResult run = RunWithoutDisplay(inst, mode, 10000);
        ASSERT_TRUE(run.started);
        EXPECT_TRUE(run.finished) << "[" << mode << "] still running";
        EXPECT_EQ(0u, run.exitCode) << mode;
        const bool quiet = *mode != '\0';
        EXPECT_EQ(quiet ? 1 : -2,
                  static_cast<int>(GetPrivateProfileIntA("LangFile", "File", 0, inst.cfg.c_str())))
            << mode;
        const bool launches = mode == std::string("/CHECK_RUN");
        EXPECT_EQ(launches, StandinRan(inst, launches ? 5000 : 300)) << mode;
    }
    DeleteInstallerKey();
}

BOOL CALLBACK CollectLongStaticText(HWND child, LPARAM out) {
    char cls[32];
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextLengthA(child) > 10) {
        GetWindowTextA(child, reinterpret_cast<char*>(out), 128);
        return FALSE;
    }
    return TRUE;
}

TEST(Entry, ExhaustedMemoryEndsWithRuntimeError203) {
    // The fault-injection build fails its first allocation; the box is answered by the
    // test through the window it finds.
    Installation inst("oom", false);
    ASSERT_TRUE(CopyFileTo(FaultInjectionExe(), inst.exe));
    SetEnvironmentVariableA("LANGSELECT_FAIL_ALLOCATION", "1");
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string line = "\"" + inst.exe + "\" /CHECK";
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    SetEnvironmentVariableA("LANGSELECT_FAIL_ALLOCATION", nullptr);
    HWND box = nullptr;
    char text[128] = {};
    // The box exists a moment before its text does: wait for both.
    WaitUntil([&] {
        box = FindProcessWindow(pi.dwProcessId, "#32770", "Error"); // its own, not a leftover
        if (box)
            EnumChildWindows(box, CollectLongStaticText, reinterpret_cast<LPARAM>(text));
        return text[0] != '\0';
    });
    ASSERT_NE(nullptr, box);
    const std::string message = text;
    EXPECT_EQ(0u, message.find("Runtime error 203 at ")) << message;
    EXPECT_EQ(29u, message.size()) << message;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 10000));
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(203u, code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

} // namespace
