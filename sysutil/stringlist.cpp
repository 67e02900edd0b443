#include "sysutil/stringlist.h"

#include <cstring>

namespace sysutil {

StringList* CreateStringList() { return toolkit::NewObject<StringList>(); }

void StringList::Destroy() {
    Clear();
    ToolkitObject::Destroy();
}

int32_t StringList::Add(const char* text, size_t length) {
    const int32_t index = Count;
    Insert(index, text, length);
    return index;
}

void StringList::Insert(int32_t index, const char* text, size_t length) {
    if (!Lines)
        Lines = toolkit::NewList();
    char* block = new char[length + 1];
    block[0] = '\0';
    if (length != 0) {
        std::memcpy(block, text, length);
        block[length] = '\0';
    }
    Lines->Insert(index, toolkit::ToSlot(block));
    ++Count;
}

void StringList::Delete(int32_t index) {
    --Count;
    char* block = Lines->ItemAs<char>(index);
    Lines->Delete(index);
    delete[] block;
}

void StringList::Clear() {
    for (int32_t i = Count - 1; i >= 0; --i)
        Delete(i);
    toolkit::Free(Lines);
    Lines = nullptr;
}

} // namespace sysutil
