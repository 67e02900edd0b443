// The installer-language import in "/CHECK" and "/CHECK_RUN", on the real program with
// real files and the installer's key in the test prefix.
#include "app/installer_import.h"
#include "sysutil/inifile.h"
#include "support/win32_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace testsupport;

namespace {

const char* const kNames = "[ListNames]\r\n0=English\r\n1=Deutsch\r\n2=Fran\xe7"
                           "ais\r\n";

// language.cfg with the list and the index line; a write must change nothing but "File"
// (compared line by line: Wine writes the whole file anew, Windows in place).
std::string Cfg(const std::string& indexLine) {
    return std::string(kNames) + "[LangFile]\r\n" + indexLine + "\r\n";
}

enum class Installer { Missing, Text, Number };

struct ImportCase {
    const char* indexLine;
    Installer installer;
    const char* locale;
    const char* expectedLine; // null: the file must stay as it was, byte for byte
};

void SetInstaller(Installer installer, const char* locale) {
    DeleteInstallerKey();
    if (installer == Installer::Text) {
        SetInstallerText(locale);
    } else if (installer == Installer::Number) {
        const DWORD value = 1033;
        SetInstallerValue(REG_DWORD, &value, sizeof value);
    }
}

FILETIME LastWrite(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

TEST(QuietMode, CheckImportsOnlyWhatTheFileAsksFor) {
    const ImportCase cases[] = {
        {"File=-2", Installer::Text, "1031", "File=1"},
        {"File=-2", Installer::Text, "1034", "File=10"}, // 9 is never stored
        {"File=-2", Installer::Text, "1041", nullptr},   // not in the table
        {"File=-2", Installer::Text, "01033", nullptr},
        {"File=-2", Installer::Text, "1033 ", nullptr},
        {"File=-2", Installer::Number, "", nullptr},
        {"File=-2", Installer::Missing, "", nullptr},
        {"File=-1", Installer::Text, "1031", nullptr},
        {"File=3", Installer::Text, "1031", nullptr},
        {"Other=-2", Installer::Text, "1031", nullptr}, // no key "File"
    };
    Installation inst("import", /*withStandin=*/false);
    const BlocksLeftAtExit left(inst);
    for (const ImportCase& c : cases) {
        const std::string before = Cfg(c.indexLine);
        ASSERT_TRUE(WriteFileBytes(inst.cfg, before));
        const FILETIME written = LastWrite(inst.cfg);
        SetInstaller(c.installer, c.locale);
        DWORD code = 1;
        inst.Run("/CHECK", "", &code);
        const std::string what = std::string(c.indexLine) + " with [" + c.locale + "]";
        EXPECT_EQ(0u, code) << what;
        EXPECT_TRUE(left.None()) << what;
        if (c.expectedLine) {
            EXPECT_TRUE(SameProfileLines(Cfg(c.expectedLine), ReadFileBytes(inst.cfg))) << what;
        } else {
            EXPECT_EQ(before, ReadFileBytes(inst.cfg)) << what;
            const FILETIME now = LastWrite(inst.cfg);
            EXPECT_EQ(0, CompareFileTime(&written, &now)) << what << ": written again";
        }
    }
    DeleteInstallerKey();
}

TEST(QuietMode, CheckRunStartsTheMainApplicationAfterTheImport) {
    Installation inst("order");
    TempFolder elsewhere("cwd");
    ASSERT_TRUE(WriteFileBytes(inst.cfg, Cfg("File=-2")));
    SetInstallerText("1031");
    const BlocksLeftAtExit left(inst);
    DWORD code = 1;
    inst.Run("/CHECK_RUN", elsewhere.Path(), &code);
    DeleteInstallerKey();
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(left.None());
    ASSERT_TRUE(StandinRan(inst));
    const std::string log = ReadFileBytes(inst.standinLog);
    // The main application already reads the new index.
    EXPECT_EQ("1", StandinLogValue(log, "file"));
    EXPECT_TRUE(SameProfileLines(Cfg("File=1"), ReadFileBytes(inst.cfg)));
    // Started from our folder, in the caller's current directory, without arguments.
    std::string cwd = elsewhere.Path();
    cwd.pop_back();
    EXPECT_EQ(cwd, StandinLogValue(log, "cwd"));
    const std::string cmdline = StandinLogValue(log, "cmdline");
    EXPECT_TRUE(StartedWithoutArguments(cmdline, inst.dir)) << cmdline;
}

int g_registryOpens = 0;
LONG WINAPI CountedOpen(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
    ++g_registryOpens;
    return RegOpenKeyExA(root, path, options, access, key);
}

TEST(QuietMode, EveryTableRowIsStoredAndOtherIndexesLeaveTheRegistryAlone) {
    // In-process, so that all thirteen rows are cheap to go through.
    ASSERT_EQ(13, app::kInstallerLocaleCount);
    SystemProcHook hook("RegOpenKeyExA", CountedOpen);
    ASSERT_TRUE(hook.Installed());
    TempFolder folder("rows");
    const std::string path = folder / "language.cfg";
    const auto import = [&] {
        sysutil::IniFile* file = sysutil::CreateIniFile(path.c_str());
        file->Section = "LangFile";
        app::ImportInstallerLanguage(file);
        toolkit::Free(file);
    };
    const struct {
        const char* locale;
        int32_t index;
    } rows[] = {{"1033", 0}, {"1031", 1}, {"1036", 2},  {"1043", 3},  {"1045", 4},  {"1049", 5}, {"1042", 6},
                {"2052", 7}, {"1035", 8}, {"1034", 10}, {"1040", 11}, {"1058", 12}, {"1025", 13}};
    for (const auto& row : rows) {
        SetInstallerText(row.locale);
        ASSERT_TRUE(WriteFileBytes(path, Cfg("File=-2")));
        import();
        EXPECT_TRUE(SameProfileLines(Cfg("File=" + std::to_string(row.index)), ReadFileBytes(path)))
            << row.locale;
    }
    g_registryOpens = 0;
    for (const char* line : {"File=-1", "File=3", "File=0", "Other=1"}) {
        ASSERT_TRUE(WriteFileBytes(path, Cfg(line)));
        import();
        EXPECT_EQ(Cfg(line), ReadFileBytes(path)) << line;
    }
    EXPECT_EQ(0, g_registryOpens);
    DeleteInstallerKey();
}

} // namespace
