// Lets GoogleTest print the program's texts in failure messages.
#pragma once

#include "sysutil/text.h"

#include <ostream>

namespace sysutil {
inline void PrintTo(const Text& text, std::ostream* os) { *os << '"' << text.c_str() << '"'; }
} // namespace sysutil
