// C565: raw 16-bit images.
//   "C565", u32 width, u32 height, then width x height PF_RGB565 words, rows top to bottom
//   without padding (little-endian throughout).
// A streaming loader: the row interface delivers width * 2 bytes per row.
#pragma once

#include "graphics/image/ImageLoader.h"

namespace Vorn {

class ImageLoader565 final : public ImageLoader {
public:
    ImageLoader565();

    static bool CanLoad(SeekableStream* stream);

    // Null when the sides exceed the texture limit or the file holds fewer pixels than they need.
    Surface* Load() override;

    // False (and on every later call) for the same reasons.
    bool ReadHeader() override;
    int Width() override { return static_cast<int>(m_width); }
    int Height() override { return static_cast<int>(m_height); }
    PixelFormat Format() override { return PF_RGB565; }
    bool ReadLine(void* row) override;

    static constexpr u32 HEADER_SIZE = 12;

private:
    u32 m_width;
    u32 m_height;
    int m_state;  // 0 not read, 1 ready, 2 failed
};

}  // namespace Vorn
