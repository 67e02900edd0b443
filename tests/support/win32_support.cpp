#include "support/win32_support.h"

#include <aclapi.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
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
std::string PlantedLibraryDll() { return WindowsPath(PLANTED_LIBRARY_DLL); }
std::string ExampleInstallerExe() { return WindowsPath(EXAMPLE_INSTALLER_EXE); }
std::string ExampleInstaller64Exe() { return WindowsPath(EXAMPLE_INSTALLER64_EXE); }

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

TempFolder::~TempFolder() {
    RemoveTree(path_);
}

std::wstring Wide(const std::string& path) {
    const int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], n);
    return wide;
}

namespace {

void RemoveTreeW(std::wstring folder) {
    if (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring full = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTreeW(full);
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

void RemoveTree(const std::string& path) {
    RemoveTreeW(Wide(path));
}

bool MakeFolder(const std::string& path) {
    return CreateDirectoryW(Wide(path).c_str(), nullptr) != 0;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string ReadFileBytes(const std::string& path) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    std::vector<char> buffer(1 << 16);
    DWORD got = 0;
    while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0)
        bytes.append(buffer.data(), got);
    CloseHandle(file);
    return bytes;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CopyFileTo(const std::string& from, const std::string& to) {
    return CopyFileW(Wide(from).c_str(), Wide(to).c_str(), FALSE) != 0;
}

ProcessResult RunProcess(const std::string& commandLine, const std::string& currentDirectory,
                         DWORD timeoutMs) {
    ProcessResult result;
    PROCESS_INFORMATION pi = {};
    // The wide call, so that programs deeper than MAX_PATH can be started too.
    STARTUPINFOW siw = {};
    siw.cb = sizeof siw;
    std::wstring line = Wide(commandLine);
    const std::wstring cwd = Wide(currentDirectory);
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        cwd.empty() ? nullptr : cwd.c_str(), &siw, &pi))
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

Installation::Installation(const std::string& hint, bool withStandin, const SubfolderFor& subfolderFor)
    : folder(hint), dir(folder.Path()) {
    const std::string subfolder = subfolderFor(dir);
    for (size_t start = 0; start < subfolder.size();) {
        size_t end = subfolder.find('\\', start);
        if (end == std::string::npos)
            end = subfolder.size();
        dir += subfolder.substr(start, end - start) + "\\";
        EXPECT_TRUE(MakeFolder(dir)) << dir;
        start = end + 1;
    }
    exe = dir + "LangSelect.exe";
    cfg = dir + "language.cfg";
    standinLog = dir + "brantlow.log";
    EXPECT_TRUE(CopyFileTo(ProductExe(), exe)) << ProductExe() << " to " << exe;
    if (withStandin)
        EXPECT_TRUE(CopyFileTo(StandinExe(), dir + "Brantlow.exe")) << StandinExe();
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

BlocksLeftAtExit::BlocksLeftAtExit(const Installation& inst) : path_(inst.dir + "live-blocks.txt") {
    DeleteFileA(path_.c_str());
    SetEnvironmentVariableA("LANGSELECT_LIVE_BLOCKS", path_.c_str());
}

BlocksLeftAtExit::~BlocksLeftAtExit() {
    SetEnvironmentVariableA("LANGSELECT_LIVE_BLOCKS", nullptr);
}

::testing::AssertionResult BlocksLeftAtExit::None() const {
#ifdef LANGSELECT_CHECKED_HEAP
    const std::string list = ReadFileBytes(path_);
    DeleteFileA(path_.c_str()); // the next run of the same test must write its own
    if (list.empty())
        return ::testing::AssertionFailure() << "the run listed no blocks: it did not end normally";
    // The count, then a line per block: its size and the address of the code that made it.
    if (list != "0\n")
        return ::testing::AssertionFailure() << "blocks left allocated at the end:\n" << list;
#endif
    return ::testing::AssertionSuccess();
}

std::string StandinLogValue(const std::string& log, const std::string& key) {
    const size_t at = log.find(key + "=");
    if (at == std::string::npos)
        return "<absent>";
    const size_t start = at + key.size() + 1;
    return log.substr(start, log.find('\n', start) - start);
}

std::string WaitForStandinLog(const std::string& dir, DWORD timeoutMs) {
    std::string log;
    const bool started = WaitUntil(
        [&] {
            log = ReadFileBytes(dir + "brantlow.log");
            return StandinLogValue(log, "file") != "<absent>";
        },
        timeoutMs);
    return started ? log : std::string();
}

bool StandinRan(const Installation& inst, DWORD timeoutMs) {
    return !WaitForStandinLog(inst.dir, timeoutMs).empty();
}

bool StartedWithoutArguments(const std::string& cmdline, const std::string& dir) {
    const std::string main = dir + "Brantlow.exe";
    return cmdline == main || cmdline == "\"" + main + "\"";
}

void DeleteInstallerKey(REGSAM view) {
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kInstallerKey, view, 0);
}

void SetInstallerValue(DWORD type, const void* data, DWORD size, REGSAM view) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kInstallerKey, 0, nullptr, 0,
                                             KEY_ALL_ACCESS | view, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, "Installer Language", 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}

void SetInstallerText(const std::string& text, REGSAM view) {
    SetInstallerValue(REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1), view);
}

