// The quiet modes on damaged, odd or unreachable input: every run ends by itself with exit
// code 0, and language.cfg keeps every byte unless an import is due, which changes "File"
// alone (compared line by line: Wine writes the whole file anew, with its own line ends).
// The installer's key holds a known locale throughout, so a misread -2 would show.
#include "support/win32_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace testsupport;

namespace {

const char* const kNames = "[ListNames]\r\n0=English\r\n1=Deutsch\r\n2=Fran\xe7"
                           "ais\r\n";

std::string Cfg(const std::string& names, const std::string& index) {
    return names + "[LangFile]\r\nFile=" + index + "\r\n";
}

class BadInput : public ::testing::Test {
  protected:
    void SetUp() override { SetInstallerText("1031"); }
    void TearDown() override { DeleteInstallerKey(); }

    // Runs both quiet modes on `content` (null: leave the folder's language.cfg as set up)
    // and checks the file afterwards against `expected` (empty: unchanged, byte for byte).
    void RunBoth(const Installation& inst, const std::string* content, const std::string& expected,
                 const std::string& what) {
        for (const char* mode : {"/CHECK", "/CHECK_RUN"}) {
            if (content)
                ASSERT_TRUE(WriteFileBytes(inst.cfg, *content)) << what;
            const std::string before = ReadFileBytes(inst.cfg);
            DeleteFileW(Wide(inst.standinLog).c_str());
            // A crash box would keep the process alive: it must end by itself.
            const ProcessResult r = RunProcess("\"" + inst.exe + "\" " + mode, "", 15000);
            ASSERT_TRUE(r.started) << what;
            EXPECT_TRUE(r.finished) << what << " " << mode;
            EXPECT_EQ(0u, r.exitCode) << what << " " << mode;
            const std::string after = ReadFileBytes(inst.cfg);
            if (expected.empty())
                EXPECT_TRUE(after == before)
                    << what << " " << mode << ": " << after.size() << " bytes, was " << before.size();
            else
                EXPECT_TRUE(SameProfileLines(expected, after)) << what << " " << mode;
            if (std::string(mode) == "/CHECK_RUN")
                EXPECT_TRUE(StandinRan(inst)) << what;
        }
    }
};

std::string RandomBytes(size_t count) {
    std::mt19937 generator(20240611);
    std::string bytes(count, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

std::string ManyEntries() {
    std::string names = "[ListNames]\r\n";
    for (int i = 0; i < 5000; ++i)
        names += std::to_string(i) + "=Language " + std::to_string(i) + "\r\n";
    return names;
}

TEST_F(BadInput, DamagedOrOddContent) {
    const std::string longName = "[ListNames]\r\n0=" + std::string(100000, 'n') + "\r\n1=Deutsch\r\n";
    const struct {
        const char* what;
        std::string content;
        std::string expected; // empty: unchanged
    } cases[] = {
        {"1 MiB of random bytes", RandomBytes(1 << 20), ""},
        {"zero bytes", "", ""},
        {"5,000 entries", Cfg(ManyEntries(), "-2"), Cfg(ManyEntries(), "1")},
        {"a 100,000-character name", Cfg(longName, "-2"), Cfg(longName, "1")},
        {"LF line ends, import due", "[ListNames]\n0=English\n1=Deutsch\n[LangFile]\nFile=-2\n",
         "[ListNames]\n0=English\n1=Deutsch\n[LangFile]\nFile=1\n"},
        {"LF line ends", "[ListNames]\n0=English\n[LangFile]\nFile=-1\n", ""},
        {"File=abc", Cfg(kNames, "abc"), ""},
        {"File empty", Cfg(kNames, ""), ""},
        {"File=' 7'", Cfg(kNames, " 7"), ""},
        {"File=0x10", Cfg(kNames, "0x10"), ""},
        {"File=99999999999", Cfg(kNames, "99999999999"), ""},
    };
    Installation inst("bad");
    for (const auto& c : cases)
        RunBoth(inst, &c.content, c.expected, c.what);
}

// A UTF-8 byte-order mark. Wine decodes it and sees every section. Windows' profile
// functions take it for part of the first line, so the section named there is not found:
// the utility, which reads through them, imports nothing when that section is [LangFile].
// (Installers write language.cfg without a mark: docs/language-file.md.)
TEST_F(BadInput, Utf8ByteOrderMark) {
    const std::string bom = "\xef\xbb\xbf";
    const std::string names = "[ListNames]\r\n0=English\r\n1=Fran\xc3\xa7"
                              "ais\r\n";
    const struct {
        const char* what;
        std::string content;
        std::string imported;
        bool hiddenOnWindows;
    } cases[] = {
        {"in front of [ListNames]", bom + Cfg(names, "-2"), bom + Cfg(names, "1"), false},
        {"in front of [LangFile]", bom + Cfg("", "-2") + names, bom + Cfg("", "1") + names, true},
    };
    Installation inst("bom");
    for (const auto& c : cases) {
        const bool hidden = c.hiddenOnWindows && !RunningUnderWine();
        RunBoth(inst, &c.content, hidden ? "" : c.imported, c.what);
    }
}

TEST_F(BadInput, LanguageFileThatIsAFolder) {
    Installation inst("folder");
    ASSERT_TRUE(MakeFolder(inst.cfg));
    RunBoth(inst, nullptr, "", "a folder");
    EXPECT_NE(0u, GetFileAttributesW(Wide(inst.cfg).c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ("<none>", StandinLogValue(ReadFileBytes(inst.standinLog), "file"));
}

TEST_F(BadInput, ReadOnlyLanguageFile) {
    Installation inst("readonly");
    ASSERT_TRUE(WriteFileBytes(inst.cfg, Cfg(kNames, "-2")));
    ReadOnlyFile readOnly(inst.cfg);
    if (!readOnly.Active())
        GTEST_SKIP() << "cannot make a file read-only here";
    // The write is refused; the import is lost without a word and -2 stays.
    RunBoth(inst, nullptr, "", "read-only");
    EXPECT_EQ("-2", StandinLogValue(ReadFileBytes(inst.standinLog), "file"));
}

// A relative path of exactly `length` characters, in levels of at most 41.
std::string Levels(size_t length) {
    std::string path;
    while (path.size() < length) {
        if (!path.empty())
            path += '\\';
        const size_t left = length - path.size();
        path += std::string(left > 41 ? 40 : left, 'd');
    }
    return path;
}

TEST_F(BadInput, FolderNamesWithBlanksAccentsOrNearThePathLimit) {
    const struct {
        const char* what;
        Installation::SubfolderFor subfolder;
    } cases[] = {
        {"blanks and accents", [](const std::string&) { return "Mes Programmes \xe9t\xe9 \xc0 \xfc"; }},
        // LangSelect.exe at 259 characters, the longest path MAX_PATH holds. Wine starts no
        // program from a longer one; longer paths are tested in module_path_test.
        {"near the path limit", [](const std::string& root) { return Levels(259 - 14 - 1 - root.size()); }},
    };
    for (const auto& c : cases) {
        Installation inst("names", true, c.subfolder);
        const std::string content = Cfg(kNames, "-2");
        if (c.what == std::string("near the path limit"))
            ASSERT_EQ(259u, inst.exe.size());
        RunBoth(inst, &content, Cfg(kNames, "1"), c.what);
        EXPECT_EQ("1", StandinLogValue(ReadFileBytes(inst.standinLog), "file")) << c.what;
    }
}

} // namespace
