// The example installer of examples/inno, compiled by the real Inno Setup compiler around
// the programs under test, installed silently in two languages, upgraded by the next version
// and uninstalled.
#include "support/example_installer.h"
#include "support/win32_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

using namespace testsupport;

namespace {

constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{5C0E7A31-9B64-4F1D-8E2A-3D7B6C1F0A48}_is1";

// The installer of version `version` around `languageCfg`, compiled into `out`; empty when
// the compiler failed.
std::string Compile(const TempFolder& out, const char* languageCfg, const std::string& name,
                    const std::string& version) {
    const ProcessResult compiled =
        RunProcess("\"" + WindowsPath(INNO_COMPILER_EXE) + "\" /Q /DAppVer=" + version +
                       " \"/DLangSelectExe=" + ProductExe() + "\" \"/DMainApplicationExe=" + StandinExe() +
                       "\" \"/DLanguageCfg=" + WindowsPath(languageCfg) + "\" \"/O" + out.Path() + "\" /F" +
                       name + " \"" + WindowsPath(INNO_SCRIPT) + "\"",
                   "", 60000);
    const std::string path = out / (name + ".exe");
    return compiled.finished && compiled.exitCode == 0 && FileExists(path) ? path : std::string();
}

// Compiled once for this program.
const TempFolder& Output() {
    static const TempFolder out("inno");
    return out;
}
const std::string& CompiledInstaller() {
    static const std::string exe = Compile(Output(), LANGUAGE_TEMPLATE, "KelmoraSetup", "1.0.0");
    return exe;
}
// The next version, 1.1.0: its list renames entry 1, has a gap at 3 and ends at 11.
const std::string& CompiledUpgrade() {
    static const std::string exe =
        Compile(Output(), UPGRADE_LANGUAGE_TEMPLATE, "KelmoraSetupUpgrade", "1.1.0");
    return exe;
}

const ExampleKit& Inno() {
    static const ExampleKit kit{kUninstallKey,
                                [](const std::string& language, const std::string& dir) {
                                    return InstallInnoSilently(CompiledInstaller(), language, dir);
                                },
                                [](const std::string& language, const std::string& dir) {
                                    return InstallInnoSilently(CompiledUpgrade(), language, dir);
                                },
                                "german",
                                "russian",
                                1}; // Setup's code for a refusal at its start
    return kit;
}

// Uninstalls and waits for the uninstall entry too, which the uninstaller removes after
// the folder: a next install that came first would be taken for an upgrade.
::testing::AssertionResult UninstallCompletely(const std::string& dir) {
    if (!UninstallInnoSilently(dir))
        return ::testing::AssertionFailure() << "files left in " << dir;
    if (!WaitUntil([] { return !KeyPresent(kUninstallKey) && !KeyPresent(kInstallerKey); }, 5000))
        return ::testing::AssertionFailure() << "the keys stayed";
    return ::testing::AssertionSuccess();
}

class InnoInstaller : public ::testing::Test {
  protected:
    void SetUp() override {
        if (sizeof(void*) == 8)
            GTEST_SKIP() << "a 64-bit build, the bench of kernels that run no 32-bit code: Inno Setup's "
                            "compiler and the installers it makes are 32-bit programs";
        if (std::string(INNO_COMPILER_EXE).empty())
            GTEST_SKIP() << "ISCC.exe was not found when the tests were configured (tools/setup installs it)";
        ASSERT_FALSE(CompiledInstaller().empty()) << "ISCC could not compile examples/inno/kelmora.iss";
        ForgetInstalls();
    }
    void TearDown() override { ForgetInstalls(); }
    // A test that ends half-way leaves no install that the next would take for its own.
    static void ForgetInstalls() {
        DeleteInstallerKey();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    }
};

// The locale recorded is the script's own, not the language file's: Inno's Spanish is
// 3082, which LangSelect does not map. The installer's elevated import has stored the
// index before anyone starts the product.
TEST_F(InnoInstaller, SilentInstallsRecordTheLocaleAndImportItBeforeTheFirstStart) {
    const struct {
        const char* language;
        const char* locale;
        const char* index;
    } cases[] = {{"german", "1031", "1"}, {"spanish", "1034", "10"}};
    TempFolder elsewhere("cwd");
    for (const auto& c : cases) {
        const TempFolder root("kelmora");
        const std::string dir = root / "Kelmora\\"; // Inno removes only the folders it made
        const ProcessResult setup = InstallInnoSilently(CompiledInstaller(), c.language, dir);
        ASSERT_TRUE(setup.finished) << c.language;
        EXPECT_EQ(0u, setup.exitCode) << c.language;
        EXPECT_EQ(c.locale, InstallerText()) << c.language;
        EXPECT_EQ(std::stoi(c.index), StoredIndexIn(dir)) << c.language;

        EXPECT_TRUE(RunProcess("\"" + dir + "LangSelect.exe\" /CHECK_RUN", elsewhere.Path()).finished);
        ExpectStartedReading(dir, c.index, elsewhere.Path());

        DeleteFileA((dir + "brantlow.log").c_str()); // not the installer's, so it would stay
        EXPECT_TRUE(UninstallCompletely(dir)) << c.language;
    }
}

// The product is installed once, in German; each row makes it version 1.0.0 again with
// French recorded and "File" written raw, and upgrades it silently, given no folder (see
// kept_index_cases.h). Setup runs in the language of the last install, German: it is the
// recorded value, not Setup's own record, that an upgrade keeps.
TEST_F(InnoInstaller, UpgradesKeepAPlainIndexOfTheNewListAndImportAnythingElse) {
    ASSERT_FALSE(CompiledUpgrade().empty()) << "ISCC could not compile the upgrade";
    const TempFolder root("kelmora");
    const std::string dir = root / "Kelmora\\";
    ExpectTheKeptIndexRule(Inno(), dir);
    EXPECT_TRUE(UninstallCompletely(dir));
}

// The folder gets the product's ACL before anything is written, on every kind of run.
// Under Wine only the DACL's mapping onto the mode bits can be read back (see
// UsersMayWrite); owner, protection and the ACEs themselves show only on Windows.
TEST_F(InnoInstaller, EveryRunGivesTheFolderTheProductsAcl) {
    ASSERT_FALSE(CompiledUpgrade().empty()) << "ISCC could not compile the upgrade";
    const TempFolder root("kelmora");
    const std::string dir = root / "Kelmora\\";
    ExpectEveryRunToProtectTheFolder(Inno(), dir);
    // Setup did not make the folder, so its uninstaller leaves it: the entry tells the end.
    RunProcess("\"" + dir + "unins000.exe\" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART");
    EXPECT_TRUE(WaitUntil([] { return !KeyPresent(kUninstallKey); }, 15000));
}

// A folder that is a link is refused: Setup stops before it installs anything (silent:
// exit code 7) and writes nothing through the link. A language.cfg that is a link is not
// used by the elevated steps, and the install goes on: the first start imports instead.
// Wine makes no junction and no symbolic link itself; the build links a folder from the
// Linux side, which Wine reports as a reparse point. A language.cfg that is a symbolic
// link shows only on Windows.
TEST_F(InnoInstaller, ElevatedStepsRefuseALinkedFolderOrLanguageFile) {
    ASSERT_FALSE(CompiledUpgrade().empty()) << "ISCC could not compile the upgrade";
    const std::string linked = WindowsPath(LINKED_FOLDER) + "\\";
    const auto removeLinkedInstall = [&] {
        for (const char* name :
             {"LangSelect.exe", "Brantlow.exe", "language.cfg", "unins000.exe", "unins000.dat"})
            DeleteFileA((linked + name).c_str());
    };
    removeLinkedInstall();
    const ProcessResult refused = InstallInnoSilently(CompiledInstaller(), "german", linked);
    ASSERT_TRUE(refused.finished);
    EXPECT_EQ(7u, refused.exitCode) << "the linked folder was not refused";
    for (const char* name : {"LangSelect.exe", "language.cfg", "unins000.exe"})
        EXPECT_FALSE(FileExists(linked + name)) << name << " was written through the link";
    removeLinkedInstall();
    SetMachineText(kUninstallKey, "Inno Setup: App Path", linked.substr(0, linked.size() - 1));

    // The recorded folder is now a link: the upgrade goes to the default folder.
    const std::string defaultDir = ShellFolder(CSIDL_PROGRAM_FILES) + "Kelmora\\";
    RemoveTree(defaultDir);
    ASSERT_EQ(0u, UpgradeFrom100(Inno(), "").exitCode);
    EXPECT_FALSE(FileExists(linked + "LangSelect.exe")) << "the upgrade followed the linked folder";
    EXPECT_TRUE(FileExists(defaultDir + "LangSelect.exe"));
    removeLinkedInstall();
    if (FileExists(defaultDir + "unins000.exe"))
        EXPECT_TRUE(UninstallCompletely(defaultDir));
    RemoveTree(defaultDir);
    DeleteInstallerKey();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);

