// The program when the system lets it down: memory running out at every allocation a run
// makes, in every mode, a language.cfg that cannot be written or is held open by
// another program, and a main application that cannot be started. Every run must end by
// itself, never crash, and leave language.cfg either as it was or holding exactly the new
// index; the dialog's "OK" must say so when the index could not be stored.
#include "support/dialog_driver.h"
#include "support/watched_run.h"
#include "support/win32_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

const char* const kNames = "[ListNames]\r\n0=English\r\n1=Deutsch\r\n2=Fran\xe7"
                           "ais\r\n";

std::string Cfg(const char* index) {
    return std::string(kNames) + "[LangFile]\r\nFile=" + index + "\r\n";
}

// The import's before and after: -2 and the installer's German (1031) becomes 1.
const std::string kBefore = Cfg("-2");
const std::string kImported = Cfg("1");

// A file that was written holds the new index and every other line it had; line ends are
// the platform's (Wine writes the whole file anew).
bool Imported(const std::string& file) {
    return SameProfileLines(kImported, file);
}

bool IsRuntimeError203(const std::string& text) {
    const std::string prefix = "Runtime error 203 at ";
    if (text.size() != prefix.size() + 8 || text.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (size_t i = prefix.size(); i < text.size(); ++i) {
        const char c = text[i];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

// The dialog, closed through its window once it shows (while no box is up).
void CloseTheShownDialog(DWORD processId) {
    const HWND form = FindProcessWindow(processId, "obj_Form", "Language ....");
    if (form && IsWindowVisible(form) && BoxesOf(processId).empty())
        PostMessageA(form, WM_CLOSE, 0, 0);
}

// Runs the installation's program, answering every box it shows, until it ends. Without
// a switch it shows the dialog, which is closed as soon as it is up.
WatchedRun RunAnsweringBoxes(const Installation& inst, const std::string& arguments,
                             const Environment& environment) {
    if (arguments.empty())
        return RunWatched("\"" + inst.exe + "\"", environment, CloseTheShownDialog);
    return RunWatched("\"" + inst.exe + "\" " + arguments, environment);
}

std::string ModeName(const char* mode) {
    return *mode ? mode : "the dialog";
}

// The fault-injection build in an installation of its own, with the stand-in main
// application, the installer's German and a file that asks for the import.
std::unique_ptr<Installation> FaultInstallation(const char* hint) {
    auto inst = std::make_unique<Installation>(hint);
    EXPECT_TRUE(CopyFileTo(FaultInjectionExe(), inst->exe));
    EXPECT_TRUE(WriteFileBytes(inst->cfg, kBefore));
    return inst;
}

class Fault : public ::testing::Test {
  protected:
    void SetUp() override { SetInstallerText("1031"); }
    void TearDown() override { DeleteInstallerKey(); }
};

// The number of allocations a run of the fault-injection build makes on a file that asks
// for the import, from a run that fails none of them. The quiet modes import; the dialog
// leaves the file alone.
long AllocationsOfAnImportingRun(const char* mode) {
    auto inst = FaultInstallation("count");
    const std::string countFile = inst->dir + "allocations.txt";
    const WatchedRun run = RunAnsweringBoxes(*inst, mode, {{"LANGSELECT_COUNT_ALLOCATIONS", countFile}});
    EXPECT_TRUE(run.exited) << ModeName(mode);
    EXPECT_EQ(0u, run.exitCode) << ModeName(mode);
    EXPECT_TRUE(run.boxes.empty()) << ModeName(mode) << ": " << run.boxes[0];
    const std::string file = ReadFileBytes(inst->cfg);
    EXPECT_TRUE(*mode ? Imported(file) : file == kBefore) << ModeName(mode) << ":\n" << file;
    const long total = std::atol(ReadFileBytes(countFile).c_str());
    // Building the dialog alone allocates more than this: fewer means the count is broken.
    EXPECT_GT(total, 50) << ModeName(mode);
    std::printf("%s makes %ld allocations\n", ModeName(mode).c_str(), total);
    return total;
}

// One run with memory failing as `variable`=n asks: exactly one box, "Runtime error 203 at
// XXXXXXXX", then exit code 203, and the file in one of its two states. Returns the file.
std::string ExpectRuntimeError203(const Installation& inst, const char* mode, const char* variable, long n,
                                  long total) {
    const std::string at =
        ModeName(mode) + ", " + variable + "=" + std::to_string(n) + " of " + std::to_string(total);
    const WatchedRun run = RunAnsweringBoxes(inst, mode, {{variable, std::to_string(n)}});
    EXPECT_TRUE(run.exited) << at;
    EXPECT_EQ(203u, run.exitCode) << at;
    EXPECT_EQ(1u, run.boxes.size()) << at << (run.boxes.size() > 1 ? ": " + run.boxes[1] : "");
    if (!run.boxes.empty()) {
        EXPECT_EQ(0u, run.boxes[0].find("Error: ")) << at << ": " << run.boxes[0];
        EXPECT_TRUE(IsRuntimeError203(run.boxes[0].substr(7))) << at << ": " << run.boxes[0];
    }
    const std::string file = ReadFileBytes(inst.cfg);
    EXPECT_TRUE(file == kBefore || Imported(file)) << at << ":\n" << file;
    return file;
}

// Memory runs out at the n-th allocation of an importing "/CHECK_RUN", for every n the
// run reaches: the dialog's construction, the list, the import and its write, the launch
// and the end. Each must end with the runtime error box and exit code 203, and the file
// is never half-written: it holds the old content or exactly the new index. The main
// application, if started at all, was started after the index was in the file. (The
// launch is the run's last step that could allocate, so in practice no failing run
// starts it; the check stays for the day that changes.)
TEST_F(Fault, ExhaustedMemoryAtEveryAllocationOfAnImportingRun) {
    const long total = AllocationsOfAnImportingRun("/CHECK_RUN");
    ASSERT_GT(total, 0);
    std::vector<std::unique_ptr<Installation>> runs;
    std::vector<std::string> files;
    for (long n = 1; n <= total; ++n) {
        runs.push_back(FaultInstallation("oom"));
        files.push_back(
            ExpectRuntimeError203(*runs.back(), "/CHECK_RUN", "LANGSELECT_FAIL_ALLOCATION", n, total));
    }
    // A main application started just before the failure may still be on its way: give it
    // a moment, then look at every installation at once.
    Sleep(1500);
    long imported = 0;
    long launched = 0;
    for (long n = 1; n <= total; ++n) {
        const std::string log = ReadFileBytes(runs[n - 1]->standinLog);
        if (Imported(files[n - 1]))
            ++imported;
        if (log.empty())
            continue;
        ++launched;
        EXPECT_TRUE(Imported(files[n - 1])) << "allocation " << n << ": started without the new index";
        EXPECT_EQ("1", StandinLogValue(log, "file")) << "allocation " << n;
    }
    std::printf("%ld runs ended with the index written, %ld with the main application started\n", imported,
                launched);
    // The failures reach both sides of the write.
    EXPECT_GT(imported, 0);
    EXPECT_LT(imported, total);
}

// Memory that stays exhausted from the n-th allocation on: the report itself must get by
// without any, and while its box is up the system sends the program's windows messages
// (the box disables them, the activation moves) that nothing of the program may handle:
// the fault may have left a control half-built, and handling them would need memory too.
// So the box still comes, and the exit code is still 203. With the test above this covers
// every mode: "/CHECK_RUN" differs from "/CHECK" only in the launch at its end.
TEST_F(Fault, MemoryExhaustedForGoodFromEveryAllocationOfTheCheckAndTheDialog) {
    for (const char* mode : {"/CHECK", ""}) {
        const long total = AllocationsOfAnImportingRun(mode);
        for (long n = 1; n <= total; ++n) {
            auto inst = FaultInstallation("oomfrom");
            ExpectRuntimeError203(*inst, mode, "LANGSELECT_FAIL_FROM_ALLOCATION", n, total);
        }
    }
}

// A close request for the dialog while the runtime error's box is up (from a program that
// drives the dialog, say) must not end the report: the box stays until it is answered, and
// the exit code is still 203. Memory fails at the last allocation before the dialog would
// show, when its window exists (hidden).
TEST_F(Fault, ACloseRequestDoesNotEndTheRuntimeErrorBox) {
    const long total = AllocationsOfAnImportingRun("");
    auto inst = FaultInstallation("oomclose");
    Started p("\"" + inst->exe + "\"", {{"LANGSELECT_FAIL_FROM_ALLOCATION", std::to_string(total)}});
    ASSERT_TRUE(p.Ok());
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        const std::vector<HWND> boxes = BoxesOf(p.Id());
        box = boxes.empty() ? nullptr : boxes[0];
        return box && !BoxMessage(box).empty();
    }));
    EXPECT_TRUE(IsRuntimeError203(BoxMessage(box))) << BoxMessage(box);
    const HWND form = FindProcessWindow(p.Id(), "obj_Form", "Language ....");
    ASSERT_NE(nullptr, form);
    PostMessageA(form, WM_CLOSE, 0, 0);
    DWORD code = 0;
    EXPECT_FALSE(p.WaitExit(1500, &code)) << "ended with " << code << ", the box unanswered";
    EXPECT_TRUE(IsWindow(box));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(p.WaitExit(5000, &code));
    EXPECT_EQ(203u, code);
}

