// Reading the language names and the stored index from language.cfg, and storing one.
#include "app/language_file.h"
#include "sysutil/cmdline.h"
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

    // 5,000 entries: only those whose lines fit one section block are counted.
    std::string content = "[ListNames]\r\n";
    for (int i = 0; i < 5000; ++i)
        content += std::to_string(i) + "=Language " + std::to_string(i) + "\r\n";
    ASSERT_TRUE(WriteFileBytes(path, content + "[LangFile]\r\nFile=4999\r\n"));
    result = ReadList(path);
    ASSERT_GT(result.names.size(), 1000u);
    EXPECT_LT(result.names.size(), 5000u);
    EXPECT_EQ("Language 1000", result.names[1000]);
    EXPECT_EQ("Language " + std::to_string(result.names.size() - 1), result.names.back());
    EXPECT_EQ(4999, result.index);
}

TEST(LanguageFile, StoringAnIndexTouchesOnlyTheIndex) {
    TempFolder folder("lang");
    const std::string path = folder / "language.cfg";
    app::StoreLanguageIndex(path.c_str(), -1); // no file yet: made with the section
    EXPECT_EQ("[LangFile]\r\nFile=-1\r\n", ReadFileBytes(path));

    ASSERT_TRUE(WriteFileBytes(path, "[ListNames]\r\n0=English\r\n1=Deutsch\r\n[LangFile]\r\nFile=-2\r\n"));
    app::StoreLanguageIndex(path.c_str(), 1);
    EXPECT_EQ("[ListNames]\r\n0=English\r\n1=Deutsch\r\n[LangFile]\r\nFile=1\r\n", ReadFileBytes(path));
}

TEST(LanguageFile, PathIsBesideTheExecutable) {
    EXPECT_EQ(sysutil::ExecutableFolder() + "language.cfg", app::LanguageFilePath());
}

} // namespace
