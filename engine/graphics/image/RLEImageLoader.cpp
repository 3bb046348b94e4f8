#include "graphics/image/RLEImageLoader.h"

#include <vector>

#include "base/ByteReader.h"
#include "graphics/pixeldata/PixelDataRLE.h"
#include "graphics/surface/Surface.h"

namespace Vorn {

bool RLEImageLoader::CanLoad(SeekableStream* stream)
{
    return StartsWith(stream, "CRLE", 4);
}

PixelData* RLEImageLoader::ReadRunStream()
{
    u8 header[HEADER_SIZE];
    if (!m_stream || !ReadExactly(header, HEADER_SIZE))
        return nullptr;
    ByteReader in(header, HEADER_SIZE);
    const u32 width = in.U32At(4), height = in.U32At(8), size = in.U32At(12);
    if (!IsSizeAllowed(width, height) || size == 0 || size > Remaining(m_stream.Get()))
        return nullptr;
    std::vector<u8> runs(size);
    if (!ReadExactly(runs.data(), size) ||
        !PixelDataRLE::Validate(runs.data(), size, static_cast<s32>(width), static_cast<s32>(height)))
        return nullptr;
    return new PixelDataRLE(static_cast<s32>(width), static_cast<s32>(height), size, runs.data());
}

Surface* RLEImageLoader::Load()
{
    SmartPtr<PixelData> pixels(ReadRunStream());
    if (!pixels)
        return nullptr;
    return new Surface(pixels.Get());
}

}  // namespace Vorn
