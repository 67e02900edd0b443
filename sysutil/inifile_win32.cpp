#include "sysutil/inifile.h"

#include "sysutil/profile_block.h"
#include "sysutil/stringlist.h"

#include <windows.h>

#include <memory>

namespace sysutil {
namespace {

// The profile calls take paths of at most MAX_PATH - 1 characters. Given a longer one,
// Wine writes to a file named after whatever its buffer held, in the current directory;
// such a file is treated as missing and unwritable instead.
bool FileNameUsable(const Text& fileName) {
    return fileName.size() < MAX_PATH;
}

} // namespace

void IniFile::NoteWrite(int succeeded) {
    if (!succeeded)
        WriteFailed = 1;
}

bool IniFile::Reachable() {
    if (FileNameUsable(FileName))
        return true;
    NoteWrite(Mode == kRead); // a write that cannot even be tried has failed
    return false;
}

IniFile* CreateIniFile(const Text& fileName) {
    IniFile* file = toolkit::NewObject<IniFile>();
    file->FileName = fileName;
    return file;
}

int32_t IniFile::ExchangeInteger(const Text& key, int32_t value) {
    if (!Reachable())
        return value;
    if (Mode == kRead) {
        // The platform hands the signed value back in an unsigned: -1 and -2 survive.
        return static_cast<int32_t>(
            GetPrivateProfileIntA(Section.c_str(), key.c_str(), value, FileName.c_str()));
    }
    NoteWrite(
        WritePrivateProfileStringA(Section.c_str(), key.c_str(), IntToText(value).c_str(), FileName.c_str()));
    return value;
}

Text IniFile::ExchangeText(const Text& key, const Text& value) {
    if (!Reachable())
        return value;
    if (Mode == kRead) {
        char buffer[kTextValueLimit + 1];
        buffer[0] = '\0';
        GetPrivateProfileStringA(Section.c_str(), key.c_str(), value.c_str(), buffer, sizeof buffer,
                                 FileName.c_str());
        buffer[kTextValueLimit] = '\0';
        return Text(buffer);
    }
    NoteWrite(WritePrivateProfileStringA(Section.c_str(), key.c_str(), value.c_str(), FileName.c_str()));
    return value;
}

void IniFile::ExchangeSection(StringList* lines) {
    if (!Reachable())
        return;
    // One section may be larger than the stack likes; the buffer lives for this call only.
    std::unique_ptr<char[]> buffer(new char[kSectionBufferSize]);
    if (Mode == kRead) {
        // The first four bytes stay spare, as the block layout expects.
        char* block = buffer.get() + (kSectionBufferSize - kSectionReadSize);
        const DWORD copied =
            GetPrivateProfileSectionA(Section.c_str(), block, kSectionReadSize, FileName.c_str());
        if (copied == 0)
            return;
        // Never walk past what the platform filled, even should it leave the block unended.
        const size_t filled = copied + 1 < kSectionReadSize ? copied + 1 : kSectionReadSize;
        AppendSectionLines(block, filled, lines);
        return;
    }
    BuildSectionBlock(lines, buffer.get());
    EraseSection();
    NoteWrite(WritePrivateProfileSectionA(Section.c_str(), buffer.get(), FileName.c_str()));
}

void IniFile::EraseSection() {
    if (Reachable())
        NoteWrite(WritePrivateProfileStringA(Section.c_str(), nullptr, nullptr, FileName.c_str()));
}

} // namespace sysutil
