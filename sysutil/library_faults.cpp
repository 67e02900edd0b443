// The C++ runtime's fault handlers for the product. The standard library reports misuse
// of its containers by throwing; the product is built without exceptions, and the default
// handlers would pull in the exception runtime and a symbol demangler (most of the
// executable's size). Such a fault ends the process like any other runtime error, with
// the number the program has always used for it. The test programs keep the library's
// own handlers (GoogleTest uses exceptions), so this unit is linked into the product only.
#include "sysutil/fatal.h"

#include <cstdint>

namespace {
constexpr uint32_t kRangeError = 201;
constexpr uint32_t kInvalidOperation = 204;
} // namespace

namespace std {
void __throw_bad_alloc() {
    sysutil::RunError(sysutil::kOutOfMemoryError, __builtin_return_address(0));
}
void __throw_bad_array_new_length() {
    sysutil::RunError(sysutil::kOutOfMemoryError, __builtin_return_address(0));
}
void __throw_length_error(const char*) {
    sysutil::RunError(sysutil::kOutOfMemoryError, __builtin_return_address(0));
}
void __throw_logic_error(const char*) {
    sysutil::RunError(kInvalidOperation, __builtin_return_address(0));
}
void __throw_out_of_range(const char*) {
    sysutil::RunError(kRangeError, __builtin_return_address(0));
}
void __throw_out_of_range_fmt(const char*, ...) {
    sysutil::RunError(kRangeError, __builtin_return_address(0));
}
void __throw_invalid_argument(const char*) {
    sysutil::RunError(kInvalidOperation, __builtin_return_address(0));
}
} // namespace std

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    sysutil::RunError(kInvalidOperation, __builtin_return_address(0));
}
} // namespace __gnu_cxx
