// The product's allocator: every allocation goes through here, and exhausted memory ends
// the process with runtime error 203 reported at the allocating code's address.
//
// The fault-injection build (LANGSELECT_ALLOC_HOOK) fails the n-th allocation, n taken
// from the variable LANGSELECT_FAIL_ALLOCATION, so tests can reach every allocation site;
// LANGSELECT_FAIL_FROM_ALLOCATION=n fails the n-th and every one after it, as memory
// that stays exhausted does; given LANGSELECT_COUNT_ALLOCATIONS, it writes the number of
// allocations made to that file when the process ends normally, so tests know how many
// sites a run passes.
//
// The checked build (LANGSELECT_CHECKED_HEAP) makes a use of freed memory fail for sure
// instead of by luck: a freed block is filled with 0xDD (as a pointer that faults on 32-
// and 64-bit code alike) and never handed out again, so its mark still tells a second free
// at any later time; guard bytes around every block are checked when it is freed, and
// every block once more when the process ends: at a normal end, and before the report of
// any runtime error (whose ExitProcess skips the normal end). Damage ends the process with
// runtime error 240 at the code that allocated the block, after a line on standard error
// (and the debugger's output) that names the block: its size, that code, and the first
// byte written after its free. Given LANGSELECT_LIVE_BLOCKS, it writes the blocks still
// allocated at a normal end to that file.
//
// The product itself is built with neither and reads no environment variable.
#include "sysutil/fatal.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(LANGSELECT_ALLOC_HOOK) || defined(LANGSELECT_CHECKED_HEAP)
#include <windows.h>
#endif

