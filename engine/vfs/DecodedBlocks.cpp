#include "vfs/DecodedBlocks.h"

#include <algorithm>

namespace Vorn {

DecodedBlocks::DecodedBlocks(u32 blockSize)
    : m_capacity(std::min<size_t>(MAX_KEPT, std::max<u32>(1, KEPT_BYTES / std::max<u32>(1, blockSize))))
{
    m_kept.reserve(m_capacity);
}

DecodedBlocks::Bytes DecodedBlocks::Find(u32 block)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = std::find_if(m_kept.begin(), m_kept.end(),
                              [block](const Kept& k) { return k.block == block; });
    if (found == m_kept.end())
        return Bytes();
    std::rotate(m_kept.begin(), found, found + 1);
    return m_kept.front().bytes;
}

void DecodedBlocks::Keep(u32 block, const Bytes& bytes)
{
    Bytes dropped;  // freed once the lock is given back
    std::lock_guard<std::mutex> lock(m_mutex);
    auto slot = std::find_if(m_kept.begin(), m_kept.end(),
                             [block](const Kept& k) { return k.block == block; });
    if (slot == m_kept.end() && m_kept.size() < m_capacity)
        slot = m_kept.insert(m_kept.end(), Kept{block, Bytes()});
    else if (slot == m_kept.end())
        slot = m_kept.end() - 1;
    // Two streams may have decoded the same block at once: either's bytes will do.
    dropped = std::move(slot->bytes);
    slot->block = block;
    slot->bytes = bytes;
    std::rotate(m_kept.begin(), slot, slot + 1);
}

} // namespace Vorn
