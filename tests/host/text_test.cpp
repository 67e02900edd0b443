// Text, path and command-line rules, natively under the sanitizers.
#include "app/modes.h"
#include "sysutil/cmdline.h"
#include "sysutil/fatal.h"
#include "sysutil/text.h"
#include "support/text_printer.h"

#include <gtest/gtest.h>

#include <climits>

using namespace sysutil;

namespace {

struct ScanCase {
    const char* commandLine;
    int32_t index;
    const char* expected;
};

// Table-driven like the platform's own conformance tests: one row per rule.
const ScanCase kScanCases[] = {
    {"prog.exe", 1, ""},                                   // only the program name
    {"prog.exe", 0, "prog.exe"},
    {"prog.exe /CHECK", 1, "/CHECK"},
    {"prog.exe\t/a\x01/b\x1f/c", 1, "/a"},                 // every code 1..32 separates
    {"prog.exe\t/a\x01/b\x1f/c", 2, "/b"},
    {"prog.exe\t/a\x01/b\x1f/c", 3, "/c"},
    {"prog.exe \"\" /x", 1, "/x"},                         // an empty quote pair is dropped
    {"prog.exe \"\"\"\" /x", 1, "/x"},                     // two of them too
    {"prog.exe \"\"/x", 1, "/x"},
    {"prog.exe \"/CHECK_RUN\"", 1, "/CHECK_RUN"},          // quotes around the whole go
    {"prog.exe \" /CHECK\"", 1, " /CHECK"},                // a blank inside them stays
    {"prog.exe /k=\"a b\" /z", 1, "/k=\"a b\""},           // a quoted stretch keeps blanks and quotes
    {"prog.exe /k=\"a b\" /z", 2, "/z"},
    {"prog.exe /k=\"a b", 1, "/k=\"a b"},                  // an unclosed quote runs to the end
    {"prog.exe \"", 1, "\""},                              // a lone quote at the end
    {"prog.exe \"a", 1, "\"a"},
    {"prog.exe \xe9t\xe9 \xff", 1, "\xe9t\xe9"},           // bytes 128..255 belong to parameters
    {"prog.exe \xe9t\xe9 \xff", 2, "\xff"},
    {"\"C:\\Program Files\\x.exe\" /CHECK", 0, "C:\\Program Files\\x.exe"},
    {"\"C:\\Program Files\\x.exe\" /CHECK", 1, "/CHECK"},  // the program name quoted with blanks
    {"prog.exe a b", 2, "b"},
    {"prog.exe a b", 3, ""},
    {"prog.exe   ", 1, ""},
    {"", 0, ""},
    {"", 1, ""},
};

TEST(CommandLine, ScanFollowsTheProcessRules) {
    for (const ScanCase& c : kScanCases) {
        EXPECT_EQ(c.expected, ScanCommandLineParameter(c.commandLine, c.index))
            << "command line [" << c.commandLine << "] index " << c.index;
    }
}

TEST(CommandLine, NullAndNegativeIndexGiveEmpty) {
    EXPECT_EQ("", ScanCommandLineParameter(nullptr, 1));
    EXPECT_EQ("", ScanCommandLineParameter("a b", -1));
}

TEST(CommandLine, SwitchRecognition) {
    using app::RunMode;
    EXPECT_EQ(RunMode::Check, app::ModeFromParameter("/CHECK"));
    EXPECT_EQ(RunMode::Check, app::ModeFromParameter("/check"));
    EXPECT_EQ(RunMode::CheckRun, app::ModeFromParameter("/Check_Run"));
    for (const char* other : {"", "CHECK", "-CHECK", "/CHECK ", " /CHECK", "/CHEC", "/CHECKS", "/CHECK_RUNX",
                              "/CHECK-RUN", "\\CHECK", "/\xe7heck"}) {
        EXPECT_EQ(RunMode::Dialog, app::ModeFromParameter(other)) << other;
    }
}

TEST(Text, PathsAndTrailingCharacters) {
    EXPECT_EQ("C:\\dir\\", PathFolder("C:\\dir\\file.exe"));
    EXPECT_EQ("C:", PathFolder("C:file.exe"));
    EXPECT_EQ("", PathFolder("file.exe"));
    EXPECT_EQ("", PathFolder("a/b/c")); // the forward slash is no delimiter
    EXPECT_EQ("\\", EnsureTrailingBackslash(""));
    EXPECT_EQ("a\\", EnsureTrailingBackslash("a"));
    EXPECT_EQ("a\\", EnsureTrailingBackslash("a\\"));
}

TEST(Text, UpperCaseTouchesOnlyAsciiLetters) {
    EXPECT_EQ("/CHECK_RUN", UpperCaseAscii("/check_run"));
    EXPECT_EQ("\xe9\xff{`@[", UpperCaseAscii("\xe9\xff{`@["));
}

TEST(Text, IntToTextCoversTheWholeRange) {
    EXPECT_EQ("0", IntToText(0));
    EXPECT_EQ("-1", IntToText(-1));
    EXPECT_EQ("-2", IntToText(-2));
    EXPECT_EQ("2147483647", IntToText(INT32_MAX));
    EXPECT_EQ("-2147483648", IntToText(INT32_MIN));
    EXPECT_EQ("1000", IntToText(1000));
}

TEST(Text, ComparisonIsExact) {
    EXPECT_TRUE(TextEquals("abc", "abc"));
    EXPECT_FALSE(TextEquals("abc", "ABC"));
    EXPECT_FALSE(TextEquals("abc", "abc "));
    EXPECT_TRUE(TextEquals(Text("a\0b", 3), Text("a\0b", 3)));
    EXPECT_FALSE(TextEquals(Text("a\0b", 3), Text("a\0c", 3)));
}

TEST(Text, CStringRoutines) {
    char buffer[8];
    EXPECT_STREQ("abc", CStringCopyBounded(buffer, "abcdef", 3));
    EXPECT_STREQ("ab", CStringCopyBounded(buffer, "ab", 5));
    EXPECT_EQ(0u, CStringLength(nullptr));
    const char* s = "a\\b:c";
    EXPECT_EQ(s + 3, LastCharOfSet(s, kPathDelimiters));
    EXPECT_EQ(s + 5, LastCharOfSet(s, "xyz"));
    EXPECT_STREQ("", LastCharOfSet(nullptr, "x"));
    EXPECT_EQ(s + 5, LastCharOf(s, '\0'));
    EXPECT_EQ(nullptr, LastCharOf(s, 'z'));
    EXPECT_TRUE(SameBytes("a", "b", 0));
}

TEST(Fatal, RunErrorTextFollowsTheTemplate) {
    char text[kRunErrorTextSize];
    FormatRunError(203, reinterpret_cast<const void*>(0x0040ABCDu), text);
    EXPECT_STREQ("Runtime error 203 at 0040ABCD", text);
    FormatRunError(5, nullptr, text);
    EXPECT_STREQ("Runtime error   5 at 00000000", text);
    FormatRunError(1234, reinterpret_cast<const void*>(0xFFFFFFFFu), text);
    EXPECT_STREQ("Runtime error1234 at FFFFFFFF", text);
}

} // namespace

namespace {

TEST(Text, OwnsAndJoinsItsBytes) {
    Text empty;
    EXPECT_TRUE(empty.empty());
    EXPECT_STREQ("", empty.c_str());
    EXPECT_EQ(Text(), Text(nullptr));
    Text a = "abc";
    Text b = a;
    b[0] = 'X';
    EXPECT_EQ("abc", a);
    EXPECT_EQ("Xbc", b);
    Text moved = static_cast<Text&&>(b);
    EXPECT_EQ("Xbc", moved);
    EXPECT_TRUE(b.empty());
    a = a; // self-assignment keeps the bytes
    EXPECT_EQ("abc", a);
    EXPECT_EQ("abc\\d", a + '\\' + "d");
    EXPECT_EQ("bc", a.substr(1));
    EXPECT_EQ("b", a.substr(1, 1));
    EXPECT_EQ("", a.substr(7));
    EXPECT_EQ(2u, Text("a\\b\\").rfind('\\') - 1);
    EXPECT_EQ(Text::npos, a.rfind('z'));
    EXPECT_EQ(3u, Text(3, ' ').size());
    EXPECT_EQ(3u, Text("a\0b", 3).size());
}

} // namespace
