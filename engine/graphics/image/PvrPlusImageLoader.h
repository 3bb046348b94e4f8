// PVR+: a colour image and an alpha image in one file, drawn together by the composite program.
//   "PVR+", one byte of codecs (bits 0-1 colour, bits 2-3 alpha: 0 PNG, 1 PVR, 2 ETC), then the
//   colour image's whole file, then the alpha image's whole file.
// The alpha image is an inverted mask: the drawn alpha is 1 minus its red channel.
#pragma once

#include "graphics/image/ImageLoader.h"

namespace Vorn {

class PvrPlusImageLoader final : public ImageLoader {
public:
    PvrPlusImageLoader();

    static bool CanLoad(SeekableStream* stream);

    // Skips the magic and reads the codec byte; false when it is short or names codec 3.
    bool ReadHeader() override;
    // Null when either part does not load or the two parts differ in size.
    Surface* Load() override;

    u32 GetColorCodec() const { return m_colorCodec; }
    u32 GetAlphaCodec() const { return m_alphaCodec; }

    enum Codec : u32 { CODEC_PNG = 0, CODEC_PVR = 1, CODEC_ETC = 2 };

private:
    u32 m_colorCodec;
    u32 m_alphaCodec;
};

}  // namespace Vorn
