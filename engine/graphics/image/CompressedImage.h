// The two ways a GPU-compressed image becomes a surface: its blocks straight into the upload
// buffer of a compressed texture, when the GPU samples the format, or decoded in software into
// plain pixels otherwise.
#pragma once

#include "base/SeekableStream.h"
#include "graphics/pixeldata/PixelData.h"
#include "system/Types.h"

namespace Vorn {

class Surface;

namespace CompressedImage {

// Reads the top image (CompressedDataSize bytes) of a width x height image in
// format from the stream's position and makes a new surface of it: on the GPU path a texture
// of the compressed format, whose rows of blocks are spread to the texture's power-of-two width;
// otherwise decoded to PF_RGB565 (DXT1), PF_RGBA8888 (DXT5, PVRTC) or PF_RGB888 (ETC1). The
// caller has checked the size against the texture limit. Null when the stream holds fewer bytes
// than the image needs; nothing is allocated before that is known.
Surface* Load(SeekableStream* stream, PixelFormat format, u32 width, u32 height, bool gpu);

// The software path alone, into new memory pixel data; null as above.
PixelData* Decode(SeekableStream* stream, PixelFormat format, u32 width, u32 height);

// True for the PVRTC formats; their sides must be powers of two.
bool IsPvrtc(PixelFormat format);

}  // namespace CompressedImage

}  // namespace Vorn
