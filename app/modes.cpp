#include "app/modes.h"

namespace app {

RunMode ModeFromParameter(const sysutil::Text& parameter1) {
    const sysutil::Text upper = sysutil::UpperCaseAscii(parameter1);
    if (sysutil::TextEquals(upper, "/CHECK"))
        return RunMode::Check;
    if (sysutil::TextEquals(upper, "/CHECK_RUN"))
        return RunMode::CheckRun;
    return RunMode::Dialog;
}

} // namespace app
