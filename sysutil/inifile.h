// One INI file, read or written through the platform's profile functions. The same call
// loads or saves depending on Mode, so a caller describes its values once for both
// directions. Nothing is held open or cached: every operation is one platform call that
// has finished with the file when it returns, so the next reader (another process
// included) sees what was just written. A path of MAX_PATH characters or more, which the
// profile calls cannot take, reads as a missing file and takes no writes.
#pragma once

#include "sysutil/text.h"
#include "toolkit/object.h"

#include <cstdint>

namespace sysutil {

class StringList;

class IniFile : public toolkit::ToolkitObject {
  public:
    static constexpr uint8_t kRead = 0;  // value operations return what the file holds
    static constexpr uint8_t kWrite = 1; // value operations store the given values

    // Read: the stored value, or `value` when the file, section or key is missing.
    // Write: stores `value` and returns it, whether or not the platform managed to.
    int32_t ExchangeInteger(const Text& key, int32_t value);
    // Read: at most kTextValueLimit characters of the stored text, or `value`.
    Text ExchangeText(const Text& key, const Text& value);
    // Read: appends the section's entries ("key=value") in file order to `lines`, which
    // is not cleared first. Write: replaces the section's entries with the lines that fit
    // in one section block.
    void ExchangeSection(StringList* lines);
    // Removes the current section, header and entries, in either mode.
    void EraseSection();

    uint8_t Mode = kRead; // anything but kRead writes
    Text FileName;
    Text Section;
    // Set when the platform refused a write since the object was made. The exchange
    // operations still return the given value; a caller that must tell the user the truth
    // (the dialog's "OK") looks here.
    uint8_t WriteFailed = 0;

  private:
    void NoteWrite(int succeeded);
    // False for a path the profile functions cannot take; counts as a failed write.
    bool Reachable();
};

// Longest value text that ExchangeText reads back; a longer one comes back cut.
constexpr size_t kTextValueLimit = 2047;

IniFile* CreateIniFile(const Text& fileName);

} // namespace sysutil
