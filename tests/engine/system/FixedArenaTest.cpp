#include "system/FixedArena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <vector>

using Vorn::FixedArena;

TEST(FixedArena, AllocationsAreAlignedInsideTheBlockAndDistinct)
{
    std::vector<unsigned char> memory(4096 + 7);
    FixedArena arena(memory.data() + 3, 4096);
    std::vector<void*> blocks;
    for (size_t size : {1u, 15u, 16u, 17u, 100u, 333u}) {
        void* p = arena.Allocate(size);
        ASSERT_NE(p, nullptr) << size;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % FixedArena::ALIGNMENT, 0u);
        EXPECT_TRUE(arena.Contains(p));
        EXPECT_TRUE(arena.Contains(static_cast<unsigned char*>(p) + size - 1));
        std::memset(p, static_cast<int>(size), size);
        blocks.push_back(p);
    }
    const size_t sizes[] = {1, 15, 16, 17, 100, 333};
    for (size_t i = 0; i < blocks.size(); ++i)
        for (size_t b = 0; b < sizes[i]; ++b)
            ASSERT_EQ(static_cast<unsigned char*>(blocks[i])[b], static_cast<unsigned char>(sizes[i]));
    EXPECT_EQ(arena.Allocate(0), nullptr);
}

TEST(FixedArena, FullArenaRefusesAndFreeingMergesBack)
{
    std::vector<unsigned char> memory(1024);
    FixedArena arena(memory.data(), memory.size());
    const size_t whole = arena.GetLargestFree();
    EXPECT_GT(whole, 900u);
    std::vector<void*> blocks;
    while (void* p = arena.Allocate(48))
        blocks.push_back(p);
    EXPECT_GT(blocks.size(), 10u);
    EXPECT_EQ(arena.Allocate(48), nullptr);
    EXPECT_EQ(arena.Allocate(2000), nullptr);
    // Free every other block, then the rest: the neighbours merge into one block again.
    for (size_t i = 0; i < blocks.size(); i += 2)
        arena.Free(blocks[i]);
    EXPECT_LT(arena.GetLargestFree(), 200u);
    for (size_t i = 1; i < blocks.size(); i += 2)
        arena.Free(blocks[i]);
    EXPECT_EQ(arena.GetLargestFree(), whole);
    EXPECT_EQ(arena.GetBytesInUse(), 0u);
    EXPECT_NE(arena.Allocate(whole), nullptr);
}

TEST(FixedArena, ShrinkingNeverFailsAndGrowingKeepsTheContent)
{
    std::vector<unsigned char> memory(512);
    FixedArena arena(memory.data(), memory.size());
    void* big = arena.Allocate(arena.GetLargestFree());
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(arena.Allocate(1), nullptr);
    std::memset(big, 0x5C, 100);
    // Full arena: shrinking still succeeds, in place, and frees the rest.
    EXPECT_EQ(arena.Reallocate(big, 100), big);
    EXPECT_NE(arena.Allocate(64), nullptr);
    // Growing beyond what is left fails and leaves the block as it was.
    EXPECT_EQ(arena.Reallocate(big, 5000), nullptr);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(static_cast<unsigned char*>(big)[i], 0x5C);
    EXPECT_EQ(arena.Reallocate(big, 0), nullptr);
    EXPECT_NE(arena.Reallocate(nullptr, 32), nullptr);
}

TEST(FixedArena, TooSmallOrNullBlockRefusesEverything)
{
    unsigned char tiny[20];
    FixedArena small(tiny, sizeof(tiny));
    EXPECT_EQ(small.Allocate(1), nullptr);
    FixedArena none(nullptr, 1000);
    EXPECT_EQ(none.Allocate(1), nullptr);
    EXPECT_EQ(none.Reallocate(nullptr, 1), nullptr);
}

// Random allocations, reallocations and frees against a record of what each block must hold.
TEST(FixedArena, RandomUseKeepsEveryBlockIntact)
{
    std::vector<unsigned char> memory(64 * 1024);
    FixedArena arena(memory.data(), memory.size());
    std::mt19937 random(42);
    std::map<unsigned char*, std::pair<size_t, unsigned char> > live;
    for (int step = 0; step < 20000; ++step) {
        const int action = static_cast<int>(random() % 3);
        if (action == 0 || live.empty()) {
            const size_t size = 1 + random() % 700;
            unsigned char* p = static_cast<unsigned char*>(arena.Allocate(size));
            if (!p)
                continue;
            ASSERT_EQ(live.count(p), 0u);
            const unsigned char fill = static_cast<unsigned char>(random());
            std::memset(p, fill, size);
            live[p] = std::make_pair(size, fill);
        } else {
            auto it = live.begin();
            std::advance(it, random() % live.size());
            unsigned char* p = it->first;
            const size_t size = it->second.first;
            const unsigned char fill = it->second.second;
            for (size_t i = 0; i < size; ++i)
                ASSERT_EQ(p[i], fill) << step;
            live.erase(it);
            if (action == 1) {
                arena.Free(p);
            } else {
                const size_t newSize = 1 + random() % 1400;
                unsigned char* q = static_cast<unsigned char*>(arena.Reallocate(p, newSize));
                if (!q) {
                    live[p] = std::make_pair(size, fill);  // a failed grow leaves the block alone
                    continue;
                }
                for (size_t i = 0; i < std::min(size, newSize); ++i)
                    ASSERT_EQ(q[i], fill) << step;
                std::memset(q, fill, newSize);
                live[q] = std::make_pair(newSize, fill);
            }
        }
    }
    for (auto& entry : live)
        arena.Free(entry.first);
    EXPECT_EQ(arena.GetBytesInUse(), 0u);
    EXPECT_EQ(arena.GetLargestFree(), memory.size() - 16);
}
