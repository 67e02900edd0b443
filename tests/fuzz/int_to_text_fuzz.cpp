// IntToText against the C library's formatting, over the whole 32-bit range.
#include "sysutil/text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    int32_t value;
    std::memcpy(&value, data, sizeof value);
    char want[16];
    std::snprintf(want, sizeof want, "%ld", static_cast<long>(value));
    const sysutil::Text got = sysutil::IntToText(value);
    if (std::strcmp(got.c_str(), want) != 0 || got.size() != std::strlen(want))
        std::abort();
    return 0;
}
