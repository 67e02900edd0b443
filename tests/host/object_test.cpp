// The object model: deferred destruction, its named states and holds, owner lists and the
// pointer list, also when memory runs out.
#include "sysutil/fatal.h"
#include "sysutil/stringlist.h"
#include "toolkit/object.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

using namespace toolkit;

// Arrays (the pointer list's slots) come from here, so that a test can make the next one
// fail as the product's allocator does: it reports the fault, which ends the process, and
// what runs meanwhile (the error box's message loop, in the product) may walk the list.
namespace {
const PointerList* g_failingListAllocation = nullptr;
}

void* operator new[](std::size_t size) {
    if (const PointerList* list = g_failingListAllocation) {
        g_failingListAllocation = nullptr;
        const bool whole = list->Count <= list->Capacity;
        for (int32_t i = 0; whole && i < list->Count; ++i)
            (void)list->Items[i]; // read, as a walk of the list does
        if (!whole)
            std::_Exit(1);
        sysutil::RunError(sysutil::kOutOfMemoryError, nullptr);
    }
    void* p = std::malloc(size ? size : 1);
    if (!p)
        std::abort();
    return p;
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

std::vector<std::string> g_log;

class Probe : public ToolkitObject {
  public:
    std::string name = "probe";
    void Destroy() override {
        g_log.push_back("destroy " + name);
        ToolkitObject::Destroy();
    }
};

Probe* NewProbe(const char* name) {
    Probe* p = NewObject<Probe>();
    p->name = name;
    return p;
}

void LogOnDestroy(void* context, ToolkitObject*) {
    g_log.push_back(static_cast<const char*>(context));
}

class ObjectModel : public ::testing::Test {
  protected:
    void SetUp() override {
        g_log.clear();
        live_ = ToolkitObject::LiveCount();
    }
    void TearDown() override { EXPECT_EQ(live_, ToolkitObject::LiveCount()); }
    int32_t live_ = 0;
};

TEST_F(ObjectModel, FreeOfAFreshObjectDestroysAtOnce) {
    Probe* p = NewProbe("p");
    EXPECT_EQ(0, p->RefCount);
    Free(p);
    EXPECT_EQ(std::vector<std::string>{"destroy p"}, g_log);
    Free(nullptr);
}

TEST_F(ObjectModel, GuardsDeferDestructionToTheLastRefDec) {
    Probe* p = NewProbe("p");
    RefInc(p);
    EXPECT_EQ(2, p->RefCount);
    Free(p);
    EXPECT_EQ(1, p->RefCount);
    EXPECT_TRUE(g_log.empty());
    RefDec(p); // -1: destroyed here, not at the Free
    EXPECT_EQ(1u, g_log.size());
}

TEST_F(ObjectModel, NestedGuardsAndRepeatedFrees) {
    Probe* p = NewProbe("p");
    RefInc(p);
    RefInc(p);
    Free(p);
    Free(p); // already pending: nothing changes
    EXPECT_EQ(3, p->RefCount);
    RefDec(p);
    EXPECT_TRUE(g_log.empty());
    RefDec(p);
    EXPECT_EQ(std::vector<std::string>{"destroy p"}, g_log);
}

TEST_F(ObjectModel, GuardWithoutFreeLeavesTheObjectAlive) {
    Probe* p = NewProbe("p");
    RefInc(p);
    RefDec(p);
    EXPECT_EQ(0, p->RefCount);
    EXPECT_TRUE(g_log.empty());
    Free(p);
    EXPECT_EQ(1u, g_log.size());
}

TEST_F(ObjectModel, UnmatchedRefDecFollowsTheSameRules) {
    Probe* p = NewProbe("p");
    RefDec(p); // -2: even, alive
    EXPECT_TRUE(g_log.empty());
    Free(p); // -3
    EXPECT_EQ(-3, p->RefCount);
    RefInc(p); // -1: RefInc never destroys
    EXPECT_TRUE(g_log.empty());
    RefDec(p); // -3
    EXPECT_EQ(1u, g_log.size());
}

TEST_F(ObjectModel, OwnerFreesNewestFirstAfterOnDestroy) {
    Probe* owner = NewProbe("owner");
    owner->OnDestroy.Set(LogOnDestroy, const_cast<char*>("on-destroy"));
    AddToAutoFree(owner, NewProbe("first"));
    AddToAutoFree(owner, NewProbe("second"));
    AddToAutoFree(owner, NewProbe("third"));
    EXPECT_EQ(6, owner->AutoFree->Count);
    Free(owner);
    EXPECT_EQ((std::vector<std::string>{"destroy owner", "on-destroy", "destroy third", "destroy second",
                                        "destroy first"}),
              g_log);
}

TEST_F(ObjectModel, PointerListGrowsByFour) {
    PointerList* list = NewList();
    EXPECT_EQ(0, list->Capacity);
    EXPECT_EQ(nullptr, list->Items);
    std::vector<int32_t> capacities;
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(i, list->Add(static_cast<PointerList::Slot>(100 + i)));
        capacities.push_back(list->Capacity);
    }
    EXPECT_EQ((std::vector<int32_t>{4, 4, 4, 4, 8, 8, 8, 8, 12}), capacities);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(static_cast<PointerList::Slot>(100 + i), list->Items[i]);
    list->GrowBy = 0; // a non-positive step falls back to 4
    list->SetCapacity(list->Count);
    list->Add(1);
    EXPECT_EQ(4, list->GrowBy);
    EXPECT_EQ(13, list->Capacity); // old count 9 plus the step
    list->SetCapacity(0);          // never below Count
    EXPECT_EQ(10, list->Capacity);
    list->Clear();
    EXPECT_EQ(0, list->Capacity);
    EXPECT_EQ(4, list->GrowBy);
    Free(list);
}

