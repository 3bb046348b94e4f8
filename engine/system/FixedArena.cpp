#include "system/FixedArena.h"

#include <cstdint>
#include <cstring>

namespace Vorn {

// Every block starts with this header, ALIGNMENT bytes long, so that the payload after it stays
// aligned. size counts the whole block, header included; its lowest bit marks a block in use.
// previousSize is the size of the block before (0 for the first), for merging backwards. A free
// block keeps its list links in its payload, so the smallest block holds a header and two
// pointers.
struct FixedArena::Header {
    size_t size;
    size_t previousSize;

    size_t Size() const { return size & ~static_cast<size_t>(1); }
    bool Used() const { return size & 1; }
    u8* Payload() { return reinterpret_cast<u8*>(this) + sizeof(Header); }
    Header*& NextFree() { return reinterpret_cast<Header**>(Payload())[0]; }
    Header*& PreviousFree() { return reinterpret_cast<Header**>(Payload())[1]; }
};

namespace {

const size_t HEADER = 16;
const size_t MIN_BLOCK = HEADER + 2 * sizeof(void*) <= 2 * HEADER ? 2 * HEADER : 4 * HEADER;

size_t RoundUp(size_t n)
{
    return (n + FixedArena::ALIGNMENT - 1) & ~(FixedArena::ALIGNMENT - 1);
}

} // namespace

FixedArena::FixedArena(void* memory, size_t size) : m_begin(nullptr), m_end(nullptr), m_free(nullptr), m_inUse(0)
{
    static_assert(sizeof(Header) == HEADER, "the header keeps payloads aligned");
    if (!memory)
        return;
    const uintptr_t start = reinterpret_cast<uintptr_t>(memory);
    const uintptr_t aligned = (start + ALIGNMENT - 1) & ~static_cast<uintptr_t>(ALIGNMENT - 1);
    if (size < aligned - start + MIN_BLOCK)
        return;
    const size_t usable = (size - (aligned - start)) & ~(ALIGNMENT - 1);
    m_begin = reinterpret_cast<u8*>(aligned);
    m_end = m_begin + usable;
    Header* block = First();
    block->size = usable;
    block->previousSize = 0;
    Link(block);
}

FixedArena::Header* FixedArena::First() const
{
    return reinterpret_cast<Header*>(m_begin);
}

FixedArena::Header* FixedArena::Next(Header* block) const
{
    u8* next = reinterpret_cast<u8*>(block) + block->Size();
    return next < m_end ? reinterpret_cast<Header*>(next) : nullptr;
}

bool FixedArena::Contains(const void* pointer) const
{
    const u8* p = static_cast<const u8*>(pointer);
    return p >= m_begin && p < m_end;
}

void FixedArena::Link(Header* block)
{
    block->NextFree() = m_free;
    block->PreviousFree() = nullptr;
    if (m_free)
        m_free->PreviousFree() = block;
    m_free = block;
}

void FixedArena::Unlink(Header* block)
{
    if (block->PreviousFree())
        block->PreviousFree()->NextFree() = block->NextFree();
    else
        m_free = block->NextFree();
    if (block->NextFree())
        block->NextFree()->PreviousFree() = block->PreviousFree();
}

void FixedArena::Split(Header* block, size_t size)
{
    const size_t total = block->Size();
    if (total - size < MIN_BLOCK)
        return;
    const size_t used = block->size & 1;
    block->size = size | used;
    Header* rest = reinterpret_cast<Header*>(reinterpret_cast<u8*>(block) + size);
    rest->size = total - size;
    rest->previousSize = size;
    if (Header* after = Next(rest)) {
        after->previousSize = rest->Size();
        if (!after->Used()) {
            Unlink(after);
            rest->size += after->Size();
            if (Header* beyond = Next(rest))
                beyond->previousSize = rest->Size();
        }
    }
    Link(rest);
}

void FixedArena::MergeNext(Header* block)
{
    Header* next = Next(block);
    if (!next || next->Used())
        return;
    Unlink(next);
    block->size += next->Size();
    if (Header* after = Next(block))
        after->previousSize = block->Size();
}

void* FixedArena::Allocate(size_t size)
{
    if (size == 0 || size > static_cast<size_t>(m_end - m_begin))
        return nullptr;
    size_t need = RoundUp(size) + HEADER;
    if (need < MIN_BLOCK)
        need = MIN_BLOCK;
    for (Header* block = m_free; block; block = block->NextFree()) {
        if (block->Size() < need)
            continue;
        Unlink(block);
        block->size |= 1;
        Split(block, need);
        m_inUse += block->Size() - HEADER;
        return block->Payload();
    }
    return nullptr;
}

void FixedArena::Free(void* pointer)
{
    if (!pointer)
        return;
    Header* block = reinterpret_cast<Header*>(static_cast<u8*>(pointer) - HEADER);
    m_inUse -= block->Size() - HEADER;
    block->size &= ~static_cast<size_t>(1);
    MergeNext(block);
    if (block->previousSize) {
        Header* previous = reinterpret_cast<Header*>(reinterpret_cast<u8*>(block) - block->previousSize);
        if (!previous->Used()) {
            Unlink(previous);
            previous->size += block->Size();
            if (Header* after = Next(previous))
                after->previousSize = previous->Size();
            block = previous;
        }
    }
    Link(block);
}

void* FixedArena::Reallocate(void* pointer, size_t size)
{
    if (!pointer)
        return Allocate(size);
    if (size == 0) {
        Free(pointer);
        return nullptr;
    }
    if (size > static_cast<size_t>(m_end - m_begin))
        return nullptr;
    Header* block = reinterpret_cast<Header*>(static_cast<u8*>(pointer) - HEADER);
    size_t need = RoundUp(size) + HEADER;
    if (need < MIN_BLOCK)
        need = MIN_BLOCK;
    const size_t had = block->Size();
    if (need <= had) {
        Split(block, need);
        m_inUse -= had - block->Size();
        return pointer;
    }
    // Grow into a free neighbour when there is one large enough.
    Header* next = Next(block);
    if (next && !next->Used() && had + next->Size() >= need) {
        MergeNext(block);
        Split(block, need);
        m_inUse += block->Size() - had;
        return pointer;
    }
    void* moved = Allocate(size);
    if (!moved)
        return nullptr;
    std::memcpy(moved, pointer, had - HEADER);
    Free(pointer);
    return moved;
}

size_t FixedArena::GetLargestFree() const
{
    size_t largest = 0;
    for (Header* block = m_free; block; block = block->NextFree()) {
        if (block->Size() > largest)
            largest = block->Size();
    }
    return largest > HEADER ? largest - HEADER : 0;
}

} // namespace Vorn