// Holds language.cfg open the way another program might, for as long as it lives.
class HeldOpen {
  public:
    HeldOpen(const std::string& path, DWORD shareMode)
        : file_(CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, shareMode, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~HeldOpen() { Release(); }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
    bool Ok() const { return file_ != INVALID_HANDLE_VALUE; }
    void Release() {
        if (Ok())
            CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }

  private:
    HANDLE file_;
};

// Runs both quiet modes with the real product and expects each to end by itself with
// exit code 0 and without a box.
void ExpectQuietRunsEnd(const Installation& inst, const std::string& what) {
    for (const char* mode : {"/CHECK", "/CHECK_RUN"}) {
        const WatchedRun run = RunAnsweringBoxes(inst, mode, {});
        EXPECT_TRUE(run.exited) << what << " " << mode << ": still running";
        EXPECT_EQ(0u, run.exitCode) << what << " " << mode;
        EXPECT_TRUE(run.boxes.empty()) << what << " " << mode << ": " << run.boxes[0];
    }
}

// Another program holds the file: with no sharing at all, the utility can neither read
// nor write it (so it sees no request for an import); sharing reading only, it reads -2
// but its write is refused. Either way it must not wait for the file, and must not
// report anything.
TEST_F(Fault, QuietModesOnALanguageFileHeldByAnotherProgram) {
    for (const DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ}}) {
        const std::string what = share ? "shared for reading" : "not shared";
        Installation inst("held");
        ASSERT_TRUE(WriteFileBytes(inst.cfg, kBefore));
        HeldOpen held(inst.cfg, share);
        ASSERT_TRUE(held.Ok());
        ExpectQuietRunsEnd(inst, what);
        EXPECT_TRUE(StandinRan(inst)) << what;
        held.Release();
        EXPECT_EQ(kBefore, ReadFileBytes(inst.cfg)) << what;
    }
}

