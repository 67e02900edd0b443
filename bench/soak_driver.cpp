// The soak run's driver (bench/soak), a Windows program so that it can start the utility,
// watch its windows and give it real input under Wine:
//   SoakDriver quiet  FOLDER RUNS    "/CHECK_RUN" RUNS times; every other run asks for
//                                    the installer's language again (File=-2)
//   SoakDriver dialog FOLDER CYCLES  open the dialog, choose the next language, press
//                                    Enter or click "OK", answer "Information", wait
//   SoakDriver windows               list the utility's windows still open, if any
// FOLDER holds LangSelect.exe, Brantlow.exe and language.cfg. Prints one line per run,
// "run N MS", and "FAIL N reason" for a run that went wrong; exits with the number of
// failed runs (capped at 100).
#include "support/dialog_driver.h"
#include "support/watched_run.h"
#include "support/win32_support.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace testsupport;

struct Site {
    std::string folder; // with a trailing backslash
    std::string exe;
    std::string cfg;
};

// language.cfg with fourteen languages and the given index.
std::string LanguageFile(int index) {
    static const char* const names[] = {"English", "Deutsch",  "Francais",  "Nederlands", "Polski",
                                        "Russkij", "Hangugeo", "Zhongwen",  "Suomi",      "Portugues",
                                        "Espanol", "Italiano", "Ukrainska", "Arabiya"};
    std::string text = "[ListNames]\r\n";
    for (int i = 0; i < 14; ++i)
        text += std::to_string(i) + "=" + names[i] + "\r\n";
    return text + "[LangFile]\r\nFile=" + std::to_string(index) + "\r\n";
}

// Starts of the stand-in main application so far: it logs three lines per start.
int Launches(const Site& site) {
    const std::string text = ReadFileBytes(site.folder + "brantlow.log");
    int count = 0;
    for (size_t at = text.find("file="); at != std::string::npos; at = text.find("file=", at + 1))
        ++count;
    return count;
}

int StoredIndex(const Site& site) {
    return static_cast<int>(GetPrivateProfileIntA("LangFile", "File", -100, site.cfg.c_str()));
}

template <typename Condition> bool WaitFor(Condition condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(5);
    }
    return true;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

int failures = 0;

void Fail(int run, const char* reason) {
    ++failures;
    std::printf("FAIL %d %s\n", run, reason);
    std::fflush(stdout);
}

// One "/CHECK_RUN"; even runs ask for the import and must end with the installer's
// German (index 1) stored.
void QuietRun(const Site& site, int run) {
    const bool importDue = run % 2 == 0;
    if (importDue && !WriteFileBytes(site.cfg, LanguageFile(-2)))
        return Fail(run, "cannot write language.cfg");
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    Started p("\"" + site.exe + "\" /CHECK_RUN");
    if (!p.Ok())
        return Fail(run, "not started");
    DWORD code = 99;
    bool ended = false;
    while (!(ended = p.WaitExit(5, &code))) {
        if (FindProcessWindow(p.Id(), "#32770", nullptr))
            return Fail(run, "a message box");
        QueryPerformanceCounter(&end);
        if (Milliseconds(start, end) > 20000)
            return Fail(run, "still running after 20 s");
    }
    QueryPerformanceCounter(&end);
    if (code != 0)
        return Fail(run, "exit code not 0");
    if (StoredIndex(site) != 1)
        return Fail(run, "the installer's language is not stored");
    // The main application reads language.cfg when it starts, after we are gone: let it
    // finish before the next run writes the file again (outside the measured time).
    if (!WaitFor([&] { return Launches(site) == run + 1; }, 10000))
        return Fail(run, "the main application was not started once");
    std::printf("run %d %.1f\n", run, Milliseconds(start, end));
}

void SendKey(WORD vk) {
    INPUT input[2] = {};
    for (INPUT& i : input) {
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        i.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0));
    }
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof input[0]);
}

void ClickCentre(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[3] = {};
    input[0].type = INPUT_MOUSE;
    input[0].mi.dx = ((r.left + r.right) / 2 * 65535 + w / 2) / (w - 1);
    input[0].mi.dy = ((r.top + r.bottom) / 2 * 65535 + h / 2) / (h - 1);
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[1] = input[0];
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    input[2] = input[0];
    input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    SendInput(3, input, sizeof input[0]);
}

