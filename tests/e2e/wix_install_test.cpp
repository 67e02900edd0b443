// The MSI of examples/wix, built by its wixl-build around the programs under test and
// installed by Windows Installer (Wine's msiexec here): silent installs in two languages and
// in the package's own, upgrades and repairs with and without a language, the installed
// product started the way its shortcut starts it, a language chosen in the dialog, and the
// uninstall; the package's tables; LangSelectMsi.dll's entries called in a session of it.
#include "app/installer_import.h"
#include "support/dialog_driver.h"
#include "support/example_installer.h"
#include "support/kept_index_cases.h"
#include "support/win32_support.h"

#include <gtest/gtest.h>
#include <msi.h>
#include <msidefs.h>
#include <msiquery.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

constexpr const char* kUpgradeCode = "{A58DDC4D-C8E5-4EF5-A030-B99148C22B2D}";

std::string InstallFolder() {
    return ShellFolder(CSIDL_PROGRAM_FILES) + "Kelmora\\";
}
// Wine's msiexec puts the shortcuts of a per-machine package into the user's folders,
// Windows into those of all users.
std::string MenuFolder() {
    return ShellFolder(RunningUnderWine() ? CSIDL_PROGRAMS : CSIDL_COMMON_PROGRAMS) + "Kelmora\\";
}
std::string DesktopShortcut() {
    return ShellFolder(RunningUnderWine() ? CSIDL_DESKTOPDIRECTORY : CSIDL_COMMON_DESKTOPDIRECTORY) +
           "Kelmora.lnk";
}

// The product codes that Windows Installer holds for the example's upgrade code.
std::vector<std::string> InstalledProducts() {
    std::vector<std::string> codes;
    char code[39] = {};
    for (DWORD i = 0; MsiEnumRelatedProductsA(kUpgradeCode, 0, i, code) == ERROR_SUCCESS; ++i)
        codes.emplace_back(code);
    return codes;
}

bool Msiexec(const std::string& arguments) {
    const ProcessResult run = RunProcess("msiexec " + arguments + " /qn", "", 60000);
    return run.finished && run.exitCode == 0;
}

bool Install(const std::string& msi, const std::string& properties = "") {
    return Msiexec("/i \"" + msi + "\" " + properties);
}

// The one installed product, or "" (with a failure) when there is not exactly one.
std::string InstalledProduct() {
    const std::vector<std::string> codes = InstalledProducts();
    EXPECT_EQ(1u, codes.size());
    return codes.size() == 1 ? codes[0] : "";
}

// Another build of the upgrade's version, and 1.0.2, whose list names index 1 "Deutsch
// (Deutschland)" and ends at index 8.
std::string RebuiltUpgrade() {
    return WindowsPath(EXAMPLE_MSI_REBUILT);
}
std::string RenamedListUpgrade() {
    return WindowsPath(EXAMPLE_MSI_RENAMED_LIST);
}

// Writes "File" of language.cfg in `dir` as the bytes `value`, past the profile functions
// that would tidy it, or removes the line (null).
void WriteIndexRaw(const std::string& dir, const char* value) {
    const std::string path = dir + "language.cfg";
    std::string bytes = ReadFileBytes(path);
    const size_t start = bytes.find("\nFile=");
    ASSERT_NE(std::string::npos, start) << bytes;
    const size_t end = bytes.find_first_of("\r\n", start + 1);
    bytes.replace(start + 1, end == std::string::npos ? std::string::npos : end - start - 1,
                  value ? std::string("File=") + value : "");
    ASSERT_TRUE(WriteFileBytes(path, bytes));
}

// The name the dialog shows as chosen. The combo box belongs to another process: its text
// is asked of the control itself, which the system carries across.
std::string ShownName(const std::string& exe) {
    DialogDriver d(exe);
    if (d.Form() == nullptr)
        return "(no dialog)";
    wchar_t wide[MAX_PATH] = {};
    SendMessageW(d.Combo(), WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(wide));
    char text[MAX_PATH * 2] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    d.ClickClient(d.Button("Close"), 45, 12);
    EXPECT_TRUE(d.WaitExit());
    return text;
}