// A folder that takes no new files. The platform rewrites language.cfg in place, which the
// folder allows, so the import may well succeed: the file holds one state or the other,
// and the main application reads whichever it is.
TEST_F(Fault, QuietModesInAReadOnlyFolder) {
    Installation inst("rodir");
    ASSERT_TRUE(WriteFileBytes(inst.cfg, kBefore));
    // The stand-in can still append to a log that exists.
    ASSERT_TRUE(WriteFileBytes(inst.standinLog, ""));
    std::string folder = inst.dir;
    folder.pop_back();
    ReadOnlyFile readOnly(folder);
    ASSERT_TRUE(readOnly.Active());
    ExpectQuietRunsEnd(inst, "read-only folder");
    const std::string after = ReadFileBytes(inst.cfg);
    EXPECT_TRUE(after == kBefore || Imported(after)) << after;
    std::printf("read-only folder: the import was %s\n", Imported(after) ? "stored" : "refused");
    ASSERT_TRUE(StandinRan(inst));
    EXPECT_EQ(Imported(after) ? "1" : "-2", StandinLogValue(ReadFileBytes(inst.standinLog), "file"));
}

const char* const kSaveFailed = "The language could not be saved: language.cfg cannot be written.\r\n"
                                "Check that the file and its folder are not read-only, then try again.";

