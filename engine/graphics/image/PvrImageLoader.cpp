#include "graphics/image/PvrImageLoader.h"

#include "base/ByteReader.h"
#include "graphics/OpenGL.h"
#include "graphics/image/CompressedImage.h"
#include "graphics/image/TextureCodecs.h"
#include "graphics/pixeldata/CompressedSize.h"

namespace Vorn {

namespace {

bool IsPowerOfTwo(u32 v)
{
    return v != 0 && (v & (v - 1)) == 0;
}

bool AcceptPvrtc(u32 version, u64 kind)
{
    if (version == PvrHeader::VERSION2)
        return kind == 12 || kind == 13 || kind == 24 || kind == 25;
    return kind <= 3;
}

}  // namespace

bool PvrHeader::Read(SeekableStream* stream)
{
    u8 header[SIZE];
    if (!stream || !ImageLoader::ReadExactly(stream, header, SIZE))
        return false;
    ByteReader in(header, SIZE);
    version = in.U32At(0);
    if (version == VERSION2) {
        if (!in.IdAt(44, "PVR!"))
            return false;
        height = in.U32At(4);
        width = in.U32At(8);
        const u32 flags = in.U32At(16);
        pixelType = flags & 0xFF;
        alpha = (flags & 0x8000) != 0;
        dataSize = in.U32At(20);
        bitsPerPixel = in.U32At(24);
        return true;
    }
    if (version != VERSION3)
        return false;
    pixelFormat = static_cast<u64>(in.U32At(8)) | (static_cast<u64>(in.U32At(12)) << 32);
    height = in.U32At(24);
    width = in.U32At(28);
    metadataSize = in.U32At(48);
    if (metadataSize > ImageLoader::Remaining(stream))
        return false;
    return stream->Seek(static_cast<int>(metadataSize), SeekableStream::FROM_CURRENT);
}

bool PvrHeader::Probe(SeekableStream* stream, bool (*accept)(u32 version, u64 kind), bool acceptSwapped)
{
    u8 first[4];
    if (stream->Read(first, 4) != 4)
        return false;
    const u32 version = LoadLE32(first);
    if (version == VERSION3_SWAPPED)
        return acceptSwapped;
    if (version != VERSION2 && version != VERSION3)
        return false;
    u8 header[SIZE];
    if (!stream->Seek(-4, SeekableStream::FROM_CURRENT) || stream->Read(header, SIZE) != static_cast<s32>(SIZE))
        return false;
    ByteReader in(header, SIZE);
    if (version == VERSION2)
        return in.IdAt(44, "PVR!") && accept(version, in.U32At(16) & 0xFF);
    if (in.U32At(12) != 0)
        return false;
    return accept(version, in.U32At(8));
}

bool PvrHeader::ReadDataSize(SeekableStream* stream, PixelFormat format, u32* size) const
{
    const u64 topImage = CompressedDataSize(format, width, height);
    if (version == VERSION2) {
        if (dataSize < topImage)
            return false;
        *size = dataSize;
    } else {
        *size = static_cast<u32>(topImage);
    }
    return *size <= ImageLoader::Remaining(stream);
}

Surface* PvrHeader::LoadData(SeekableStream* stream, PixelFormat format, u32 w, u32 h, u32 size, bool gpu)
{
    const u32 start = stream->Tell();
    Surface* surface = CompressedImage::Load(stream, format, w, h, gpu);
    if (surface)
        stream->Seek(static_cast<int>(start + size), SeekableStream::FROM_START);
    return surface;
}

PvrImageLoader::PvrImageLoader() : m_width(0), m_height(0), m_format(PF_NONE), m_dataSize(0) {}

bool PvrImageLoader::CanLoad(SeekableStream* stream)
{
    return PvrHeader::Probe(stream, &AcceptPvrtc, true);
}

int PvrImageLoader::GetBitsPerPixel() const
{
    return m_format == PF_PVRTC2_RGB || m_format == PF_PVRTC2_RGBA ? 2 : 4;
}

bool PvrImageLoader::ReadPvrHeader()
{
    PvrHeader header;
    if (!header.Read(m_stream.Get()))
        return false;
    m_format = PF_NONE;
    if (header.version == PvrHeader::VERSION2) {
        if (header.bitsPerPixel == 2)
            m_format = header.alpha ? PF_PVRTC2_RGBA : PF_PVRTC2_RGB;
        else if (header.bitsPerPixel == 4)
            m_format = header.alpha ? PF_PVRTC4_RGBA : PF_PVRTC4_RGB;
    } else if (header.pixelFormat <= 1) {
        m_format = header.pixelFormat == 0 ? PF_PVRTC2_RGB : PF_PVRTC2_RGBA;
    } else if (header.pixelFormat <= 3) {
        m_format = PF_PVRTC4_RGBA;
    }
    if (m_format == PF_NONE || !IsSizeAllowed(header.width, header.height) || !IsPowerOfTwo(header.width) ||
        !IsPowerOfTwo(header.height))
        return false;
    m_width = header.width;
    m_height = header.height;
    return header.ReadDataSize(m_stream.Get(), m_format, &m_dataSize);
}

Surface* PvrImageLoader::Load()
{
    if (!ReadPvrHeader())
        return nullptr;
    return PvrHeader::LoadData(m_stream.Get(), m_format, m_width, m_height, m_dataSize, OpenGL::GetCaps().pvr != 0);
}

bool PvrImageLoader::Decompress(const void* source, void* destination) const
{
    if (m_format == PF_NONE || !source || !destination)
        return false;
    TextureCodecs::DecodePvrtc(static_cast<const u8*>(source), static_cast<int>(m_width), static_cast<int>(m_height),
                               GetBitsPerPixel(), static_cast<u8*>(destination), static_cast<size_t>(m_width) * 4);
    return true;
}

}  // namespace Vorn
