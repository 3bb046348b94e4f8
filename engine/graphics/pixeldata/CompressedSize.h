// The byte size of a GPU-compressed image: what a loader reads, what a software decoder takes
// and what the texture upload hands to GL are all this one number.
#pragma once

#include <algorithm>

#include "graphics/pixeldata/PixelData.h"
#include "system/Types.h"

namespace Vorn {

// Bytes of the top image of a compressed texture: whole 4 x 4 blocks for DXT and ETC (a side
// below 4 still takes one block), whole words for PVRTC with its smallest grid of 2 x 2 words
// (8 x 8 pixels at 4 bits, 16 x 8 at 2). 0 for other formats or a side below 1. Computed in
// 64 bits, so any 32-bit sides give the true size.
inline u64 CompressedDataSize(PixelFormat format, u64 width, u64 height)
{
    if (width < 1 || height < 1)
        return 0;
    switch (format) {
    case PF_DXT1:
    case PF_ETC1:
        return ((width + 3) / 4) * ((height + 3) / 4) * 8;
    case PF_DXT5:
        return ((width + 3) / 4) * ((height + 3) / 4) * 16;
    case PF_PVRTC4_RGB:
    case PF_PVRTC4_RGBA:
        return std::max<u64>(width, 8) * std::max<u64>(height, 8) / 2;
    case PF_PVRTC2_RGB:
    case PF_PVRTC2_RGBA:
        return std::max<u64>(width, 16) * std::max<u64>(height, 8) / 4;
    default:
        return 0;
    }
}

}  // namespace Vorn
