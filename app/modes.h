// The three ways the utility runs, chosen by its first command-line parameter.
#pragma once

#include "sysutil/text.h"

namespace app {

enum class RunMode { Dialog, Check, CheckRun };

// Parameter 1, ASCII upper-cased, compared exactly with "/CHECK" and "/CHECK_RUN";
// anything else (nothing included) shows the dialog.
RunMode ModeFromParameter(const sysutil::Text& parameter1);

constexpr const char* kMainApplicationFile = "Brantlow.exe";

} // namespace app
