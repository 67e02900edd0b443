// IniFile on real files through the platform's profile functions.
#include "sysutil/inifile.h"
#include "sysutil/stringlist.h"
#include "support/text_printer.h"
#include "support/win32_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

using namespace sysutil;
using namespace testsupport;

namespace {

// Owns an IniFile for one test.
struct Ini {
    explicit Ini(const std::string& path) : file(CreateIniFile(path.c_str())) {}
    ~Ini() { toolkit::Free(file); }
    IniFile* operator->() const { return file; }
    IniFile* file;
};

std::vector<std::string> Lines(const StringList* list) {
    std::vector<std::string> lines;
    for (int32_t i = 0; i < list->Count; ++i)
        lines.push_back(list->Item(i));
    return lines;
}

struct MissingCase {
    const char* content; // null: no file at all
    const char* section;
    const char* key;
    size_t sectionLines; // what ExchangeSection adds
};

TEST(IniFile, MissingFileSectionOrKeyGivesTheDefault) {
    const MissingCase cases[] = {
        {nullptr, "LangFile", "File", 0},
        {"[Other]\r\nFile=5\r\n", "LangFile", "File", 0},
        {"[LangFile]\r\nFiles=5\r\nFil=6\r\n", "LangFile", "File", 2},
        {"", "LangFile", "File", 0},
    };
    for (const MissingCase& c : cases) {
        TempFolder folder("ini");
        const std::string path = folder / "language.cfg";
        if (c.content)
            ASSERT_TRUE(WriteFileBytes(path, c.content));
        Ini ini(path);
        ini->Section = c.section;
        EXPECT_EQ(-1, ini->ExchangeInteger(c.key, -1)) << (c.content ? c.content : "(no file)");
        EXPECT_EQ(-2, ini->ExchangeInteger(c.key, -2));
        EXPECT_EQ("N/A", ini->ExchangeText(c.key, "N/A"));
        StringList* list = CreateStringList();
        list->Add("kept");
        ini->ExchangeSection(list);
        ASSERT_EQ(1 + c.sectionLines, Lines(list).size());
        EXPECT_EQ("kept", Lines(list)[0]);
        toolkit::Free(list);
        // Reading never creates or changes anything.
        EXPECT_EQ(c.content ? c.content : "", ReadFileBytes(path));
        EXPECT_EQ(c.content != nullptr, FileExists(path));
    }
}

TEST(IniFile, IntegersRoundTripIncludingNegatives) {
    for (const int32_t value : {-1, -2, 0, 13, INT_MAX, INT_MIN}) {
        TempFolder folder("ini");
        const std::string path = folder / "language.cfg";
        ASSERT_TRUE(WriteFileBytes(path, "[ListNames]\r\n0=English\r\n"));
        Ini ini(path);
        ini->Section = "LangFile";
        ini->Mode = IniFile::kWrite;
        EXPECT_EQ(value, ini->ExchangeInteger("File", value));
        const std::string text = IntToText(value).c_str();
        // Written at once, in decimal, beside the other section.
        EXPECT_TRUE(SameProfileLines("[ListNames]\r\n0=English\r\n[LangFile]\r\nFile=" + text + "\r\n",
                                     ReadFileBytes(path)));
        ini->Mode = IniFile::kRead;
        EXPECT_EQ(value, ini->ExchangeInteger("File", 77)) << text;
    }
}

TEST(IniFile, SwitchingModeOnOneObjectReadsThenWrites) {
    TempFolder folder("ini");
    const std::string path = folder / "language.cfg";
    ASSERT_TRUE(WriteFileBytes(path, "[LangFile]\r\nFile=-2\r\n"));
    Ini ini(path);
    ini->Section = "LangFile";
    EXPECT_EQ(-2, ini->ExchangeInteger("File", -1));
    ini->Mode = IniFile::kWrite;
    EXPECT_EQ(10, ini->ExchangeInteger("File", 10));
    // Another reader sees the new value while the object is still alive.
    EXPECT_EQ(10, static_cast<int32_t>(GetPrivateProfileIntA("LangFile", "File", -1, path.c_str())));
    ini->Mode = IniFile::kRead;
    EXPECT_EQ(10, ini->ExchangeInteger("File", -1));
    // Any non-zero mode writes.
    ini->Mode = 7;
    EXPECT_EQ("x", ini->ExchangeText("Name", "x"));
    EXPECT_TRUE(SameProfileLines("[LangFile]\r\nFile=10\r\nName=x\r\n", ReadFileBytes(path)));
}

TEST(IniFile, TextIsCutTo2047AndEmptyTextStaysAKey) {
    TempFolder folder("ini");
    const std::string path = folder / "language.cfg";
    std::string longValue;
    for (int i = 0; i < 3000; ++i)
        longValue += static_cast<char>('a' + i % 26);
    ASSERT_TRUE(WriteFileBytes(path, "[ListNames]\r\n0=" + longValue + "\r\n1=Deutsch\r\n"));
    Ini ini(path);
    ini->Section = "ListNames";
    EXPECT_EQ(longValue.substr(0, 2047), std::string(ini->ExchangeText("0", "N/A").c_str()));
    EXPECT_EQ("Deutsch", ini->ExchangeText("1", "N/A"));

    ini->Mode = IniFile::kWrite;
    EXPECT_EQ("", ini->ExchangeText("1", ""));
    ini->Mode = IniFile::kRead;
    EXPECT_EQ("", ini->ExchangeText("1", "N/A")); // present, and empty
    const std::vector<std::string> lines = ProfileLines(ReadFileBytes(path));
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "1="));
}