std::string InstallerText(REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstallerKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return "<absent>";
    char text[64] = {};
    DWORD size = sizeof text - 1;
    DWORD type = 0;
    const LONG read =
        RegQueryValueExA(key, "Installer Language", nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return read == ERROR_SUCCESS && type == REG_SZ ? std::string(text) : "<absent>";
}

void ImportHook::Install(const char* dll, const char* function, const void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); desc->Name;
         ++desc) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + desc->Name), dll) != 0 ||
            !desc->OriginalFirstThunk)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), function) != 0)
                continue;
            slot_ = reinterpret_cast<const void**>(&slots->u1.Function);
            DWORD old = 0;
            VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old);
            original_ = *slot_;
            *slot_ = replacement;
            VirtualProtect(slot_, sizeof *slot_, old, &old);
            return;
        }
    }
}

ImportHook::~ImportHook() {
    if (!slot_)
        return;
    DWORD old = 0;
    VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old);
    *slot_ = original_;
    VirtualProtect(slot_, sizeof *slot_, old, &old);
}

namespace {

struct ProcOverride {
    std::string name;
    const void* replacement;
};
std::vector<ProcOverride> g_procOverrides;
ImportHook* g_getProcAddressHook = nullptr;

FARPROC WINAPI OverridingGetProcAddress(HMODULE module, LPCSTR name) {
    // Names only: a value below 0x10000 is an ordinal.
    if (reinterpret_cast<uintptr_t>(name) > 0xFFFF) {
        for (const ProcOverride& o : g_procOverrides) {
            if (o.name == name)
                return reinterpret_cast<FARPROC>(const_cast<void*>(o.replacement));
        }
    }
    using Proc = FARPROC(WINAPI*)(HMODULE, LPCSTR);
    return reinterpret_cast<Proc>(const_cast<void*>(g_getProcAddressHook->Original()))(module, name);
}

} // namespace

void SystemProcHook::Install(const void* replacement) {
    if (!g_getProcAddressHook)
        g_getProcAddressHook = new ImportHook("kernel32.dll", "GetProcAddress", OverridingGetProcAddress);
    g_procOverrides.push_back({name_, replacement});
}

SystemProcHook::~SystemProcHook() {
    for (size_t i = g_procOverrides.size(); i > 0; --i) {
        if (g_procOverrides[i - 1].name == name_) {
            g_procOverrides.erase(g_procOverrides.begin() + static_cast<std::ptrdiff_t>(i - 1));
            break;
        }
    }
    if (g_procOverrides.empty()) {
        delete g_getProcAddressHook;
        g_getProcAddressHook = nullptr;
    }
}

bool SystemProcHook::Installed() const {
    return g_getProcAddressHook && g_getProcAddressHook->Installed();
}