void UninstallAll() {
    DeleteFileA((InstallFolder() + "brantlow.log").c_str()); // not the package's, so it would stay
    for (const std::string& code : InstalledProducts())
        EXPECT_TRUE(Msiexec("/x " + code)) << code;
}

// The rows a query gives of the package's tables, each as its fields' text.
using Rows = std::vector<std::vector<std::string>>;
Rows Query(const std::string& msi, const char* sql) {
    Rows rows;
    MSIHANDLE db = 0;
    MSIHANDLE view = 0;
    if (MsiOpenDatabaseA(msi.c_str(), MSIDBOPEN_READONLY, &db) == ERROR_SUCCESS &&
        MsiDatabaseOpenViewA(db, sql, &view) == ERROR_SUCCESS && MsiViewExecute(view, 0) == ERROR_SUCCESS) {
        MSIHANDLE row = 0;
        while (MsiViewFetch(view, &row) == ERROR_SUCCESS) {
            rows.emplace_back();
            for (UINT field = 1; field <= MsiRecordGetFieldCount(row); ++field) {
                char text[512] = {};
                DWORD size = sizeof text;
                MsiRecordGetStringA(row, field, text, &size);
                rows.back().emplace_back(text);
            }
            MsiCloseHandle(row);
        }
    }
    MsiCloseHandle(view);
    MsiCloseHandle(db);
    return rows;
}

std::string SecureProperties(const std::string& msi) {
    const Rows rows =
        Query(msi, "SELECT `Value` FROM `Property` WHERE `Property` = 'SecureCustomProperties'");
    return ";" + (rows.empty() ? std::string() : rows[0][0]) + ";";
}

// The package's upgrade rows that replace an installed product of its own version.
Rows SameVersionUpgrades(const std::string& msi, const std::string& version) {
    Rows rows;
    for (auto& row : Query(msi, "SELECT `VersionMax`, `Attributes` FROM `Upgrade` WHERE `ActionProperty` = "
                                "'WIX_UPGRADE_DETECTED'")) {
        const long attributes = std::stol(row[1]);
        if (row[0] == version && (attributes & msidbUpgradeAttributesVersionMaxInclusive) != 0 &&
            (attributes & msidbUpgradeAttributesOnlyDetect) == 0)
            rows.push_back(row);
    }
    return rows;
}

class Msi : public ::testing::Test {
  protected:
    void SetUp() override {
        if (ExampleMsi().empty())
            GTEST_SKIP() << "wixl or msibuild was not found when the tests were configured (tools/setup "
                            "installs them)";
        UninstallAll(); // what a run that was stopped half-way left behind
        DeleteInstallerKey();
    }
    void TearDown() override {
        if (!ExampleMsi().empty())
            UninstallAll();
        DeleteInstallerKey();
    }
};

TEST_F(Msi, SilentInstallsStoreTheIndexAndAnUpgradeReplacesTheOldProduct) {
    const std::string dir = InstallFolder();
    ASSERT_TRUE(Install(ExampleMsi(), "INSTALLERLANGUAGE=1031"));
    EXPECT_EQ("1031", InstallerText());
    EXPECT_EQ(1, StoredIndexIn(dir)) << "imported by the install itself";
    const std::vector<std::string> first = InstalledProducts();
    ASSERT_EQ(1u, first.size());

    // A language given to the upgrade becomes the product's, as on a first install.
    ASSERT_TRUE(Install(ExampleMsiUpgrade(), "INSTALLERLANGUAGE=1036"));
    EXPECT_EQ("1036", InstallerText());
    EXPECT_EQ(2, StoredIndexIn(dir));
    const std::vector<std::string> second = InstalledProducts();
    ASSERT_EQ(1u, second.size());
    EXPECT_NE(first[0], second[0]);
    UninstallAll();

    ASSERT_TRUE(Install(ExampleMsi()));
    EXPECT_EQ("1033", InstallerText()) << "the package's own language";
    EXPECT_EQ(0, StoredIndexIn(dir));
}

