#include "graphics/image/EtcImageLoader.h"

#include "graphics/OpenGL.h"
#include "graphics/image/PvrImageLoader.h"

namespace Vorn {

namespace {

const u32 PIXEL_TYPE_ETC1 = 0x36;
const u64 PIXEL_FORMAT_ETC1 = 6;

bool AcceptEtc1(u32 version, u64 kind)
{
    return version == PvrHeader::VERSION2 ? kind == PIXEL_TYPE_ETC1 : kind == PIXEL_FORMAT_ETC1;
}

}  // namespace

EtcImageLoader::EtcImageLoader() : m_width(0), m_height(0), m_dataSize(0) {}

bool EtcImageLoader::CanLoad(SeekableStream* stream)
{
    return PvrHeader::Probe(stream, &AcceptEtc1, false);
}

bool EtcImageLoader::ReadEtcHeader()
{
    PvrHeader header;
    if (!header.Read(m_stream.Get()))
        return false;
    const u64 kind = header.version == PvrHeader::VERSION2 ? header.pixelType : header.pixelFormat;
    if (!AcceptEtc1(header.version, kind) || !IsSizeAllowed(header.width, header.height))
        return false;
    m_width = header.width;
    m_height = header.height;
    return header.ReadDataSize(m_stream.Get(), PF_ETC1, &m_dataSize);
}

Surface* EtcImageLoader::Load()
{
    if (!ReadEtcHeader())
        return nullptr;
    return PvrHeader::LoadData(m_stream.Get(), PF_ETC1, m_width, m_height, m_dataSize, OpenGL::GetCaps().etc != 0);
}

}  // namespace Vorn
