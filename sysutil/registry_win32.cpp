#include "sysutil/registry.h"

#include <memory>

namespace sysutil {

HKEY OpenRegistryKeyForRead(HKEY root, const Text& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

Text ReadRegistryText(HKEY key, const Text& name) {
    if (!key)
        return Text();
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return Text();
    // Stored data need not end with a zero byte: one spare byte lets us end it ourselves
    // rather than read past the buffer.
    std::unique_ptr<char[]> data(new char[size + 1]);
    DWORD got = size;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.get()), &got) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return Text();
    data[got <= size ? got : size] = '\0';
    return Text(data.get());
}

void CloseRegistryKey(HKEY key) {
    if (key)
        RegCloseKey(key);
}

bool RegistryKeyPresent(HKEY root, const Text& path) {
    if (!root)
        return false;
    const HKEY key = OpenRegistryKeyForRead(root, path);
    CloseRegistryKey(key);
    return key != nullptr;
}

} // namespace sysutil
