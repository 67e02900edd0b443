// The checked heap of the test builds (this program is built there only): what it must
// catch for sure, each in a child process of its own, which must end with runtime error 240.
#include "sysutil/fatal.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const auto kHeapDamaged = ::testing::ExitedWithCode(static_cast<int>(sysutil::kHeapDamagedError));
constexpr const char* kReport = "Runtime error 240 at ";

// Through volatile pointers, so that the compiler keeps the faulty writes and frees.
void Write(volatile char* p, int index) {
    p[index] = 'x';
}

TEST(CheckedHeap, DamageEndsTheProgramWithItsOwnRuntimeError) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            char* volatile block = new char[10];
            Write(block, 10);
            delete[] block;
        },
        kHeapDamaged, kReport)
        << "one byte past the end, found at the free";
    EXPECT_EXIT(
        {
            char* volatile block = new char[10];
            Write(block, -1);
            delete[] block;
        },
        kHeapDamaged, kReport)
        << "one byte before the start";
    EXPECT_EXIT(
        {
            char* volatile block = new char[10];
            delete[] block;
            Write(block, 3);
            std::exit(0);
        },
        kHeapDamaged, kReport)
        << "a write after the free, found at the end";
    EXPECT_EXIT(
        {
            char* volatile block = new char[10];
            delete[] block;
            delete[] block;
        },
        kHeapDamaged, kReport)
        << "freed twice";
    EXPECT_EXIT(
        {
            // Thousands of frees later, with memory of that size asked for again.
            static char* others[5000];
            for (char*& other : others)
                other = new char[10];
            char* volatile block = new char[10];
            delete[] block;
            for (char* other : others)
                delete[] other;
            for (int i = 0; i < 100000; ++i) {
                char* volatile fresh = new char[10];
                if (fresh == block)
                    break; // a new block where the old one was: its mark reads as live
            }
            delete[] block;
            std::exit(0);
        },
        kHeapDamaged, kReport)
        << "freed twice, long after the first free";
}

// A write after a free is found when any runtime error is reported, before its box (whose
// ExitProcess skips the end's check), and the report names the block and the byte.
TEST(CheckedHeap, AWriteAfterAFreeIsNamedBeforeAnyRuntimeError) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            char* volatile block = new char[10];
            delete[] block;
            Write(block, 3);
            sysutil::RunError(sysutil::kOutOfMemoryError, nullptr);
        },
        kHeapDamaged,
        "the freed block of 10 bytes allocated at .* was written after its free, first at byte 3");
}

} // namespace
