// LangSelectMsi.dll: the custom actions of an MSI package that installs LangSelect. Windows
// Installer's own tables read INI files in the Windows folder only, a major upgrade that
// removes the old product first deletes the installed language.cfg before the new one is
// written, and nothing from the install folder may run with the installer's rights, so
// these entries read the index before, and write it and do the import after:
//
//   ReadLanguageIndex (immediate, before RemoveExistingProducts; the package runs it on a
//     repair and on an upgrade given no language, never on a first install): reads "File"
//     of the file named by the property LanguageFile and, when it is a plain decimal
//     index, sets the property LanguageIndex to it. Nothing else is set.
//   ApplyLanguageIndex (deferred, not impersonated, after the files and the registry
//     value): CustomActionData is "<index or nothing>;<path of the installed
//     language.cfg>". Writes the index when the new file's [ListNames] has a key of that
//     number, then takes the installer's language over when "File" asks for it (-2), with
//     the program's own table and rule: what "LangSelect.exe /CHECK" would store, without
//     running a file of the install folder.
//
// Either skips its step, with a line in the install's log, when the file, its folder or a
// folder above it is a junction or symbolic link, or the file has another name (a hard link): a user who may
// change the folder must not steer an elevated read or write elsewhere. A failure costs
// only the kept index or the import (the first start imports then), never the install:
// every path returns ERROR_SUCCESS. Wide-character functions throughout, so a folder named
// outside the ANSI code page is the folder used. Only system DLLs are imported; both
// entries are exported under their plain names, as Windows Installer looks them up.
#include "app/installer_import.h"
#include "app/language_file.h"

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

constexpr const wchar_t* kIndexSection = L"LangFile";
constexpr const wchar_t* kIndexKey = L"File";
constexpr const wchar_t* kListSection = L"ListNames";
// More than the profile functions hand back of a value we read, or a section's key names.
constexpr DWORD kValueSize = 64;
constexpr DWORD kKeyNamesSize = 32767;
// The largest index kept: far beyond any list, and the text stays short.
constexpr size_t kIndexDigits = 5;

using WideText = std::unique_ptr<wchar_t[]>;

// A property's whole value; empty when it cannot be read.
WideText Property(MSIHANDLE install, const wchar_t* name) {
    DWORD size = 0;
    wchar_t none[1] = {};
    const UINT probe = MsiGetPropertyW(install, name, none, &size);
    WideText value(new wchar_t[size + 1]());
    if (probe != ERROR_MORE_DATA && probe != ERROR_SUCCESS)
        return value;
    ++size;
    if (MsiGetPropertyW(install, name, value.get(), &size) != ERROR_SUCCESS)
        value[0] = L'\0';
    return value;
}

// One line in the install's log, "LangSelect: <path> <what>", for whoever reads a verbose
// log. The path goes into a field of its own: the template would take its brackets for
// properties.
void Log(MSIHANDLE install, const wchar_t* path, const wchar_t* what) {
    const MSIHANDLE record = MsiCreateRecord(2);
    if (record == 0)
        return;
    MsiRecordSetStringW(record, 0, L"LangSelect: [1] [2]");
    MsiRecordSetStringW(record, 1, path);
    MsiRecordSetStringW(record, 2, what);
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
    MsiCloseHandle(record);
}

// Where the folders of `path` begin to count: past "C:\" or "\\server\share\".
size_t RootLength(const wchar_t* path) {
    if (path[0] == L'\\' && path[1] == L'\\') {
        size_t separators = 0;
        size_t i = 2;
        for (; path[i] != L'\0' && separators < 2; ++i)
            separators += path[i] == L'\\' ? 1 : 0;
        return i;
    }
    return path[0] != L'\0' && path[1] == L':' ? 3 : 0;
}

// Why the folder of `path`, a folder above it, or the file itself must not be used by an
// elevated step, or null when all are plain. A junction anywhere on the way would send
// the step elsewhere; links are looked at, never followed.
const wchar_t* WhyUnsafe(const wchar_t* path) {
    const size_t root = RootLength(path);
    if (root == 0)
        return L"is no full path: left alone";
    size_t length = 0;
    while (path[length] != L'\0')
        ++length;
    const std::unique_ptr<wchar_t[]> folder(new wchar_t[length + 1]());
    bool inFolder = false;
    for (size_t i = 0; i < length; ++i) {
        folder[i] = path[i];
        if (i < root || (path[i] != L'\\' && path[i] != L'/'))
            continue;
        folder[i] = L'\0';
        const DWORD attributes = GetFileAttributesW(folder.get());
        folder[i] = path[i];
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            return L"has no folder: left alone";
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            return L"lies in a folder that is a junction or symbolic link: left alone";
        inFolder = true;
    }
    if (!inFolder)
        return L"is no full path: left alone";
    const HANDLE file = CreateFileW(
        path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return L"cannot be opened: left alone";
    BY_HANDLE_FILE_INFORMATION info = {};
    const BOOL known = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (!known)
        return L"cannot be examined: left alone";
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return L"is a junction or symbolic link: left alone";
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return L"is a folder: left alone";
    if (info.nNumberOfLinks != 1)
        return L"has more than one name (a hard link): left alone";
    return nullptr;
}

// A plain decimal number, 0 to 99999, with nothing around it and no leading zero; -1
// otherwise. The profile functions have dropped the blanks around the value already.
int32_t PlainIndex(const wchar_t* text, size_t length) {
    if (length == 0 || length > kIndexDigits || (text[0] == L'0' && length > 1))
        return -1;
    int32_t value = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return -1;
        value = value * 10 + (text[i] - L'0');
    }
    return value;
}

