#include "sysutil/profile_block.h"

#include "sysutil/stringlist.h"

#include <cstring>

namespace sysutil {

void AppendSectionLines(const char* block, size_t size, StringList* lines) {
    size_t pos = 0;
    while (pos < size && block[pos] != '\0') {
        const void* zero = std::memchr(block + pos, '\0', size - pos);
        const size_t end = zero ? static_cast<size_t>(static_cast<const char*>(zero) - block) : size;
        lines->Add(block + pos, end - pos);
        pos = end + 1;
    }
}

size_t BuildSectionBlock(const StringList* lines, char* block) {
    size_t used = 0;
    for (int32_t i = 0; i < lines->Count; ++i) {
        const char* line = lines->Item(i);
        const size_t length = std::strlen(line);
        const size_t room = kSectionLineRoom - used;
        if (length + 1 > room) {
            // The line does not fit whole: take what fits, without its zero byte, and stop.
            std::memcpy(block + used, line, room < length ? room : length);
            used += room < length ? room : length;
            break;
        }
        std::memcpy(block + used, line, length + 1);
        used += length + 1;
    }
    block[used] = '\0';
    block[used + 1] = '\0';
    return used + 2;
}

} // namespace sysutil
