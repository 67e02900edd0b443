// The floors for the start-up benchmark: the least a quiet run has to do. Built plain, it
// only reads the stored index from language.cfg beside it; built with LAUNCH, it then
// also starts Brantlow.exe from there through the shell, as "/CHECK_RUN" has to.
#include <windows.h>
#ifdef LAUNCH
#include <shellapi.h>
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH + 16];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    while (n > 0 && path[n - 1] != '\\')
        --n;
    lstrcpyA(path + n, "language.cfg");
    const int index = static_cast<int>(GetPrivateProfileIntA("LangFile", "File", -1, path));
#ifdef LAUNCH
    lstrcpyA(path + n, "Brantlow.exe");
    ShellExecuteA(nullptr, "open", path, "", nullptr, SW_SHOWNORMAL);
#endif
    return index == 12345 ? 1 : 0;
}
