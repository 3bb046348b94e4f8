#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/Any.h"
#include "base/SmartPtr.h"
#include "base/WeakPtr.h"

using namespace Vorn;

namespace {

// Counts live instances so tests see exactly when the machinery destroys an object.
class Counted : public RefCounter {
public:
    explicit Counted(int* alive) : m_alive(alive) { ++*m_alive; }
    ~Counted() override { --*m_alive; }
    int value = 7;

private:
    int* m_alive;
};

// Weakly referenceable in the engine's order: RefCounter first, WeakRefCounter second.
class Watched : public RefCounter, public WeakRefCounter {
public:
    explicit Watched(std::atomic<int>* alive) : m_alive(alive) { ++*m_alive; }
    ~Watched() override { --*m_alive; }
    int value = 42;

private:
    std::atomic<int>* m_alive;
};

// A class whose WeakRefCounter part does not sit at offset 0, so pointer adjustment is exercised.
class Padded {
public:
    virtual ~Padded() {}
    long padding[3] = {1, 2, 3};
};
class Offset : public Padded, public RefCounter, public WeakRefCounter {
public:
    int value = 5;
};

} // namespace

TEST(SmartPtr, ReleasingTheOnlyReferenceDestroys)
{
    int alive = 0;
    {
        SmartPtr<Counted> p(new Counted(&alive));
        EXPECT_EQ(1, alive);
        EXPECT_EQ(1, p->GetRefCount());
    }
    EXPECT_EQ(0, alive);
}

TEST(SmartPtr, RemRefReportsWhetherReferencesRemain)
{
    int alive = 0;
    Counted* object = new Counted(&alive);
    object->AddRef();
    object->AddRef();
    EXPECT_TRUE(object->RemRef());
    EXPECT_EQ(1, object->GetRefCount());
    EXPECT_FALSE(object->RemRef());
    EXPECT_EQ(0, alive);
}

TEST(SmartPtr, CopiesAndAssignmentsCount)
{
    int alive = 0;
    SmartPtr<Counted> a(new Counted(&alive));
    SmartPtr<Counted> b(new Counted(&alive));
    {
        SmartPtr<Counted> c = a;
        EXPECT_EQ(2, a->GetRefCount());
        c = b;
        EXPECT_EQ(1, a->GetRefCount());
        EXPECT_EQ(2, b->GetRefCount());
    }
    EXPECT_EQ(1, b->GetRefCount());
    a = b; // releases the first object
    EXPECT_EQ(1, alive);
    EXPECT_EQ(a, b);
    a = nullptr;
    b.Reset();
    EXPECT_EQ(0, alive);
}

TEST(SmartPtr, SelfAssignmentKeepsTheLastReference)
{
    int alive = 0;
    SmartPtr<Counted> p(new Counted(&alive));
    p = p.Get();
    EXPECT_EQ(1, alive);
    SmartPtr<Counted>& same = p; // through a reference, as self-assignment happens in real code
    p = same;
    EXPECT_EQ(1, alive);
    EXPECT_EQ(7, p->value);
    EXPECT_EQ(1, p->GetRefCount());
}

TEST(SmartPtr, MoveTransfersWithoutCounting)
{
    int alive = 0;
    SmartPtr<Counted> a(new Counted(&alive));
    SmartPtr<Counted> b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(1, b->GetRefCount());
    SmartPtr<Counted> c;
    c = std::move(b);
    EXPECT_EQ(1, c->GetRefCount());
    SmartPtr<Counted>& same = c;
    c = std::move(same);
    EXPECT_EQ(1, alive);
}

TEST(SmartPtr, ConvertsToBaseClassPointer)
{
    int alive = 0;
    SmartPtr<Counted> derived(new Counted(&alive));
    SmartPtr<RefCounter> base = derived;
    EXPECT_EQ(2, derived->GetRefCount());
    derived = nullptr;
    EXPECT_EQ(1, alive);
    base = nullptr;
    EXPECT_EQ(0, alive);
}

TEST(WeakPtr, ObjectDestroyedFirst)
{
    std::atomic<int> alive(0);
    SmartPtr<Watched> strong(new Watched(&alive));
    WeakPtr<Watched> weak(strong);
    WeakPtr<Watched> copy = weak;
    EXPECT_EQ(1, strong->GetRefCount()); // weak pointers never count the object
    {
        SmartPtr<Watched> locked = weak.Lock();
        ASSERT_TRUE(locked);
        EXPECT_EQ(42, locked->value);
        EXPECT_EQ(2, strong->GetRefCount());
    }
    strong = nullptr;
    EXPECT_EQ(0, alive);
    EXPECT_FALSE(weak.Lock());
    EXPECT_FALSE(copy.Lock());
}

TEST(WeakPtr, RecordReleasedFirstAndRemadeLater)
{
    std::atomic<int> alive(0);
    SmartPtr<Watched> strong(new Watched(&alive));
    {
        WeakPtr<Watched> weak(strong.Get());
        EXPECT_TRUE(strong->HasWeakReference());
    }
    // The last weak pointer took the record with it and unlinked it from the object.
    EXPECT_FALSE(strong->HasWeakReference());
    WeakPtr<Watched> again(strong);
    EXPECT_TRUE(strong->HasWeakReference());
    EXPECT_EQ(strong, again.Lock());
    again = nullptr;
    EXPECT_FALSE(strong->HasWeakReference());
    strong = nullptr;
    EXPECT_EQ(0, alive);
}

