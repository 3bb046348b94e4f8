#include "graphics/image/RLEImageLoader.h"

#include <vector>

#include "graphics/pixeldata/PixelDataRLE.h"
#include "graphics/surface/Surface.h"

namespace Vorn {

namespace {

u32 ReadU32(const u8* p)
{
    return static_cast<u32>(p[0]) | (static_cast<u32>(p[1]) << 8) | (static_cast<u32>(p[2]) << 16) |
           (static_cast<u32>(p[3]) << 24);
}

}  // namespace

bool RLEImageLoader::CanLoad(SeekableStream* stream)
{
    return StartsWith(stream, "CRLE", 4);
}

PixelData* RLEImageLoader::ReadRunStream()
{
    u8 header[HEADER_SIZE];
    if (!m_stream || !ReadExactly(header, HEADER_SIZE))
        return nullptr;
    const u32 width = ReadU32(header + 4), height = ReadU32(header + 8), size = ReadU32(header + 12);
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
