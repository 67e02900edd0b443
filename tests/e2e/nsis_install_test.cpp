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

// The finish page: the install is over (Cancel is off), and no progress bar or folder box.
bool OnFinishPage(HWND wizard) {
    return FindWindowExA(wizard, nullptr, "#32770", nullptr) && !OnPage(wizard, "msctls_progress32") &&
           !OnPage(wizard, "Edit") && IsWindowEnabled(GetDlgItem(wizard, IDOK)) &&
           !IsWindowEnabled(GetDlgItem(wizard, IDCANCEL));
}

const ExampleKit& Nsis() {
    static const ExampleKit kit{kUninstallKey,
                                [](const std::string& locale, const std::string& dir) {
                                    return InstallSilently(ExampleInstallerExe(), locale, dir);
                                },
                                [](const std::string& locale, const std::string& dir) {
                                    return InstallSilently(ExampleUpgradeInstallerExe(), locale, dir);
                                },
                                "1031",
                                "1049",
                                2};
    return kit;
}

// Uninstalls and waits for the uninstall entry too: the uninstaller removes it after the
// folder, and a next install that came first would lose its InstallLocation to it.
::testing::AssertionResult UninstallCompletely(const std::string& dir) {
    if (!UninstallSilently(dir))
        return ::testing::AssertionFailure() << "files left in " << dir;
    if (!WaitUntil([] { return !KeyPresent(kUninstallKey) && !KeyPresent(kInstallerKey); }, 5000))
        return ::testing::AssertionFailure() << "the keys stayed";
    return ::testing::AssertionSuccess();
}

