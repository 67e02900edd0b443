// Splitting a profile section block into lines, and building one back, never reads or
// writes outside the buffer, and the two agree with each other.
#include "sysutil/profile_block.h"
#include "sysutil/stringlist.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > sysutil::kSectionReadSize)
        size = sysutil::kSectionReadSize;
    sysutil::StringList* lines = sysutil::CreateStringList();
    sysutil::AppendSectionLines(reinterpret_cast<const char*>(data), size, lines);
    // Every line is non-empty and holds no zero byte.
    size_t total = 0;
    for (int32_t i = 0; i < lines->Count; ++i) {
        const size_t n = std::strlen(lines->Item(i));
        if (n == 0)
            std::abort();
        total += n + 1;
    }
    if (total > size + 1)
        std::abort();

    std::unique_ptr<char[]> block(new char[sysutil::kSectionBufferSize]);
    const size_t used = sysutil::BuildSectionBlock(lines, block.get());
    if (used > sysutil::kSectionLineRoom + 2 || block[used - 1] != '\0' || block[used - 2] != '\0')
        std::abort();
    // Splitting what was built gives the same lines back (all fit: the input was smaller).
    sysutil::StringList* again = sysutil::CreateStringList();
    sysutil::AppendSectionLines(block.get(), used, again);
    if (total <= sysutil::kSectionLineRoom) {
        if (again->Count != lines->Count)
            std::abort();
        for (int32_t i = 0; i < lines->Count; ++i) {
            if (std::strcmp(again->Item(i), lines->Item(i)) != 0)
                std::abort();
        }
    }
    toolkit::Free(again);
    toolkit::Free(lines);
    return 0;
}
