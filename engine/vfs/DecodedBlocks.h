// The coded blocks of one block-compressed file decoded last, kept for the reads that come back
// to them. Readers come back often: the game reads an atlas's description from a coded block,
// then its picture from stored blocks, then the next description from the coded block again, and
// each coded block costs a whole decode. Shared by the streams of one archive, which different
// threads use: a kept block is never written again, only dropped, so a reader holds on to the
// bytes it was given however the others go on.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "system/Types.h"

namespace Vorn {

class DecodedBlocks {
public:
    typedef std::shared_ptr<const u8[]> Bytes;

    // About this much is kept, never fewer than one block nor more than MAX_KEPT.
    static constexpr u32 KEPT_BYTES = 256 * 1024;
    static constexpr size_t MAX_KEPT = 4;

    explicit DecodedBlocks(u32 blockSize);

    // The bytes of the block when it is kept, else null. Any thread.
    Bytes Find(u32 block);
    // Keeps a block's bytes, whole and as decoded, in place of the one used longest ago. Any thread.
    void Keep(u32 block, const Bytes& bytes);

private:
    struct Kept {
        u32 block;
        Bytes bytes;
    };

    std::mutex m_mutex;
    std::vector<Kept> m_kept;  // the one used last first
    size_t m_capacity;
};

} // namespace Vorn
