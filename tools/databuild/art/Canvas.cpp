#include "art/Canvas.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <utility>

namespace DataBuild {

namespace {

uint8_t ToByte(double v)
{
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

// ARGB32 holds premultiplied channels in one native-endian word.
uint32_t PackPremultiplied(const Colour& c)
{
    const double a = std::clamp(c.a, 0.0, 1.0);
    const uint32_t ab = ToByte(a);
    const uint32_t rb = ToByte(c.r * a), gb = ToByte(c.g * a), bb = ToByte(c.b * a);
    return (ab << 24) | (rb << 16) | (gb << 8) | bb;
}

Pixel Unpremultiply(uint32_t word)
{
    Pixel p;
    p.a = static_cast<uint8_t>(word >> 24);
    if (p.a == 0)
        return p;
    auto channel = [&](int shift) {
        const uint32_t v = (word >> shift) & 0xFF;
        return static_cast<uint8_t>(std::min<uint32_t>(255, (v * 255 + p.a / 2) / p.a));
    };
    p.r = channel(16);
    p.g = channel(8);
    p.b = channel(0);
    return p;
}

struct PngSink {
    std::vector<uint8_t>* out;
};

void WriteToVector(png_structp png, png_bytep data, png_size_t length)
{
    PngSink* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    sink->out->insert(sink->out->end(), data, data + length);
}

void FlushNothing(png_structp) {}

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t used;
};

void ReadFromVector(png_structp png, png_bytep data, png_size_t length)
{
    PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > source->size - source->used)
        png_error(png, "truncated");
    std::memcpy(data, source->data + source->used, length);
    source->used += length;
}

// The libpng calls that may fail, each behind its own return point. No object with a destructor
// lives in these frames, so the long jump of an error skips nothing.
bool GuardedWrite(png_structp png, png_infop info, int width, int height, int colourType,
                  png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

bool GuardedReadHeader(png_structp png, png_infop info, png_uint_32* width, png_uint_32* height,
                       int* colourType, int* bitDepth)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    int interlace = 0;
    png_get_IHDR(png, info, width, height, bitDepth, colourType, &interlace, nullptr, nullptr);
    return true;
}

bool GuardedReadImage(png_structp png, png_infop info, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

} // namespace

Colour Colour::Rgb(unsigned rgb, double alpha)
{
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha};
}

Colour Colour::Mix(const Colour& other, double t) const
{
    return {r + (other.r - r) * t, g + (other.g - g) * t, b + (other.b - b) * t,
            a + (other.a - a) * t};
}

Colour Colour::Scaled(double f) const
{
    return {std::clamp(r * f, 0.0, 1.0), std::clamp(g * f, 0.0, 1.0), std::clamp(b * f, 0.0, 1.0),
            a};
}

Canvas::Canvas(int width, int height, Format format)
    : m_width(std::max(1, width)), m_height(std::max(1, height)), m_format(format)
{
    m_surface = cairo_image_surface_create(format == MASK ? CAIRO_FORMAT_A8 : CAIRO_FORMAT_ARGB32,
                                           m_width, m_height);
    if (cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(m_surface);
        m_surface = nullptr;
        m_width = m_height = 0;
        return;
    }
    m_stride = cairo_image_surface_get_stride(m_surface);
    // A new image surface is cleared already; nothing else to do.
}

Canvas::~Canvas()
{
    Release();
}

Canvas::Canvas(Canvas&& other) noexcept
{
    *this = std::move(other);
}

Canvas& Canvas::operator=(Canvas&& other) noexcept
{
    if (this != &other) {
        Release();
        m_surface = std::exchange(other.m_surface, nullptr);
        m_width = std::exchange(other.m_width, 0);
        m_height = std::exchange(other.m_height, 0);
        m_stride = std::exchange(other.m_stride, 0);
        m_format = other.m_format;
    }
    return *this;
}