namespace {

#if defined(LANGSELECT_ALLOC_HOOK) || defined(LANGSELECT_CHECKED_HEAP)
// Appends `n` in decimal, or in hexadecimal with eight digits at least; returns the end.
char* AppendNumber(char* out, uintptr_t n, bool hex = false) {
    const uintptr_t base = hex ? 16 : 10;
    char digits[24];
    int count = 0;
    do {
        digits[count++] = "0123456789ABCDEF"[n % base];
        n /= base;
    } while (n != 0 || (hex && count < 8));
    while (count > 0)
        *out++ = digits[--count];
    return out;
}

// Writes `size` bytes to the file named by the environment variable, if it names one.
void WriteReport(const char* variable, const char* text, DWORD size) {
    char path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA(variable, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    const HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text, size, &written, nullptr);
    CloseHandle(file);
}
#endif

#ifdef LANGSELECT_ALLOC_HOOK
long g_allocationCount = 0;

// Runs from the C runtime's exit, after WinMain has returned; a run ended by a runtime
// error leaves through ExitProcess and writes nothing.
void WriteAllocationCount() {
    char digits[24];
    const char* end = AppendNumber(digits, static_cast<unsigned long>(g_allocationCount));
    WriteReport("LANGSELECT_COUNT_ALLOCATIONS", digits, static_cast<DWORD>(end - digits));
}

long NumberFromEnvironment(const char* name) {
    char value[16] = {};
    return GetEnvironmentVariableA(name, value, sizeof value) ? atol(value) : 0;
}

bool InjectedFailure() {
    static long failAt = -1;
    static long failFrom = 0;
    if (failAt < 0) {
        failAt = NumberFromEnvironment("LANGSELECT_FAIL_ALLOCATION");
        failFrom = NumberFromEnvironment("LANGSELECT_FAIL_FROM_ALLOCATION");
        atexit(WriteAllocationCount);
    }
    ++g_allocationCount;
    return g_allocationCount == failAt || (failFrom > 0 && g_allocationCount >= failFrom);
}
#else
constexpr bool InjectedFailure() {
    return false;
}
#endif

#ifdef LANGSELECT_CHECKED_HEAP
constexpr uint8_t kGuardByte = 0xFD;
constexpr uint8_t kFreedByte = 0xDD;
constexpr uint32_t kLiveMark = 0x4B4F4C42;  // "BLOK"
constexpr uint32_t kFreedMark = 0x44455246; // "FRED"
constexpr size_t kTrailingGuard = 16;

// What precedes every block: the live list, the request, and guard bytes up to a
// 16-byte boundary so that the block keeps malloc's alignment.
struct BlockHeader {
    BlockHeader* previous;
    BlockHeader* next;
    size_t size;
    const void* caller; // the code that allocated it
    uint32_t mark;
};
constexpr size_t kHeaderSize = (sizeof(BlockHeader) + 8 + 15) / 16 * 16;

uint8_t* Body(BlockHeader* h) {
    return reinterpret_cast<uint8_t*>(h) + kHeaderSize;
}
BlockHeader* HeaderOf(void* p) {
    return reinterpret_cast<BlockHeader*>(static_cast<uint8_t*>(p) - kHeaderSize);
}

bool Filled(const uint8_t* p, size_t count, uint8_t value) {
    for (size_t i = 0; i < count; ++i)
        if (p[i] != value)
            return false;
    return true;
}

bool GuardsIntact(BlockHeader* h) {
    const auto* front = reinterpret_cast<const uint8_t*>(h) + sizeof(BlockHeader);
    return Filled(front, kHeaderSize - sizeof(BlockHeader), kGuardByte) &&
           Filled(Body(h) + h->size, kTrailingGuard, kGuardByte);
}

// Test programs allocate on more than one thread; the product has one.
volatile LONG g_lock = 0;
struct HeapLock {
    HeapLock() {
        while (InterlockedExchange(&g_lock, 1) != 0)
            Sleep(0);
    }
    ~HeapLock() { InterlockedExchange(&g_lock, 0); }
    HeapLock(const HeapLock&) = delete;
    HeapLock& operator=(const HeapLock&) = delete;
};

BlockHeader g_live = {&g_live, &g_live, 0, nullptr, 0}; // the ring of live blocks
// The ring of freed blocks, kept for the whole run. Memory the C heap handed out again
// could hold a new block whose mark reads as live, and a second free of the old one would
// free that one silently; the test programs are small enough to keep everything.
BlockHeader g_freed = {&g_freed, &g_freed, 0, nullptr, 0};

void Unlink(BlockHeader* h) {
    h->previous->next = h->next;
    h->next->previous = h->previous;
}

void Append(BlockHeader* ring, BlockHeader* h) {
    h->previous = ring->previous;
    h->next = ring;
    ring->previous->next = h;
    ring->previous = h;
}

// Ends the process: a block was written outside its bounds or after its free, or a
// pointer was freed that is no live block of this heap. Called without the lock held.
[[noreturn]] void HeapDamaged(const void* address) {
    sysutil::RunError(sysutil::kHeapDamagedError, address);
}

void ReportLiveBlocks();
void CheckBeforeRunError();

void* CheckedAllocate(size_t size, const void* caller) {
    static bool reportAtExit = false;
    if (!reportAtExit) {
        reportAtExit = true;
        atexit(ReportLiveBlocks);
        sysutil::CheckHeapBeforeRunError = CheckBeforeRunError;
    }
    if (size > SIZE_MAX - kHeaderSize - kTrailingGuard)
        return nullptr;
    auto* h = static_cast<BlockHeader*>(std::malloc(kHeaderSize + size + kTrailingGuard));
    if (!h)
        return nullptr;
    h->size = size;
    h->caller = caller;
    h->mark = kLiveMark;
    auto* front = reinterpret_cast<uint8_t*>(h) + sizeof(BlockHeader);
    for (size_t i = 0; i < kHeaderSize - sizeof(BlockHeader); ++i)
        front[i] = kGuardByte;
    for (size_t i = 0; i < kTrailingGuard; ++i)
        Body(h)[size + i] = kGuardByte;
    const HeapLock lock;
    Append(&g_live, h);
    return Body(h);
}

void CheckedFree(void* p, const void* caller) {
    if (!p)
        return;
    const void* damaged = nullptr;
    {
        const HeapLock lock;
        BlockHeader* h = HeaderOf(p);
        if (h->mark != kLiveMark || !GuardsIntact(h)) {
            damaged = caller;
        } else {
            Unlink(h);
            h->mark = kFreedMark;
            for (size_t i = 0; i < h->size; ++i)
                Body(h)[i] = kFreedByte;
            Append(&g_freed, h);
        }
    }
    if (damaged)
        HeapDamaged(damaged);
}

// One line naming a damaged block, on standard error (the test programs') and for a
// debugger: nothing allocates on this path.
void DescribeDamage(const BlockHeader* h, bool freed) {
    static char text[160];
    char* out = text;
    auto append = [&out](const char* s) {
        while (*s)
            *out++ = *s++;
    };
    append(freed ? "checked heap: the freed block of " : "checked heap: the block of ");
    out = AppendNumber(out, h->size);
    append(" bytes allocated at ");
    out = AppendNumber(out, reinterpret_cast<uintptr_t>(h->caller), true);
    const auto* body = reinterpret_cast<const uint8_t*>(h) + kHeaderSize;
    size_t written = 0;
    while (freed && written < h->size && body[written] == kFreedByte)
        ++written;
    if (freed && written < h->size) {
        append(" was written after its free, first at byte ");
        out = AppendNumber(out, written);
    } else {
        append(" was written outside its bounds");
    }
    *out++ = '\n';
    *out = '\0';
    DWORD done = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(out - text), &done, nullptr);
    OutputDebugStringA(text);
}

