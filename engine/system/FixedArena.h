// A first-fit allocator inside one fixed block of memory, for a Lua state given a heap of its own:
// every allocation of the state stays inside the block, and the whole lot goes when the block
// does. Not thread-safe (a Lua state is used by one thread).
#pragma once

#include <cstddef>

#include "system/Types.h"

namespace Vorn {

class FixedArena {
public:
    // Alignment of every allocation, as the general heap gives it.
    static const size_t ALIGNMENT = 16;

    // Lays the arena over size bytes at memory, which must outlive it. A block too small for one
    // allocation gives an arena that refuses everything.
    FixedArena(void* memory, size_t size);

    // Null when no free space of that size is left (or size is 0).
    void* Allocate(size_t size);
    // pointer must come from this arena (or be null).
    void Free(void* pointer);
    // Grows or shrinks an allocation, in place when it can. Shrinking never fails. Growing that
    // does not fit returns null and leaves the allocation as it was. A null pointer allocates;
    // size 0 frees and returns null.
    void* Reallocate(void* pointer, size_t size);

    // Bytes handed out (rounded up to whole blocks, without the block headers).
    size_t GetBytesInUse() const { return m_inUse; }
    // The largest allocation that would currently succeed.
    size_t GetLargestFree() const;
    // True when pointer lies inside the arena's block.
    bool Contains(const void* pointer) const;

private:
    struct Header;

    Header* First() const;
    Header* Next(Header* block) const;
    void Link(Header* block);
    void Unlink(Header* block);
    // Splits block so that it keeps size bytes (header included); the rest becomes free.
    void Split(Header* block, size_t size);
    // Merges block with a free block after it.
    void MergeNext(Header* block);

    u8* m_begin;
    u8* m_end;
    Header* m_free;  // doubly linked list of free blocks, in no particular order
    size_t m_inUse;
};

} // namespace Vorn