void Canvas::Release()
{
    if (m_surface)
        cairo_surface_destroy(m_surface);
    m_surface = nullptr;
}

void Canvas::Flush()
{
    if (m_surface)
        cairo_surface_flush(m_surface);
}

void Canvas::MarkDirty()
{
    if (m_surface)
        cairo_surface_mark_dirty(m_surface);
}

uint8_t* Canvas::Row(int y)
{
    return cairo_image_surface_get_data(m_surface) + static_cast<size_t>(y) * m_stride;
}

const uint8_t* Canvas::Row(int y) const
{
    return cairo_image_surface_get_data(m_surface) + static_cast<size_t>(y) * m_stride;
}

Pixel Canvas::Get(int x, int y) const
{
    if (!m_surface || x < 0 || y < 0 || x >= m_width || y >= m_height)
        return Pixel();
    if (m_format == MASK) {
        Pixel p;
        p.r = p.g = p.b = 255;
        p.a = Row(y)[x];
        return p;
    }
    uint32_t word;
    std::memcpy(&word, Row(y) + 4 * x, 4);
    return Unpremultiply(word);
}

void Canvas::Set(int x, int y, const Colour& colour)
{
    if (!m_surface || x < 0 || y < 0 || x >= m_width || y >= m_height)
        return;
    if (m_format == MASK) {
        Row(y)[x] = ToByte(colour.a);
        return;
    }
    const uint32_t word = PackPremultiplied(colour);
    std::memcpy(Row(y) + 4 * x, &word, 4);
}

void Canvas::Put(const Canvas& source, int x, int y)
{
    if (!m_surface || !source.m_surface || source.m_format != m_format)
        return;
    const int bytes = m_format == MASK ? 1 : 4;
    Flush();
    for (int sy = 0; sy < source.m_height; ++sy) {
        const int ty = y + sy;
        if (ty < 0 || ty >= m_height)
            continue;
        const int x0 = std::max(0, -x), x1 = std::min(source.m_width, m_width - x);
        if (x1 <= x0)
            continue;
        std::memcpy(Row(ty) + (x + x0) * bytes, source.Row(sy) + x0 * bytes,
                    static_cast<size_t>(x1 - x0) * bytes);
    }
    MarkDirty();
}

Canvas Canvas::Crop(int x, int y, int w, int h) const
{
    Canvas out(w, h, m_format);
    if (out.IsValid() && m_surface)
        out.Put(*this, -x, -y);
    return out;
}

Canvas Canvas::ToColour() const
{
    if (m_format == COLOUR) {
        Canvas out(m_width, m_height, COLOUR);
        out.Put(*this, 0, 0);
        return out;
    }
    Canvas out(m_width, m_height, COLOUR);
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x)
            out.Set(x, y, Colour{1, 1, 1, Row(y)[x] / 255.0});
    out.MarkDirty();
    return out;
}

bool Canvas::IsOpaque() const
{
    if (!m_surface)
        return false;
    for (int y = 0; y < m_height; ++y) {
        const uint8_t* row = Row(y);
        for (int x = 0; x < m_width; ++x) {
            if (m_format == MASK) {
                if (row[x] != 255)
                    return false;
                continue;
            }
            uint32_t word;
            std::memcpy(&word, row + 4 * x, 4);
            if ((word >> 24) != 255)
                return false;
        }
    }
    return true;
}

Painter::Painter(Canvas& canvas) : m_cr(cairo_create(canvas.Surface()))
{
}

Painter::~Painter()
{
    cairo_destroy(m_cr);
}

void Painter::SetColour(const Colour& colour)
{
    cairo_set_source_rgba(m_cr, colour.r, colour.g, colour.b, colour.a);
}

