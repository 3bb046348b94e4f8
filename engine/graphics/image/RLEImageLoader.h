// CRLE: the engine's run-length images.
//   "CRLE", u32 width, u32 height, u32 size of the run stream, then the run stream of
//   PixelDataRLE (little-endian throughout).
// The result is RLE pixel data, which the surface turns into a 32-bit texture.
#pragma once

#include "graphics/image/ImageLoader.h"

namespace Vorn {

class RLEImageLoader final : public ImageLoader {
public:
    static bool CanLoad(SeekableStream* stream);

    // Null when the size is 0, larger than the rest of the file, or not the exact extent of a
    // well-formed run stream of width x height pixels, and when the sides exceed the texture limit.
    Surface* Load() override;

    // The pixel data alone (no GL texture); null as above.
    PixelData* ReadRunStream();

    static constexpr u32 HEADER_SIZE = 16;
};

}  // namespace Vorn
