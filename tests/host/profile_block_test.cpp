// Section blocks split into lines and built from them, natively under the sanitizers, which
// catch a read or write past the block that the Windows tests could not see.
#include "sysutil/profile_block.h"
#include "sysutil/stringlist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace sysutil;

namespace {

std::vector<std::string> Split(const std::string& block) {
    // An exact-size heap copy, so that reading one byte too far is caught.
    std::unique_ptr<char[]> bytes(new char[block.size()]);
    std::copy(block.begin(), block.end(), bytes.get());
    StringList* list = CreateStringList();
    list->Add("before");
    AppendSectionLines(bytes.get(), block.size(), list);
    std::vector<std::string> lines;
    for (int32_t i = 0; i < list->Count; ++i)
        lines.push_back(list->Item(i));
    toolkit::Free(list);
    return lines;
}

TEST(ProfileBlock, SplitStopsAtTheEmptyLineOrTheEnd) {
    using S = std::string;
    const struct {
        std::string block;
        std::vector<std::string> lines;
    } cases[] = {
        {S("a=1\0b=2\0\0", 9), {"before", "a=1", "b=2"}},
        {S("a=1\0\0b=2\0\0", 10), {"before", "a=1"}}, // nothing after the empty line
        {S("\0\0", 2), {"before"}},
        {S("a=1\0b=2", 7), {"before", "a=1", "b=2"}}, // unended: stops at the size
        {S("a=1", 3), {"before", "a=1"}},
        {S("", 0), {"before"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.lines, Split(c.block)) << c.block.size() << " bytes";
}

// The block built from lines of the given lengths: each line is made of one letter.
std::string Build(const std::vector<size_t>& lengths) {
    StringList* list = CreateStringList();
    for (size_t i = 0; i < lengths.size(); ++i) {
        const std::string line(lengths[i], static_cast<char>('a' + i % 26));
        list->Add(line.data(), line.size());
    }
    std::unique_ptr<char[]> block(new char[kSectionBufferSize]);
    const size_t used = BuildSectionBlock(list, block.get());
    toolkit::Free(list);
    EXPECT_LE(used, kSectionLineRoom + 2);
    return std::string(block.get(), used);
}

TEST(ProfileBlock, BuildKeepsWhatFitsInTheRoom) {
    const size_t room = kSectionLineRoom;
    EXPECT_EQ(std::string("\0\0", 2), Build({}));
    EXPECT_EQ(std::string("aa\0b\0\0\0\0", 8), Build({2, 1, 0})); // an empty line too
    // A line that fits with its zero byte to the last byte of room.
    EXPECT_EQ(std::string(room - 1, 'a') + std::string(3, '\0'), Build({room - 1}));
    // One byte longer: all of it but no zero byte of its own, and nothing after it.
    EXPECT_EQ(std::string(room, 'a') + std::string(2, '\0'), Build({room, 5}));
    // Cut short after a whole line.
    const std::string block = Build({100, room});
    EXPECT_EQ(room + 2, block.size());
    EXPECT_EQ(std::string(100, 'a') + '\0' + std::string(room - 101, 'b') + std::string(2, '\0'), block);
}

} // namespace
