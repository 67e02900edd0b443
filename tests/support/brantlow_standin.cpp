// Stand-in for the main application, built by the tests only. It appends to brantlow.log
// beside itself its current directory, its exact command line and the "File" value that
// it reads from language.cfg beside it, then exits at once.
#include <windows.h>

#include <cstdio>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char folder[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameA(nullptr, folder, sizeof folder);
    char* slash = std::strrchr(folder, '\\');
    if (n == 0 || !slash)
        return 1;
    slash[1] = '\0';

    char cwd[MAX_PATH * 4] = {};
    GetCurrentDirectoryA(sizeof cwd, cwd);
    char cfg[MAX_PATH * 4 + 32];
    std::snprintf(cfg, sizeof cfg, "%slanguage.cfg", folder);
    char file[256];
    GetPrivateProfileStringA("LangFile", "File", "<none>", file, sizeof file, cfg);

    char logPath[MAX_PATH * 4 + 32];
    std::snprintf(logPath, sizeof logPath, "%sbrantlow.log", folder);
    FILE* log = std::fopen(logPath, "ab");
    if (!log)
        return 1;
    std::fprintf(log, "cwd=%s\ncmdline=%s\nfile=%s\n", cwd, GetCommandLineA(), file);
    std::fclose(log);
    return 0;
}