namespace {

// Under Wine a Windows program may start a Linux program by its Linux path.
bool RunChattr(const std::string& flag, const std::string& unixPath) {
    // Wine starts the Unix program but cannot wait for it (nor should it be terminated
    // early): the caller polls for the effect.
    std::string line = "/usr/bin/chattr " + flag + " \"" + unixPath + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

std::string UnixPath(const std::string& path) {
    using ToUnix = char*(CDECL*)(const WCHAR*);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix)
        return std::string();
    char* unix = toUnix(Wide(path).c_str());
    if (!unix)
        return std::string();
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

} // namespace

ReadOnlyFile::ReadOnlyFile(const std::string& path) : path_(path) {
    if (!RunningUnderWine()) {
        DenyWrites();
        return;
    }
    unixPath_ = UnixPath(path);
    if (!unixPath_.empty() && RunChattr("+i", unixPath_))
        WaitUntil([&] { return Active(); }, 5000); // Wine may report the Unix process ended early
}

ReadOnlyFile::~ReadOnlyFile() {
    if (saved_)
        RestoreAccess();
    else if (!unixPath_.empty() && RunChattr("-i", unixPath_))
        WaitUntil([&] { return !Active(); }, 5000);
}

bool ReadOnlyFile::IsFolder() const {
    const DWORD attributes = GetFileAttributesW(Wide(path_).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void ReadOnlyFile::DenyWrites() {
    std::wstring path = Wide(path_);
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &savedDacl_, nullptr, &saved_) != ERROR_SUCCESS)
        return;
    // No list at all grants everything; a list of the one denial alone would grant nothing.
    if (!savedDacl_) {
        LocalFree(saved_);
        saved_ = nullptr;
        return;
    }
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return;
    EXPLICIT_ACCESSW deny = {};
    deny.grfAccessPermissions =
        IsFolder() ? FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY : FILE_WRITE_DATA | FILE_APPEND_DATA;
    deny.grfAccessMode = DENY_ACCESS;
    deny.grfInheritance = NO_INHERITANCE;
    deny.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    deny.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    deny.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    PACL denying = nullptr;
    if (SetEntriesInAclW(1, &deny, savedDacl_, &denying) == ERROR_SUCCESS) {
        SetNamedSecurityInfoW(&path[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, denying,
                              nullptr);
        LocalFree(denying);
    }
    FreeSid(everyone);
}

void ReadOnlyFile::RestoreAccess() {
    std::wstring path = Wide(path_);
    SetNamedSecurityInfoW(&path[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, savedDacl_,
                          nullptr);
    LocalFree(saved_);
    saved_ = nullptr;
}

bool ReadOnlyFile::Active() const {
    if (IsFolder()) {
        // A folder is read-only when no new file can be made in it.
        const std::wstring probe = Wide(path_ + "\\probe.tmp");
        HANDLE made = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (made == INVALID_HANDLE_VALUE)
            return true;
        CloseHandle(made);
        DeleteFileW(probe.c_str());
        return false;
    }
    HANDLE file =
        CreateFileW(Wide(path_).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return true;
    CloseHandle(file);
    return false;
}

namespace {
constexpr DWORD kKilledByTimeout = 137; // 128 + SIGKILL, as the shell reports it
}

ProcessResult RunWithoutDisplay(const Installation& inst, const std::string& arguments, DWORD timeoutMs) {
    ProcessResult result;
    const std::string dir = UnixPath(inst.dir);
    if (dir.empty())
        return result;
    // Wine starts a Linux program but cannot wait for it: the script leaves the exit code
    // in a file, written whole by a rename. A run still going at the time limit is killed
    // there (its exit code then tells), so that nothing is left holding our output.
    const std::string script = inst.dir + "no_display.sh";
    const std::string exitFile = inst.dir + "no_display.rc";
    const std::string seconds = std::to_string(timeoutMs / 1000);
    WriteFileBytes(script, "unset DISPLAY\ncd '" + dir + "' || exit\ntimeout -s KILL " + seconds +
                               " \"${WINELOADER:-${WINE_LOADER:-wine}}\" ./LangSelect.exe " + arguments +
                               " >/dev/null 2>&1 </dev/null\necho $? > rc.tmp && mv rc.tmp no_display.rc\n");
    std::string line = "/bin/sh \"" + UnixPath(script) + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    result.started =
        CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != 0;
    if (!result.started)
        return result;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (!WaitUntil([&] { return FileExists(exitFile); }, timeoutMs + 5000))
        return result;
    result.exitCode = static_cast<DWORD>(atoi(ReadFileBytes(exitFile).c_str()));
    result.finished = result.exitCode != kKilledByTimeout;
    return result;
}

bool RunningUnderWine() {
    // Only Wine's ntdll has this entry point.
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

std::vector<std::string> ProfileLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = bytes.size();
        const std::string line = bytes.substr(start, end - start);
        if (line.find_first_not_of(" \t") != std::string::npos)
            lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

::testing::AssertionResult SameProfileLines(const std::string& expected, const std::string& actual) {
    const std::vector<std::string> want = ProfileLines(expected);
    const std::vector<std::string> got = ProfileLines(actual);
    for (size_t i = 0; i < want.size() || i < got.size(); ++i) {
        const std::string* w = i < want.size() ? &want[i] : nullptr;
        const std::string* g = i < got.size() ? &got[i] : nullptr;
        if (w && g && *w == *g)
            continue;
        return ::testing::AssertionFailure()
               << "line " << i + 1 << " of " << want.size() << " differs: expected ["
               << (w ? w->substr(0, 200) : "<end>") << "], got [" << (g ? g->substr(0, 200) : "<end>") << "]";
    }
    return ::testing::AssertionSuccess();
}

} // namespace testsupport
