#include "support/ImageEncode.h"

#include <png.h>

#include <cstdio>

#include <jpeglib.h>

#include <stdexcept>

namespace VornTest {

namespace {

void WriteToVector(png_structp png, png_bytep data, size_t length)
{
    auto* out = static_cast<std::vector<Vorn::u8>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void FlushNothing(png_structp)
{
}

}  // namespace

std::vector<Vorn::u8> EncodePng(const PngParams& params)
{
    std::vector<Vorn::u8> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("png encoding failed");
    }
    png_set_write_fn(png, &out, &WriteToVector, &FlushNothing);
    png_set_IHDR(png, info, params.width, params.height, params.bitDepth, params.colorType,
                 params.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (size_t i = 0; i + 2 < params.palette.size(); i += 3)
        palette.push_back(png_color{params.palette[i], params.palette[i + 1], params.palette[i + 2]});
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (params.withTransparency) {
        if (params.colorType == PNG_COLOR_TYPE_PALETTE) {
            png_set_tRNS(png, info, params.transparency.data(), static_cast<int>(params.transparency.size()), nullptr);
        } else {
            png_color_16 key = {};
            if (params.colorType == PNG_COLOR_TYPE_GRAY) {
                key.gray = params.transparency.empty() ? 0 : params.transparency[0];
            } else if (params.transparency.size() >= 3) {
                key.red = params.transparency[0];
                key.green = params.transparency[1];
                key.blue = params.transparency[2];
            }
            png_set_tRNS(png, info, nullptr, 0, &key);
        }
    }
    png_write_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    std::vector<png_bytep> rows(params.height);
    for (int y = 0; y < params.height; ++y)
        rows[y] = const_cast<png_bytep>(params.rows.data() + y * rowBytes);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<Vorn::u8> EncodePngRgb(int width, int height, const std::vector<Vorn::u8>& pixels, bool hasAlpha)
{
    PngParams params;
    params.width = width;
    params.height = height;
    params.colorType = hasAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    params.rows = pixels;
    return EncodePng(params);
}

std::vector<Vorn::u8> EncodeJpeg(const JpegParams& params)
{
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = params.width;
    info.image_height = params.height;
    int components = 3;
    switch (params.color) {
    case JpegColor::GREY:
        components = 1;
        info.in_color_space = JCS_GRAYSCALE;
        break;
    case JpegColor::YCBCR:
        info.in_color_space = JCS_RGB;
        break;
    case JpegColor::CMYK:
    case JpegColor::YCCK:
        components = 4;
        info.in_color_space = JCS_CMYK;
        break;
    }
    info.input_components = components;
    jpeg_set_defaults(&info);
    if (params.color == JpegColor::YCCK)
        jpeg_set_colorspace(&info, JCS_YCCK);
    info.write_JFIF_header = TRUE;
    jpeg_set_quality(&info, params.quality, TRUE);
    if (params.progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const size_t rowBytes = static_cast<size_t>(params.width) * components;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(params.pixels.data() + info.next_scanline * rowBytes);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<Vorn::u8> out(buffer, buffer + size);
    free(buffer);
    return out;
}

}  // namespace VornTest
