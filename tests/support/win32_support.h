// Helpers for the Windows tests: temporary folders, files, processes and the programs
// under test. Everything here is plain Win32 so that the tests also run on Windows.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// A build path as the program under test sees it ("/x/y" under Wine is "Z:\x\y").
std::string WindowsPath(const std::string& path);

std::string ProductExe();        // build/win32/LangSelect.exe
std::string FaultInjectionExe(); // the product with a failing allocation on request
std::string StandinExe();        // the stand-in for Brantlow.exe
std::string ShowTraceDll();      // the global hook that records shown windows
std::string PlantedLibraryDll(); // a library that marks where it was loaded ("<path>.loaded")
// The installer of examples/nsis built by makensis around the programs under test, and
// the same for a 64-bit product (it writes the 64-bit registry view). Empty when makensis
// was not found at configure time.
std::string ExampleInstallerExe();
std::string ExampleInstaller64Exe();

// A fresh folder under the temporary folder, removed with everything in it.
class TempFolder {
  public:
    explicit TempFolder(const std::string& hint = "t");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; } // with a trailing backslash
    std::string operator/(const std::string& name) const { return path_ + name; }

  private:
    std::string path_;
};

// The file helpers take ANSI paths and work through the wide-character calls, so that
// they also reach paths longer than MAX_PATH.
std::wstring Wide(const std::string& path);
void RemoveTree(const std::string& path);
bool MakeFolder(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path); // empty when missing
bool FileExists(const std::string& path);
bool CopyFileTo(const std::string& from, const std::string& to);

struct ProcessResult {
    bool started = false;
    bool finished = false; // false: still running at the timeout, then killed
    DWORD exitCode = 0;
};

// Runs a command line with the given current directory (empty: ours) and waits.
ProcessResult RunProcess(const std::string& commandLine, const std::string& currentDirectory = "",
                         DWORD timeoutMs = 20000);

// Polls until the condition holds or the time is up; returns the condition's last value.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// Sets up a folder like an installation: the product (or another exe under its name) and
// optionally the stand-in main application. `subfolder` (a relative path, created level
// by level) puts them deeper than the temporary folder; as a function it is given the
// temporary folder's path first, for tests that need an exact path length.
struct Installation {
    using SubfolderFor = std::function<std::string(const std::string& root)>;
    explicit Installation(const std::string& hint = "inst", bool withStandin = true,
                          const std::string& subfolder = "")
        : Installation(hint, withStandin, [subfolder](const std::string&) { return subfolder; }) {}
    Installation(const std::string& hint, bool withStandin, const SubfolderFor& subfolder);
    TempFolder folder;
    std::string dir;        // where the programs are, with a trailing backslash
    std::string exe;        // full path of LangSelect.exe in the folder
    std::string cfg;        // full path of language.cfg
    std::string standinLog; // what the stand-in writes, when started
    std::string Run(const std::string& arguments, const std::string& currentDirectory = "",
                    DWORD* exitCode = nullptr) const;
};

// Under the checked heap the program under test lists the blocks it still holds when it
// ends normally; while this lives, the runs of the installation's program write that list
// into its folder. None() holds when the last run left nothing allocated (always, for the
// shipped build, which lists nothing).
class BlocksLeftAtExit {
  public:
    explicit BlocksLeftAtExit(const Installation& inst);
    ~BlocksLeftAtExit();
    BlocksLeftAtExit(const BlocksLeftAtExit&) = delete;
    BlocksLeftAtExit& operator=(const BlocksLeftAtExit&) = delete;
    ::testing::AssertionResult None() const;

  private:
    std::string path_;
};

// The stand-in logs three lines per start: cwd=, cmdline=, file=; "<absent>" when the
// key is not there.
std::string StandinLogValue(const std::string& log, const std::string& key);
// Waits until the stand-in has logged a start in the installation's folder.
bool StandinRan(const Installation& inst, DWORD timeoutMs = 10000);
// The same for the folder `dir` (with its trailing backslash): the log once it holds a
// start, empty when none came in time.
std::string WaitForStandinLog(const std::string& dir, DWORD timeoutMs = 10000);
// Whether a logged command line is `dir`Brantlow.exe alone, quoted or not: no arguments.
bool StartedWithoutArguments(const std::string& cmdline, const std::string& dir);

