// Our own folder from executable paths longer than the classic 261-character buffer.
// Wine starts no program deeper than MAX_PATH, so the system's answer is stood in for
// here, in both of the ways Windows versions report a path cut short.
#include "app/language_file.h"
#include "app/launch.h"
#include "sysutil/cmdline.h"
#include "support/text_printer.h"
#include "support/win32_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace testsupport;

namespace {

std::string g_path;
bool g_terminatesCutPath = true; // Vista and later; XP leaves a cut path unterminated

DWORD WINAPI FakeModuleFileName(HMODULE module, LPSTR buffer, DWORD size) {
    if (module != nullptr || size == 0)
        return 0;
    if (g_path.size() < size) {
        std::memcpy(buffer, g_path.c_str(), g_path.size() + 1);
        SetLastError(ERROR_SUCCESS);
        return static_cast<DWORD>(g_path.size());
    }
    if (g_terminatesCutPath) {
        std::memcpy(buffer, g_path.data(), size - 1);
        buffer[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
    } else {
        std::memcpy(buffer, g_path.data(), size);
        SetLastError(ERROR_SUCCESS);
    }
    return size;
}

TEST(ModulePath, LongPathsAreNeverCut) {
    ImportHook hook("kernel32.dll", "GetModuleFileNameA", FakeModuleFileName);
    ASSERT_TRUE(hook.Installed());
    for (const bool terminates : {true, false}) {
        g_terminatesCutPath = terminates;
        for (const size_t length : {259u, 260u, 261u, 262u, 300u, 1000u, 20000u, 32767u}) {
            // A folder level that a cut at 260 would land in, so a cut shows as the parent.
            std::string folder = "C:\\Programs\\" + std::string(length - 12 - 1 - 14, 'x') + "\\";
            g_path = folder + "LangSelect.exe";
            ASSERT_EQ(length, g_path.size());
            EXPECT_EQ(folder + "language.cfg", app::LanguageFilePath().c_str())
                << length << " " << terminates;
            EXPECT_EQ(folder + "Brantlow.exe", app::MainApplicationFile().c_str())
                << length << " " << terminates;
        }
    }
    // Beyond the longest path the system has, nothing is made up.
    g_path = "C:\\" + std::string(32768, 'x') + "\\LangSelect.exe";
    EXPECT_EQ("", sysutil::ModuleFilePath());
}

} // namespace
