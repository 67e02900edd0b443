#include "support/example_installer.h"

#include "support/dialog_driver.h"
#include "support/kept_index_cases.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>
#include <windows.h>

namespace testsupport {

ProcessResult InstallSilently(const std::string& installer, const std::string& locale,
                              const std::string& dir) {
    // "/D=" comes last, bare, without the trailing backslash; none where dir is empty.
    const std::string language = locale.empty() ? "" : " /LANG=" + locale;
    const std::string folder = dir.empty() ? "" : " /D=" + dir.substr(0, dir.size() - 1);
    return RunProcess("\"" + installer + "\" /S" + language + folder);
}

namespace {

// An uninstaller runs from a copy of itself and returns before it is done, so the folder
// is watched.
bool UninstallAndWait(const std::string& commandLine, const std::string& dir) {
    if (!RunProcess(commandLine).started)
        return false;
    return WaitUntil([&] { return !FileExists(dir); }, 15000);
}

} // namespace

bool UninstallSilently(const std::string& dir) {
    return UninstallAndWait("\"" + dir + "uninstall.exe\" /S", dir);
}

ProcessResult InstallInnoSilently(const std::string& installer, const std::string& language,
                                  const std::string& dir) {
    const std::string given = language.empty() ? "" : " /LANG=" + language;
    const std::string folder = dir.empty() ? "" : " \"/DIR=" + dir.substr(0, dir.size() - 1) + "\"";
    return RunProcess("\"" + installer + "\" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART" + given + folder);
}

bool UninstallInnoSilently(const std::string& dir) {
    return UninstallAndWait("\"" + dir + "unins000.exe\" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART", dir);
}

int StoredIndexIn(const std::string& dir) {
    return static_cast<int>(GetPrivateProfileIntA("LangFile", "File", -100, (dir + "language.cfg").c_str()));
}

std::string ListNameIn(const std::string& dir, int index) {
    char name[MAX_PATH] = {};
    GetPrivateProfileStringA("ListNames", std::to_string(index).c_str(), "", name, sizeof name,
                             (dir + "language.cfg").c_str());
    return name;
}

void ChooseInDialog(const std::string& dir, int index) {
    DialogDriver d(dir + "LangSelect.exe");
    ASSERT_NE(nullptr, d.Form());
    const auto selected = [&] { return static_cast<int>(SendMessageA(d.Combo(), CB_GETCURSEL, 0, 0)); };
    // One key at a time, each waited for: a busy machine may drop a key pressed too soon.
    for (int tries = 0; tries < 40 && selected() != index; ++tries) {
        const int now = selected();
        d.Key(now < index ? VK_DOWN : VK_UP);
        WaitUntil([&] { return selected() != now; }, 2000);
    }
    ASSERT_EQ(index, selected());
    d.Key(VK_RETURN);
    EXPECT_TRUE(d.DismissBoxAndWaitExit("Information")) << "the restart notice, then the end";
    ASSERT_EQ(index, StoredIndexIn(dir));
}

std::string ExampleUpgradeInstallerExe() {
    return WindowsPath(EXAMPLE_INSTALLER_UPGRADE_EXE);
}

void ExpectStartedReading(const std::string& dir, const char* index, const std::string& cwd) {
    const std::string log = WaitForStandinLog(dir);
    ASSERT_FALSE(log.empty()) << "the main application in " << dir << " did not start";
    EXPECT_EQ(index, StandinLogValue(log, "file"));
    EXPECT_TRUE(StartedWithoutArguments(StandinLogValue(log, "cmdline"), dir)) << log;
    if (!cwd.empty())
        EXPECT_EQ(cwd.substr(0, cwd.size() - 1), StandinLogValue(log, "cwd"));
}

std::string ExampleMsi() {
    return WindowsPath(EXAMPLE_MSI);
}
std::string ExampleMsiUpgrade() {
    return WindowsPath(EXAMPLE_MSI_UPGRADE);
}

std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
    return std::string(path) + "\\";
}

bool KeyPresent(const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void SetMachineText(const char* path, const char* name, const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                             &key, nullptr));
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

void WriteStoredIndexRaw(const std::string& dir, const char* stored) {
    const std::string cfg = dir + "language.cfg";
    const std::string old = ReadFileBytes(cfg);
    const std::string list = old.substr(0, old.find("[LangFile]"));
    const std::string file = stored ? std::string("File=") + stored + "\r\n" : "";
    ASSERT_TRUE(WriteFileBytes(cfg, list + "[LangFile]\r\n" + file)) << cfg;
}

namespace {

// Owns a security descriptor that the system allocated with LocalAlloc.
struct LocalSecurityDescriptor {
    PSECURITY_DESCRIPTOR sd = nullptr;
    ~LocalSecurityDescriptor() { LocalFree(sd); }
};

} // namespace