// The installer's registry key in this test prefix: created, filled, read, removed.
// `view` 0 is this program's own registry view; KEY_WOW64_64KEY or KEY_WOW64_32KEY picks
// one view of a 64-bit prefix on purpose.
constexpr const char* kInstallerKey = "Software\\Orvesta Software\\Kelmora";
void DeleteInstallerKey(REGSAM view = 0);
void SetInstallerValue(DWORD type, const void* data, DWORD size, REGSAM view = 0);
void SetInstallerText(const std::string& text, REGSAM view = 0); // REG_SZ with its terminator
std::string InstallerText(REGSAM view = 0);                      // "<absent>" when missing

// A stand-in for a system entry point must use the system's calling convention (WINAPI).
// Only 32-bit code tells it from the compiler's own: a stand-in without it works in a
// 64-bit run and wrecks the caller's stack in a 32-bit one. The hooks below take their
// stand-in typed, so that the 32-bit build, made on every machine, refuses such a one.
template <typename Result, typename... Args> const void* SystemEntry(Result(WINAPI* standIn)(Args...)) {
    return reinterpret_cast<const void*>(standIn);
}

// Points this program's import of `function` from `dll` at `replacement` until destroyed,
// so that a test can see which calls the product code makes.
class ImportHook {
  public:
    template <typename Result, typename... Args>
    ImportHook(const char* dll, const char* function, Result(WINAPI* replacement)(Args...)) {
        Install(dll, function, SystemEntry(replacement));
    }
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;
    bool Installed() const { return slot_ != nullptr; }
    const void* Original() const { return original_; }

  private:
    void Install(const char* dll, const char* function, const void* replacement);
    const void** slot_ = nullptr;
    const void* original_ = nullptr;
};

// Makes GetProcAddress in this program give `replacement` for the entry point `name`
// until destroyed, for the product code that binds system entry points when it first
// needs them (sysutil/system_proc.h).
class SystemProcHook {
  public:
    template <typename Result, typename... Args>
    SystemProcHook(const char* name, Result(WINAPI* replacement)(Args...)) : name_(name) {
        Install(SystemEntry(replacement));
    }
    ~SystemProcHook();
    SystemProcHook(const SystemProcHook&) = delete;
    SystemProcHook& operator=(const SystemProcHook&) = delete;
    bool Installed() const;

  private:
    void Install(const void* replacement);
    std::string name_;
};

// Makes a file refuse writes, or a folder refuse new files and folders (its files stay
// writable), for the length of a test. Under Wine the tests run as root, who ignores the
// DOS attributes and the mode bits, so the Linux immutable flag is set through chattr. On
// Windows a folder's read-only attribute means nothing, so an access-control entry denies
// those rights to everyone, the owner included, until the object's own is put back.
// Active() tells whether a write is really refused.
class ReadOnlyFile {
  public:
    explicit ReadOnlyFile(const std::string& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    bool Active() const;

  private:
    bool IsFolder() const;
    void DenyWrites();
    void RestoreAccess();
    std::string path_;
    std::string unixPath_;                 // under Wine
    PSECURITY_DESCRIPTOR saved_ = nullptr; // on Windows: the access list as it was
    PACL savedDacl_ = nullptr;             // (inside saved_)
};

// Under Wine only: runs the installation's program with the given arguments through a
// new Wine loader started without a display, as a program that can make no window at
// all. (A Windows child of ours would inherit our display whatever its environment.)
ProcessResult RunWithoutDisplay(const Installation& inst, const std::string& arguments,
                                DWORD timeoutMs = 20000);
// Whether the tests run under Wine, for the few expectations where Wine and Windows
// differ: a profile file with a UTF-8 byte-order mark, read-only folders, line ends.
bool RunningUnderWine();

// The lines of a profile file that hold anything, without their ends. Windows writes a
// profile file in place, Wine writes it anew (CR LF throughout, no blank lines), so after
// a write only these lines and the values compare alike on both; bytes compare only where
// nothing was written.
std::vector<std::string> ProfileLines(const std::string& bytes);
// Whether `actual` holds the lines of `expected` in order; if not, says where they part.
::testing::AssertionResult SameProfileLines(const std::string& expected, const std::string& actual);

} // namespace testsupport