BOOL CALLBACK FindButton(HWND child, LPARAM param) {
    char text[16] = {};
    GetWindowTextA(child, text, sizeof text);
    if (lstrcmpA(text, "OK") == 0) {
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
    }
    return TRUE;
}

// One dialog cycle: the file holds index k, Down selects k + 1, and Enter (even cycles)
// or a click on "OK" (odd cycles) stores it.
void DialogCycle(const Site& site, int cycle) {
    const int before = cycle % 13;
    if (!WriteFileBytes(site.cfg, LanguageFile(before)))
        return Fail(cycle, "cannot write language.cfg");
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    Started p("\"" + site.exe + "\"");
    if (!p.Ok())
        return Fail(cycle, "not started");
    HWND form = nullptr;
    if (!WaitFor(
            [&] {
                return (form = FindProcessWindow(p.Id(), "obj_Form", "Language ....")) &&
                       IsWindowVisible(form);
            },
            10000))
        return Fail(cycle, "no dialog");
    SetForegroundWindow(form);
    if (!WaitFor([&] { return GetForegroundWindow() == form; }, 3000))
        return Fail(cycle, "the dialog did not come to the front");
    HWND combo = FindWindowExA(form, nullptr, "obj_COMBOBOX", nullptr);
    HWND ok = nullptr;
    EnumChildWindows(form, FindButton, reinterpret_cast<LPARAM>(&ok));
    if (!combo || !ok)
        return Fail(cycle, "controls missing");
    SendKey(VK_DOWN);
    if (!WaitFor([&] { return SendMessageA(combo, CB_GETCURSEL, 0, 0) == before + 1; }, 3000))
        return Fail(cycle, "Down did not select the next language");
    if (cycle % 2 == 0)
        SendKey(VK_RETURN);
    else
        ClickCentre(ok);
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = FindProcessWindow(p.Id(), "#32770", "Information")) != nullptr; },
                 10000))
        return Fail(cycle, "no \"Information\" box");
    if (StoredIndex(site) != before + 1)
        return Fail(cycle, "the chosen index is not stored");
    // The box takes its answer once it is ready for it: keep answering until it is gone.
    if (!WaitFor(
            [&] {
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                Sleep(20);
                return !IsWindow(box);
            },
            5000))
        return Fail(cycle, "the box did not go");
    DWORD code = 99;
    if (!p.WaitExit(10000, &code))
        return Fail(cycle, "still running after the box");
    QueryPerformanceCounter(&end);
    if (code != 0)
        return Fail(cycle, "exit code not 0");
    std::printf("run %d %.1f\n", cycle, Milliseconds(start, end));
}

BOOL CALLBACK ListLeftover(HWND window, LPARAM count) {
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (lstrcmpA(cls, "obj_Form") == 0 || lstrcmpA(cls, "#32770") == 0) {
        char text[128] = {};
        GetWindowTextA(window, text, sizeof text);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        std::printf("leftover window %s \"%s\" of process %lu\n", cls, text, pid);
        ++*reinterpret_cast<int*>(count);
    }
    return TRUE;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "windows") {
        int count = 0;
        EnumWindows(ListLeftover, reinterpret_cast<LPARAM>(&count));
        std::printf("%d leftover windows\n", count);
        return count;
    }
    if (argc != 4) {
        std::fprintf(stderr, "usage: SoakDriver quiet|dialog FOLDER COUNT | SoakDriver windows\n");
        return 100;
    }
    const std::string mode = argv[1];
    Site site;
    site.folder = argv[2];
    if (site.folder.empty() || site.folder.back() != '\\')
        site.folder += '\\';
    site.exe = site.folder + "LangSelect.exe";
    site.cfg = site.folder + "language.cfg";
    const int count = std::atoi(argv[3]);
    if (mode == "quiet") {
        DeleteFileA((site.folder + "brantlow.log").c_str());
        WriteFileBytes(site.cfg, LanguageFile(-2));
        for (int run = 0; run < count; ++run)
            QuietRun(site, run);
    } else if (mode == "dialog") {
        for (int cycle = 0; cycle < count; ++cycle)
            DialogCycle(site, cycle);
    } else {
        return 100;
    }
    std::fflush(stdout);
    return failures < 100 ? failures : 100;
}