TEST_F(Msi, TheShortcutStartsTheProductAndTheLanguageChosenInTheDialogStays) {
    const std::string dir = InstallFolder();
    ASSERT_TRUE(Install(ExampleMsi(), "INSTALLERLANGUAGE=1031"));
    const Shortcut product = ReadShortcut(MenuFolder() + "Kelmora.lnk");
    EXPECT_EQ(dir + "LangSelect.exe", product.target);
    EXPECT_EQ("/CHECK_RUN", product.arguments);
    // Windows Installer gives its folders with a trailing backslash; the shell takes both.
    const std::string& folder = product.folder;
    EXPECT_EQ(dir, folder.empty() || folder.back() != '\\' ? folder + "\\" : folder);
    const Shortcut desktop = ReadShortcut(DesktopShortcut());
    EXPECT_EQ(product.target + " " + product.arguments, desktop.target + " " + desktop.arguments);
    const Shortcut choose = ReadShortcut(MenuFolder() + "Choose language.lnk");
    EXPECT_EQ(product.target, choose.target);
    EXPECT_EQ("", choose.arguments);

    TempFolder elsewhere("cwd");
    RunProcess("\"" + product.target + "\" " + product.arguments, elsewhere.Path());
    ExpectStartedReading(dir, "1", elsewhere.Path());

    // Index 9, which no installer language gives, chosen in the dialog.
    ChooseInDialog(dir, 9);
    DeleteFileA((dir + "brantlow.log").c_str());
    RunProcess("\"" + product.target + "\" " + product.arguments, elsewhere.Path());
    ExpectStartedReading(dir, "9", elsewhere.Path());
    EXPECT_EQ(9, StoredIndexIn(dir));
}

// A repair, which any user may start, is no way to change the language: whatever
// INSTALLERLANGUAGE it is given, in either mode, it keeps the value and the index and
// puts back what was damaged.
TEST_F(Msi, ARepairKeepsTheLanguageAndTheIndexWhateverItIsGiven) {
    const std::string dir = InstallFolder();
    ASSERT_TRUE(Install(ExampleMsi(), "INSTALLERLANGUAGE=1031"));
    const std::string german = ListNameIn(dir, 1);
    ASSERT_NE("", german);
    // The list is lost, the index 9 chosen since stays.
    ASSERT_TRUE(WriteFileBytes(dir + "language.cfg", "[LangFile]\r\nFile=9\r\n"));
    // "/famus", the form Wine's msiexec takes: every file reinstalled, every value rewritten.
    ASSERT_TRUE(Install(ExampleMsi(), "REINSTALL=ALL REINSTALLMODE=amus INSTALLERLANGUAGE=1049"));
    EXPECT_EQ("1031", InstallerText());
    EXPECT_EQ(9, StoredIndexIn(dir));
    EXPECT_EQ(german, ListNameIn(dir, 1)) << "the file reinstalled";

    // "/fomus": only what is missing or older.
    ASSERT_TRUE(DeleteFileA((dir + "LangSelect.exe").c_str()));
    ASSERT_TRUE(Install(ExampleMsi(), "REINSTALL=ALL REINSTALLMODE=omus INSTALLERLANGUAGE=1049"));
    EXPECT_TRUE(FileExists(dir + "LangSelect.exe"));
    EXPECT_EQ("1031", InstallerText());
    EXPECT_EQ(9, StoredIndexIn(dir));
}

