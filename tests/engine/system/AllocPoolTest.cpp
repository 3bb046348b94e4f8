#include <cstdint>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "system/AllocPool.h"
#include "system/Memory.h"

using namespace Vorn;

#if defined(__SANITIZE_ADDRESS__)
// The exhaustion test asks for impossible sizes: the allocator must answer null, not abort.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

// While an AllocPool exists every allocation of the process (GoogleTest's included) may come from
// it, so each test releases every block it took and checks its results only after the pools are
// gone.

namespace {

bool Aligned(const void* p) { return reinterpret_cast<std::uintptr_t>(p) % AllocPool::ALIGNMENT == 0; }

} // namespace

TEST(AllocPool, WithoutPoolsEverythingGoesToTheHeap)
{
    ASSERT_EQ(nullptr, AllocPool::s_instance.load());
    AllocPool* pools = new AllocPool;
    void* p = Malloc(24);
    bool freed = pools->Free(p);
    bool found = pools->FindPool(p) != nullptr;
    Free(p);
    delete pools;
    EXPECT_FALSE(freed);
    EXPECT_FALSE(found);
    EXPECT_EQ(nullptr, AllocPool::s_instance.load());
}

TEST(AllocPool, RequestsGoToTheFirstPoolWithLargerBlocks)
{
    AllocPool* pools = new AllocPool;
    bool added = pools->AddPool(64, 4) && pools->AddPool(16, 4);
    // Added out of order: the list is kept sorted by block size.
    AllocPool::Pool* first = pools->GetFirstPool();
    AllocPool::Pool* second = first ? first->next.load() : nullptr;
    size_t firstSize = first ? first->blockSize : 0;
    size_t secondSize = second ? second->blockSize : 0;

    void* small = pools->Alloc(15);
    void* exact = pools->Alloc(16); // not served by 16-byte blocks: strictly larger is required
    void* big = pools->Alloc(64);
    AllocPool::Pool* smallPool = pools->FindPool(small);
    AllocPool::Pool* exactPool = pools->FindPool(exact);
    pools->Free(small);
    pools->Free(exact);
    delete pools;

    EXPECT_TRUE(added);
    EXPECT_EQ(16u, firstSize);
    EXPECT_EQ(64u, secondSize);
    EXPECT_EQ(first, smallPool);
    EXPECT_EQ(second, exactPool);
    EXPECT_EQ(nullptr, big);
}

TEST(AllocPool, ExhaustionReuseAndStatistics)
{
    AllocPool* pools = new AllocPool;
    pools->AddPool(40, 3);
    AllocPool::Pool* pool = pools->GetFirstPool();
    size_t blockSize = pool->blockSize;
    void* a = pools->Alloc(33);
    void* b = pools->Alloc(33);
    void* c = pools->Alloc(33);
    void* d = pools->Alloc(33); // exhausted
    size_t usedFull = pool->GetUsedCount();
    bool distinct = a != b && b != c && a != c;
    bool allInPool = pool->Holds(a) && pool->Holds(b) && pool->Holds(c);
    bool allAligned = Aligned(a) && Aligned(b) && Aligned(c);
    // Blocks do not overlap: each can be filled completely.
    std::memset(a, 0xA, blockSize);
    std::memset(b, 0xB, blockSize);
    std::memset(c, 0xC, blockSize);
    bool intact = static_cast<u8*>(a)[blockSize - 1] == 0xA && static_cast<u8*>(b)[0] == 0xB;
    pools->Free(b);
    size_t usedAfterFree = pool->GetUsedCount();
    void* e = pools->Alloc(1);
    pools->Free(a);
    pools->Free(c);
    pools->Free(e);
    size_t usedEnd = pool->GetUsedCount();
    delete pools;

    EXPECT_EQ(48u, blockSize);
    EXPECT_TRUE(distinct);
    EXPECT_TRUE(allInPool);
    EXPECT_TRUE(allAligned);
    EXPECT_TRUE(intact);
    EXPECT_EQ(nullptr, d);
    EXPECT_EQ(3u, usedFull);
    EXPECT_EQ(2u, usedAfterFree);
    EXPECT_EQ(b, e); // the freed block is the next one handed out
    EXPECT_EQ(0u, usedEnd);
}

TEST(AllocPool, AddressesOutsideTheArenaAreNotTaken)
{
    AllocPool* pools = new AllocPool;
    pools->AddPool(32, 2);
    AllocPool::Pool* pool = pools->GetFirstPool();
    u8* arena = pool->arena;
    bool before = pools->FindPool(arena - 1) != nullptr;
    bool lastBlock = pools->FindPool(arena + pool->blockSize) != nullptr;
    bool past = pools->FindPool(arena + pool->arenaBytes) != nullptr;
    bool null = pools->FindPool(nullptr) != nullptr;
    delete pools;
    EXPECT_FALSE(before);
    EXPECT_TRUE(lastBlock);
    EXPECT_FALSE(past);
    EXPECT_FALSE(null);
}

