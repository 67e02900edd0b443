// PointerList and StringList driven by a byte stream, against std::vector models.
#include "sysutil/stringlist.h"
#include "toolkit/object.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    toolkit::PointerList* list = toolkit::NewList();
    std::vector<uintptr_t> model;
    sysutil::StringList* lines = sysutil::CreateStringList();
    std::vector<std::string> lineModel;
    size_t i = 0;
    const auto next = [&]() -> uint8_t { return i < size ? data[i++] : 0; };
    while (i < size) {
        const uint8_t op = next();
        const uint8_t arg = next();
        const int32_t count = static_cast<int32_t>(model.size());
        switch (op % 10) {
        case 0:
            Check(list->Add(arg) == count);
            model.push_back(arg);
            break;
        case 1: {
            const int32_t at = count ? arg % (count + 1) : 0;
            list->Insert(at, arg);
            model.insert(model.begin() + at, arg);
            break;
        }
        case 2:
            if (count) {
                const int32_t at = arg % count;
                const int32_t n = static_cast<int8_t>(next()); // may be zero or negative
                list->DeleteRange(at, n);
                if (n > 0)
                    model.erase(model.begin() + at, model.begin() + std::min(count, at + n));
            }
            break;
        case 3: {
            const auto it = std::find(model.begin(), model.end(), static_cast<uintptr_t>(arg));
            Check(list->IndexOf(arg) == (it == model.end() ? -1 : static_cast<int32_t>(it - model.begin())));
            list->Remove(arg);
            if (it != model.end())
                model.erase(it);
            break;
        }
        case 4:
            list->SetCapacity(arg);
            Check(list->Capacity >= list->Count);
            break;
        case 5:
            if (arg % 8 == 0) {
                list->Clear();
                model.clear();
            }
            break;
        case 6: {
            const std::string text(arg % 20, static_cast<char>('a' + arg % 26));
            const int32_t n = static_cast<int32_t>(lineModel.size());
            const int32_t at = arg % (n + 1);
            lines->Insert(at, sysutil::Text(text.c_str(), text.size()));
            lineModel.insert(lineModel.begin() + at, text);
            break;
        }
        case 7:
            if (!lineModel.empty()) {
                const int32_t at = arg % static_cast<int32_t>(lineModel.size());
                lines->Delete(at);
                lineModel.erase(lineModel.begin() + at);
            }
            break;
        case 8:
            if (arg % 16 == 0) {
                lines->Clear();
                lineModel.clear();
            }
            break;
        default:
            Check(lines->Add(sysutil::Text(reinterpret_cast<const char*>(&arg), arg ? 1 : 0)) ==
                  static_cast<int32_t>(lineModel.size()));
            lineModel.push_back(arg ? std::string(1, static_cast<char>(arg)) : std::string());
            break;
        }
        Check(list->Count == static_cast<int32_t>(model.size()) && list->Capacity >= list->Count);
        for (size_t k = 0; k < model.size(); ++k)
            Check(list->Items[k] == model[k]);
        Check(lines->Count == static_cast<int32_t>(lineModel.size()));
        for (size_t k = 0; k < lineModel.size(); ++k)
            Check(lineModel[k] == lines->Item(static_cast<int32_t>(k)));
    }
    toolkit::Free(list);
    toolkit::Free(lines);
    return 0;
}