bool LetEveryoneWrite(const std::string& path) {
    LocalSecurityDescriptor everyone;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;FA;;;WD)", SDDL_REVISION_1,
                                                              &everyone.sd, nullptr))
        return false;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(everyone.sd, &present, &dacl, &defaulted);
    std::wstring name = Wide(path);
    return SetNamedSecurityInfoW(&name[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl,
                                 nullptr) == ERROR_SUCCESS;
}

bool UsersMayWrite(const std::string& path) {
    LocalSecurityDescriptor read;
    PACL dacl = nullptr;
    if (GetNamedSecurityInfoW(Wide(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &dacl, nullptr, &read.sd) != ERROR_SUCCESS)
        return true; // nothing shows that they may not
    if (!dacl)
        return true; // no DACL: everyone may do anything
    const WELL_KNOWN_SID_TYPE users[] = {WinWorldSid, WinAuthenticatedUserSid, WinBuiltinUsersSid};
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace) || static_cast<ACE_HEADER*>(ace)->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        // FILE_ADD_FILE for a folder is FILE_WRITE_DATA for a file.
        if (!(allowed->Mask & (FILE_ADD_FILE | GENERIC_WRITE | GENERIC_ALL)))
            continue;
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        for (const WELL_KNOWN_SID_TYPE user : users)
            if (IsWellKnownSid(sid, user))
                return true;
    }
    return false;
}

bool MakeHardLink(const std::string& link, const std::string& existing) {
    return CreateHardLinkW(Wide(link).c_str(), Wide(existing).c_str(), nullptr) != FALSE;
}

ProcessResult UpgradeFrom100(const ExampleKit& kit, const std::string& language) {
    SetMachineText(kit.uninstallKey, "DisplayVersion", "1.0.0");
    return kit.installNext(language, "");
}

void ExpectTheKeptIndexRule(const ExampleKit& kit, const std::string& dir) {
    ASSERT_EQ(0u, kit.install(kit.german, dir).exitCode);
    for (const KeptIndexCase& c : kKeptIndexCases) {
        const std::string trace =
            std::string("File=") + (c.stored ? "\"" + std::string(c.stored) + "\"" : "none");
        SetInstallerText("1036");
        WriteStoredIndexRaw(dir, c.stored);
        const ProcessResult upgrade = UpgradeFrom100(kit, "");
        ASSERT_TRUE(upgrade.finished) << trace;
        EXPECT_EQ(0u, upgrade.exitCode) << trace;
        EXPECT_EQ(c.after, StoredIndexIn(dir)) << trace;
        EXPECT_EQ("1036", InstallerText()) << trace;
        EXPECT_EQ("Deutsch (Deutschland)", ListNameIn(dir, 1)) << trace << ": the new list";
    }

    // A reinstall of the installed version is a repair: given another language, it keeps
    // the product's, value and index.
    WriteStoredIndexRaw(dir, "9");
    ProcessResult run = kit.installNext(kit.russian, "");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("1036", InstallerText()) << "a repair changed the language";
    EXPECT_EQ(9, StoredIndexIn(dir)) << "a repair changed the language";

    // A higher version given a language makes it the product's.
    run = UpgradeFrom100(kit, kit.russian);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("1049", InstallerText());
    EXPECT_EQ(5, StoredIndexIn(dir));

    // A lower version is refused, silently with its exit code, and changes nothing.
    run = kit.install(kit.german, "");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(kit.refusedExitCode, run.exitCode) << "the downgrade was not refused";
    EXPECT_EQ("1049", InstallerText());
    EXPECT_EQ(5, StoredIndexIn(dir));
    EXPECT_EQ("Deutsch (Deutschland)", ListNameIn(dir, 1)) << "the older list went in";
}

void ExpectEveryRunToProtectTheFolder(const ExampleKit& kit, const std::string& dir) {
    const std::string cfg = dir + "language.cfg";
    MakeFolder(dir);                                               // there before the first install
    ASSERT_TRUE(WriteFileBytes(cfg, "[LangFile]\r\nFile=-2\r\n")); // and planted in it
    const struct {
        const char* what;
        std::function<ProcessResult()> run;
    } runs[] = {
        {"first install", [&] { return kit.install(kit.german, dir); }},
        {"reinstall", [&] { return kit.install("", ""); }},
        {"upgrade", [&] { return kit.installNext("", ""); }},
    };
    for (const auto& r : runs) {
        ASSERT_TRUE(LetEveryoneWrite(dir) && LetEveryoneWrite(cfg));
        ASSERT_TRUE(UsersMayWrite(dir)) << "the loosened ACL does not read back: nothing to show";
        ASSERT_EQ(0u, r.run().exitCode) << r.what;
        EXPECT_FALSE(UsersMayWrite(dir)) << r.what << ": the folder";
        EXPECT_FALSE(UsersMayWrite(cfg)) << r.what << ": language.cfg kept its own ACL";
        EXPECT_EQ(1, StoredIndexIn(dir)) << r.what;
    }
}

} // namespace testsupport
