#include "sysutil/registry.h"

#include "sysutil/system_proc.h"

#include <memory>

namespace sysutil {
namespace {

// advapi32 is loaded only by a run that has to look at the registry.
using OpenKeyProc = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY);
using QueryValueProc = LONG(WINAPI*)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
using CloseKeyProc = LONG(WINAPI*)(HKEY);

LONG OpenKey(HKEY root, const char* path, REGSAM access, HKEY* key) {
    const auto open = SystemProcAs<OpenKeyProc>("advapi32.dll", "RegOpenKeyExA");
    return open ? open(root, path, 0, access, key) : ERROR_PROC_NOT_FOUND;
}

LONG QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
    const auto query = SystemProcAs<QueryValueProc>("advapi32.dll", "RegQueryValueExA");
    return query ? query(key, name, nullptr, type, data, size) : ERROR_PROC_NOT_FOUND;
}

// Any value of that name counts, whatever its type or data.
bool ValuePresent(HKEY key, const Text& name) {
    return QueryValue(key, name.c_str(), nullptr, nullptr, nullptr) != ERROR_FILE_NOT_FOUND;
}

} // namespace

HKEY OpenRegistryKeyForRead(HKEY root, const Text& path) {
    HKEY key = nullptr;
    LONG result = OpenKey(root, path.c_str(), KEY_READ, &key);
    // On 64-bit Windows a 64-bit-aware installer writes the 64-bit view, which this 32-bit
    // program does not see by default. Only a key missing from our own view is looked for
    // there; 32-bit Windows ignores the flag and simply finds nothing again.
    if (result == ERROR_FILE_NOT_FOUND)
        result = OpenKey(root, path.c_str(), KEY_READ | KEY_WOW64_64KEY, &key);
    return result == ERROR_SUCCESS ? key : nullptr;
}

HKEY OpenRegistryKeyWithValue(HKEY root, const Text& path, const Text& name) {
    HKEY own = nullptr;
    if (OpenKey(root, path.c_str(), KEY_READ, &own) != ERROR_SUCCESS)
        own = nullptr;
    if (own && ValuePresent(own, name))
        return own;
    // Our own view may hold the key without the value: left by an older 32-bit installer or
    // by the product's own settings. It must not hide the value of a 64-bit-aware installer.
    // Where there is one view this opens the same key again, which lacks the value too.
    HKEY other = nullptr;
    if (OpenKey(root, path.c_str(), KEY_READ | KEY_WOW64_64KEY, &other) != ERROR_SUCCESS)
        return own;
    if (own && !ValuePresent(other, name)) {
        CloseRegistryKey(other);
        return own;
    }
    CloseRegistryKey(own);
    return other;
}

Text ReadRegistryText(HKEY key, const Text& name) {
    if (!key)
        return Text();
    DWORD type = 0;
    DWORD size = 0;
    if (QueryValue(key, name.c_str(), &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return Text();
    // Stored data need not end with a zero byte: one spare byte lets us end it ourselves
    // rather than read past the buffer.
    std::unique_ptr<char[]> data(new char[size + 1]);
    DWORD got = size;
    if (QueryValue(key, name.c_str(), &type, reinterpret_cast<BYTE*>(data.get()), &got) != ERROR_SUCCESS ||
        type != REG_SZ)
        return Text();
    data[got <= size ? got : size] = '\0';
    return Text(data.get());
}

void CloseRegistryKey(HKEY key) {
    if (!key)
        return;
    const auto close = SystemProcAs<CloseKeyProc>("advapi32.dll", "RegCloseKey");
    if (close)
        close(key);
}

bool RegistryKeyPresent(HKEY root, const Text& path) {
    if (!root)
        return false;
    const HKEY key = OpenRegistryKeyForRead(root, path);
    CloseRegistryKey(key);
    return key != nullptr;
}

} // namespace sysutil
