// The example installer of examples/inno, compiled by the real Inno Setup compiler around
// the programs under test, installed silently in two languages, upgraded by the next version
// and uninstalled.
#include "support/example_installer.h"
#include "support/win32_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace testsupport;

namespace {

// The installer around `languageCfg`, compiled into `out`; empty when the compiler failed.
std::string Compile(const TempFolder& out, const char* languageCfg, const std::string& name) {
    const ProcessResult compiled = RunProcess(
        "\"" + WindowsPath(INNO_COMPILER_EXE) + "\" /Q \"/DLangSelectExe=" + ProductExe() +
            "\" \"/DMainApplicationExe=" + StandinExe() + "\" \"/DLanguageCfg=" + WindowsPath(languageCfg) +
            "\" \"/O" + out.Path() + "\" /F" + name + " \"" + WindowsPath(INNO_SCRIPT) + "\"",
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
    static const std::string exe = Compile(Output(), LANGUAGE_TEMPLATE, "KelmoraSetup");
    return exe;
}
// The next version: its list renames entry 1 and ends at 11.
const std::string& CompiledUpgrade() {
    static const std::string exe = Compile(Output(), UPGRADE_LANGUAGE_TEMPLATE, "KelmoraSetupUpgrade");
    return exe;
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
        DeleteInstallerKey();
    }
    void TearDown() override { DeleteInstallerKey(); }
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
        EXPECT_TRUE(UninstallInnoSilently(dir)) << c.language;
    }
}

// Each case installs in German, lets the user choose in LangSelect's dialog (or not), and
// upgrades silently into the same folder. The upgrade's list renames entry 1 and ends at 11.
TEST_F(InnoInstaller, SilentUpgradesKeepTheProductsLanguageUnlessAnotherIsGiven) {
    ASSERT_FALSE(CompiledUpgrade().empty()) << "ISCC could not compile the upgrade";
    const struct {
        int chosen;           // in LangSelect's dialog after the install; -1: none
        const char* language; // given to the upgrade; "": none
        int index;            // after the upgrade
        const char* recorded;
    } cases[] = {
        {9, "", 9, "1031"},       // the user's choice stays
        {-1, "", 1, "1031"},      // so does the imported index
        {9, "french", 2, "1036"}, // a language given on purpose wins
        {13, "", 1, "1031"},      // not in the new list: imported again
    };
    for (const auto& c : cases) {
        const std::string trace = "chosen " + std::to_string(c.chosen) + ", upgrade /LANG=" + c.language;
        const TempFolder root("kelmora");
        const std::string dir = root / "Kelmora\\";
        ASSERT_TRUE(InstallInnoSilently(CompiledInstaller(), "german", dir).finished) << trace;
        ASSERT_EQ(1, StoredIndexIn(dir)) << trace;
        if (c.chosen >= 0)
            ChooseInDialog(dir, c.chosen);

        const ProcessResult upgrade = InstallInnoSilently(CompiledUpgrade(), c.language, dir);
        ASSERT_TRUE(upgrade.finished) << trace;
        EXPECT_EQ(0u, upgrade.exitCode) << trace;
        EXPECT_EQ(c.index, StoredIndexIn(dir)) << trace;
        EXPECT_EQ(c.recorded, InstallerText()) << trace;
        EXPECT_EQ("Deutsch (Deutschland)", ListNameIn(dir, 1)) << trace << ": the new list";

        EXPECT_TRUE(UninstallInnoSilently(dir)) << trace << ": files left in " << dir;
        // The folder goes first, the keys after it.
        EXPECT_TRUE(WaitUntil([] { return !KeyPresent(kInstallerKey); }, 5000)) << trace;
    }
}

TEST_F(InnoInstaller, UninstallRemovesTheFilesTheLanguageValueAndTheEmptyCompanyKey) {
    const TempFolder root("kelmora");
    const std::string dir = root / "Kelmora\\";
    ASSERT_TRUE(InstallInnoSilently(CompiledInstaller(), "russian", dir).finished);
    ASSERT_EQ("1049", InstallerText());
    ASSERT_TRUE(FileExists(dir + "unins000.exe"));
    EXPECT_TRUE(UninstallInnoSilently(dir)) << "files left in " << dir;
    EXPECT_FALSE(KeyPresent(kInstallerKey));
    EXPECT_FALSE(KeyPresent("Software\\Orvesta Software")) << "the empty company key";
    EXPECT_FALSE(KeyPresent("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{5C0E7A31-9B64-4F1D-"
                            "8E2A-3D7B6C1F0A48}_is1"));
}

} // namespace
