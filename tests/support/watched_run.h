// Running the utility while watching it from outside: every message box it shows is
// recorded and answered, so that a run that reports something still ends, and a run that
// is still there at the end is killed.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// Variables that a started program inherits on top of ours.
using Environment = std::vector<std::pair<std::string, std::string>>;

// A started program; killed when destroyed while still running.
class Started {
  public:
    Started(const std::string& commandLine, const Environment& environment = {});
    ~Started();
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    bool Ok() const { return ok_; }
    DWORD Id() const { return pi_.dwProcessId; }
    HANDLE Process() const { return pi_.hProcess; }
    bool Ended() const;
    // False when it is still running at the timeout.
    bool WaitExit(DWORD timeoutMs, DWORD* code) const;

  private:
    PROCESS_INFORMATION pi_ = {};
    bool ok_ = false;
};

// The message boxes ("#32770" windows) of a process.
std::vector<HWND> BoxesOf(DWORD processId);
// The box's message: the longest text among its labels (the other one holds the icon).
std::string BoxMessage(HWND box);
std::string WindowCaption(HWND window);

struct WatchedRun {
    bool started = false;
    bool exited = false; // false: still running at the timeout, then killed
    DWORD exitCode = 0;
    std::vector<std::string> boxes; // "caption: message" of every box shown, in order
};

// Runs a command line until it ends or `timeoutMs` pass, answering every box it shows.
// `poll`, when given, is called with the process id between looks for boxes (to close a
// dialog, say).
WatchedRun RunWatched(const std::string& commandLine, const Environment& environment = {},
                      const std::function<void(DWORD processId)>& poll = nullptr, DWORD timeoutMs = 15000);

} // namespace testsupport
