// Unrecoverable faults end the process with a "Runtime error" box and the error number
// as exit code, the way the program has always reported them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sysutil {

constexpr uint32_t kOutOfMemoryError = 203;
// Only the checked heap (sysutil/memory.cpp) reports it: a block was written outside its
// bounds or after it was freed, or freed twice, or a pointer freed that it never gave out.
constexpr uint32_t kHeapDamagedError = 240;
constexpr size_t kRunErrorTextSize = 40;

// "Runtime error NNN at XXXXXXXX": the number right-aligned to end in the fourth of the
// five blanks after "Runtime error", the address as eight upper-case hex digits.
// Writes into `out` (kRunErrorTextSize bytes) without allocating: the fault may be
// exhausted memory.
void FormatRunError(uint32_t errorNumber, const void* faultAddress, char* out);

[[noreturn]] void RunError(uint32_t errorNumber, const void* faultAddress);

// Set by the first RunError, for good: its box runs a message loop while the program may
// be half-way through anything, so the program's own message code stays out of it.
bool ReportingRunError();
// Starts the report of this fault; false when one is under way already.
bool BeginRunErrorReport(uint32_t errorNumber);
// The number of the fault being reported: the process ends with it, whatever follows.
uint32_t FirstRunError();

// Set by the checked heap of the test builds, null otherwise: the first report of a fault
// runs it before anything is shown, so that memory written after its free, the likely
// cause, is reported (as runtime error 240) in place of what it led to.
extern void (*CheckHeapBeforeRunError)();
// Runs and clears that check; every RunError calls it first.
void RunHeapCheckBeforeRunError();

} // namespace sysutil
