// One loader object per image format, the factory that recognises a format by the first bytes of a
// stream, and the lookup of an image file among its encodings.
#pragma once

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SeekableStream.h"
#include "base/SmartPtr.h"
#include "graphics/pixeldata/MemPixelData.h"
#include "system/Types.h"

namespace Vorn {

class Surface;

class ImageLoader : public RefCounter {
public:
    ImageLoader();
    ~ImageLoader() override;

    // Decodes the attached stream into a new surface that nobody references yet; null when the
    // stream is not a well-formed image of this format or is larger than a texture may be.
    virtual Surface* Load() = 0;

    // The row-by-row interface of the streaming loaders: the header read fixes width, height and
    // format; each row read then decodes the next row, top row first, in that format.
    // ReadHeader is called by Load, not from outside. ReadLine answers false once the image data
    // turns out to be damaged; the loader then delivers nothing more.
    virtual bool ReadHeader();
    virtual int Width();
    virtual int Height();
    virtual PixelFormat Format();
    virtual bool ReadLine(void* row);

    // The CPU pixels of the attached stream through the row interface: header, size checks, then
    // every row into a new MemPixelData. Null on any failure. Needs no GL context.
    virtual MemPixelData* ReadPixels();

    void SetStream(SeekableStream* stream) { m_stream = stream; }

    // The loader of the stream's format, probed in a fixed order from the start of the stream; a
    // new loader (no stream attached yet) or null.
    static ImageLoader* CreateLoader(SeekableStream* stream);
    static bool IsSupported(SeekableStream* stream);
    // CreateLoader, then the stream rewound and attached to the loader. The caller owns it. A
    // stream no loader takes is told it is damaged (SeekableStream::ReportDamage).
    static ImageLoader* GetLoader(SeekableStream* stream);
    // Loads the stream (the caller keeps its own reference) or the file at a virtual path into a
    // new, unreferenced surface; null when nothing could be loaded.
    static Surface* Load(SeekableStream* stream);
    static Surface* Load(const NarrowString& path);

    // Extensions (no dot) in the order an image is looked for, null-terminated: the compressed
    // formats the GPU takes first, then "png", "jpga", "jpg". Always the same array, filled on
    // the first call and again whenever the compressed-texture capabilities have changed.
    static const char* const* GetExtensions();
    // The first base + extension that opens, in the order above; empty when none does. base keeps
    // its trailing dot.
    static NarrowString FindImageFile(const NarrowString& base);

    // The largest width or height an image may have: the largest texture edge
    // (OpenGL::GetMaxTextureSize). Larger images cannot become textures, so they are refused
    // before anything is allocated for them.
    static s32 GetSizeLimit();
    // True when width and height both lie in 1 .. GetSizeLimit() (compared in 64 bits, so any
    // value a header field can hold is judged correctly).
    static bool IsSizeAllowed(s64 width, s64 height);

    // Reads exactly count bytes from a stream; false when fewer arrived.
    static bool ReadExactly(SeekableStream* stream, void* buffer, u64 count);
    // Bytes from the stream's position to its end.
    static u64 Remaining(SeekableStream* stream);

protected:
    // A new surface over pixels, or null when pixels is null: the end of every streaming Load.
    static Surface* MakeSurface(MemPixelData* pixels);
    // Reads exactly count bytes from the stream; false when fewer arrived.
    bool ReadExactly(void* buffer, u32 count);
    // The header of a probe: true when count bytes arrived and match bytes.
    static bool StartsWith(SeekableStream* stream, const char* bytes, u32 count);

    SmartPtr<SeekableStream> m_stream;
};

}  // namespace Vorn
