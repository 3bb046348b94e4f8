// PVR containers, versions 2 and 3, of PVRTC images at 2 and 4 bits per pixel. Only the top image
// is read (further mipmap levels are stepped over); the words stay compressed on a GPU with PVRTC
// and are decoded otherwise. PVRTC images have power-of-two sides.
#pragma once

#include "graphics/image/ImageLoader.h"

namespace Vorn {

// The fields of a PVR header that the PVRTC and ETC1 loaders use, read from the stream's
// position (a PVR+ file holds a PVR file further in).
struct PvrHeader {
    static constexpr u32 SIZE = 52;
    static constexpr u32 VERSION2 = 52;           // version 2 starts with its header length
    static constexpr u32 VERSION3 = 0x03525650;   // "PVR" 3
    static constexpr u32 VERSION3_SWAPPED = 0x50565203;

    u32 version = 0;   // VERSION2 or VERSION3
    u32 width = 0;
    u32 height = 0;
    u32 pixelType = 0;     // version 2: low byte of the flags
    bool alpha = false;    // version 2: the flags' alpha bit
    u32 dataSize = 0;      // version 2
    u32 bitsPerPixel = 0;  // version 2
    u64 pixelFormat = 0;   // version 3
    u32 metadataSize = 0;  // version 3

    // Reads the header (and for version 3 steps over the metadata). False when it is short, of
    // another version or byte order, or its metadata passes the end of the stream.
    bool Read(SeekableStream* stream);
    // The probe's test: the header's kind accepted by accept (given the version 2 pixel type or
    // the version 3 pixel format). The stream is left anywhere.
    static bool Probe(SeekableStream* stream, bool (*accept)(u32 version, u64 kind), bool acceptSwapped);
    // The bytes of image data after a header just read, into dataSize: for version 2 the header's
    // data size (every mipmap level, the top image first), for version 3 the top image of a
    // width x height image in format. False when a version 2 data size is smaller than the top
    // image or the data passes the end of the stream.
    bool ReadDataSize(SeekableStream* stream, PixelFormat format, u32* dataSize) const;
    // The top image of width x height in format at the stream's position as a new surface (see
    // CompressedImage::Load), the stream then past all dataSize bytes of the image data, to
    // whatever follows the file (the alpha image of a PVR+).
    static Surface* LoadData(SeekableStream* stream, PixelFormat format, u32 width, u32 height, u32 dataSize, bool gpu);
};

class PvrImageLoader final : public ImageLoader {
public:
    PvrImageLoader();

    // PVRTC in a version 2 header (pixel types 12, 13, 24, 25), in a version 3 header (pixel
    // formats 0 to 3), or a version 3 file of the other byte order, which Load refuses.
    static bool CanLoad(SeekableStream* stream);

    Surface* Load() override;

    // Reads the header at the stream's position: false for unreadable headers, bit counts other
    // than 2 and 4, version 3 formats above 3, sides that are not powers of two or beyond the
    // texture limit, and a version 2 data size smaller than the top image.
    bool ReadPvrHeader();
    PixelFormat GetPixelFormat() const { return m_format; }
    int GetBitsPerPixel() const;

    // Decodes one top image of this loader's size and format (source of
    // CompressedDataSize bytes) into PF_RGBA8888 rows of width * 4 bytes. False
    // before a header was read.
    bool Decompress(const void* source, void* destination) const;

private:
    u32 m_width;
    u32 m_height;
    PixelFormat m_format;
    u32 m_dataSize;
};

}  // namespace Vorn
