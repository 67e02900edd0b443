// An ordered list of text lines, each held as the list's own NUL-terminated copy.
#pragma once

#include "sysutil/text.h"
#include "toolkit/object.h"

namespace sysutil {

class StringList : public toolkit::ToolkitObject {
  public:
    void Destroy() override;

    int32_t Add(const char* text, size_t length);
    int32_t Add(const Text& text) { return Add(text.data(), text.size()); }
    void Insert(int32_t index, const char* text, size_t length);
    void Insert(int32_t index, const Text& text) { Insert(index, text.data(), text.size()); }
    void Delete(int32_t index);
    void Clear();
    // The line's text, owned by the list and valid until the line is deleted.
    const char* Item(int32_t index) const { return Lines->ItemAs<const char>(index); }

    toolkit::PointerList* Lines = nullptr; // null until the first line and after Clear
    int32_t Count = 0;
};

StringList* CreateStringList();

} // namespace sysutil
