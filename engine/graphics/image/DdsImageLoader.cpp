#include "graphics/image/DdsImageLoader.h"

#include "base/ByteReader.h"
#include "graphics/OpenGL.h"
#include "graphics/image/CompressedImage.h"
#include "graphics/image/TextureCodecs.h"
#include "graphics/pixeldata/CompressedSize.h"

namespace Vorn {

namespace {

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
    if (!m_stream || !ReadExactly(header, HEADER_SIZE))
        return false;
    ByteReader in(header, HEADER_SIZE);
    if (!in.IdAt(0, "DDS "))
        return false;
    m_height = in.U32At(12);
    m_width = in.U32At(16);
    const size_t FOURCC = 84;
    if (in.IdAt(FOURCC, "DXT1")) {
        m_format = PF_DXT1;
    } else if (in.IdAt(FOURCC, "DXT5")) {
        m_format = PF_DXT5;
    } else if (in.IdAt(FOURCC, "DX10")) {
        u8 extension[DX10_HEADER_SIZE];
        if (!ReadExactly(extension, DX10_HEADER_SIZE))
            return false;
        m_format = FormatOfDxgi(LoadLE32(extension));
    }
    if (m_format == PF_NONE || !IsSizeAllowed(m_width, m_height))
        return false;
    m_dataSize = static_cast<u32>(CompressedDataSize(m_format, m_width, m_height));
    return true;
}

Surface* DdsImageLoader::Load()
{
    if (!ReadDdsHeader())
        return nullptr;
    return CompressedImage::Load(m_stream.Get(), m_format, m_width, m_height, OpenGL::GetCaps().dxtc != 0);
}

}  // namespace Vorn
