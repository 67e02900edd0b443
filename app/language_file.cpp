#include "app/language_file.h"

#include "sysutil/cmdline.h"
#include "sysutil/inifile.h"
#include "sysutil/stringlist.h"

namespace app {

using sysutil::IniFile;
using sysutil::StringList;
using sysutil::Text;

Text LanguageFilePath() {
    return sysutil::EnsureTrailingBackslash(sysutil::PathFolder(sysutil::CommandLineParameter(0))) +
           kLanguageFileName;
}

void ReadLanguageNames(IniFile* file, StringList* names) {
    file->Mode = IniFile::kRead;
    file->Section = kListSection;
    // Only the number of entries counts; the keys looked up are always 0 .. n - 1.
    StringList* entries = sysutil::CreateStringList();
    file->ExchangeSection(entries);
    const int32_t count = entries->Count;
    toolkit::Free(entries);
    for (int32_t i = 0; i < count; ++i)
        names->Add(file->ExchangeText(sysutil::IntToText(i), kMissingName));
}

int32_t ReadStoredIndex(IniFile* file) {
    file->Mode = IniFile::kRead;
    file->Section = kIndexSection;
    return file->ExchangeInteger(kIndexKey, kNoLanguage);
}

bool StoreLanguageIndex(const Text& fileName, int32_t index) {
    IniFile* file = sysutil::CreateIniFile(fileName);
    file->Mode = IniFile::kWrite;
    file->Section = kIndexSection;
    file->ExchangeInteger(kIndexKey, index);
    // The platform may keep the refused text in its profile cache, so reading back alone
    // cannot prove the write: both must agree.
    bool stored = !file->WriteFailed;
    if (stored) {
        file->Mode = IniFile::kRead;
        stored = sysutil::TextEquals(file->ExchangeText(kIndexKey, Text()), sysutil::IntToText(index));
    }
    toolkit::Free(file);
    return stored;
}

} // namespace app
