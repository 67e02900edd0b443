// Running the example installers of examples/ and looking at what they installed.
#pragma once

#include "support/win32_support.h"

#include <functional>
#include <string>

namespace testsupport {

// A silent install of `installer` in the language `locale` (none given when empty) into
// `dir` (with its trailing backslash), the way an administrator's script does it.
ProcessResult InstallSilently(const std::string& installer, const std::string& locale,
                              const std::string& dir);
// Runs the uninstaller in `dir` silently; true when the folder is gone in time.
bool UninstallSilently(const std::string& dir);
// The same for the installer of examples/inno: `language` is the name of one of its
// languages ("german"), not a locale; none given when empty; no folder when `dir` is.
ProcessResult InstallInnoSilently(const std::string& installer, const std::string& language,
                                  const std::string& dir);
bool UninstallInnoSilently(const std::string& dir);
// "File" of language.cfg in `dir`; -100 when it cannot be read.
int StoredIndexIn(const std::string& dir);
// The name of entry `index` in language.cfg's list in `dir`.
std::string ListNameIn(const std::string& dir, int index);
// The user chooses entry `index` in the dialog of the LangSelect.exe installed in `dir`
// and confirms it, as through the "Choose language" shortcut.
void ChooseInDialog(const std::string& dir, int index);
// The NSIS example of the next version: its list renames entry 1 and ends at 11. Empty
// when makensis was not found at configure time.
std::string ExampleUpgradeInstallerExe();
// Whether HKLM holds the key `path` in this program's registry view.
bool KeyPresent(const char* path);
// Sets the REG_SZ `name` of the HKLM key `path` (created when missing), as an installer
// records it (the installed version, the folder).
void SetMachineText(const char* path, const char* name, const std::string& text);

// Rewrites language.cfg in `dir` with its own [ListNames] and `stored` as the raw text of
// "File" (no "File" line when null), bytes as given: " 9" keeps its blank.
void WriteStoredIndexRaw(const std::string& dir, const char* stored);
// Gives Everyone full control of `path`, as a folder under C:\ or a file planted there
// may have. Under Wine the ACL that is read back is made from the Linux mode bits, which
// a new DACL sets: this one makes the object world-writable, the product's makes it not.
bool LetEveryoneWrite(const std::string& path);
// Whether Everyone, Authenticated Users or Users may add a file to the folder `path` (or
// write the file `path`), as its DACL reads back.
bool UsersMayWrite(const std::string& path);
// A second name for `existing` (a hard link): language.cfg made one points the installer's
// write at another file.
bool MakeHardLink(const std::string& link, const std::string& existing);

// The NSIS and Inno Setup examples, each driven by its own command lines, for the checks
// that both must pass.
struct ExampleKit {
    const char* uninstallKey; // where it records the installed version (DisplayVersion)
    // Version 1.0.0, and 1.1.0 whose list has a gap at 3 and ends at 11, silently in
    // `language` (none when empty) into `dir` (none when empty: the recorded folder).
    std::function<ProcessResult(const std::string& language, const std::string& dir)> install;
    std::function<ProcessResult(const std::string& language, const std::string& dir)> installNext;
    const char* german; // how the kit is given German and Russian
    const char* russian;
    DWORD refusedExitCode; // of a downgrade
};
// 1.1.0 over the product in its recorded folder, given `language`, as over version 1.0.0.
ProcessResult UpgradeFrom100(const ExampleKit& kit, const std::string& language);
// Installs in German into `dir`, then runs the rows of kept_index_cases.h through upgrades
// in place, then a repair and an upgrade given Russian and a downgrade. Leaves 1.1.0
// installed.
void ExpectTheKeptIndexRule(const ExampleKit& kit, const std::string& dir);
// A first install into `dir`, a reinstall and an upgrade, each over a folder (and a
// language.cfg) that everyone may write: each leaves them writable by administrators only.
// Leaves 1.1.0 installed.
void ExpectEveryRunToProtectTheFolder(const ExampleKit& kit, const std::string& dir);

// The MSI of examples/wix built by wixl around the programs under test, and a higher
// version of it that upgrades it. Empty when wixl or msibuild was not found at configure time.
std::string ExampleMsi();
std::string ExampleMsiUpgrade();

// Started through "/CHECK_RUN": the main application of `dir` with no arguments, reading
// `index`, so the index was stored before it started; in the current folder `cwd` unless
// that is empty.
void ExpectStartedReading(const std::string& dir, const char* index, const std::string& cwd);

// A folder of the shell (CSIDL_...), with its trailing backslash.
std::string ShellFolder(int csidl);

struct Shortcut {
    std::string target;
    std::string arguments;
    std::string folder; // the working directory
};
// What a shortcut file starts, read through the shell's own interface (link ole32 and uuid).
Shortcut ReadShortcut(const std::string& path);

} // namespace testsupport
