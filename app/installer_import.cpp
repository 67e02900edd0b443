#include "app/installer_import.h"

#include "app/language_file.h"
#include "sysutil/inifile.h"
#include "sysutil/registry.h"

namespace app {

const InstallerLocale InstallerLocaleTable[kInstallerLocaleCount] = {
    {"1033", 0}, {"1031", 1}, {"1036", 2},  {"1043", 3},  {"1045", 4},  {"1049", 5},  {"1042", 6},
    {"2052", 7}, {"1035", 8}, {"1034", 10}, {"1040", 11}, {"1058", 12}, {"1025", 13},
};

void ImportInstallerLanguage(sysutil::IniFile* file) {
    file->Mode = sysutil::IniFile::kRead;
    if (file->ExchangeInteger(kIndexKey, kNoLanguage) != kUseInstallerLanguage)
        return;
    if (!sysutil::RegistryKeyPresent(HKEY_LOCAL_MACHINE, kInstallerKeyPath))
        return;
    const HKEY key =
        sysutil::OpenRegistryKeyWithValue(HKEY_LOCAL_MACHINE, kInstallerKeyPath, kInstallerLanguageValue);
    const sysutil::Text locale = sysutil::ReadRegistryText(key, kInstallerLanguageValue);
    file->Mode = sysutil::IniFile::kWrite;
    // Exact text only: no trimming, no number parsing, so "01033" or "1033 " match nothing
    // and -2 stays for the next run.
    for (const InstallerLocale& row : InstallerLocaleTable) {
        if (sysutil::TextEquals(locale, row.locale))
            file->ExchangeInteger(kIndexKey, row.index);
    }
    sysutil::CloseRegistryKey(key);
}

} // namespace app
