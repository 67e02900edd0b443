// Command-line parameters and the program's own location.
#pragma once

#include "sysutil/text.h"

namespace sysutil {

// Parameter `index` of a command line, scanned by the process's own rules: codes 1..32
// separate, a double quote opens a stretch that runs to the next one (or to the end),
// an empty quote pair in front of a parameter is dropped, and a parameter enclosed in
// quotes as a whole loses them. Index 0 is the program name as typed. A pure function,
// so that it is tested and fuzzed natively.
Text ScanCommandLineParameter(const char* commandLine, int32_t index);

// Index 0: the full path of the running executable; any other index: the parameter
// of GetCommandLineA. Empty when absent.
Text CommandLineParameter(int32_t index);

// The full path of the running executable, never cut short; empty when the system
// cannot report it whole.
Text ModuleFilePath();

// The running executable's folder with its trailing backslash; empty without one.
Text ExecutableFolder();

} // namespace sysutil
