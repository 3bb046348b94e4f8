// JFIF JPEG images through libjpeg, decoded from the whole file in memory.
#pragma once

#include <memory>

#include "graphics/image/ImageLoader.h"

namespace Vorn {

class JpegDecoder;

class JpegImageLoader final : public ImageLoader {
public:
    JpegImageLoader();
    ~JpegImageLoader() override;

    // True only for FF D8 FF E0: start of image followed by the JFIF marker.
    static bool CanLoad(SeekableStream* stream);

    Surface* Load() override;

    // Greyscale images become PF_A8, colour images PF_RGB888.
    bool ReadHeader() override;
    int Width() override { return m_width; }
    int Height() override { return m_height; }
    PixelFormat Format() override { return m_format; }
    bool ReadLine(void* row) override;

private:
    int m_width;
    int m_height;
    PixelFormat m_format;
    std::unique_ptr<JpegDecoder> m_decoder;
    bool m_headerRead;
    bool m_headerOk;
};

}  // namespace Vorn
