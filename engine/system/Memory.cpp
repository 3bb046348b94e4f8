#include "system/Memory.h"

#include <cstdlib>
#include <cstring>

#include "system/AllocPool.h"

namespace Vorn {

namespace {

AllocPool* Pools() { return AllocPool::s_instance.load(std::memory_order_acquire); }

void* AllocateOrNull(size_t size)
{
    if (AllocPool* pools = Pools()) {
        if (void* p = pools->Alloc(size))
            return p;
    }
    // malloc(0) may return null, which operator new must not.
    return std::malloc(size ? size : 1);
}

} // namespace

void* Malloc(size_t size) { return AllocateOrNull(size); }

void* Calloc(size_t n, size_t size)
{
    if (size != 0 && n > static_cast<size_t>(-1) / size)
        return nullptr;
    void* p = AllocateOrNull(n * size);
    if (p)
        std::memset(p, 0, n * size);
    return p;
}

void* Realloc(void* p, size_t size)
{
    if (!p)
        return AllocateOrNull(size);
    AllocPool* pools = Pools();
    AllocPool::Pool* pool = pools ? pools->FindPool(p) : nullptr;
    if (!pool)
        return std::realloc(p, size);
    if (size <= pool->blockSize)
        return p;
    void* block = AllocateOrNull(size);
    if (!block)
        return nullptr;
    std::memcpy(block, p, pool->blockSize);
    pools->Free(p);
    return block;
}

void Free(void* p)
{
    if (!p)
        return;
    AllocPool* pools = Pools();
    if (pools && pools->Free(p))
        return;
    std::free(p);
}

namespace Memory {
s32 GetUsed() { return 0; }
s32 GetFree() { return 0; }
} // namespace Memory

} // namespace Vorn

