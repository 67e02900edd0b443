// Taking over the language the installer recorded: when the stored index asks for it
// (-2), the installer's locale identifier is looked up in a fixed table and the matching
// index is stored. A language the user chose in the dialog is never overwritten.
#pragma once

#include <cstdint>

namespace sysutil {
class IniFile;
}

namespace app {

constexpr const char* kInstallerKeyPath = "Software\\Orvesta Software\\Kelmora";
constexpr const char* kInstallerLanguageValue = "Installer Language";

struct InstallerLocale {
    const char* locale; // the locale identifier as the installer writes it, in decimal
    int32_t index;      // position in "ListNames"
};

constexpr int32_t kInstallerLocaleCount = 13;
// No row stores 9: that language can only be chosen in the dialog.
extern const InstallerLocale InstallerLocaleTable[kInstallerLocaleCount];

// Whether an import stores an index for a file whose "File" reads `stored`, and which:
// only when `stored` asks for it (-2, the registry is read only then) and the installer's
// recorded locale is a row of the table. The program and LangSelectMsi.dll share it.
bool ImportedIndex(int32_t stored, int32_t* index);

// `file` is language.cfg in read mode with section "LangFile"; it may be left in write
// mode. Any write has reached the file when this returns.
void ImportInstallerLanguage(sysutil::IniFile* file);

} // namespace app
