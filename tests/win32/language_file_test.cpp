// Reading the language names and the stored index from language.cfg, and storing one.
#include "app/language_file.h"
#include "sysutil/inifile.h"
#include "sysutil/stringlist.h"
#include "support/text_printer.h"
#include "support/win32_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testsupport;

namespace {

struct ListResult {
    std::vector<std::string> names;
    int32_t index;
};

ListResult ReadList(const std::string& path) {
    sysutil::IniFile* file = sysutil::CreateIniFile(path.c_str());
    sysutil::StringList* names = sysutil::CreateStringList();
    app::ReadLanguageNames(file, names);
    ListResult result{{}, app::ReadStoredIndex(file)};
    for (int32_t i = 0; i < names->Count; ++i)
        result.names.push_back(names->Item(i));
    toolkit::Free(file);
    toolkit::Free(names);
    return result;
}

struct ListCase {
    const char* content; // null: no file
    std::vector<std::string> names;
    int32_t index;
};

TEST(LanguageFile, NamesComeByIndexWithGapsAsNA) {
    const ListCase cases[] = {
        {"[ListNames]\r\n0=English\r\n1=Deutsch\r\n3=Polski\r\n", {"English", "Deutsch", "N/A"}, -1},
        {"[ListNames]\r\n1=Deutsch\r\n2=Francais\r\n[LangFile]\r\nFile=-2\r\n", {"N/A", "Deutsch"}, -2},
        {"[ListNames]\r\n0=English\r\n01=Deutsch\r\n[LangFile]\r\nFile=1\r\n", {"English", "N/A"}, 1},
        {"[ListNames]\r\n2=Francais\r\n0=English\r\n1=Deutsch\r\n[LangFile]\r\nFile=2\r\n",
         {"English", "Deutsch", "Francais"},
         2},
        {"[LangFile]\r\nFile=3\r\n", {}, 3},
        {nullptr, {}, -1},
    };
    for (const ListCase& c : cases) {
        TempFolder folder("lang");
        const std::string path = folder / "language.cfg";
        if (c.content)
            ASSERT_TRUE(WriteFileBytes(path, c.content));
        const ListResult result = ReadList(path);
        EXPECT_EQ(c.names, result.names) << (c.content ? c.content : "(no file)");
        EXPECT_EQ(c.index, result.index) << (c.content ? c.content : "(no file)");
    }
}

TEST(LanguageFile, OversizedListsStayBounded) {
    TempFolder folder("lang");
    const std::string path = folder / "language.cfg";
    // A 100,000-character name still counts as one entry and comes back cut to 2047.
    ASSERT_TRUE(WriteFileBytes(path, "[ListNames]\r\n0=English\r\n1=Deutsch\r\n2=" +
                                         std::string(100000, 'n') + "\r\n[LangFile]\r\nFile=2\r\n"));
    ListResult result = ReadList(path);
    EXPECT_EQ((std::vector<std::string>{"English", "Deutsch", std::string(2047, 'n')}), result.names);
    EXPECT_EQ(2, result.index);

    // More entries than one section block holds: only those whose lines fit are counted.
    // (Wine parses the file anew for every look-up, so the file is kept to 80 KiB.)
    const std::string padding(200, '.');
    std::string content = "[ListNames]\r\n";
    for (int i = 0; i < 400; ++i)
        content += std::to_string(i) + "=" + padding + std::to_string(i) + "\r\n";
    ASSERT_TRUE(WriteFileBytes(path, content + "[LangFile]\r\nFile=399\r\n"));
    result = ReadList(path);
    ASSERT_GT(result.names.size(), 100u);
    EXPECT_LT(result.names.size(), 200u);
    EXPECT_EQ(padding + "100", result.names[100]);
    EXPECT_EQ(padding + std::to_string(result.names.size() - 1), result.names.back());
    EXPECT_EQ(399, result.index);
}

TEST(LanguageFile, StoringAnIndexTouchesOnlyTheIndex) {
    TempFolder folder("lang");
    const std::string path = folder / "language.cfg";
    app::StoreLanguageIndex(path.c_str(), -1); // no file yet: made with the section
    EXPECT_TRUE(SameProfileLines("[LangFile]\r\nFile=-1\r\n", ReadFileBytes(path)));

    ASSERT_TRUE(WriteFileBytes(path, "[ListNames]\r\n0=English\r\n1=Deutsch\r\n[LangFile]\r\nFile=-2\r\n"));
    app::StoreLanguageIndex(path.c_str(), 1);
    EXPECT_TRUE(SameProfileLines("[ListNames]\r\n0=English\r\n1=Deutsch\r\n[LangFile]\r\nFile=1\r\n",
                                 ReadFileBytes(path)));
}

} // namespace
