// The reference-counted base of every heap object, its owner list, and the growable
// pointer list the toolkit keeps children, handlers and owned objects on.
//
// Objects are made by NewObject and released with Free, never with delete. RefCount bit 0
// records a requested free; the other bits count guards in steps of 2, so a caller that
// must survive a possible free holds the object for that long (a Hold); the toolkit itself
// calls RefInc and RefDec nowhere else.
// Code outside this unit reads the count only through the named states below.
#pragma once

#include <cstdint>

namespace toolkit {

// A procedure and its context pointer, called with the context first; unset while null.
template <typename Signature> struct Event;
template <typename R, typename... Args> struct Event<R(Args...)> {
    using Proc = R (*)(void* context, Args...);
    Proc proc = nullptr;
    void* context = nullptr;

    bool IsSet() const { return proc != nullptr; }
    R operator()(Args... args) const { return proc(context, args...); }
    void Set(Proc p, void* ctx) {
        proc = p;
        context = ctx;
    }
    void Reset() { *this = Event(); }
};

class PointerList;

class ToolkitObject {
  public:
    ToolkitObject();
    ToolkitObject(const ToolkitObject&) = delete;
    ToolkitObject& operator=(const ToolkitObject&) = delete;

    // Called once right after allocation; the base does nothing.
    virtual void Init();
    // Releases what the object owns, then its memory. Only Free and RefDec call it;
    // every override ends by calling the base version.
    virtual void Destroy();

    int32_t RefCount = 0;
    Event<void(ToolkitObject* sender)> OnDestroy;
    PointerList* AutoFree = nullptr; // pairs of (release procedure, object), newest first

    // Objects alive in this process; the leak tests watch it return to its start value.
    static int32_t LiveCount();

  protected:
    virtual ~ToolkitObject();
    // The first two steps of the base destruction: OnDestroy, then the owner list. Each
    // runs at most once because its field is cleared before anything is called.
    void RunFinalSteps();
};

template <typename T> T* NewObject() {
    T* object = new T();
    object->Init();
    return object;
}

using ReleaseProc = void (*)(ToolkitObject*);

void RefInc(ToolkitObject* object);
void RefDec(ToolkitObject* object);
void Free(ToolkitObject* object);

// The lifetime states, read off RefCount so that no caller does the arithmetic itself.
//
// Being destroyed: Destroy has begun or is about to. True on every path into Destroy: the
// RefDec that ends the last guard leaves the count negative, and a Free at 0 makes it so
// before it destroys. Such an object must not be guarded again (the guard's RefDec would
// destroy it a second time) nor given anything new to own.
inline bool IsBeingDestroyed(const ToolkitObject* object) {
    return object->RefCount < 0;
}
// A free was asked for while a guard held the object; the last guard's end destroys it.
// False for an object being destroyed: that free is under way and cannot be asked again.
inline bool FreeRequested(const ToolkitObject* object) {
    return !IsBeingDestroyed(object) && (object->RefCount & 1) != 0;
}
// Takes back a requested free: the object lives on under its guards. Never for an object
// being destroyed.
void WithdrawFree(ToolkitObject* object);
// Asks for the object's free and keeps it all the same: for an end of the process, where
// nothing may be taken down and nothing will be used again.
void FreeButKeepUntilTheProcessEnds(ToolkitObject* object);

// A guard for the length of a scope: keeps the object alive across code that may free it;
// the free then happens when the hold ends. An object being destroyed is not held, nor is
// a null one.
class Hold {
  public:
    explicit Hold(ToolkitObject* object);
    ~Hold() { End(); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

    // Whether ending this hold destroys the object: a free was asked for meanwhile and no
    // other guard is left. What must still be done with it is done before End.
    bool EndDestroys() const;
    // Ends the hold early; false when that destroyed the object, which is gone then.
    bool End();

  private:
    ToolkitObject* object_;
};
// The owner frees the object when it is destroyed; the last one added is freed first.
void AddToAutoFree(ToolkitObject* owner, ToolkitObject* object, ReleaseProc release = Free);

// A list of pointer-sized slots (32 bits on the product's platform) that grows linearly by
// GrowBy slots. It does not own what its slots point to.
class PointerList : public ToolkitObject {
  public:
    using Slot = uintptr_t;

    void Destroy() override;

    int32_t Add(Slot value);
    void Insert(int32_t index, Slot value);
    void Delete(int32_t index);
    void DeleteRange(int32_t index, int32_t count);
    int32_t IndexOf(Slot value) const;
    void Remove(Slot value);
    void Clear();
    void SetCapacity(int32_t slots);

    template <typename T> T* ItemAs(int32_t index) const { return reinterpret_cast<T*>(Items[index]); }

    Slot* Items = nullptr;
    int32_t Count = 0;
    int32_t Capacity = 0;
    int32_t GrowBy = 0;
};

constexpr int32_t kDefaultGrowBy = 4;

PointerList* NewList();

template <typename T> PointerList::Slot ToSlot(T* pointer) {
    return reinterpret_cast<PointerList::Slot>(pointer);
}

} // namespace toolkit