size_t Length(const wchar_t* text) {
    size_t n = 0;
    while (text[n] != L'\0')
        ++n;
    return n;
}

bool SameText(const wchar_t* a, const wchar_t* b) {
    size_t i = 0;
    for (; a[i] != L'\0' && a[i] == b[i]; ++i) {
    }
    return a[i] == b[i];
}

// [ListNames] of `path` has a key named exactly `index` (LangSelect looks its names up by
// the decimal text of each position) with a name in it: "9=" names no language, as the
// NSIS and Inno kits hold too.
bool ListHasKey(const wchar_t* path, const wchar_t* index) {
    const std::unique_ptr<wchar_t[]> names(new wchar_t[kKeyNamesSize + 1]());
    const DWORD copied =
        GetPrivateProfileStringW(kListSection, nullptr, L"", names.get(), kKeyNamesSize, path);
    for (DWORD pos = 0; pos < copied && names[pos] != L'\0';
         pos += static_cast<DWORD>(Length(names.get() + pos)) + 1) {
        if (SameText(names.get() + pos, index)) {
            wchar_t name[kValueSize] = {};
            return GetPrivateProfileStringW(kListSection, index, L"", name, kValueSize, path) > 0;
        }
    }
    return false;
}

// Writes `index` (decimal text) to "File" and reads it back: the profile writer may report
// success for a write that did not land.
bool StoreIndex(const wchar_t* path, const wchar_t* index) {
    if (!WritePrivateProfileStringW(kIndexSection, kIndexKey, index, path))
        return false;
    wchar_t stored[kValueSize] = {};
    GetPrivateProfileStringW(kIndexSection, kIndexKey, L"", stored, kValueSize, path);
    return SameText(stored, index);
}

void IndexText(int32_t index, wchar_t* text) {
    wchar_t digits[12] = {};
    size_t n = 0;
    do {
        digits[n++] = static_cast<wchar_t>(L'0' + index % 10);
        index /= 10;
    } while (index > 0);
    for (size_t i = 0; i < n; ++i)
        text[i] = digits[n - 1 - i];
    text[n] = L'\0';
}

void KeepIndex(MSIHANDLE install, const wchar_t* path, const wchar_t* index) {
    if (!ListHasKey(path, index))
        Log(install, path, L"lists no language at the old index: the installer's language is imported again");
    else if (StoreIndex(path, index))
        Log(install, path, L"keeps the old language index");
    else
        Log(install, path, L"refused the old language index: the installer's language is imported again");
}

// The program's import (app/installer_language.cpp) on the installed file.
void ImportLanguage(MSIHANDLE install, const wchar_t* path) {
    int32_t index = 0;
    const auto stored =
        static_cast<int32_t>(GetPrivateProfileIntW(kIndexSection, kIndexKey, app::kNoLanguage, path));
    if (!app::ImportedIndex(stored, &index))
        return;
    wchar_t text[12] = {};
    IndexText(index, text);
    Log(install, path,
        StoreIndex(path, text) ? L"takes the installer's language over"
                               : L"refused the installer's language: the first start imports it");
}

} // namespace

extern "C" __declspec(dllexport) UINT WINAPI ReadLanguageIndex(MSIHANDLE install) {
    const WideText path = Property(install, L"LanguageFile");
    if (path[0] == L'\0')
        return ERROR_SUCCESS; // nothing to keep
    if (const wchar_t* why = WhyUnsafe(path.get())) {
        Log(install, path.get(), why);
        return ERROR_SUCCESS;
    }
    wchar_t text[kValueSize] = {};
    GetPrivateProfileStringW(kIndexSection, kIndexKey, L"", text, kValueSize, path.get());
    if (PlainIndex(text, Length(text)) < 0)
        return ERROR_SUCCESS;
    if (MsiSetPropertyW(install, L"LanguageIndex", text) == ERROR_SUCCESS)
        Log(install, path.get(), L"holds a language index, kept if the new list has it");
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT WINAPI ApplyLanguageIndex(MSIHANDLE install) {
    const WideText data = Property(install, L"CustomActionData");
    // The index comes first: a path may hold a semicolon itself.
    size_t split = 0;
    while (data[split] != L'\0' && data[split] != L';')
        ++split;
    if (data[split] != L';')
        return ERROR_SUCCESS;
    data[split] = L'\0';
    const wchar_t* index = data.get();
    const wchar_t* path = data.get() + split + 1;
    if (const wchar_t* why = WhyUnsafe(path)) {
        Log(install, path, why);
        return ERROR_SUCCESS;
    }
    if (PlainIndex(index, split) >= 0)
        KeepIndex(install, path, index);
    ImportLanguage(install, path);
    return ERROR_SUCCESS;
}