TEST(WeakPtr, NullAndEmptyLockToNull)
{
    WeakPtr<Watched> empty;
    WeakPtr<Watched> fromNull(static_cast<Watched*>(nullptr));
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_TRUE(fromNull.IsEmpty());
    EXPECT_FALSE(empty.Lock());
    EXPECT_FALSE(fromNull.Lock());
}

TEST(WeakPtr, ObjectNobodyOwnsYetDoesNotLock)
{
    // A count of 0 means no owner: locking must not create one that would delete the object
    // behind its creator's back.
    std::atomic<int> alive(0);
    Watched* object = new Watched(&alive);
    WeakPtr<Watched> weak(object);
    EXPECT_FALSE(weak.Lock());
    EXPECT_EQ(1, alive);
    SmartPtr<Watched> owner(object);
    EXPECT_TRUE(weak.Lock());
    owner = nullptr;
    EXPECT_EQ(0, alive);
}

TEST(WeakPtr, WeakPartAtAnOffsetLocksToTheRightObject)
{
    SmartPtr<Offset> strong(new Offset);
    WeakPtr<Offset> weak(strong);
    SmartPtr<Offset> locked = weak.Lock();
    EXPECT_EQ(strong.Get(), locked.Get());
    EXPECT_EQ(5, locked->value);
    EXPECT_EQ(2, strong->GetRefCount());
}

TEST(WeakPtr, CopiedObjectHasItsOwnRecord)
{
    std::atomic<int> alive(0);
    SmartPtr<Watched> a(new Watched(&alive));
    WeakPtr<Watched> weakA(a);
    SmartPtr<Watched> b(new Watched(*a));
    EXPECT_FALSE(b->HasWeakReference());
    EXPECT_EQ(1, b->GetRefCount());
    a = nullptr;
    EXPECT_FALSE(weakA.Lock());
}

TEST(Any, HoldsCountedReferences)
{
    int alive = 0;
    SmartPtr<Counted> object(new Counted(&alive));
    {
        Any any(object);
        EXPECT_EQ(2, object->GetRefCount());
        Any copy(any);
        EXPECT_EQ(3, object->GetRefCount());
        EXPECT_EQ(object, copy.Get<SmartPtr<Counted>>());
        Any assigned;
        EXPECT_TRUE(assigned.IsEmpty());
        assigned = copy;
        EXPECT_EQ(4, object->GetRefCount());
        assigned = Any();
        EXPECT_EQ(3, object->GetRefCount());
    }
    EXPECT_EQ(1, object->GetRefCount());
    Any empty;
    Any emptyCopy(empty);
    EXPECT_TRUE(emptyCopy.IsEmpty());
}

TEST(Any, HoldsWeakPointersWithoutKeepingTheObject)
{
    std::atomic<int> alive(0);
    SmartPtr<Watched> object(new Watched(&alive));
    Any any{WeakPtr<Watched>(object)};
    Any copy(any);
    EXPECT_EQ(1, object->GetRefCount());
    object = nullptr;
    EXPECT_EQ(0, alive);
    EXPECT_FALSE(copy.Get<WeakPtr<Watched>>().Lock());
}

TEST(RefCounterThreads, ConcurrentCopiesKeepTheCountExact)
{
    int alive = 0;
    SmartPtr<Counted> shared(new Counted(&alive));
    const int threads = 8;
    const int rounds = 20000;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&shared] {
            for (int i = 0; i < rounds; ++i) {
                SmartPtr<Counted> a = shared;
                SmartPtr<Counted> b = a;
                b = nullptr;
            }
        });
    }
    for (std::thread& w : workers)
        w.join();
    EXPECT_EQ(1, shared->GetRefCount());
    shared = nullptr;
    EXPECT_EQ(0, alive);
}

TEST(RefCounterThreads, LockRacingTheLastReleaseNeverRevives)
{
    // One thread locks a weak pointer as fast as it can while the main thread drops the last
    // strong reference. A lock either gets a live object or null; under AddressSanitizer any use
    // of the freed object shows up here.
    for (int round = 0; round < 200; ++round) {
        std::atomic<int> alive(0);
        SmartPtr<Watched> strong(new Watched(&alive));
        WeakPtr<Watched> weak(strong);
        std::atomic<bool> started(false);
        std::atomic<int> bad(0);
        std::thread locker([&] {
            started = true;
            for (;;) {
                SmartPtr<Watched> locked = weak.Lock();
                if (!locked)
                    break;
                if (locked->value != 42)
                    ++bad;
            }
        });
        while (!started)
            std::this_thread::yield();
        strong = nullptr;
        locker.join();
        EXPECT_EQ(0, bad.load());
        EXPECT_EQ(0, alive.load());
    }
}

TEST(RefCounterThreads, WeakPointersMadeAndDroppedWhileTheObjectDies)
{
    // Records are made and released on several threads at once (the record-replacement path),
    // while the object goes away on the main thread.
    for (int round = 0; round < 100; ++round) {
        std::atomic<int> alive(0);
        SmartPtr<Watched> strong(new Watched(&alive));
        std::vector<std::thread> workers;
        for (int t = 0; t < 4; ++t) {
            SmartPtr<Watched> mine = strong;
            workers.emplace_back([mine]() mutable {
                for (int i = 0; i < 200; ++i) {
                    WeakPtr<Watched> weak(mine);
                    WeakPtr<Watched> copy = weak;
                    copy.Lock();
                }
                mine = nullptr;
            });
        }
        strong = nullptr;
        for (std::thread& w : workers)
            w.join();
        EXPECT_EQ(0, alive.load());
    }
}