// "OK" while another program holds the file open: the index cannot be stored, and the
// user is told so instead of being promised a change on restart.
TEST_F(Fault, OkOnALanguageFileHeldByAnotherProgramReportsTheFailure) {
    for (const DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ}}) {
        const std::string what = share ? "shared for reading" : "not shared";
        Installation inst("heldok");
        const std::string before = Cfg("0");
        ASSERT_TRUE(WriteFileBytes(inst.cfg, before));
        DialogDriver d(inst);
        ASSERT_NE(nullptr, d.Form());
        HeldOpen held(inst.cfg, share); // taken after the list was read
        ASSERT_TRUE(held.Ok());
        d.Key(VK_DOWN);
        d.Key(VK_RETURN);
        EXPECT_EQ(nullptr, d.WaitForBox("Information", 1500)) << what;
        HWND box = d.WaitForBox("Language ....");
        ASSERT_NE(nullptr, box) << what;
        EXPECT_EQ(kSaveFailed, d.BoxText(box)) << what;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        DWORD code = 1;
        EXPECT_TRUE(d.WaitExit(10000, &code)) << what;
        EXPECT_EQ(0u, code) << what;
        held.Release();
        EXPECT_EQ(before, ReadFileBytes(inst.cfg)) << what;
    }
}

// A visible top-level window, of any process, with this caption.
HWND VisibleWindowCalled(const char* caption) {
    HWND window = FindWindowA(nullptr, caption);
    return window && IsWindowVisible(window) ? window : nullptr;
}

// A main application that cannot be started: "/CHECK_RUN" still ends at once, shows
// nothing and reports nothing (under Wine the shell shows no error box of its own for
// these either). A folder under the main application's name is no program at all: the
// shell would open a file browser on it, so it is not handed to the shell.
TEST_F(Fault, MainApplicationThatCannotBeStarted) {
    {
        Installation inst("mainfolder", /*withStandin=*/false);
        ASSERT_TRUE(MakeFolder(inst.dir + "Brantlow.exe"));
        ExpectQuietRunsEnd(inst, "a folder");
        // Wine's shell opens a folder in a window captioned with the folder's name.
        EXPECT_FALSE(WaitUntil([] { return VisibleWindowCalled("Brantlow.exe") != nullptr; }, 2000))
            << "a file browser was opened on the folder";
        if (HWND browser = VisibleWindowCalled("Brantlow.exe"))
            PostMessageA(browser, WM_CLOSE, 0, 0);
    }
    {
        Installation inst("mainjunk", /*withStandin=*/false);
        std::mt19937 generator(7);
        std::string junk(4096, '\0');
        for (char& c : junk)
            c = static_cast<char>(generator());
        for (const char* start : {"", "MZ"}) { // not a program at all, and a damaged one
            ASSERT_TRUE(WriteFileBytes(inst.dir + "Brantlow.exe", start + junk));
            ExpectQuietRunsEnd(inst, std::string("random bytes after [") + start + "]");
        }
    }
}

} // namespace