// Named states and holds, against the count they are read from.
TEST_F(ObjectModel, AHoldDefersAFreeToItsEndAndAWithdrawnFreeKeepsTheObject) {
    Probe* p = NewProbe("p");
    Hold hold(p);
    EXPECT_FALSE(FreeRequested(p));
    EXPECT_FALSE(hold.EndDestroys());
    Free(p);
    EXPECT_TRUE(FreeRequested(p));
    EXPECT_FALSE(IsBeingDestroyed(p));
    EXPECT_TRUE(hold.EndDestroys());
    {
        Hold inner(p);
        EXPECT_FALSE(inner.EndDestroys()) << "the outer hold is left";
    }
    EXPECT_TRUE(g_log.empty());
    WithdrawFree(p);
    EXPECT_FALSE(FreeRequested(p));
    EXPECT_FALSE(hold.EndDestroys());
    Free(p);
    EXPECT_FALSE(hold.End()) << "ending the last hold destroyed it";
    EXPECT_EQ(std::vector<std::string>{"destroy p"}, g_log);
    EXPECT_TRUE(hold.End()) << "a hold ends once";
    Hold none(nullptr);
    EXPECT_TRUE(none.End());
}

// Whatever runs inside a destruction (OnDestroy here) sees it under way on every path in:
// no free to ask for or take back, no hold, and a second Free changes nothing.
TEST_F(ObjectModel, AnObjectBeingDestroyedIsNeitherHeldNorFreedAgain) {
    struct Seen {
        bool destroying = false;
        bool freeRequested = true;
        bool holdEndSurvived = false;
    };
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "the last hold ends" : "a free without a guard");
        g_log.clear();
        Seen seen;
        Probe* p = NewProbe("p");
        p->OnDestroy.Set(
            [](void* out, ToolkitObject* object) {
                auto* s = static_cast<Seen*>(out);
                s->destroying = IsBeingDestroyed(object);
                s->freeRequested = FreeRequested(object);
                Hold hold(object);
                Free(object);
                s->holdEndSurvived = hold.End();
            },
            &seen);
        if (held) {
            Hold hold(p);
            Free(p);
        } else {
            Free(p);
        }
        EXPECT_TRUE(seen.destroying);
        EXPECT_FALSE(seen.freeRequested) << "a destruction under way is no free to ask for";
        EXPECT_TRUE(seen.holdEndSurvived) << "a hold on it holds nothing and ends nothing";
        EXPECT_EQ(std::vector<std::string>{"destroy p"}, g_log) << "destroyed once";
    }
}

TEST_F(ObjectModel, AFreeUnderWayCannotBeTakenBack) {
    EXPECT_DEATH(
        {
            Probe* p = NewProbe("p");
            p->OnDestroy.Set([](void*, ToolkitObject* object) { WithdrawFree(object); }, nullptr);
            Free(p);
        },
        "cannot be taken back");
}

// Memory running out as a full list grows: while the fault is reported the list must not
// count the slot it has no room for.
TEST_F(ObjectModel, AListCountsASlotOnlyOnceItHasRoom) {
    PointerList* list = NewList();
    for (int i = 0; i < 4; ++i)
        list->Add(static_cast<PointerList::Slot>(i));
    EXPECT_EXIT(
        {
            g_failingListAllocation = list;
            list->Add(4);
        },
        ::testing::ExitedWithCode(static_cast<int>(sysutil::kOutOfMemoryError)), "Runtime error 203");
    Free(list);
}

TEST_F(ObjectModel, PointerListEditing) {
    PointerList* list = NewList();
    list->Add('p');
    list->Add('q');
    list->Insert(0, 'v');
    list->Insert(3, 'w');
    EXPECT_EQ(4, list->Count);
    EXPECT_EQ((std::vector<PointerList::Slot>{'v', 'p', 'q', 'w'}),
              std::vector<PointerList::Slot>(list->Items, list->Items + list->Count));
    list->DeleteRange(1, 0);
    EXPECT_EQ(4, list->Count);
    list->DeleteRange(1, 10);
    EXPECT_EQ(1, list->Count);
    EXPECT_EQ(4, list->Capacity); // never shrinks
    list->Add('v');
    EXPECT_EQ(0, list->IndexOf('v')); // the first of equal slots
    list->Remove('v');
    EXPECT_EQ(0, list->IndexOf('v'));
    list->Clear();
    EXPECT_EQ(-1, list->IndexOf('v'));
    Free(list);
}

TEST_F(ObjectModel, StringListHoldsItsOwnCopies) {
    sysutil::StringList* lines = sysutil::CreateStringList();
    EXPECT_EQ(0, lines->Count);
    lines->Clear();
    EXPECT_EQ(0, lines->Count);
    sysutil::Text text = "one";
    EXPECT_EQ(0, lines->Add(text));
    text[0] = 'X';
    EXPECT_EQ(1, lines->Add(""));
    EXPECT_EQ(2, lines->Add("three"));
    EXPECT_STREQ("one", lines->Item(0));
    EXPECT_STREQ("", lines->Item(1));
    lines->Insert(0, "zero");
    EXPECT_STREQ("zero", lines->Item(0));
    EXPECT_STREQ("one", lines->Item(1));
    EXPECT_EQ(4, lines->Lines->Capacity);
    lines->Add("five");
    EXPECT_EQ(8, lines->Lines->Capacity);
    EXPECT_STREQ("three", lines->Item(3));
    lines->Delete(1);
    EXPECT_EQ(4, lines->Count);
    EXPECT_STREQ("", lines->Item(1));
    lines->Clear();
    EXPECT_EQ(nullptr, lines->Lines);
    EXPECT_EQ(0, lines->Add("again"));
    Free(lines);
}

} // namespace
