#include "sysutil/fatal.h"

#include "sysutil/text.h"

namespace sysutil {

namespace {
bool g_reporting = false;
uint32_t g_firstError = 0;
} // namespace

bool ReportingRunError() {
    return g_reporting;
}

bool BeginRunErrorReport(uint32_t errorNumber) {
    if (g_reporting)
        return false;
    g_reporting = true;
    g_firstError = errorNumber;
    return true;
}

uint32_t FirstRunError() {
    return g_firstError;
}

void (*CheckHeapBeforeRunError)() = nullptr;

void RunHeapCheckBeforeRunError() {
    // Cleared first: the check reports damage through RunError itself.
    void (*const check)() = CheckHeapBeforeRunError;
    CheckHeapBeforeRunError = nullptr;
    if (check && !g_reporting)
        check();
}

void FormatRunError(uint32_t errorNumber, const void* faultAddress, char* out) {
    const char* prefix = "Runtime error";
    char* p = CStringCopy(out, prefix) + CStringLength(prefix);
    char digits[10];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + errorNumber % 10);
        errorNumber /= 10;
    } while (errorNumber != 0);
    for (int pad = n; pad < 4; ++pad)
        *p++ = ' ';
    while (n > 0)
        *p++ = digits[--n];
    p = CStringCopy(p, " at ") + 4;
    const auto address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(faultAddress));
    for (int i = 0; i < 8; ++i)
        *p++ = "0123456789ABCDEF"[(address >> (28 - 4 * i)) & 0xF];
    *p = '\0';
}

} // namespace sysutil
