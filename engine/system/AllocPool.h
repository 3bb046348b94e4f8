// Fixed-size block pools in front of the general heap.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>

#include "system/Types.h"

namespace Vorn {

// A list of pools, ordered by block size. The allocation front-end (system/Memory.h) offers every
// request to the pools first while an AllocPool exists. Blocks are 16-byte aligned, as operator new
// promises.
//
// A request is served by the first pool whose block size is strictly greater than the request; an
// exhausted pool does not pass the request on to a larger one (the front-end then uses the heap).
class AllocPool {
public:
    static const size_t ALIGNMENT = 16;

    class Pool {
    public:
        // size is rounded up to a multiple of ALIGNMENT. The arena stays null when it cannot be had.
        Pool(size_t size, size_t count);
        ~Pool();
        Pool(const Pool&) = delete;
        Pool& operator=(const Pool&) = delete;

        size_t GetUsedCount() const { return used; }
        bool Holds(const void* p) const;

        size_t blockSize;
        size_t count;
        size_t arenaBytes;
        u8* arena;
        void* freeHead;            // each free block holds the address of the next in its first 8 bytes
        size_t used;
        std::atomic<Pool*> next;   // walked without the mutex, so published with release order
    };

    AllocPool();
    ~AllocPool();
    AllocPool(const AllocPool&) = delete;
    AllocPool& operator=(const AllocPool&) = delete;

    // Adds a pool of count blocks of size bytes; false when the memory for it cannot be had.
    bool AddPool(size_t size, size_t count);
    void* Alloc(size_t size);
    // True when a pool took the block back, false when no pool holds the address.
    bool Free(void* p);
    Pool* FindPool(const void* p) const;
    // The first pool (smallest blocks), for statistics.
    Pool* GetFirstPool() const { return m_pools.load(std::memory_order_acquire); }

    static std::atomic<AllocPool*> s_instance;

private:
    std::atomic<Pool*> m_pools;
    mutable std::mutex m_mutex;
};

} // namespace Vorn
