// The example installer of examples/nsis, built by makensis around the programs under test:
// installed silently in several languages and interactively through its own language
// dialog with real keys, then the installed utility run the way its shortcuts run it, the
// next version's installer over it, and the uninstaller.
#include "support/dialog_driver.h"
#include "support/example_installer.h"
#include "support/win32_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

using namespace testsupport;

namespace {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelmora";

std::string StartMenuFolder() {
    return ShellFolder(CSIDL_COMMON_PROGRAMS) + "Kelmora\\";
}
std::string DesktopShortcut() {
    return ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "Kelmora.lnk";
}

// A control's text asked of the control itself: GetWindowText gives only the caption that
// the window was made with when the window belongs to another process.
std::string ControlText(HWND control) {
    wchar_t wide[MAX_PATH] = {};
    SendMessageW(control, WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(wide));
    char text[MAX_PATH * 2] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

// A control of the wizard's current page (an inner dialog), or null.
HWND OnPage(HWND wizard, const char* className) {
    HWND page = FindWindowExA(wizard, nullptr, "#32770", nullptr);
    return page ? FindWindowExA(page, nullptr, className, nullptr) : nullptr;
}

HWND CheckBoxOnPage(HWND wizard) {
    HWND page = FindWindowExA(wizard, nullptr, "#32770", nullptr);
    for (HWND b = nullptr; page && (b = FindWindowExA(page, b, "Button", nullptr)) != nullptr;) {
        const LONG type = GetWindowLongA(b, GWL_STYLE) & BS_TYPEMASK;
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX)
            return b;
    }
    return nullptr;
}

class Installer : public ::testing::Test {
  protected:
    void SetUp() override {
        if (ExampleInstallerExe().empty())
            GTEST_SKIP() << "makensis was not found when the tests were configured (tools/setup installs it)";
        ForgetInstalls();
    }
    void TearDown() override { ForgetInstalls(); }
    // The tests remove their folders without uninstalling: the uninstall entry would send
    // the next install into a folder that is gone, as an upgrade.
    static void ForgetInstalls() {
        DeleteInstallerKey();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    }
};

TEST_F(Installer, SilentInstallsRecordTheLocaleAndStoreItsIndex) {
    const struct {
        const char* locale;
        const char* index;
    } cases[] = {{"1031", "1"}, {"1034", "10"}, {"1049", "5"}, {"1041", "-2"}}; // no Japanese: -2 stays
    TempFolder elsewhere("cwd");
    // The key is kept from one install to the next, as on an upgrade: /LANG= still wins.
    for (const auto& c : cases) {
        TempFolder target("kelmora");
        const ProcessResult setup = InstallSilently(ExampleInstallerExe(), c.locale, target.Path());
        ASSERT_TRUE(setup.finished) << c.locale;
        EXPECT_EQ(0u, setup.exitCode) << c.locale;
        EXPECT_EQ(c.locale, InstallerText()) << "no page function runs in a silent install";
        // Imported by the installer itself, while it ran elevated.
        EXPECT_EQ(std::stoi(c.index), StoredIndexIn(target.Path())) << c.locale;

        const ProcessResult run =
            RunProcess("\"" + target / "LangSelect.exe" + "\" /CHECK_RUN", elsewhere.Path());
        EXPECT_TRUE(run.finished && run.exitCode == 0) << c.locale;
        EXPECT_EQ(std::stoi(c.index), StoredIndexIn(target.Path())) << c.locale;
        ExpectStartedReading(target.Path(), c.index, elsewhere.Path());
    }
}

// Removes the interactive install (from its default folder) however the test ends.
struct DefaultInstallRemover {
    std::string dir;
    ~DefaultInstallRemover() {
        if (dir.empty() || !FileExists(dir + "uninstall.exe"))
            return;
        DeleteFileA((dir + "brantlow.log").c_str()); // not the installer's, so it would stay
        EXPECT_TRUE(UninstallSilently(dir)) << dir;
    }
};

TEST_F(Installer, InteractiveInstallTakesTheDialogsLanguageAndTheUsersLaterChoiceStays) {
    const std::string dir = ShellFolder(CSIDL_PROGRAM_FILES) + "Kelmora\\";
    RemoveTree(dir); // what a run that was stopped half-way left behind
    Started setup("\"" + ExampleInstallerExe() + "\"");
    ASSERT_TRUE(setup.Ok());
    DefaultInstallRemover remover{dir};

    // The installer's language dialog: "I" picks the only name starting with it, Italiano.
    HWND language = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        language = FindProcessWindow(setup.Id(), "#32770", "Installer Language");
        return language && IsWindowVisible(language);
    })) << "no language dialog";
    SetForegroundWindow(language);
    WaitUntil([&] { return GetForegroundWindow() == language; }, 3000);
    PressKeyForFocus('I');
    EXPECT_EQ("Italiano", ControlText(FindWindowExA(language, nullptr, "ComboBox", nullptr)));
    PressKeyForFocus(VK_RETURN);

    // The wizard: Enter takes the default button of each page (Next, Install, Finish).
    HWND wizard = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        wizard = FindProcessWindow(setup.Id(), "#32770", nullptr);
        return wizard && wizard != language && IsWindowVisible(wizard) &&
               IsWindowEnabled(GetDlgItem(wizard, IDOK));
    })) << "no wizard";
    SetForegroundWindow(wizard);
    WaitUntil([&] { return GetForegroundWindow() == wizard; }, 3000);
    PressKeyForFocus(VK_RETURN); // welcome

    HWND folderBox = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (folderBox = OnPage(wizard, "Edit")) != nullptr; }))
        << "no directory page";
    EXPECT_EQ(dir, ControlText(folderBox) + "\\") << "the default folder, with its blank";
    PressKeyForFocus(VK_RETURN); // install

    // The finish page: its option "run" is the only check box.
    HWND run = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (run = CheckBoxOnPage(wizard)) != nullptr; }, 20000))
        << "no finish page";
    EXPECT_EQ(BST_CHECKED, SendMessageA(run, BM_GETCHECK, 0, 0));
    EXPECT_EQ(11, StoredIndexIn(dir)) << "imported before the finish page";
    PressKeyForFocus(VK_RETURN); // finish, and run the product
    DWORD code = 1;
    EXPECT_TRUE(setup.WaitExit(10000, &code));
    EXPECT_EQ(0u, code);

    // The installer recorded the language and stored its index before the finish page
    // started the product through "/CHECK_RUN".
    EXPECT_EQ("1040", InstallerText());
    ExpectStartedReading(dir, "11", "");
    EXPECT_EQ(11, StoredIndexIn(dir));

    // The user picks another language through "Choose language": index 9, which no
    // installer language gives.
    const Shortcut choose = ReadShortcut(StartMenuFolder() + "Choose language.lnk");
    EXPECT_EQ(dir + "LangSelect.exe", choose.target);
    EXPECT_EQ("", choose.arguments);
    {
        DialogDriver d(choose.target);
        ASSERT_NE(nullptr, d.Form());
        EXPECT_EQ(11, SendMessageA(d.Combo(), CB_GETCURSEL, 0, 0));
        d.Key(VK_UP);
        d.Key(VK_UP);
        d.Key(VK_RETURN);
        EXPECT_TRUE(d.DismissBoxAndWaitExit("Information")) << "the restart notice, then the end";
    }
    EXPECT_EQ(9, StoredIndexIn(dir));

    // The product's shortcuts: the next start keeps the user's choice.
    const Shortcut product = ReadShortcut(StartMenuFolder() + "Kelmora.lnk");
    EXPECT_EQ(dir + "LangSelect.exe", product.target);
    EXPECT_EQ("/CHECK_RUN", product.arguments);
    const Shortcut desktop = ReadShortcut(DesktopShortcut());
    EXPECT_EQ(product.target + " " + product.arguments, desktop.target + " " + desktop.arguments);
    DeleteFileA((dir + "brantlow.log").c_str());
    RunProcess("\"" + product.target + "\" " + product.arguments, product.folder);
    ExpectStartedReading(dir, "9", "");
    EXPECT_EQ(9, StoredIndexIn(dir));
}

