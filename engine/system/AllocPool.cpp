#include "system/AllocPool.h"

#include <cstdlib>
#include <new>

#include "system/Memory.h"

namespace Vorn {

std::atomic<AllocPool*> AllocPool::s_instance(nullptr);

namespace {

size_t RoundUp(size_t size)
{
    return (size + AllocPool::ALIGNMENT - 1) & ~(AllocPool::ALIGNMENT - 1);
}

void*& NextLink(void* block) { return *static_cast<void**>(block); }

} // namespace

// Pool memory comes from the C heap directly, never through operator new: the front-end must not
// recurse into the pools it is building.
AllocPool::Pool::Pool(size_t size, size_t count_)
    : blockSize(RoundUp(size ? size : 1)), count(count_), arenaBytes(0), arena(nullptr),
      freeHead(nullptr), used(0), next(nullptr)
{
    if (count == 0 || blockSize > static_cast<size_t>(-1) / count) {
        count = 0;
        return;
    }
    arenaBytes = blockSize * count;
    arena = static_cast<u8*>(std::aligned_alloc(ALIGNMENT, arenaBytes));
    if (!arena) {
        count = 0;
        arenaBytes = 0;
        return;
    }
    for (size_t i = 0; i + 1 < count; ++i)
        NextLink(arena + i * blockSize) = arena + (i + 1) * blockSize;
    NextLink(arena + (count - 1) * blockSize) = nullptr;
    freeHead = arena;
}

AllocPool::Pool::~Pool() { std::free(arena); }

bool AllocPool::Pool::Holds(const void* p) const
{
    const u8* address = static_cast<const u8*>(p);
    return arena && address >= arena && address <= arena + arenaBytes - blockSize;
}

AllocPool::AllocPool() : m_pools(nullptr) { s_instance.store(this, std::memory_order_release); }

AllocPool::~AllocPool()
{
    AllocPool* self = this;
    s_instance.compare_exchange_strong(self, nullptr);
    Pool* pool = m_pools.load(std::memory_order_acquire);
    while (pool) {
        Pool* next = pool->next.load(std::memory_order_relaxed);
        pool->~Pool();
        std::free(pool);
        pool = next;
    }
}

bool AllocPool::AddPool(size_t size, size_t count)
{
    void* memory = std::malloc(sizeof(Pool));
    if (!memory)
        return false;
    Pool* pool = new (memory) Pool(size, count);
    if (!pool->arena) {
        pool->~Pool();
        std::free(memory);
        return false;
    }

    std::lock_guard<std::mutex> lock(m_mutex);
    // Before the first pool whose block size is greater than the request, so the list stays
    // ordered by block size.
    std::atomic<Pool*>* link = &m_pools;
    Pool* at = link->load(std::memory_order_relaxed);
    while (at && at->blockSize <= size) {
        link = &at->next;
        at = link->load(std::memory_order_relaxed);
    }
    pool->next.store(at, std::memory_order_relaxed);
    link->store(pool, std::memory_order_release);
    return true;
}

void* AllocPool::Alloc(size_t size)
{
    Pool* pool = m_pools.load(std::memory_order_acquire);
    while (pool && pool->blockSize <= size)
        pool = pool->next.load(std::memory_order_acquire);
    if (!pool)
        return nullptr;

    std::lock_guard<std::mutex> lock(m_mutex);
    void* block = pool->freeHead;
    if (!block)
        return nullptr;
    pool->freeHead = NextLink(block);
    ++pool->used;
    return block;
}

bool AllocPool::Free(void* p)
{
    Pool* pool = FindPool(p);
    if (!pool)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    NextLink(p) = pool->freeHead;
    pool->freeHead = p;
    --pool->used;
    return true;
}

AllocPool::Pool* AllocPool::FindPool(const void* p) const
{
    if (!p)
        return nullptr;
    for (Pool* pool = m_pools.load(std::memory_order_acquire); pool;
         pool = pool->next.load(std::memory_order_acquire)) {
        if (pool->Holds(p))
            return pool;
    }
    return nullptr;
}

} // namespace Vorn

namespace {

void* AllocateOrThrow(size_t size)
{
    void* p = Vorn::Malloc(size);
    if (!p)
        throw std::bad_alloc();
    return p;
}

void* AllocateAligned(size_t size, std::align_val_t alignment)
{
    size_t align = static_cast<size_t>(alignment);
    if (align <= Vorn::AllocPool::ALIGNMENT)
        return Vorn::Malloc(size);
    // aligned_alloc wants a multiple of the alignment.
    size_t rounded = (size + align - 1) & ~(align - 1);
    if (rounded < size)
        return nullptr;
    return std::aligned_alloc(align, rounded ? rounded : align);
}

} // namespace

// The replacements live beside the pools so that any program that can create pools links them.
// Replacing these for the whole program routes every C++ allocation through the pools. The aligned
// forms take over-aligned requests straight to the heap; pool blocks are 16-byte aligned already.

void* operator new(size_t size) { return AllocateOrThrow(size); }
void* operator new[](size_t size) { return AllocateOrThrow(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Vorn::Malloc(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Vorn::Malloc(size); }

void* operator new(size_t size, std::align_val_t alignment)
{
    void* p = AllocateAligned(size, alignment);
    if (!p)
        throw std::bad_alloc();
    return p;
}
void* operator new[](size_t size, std::align_val_t alignment) { return operator new(size, alignment); }
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return AllocateAligned(size, alignment);
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return AllocateAligned(size, alignment);
}

void operator delete(void* p) noexcept { Vorn::Free(p); }
void operator delete[](void* p) noexcept { Vorn::Free(p); }
void operator delete(void* p, size_t) noexcept { Vorn::Free(p); }
void operator delete[](void* p, size_t) noexcept { Vorn::Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Vorn::Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Vorn::Free(p); }
void operator delete(void* p, std::align_val_t) noexcept { Vorn::Free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Vorn::Free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { Vorn::Free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { Vorn::Free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { Vorn::Free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { Vorn::Free(p); }