// The rule for a kept index that every example installer follows, row by row: the product
// recorded French, "File" holds the row's text, and an upgrade given no language installs
// the next version's list (alternately 1.0.1 and another build of it, each replacing the
// one before).
TEST_F(Msi, AnUpgradeKeepsAPlainIndexThatTheNewListNames) {
    const std::string dir = InstallFolder();
    ASSERT_TRUE(Install(ExampleMsi(), "INSTALLERLANGUAGE=1031"));
    bool rebuilt = false;
    for (const KeptIndexCase& row : kKeptIndexCases) {
        const std::string stored = row.stored ? std::string("\"") + row.stored + "\"" : "no File";
        SetInstallerText("1036");
        WriteIndexRaw(dir, row.stored);
        const std::string before = InstalledProduct();
        ASSERT_TRUE(Install(rebuilt ? RebuiltUpgrade() : ExampleMsiUpgrade())) << stored;
        EXPECT_NE(before, InstalledProduct()) << "the upgrade replaces the installed product";
        EXPECT_EQ("1036", InstallerText()) << stored;
        EXPECT_EQ(row.after, StoredIndexIn(dir)) << stored;
        rebuilt = !rebuilt;
    }
}

// The imported index stays, and the dialog shows the new list's name for it. The language
// recorded is French by then, so an index imported again would be 2.
TEST_F(Msi, WithoutALanguageAnUpgradeKeepsTheImportedIndexUnderItsNewName) {
    const std::string dir = InstallFolder();
    ASSERT_TRUE(Install(ExampleMsi(), "INSTALLERLANGUAGE=1031"));
    ASSERT_EQ(1, StoredIndexIn(dir));
    SetInstallerText("1036");
    ASSERT_TRUE(Install(RenamedListUpgrade()));
    EXPECT_EQ("1036", InstallerText());
    EXPECT_EQ(1, StoredIndexIn(dir));
    EXPECT_EQ("Deutsch (Deutschland)", ShownName(dir + "LangSelect.exe"));
}

// An administrator's folder, which held a language.cfg of its own before: a first install
// takes no index from it. A silent upgrade that names no folder finds it, and so does the next.
TEST_F(Msi, AnUpgradeWithoutAFolderStaysInTheInstalledOne) {
    const std::string folder = ShellFolder(CSIDL_PROGRAM_FILES) + "Kelmora Apps";
    const std::string dir = folder + "\\";
    ASSERT_TRUE(MakeFolder(folder));
    ASSERT_TRUE(WriteFileBytes(dir + "language.cfg", "[LangFile]\r\nFile=9\r\n"));
    ASSERT_TRUE(Install(ExampleMsi(), "INSTALLDIR=\"" + folder + "\""));
    EXPECT_EQ("1033", InstallerText());
    EXPECT_EQ(0, StoredIndexIn(dir)) << "the package's own language, imported";
    ChooseInDialog(dir, 9);

    ASSERT_TRUE(Install(ExampleMsiUpgrade()));
    EXPECT_EQ(9, StoredIndexIn(dir));
    EXPECT_FALSE(FileExists(InstallFolder())) << "installed into the default folder";
    EXPECT_EQ(1u, InstalledProducts().size());
    ASSERT_TRUE(Install(RenamedListUpgrade()));
    EXPECT_EQ("Deutsch (Deutschland)", ListNameIn(dir, 1));
    EXPECT_EQ(0, StoredIndexIn(dir)) << "index 9 is beyond the new list: English imported again";
    EXPECT_FALSE(FileExists(InstallFolder()));

    EXPECT_TRUE(Msiexec("/x " + InstalledProduct()));
    EXPECT_FALSE(FileExists(dir));
    EXPECT_FALSE(KeyPresent("Software\\Orvesta Software"));
}

TEST_F(Msi, UninstallAfterAnUpgradeLeavesNothing) {
    ASSERT_TRUE(Install(ExampleMsi(), "INSTALLERLANGUAGE=1031"));
    ASSERT_TRUE(Install(ExampleMsiUpgrade()));
    ASSERT_TRUE(FileExists(MenuFolder() + "Kelmora.lnk"));
    const std::string product = InstalledProduct();
    EXPECT_TRUE(Msiexec("/x " + product));
    EXPECT_TRUE(InstalledProducts().empty());
    EXPECT_FALSE(FileExists(InstallFolder()));
    EXPECT_FALSE(KeyPresent(kInstallerKey));
    EXPECT_FALSE(KeyPresent("Software\\Orvesta Software")) << "the empty company key";
    EXPECT_FALSE(FileExists(MenuFolder()));
    EXPECT_FALSE(FileExists(DesktopShortcut()));
}

