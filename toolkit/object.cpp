#include "toolkit/object.h"

#include <cassert>
#include <cstring>

namespace toolkit {
namespace {
int32_t g_liveObjects = 0;
}

ToolkitObject::ToolkitObject() {
    ++g_liveObjects;
}
ToolkitObject::~ToolkitObject() {
    --g_liveObjects;
}
int32_t ToolkitObject::LiveCount() {
    return g_liveObjects;
}

void ToolkitObject::Init() {}

void ToolkitObject::RunFinalSteps() {
    const auto onDestroy = OnDestroy;
    OnDestroy.Reset();
    if (onDestroy.IsSet())
        onDestroy(this);

    PointerList* owned = AutoFree;
    AutoFree = nullptr;
    if (owned) {
        for (int32_t i = 0; i + 1 < owned->Count; i += 2) {
            const auto release = reinterpret_cast<ReleaseProc>(owned->Items[i]);
            release(owned->ItemAs<ToolkitObject>(i + 1));
        }
        Free(owned);
    }
}

void ToolkitObject::Destroy() {
    RunFinalSteps();
    delete this;
}

void RefInc(ToolkitObject* object) {
    object->RefCount += 2;
}

void RefDec(ToolkitObject* object) {
    object->RefCount -= 2;
    if (object->RefCount < 0 && (object->RefCount & 1) != 0)
        object->Destroy();
}

void Free(ToolkitObject* object) {
    if (!object)
        return;
    const int32_t r = object->RefCount;
    if (r == 0) {
        // As the last guard's RefDec leaves it: whatever runs inside Destroy sees the
        // object being destroyed, and a second Free there is only a pending one.
        object->RefCount = -1;
        object->Destroy();
    } else if ((r & 1) == 0) {
        object->RefCount = r - 1; // marked; the RefDec that goes below zero destroys it
    }
}

void WithdrawFree(ToolkitObject* object) {
    assert(!IsBeingDestroyed(object) && "a destruction under way cannot be taken back");
    if (FreeRequested(object))
        object->RefCount += 1;
}

void FreeButKeepUntilTheProcessEnds(ToolkitObject* object) {
    if (IsBeingDestroyed(object))
        return;
    RefInc(object); // a guard that no one ends
    Free(object);
}

Hold::Hold(ToolkitObject* object) : object_(object && !IsBeingDestroyed(object) ? object : nullptr) {
    if (object_)
        RefInc(object_);
}

bool Hold::EndDestroys() const {
    return object_ && object_->RefCount == 1;
}

bool Hold::End() {
    if (!object_)
        return true;
    const bool destroys = EndDestroys();
    ToolkitObject* const object = object_;
    object_ = nullptr;
    RefDec(object);
    return !destroys;
}

void AddToAutoFree(ToolkitObject* owner, ToolkitObject* object, ReleaseProc release) {
    if (!owner->AutoFree)
        owner->AutoFree = NewList();
    owner->AutoFree->Insert(0, ToSlot(object));
    owner->AutoFree->Insert(0, reinterpret_cast<PointerList::Slot>(release));
}

PointerList* NewList() {
    PointerList* list = NewObject<PointerList>();
    list->GrowBy = kDefaultGrowBy;
    return list;
}

void PointerList::Destroy() {
    Clear();
    ToolkitObject::Destroy();
}

int32_t PointerList::Add(Slot value) {
    const int32_t index = Count;
    // Room first, counted last: memory running out here must not leave the list counting a
    // slot it never got, which would hand whoever walks it next (a control's handlers, in
    // the runtime error box's message loop) a slot past its end and pairs out of step.
    if (index >= Capacity) {
        if (GrowBy <= 0)
            GrowBy = kDefaultGrowBy;
        SetCapacity(index + GrowBy);
    }
    Items[index] = value; // NOLINT(clang-analyzer-core.NullDereference): room was made above
    Count = index + 1;
    return index;
}

void PointerList::Insert(int32_t index, Slot value) {
    const int32_t last = Add(0);
    if (index < last)
        std::memmove(Items + index + 1, Items + index, static_cast<size_t>(last - index) * sizeof(Slot));
    Items[index] = value;
}

void PointerList::Delete(int32_t index) {
    DeleteRange(index, 1);
}

void PointerList::DeleteRange(int32_t index, int32_t count) {
    if (count <= 0)
        return;
    if (count > Count - index)
        count = Count - index;
    const int32_t following = Count - index - count;
    Count -= count;
    if (following > 0)
        std::memmove(Items + index, Items + index + count, static_cast<size_t>(following) * sizeof(Slot));
}

int32_t PointerList::IndexOf(Slot value) const {
    for (int32_t i = 0; i < Count; ++i) {
        if (Items[i] == value)
            return i;
    }
    return -1;
}

void PointerList::Remove(Slot value) {
    const int32_t index = IndexOf(value);
    if (index >= 0)
        Delete(index);
}

void PointerList::Clear() {
    delete[] Items;
    Items = nullptr;
    Count = 0;
    Capacity = 0;
}

void PointerList::SetCapacity(int32_t slots) {
    if (slots < Count)
        slots = Count;
    if (slots == Capacity)
        return;
    Slot* resized = nullptr;
    if (slots > 0) {
        resized = new Slot[static_cast<size_t>(slots)];
        if (Items)
            std::memcpy(resized, Items,
                        static_cast<size_t>(Capacity < slots ? Capacity : slots) * sizeof(Slot));
    }
    delete[] Items;
    Items = resized;
    Capacity = slots;
}

} // namespace toolkit
