#include "graphics/image/PvrPlusImageLoader.h"

#include "graphics/image/EtcImageLoader.h"
#include "graphics/image/PngImageLoader.h"
#include "graphics/image/PvrImageLoader.h"
#include "graphics/pixeldata/PixelDataGL.h"
#include "graphics/surface/Surface.h"

namespace Vorn {

namespace {

ImageLoader* MakePartLoader(u32 codec)
{
    switch (codec) {
    case PvrPlusImageLoader::CODEC_PNG: return new PngImageLoader();
    case PvrPlusImageLoader::CODEC_PVR: return new PvrImageLoader();
    case PvrPlusImageLoader::CODEC_ETC: return new EtcImageLoader();
    default: return nullptr;
    }
}

// Loads the part that starts at the stream's position; the texture it became, or null. The
// part's loader is gone on return, so the stream stands after the part (a PNG loader reads its
// file to the end chunk when it is destroyed).
SmartPtr<PixelDataGL> LoadPart(SeekableStream* stream, u32 codec)
{
    SmartPtr<ImageLoader> loader(MakePartLoader(codec));
    if (!loader)
        return nullptr;
    loader->SetStream(stream);
    SmartPtr<Surface> surface(loader->Load());
    if (!surface || !surface->GetPixelData() || surface->GetPixelData()->GetKind() != PixelData::PD_GL)
        return nullptr;
    return SmartPtr<PixelDataGL>(static_cast<PixelDataGL*>(surface->GetPixelData()));
}

}  // namespace

PvrPlusImageLoader::PvrPlusImageLoader() : m_colorCodec(0), m_alphaCodec(0) {}

bool PvrPlusImageLoader::CanLoad(SeekableStream* stream)
{
    return StartsWith(stream, "PVR+", 4);
}

bool PvrPlusImageLoader::ReadHeader()
{
    u8 header[5];
    if (!m_stream || !ReadExactly(header, 5))
        return false;
    m_colorCodec = header[4] & 3;
    m_alphaCodec = (header[4] >> 2) & 3;
    return m_colorCodec <= CODEC_ETC && m_alphaCodec <= CODEC_ETC;
}

Surface* PvrPlusImageLoader::Load()
{
    if (!ReadHeader())
        return nullptr;
    SmartPtr<PixelDataGL> colour = LoadPart(m_stream.Get(), m_colorCodec);
    if (!colour)
        return nullptr;
    SmartPtr<PixelDataGL> alpha = LoadPart(m_stream.Get(), m_alphaCodec);
    // Both are sampled at the colour texture's coordinates.
    if (!alpha || alpha->GetWidth() != colour->GetWidth() || alpha->GetHeight() != colour->GetHeight() ||
        alpha->GetTextureWidth() != colour->GetTextureWidth() || alpha->GetTextureHeight() != colour->GetTextureHeight())
        return nullptr;
    return new Surface(new PixelDataComposite(colour.Get(), alpha.Get()));
}

}  // namespace Vorn