    // language.cfg is a second name of another file: it is neither read nor written.
    const TempFolder root("kelmora");
    const TempFolder elsewhere("victim");
    const std::string dir = root / "Kelmora\\";
    ASSERT_EQ(0u, InstallInnoSilently(CompiledInstaller(), "german", dir).exitCode);
    const std::string victim = elsewhere / "victim.cfg";
    const std::string victimBytes = "[LangFile]\r\nFile=9\r\n";
    ASSERT_TRUE(WriteFileBytes(victim, victimBytes));
    ASSERT_TRUE(DeleteFileA((dir + "language.cfg").c_str()));
    ASSERT_TRUE(MakeHardLink(dir + "language.cfg", victim));
    ASSERT_EQ(9, StoredIndexIn(dir));
    ASSERT_EQ(0u, UpgradeFrom100(Inno(), "").exitCode);
    EXPECT_EQ(1, StoredIndexIn(dir)) << "the linked file's index was kept";
    EXPECT_EQ(victimBytes, ReadFileBytes(victim)) << "the installer wrote through the link";
    EXPECT_TRUE(UninstallCompletely(dir));
}

TEST_F(InnoInstaller, UninstallRemovesTheFilesTheLanguageValueAndTheEmptyCompanyKey) {
    const TempFolder root("kelmora");
    const std::string dir = root / "Kelmora\\";
    ASSERT_TRUE(InstallInnoSilently(CompiledInstaller(), "russian", dir).finished);
    ASSERT_EQ("1049", InstallerText());
    ASSERT_TRUE(FileExists(dir + "unins000.exe"));
    EXPECT_TRUE(UninstallCompletely(dir));
    EXPECT_FALSE(KeyPresent("Software\\Orvesta Software")) << "the empty company key";
}

} // namespace