// Removes an install from the default folder however the test ends.
struct DefaultInstallRemover {
    std::string dir;
    ~DefaultInstallRemover() {
        if (dir.empty() || !FileExists(dir + "uninstall.exe"))
            return;
        DeleteFileA((dir + "brantlow.log").c_str()); // not the installer's, so it would stay
        EXPECT_TRUE(UninstallCompletely(dir)) << dir;
    }
};

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
    for (const auto& c : cases) {
        ForgetInstalls(); // each a first install: a reinstall would keep the language
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

    // The finish page offers no "run": it would start the product elevated, as the
    // administrator whose password was typed, not as the desktop's user.
    ASSERT_TRUE(WaitUntil([&] { return OnFinishPage(wizard); }, 20000)) << "no finish page";
    EXPECT_EQ(nullptr, CheckBoxOnPage(wizard)) << "an option to run the product";
    EXPECT_EQ(11, StoredIndexIn(dir)) << "imported before the finish page";
    PressKeyForFocus(VK_RETURN); // finish
    DWORD code = 1;
    EXPECT_TRUE(setup.WaitExit(10000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ("1040", InstallerText());
    EXPECT_FALSE(FileExists(dir + "brantlow.log")) << "the product was started";

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

// The product is installed once, in German; each row makes it version 1.0.0 again with
// French recorded and "File" written raw, and upgrades it silently, given no folder: it
// finds the installed one, as a pushed update must (see kept_index_cases.h).
TEST_F(Installer, UpgradesKeepAPlainIndexOfTheNewListAndImportAnythingElse) {
    if (ExampleUpgradeInstallerExe().empty())
        GTEST_SKIP() << "no upgrade installer";
    TempFolder target("kelmora");
    ExpectTheKeptIndexRule(Nsis(), target.Path());
    EXPECT_FALSE(FileExists(ShellFolder(CSIDL_PROGRAM_FILES) + "Kelmora")) << "a second copy";
    EXPECT_TRUE(UninstallCompletely(target.Path()));
}

// The folder gets the product's ACL before anything is written, on every kind of run.
// Under Wine only the DACL's mapping onto the mode bits can be read back (see
// UsersMayWrite); owner, protection and the ACEs themselves show only on Windows.
TEST_F(Installer, EveryRunGivesTheFolderTheProductsAcl) {
    if (ExampleUpgradeInstallerExe().empty())
        GTEST_SKIP() << "no upgrade installer";
    TempFolder target("kelmora");
    ExpectEveryRunToProtectTheFolder(Nsis(), target.Path());
    EXPECT_TRUE(UninstallCompletely(target.Path()));
}

// A folder that is a link is refused: the install stops with its exit code and writes
// nothing through the link. A language.cfg that is a link is not used by the elevated
// steps, and the install goes on: the first start imports instead. Wine makes no junction
// and no symbolic link itself; the build links a folder from the Linux side, which Wine
// reports as a reparse point. A language.cfg that is a symbolic link shows only on
// Windows: Wine follows a Linux link to a file without saying so.
TEST_F(Installer, ElevatedStepsRefuseALinkedFolderOrLanguageFile) {
    if (ExampleUpgradeInstallerExe().empty())
        GTEST_SKIP() << "no upgrade installer";
    const std::string linked = WindowsPath(LINKED_FOLDER) + "\\";
    const auto removeLinkedInstall = [&] {
        for (const char* name : {"LangSelect.exe", "Brantlow.exe", "language.cfg", "uninstall.exe"})
            DeleteFileA((linked + name).c_str());
    };
    removeLinkedInstall();
    const ProcessResult refused = InstallSilently(ExampleInstallerExe(), "1031", linked);
    ASSERT_TRUE(refused.finished);
    EXPECT_EQ(3u, refused.exitCode) << "the linked folder was not refused";
    for (const char* name : {"LangSelect.exe", "language.cfg", "uninstall.exe"})
        EXPECT_FALSE(FileExists(linked + name)) << name << " was written through the link";
    EXPECT_FALSE(KeyPresent(kUninstallKey)) << "the refused install was registered";
    removeLinkedInstall();

    // The recorded folder is now a link: the upgrade goes to the default folder.
    const std::string defaultDir = ShellFolder(CSIDL_PROGRAM_FILES) + "Kelmora\\";
    RemoveTree(defaultDir);
    DefaultInstallRemover remover{defaultDir};
    SetMachineText(kUninstallKey, "InstallLocation", linked.substr(0, linked.size() - 1));
    ASSERT_EQ(0u, UpgradeFrom100(Nsis(), "").exitCode);
    EXPECT_FALSE(FileExists(linked + "LangSelect.exe")) << "the upgrade followed the linked folder";
    EXPECT_TRUE(FileExists(defaultDir + "LangSelect.exe"));
    removeLinkedInstall();
    EXPECT_TRUE(UninstallCompletely(defaultDir));

    // language.cfg is a second name of another file: it is neither read nor written.
    TempFolder target("kelmora");
    TempFolder elsewhere("victim");
    ASSERT_EQ(0u, InstallSilently(ExampleInstallerExe(), "1031", target.Path()).exitCode);
    const std::string victim = elsewhere / "victim.cfg";
    const std::string victimBytes = "[LangFile]\r\nFile=9\r\n";
    ASSERT_TRUE(WriteFileBytes(victim, victimBytes));
    ASSERT_TRUE(DeleteFileA((target / "language.cfg").c_str()));
    ASSERT_TRUE(MakeHardLink(target / "language.cfg", victim));
    ASSERT_EQ(9, StoredIndexIn(target.Path()));
    ASSERT_EQ(0u, UpgradeFrom100(Nsis(), "").exitCode);
    EXPECT_EQ(1, StoredIndexIn(target.Path())) << "the linked file's index was kept";
    EXPECT_EQ(victimBytes, ReadFileBytes(victim)) << "the installer wrote through the link";
    EXPECT_TRUE(UninstallCompletely(target.Path()));
}

// The install stops, silently with its exit code, rather than take the permissions of
// others' files or leave an old program that its elevated steps would run.
TEST_F(Installer, RefusesAFolderWithOthersFilesAndAFileItCannotReplace) {
    TempFolder data("data");
    ASSERT_TRUE(WriteFileBytes(data / "notes.txt", "mine"));
    ASSERT_TRUE(LetEveryoneWrite(data.Path()));
    EXPECT_EQ(3u, InstallSilently(ExampleInstallerExe(), "1031", data.Path()).exitCode) << "others' files";
    EXPECT_TRUE(UsersMayWrite(data.Path())) << "the folder of others' files lost its permissions";
    EXPECT_FALSE(FileExists(data / "LangSelect.exe"));

    TempFolder target("kelmora");
    ASSERT_EQ(0u, InstallSilently(ExampleInstallerExe(), "1031", target.Path()).exitCode);
    const std::string exe = target / "LangSelect.exe";
    HANDLE held = CreateFileA(exe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(3u, InstallSilently(ExampleInstallerExe(), "1031", "").exitCode)
        << "an old LangSelect.exe stayed";
    CloseHandle(held);
    EXPECT_TRUE(UninstallCompletely(target.Path()));
}

TEST_F(Installer, UninstallRemovesTheFilesTheShortcutsAndTheLanguageValue) {
    TempFolder target("kelmora");
    ASSERT_TRUE(InstallSilently(ExampleInstallerExe(), "1031", target.Path()).finished);
    ASSERT_EQ("1031", InstallerText());
    ASSERT_TRUE(FileExists(StartMenuFolder() + "Kelmora.lnk"));
    EXPECT_TRUE(UninstallCompletely(target.Path()));
    EXPECT_FALSE(KeyPresent("Software\\Orvesta Software")) << "the empty company key";
    EXPECT_FALSE(FileExists(StartMenuFolder()));
    EXPECT_FALSE(FileExists(DesktopShortcut()));
}

} // namespace
