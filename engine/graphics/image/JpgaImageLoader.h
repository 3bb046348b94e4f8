// JPGA: an image whose colour and alpha come from two JPEG files, named by a small text file:
//   line 1  "JPGA 1" (the rest of the line is ignored)
//   line 2  virtual path of the colour JPEG
//   line 3  virtual path of the alpha JPEG (greyscale, same size; 255 is opaque)
// Lines end at LF; CRs are dropped. The result is PF_RGBA8888.
#pragma once

#include <memory>
#include <vector>

#include "graphics/image/ImageLoader.h"

namespace Vorn {

class JpegDecoder;

class JpgaImageLoader final : public ImageLoader {
public:
    JpgaImageLoader();
    ~JpgaImageLoader() override;

    // True when the stream starts with "JPGA 1".
    static bool CanLoad(SeekableStream* stream);

    Surface* Load() override;

    // False when either file is missing or damaged, the colour image is not three-component, the
    // alpha image not one-component, or their sizes differ.
    bool ReadHeader() override;
    int Width() override { return m_width; }
    int Height() override { return m_height; }
    PixelFormat Format() override { return PF_RGBA8888; }
    bool ReadLine(void* row) override;

    // The description is a few short lines; anything past this many bytes is ignored.
    static constexpr u32 MAX_DESCRIPTION = 4096;

private:
    int m_width;
    int m_height;
    std::unique_ptr<JpegDecoder> m_colour;
    std::unique_ptr<JpegDecoder> m_alpha;
    std::vector<u8> m_colourRow;
    std::vector<u8> m_alphaRow;
    bool m_headerRead;
    bool m_headerOk;
};

}  // namespace Vorn
