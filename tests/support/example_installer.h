// Running the example installer of examples/nsis and looking at what it installed.
#pragma once

#include "support/win32_support.h"

#include <string>

namespace testsupport {

// A silent install of `installer` in the language `locale` into `dir` (with its trailing
// backslash), the way an administrator's script does it.
ProcessResult InstallSilently(const std::string& installer, const std::string& locale,
                              const std::string& dir);
// Runs the uninstaller in `dir` silently; true when the folder is gone in time. The
// uninstaller runs from a copy of itself and returns at once, so the folder is watched.
bool UninstallSilently(const std::string& dir);
// "File" of language.cfg in `dir`; -100 when it cannot be read.
int StoredIndexIn(const std::string& dir);

} // namespace testsupport