// What wixl cannot write, which only Windows acts on: the install folder's permissions
// (Wine reports a made-up ACL for every file), the removal of a language.cfg that was in
// the folder before (Wine replaces it anyway), the language given on the command line
// reaching the elevated part of an install (Wine hands it on anyway), the same version
// replacing the installed product. wixl-build adds to wixl's own rows: the package built
// over a newer wixl that writes a secure property and a same-version row of its own keeps
// them, and adds no second row.
TEST_F(Msi, ThePackageHoldsWhatWixlCannotWrite) {
    const Rows folder =
        Query(ExampleMsi(), "SELECT `Component_` FROM `CreateFolder` WHERE `Directory_` = 'INSTALLDIR'");
    ASSERT_EQ(1u, folder.size());
    EXPECT_EQ("Programs", folder[0][0]) << "the component of LangSelect.exe";
    const Rows permissions = Query(ExampleMsi(), "SELECT `LockObject`, `Table`, `SDDLText`, `Condition` FROM "
                                                 "`MsiLockPermissionsEx`");
    ASSERT_EQ(1u, permissions.size());
    EXPECT_EQ(
        (std::vector<std::string>{"INSTALLDIR", "CreateFolder",
                                  "O:BAG:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", ""}),
        permissions[0]);
    EXPECT_TRUE(Query(ExampleMsi(), "SELECT `LockObject` FROM `LockPermissions`").empty())
        << "one table or the other";
    // Applied by CreateFolders, before any file is written.
    const Rows order =
        Query(ExampleMsi(), "SELECT `Action` FROM `InstallExecuteSequence` WHERE `Action` = "
                            "'CreateFolders' OR `Action` = 'InstallFiles' ORDER BY `Sequence`");
    EXPECT_EQ((Rows{{"CreateFolders"}, {"InstallFiles"}}), order);
    // A language.cfg of unknown origin in the folder goes before the package's is installed.
    const Rows stale =
        Query(ExampleMsi(), "SELECT `Component_`, `InstallMode` FROM `RemoveFile` WHERE `FileName` = "
                            "'language.cfg' AND `DirProperty` = 'INSTALLDIR'");
    EXPECT_EQ((Rows{{"LanguageFile", "1"}}), stale);

    for (const std::string& msi : {ExampleMsi(), std::string(WindowsPath(EXAMPLE_MSI_NEWER_WIXL))}) {
        const std::string secure = SecureProperties(msi);
        for (const char* name : {";INSTALLERLANGUAGE;", ";WIX_UPGRADE_DETECTED;", ";WIX_DOWNGRADE_DETECTED;"})
            EXPECT_NE(std::string::npos, secure.find(name)) << msi << ": " << secure;
        EXPECT_EQ(secure.find(";INSTALLERLANGUAGE;"), secure.rfind(";INSTALLERLANGUAGE;")) << secure;
    }
    EXPECT_EQ(1u, SameVersionUpgrades(ExampleMsi(), "1.0.0").size());
    EXPECT_NE(std::string::npos,
              SecureProperties(WindowsPath(EXAMPLE_MSI_NEWER_WIXL)).find(";NEWER_WIXL_SECURE;"));
    const Rows newer = SameVersionUpgrades(WindowsPath(EXAMPLE_MSI_NEWER_WIXL), "1.0.0");
    ASSERT_EQ(1u, newer.size());
    EXPECT_EQ("513", newer[0][1]) << "the newer wixl's own row";
}

