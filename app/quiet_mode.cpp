#include "app/quiet_mode.h"

#include "app/installer_import.h"
#include "app/language_file.h"
#include "app/launch.h"
#include "sysutil/inifile.h"

namespace app {
namespace {

// A folder carrying the main application's name is no program: the shell would open a
// file browser on it instead, a window the quiet modes must never bring up.
bool IsFolder(const sysutil::Text& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

void RunQuietMode(RunMode mode, HWND owner) {
    sysutil::IniFile* file = sysutil::CreateIniFile(LanguageFilePath());
    file->Mode = sysutil::IniFile::kRead;
    file->Section = kIndexSection;
    ImportInstallerLanguage(file);
    toolkit::Free(file);
    if (mode != RunMode::CheckRun)
        return;
    const sysutil::Text mainApplication = MainApplicationFile();
    if (!IsFolder(mainApplication))
        ShellOpen(owner, mainApplication, sysutil::Text());
}

} // namespace app
