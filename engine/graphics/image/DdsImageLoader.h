// DDS files of S3TC blocks: the FourCCs "DXT1" and "DXT5", or "DX10" with a DXGI format of the
// BC1 (70-72) or BC3 (76-78) family. Only the top image is read; the blocks stay compressed on a
// GPU with S3TC and are decoded otherwise.
#pragma once

#include "graphics/image/ImageLoader.h"

namespace Vorn {

class DdsImageLoader final : public ImageLoader {
public:
    DdsImageLoader();

    // True when the stream starts with "DDS ".
    static bool CanLoad(SeekableStream* stream);

    // Null for other FourCCs and DXGI formats, sizes beyond the texture limit and truncated files.
    Surface* Load() override;

    static constexpr u32 HEADER_SIZE = 128;
    static constexpr u32 DX10_HEADER_SIZE = 20;

private:
    // Reads the header from the stream's start; false when it is short or names no format.
    bool ReadDdsHeader();

    u32 m_width;
    u32 m_height;
    PixelFormat m_format;
    u32 m_dataSize;
};

}  // namespace Vorn
