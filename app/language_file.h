// language.cfg beside the utility: the languages on offer in section "ListNames" (keys
// "0", "1", ... holding display names) and the chosen one as an index in section
// "LangFile", key "File". The utility never changes the list; it writes only the index.
#pragma once

#include "sysutil/text.h"

#include <cstdint>

namespace sysutil {
class IniFile;
class StringList;
} // namespace sysutil

namespace app {

constexpr const char* kLanguageFileName = "language.cfg";
constexpr const char* kListSection = "ListNames";
constexpr const char* kIndexSection = "LangFile";
constexpr const char* kIndexKey = "File";
constexpr const char* kMissingName = "N/A";

// Stored index values with a meaning of their own.
constexpr int32_t kNoLanguage = -1;           // nothing chosen; also a missing key or file
constexpr int32_t kUseInstallerLanguage = -2; // the next quiet run takes the installer's

// Our own folder followed by "language.cfg", built afresh on every call.
sysutil::Text LanguageFilePath();

// Appends the language names to `names` in index order: as many as "ListNames" has
// entries, each looked up under the decimal text of its index, "N/A" where that key is
// missing. Leaves `file` reading section "ListNames".
void ReadLanguageNames(sysutil::IniFile* file, sysutil::StringList* names);

// The stored index, kNoLanguage when absent. Leaves `file` reading section "LangFile".
int32_t ReadStoredIndex(sysutil::IniFile* file);

// Writes `index` to "File" of `fileName` at once, creating the file or section if need be.
// True when the platform took the write and the file now reads back that index.
bool StoreLanguageIndex(const sysutil::Text& fileName, int32_t index);

} // namespace app