// Nothing of the install folder runs with the installer's rights: no custom action runs a
// program from a file or a folder deferred without impersonation.
TEST_F(Msi, NoCustomActionRunsAProgramOfTheFolderElevated) {
    const Rows actions = Query(ExampleMsi(), "SELECT `Action`, `Type` FROM `CustomAction`");
    ASSERT_FALSE(actions.empty());
    for (const auto& action : actions) {
        const long type = std::stol(action[1]);
        const long kind = type & 0x3F; // the program's source and form
        const bool runsProgram = kind == msidbCustomActionTypeExe + msidbCustomActionTypeSourceFile ||
                                 kind == msidbCustomActionTypeExe + msidbCustomActionTypeDirectory;
        const bool elevated =
            (type & msidbCustomActionTypeInScript) != 0 && (type & msidbCustomActionTypeNoImpersonate) != 0;
        EXPECT_FALSE(runsProgram && elevated) << action[0] << " type " << type;
    }
}

// LangSelectMsi.dll's entries called as Windows Installer calls them, in a session of the
// example package (opened, not installed), where a deferred entry's CustomActionData is a
// property like any other.
class PackageSession {
  public:
    PackageSession() : module_(LoadLibraryA(WindowsPath(LANGSELECT_MSI_DLL).c_str())) {
        MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
        if (MsiOpenPackageExA(ExampleMsi().c_str(), MSIOPENPACKAGEFLAGS_IGNOREMACHINESTATE, &session_) !=
            ERROR_SUCCESS)
            session_ = 0;
    }
    ~PackageSession() {
        MsiCloseHandle(session_);
        FreeLibrary(module_);
    }
    PackageSession(const PackageSession&) = delete;
    PackageSession& operator=(const PackageSession&) = delete;
    bool Ready() const { return module_ != nullptr && session_ != 0; }
    void Set(const char* property, const std::string& value) {
        MsiSetPropertyA(session_, property, value.c_str());
    }
    void Set(const wchar_t* property, const std::wstring& value) {
        MsiSetPropertyW(session_, property, value.c_str());
    }
    // Sets `property` to `value` and calls `entry`; what it returns.
    template <typename Char>
    UINT Call(const char* entry, const Char* property, const std::basic_string<Char>& value) {
        Set(property, value);
        const auto action = reinterpret_cast<UINT(WINAPI*)(MSIHANDLE)>(
            reinterpret_cast<void*>(GetProcAddress(module_, entry)));
        return action ? action(session_) : ERROR_PROC_NOT_FOUND;
    }
    std::string Property(const char* name) const {
        char text[256] = {};
        DWORD size = sizeof text;
        return MsiGetPropertyA(session_, name, text, &size) == ERROR_SUCCESS ? text : "(unreadable)";
    }

  private:
    HMODULE module_;
    MSIHANDLE session_ = 0;
};

constexpr const char* kAwaitingImport = "[ListNames]\r\n0=English\r\n[LangFile]\r\nFile=-2\r\n";

// The DLL's import is the program's: for each locale of the table and one it lacks, the
// installed file ends as "LangSelect.exe /CHECK" leaves it.
TEST_F(Msi, TheDllImportsWhatTheProgramImports) {
    PackageSession session;
    ASSERT_TRUE(session.Ready());
    const Installation inst("import", false);
    std::vector<std::string> locales;
    for (const app::InstallerLocale& row : app::InstallerLocaleTable)
        locales.emplace_back(row.locale);
    locales.emplace_back("1029"); // Czech: no row
    for (const std::string& locale : locales) {
        SetInstallerText(locale);
        // A file of its own for each locale: the profile functions of this process may hold
        // the last one they read.
        const std::string installed = inst.dir + "installed-" + locale + ".cfg";
        ASSERT_TRUE(WriteFileBytes(installed, kAwaitingImport));
        EXPECT_EQ(UINT{ERROR_SUCCESS},
                  session.Call("ApplyLanguageIndex", "CustomActionData", ";" + installed));
        ASSERT_TRUE(WriteFileBytes(inst.cfg, kAwaitingImport));
        inst.Run("/CHECK");
        EXPECT_EQ(StoredIndexIn(inst.dir),
                  static_cast<int>(GetPrivateProfileIntA("LangFile", "File", -100, installed.c_str())))
            << locale;
    }
}

