// Profile section blocks: lines each ended by a zero byte, the whole ended by one more.
// Kept apart from the file access so that the splitting and the building are tested and
// fuzzed natively.
#pragma once

#include <cstddef>

namespace sysutil {

class StringList;

// Buffer size for one section, and the part of it that the platform may fill or that
// lines may take when a block is built (two bytes stay for the terminating zeros).
constexpr size_t kSectionBufferSize = 32771;
constexpr size_t kSectionReadSize = 32767;
constexpr size_t kSectionLineRoom = 32765;

// Appends the lines of a block of `size` bytes to `lines`, stopping at the first empty
// line. A block that is not properly ended stops at `size`.
void AppendSectionLines(const char* block, size_t size, StringList* lines);

// Writes the lines of `lines` into `block` (kSectionBufferSize bytes) while room remains,
// the last one possibly cut short, then two zero bytes; returns the bytes used.
size_t BuildSectionBlock(const StringList* lines, char* block);

} // namespace sysutil