TEST(AllocPool, RefusesPoolsThatCannotBeMade)
{
    AllocPool* pools = new AllocPool;
    bool zero = pools->AddPool(16, 0);
    bool overflow = pools->AddPool(static_cast<size_t>(-1) / 2, 4);
    AllocPool::Pool* first = pools->GetFirstPool();
    delete pools;
    EXPECT_FALSE(zero);
    EXPECT_FALSE(overflow);
    EXPECT_EQ(nullptr, first);
}

TEST(MemoryFrontEnd, OperatorNewAndMallocUseThePools)
{
    AllocPool* pools = new AllocPool;
    pools->AddPool(64, 256);
    AllocPool::Pool* pool = pools->GetFirstPool();

    int* single = new int(5);
    char* array = new char[40];
    double* nothrow = new (std::nothrow) double(1.0);
    void* raw = Malloc(10);
    bool fromPool = pool->Holds(single) && pool->Holds(array) && pool->Holds(nothrow) && pool->Holds(raw);
    char* large = new char[4096];
    bool largeFromHeap = !pool->Holds(large);
    delete single;
    delete[] array;
    delete nothrow;
    delete[] large;
    Free(raw);
    operator delete(nullptr);
    Free(nullptr);
    size_t used = pool->GetUsedCount();
    delete pools;

    EXPECT_TRUE(fromPool);
    EXPECT_TRUE(largeFromHeap);
    EXPECT_EQ(0u, used);
}

TEST(MemoryFrontEnd, ReallocOfPoolBlocks)
{
    AllocPool* pools = new AllocPool;
    pools->AddPool(32, 8);
    AllocPool::Pool* pool = pools->GetFirstPool();

    u8* p = static_cast<u8*>(Malloc(20));
    for (int i = 0; i < 20; ++i)
        p[i] = static_cast<u8>(i);
    void* same = Realloc(p, pool->blockSize);
    u8* grown = static_cast<u8*>(Realloc(p, 1000));
    bool keptBytes = grown && grown[0] == 0 && grown[19] == 19;
    bool grownOutside = !pool->Holds(grown);
    size_t usedAfterGrow = pool->GetUsedCount();
    void* fromNull = Realloc(nullptr, 8);
    bool nullFromPool = pool->Holds(fromNull);
    Free(fromNull);
    Free(grown);
    delete pools;

    EXPECT_EQ(p, same);
    EXPECT_TRUE(keptBytes);
    EXPECT_TRUE(grownOutside);
    EXPECT_EQ(0u, usedAfterGrow);
    EXPECT_TRUE(nullFromPool);
}

TEST(MemoryFrontEnd, CallocZeroesAndRefusesOverflow)
{
    u8* p = static_cast<u8*>(Calloc(16, 8));
    ASSERT_NE(nullptr, p);
    for (int i = 0; i < 128; ++i)
        EXPECT_EQ(0, p[i]);
    Free(p);
    EXPECT_EQ(nullptr, Calloc(static_cast<size_t>(1) << 62, 8));
}

TEST(MemoryFrontEnd, OperatorNewThrowsWhenNothingIsLeft)
{
    // An impossible request: the throwing form throws, the nothrow form returns null.
    size_t huge = static_cast<size_t>(-1) / 2;
    EXPECT_THROW((void)operator new(huge), std::bad_alloc);
    EXPECT_EQ(nullptr, operator new(huge, std::nothrow));
}

TEST(MemoryFrontEnd, OverAlignedRequests)
{
    struct alignas(64) Wide {
        char bytes[64];
    };
    Wide* w = new Wide;
    EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(w) % 64);
    delete w;
}

TEST(MemoryFrontEnd, ThreadsShareThePools)
{
    AllocPool* pools = new AllocPool;
    pools->AddPool(48, 64);
    AllocPool::Pool* pool = pools->GetFirstPool();
    std::atomic<int> corrupt(0);
    {
        std::vector<std::thread> workers;
        for (int t = 0; t < 4; ++t) {
            workers.emplace_back([&corrupt, t] {
                for (int i = 0; i < 20000; ++i) {
                    u8* p = static_cast<u8*>(Malloc(40));
                    std::memset(p, t, 40);
                    if (p[0] != t || p[39] != t)
                        ++corrupt;
                    Free(p);
                }
            });
        }
        for (std::thread& w : workers)
            w.join();
    } // the vector's own memory may be a pool block too
    size_t used = pool->GetUsedCount();
    delete pools;
    EXPECT_EQ(0, corrupt.load());
    EXPECT_EQ(0u, used);
}
