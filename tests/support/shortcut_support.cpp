// Apart from the other helpers: only the programs that read shortcuts link ole32 and uuid.
#include "support/example_installer.h"

#include <objbase.h>
#include <shlobj.h>

namespace testsupport {

Shortcut ReadShortcut(const std::string& path) {
    Shortcut s;
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            char text[MAX_PATH * 2] = {};
            if (SUCCEEDED(file->Load(Wide(path).c_str(), STGM_READ))) {
                if (SUCCEEDED(link->GetPath(text, sizeof text, nullptr, 0)))
                    s.target = text;
                if (SUCCEEDED(link->GetArguments(text, sizeof text)))
                    s.arguments = text;
                if (SUCCEEDED(link->GetWorkingDirectory(text, sizeof text)))
                    s.folder = text;
            }
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return s;
}

} // namespace testsupport