TEST(IniFile, SectionReadAppendsEntriesInFileOrder) {
    TempFolder folder("ini");
    const std::string path = folder / "language.cfg";
    ASSERT_TRUE(WriteFileBytes(
        path, "[ListNames]\r\n2=Francais\r\n0=English\r\n1=Deutsch\r\n[LangFile]\r\nFile=1\r\n"));
    Ini ini(path);
    ini->Section = "ListNames";
    StringList* list = CreateStringList();
    list->Add("one");
    list->Add("two");
    ini->ExchangeSection(list);
    EXPECT_EQ((std::vector<std::string>{"one", "two", "2=Francais", "0=English", "1=Deutsch"}), Lines(list));
    toolkit::Free(list);
}

TEST(IniFile, SectionWriteKeepsWhatFitsIn32765Bytes) {
    TempFolder folder("ini");
    const std::string path = folder / "language.cfg";
    ASSERT_TRUE(WriteFileBytes(path, "[A]\r\nx=1\r\n[Big]\r\nold=gone\r\n[Z]\r\ny=2\r\n"));
    // 400 lines of 99 characters (100 bytes with their zero): 327 fit whole, and the
    // 328th gets the last 65 bytes of room, without its zero byte.
    StringList* list = CreateStringList();
    std::vector<std::string> lines;
    for (int i = 0; i < 400; ++i) {
        char key[8];
        std::snprintf(key, sizeof key, "k%03d=", i);
        lines.push_back(key + std::string(94, static_cast<char>('a' + i % 26)));
        list->Add(lines.back().c_str());
    }
    Ini ini(path);
    ini->Section = "Big";
    ini->Mode = IniFile::kWrite;
    ini->ExchangeSection(list);
    toolkit::Free(list);

    // The section is erased and written anew, so it now comes last.
    std::string expected = "[A]\r\nx=1\r\n[Z]\r\ny=2\r\n[Big]\r\n";
    for (int i = 0; i < 327; ++i)
        expected += lines[i] + "\r\n";
    expected += lines[327].substr(0, 65) + "\r\n";
    EXPECT_TRUE(SameProfileLines(expected, ReadFileBytes(path)));
}

