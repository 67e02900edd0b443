#include "sysutil/cmdline.h"

#include <windows.h>

#include <memory>

namespace sysutil {

Text ModuleFilePath() {
    // The classic buffer of 261 characters covers nearly every path; a longer one comes
    // back cut (and, on older systems, unterminated). Grow the buffer, up to the longest
    // path the system has, rather than look for language.cfg or Brantlow.exe in a folder
    // that is not ours.
    constexpr DWORD kLongestPath = 32768;
    for (DWORD size = MAX_PATH + 1;; size = size * 2 < kLongestPath ? size * 2 : kLongestPath) {
        std::unique_ptr<char[]> buffer(new char[size + 1]);
        SetLastError(ERROR_SUCCESS);
        const DWORD copied = GetModuleFileNameA(nullptr, buffer.get(), size);
        if (copied == 0)
            return Text();
        if (copied < size && GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return Text(buffer.get(), copied);
        if (size == kLongestPath)
            return Text();
    }
}

Text CommandLineParameter(int32_t index) {
    if (index == 0)
        return ModuleFilePath();
    return ScanCommandLineParameter(GetCommandLineA(), index);
}

Text ExecutableFolder() {
    const Text path = ModuleFilePath();
    const size_t slash = path.rfind('\\');
    if (slash == Text::npos)
        return Text();
    return path.substr(0, slash + 1);
}

} // namespace sysutil