// An index is kept only where the new list names it: a key with an empty name ("9=") is
// no language, and the installer's is imported instead.
TEST_F(Msi, TheDllKeepsOnlyAnIndexThatTheListNames) {
    PackageSession session;
    ASSERT_TRUE(session.Ready());
    SetInstallerText("1031");
    const TempFolder folder("names");
    const struct {
        const char* kept;
        int after;
    } rows[] = {{"0", 0}, {"9", 1}};
    for (const auto& row : rows) {
        const std::string cfg = folder / (std::string("language-") + row.kept + ".cfg");
        ASSERT_TRUE(WriteFileBytes(cfg, "[ListNames]\r\n0=English\r\n9=\r\n[LangFile]\r\nFile=-2\r\n"));
        session.Call("ApplyLanguageIndex", "CustomActionData", row.kept + (";" + cfg));
        EXPECT_EQ(row.after, static_cast<int>(GetPrivateProfileIntA("LangFile", "File", -100, cfg.c_str())))
            << row.kept;
    }
}

// A folder named outside the ANSI code page (Cyrillic, under a Western one) is the folder
// both entries use: through the ANSI calls its name would hold question marks.
TEST_F(Msi, TheDllUsesAFolderNamedOutsideTheAnsiCodePage) {
    const std::wstring name = L"\x041a\x0435\x043b\x044c\x043c\x043e\x0440\x0430";
    BOOL lossy = FALSE;
    char ansi[64] = {};
    WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, ansi, sizeof ansi, nullptr, &lossy);
    if (!lossy)
        GTEST_SKIP() << "the ANSI code page " << GetACP() << " holds the name";
    PackageSession session;
    ASSERT_TRUE(session.Ready());
    SetInstallerText("1031");
    const TempFolder root("wide");
    const std::wstring folder = Wide(root.Path()) + name;
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring cfg = folder + L"\\language.cfg";
    const auto stored = [&] {
        return static_cast<int>(GetPrivateProfileIntW(L"LangFile", L"File", -100, cfg.c_str()));
    };

    ASSERT_TRUE(WritePrivateProfileStringW(L"ListNames", L"0", L"English", cfg.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"LangFile", L"File", L"0", cfg.c_str()));
    session.Set("LanguageIndex", "");
    session.Call("ReadLanguageIndex", L"LanguageFile", cfg);
    EXPECT_EQ("0", session.Property("LanguageIndex"));
    ASSERT_TRUE(WritePrivateProfileStringW(L"LangFile", L"File", L"-2", cfg.c_str()));
    session.Call("ApplyLanguageIndex", L"CustomActionData", L";" + cfg);
    EXPECT_EQ(1, stored()) << "imported";
}

// Wine's Linux name of a Windows path, or "" (not Wine).
std::string LinuxPath(const std::string& path) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    const char* name = unixName ? unixName(Wide(path).c_str()) : nullptr;
    return name ? name : "";
}

// Starts a Linux program under Wine, which gives no handle to wait on: true once `done`.
bool RunLinux(const std::string& commandLine, const std::function<bool()>& done) {
    std::wstring line = Wide(commandLine);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return WaitUntil(done, 5000);
}

