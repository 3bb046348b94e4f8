// Writers of test images: PNG and JPEG files made in memory with libpng and libjpeg, so that the
// loaders' tests need no binary files.
#pragma once

#include <vector>

#include "system/Types.h"

namespace VornTest {

struct PngParams {
    int width = 1;
    int height = 1;
    int colorType = 2;  // PNG colour type: 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    int bitDepth = 8;
    bool interlaced = false;
    // Rows as PNG stores them (packed samples, 16-bit samples big-endian), height x row bytes.
    std::vector<Vorn::u8> rows;
    std::vector<Vorn::u8> palette;  // R, G, B triples
    std::vector<Vorn::u8> transparency;  // tRNS: palette alphas, or a grey/RGB key as 16-bit values
    bool withTransparency = false;
};

std::vector<Vorn::u8> EncodePng(const PngParams& params);

// An RGB PNG of 8-bit samples from R, G, B, (A) bytes per pixel (alpha when hasAlpha).
std::vector<Vorn::u8> EncodePngRgb(int width, int height, const std::vector<Vorn::u8>& pixels, bool hasAlpha);

enum class JpegColor { GREY, YCBCR, CMYK, YCCK };

struct JpegParams {
    int width = 1;
    int height = 1;
    JpegColor color = JpegColor::YCBCR;
    // Input samples: 1 byte per pixel for GREY, R, G, B for YCBCR, C, M, Y, K for CMYK and YCCK.
    std::vector<Vorn::u8> pixels;
    int quality = 95;
    bool progressive = false;
};

// Always starts with FF D8 FF E0 (a JFIF marker is written for every colour space).
std::vector<Vorn::u8> EncodeJpeg(const JpegParams& params);

}  // namespace VornTest
