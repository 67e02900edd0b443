// The table and the rule of the import, apart from the file that holds the index: the
// program applies them to language.cfg beside it, and LangSelectMsi.dll to the installed
// one while Windows Installer runs it.
#include "app/installer_import.h"

#include "app/language_file.h"
#include "sysutil/registry.h"

namespace app {

const InstallerLocale InstallerLocaleTable[kInstallerLocaleCount] = {
    {"1033", 0}, {"1031", 1}, {"1036", 2},  {"1043", 3},  {"1045", 4},  {"1049", 5},  {"1042", 6},
    {"2052", 7}, {"1035", 8}, {"1034", 10}, {"1040", 11}, {"1058", 12}, {"1025", 13},
};

bool ImportedIndex(int32_t stored, int32_t* index) {
    if (stored != kUseInstallerLanguage)
        return false;
    if (!sysutil::RegistryKeyPresent(HKEY_LOCAL_MACHINE, kInstallerKeyPath))
        return false;
    const HKEY key =
        sysutil::OpenRegistryKeyWithValue(HKEY_LOCAL_MACHINE, kInstallerKeyPath, kInstallerLanguageValue);
    const sysutil::Text locale = sysutil::ReadRegistryText(key, kInstallerLanguageValue);
    sysutil::CloseRegistryKey(key);
    // Exact text only: no trimming, no number parsing, so "01033" or "1033 " match nothing
    // and -2 stays for the next run.
    for (const InstallerLocale& row : InstallerLocaleTable) {
        if (sysutil::TextEquals(locale, row.locale)) {
            *index = row.index;
            return true;
        }
    }
    return false;
}

} // namespace app