bool Present(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// `link`, a symbolic link to the folder `target`, while this lives: made by the system's
// call, or where that makes nothing (Wine's reports success and makes nothing) by Linux's
// ln, which Wine shows as a reparse point. Removed as itself at the end.
class FolderLink {
  public:
    FolderLink(const std::string& link, const std::string& target) : link_(link) {
        // Bound at run time: the tests are built for systems older than the call.
        using MakeLink = BOOLEAN(WINAPI*)(const char*, const char*, DWORD);
        const auto makeLink = reinterpret_cast<MakeLink>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA")));
        constexpr DWORD kFolderLink = 1; // SYMBOLIC_LINK_FLAG_DIRECTORY
        if (makeLink && makeLink(link.c_str(), target.c_str(), kFolderLink) && Present(link))
            return;
        linux_ = LinuxPath(link);
        const std::string to = LinuxPath(target);
        if (!linux_.empty() && !to.empty())
            RunLinux("Z:\\bin\\ln -s \"" + to + "\" \"" + linux_ + "\"", [&] { return Present(link); });
    }
    ~FolderLink() {
        if (!linux_.empty())
            RunLinux("Z:\\bin\\rm \"" + linux_ + "\"", [&] { return !Present(link_); });
        else
            RemoveDirectoryA(link_.c_str());
    }
    FolderLink(const FolderLink&) = delete;
    FolderLink& operator=(const FolderLink&) = delete;
    bool Made() const {
        return (GetFileAttributesA(link_.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && Present(link_);
    }

  private:
    std::string link_;
    std::string linux_; // made by ln
};

// The elevated steps leave a folder or a language.cfg that is a link alone: no index is
// read, none written, nothing imported, and the install goes on. Wine makes no symbolic
// link to a file and no junction (the file's link would show as a plain file): a folder
// linked by ln, and a file with a second name (a hard link), stand for them here.
TEST_F(Msi, TheDllLeavesALinkedFolderOrFileAlone) {
    PackageSession session;
    ASSERT_TRUE(session.Ready());
    SetInstallerText("1031");
    TempFolder root("links");
    const std::string real = root / "real";
    ASSERT_TRUE(MakeFolder(real));
    const std::string cfg = real + "\\language.cfg";

    // The plain folder and file first: both steps act.
    ASSERT_TRUE(WriteFileBytes(cfg, "[ListNames]\r\n0=English\r\n[LangFile]\r\nFile=0\r\n"));
    session.Call("ReadLanguageIndex", "LanguageFile", cfg);
    EXPECT_EQ("0", session.Property("LanguageIndex"));
    ASSERT_TRUE(WriteFileBytes(cfg, kAwaitingImport));
    session.Call("ApplyLanguageIndex", "CustomActionData", ";" + cfg);
    EXPECT_EQ(1, StoredIndexIn(real + "\\"));

    // Read gives no index and Apply leaves the file as it is, for `file` reached as `path`.
    const auto expectLeftAlone = [&](const std::string& path, const std::string& file, const char* what) {
        ASSERT_TRUE(WriteFileBytes(file, "[ListNames]\r\n0=English\r\n[LangFile]\r\nFile=0\r\n"));
        session.Set("LanguageIndex", "");
        EXPECT_EQ(UINT{ERROR_SUCCESS}, session.Call("ReadLanguageIndex", "LanguageFile", path));
        EXPECT_EQ("", session.Property("LanguageIndex")) << what;
        ASSERT_TRUE(WriteFileBytes(file, kAwaitingImport));
        EXPECT_EQ(UINT{ERROR_SUCCESS}, session.Call("ApplyLanguageIndex", "CustomActionData", "0;" + path));
        EXPECT_EQ(-2, static_cast<int>(GetPrivateProfileIntA("LangFile", "File", -100, file.c_str())))
            << what;
    };
    const std::string other = root / "elsewhere.cfg";
    ASSERT_TRUE(CreateHardLinkA(other.c_str(), cfg.c_str(), nullptr));
    expectLeftAlone(cfg, cfg, "language.cfg with a second name");
    ASSERT_TRUE(DeleteFileA(other.c_str()));

    // The folder itself, and a folder above it (the one an administrator made for it, say).
    const std::string nested = real + "\\Kelmora";
    ASSERT_TRUE(MakeFolder(nested));
    const std::string linked = root / "linked";
    const FolderLink link(linked, real);
    ASSERT_TRUE(link.Made()) << "no symbolic link to a folder could be made";
    expectLeftAlone(linked + "\\language.cfg", cfg, "a folder that is a symbolic link");
    expectLeftAlone(linked + "\\Kelmora\\language.cfg", nested + "\\language.cfg",
                    "a folder below a symbolic link");
}

} // namespace