bool EncodePng(const Canvas& canvas, std::vector<uint8_t>& out, std::string& error)
{
    out.clear();
    if (!canvas.IsValid()) {
        error = "empty image";
        return false;
    }
    const int width = canvas.Width(), height = canvas.Height();
    int colourType = PNG_COLOR_TYPE_GRAY;
    int channels = 1;
    if (canvas.GetFormat() == Canvas::COLOUR) {
        const bool opaque = canvas.IsOpaque();
        colourType = opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA;
        channels = opaque ? 3 : 4;
    }
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * channels);
    std::vector<png_bytep> rows(height);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = pixels.data() + static_cast<size_t>(y) * width * channels;
        rows[y] = row;
        if (channels == 1) {
            std::memcpy(row, canvas.Row(y), width);
            continue;
        }
        for (int x = 0; x < width; ++x) {
            const Pixel p = canvas.Get(x, y);
            row[x * channels + 0] = p.r;
            row[x * channels + 1] = p.g;
            row[x * channels + 2] = p.b;
            if (channels == 4)
                row[x * channels + 3] = p.a;
        }
    }

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        error = "libpng cannot start";
        return false;
    }
    PngSink sink{&out};
    png_set_write_fn(png, &sink, &WriteToVector, &FlushNothing);
    const bool written = GuardedWrite(png, info, width, height, colourType, rows.data());
    png_destroy_write_struct(&png, &info);
    if (!written) {
        out.clear();
        error = "libpng failed to write";
    }
    return written;
}

bool DecodePng(const std::vector<uint8_t>& bytes, Canvas& canvas, std::string& error)
{
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) {
        error = "not a PNG file";
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        error = "libpng cannot start";
        return false;
    }
    PngSource source{bytes.data(), bytes.size(), 0};
    png_set_read_fn(png, &source, &ReadFromVector);
    png_uint_32 width = 0, height = 0;
    int colourType = 0, bitDepth = 0;
    bool ok = GuardedReadHeader(png, info, &width, &height, &colourType, &bitDepth);
    const bool supported = colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_RGB ||
                           colourType == PNG_COLOR_TYPE_RGBA;
    // Refuses what this reader never meets and sizes nobody draws, before allocating for them.
    if (ok && (!supported || bitDepth != 8 || width == 0 || height == 0 || width > 16384 ||
               height > 16384 || png_get_valid(png, info, PNG_INFO_tRNS))) {
        ok = false;
        error = "unsupported PNG layout";
    }
    std::vector<uint8_t> pixels;
    int channels = colourType == PNG_COLOR_TYPE_GRAY ? 1 : colourType == PNG_COLOR_TYPE_RGB ? 3 : 4;
    if (ok) {
        pixels.resize(static_cast<size_t>(width) * height * channels);
        std::vector<png_bytep> rows(height);
        for (png_uint_32 y = 0; y < height; ++y)
            rows[y] = pixels.data() + static_cast<size_t>(y) * width * channels;
        ok = GuardedReadImage(png, info, rows.data());
        if (!ok)
            error = "damaged PNG data";
    } else if (error.empty()) {
        error = "damaged PNG header";
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok)
        return false;

    Canvas result(static_cast<int>(width), static_cast<int>(height),
                  channels == 1 ? Canvas::MASK : Canvas::COLOUR);
    if (!result.IsValid()) {
        error = "out of memory";
        return false;
    }
    for (png_uint_32 y = 0; y < height; ++y) {
        const uint8_t* row = pixels.data() + static_cast<size_t>(y) * width * channels;
        for (png_uint_32 x = 0; x < width; ++x) {
            const uint8_t* p = row + x * channels;
            if (channels == 1)
                result.Row(static_cast<int>(y))[x] = p[0];
            else
                result.Set(static_cast<int>(x), static_cast<int>(y),
                           Colour{p[0] / 255.0, p[1] / 255.0, p[2] / 255.0,
                                  channels == 4 ? p[3] / 255.0 : 1.0});
        }
    }
    result.MarkDirty();
    canvas = std::move(result);
    return true;
}

} // namespace DataBuild
