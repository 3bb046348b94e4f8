// Software decoders of the GPU-compressed texture formats, for GPUs that cannot sample them. Every
// decoder reads exactly CompressedDataSize(format, width, height) bytes of source
// (graphics/pixeldata/CompressedSize.h) and writes width x height pixels, pitch bytes per
// destination row.
#pragma once

#include <cstddef>

#include "graphics/pixeldata/PixelData.h"
#include "system/Types.h"

namespace Vorn {

namespace TextureCodecs {

// DXT1 (S3TC) to PF_RGB565. In the three-colour mode index 3 is black.
void DecodeDxt1(const u8* blocks, int width, int height, u8* destination, size_t pitch);
// DXT5 to PF_RGBA8888 (bytes B, G, R, A).
void DecodeDxt5(const u8* blocks, int width, int height, u8* destination, size_t pitch);
// ETC1 to PF_RGB888 (bytes B, G, R).
void DecodeEtc1(const u8* blocks, int width, int height, u8* destination, size_t pitch);
// PVRTC version 1 at 2 or 4 bits per pixel to PF_RGBA8888 (bytes B, G, R, A). width and height
// must be powers of two; images smaller than the smallest grid are its top left corner.
void DecodePvrtc(const u8* data, int width, int height, int bitsPerPixel, u8* destination,
                 size_t pitch);

// The interpolated colours of one DXT colour block, as 5:6:5 words: entries 0 to 3 of its
// palette. fourColour forces the four-colour rule (DXT5 blocks); otherwise c0 <= c1 selects the
// three-colour rule with black at index 3.
void Dxt1Palette(u16 c0, u16 c1, bool fourColour, u16 palette[4]);

}  // namespace TextureCodecs

}  // namespace Vorn
