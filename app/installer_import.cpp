#include "app/installer_import.h"

#include "app/language_file.h"
#include "sysutil/inifile.h"

namespace app {

void ImportInstallerLanguage(sysutil::IniFile* file) {
    file->Mode = sysutil::IniFile::kRead;
    int32_t index = 0;
    if (!ImportedIndex(file->ExchangeInteger(kIndexKey, kNoLanguage), &index))
        return;
    file->Mode = sysutil::IniFile::kWrite;
    file->ExchangeInteger(kIndexKey, index);
}

} // namespace app
