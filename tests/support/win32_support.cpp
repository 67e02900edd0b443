#include "support/win32_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace testsupport {

std::string WindowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/')
        return path;
    std::string result = "Z:" + path;
    for (char& c : result) {
        if (c == '/')
            c = '\\';
    }
    return result;
}

std::string ProductExe() { return WindowsPath(LANGSELECT_EXE); }
std::string FaultInjectionExe() { return WindowsPath(LANGSELECT_FAULT_EXE); }
std::string StandinExe() { return WindowsPath(BRANTLOW_STANDIN_EXE); }
std::string ShowTraceDll() { return WindowsPath(SHOW_TRACE_DLL); }

TempFolder::TempFolder(const std::string& hint) {
    static unsigned counter = 0;
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    for (;;) {
        char name[MAX_PATH + 64];
        std::snprintf(name, sizeof name, "%sls_%s_%lu_%u_%lu\\", base, hint.c_str(), GetCurrentProcessId(),
                      ++counter, GetTickCount());
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            return;
        }
    }
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void RemoveTree(const std::string& path) {
    std::string folder = path;
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string full = folder + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

bool MakeFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string ReadFileBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool CopyFileTo(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

ProcessResult RunProcess(const std::string& commandLine, const std::string& currentDirectory, DWORD timeoutMs) {
    ProcessResult result;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &si, &pi))
        return result;
    result.started = true;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        result.finished = true;
        GetExitCodeProcess(pi.hProcess, &result.exitCode);
    } else {
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return condition();
        Sleep(20);
    }
}

Installation::Installation(const std::string& hint, bool withStandin) : folder(hint) {
    exe = folder / "LangSelect.exe";
    cfg = folder / "language.cfg";
    standinLog = folder / "brantlow.log";
    EXPECT_TRUE(CopyFileTo(ProductExe(), exe)) << ProductExe();
    if (withStandin)
        EXPECT_TRUE(CopyFileTo(StandinExe(), folder / "Brantlow.exe")) << StandinExe();
}

std::string Installation::Run(const std::string& arguments, const std::string& currentDirectory,
                              DWORD* exitCode) const {
    const std::string line = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    const ProcessResult r = RunProcess(line, currentDirectory);
    EXPECT_TRUE(r.started) << line;
    EXPECT_TRUE(r.finished) << line;
    if (exitCode)
        *exitCode = r.exitCode;
    return line;
}

void DeleteInstallerKey() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kInstallerKey); }

void SetInstallerValue(DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kInstallerKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, "Installer Language", 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}

void SetInstallerText(const std::string& text) {
    SetInstallerValue(REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

} // namespace testsupport
