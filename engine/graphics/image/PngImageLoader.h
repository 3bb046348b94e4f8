// PNG images through libpng, decoded row by row straight into the pixel rows.
#pragma once

#include <string>

#include "graphics/image/ImageLoader.h"

struct png_struct_def;
struct png_info_def;

namespace Vorn {

class PngImageLoader final : public ImageLoader {
public:
    static constexpr size_t FAILURE_SIZE = 128;

    PngImageLoader();
    // Reads the rest of the PNG up to its end chunk (so a stream that embeds the PNG stands right
    // after it), then frees libpng's state.
    ~PngImageLoader() override;

    // True when the stream starts with the first four bytes of the PNG signature.
    static bool CanLoad(SeekableStream* stream);

    // Checks a PNG held whole in memory by its chunks: after the signature, each chunk up to and
    // including IEND (or the end of the data) must lie inside the data with a CRC that matches
    // and a type of four letters, the header chunk first, none a copy of the one before it; a
    // PNG's chunks must keep PNG's order (the colour chunks before the palette, the palette's own
    // after it, these before the image data, whose chunks follow one another), a palette image
    // must have its palette, and the image data must inflate to its end with the last IDAT chunk
    // (inflated into a buffer thrown away, as far as 64 times the data's size). What follows IEND
    // is not looked at (libpng never reads it). Data that does not start with the signature is
    // still judged a PNG, with a damaged start, when it carries the marks of one: a signature half
    // there or wiped, an intact chunk right after it, or the end chunk before any whole PNG the
    // data holds (an icon's or an archive's); other data (HDF5's among it, with a signature of the
    // same kind) holds no PNG and passes. MNG and JNG are walked the same way, behind their own
    // signatures and header chunks. On failure, why says what is wrong. For a raw copy that stands
    // in for a decode: damage of any size up to IEND fails, though chunks lost or reordered that
    // leave a valid PNG (a text chunk, say) pass. Linear in size, on any data.
    static bool CheckChunks(const u8* data, size_t size, std::string& why);

    // The stricter check for a PNG known to be one and whole (as the data builder writes them):
    // the exact signature, IHDR first, and every chunk intact up to IEND.
    static bool CheckWhole(const u8* data, size_t size, std::string& why);

    Surface* Load() override;

    // Grey images become PF_A8 (the grey level is the alpha), RGB and palette images PF_RGB888,
    // anything with alpha or a transparency chunk PF_RGBA8888; 16-bit channels are cut to 8.
    // Every chunk's CRC is checked. What libpng refuses (a CRC that does not match, a malformed
    // stream) is told to the stream as damage, with libpng's message.
    bool ReadHeader() override;
    int Width() override { return static_cast<int>(m_width); }
    int Height() override { return static_cast<int>(m_height); }
    PixelFormat Format() override { return m_format; }
    // Not available for interlaced images, whose rows are complete only after the last pass:
    // ReadPixels decodes those whole.
    bool ReadLine(void* row) override;
    MemPixelData* ReadPixels() override;

private:
    enum State { STATE_NEW, STATE_READY, STATE_FAILED };

    // Tells the stream that libpng refused it, and why.
    void ReportFailure();

    u32 m_width;
    u32 m_height;
    PixelFormat m_format;
    png_struct_def* m_png;
    png_info_def* m_info;
    State m_state;
    bool m_interlaced;
    u32 m_rowsRead;
    char m_failure[FAILURE_SIZE]; // libpng's last error message
};

}  // namespace Vorn
