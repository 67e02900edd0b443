// The product's allocator: every allocation goes through here, and exhausted memory ends
// the process with runtime error 203 reported at the allocating code's address.
//
// The fault-injection build (LANGSELECT_ALLOC_HOOK) fails the n-th allocation, n taken
// from the variable LANGSELECT_FAIL_ALLOCATION, so tests can reach every allocation site;
// LANGSELECT_FAIL_FROM_ALLOCATION=n fails the n-th and every one after it, as memory
// that stays exhausted does; given LANGSELECT_COUNT_ALLOCATIONS, it writes the number of
// allocations made to that file when the process ends normally, so tests know how many
// sites a run passes. The product itself is built without it and reads no environment
// variable.
#include "sysutil/fatal.h"

#include <cstdlib>
#include <new>

#ifdef LANGSELECT_ALLOC_HOOK
#include <windows.h>
#endif

namespace {

#ifdef LANGSELECT_ALLOC_HOOK
long g_allocationCount = 0;

// Runs from the C runtime's exit, after WinMain has returned; a run ended by a runtime
// error leaves through ExitProcess and writes nothing.
void WriteAllocationCount() {
    char path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("LANGSELECT_COUNT_ALLOCATIONS", path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    const HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    char digits[24];
    DWORD size = 0;
    for (unsigned long n = static_cast<unsigned long>(g_allocationCount); size == 0 || n != 0; n /= 10)
        digits[size++] = static_cast<char>('0' + n % 10);
    for (DWORD i = 0; i < size / 2; ++i) {
        const char c = digits[i];
        digits[i] = digits[size - 1 - i];
        digits[size - 1 - i] = c;
    }
    DWORD written = 0;
    WriteFile(file, digits, size, &written, nullptr);
    CloseHandle(file);
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
constexpr bool InjectedFailure() { return false; }
#endif

void* Allocate(std::size_t size, const void* caller) {
    void* p = InjectedFailure() ? nullptr : std::malloc(size ? size : 1);
    if (!p)
        sysutil::RunError(sysutil::kOutOfMemoryError, caller);
    return p;
}

} // namespace

void* operator new(std::size_t size) { return Allocate(size, __builtin_return_address(0)); }
void* operator new[](std::size_t size) { return Allocate(size, __builtin_return_address(0)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size, __builtin_return_address(0));
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size, __builtin_return_address(0));
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

// The standard library reports misuse of its containers by throwing; the product is built
// without exceptions, and the default handlers would pull in the exception runtime and a
// symbol demangler (most of the executable's size). Such a fault ends the process like
// any other runtime error, with the number the program has always used for it.
namespace {
constexpr uint32_t kRangeError = 201;
constexpr uint32_t kInvalidOperation = 204;
} // namespace

namespace std {
void __throw_bad_alloc() { sysutil::RunError(sysutil::kOutOfMemoryError, __builtin_return_address(0)); }
void __throw_bad_array_new_length() { sysutil::RunError(sysutil::kOutOfMemoryError, __builtin_return_address(0)); }
void __throw_length_error(const char*) { sysutil::RunError(sysutil::kOutOfMemoryError, __builtin_return_address(0)); }
void __throw_logic_error(const char*) { sysutil::RunError(kInvalidOperation, __builtin_return_address(0)); }
void __throw_out_of_range(const char*) { sysutil::RunError(kRangeError, __builtin_return_address(0)); }
void __throw_out_of_range_fmt(const char*, ...) { sysutil::RunError(kRangeError, __builtin_return_address(0)); }
void __throw_invalid_argument(const char*) { sysutil::RunError(kInvalidOperation, __builtin_return_address(0)); }
} // namespace std

namespace __gnu_cxx {
void __verbose_terminate_handler() { sysutil::RunError(kInvalidOperation, __builtin_return_address(0)); }
} // namespace __gnu_cxx
