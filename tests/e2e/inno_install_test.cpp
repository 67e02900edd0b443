// The example installer of examples/inno, compiled by the real Inno Setup compiler around
// the programs under test, installed silently in two languages and uninstalled.
#include "support/example_installer.h"
#include "support/win32_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace testsupport;

namespace {

// Compiled once for this program; empty when the compiler failed.
const std::string& CompiledInstaller() {
    static const TempFolder out("inno");
    static const std::string exe = [] {
        const ProcessResult compiled =
            RunProcess("\"" + WindowsPath(INNO_COMPILER_EXE) + "\" /Q \"/DLangSelectExe=" + ProductExe() +
                           "\" \"/DMainApplicationExe=" + StandinExe() +
                           "\" \"/DLanguageCfg=" + WindowsPath(LANGUAGE_TEMPLATE) + "\" \"/O" + out.Path() +
                           "\" /FKelmoraSetup \"" + WindowsPath(INNO_SCRIPT) + "\"",
                       "", 60000);
        const std::string path = out / "KelmoraSetup.exe";
        return compiled.finished && compiled.exitCode == 0 && FileExists(path) ? path : std::string();
    }();
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
