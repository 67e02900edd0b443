#include "sysutil/cmdline.h"

namespace sysutil {
namespace {

bool IsSeparator(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

bool BelongsToParameter(char c) { return static_cast<unsigned char>(c) > 32; }

const char* SkipSeparators(const char* p) {
    for (;;) {
        while (IsSeparator(*p))
            ++p;
        // An empty pair of quotes in front of a parameter is not a parameter of its own.
        if (p[0] == '"' && p[1] == '"')
            p += 2;
        else
            return p;
    }
}

const char* TakeParameter(const char* p) {
    while (BelongsToParameter(*p)) {
        if (*p == '"') {
            ++p;
            while (*p != '\0' && *p != '"')
                ++p;
            if (*p != '\0')
                ++p;
        } else {
            ++p;
        }
    }
    return p;
}

} // namespace

Text ScanCommandLineParameter(const char* commandLine, int32_t index) {
    if (!commandLine || index < 0)
        return Text();
    const char* p = commandLine;
    for (int32_t taken = 0;; ++taken) {
        const char* start = SkipSeparators(p);
        p = TakeParameter(start);
        if (p == start)
            return Text(); // the command line has ended
        if (taken == index) {
            Text param(start, static_cast<size_t>(p - start));
            if (param.size() >= 2 && param.front() == '"' && param.back() == '"')
                param = param.substr(1, param.size() - 2);
            return param;
        }
    }
}

} // namespace sysutil
