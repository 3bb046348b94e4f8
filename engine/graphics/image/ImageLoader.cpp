#include "graphics/image/ImageLoader.h"

#include <cstring>
#include <memory>

#include "graphics/OpenGL.h"
#include "graphics/image/AnimImageLoader.h"
#include "graphics/image/DdsImageLoader.h"
#include "graphics/image/EtcImageLoader.h"
#include "graphics/image/ImageLoader565.h"
#include "graphics/image/JpegImageLoader.h"
#include "graphics/image/JpgaImageLoader.h"
#include "graphics/image/PngImageLoader.h"
#include "graphics/image/PvrImageLoader.h"
#include "graphics/image/PvrPlusImageLoader.h"
#include "graphics/image/RLEImageLoader.h"
#include "graphics/surface/Surface.h"
#include "vfs/Vfs.h"

namespace Vorn {

namespace {

template <class T>
ImageLoader* MakeLoader()
{
    return new T();
}

struct LoaderEntry {
    bool (*canLoad)(SeekableStream* stream);
    ImageLoader* (*make)();
};

// Probe order. A format is recognised by content alone, never by the file's extension.
const LoaderEntry s_loaders[] = {
    {&PngImageLoader::CanLoad, &MakeLoader<PngImageLoader>},
    {&JpegImageLoader::CanLoad, &MakeLoader<JpegImageLoader>},
    {&AnimImageLoader::CanLoad, &MakeLoader<AnimImageLoader>},
    {&RLEImageLoader::CanLoad, &MakeLoader<RLEImageLoader>},
    {&ImageLoader565::CanLoad, &MakeLoader<ImageLoader565>},
    {&DdsImageLoader::CanLoad, &MakeLoader<DdsImageLoader>},
    {&PvrImageLoader::CanLoad, &MakeLoader<PvrImageLoader>},
    {&EtcImageLoader::CanLoad, &MakeLoader<EtcImageLoader>},
    {&PvrPlusImageLoader::CanLoad, &MakeLoader<PvrPlusImageLoader>},
    {&JpgaImageLoader::CanLoad, &MakeLoader<JpgaImageLoader>},
};

const int MAX_EXTENSIONS = 8;

}  // namespace

ImageLoader::ImageLoader() = default;

ImageLoader::~ImageLoader() = default;

bool ImageLoader::ReadHeader()
{
    return false;
}

int ImageLoader::Width()
{
    return 0;
}

int ImageLoader::Height()
{
    return 0;
}

PixelFormat ImageLoader::Format()
{
    return PF_NONE;
}

bool ImageLoader::ReadLine(void*)
{
    return false;
}

MemPixelData* ImageLoader::ReadPixels()
{
    if (!m_stream || !ReadHeader())
        return nullptr;
    const int width = Width(), height = Height();
    const PixelFormat format = Format();
    if (!IsSizeAllowed(width, height) || GetPixelFormatInfo(format).bytes == 0)
        return nullptr;
    // Nobody references the pixels until the caller takes them, so a failure deletes them plainly.
    std::unique_ptr<MemPixelData> pixels(new MemPixelData(width, height, format));
    u8* row = pixels->Lock();
    for (int y = 0; y < height; ++y, row += pixels->GetPitch()) {
        if (!ReadLine(row))
            return nullptr;
    }
    return pixels.release();
}

ImageLoader* ImageLoader::CreateLoader(SeekableStream* stream)
{
    if (!stream)
        return nullptr;
    for (const LoaderEntry& entry : s_loaders) {
        if (stream->Seek(0, SeekableStream::FROM_START) && entry.canLoad(stream))
            return entry.make();
    }
    return nullptr;
}

bool ImageLoader::IsSupported(SeekableStream* stream)
{
    SmartPtr<ImageLoader> loader(CreateLoader(stream));
    return static_cast<bool>(loader);
}

ImageLoader* ImageLoader::GetLoader(SeekableStream* stream)
{
    ImageLoader* loader = CreateLoader(stream);
    if (!loader) {
        if (stream)
            stream->ReportDamage("it is not an image in any format the engine reads");
        return nullptr;
    }
    stream->Seek(0, SeekableStream::FROM_START);
    loader->SetStream(stream);
    return loader;
}

Surface* ImageLoader::Load(SeekableStream* stream)
{
    SmartPtr<ImageLoader> loader(GetLoader(stream));
    if (!loader)
        return nullptr;
    return loader->Load();
}

Surface* ImageLoader::Load(const NarrowString& path)
{
    SmartPtr<File> file(Vfs::Open(path.c_str()));
    if (!file)
        return nullptr;
    return Load(file.Get());
}

const char* const* ImageLoader::GetExtensions()
{
    static const char* s_extensions[MAX_EXTENSIONS + 1];
    static bool s_built = false;
    static u8 s_builtFrom[3];
    const OpenGL::Capabilities& caps = OpenGL::GetCaps();
    const u8 from[3] = {caps.dxtc, caps.etc, caps.pvr};
    // The same array always; its entries follow the compressed-texture capabilities, which change
    // only when the GL context is first inspected or a test overrides them.
    if (!s_built || std::memcmp(from, s_builtFrom, sizeof from) != 0) {
        std::memcpy(s_builtFrom, from, sizeof from);
        struct Candidate {
            const char* extension;
            bool present;
        };
        const Candidate candidates[] = {
            {"dds", caps.dxtc != 0}, {"etc+", caps.etc != 0}, {"pvr+", caps.pvr != 0},
            {"etc", caps.etc != 0},  {"pvr", caps.pvr != 0},  {"png", true},
            {"jpga", true},          {"jpg", true},
        };
        int count = 0;
        for (const Candidate& candidate : candidates) {
            if (candidate.present)
                s_extensions[count++] = candidate.extension;
        }
        s_extensions[count] = nullptr;
        s_built = true;
    }
    return s_extensions;
}

NarrowString ImageLoader::FindImageFile(const NarrowString& base)
{
    for (const char* const* extension = GetExtensions(); *extension; ++extension) {
        NarrowString candidate = base + *extension;
        SmartPtr<File> file(Vfs::Open(candidate.c_str()));
        if (file)
            return candidate;
    }
    return NarrowString();
}

s32 ImageLoader::GetSizeLimit()
{
    return OpenGL::GetMaxTextureSize();
}

bool ImageLoader::IsSizeAllowed(s64 width, s64 height)
{
    const s64 limit = GetSizeLimit();
    return width >= 1 && height >= 1 && width <= limit && height <= limit;
}

Surface* ImageLoader::MakeSurface(MemPixelData* pixels)
{
    if (!pixels)
        return nullptr;
    return new Surface(pixels);
}

bool ImageLoader::ReadExactly(void* buffer, u32 count)
{
    return ReadExactly(m_stream.Get(), buffer, count);
}

bool ImageLoader::ReadExactly(SeekableStream* stream, void* buffer, u64 count)
{
    if (!stream)
        return false;
    u8* at = static_cast<u8*>(buffer);
    while (count > 0) {
        const u32 want = count > 0x40000000u ? 0x40000000u : static_cast<u32>(count);
        const s32 got = stream->Read(at, want);
        if (got <= 0 || static_cast<u32>(got) > want)
            return false;
        at += got;
        count -= static_cast<u32>(got);
    }
    return true;
}

u64 ImageLoader::Remaining(SeekableStream* stream)
{
    const u32 size = stream->GetSize(), at = stream->Tell();
    return at < size ? size - at : 0;
}

bool ImageLoader::StartsWith(SeekableStream* stream, const char* bytes, u32 count)
{
    u8 head[32];
    if (count > sizeof head)
        return false;
    return stream->Read(head, count) == static_cast<s32>(count) && std::memcmp(head, bytes, count) == 0;
}

}  // namespace Vorn
