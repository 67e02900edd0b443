// The command-line scanner against a straightforward model of the same rules.
#include "sysutil/cmdline.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Splits the whole line at once, the way a reader of the rules would.
std::vector<std::string> ModelSplit(const std::string& line) {
    std::vector<std::string> params;
    size_t i = 0;
    const auto sep = [&](size_t k) { return k < line.size() && line[k] >= 1 && line[k] <= 32; };
    for (;;) {
        for (;;) {
            while (sep(i))
                ++i;
            if (i + 1 < line.size() && line[i] == '"' && line[i + 1] == '"')
                i += 2;
            else
                break;
        }
        const size_t start = i;
        while (i < line.size() && static_cast<unsigned char>(line[i]) > 32) {
            if (line[i] == '"') {
                const size_t close = line.find('"', i + 1);
                i = close == std::string::npos ? line.size() : close + 1;
            } else {
                ++i;
            }
        }
        if (i == start)
            return params;
        std::string p = line.substr(start, i - start);
        if (p.size() >= 2 && p.front() == '"' && p.back() == '"')
            p = p.substr(1, p.size() - 2);
        params.push_back(p);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The command line is a C string: it ends at the first zero byte.
    std::string line(reinterpret_cast<const char*>(data), size);
    line = line.substr(0, line.find('\0'));
    const std::vector<std::string> model = ModelSplit(line);
    for (int32_t index = 0; index <= static_cast<int32_t>(model.size()) + 1; ++index) {
        const sysutil::Text got = sysutil::ScanCommandLineParameter(line.c_str(), index);
        const std::string want = index < static_cast<int32_t>(model.size()) ? model[index] : std::string();
        if (std::string(got.c_str(), got.size()) != want)
            std::abort();
    }
    return 0;
}
