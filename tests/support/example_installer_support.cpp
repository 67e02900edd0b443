#include "support/example_installer.h"

#include <windows.h>

namespace testsupport {

ProcessResult InstallSilently(const std::string& installer, const std::string& locale,
                              const std::string& dir) {
    // "/D=" comes last, bare, without the trailing backslash.
    return RunProcess("\"" + installer + "\" /S /LANG=" + locale + " /D=" + dir.substr(0, dir.size() - 1));
}

bool UninstallSilently(const std::string& dir) {
    if (!RunProcess("\"" + dir + "uninstall.exe\" /S").started)
        return false;
    return WaitUntil([&] { return !FileExists(dir); }, 15000);
}

int StoredIndexIn(const std::string& dir) {
    return static_cast<int>(GetPrivateProfileIntA("LangFile", "File", -100, (dir + "language.cfg").c_str()));
}

} // namespace testsupport
