// The MSI of examples/wix, built by its wixl-build around the programs under test and
// installed by Windows Installer (Wine's msiexec here): silent installs in two languages and
// in the package's own, upgrades and a repair with and without a language, the installed
// product started the way its shortcut starts it, a language chosen in the dialog, and the
// uninstall.
#include "support/dialog_driver.h"
#include "support/example_installer.h"
#include "support/win32_support.h"

#include <gtest/gtest.h>
#include <msi.h>
#include <msiquery.h>
#include <shlobj.h>

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

// Chooses `index` in LangSelect's dialog with the arrow keys, from the index shown.
void ChooseInDialog(const std::string& exe, int index) {
    DialogDriver d(exe);
    ASSERT_NE(nullptr, d.Form());
    const LRESULT shown = SendMessageA(d.Combo(), CB_GETCURSEL, 0, 0);
    for (LRESULT i = shown; i < index; ++i)
        d.Key(VK_DOWN);
    d.Key(VK_RETURN);
    EXPECT_TRUE(d.DismissBoxAndWaitExit("Information")) << "the restart notice, then the end";
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

// The package's SecureCustomProperties, read from its Property table.
std::string SecureProperties(const std::string& msi) {
    std::string value;
    MSIHANDLE db = 0;
    MSIHANDLE view = 0;
    MSIHANDLE row = 0;
    if (MsiOpenDatabaseA(msi.c_str(), MSIDBOPEN_READONLY, &db) == ERROR_SUCCESS &&
        MsiDatabaseOpenViewA(db, "SELECT `Value` FROM `Property` WHERE `Property` = 'SecureCustomProperties'",
                             &view) == ERROR_SUCCESS &&
        MsiViewExecute(view, 0) == ERROR_SUCCESS && MsiViewFetch(view, &row) == ERROR_SUCCESS) {
        char text[512] = {};
        DWORD size = sizeof text;
        if (MsiRecordGetStringA(row, 1, text, &size) == ERROR_SUCCESS)
            value = text;
    }
    for (const MSIHANDLE h : {row, view, db})
        MsiCloseHandle(h);
    return ";" + value + ";";
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
    ChooseInDialog(choose.target, 9);
    EXPECT_EQ(9, StoredIndexIn(dir));
    DeleteFileA((dir + "brantlow.log").c_str());
    RunProcess("\"" + product.target + "\" " + product.arguments, elsewhere.Path());
    ExpectStartedReading(dir, "9", elsewhere.Path());
    EXPECT_EQ(9, StoredIndexIn(dir));
}

// Without a language, an upgrade, a repair and another build of the same version keep
// both the language recorded and the index chosen since; an index the new list lacks is
// imported again from the language recorded.
TEST_F(Msi, WithoutALanguageTheProductKeepsItsLanguageThroughUpgradesAndRepair) {
    const std::string dir = InstallFolder();
    ASSERT_TRUE(Install(ExampleMsi(), "INSTALLERLANGUAGE=1031"));
    ChooseInDialog(dir + "LangSelect.exe", 9);
    ASSERT_EQ(9, StoredIndexIn(dir));

    ASSERT_TRUE(Install(ExampleMsiUpgrade()));
    EXPECT_EQ("1031", InstallerText());
    EXPECT_EQ(9, StoredIndexIn(dir));
    const std::string upgraded = InstalledProduct();

    // A repair that reinstalls every file and rewrites every value ("/famus"; Wine's msiexec
    // takes it only in this form).
    ASSERT_TRUE(Install(ExampleMsiUpgrade(), "REINSTALL=ALL REINSTALLMODE=amus"));
    EXPECT_EQ("1031", InstallerText());
    EXPECT_EQ(9, StoredIndexIn(dir));

    ASSERT_TRUE(Install(RebuiltUpgrade()));
    EXPECT_NE(upgraded, InstalledProduct()) << "the same version replaces the installed product";
    EXPECT_EQ("1031", InstallerText());
    EXPECT_EQ(9, StoredIndexIn(dir));

    ASSERT_TRUE(Install(RenamedListUpgrade()));
    EXPECT_EQ("1031", InstallerText());
    EXPECT_EQ(1, StoredIndexIn(dir));
}

// The imported index stays, and the dialog shows the new list's name for it.
TEST_F(Msi, WithoutALanguageAnUpgradeKeepsTheImportedIndexUnderItsNewName) {
    const std::string dir = InstallFolder();
    ASSERT_TRUE(Install(ExampleMsi(), "INSTALLERLANGUAGE=1031"));
    ASSERT_EQ(1, StoredIndexIn(dir));
    ASSERT_TRUE(Install(RenamedListUpgrade()));
    EXPECT_EQ("1031", InstallerText());
    EXPECT_EQ(1, StoredIndexIn(dir));
    EXPECT_EQ("Deutsch (Deutschland)", ShownName(dir + "LangSelect.exe"));
}

// An administrator's folder: a silent upgrade that names none finds it, and so does the next.
TEST_F(Msi, AnUpgradeWithoutAFolderStaysInTheInstalledOne) {
    const std::string folder = ShellFolder(CSIDL_PROGRAM_FILES) + "Kelmora Apps";
    const std::string dir = folder + "\\";
    ASSERT_TRUE(Install(ExampleMsi(), "INSTALLERLANGUAGE=1031 INSTALLDIR=\"" + folder + "\""));
    ChooseInDialog(dir + "LangSelect.exe", 9);
    ASSERT_EQ(9, StoredIndexIn(dir));

    ASSERT_TRUE(Install(ExampleMsiUpgrade()));
    EXPECT_EQ(9, StoredIndexIn(dir));
    EXPECT_FALSE(FileExists(InstallFolder())) << "installed into the default folder";
    EXPECT_EQ(1u, InstalledProducts().size());
    ASSERT_TRUE(Install(RenamedListUpgrade()));
    EXPECT_EQ("Deutsch (Deutschland)", ListNameIn(dir, 1));
    EXPECT_EQ(1, StoredIndexIn(dir)) << "index 9 is beyond the new list";
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

// wixl drops Property/@Secure, and Wine hands every property to the install anyway: only
// the package that the example's wixl-build made shows that the language given on the
// command line reaches the elevated part of an install on Windows.
TEST_F(Msi, TheLanguagePropertyIsSecure) {
    EXPECT_NE(std::string::npos, SecureProperties(ExampleMsi()).find(";INSTALLERLANGUAGE;"));
}

} // namespace
