// LangSelectMsi.dll: custom actions that carry the language index of language.cfg across
// an upgrade or repair of an MSI package. Windows Installer's own tables read INI files in
// the Windows folder only, and a major upgrade that removes the old product first deletes
// the installed language.cfg before the new one is written, so the index is read before
// and written back after:
//
//   ReadLanguageIndex (immediate, before RemoveExistingProducts): reads "File" of the file
//     named by the property LanguageFile and, when it is an index (0 or more), sets the
//     property LanguageIndex to it. Nothing else is set.
//   KeepLanguageIndex (deferred, not impersonated, after InstallFiles): CustomActionData is
//     "<index>;<path of the newly installed language.cfg>". Writes the index when the new
//     file's [ListNames] has an entry at it; otherwise leaves the new file's "File" for
//     LangSelect's import, as on a first install.
//
// Only system DLLs are imported (kernel32, msi, msvcrt); both entries are exported under their
// plain names, as Windows Installer looks them up.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <cstddef>
#include <cstdint>

namespace {

constexpr const char* kIndexSection = "LangFile";
constexpr const char* kIndexKey = "File";
constexpr const char* kListSection = "ListNames";
// The profile functions take paths shorter than MAX_PATH; CustomActionData holds the
// index, its separator and such a path.
constexpr DWORD kDataSize = MAX_PATH + 16;
// As much of a section as the profile functions hand back in one call.
constexpr DWORD kSectionReadSize = 32767;
// The largest index written back: far beyond any list, and it keeps the text short.
constexpr int32_t kIndexLimit = 99999;

// A plain decimal index, 0 to kIndexLimit, with nothing around it; -1 otherwise.
int32_t ParseIndex(const char* text, size_t length) {
    if (length == 0 || length > 5)
        return -1;
    int32_t value = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

size_t Length(const char* text) {
    size_t n = 0;
    while (text[n] != '\0')
        ++n;
    return n;
}

// The decimal text of 0 <= index <= kIndexLimit into `text` (at least 6 bytes).
void IndexText(int32_t index, char* text) {
    char digits[6] = {};
    size_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + index % 10);
        index /= 10;
    } while (index > 0);
    for (size_t i = 0; i < n; ++i)
        text[i] = digits[n - 1 - i];
    text[n] = '\0';
}

// One line in the install's log, "LangSelect: <path> <what>", for whoever reads a verbose
// log of an upgrade. The path goes into a field of its own: the template would take its
// brackets for properties.
void Log(MSIHANDLE install, const char* path, const char* what) {
    const MSIHANDLE record = MsiCreateRecord(2);
    if (record == 0)
        return;
    MsiRecordSetStringA(record, 0, "LangSelect: [1] [2]");
    MsiRecordSetStringA(record, 1, path);
    MsiRecordSetStringA(record, 2, what);
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
    MsiCloseHandle(record);
}

// The index "File" holds as LangSelect reads it (the profile functions' integer); -1
// for a missing file or key, -1 and -2 as written.
int32_t StoredIndex(const char* path) {
    return static_cast<int32_t>(GetPrivateProfileIntA(kIndexSection, kIndexKey, -1, path));
}

// How many entries [ListNames] holds: LangSelect lists exactly that many names.
int32_t ListLength(const char* path) {
    char block[kSectionReadSize + 1];
    const DWORD copied = GetPrivateProfileSectionA(kListSection, block, kSectionReadSize, path);
    block[copied < kSectionReadSize ? copied : kSectionReadSize] = '\0';
    int32_t count = 0;
    for (DWORD pos = 0; pos < copied && block[pos] != '\0';
         pos += static_cast<DWORD>(Length(block + pos)) + 1)
        ++count;
    return count;
}

} // namespace

extern "C" __declspec(dllexport) UINT WINAPI ReadLanguageIndex(MSIHANDLE install) {
    char path[MAX_PATH] = {};
    DWORD size = sizeof path;
    if (MsiGetPropertyA(install, "LanguageFile", path, &size) != ERROR_SUCCESS || path[0] == '\0')
        return ERROR_SUCCESS; // nothing to keep: not an error
    const int32_t index = StoredIndex(path);
    if (index < 0 || index > kIndexLimit)
        return ERROR_SUCCESS;
    char text[8] = {};
    IndexText(index, text);
    if (MsiSetPropertyA(install, "LanguageIndex", text) != ERROR_SUCCESS)
        return ERROR_INSTALL_FAILURE;
    Log(install, path, "holds a language index, kept if the new list has it");
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT WINAPI KeepLanguageIndex(MSIHANDLE install) {
    char data[kDataSize] = {};
    DWORD size = sizeof data;
    if (MsiGetPropertyA(install, "CustomActionData", data, &size) != ERROR_SUCCESS)
        return ERROR_INSTALL_FAILURE;
    // The index comes first: a path may hold a semicolon itself.
    size_t split = 0;
    while (data[split] != '\0' && data[split] != ';')
        ++split;
    const int32_t index = ParseIndex(data, split);
    const char* path = data + split + 1;
    if (data[split] != ';' || index < 0 || *path == '\0')
        return ERROR_INSTALL_FAILURE;
    if (index >= ListLength(path)) {
        Log(install, path, "lists no language at the old index: the installer's language is imported again");
        return ERROR_SUCCESS;
    }
    char text[8] = {};
    IndexText(index, text);
    if (!WritePrivateProfileStringA(kIndexSection, kIndexKey, text, path) || StoredIndex(path) != index)
        return ERROR_INSTALL_FAILURE;
    Log(install, path, "keeps the old language index");
    return ERROR_SUCCESS;
}