TEST(IniFile, EmptySectionWriteAndEraseSection) {
    TempFolder folder("ini");
    const std::string path = folder / "language.cfg";
    ASSERT_TRUE(WriteFileBytes(path, "[A]\r\nx=1\r\n[B]\r\ny=2\r\nz=3\r\n[C]\r\nw=4\r\n"));
    Ini ini(path);
    ini->Section = "B";
    ini->Mode = IniFile::kWrite;
    StringList* empty = CreateStringList();
    ini->ExchangeSection(empty);
    toolkit::Free(empty);
    // Written as an empty block: the section has no entries left.
    EXPECT_EQ(0u, GetPrivateProfileSectionA("B", std::vector<char>(64).data(), 64, path.c_str()));
    EXPECT_EQ(-1, static_cast<int32_t>(GetPrivateProfileIntA("B", "y", -1, path.c_str())));

    ini->Section = "A";
    ini->Mode = IniFile::kRead; // erasing does not depend on the mode
    ini->EraseSection();
    const std::vector<std::string> lines = ProfileLines(ReadFileBytes(path));
    EXPECT_EQ(lines.end(), std::find(lines.begin(), lines.end(), "[A]"));
    EXPECT_EQ(lines.end(), std::find(lines.begin(), lines.end(), "x=1"));
    EXPECT_EQ(4, static_cast<int32_t>(GetPrivateProfileIntA("C", "w", -1, path.c_str())));
}

} // namespace

namespace {

// Stand-ins for the profile calls that only count; they must not be reached.
int g_profileCalls = 0;
UINT WINAPI CountedGetInt(LPCSTR, LPCSTR, INT value, LPCSTR) {
    return ++g_profileCalls, value;
}
DWORD WINAPI CountedGetString(LPCSTR, LPCSTR, LPCSTR value, LPSTR buffer, DWORD size, LPCSTR) {
    lstrcpynA(buffer, value, static_cast<int>(size));
    return ++g_profileCalls, lstrlenA(buffer);
}
DWORD WINAPI CountedGetSection(LPCSTR, LPSTR, DWORD, LPCSTR) {
    return ++g_profileCalls, 0;
}
BOOL WINAPI CountedWriteString(LPCSTR, LPCSTR, LPCSTR, LPCSTR) {
    return ++g_profileCalls, TRUE;
}
BOOL WINAPI CountedWriteSection(LPCSTR, LPCSTR, LPCSTR) {
    return ++g_profileCalls, TRUE;
}

TEST(IniFile, PathsTheProfileCallsCannotTakeAreNeverHandedOver) {
    // The profile calls take at most MAX_PATH - 1 characters. Wine, given more, writes to
    // a file with a name made of whatever its buffer held, in the current directory (seen
    // once while this was written: a file named U+F430 "!"). Such a file is treated as
    // missing and unwritable.
    const ImportHook hooks[] = {
        {"kernel32.dll", "GetPrivateProfileIntA", CountedGetInt},
        {"kernel32.dll", "GetPrivateProfileStringA", CountedGetString},
        {"kernel32.dll", "GetPrivateProfileSectionA", CountedGetSection},
        {"kernel32.dll", "WritePrivateProfileStringA", CountedWriteString},
        {"kernel32.dll", "WritePrivateProfileSectionA", CountedWriteSection},
    };
    for (const ImportHook& hook : hooks)
        ASSERT_TRUE(hook.Installed());
    for (const size_t length : {MAX_PATH - 1, MAX_PATH, MAX_PATH + 1, 1000}) {
        const std::string path = "C:\\" + std::string(length - 16, 'd') + "\\language.cfg";
        g_profileCalls = 0;
        Ini ini(path);
        ini->Section = "LangFile";
        EXPECT_EQ(-1, ini->ExchangeInteger("File", -1));
        EXPECT_EQ("N/A", ini->ExchangeText("Name", "N/A"));
        StringList* list = CreateStringList();
        ini->ExchangeSection(list);
        EXPECT_EQ(0, list->Count);
        ini->Mode = IniFile::kWrite;
        EXPECT_EQ(5, ini->ExchangeInteger("File", 5));
        EXPECT_EQ("x", ini->ExchangeText("Name", "x"));
        ini->ExchangeSection(list);
        ini->EraseSection();
        toolkit::Free(list);
        // Eight calls when the path is short enough (the section write erases first).
        EXPECT_EQ(length < MAX_PATH ? 8 : 0, g_profileCalls) << length;
    }
}

} // namespace
