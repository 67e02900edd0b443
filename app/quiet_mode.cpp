#include "app/quiet_mode.h"

#include "app/installer_import.h"
#include "app/language_file.h"
#include "app/launch.h"
#include "sysutil/inifile.h"

namespace app {

void RunQuietMode(RunMode mode, HWND owner) {
    sysutil::IniFile* file = sysutil::CreateIniFile(LanguageFilePath());
    file->Mode = sysutil::IniFile::kRead;
    file->Section = kIndexSection;
    ImportInstallerLanguage(file);
    toolkit::Free(file);
    if (mode == RunMode::CheckRun)
        ShellOpen(owner, MainApplicationFile(), sysutil::Text());
}

} // namespace app