// The code that allocated the first damaged block (freed ones first), named on standard
// error; null when every block is whole. Called with the lock held.
const void* FirstDamagedBlock() {
    for (BlockHeader* h = g_freed.next; h != &g_freed; h = h->next) {
        if (!GuardsIntact(h) || !Filled(Body(h), h->size, kFreedByte)) {
            DescribeDamage(h, true);
            return h->caller;
        }
    }
    for (BlockHeader* h = g_live.next; h != &g_live; h = h->next) {
        if (!GuardsIntact(h)) {
            DescribeDamage(h, false);
            return h->caller;
        }
    }
    return nullptr;
}

// Before the report of any runtime error: a damaged heap is the fault to report.
void CheckBeforeRunError() {
    const void* damaged = nullptr;
    {
        const HeapLock lock;
        damaged = FirstDamagedBlock();
    }
    if (damaged)
        HeapDamaged(damaged);
}

// At a normal end every block is checked once more, and the live ones are listed (count,
// then one line per block: its size and the address of the code that allocated it).
void ReportLiveBlocks() {
    sysutil::CheckHeapBeforeRunError = nullptr; // checked here, and named once
    const void* damaged = nullptr;
    {
        const HeapLock lock;
        damaged = FirstDamagedBlock();
        size_t live = 0;
        for (BlockHeader* h = g_live.next; h != &g_live; h = h->next)
            ++live;
        // Lines of at most 40 characters; a long list is cut, its count stays whole.
        static char text[40 * 64];
        char* out = AppendNumber(text, live);
        *out++ = '\n';
        for (BlockHeader* h = g_live.next; h != &g_live && out + 40 < text + sizeof text; h = h->next) {
            out = AppendNumber(out, h->size);
            *out++ = ' ';
            out = AppendNumber(out, reinterpret_cast<uintptr_t>(h->caller), true);
            *out++ = '\n';
        }
        if (!damaged)
            WriteReport("LANGSELECT_LIVE_BLOCKS", text, static_cast<DWORD>(out - text));
    }
    if (damaged)
        HeapDamaged(damaged);
}

void* RawAllocate(size_t size, const void* caller) {
    return CheckedAllocate(size, caller);
}
void RawFree(void* p, const void* caller) {
    CheckedFree(p, caller);
}
#else
void* RawAllocate(size_t size, const void*) {
    return std::malloc(size);
}
void RawFree(void* p, const void*) {
    std::free(p);
}
#endif

void* Allocate(std::size_t size, const void* caller) {
    void* p = InjectedFailure() ? nullptr : RawAllocate(size ? size : 1, caller);
    if (!p)
        sysutil::RunError(sysutil::kOutOfMemoryError, caller);
    return p;
}

} // namespace

void* operator new(std::size_t size) {
    return Allocate(size, __builtin_return_address(0));
}
void* operator new[](std::size_t size) {
    return Allocate(size, __builtin_return_address(0));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size, __builtin_return_address(0));
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size, __builtin_return_address(0));
}
void operator delete(void* p) noexcept {
    RawFree(p, __builtin_return_address(0));
}
void operator delete[](void* p) noexcept {
    RawFree(p, __builtin_return_address(0));
}
void operator delete(void* p, std::size_t) noexcept {
    RawFree(p, __builtin_return_address(0));
}
void operator delete[](void* p, std::size_t) noexcept {
    RawFree(p, __builtin_return_address(0));
}
