#include "graphics/image/DdsImageLoader.h"

#include <cstring>

#include "graphics/OpenGL.h"
#include "graphics/image/CompressedImage.h"
#include "graphics/image/TextureCodecs.h"

namespace Vorn {

namespace {

u32 ReadU32(const u8* p)
{
    return static_cast<u32>(p[0]) | (static_cast<u32>(p[1]) << 8) | (static_cast<u32>(p[2]) << 16) |
           (static_cast<u32>(p[3]) << 24);
}

PixelFormat FormatOfDxgi(u32 dxgi)
{
    if (dxgi >= 70 && dxgi <= 72)
        return PF_DXT1;
    if (dxgi >= 76 && dxgi <= 78)
        return PF_DXT5;
    return PF_NONE;
}

}  // namespace

DdsImageLoader::DdsImageLoader() : m_width(0), m_height(0), m_format(PF_NONE), m_dataSize(0) {}

bool DdsImageLoader::CanLoad(SeekableStream* stream)
{
    return StartsWith(stream, "DDS ", 4);
}

bool DdsImageLoader::ReadDdsHeader()
{
    u8 header[HEADER_SIZE];
    if (!m_stream || !ReadExactly(header, HEADER_SIZE) || std::memcmp(header, "DDS ", 4) != 0)
        return false;
    m_height = ReadU32(header + 12);
    m_width = ReadU32(header + 16);
    const u8* fourCC = header + 84;
    if (std::memcmp(fourCC, "DXT1", 4) == 0) {
        m_format = PF_DXT1;
    } else if (std::memcmp(fourCC, "DXT5", 4) == 0) {
        m_format = PF_DXT5;
    } else if (std::memcmp(fourCC, "DX10", 4) == 0) {
        u8 extension[DX10_HEADER_SIZE];
        if (!ReadExactly(extension, DX10_HEADER_SIZE))
            return false;
        m_format = FormatOfDxgi(ReadU32(extension));
    }
    if (m_format == PF_NONE || !IsSizeAllowed(m_width, m_height))
        return false;
    m_dataSize = static_cast<u32>(TextureCodecs::CompressedDataSize(m_format, m_width, m_height));
    return true;
}

Surface* DdsImageLoader::Load()
{
    if (!ReadDdsHeader())
        return nullptr;
    return CompressedImage::Load(m_stream.Get(), m_format, m_width, m_height, OpenGL::GetCaps().dxtc != 0);
}

}  // namespace Vorn