// Each case installs in German, lets the user choose in LangSelect's dialog (or not), and
// upgrades silently, given no folder: it finds the installed one, as a pushed update must.
// The upgrade's list renames entry 1 and ends at 11.
TEST_F(Installer, SilentUpgradesKeepTheProductsLanguageUnlessAnotherIsGiven) {
    if (ExampleUpgradeInstallerExe().empty())
        GTEST_SKIP() << "no upgrade installer";
    const struct {
        int chosen;         // in LangSelect's dialog after the install; -1: none
        const char* locale; // given to the upgrade; "": none
        int index;          // after the upgrade
        const char* recorded;
    } cases[] = {
        {9, "", 9, "1031"},     // the user's choice stays
        {-1, "", 1, "1031"},    // so does the imported index
        {9, "1036", 2, "1036"}, // a language given on purpose wins
        {13, "", 1, "1031"},    // not in the new list: imported again
    };
    for (const auto& c : cases) {
        const std::string trace = "chosen " + std::to_string(c.chosen) + ", upgrade /LANG=" + c.locale;
        TempFolder target("kelmora");
        ASSERT_TRUE(InstallSilently(ExampleInstallerExe(), "1031", target.Path()).finished) << trace;
        ASSERT_EQ(1, StoredIndexIn(target.Path())) << trace;
        if (c.chosen >= 0)
            ChooseInDialog(target.Path(), c.chosen);

        const ProcessResult upgrade = InstallSilently(ExampleUpgradeInstallerExe(), c.locale, "");
        ASSERT_TRUE(upgrade.finished) << trace;
        EXPECT_EQ(0u, upgrade.exitCode) << trace;
        EXPECT_EQ(c.index, StoredIndexIn(target.Path())) << trace;
        EXPECT_EQ(c.recorded, InstallerText()) << trace;
        EXPECT_EQ("Deutsch (Deutschland)", ListNameIn(target.Path(), 1)) << trace << ": the new list";
        EXPECT_FALSE(FileExists(ShellFolder(CSIDL_PROGRAM_FILES) + "Kelmora")) << trace << ": a second copy";

        EXPECT_TRUE(UninstallSilently(target.Path())) << trace << ": files left in " << target.Path();
        // The folder goes first, the keys after it.
        EXPECT_TRUE(WaitUntil([] { return !KeyPresent(kInstallerKey); }, 5000)) << trace;
    }
}

TEST_F(Installer, UninstallRemovesTheFilesTheShortcutsAndTheLanguageValue) {
    TempFolder target("kelmora");
    ASSERT_TRUE(InstallSilently(ExampleInstallerExe(), "1031", target.Path()).finished);
    ASSERT_EQ("1031", InstallerText());
    ASSERT_TRUE(FileExists(StartMenuFolder() + "Kelmora.lnk"));
    EXPECT_TRUE(UninstallSilently(target.Path())) << "files left in " << target.Path();
    // The uninstaller removes the folder first and its uninstall entry last.
    EXPECT_TRUE(WaitUntil([] { return !KeyPresent(kUninstallKey); }, 5000));
    EXPECT_FALSE(KeyPresent(kInstallerKey));
    EXPECT_FALSE(KeyPresent("Software\\Orvesta Software")) << "the empty company key";
    EXPECT_FALSE(FileExists(StartMenuFolder()));
    EXPECT_FALSE(FileExists(DesktopShortcut()));
}

} // namespace
