// The installer's language in the registry views of 64-bit Windows. This program runs in
// the 64-bit test prefix as the 32-bit program it is, like the utility on 64-bit Windows:
// its HKLM\Software is the 32-bit view, and a 64-bit-aware installer writes the other one.
#include "support/example_installer.h"
#include "support/win32_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace testsupport;

namespace {

constexpr REGSAM kOwnView = KEY_WOW64_32KEY;
constexpr REGSAM k64BitView = KEY_WOW64_64KEY;

void DeleteFromBothViews() {
    DeleteInstallerKey(kOwnView);
    DeleteInstallerKey(k64BitView);
}

class RegistryViews : public ::testing::Test {
  protected:
    void SetUp() override {
        // Where the kernel runs no 32-bit code, the 64-bit build stands in for the tests; a
        // 64-bit program reads the 64-bit view as its own, so there is no other view to test.
        if (sizeof(void*) != 4)
            GTEST_SKIP() << "a 64-bit build: only a 32-bit program has a second registry view";
        DeleteFromBothViews();
        // The prefix must really be a 64-bit one, with two views.
        SetInstallerText("1031", k64BitView);
        ASSERT_EQ("<absent>", InstallerText()) << "this prefix has a single registry view";
        DeleteFromBothViews();
    }
    // A skipped test leaves the key alone: on a 64-bit bench the same prefix serves the
    // end-to-end tests, whose installer value it would delete under their feet.
    void TearDown() override {
        if (!IsSkipped())
            DeleteFromBothViews();
    }
};

// The own view's key without the language value, as an older 32-bit installer or the
// product's own settings leave it; or with a value that is no text.
constexpr const char* kKeyOnly = "<key>";
constexpr const char* kNumber = "<REG_DWORD>";

void SetOwnView(const std::string& own) {
    if (own == kKeyOnly) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kInstallerKey, 0, nullptr, 0,
                                                 KEY_ALL_ACCESS | kOwnView, nullptr, &key, nullptr));
        RegCloseKey(key);
    } else if (own == kNumber) {
        const DWORD german = 1031;
        SetInstallerValue(REG_DWORD, &german, sizeof german, kOwnView);
    } else {
        SetInstallerText(own, kOwnView);
    }
}

TEST_F(RegistryViews, TheOwnViewsValueComesFirstAndThe64BitViewIsReadWhenItHasNone) {
    const struct {
        const char* own;
        const char* view64;
        const char* expected;
    } cases[] = {
        {nullptr, "1031", "1"},  // a 64-bit-aware installer
        {"1036", "1031", "2"},   // both: ours wins
        {"1036", nullptr, "2"},  // a 32-bit installer, as on 32-bit Windows
        {kKeyOnly, "1031", "1"}, // a key without the value gives way
        {kNumber, "1031", "-2"}, // a value of the wrong type still decides alone
        {nullptr, nullptr, "-2"},
    };
    Installation inst("views", /*withStandin=*/false);
    for (const auto& c : cases) {
        DeleteFromBothViews();
        if (c.own)
            SetOwnView(c.own);
        if (c.view64)
            SetInstallerText(c.view64, k64BitView);
        ASSERT_TRUE(WriteFileBytes(inst.cfg, "[ListNames]\r\n0=English\r\n1=Deutsch\r\n2=Fran\xe7"
                                             "ais\r\n[LangFile]\r\nFile=-2\r\n"));
        inst.Run("/CHECK");
        EXPECT_EQ(std::stoi(c.expected), StoredIndexIn(inst.dir))
            << "own view " << (c.own ? c.own : "-") << ", 64-bit view " << (c.view64 ? c.view64 : "-");
    }
}

TEST_F(RegistryViews, A64BitProductsInstallerIsTakenOver) {
    if (ExampleInstaller64Exe().empty())
        GTEST_SKIP() << "makensis was not found when the tests were configured (tools/setup installs it)";
    TempFolder target("kelmora64");
    TempFolder elsewhere("cwd");
    const ProcessResult setup = InstallSilently(ExampleInstaller64Exe(), "1049", target.Path());
    ASSERT_TRUE(setup.finished && setup.exitCode == 0);
    EXPECT_EQ("1049", InstallerText(k64BitView));
    EXPECT_EQ("<absent>", InstallerText(kOwnView)) << "the installer did not write the 64-bit view";

    RunProcess("\"" + target / "LangSelect.exe" + "\" /CHECK_RUN", elsewhere.Path());
    EXPECT_EQ(5, StoredIndexIn(target.Path()));
    const std::string log = WaitForStandinLog(target.Path());
    EXPECT_EQ("5", StandinLogValue(log, "file")) << "the main application started before the import";

    // Its uninstaller removes the value from the view it was written to, after the folder.
    DeleteFileA((target / "brantlow.log").c_str());
    EXPECT_TRUE(UninstallSilently(target.Path()));
    EXPECT_TRUE(WaitUntil([] { return InstallerText(k64BitView) == "<absent>"; }, 5000));
}

} // namespace
