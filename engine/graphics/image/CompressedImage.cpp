#include "graphics/image/CompressedImage.h"

#include <memory>
#include <vector>

#include "graphics/image/ImageLoader.h"
#include "graphics/image/TextureCodecs.h"
#include "graphics/pixeldata/CompressedSize.h"
#include "graphics/pixeldata/MemPixelData.h"
#include "graphics/pixeldata/PixelDataGL.h"
#include "graphics/surface/Surface.h"

namespace Vorn {

namespace CompressedImage {

namespace {

u32 BlockBytes(PixelFormat format)
{
    return format == PF_DXT5 ? 16 : 8;
}

PixelData* LoadToTexture(SeekableStream* stream, PixelFormat format, u32 width, u32 height, u64 size)
{
    std::unique_ptr<PixelDataGL> texture(new PixelDataGL(static_cast<s32>(width), static_cast<s32>(height), format));
    const PixelDataGL::UploadRecord* record = texture->GetUploadRecord();
    u8* buffer = texture->Lock();
    if (!buffer || !record)
        return nullptr;
    // The buffer holds the whole texture's compressed size.
    if (record->bufferSize < size)
        return nullptr;
    if (IsPvrtc(format) || static_cast<s32>(width) == texture->GetTextureWidth()) {
        // PVRTC words are twiddled over the whole texture, which has the image's own sides.
        if (!ImageLoader::ReadExactly(stream, buffer, size))
            return nullptr;
    } else {
        const u64 rowBytes = ((width + 3) / 4) * static_cast<u64>(BlockBytes(format));
        const u64 texturePitch = ((static_cast<u64>(texture->GetTextureWidth()) + 3) / 4) * BlockBytes(format);
        for (u64 row = 0; row < (height + 3) / 4; ++row) {
            if (!ImageLoader::ReadExactly(stream, buffer + row * texturePitch, rowBytes))
                return nullptr;
        }
    }
    return texture.release();
}

}  // namespace

bool IsPvrtc(PixelFormat format)
{
    return format >= PF_PVRTC2_RGB && format <= PF_PVRTC4_RGBA;
}

PixelData* Decode(SeekableStream* stream, PixelFormat format, u32 width, u32 height)
{
    const u64 size = CompressedDataSize(format, width, height);
    if (size == 0 || size > ImageLoader::Remaining(stream))
        return nullptr;
    std::vector<u8> data(static_cast<size_t>(size));
    if (!ImageLoader::ReadExactly(stream, data.data(), size))
        return nullptr;
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    PixelFormat target = PF_RGBA8888;
    if (format == PF_DXT1)
        target = PF_RGB565;
    else if (format == PF_ETC1)
        target = PF_RGB888;
    std::unique_ptr<MemPixelData> pixels(new MemPixelData(w, h, target));
    u8* out = pixels->Lock();
    const size_t pitch = static_cast<size_t>(pixels->GetPitch());
    switch (format) {
    case PF_DXT1: TextureCodecs::DecodeDxt1(data.data(), w, h, out, pitch); break;
    case PF_DXT5: TextureCodecs::DecodeDxt5(data.data(), w, h, out, pitch); break;
    case PF_ETC1: TextureCodecs::DecodeEtc1(data.data(), w, h, out, pitch); break;
    case PF_PVRTC2_RGB:
    case PF_PVRTC2_RGBA: TextureCodecs::DecodePvrtc(data.data(), w, h, 2, out, pitch); break;
    case PF_PVRTC4_RGB:
    case PF_PVRTC4_RGBA: TextureCodecs::DecodePvrtc(data.data(), w, h, 4, out, pitch); break;
    default: return nullptr;
    }
    return pixels.release();
}

Surface* Load(SeekableStream* stream, PixelFormat format, u32 width, u32 height, bool gpu)
{
    if (!stream || !ImageLoader::IsSizeAllowed(width, height))
        return nullptr;
    const u64 size = CompressedDataSize(format, width, height);
    if (size == 0 || size > ImageLoader::Remaining(stream))
        return nullptr;
    PixelData* pixels = gpu ? LoadToTexture(stream, format, width, height, size) : Decode(stream, format, width, height);
    if (!pixels)
        return nullptr;
    // The surface copies memory pixels into a texture (and frees them); it shares a texture.
    SmartPtr<PixelData> held(pixels);
    return new Surface(pixels);
}

}  // namespace CompressedImage

}  // namespace Vorn
