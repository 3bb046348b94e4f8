// An image the art builder draws: a cairo image surface, either colour with alpha (ARGB32,
// premultiplied, as cairo keeps it) or a coverage mask (A8) for the pictures the game tints with
// its ink colour (lines, glyphs, guides, bars). Masks are written as 8-bit grey PNG files, which the
// engine loads as alpha-only textures; colour canvases as RGB when opaque, else RGBA.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace DataBuild {

// A colour with straight alpha, each channel 0..1.
struct Colour {
    double r = 0, g = 0, b = 0, a = 1;

    static Colour Rgb(unsigned rgb, double alpha = 1.0);
    Colour WithAlpha(double alpha) const { return {r, g, b, alpha}; }
    // Linear blend: t = 0 gives this, t = 1 gives other.
    Colour Mix(const Colour& other, double t) const;
    // Multiplies r, g and b by f (lighter above 1), clamped to 0..1.
    Colour Scaled(double f) const;
};

// Straight 8-bit RGBA of one pixel.
struct Pixel {
    uint8_t r = 0, g = 0, b = 0, a = 0;
};

class Canvas {
public:
    enum Format { COLOUR, MASK };

    Canvas() = default;
    // A transparent canvas; width and height at least 1.
    Canvas(int width, int height, Format format);
    ~Canvas();
    Canvas(Canvas&& other) noexcept;
    Canvas& operator=(Canvas&& other) noexcept;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool IsValid() const { return m_surface != nullptr; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    Format GetFormat() const { return m_format; }
    cairo_surface_t* Surface() const { return m_surface; }

    // Direct pixel access. Call Flush before reading or writing pixels after cairo drew, and
    // MarkDirty after writing them before cairo draws again.
    void Flush();
    void MarkDirty();
    uint8_t* Row(int y);
    const uint8_t* Row(int y) const;
    int Stride() const { return m_stride; }

    // Straight RGBA of a pixel (for masks r = g = b = 255 and a the coverage); transparent
    // outside the canvas.
    Pixel Get(int x, int y) const;
    // Sets a pixel from straight RGBA (masks keep only a).
    void Set(int x, int y, const Colour& colour);

    // Copies source onto this canvas with its top-left at (x, y), replacing what lay there.
    // Both canvases must have the same format.
    void Put(const Canvas& source, int x, int y);
    // A new canvas holding the rectangle (x, y, w, h) of this one (outside parts transparent).
    Canvas Crop(int x, int y, int w, int h) const;
    // A colour copy of a mask: white with the mask as alpha.
    Canvas ToColour() const;

    // True when every pixel is opaque.
    bool IsOpaque() const;

private:
    void Release();

    cairo_surface_t* m_surface = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_stride = 0;
    Format m_format = COLOUR;
};

// A drawing context on a canvas, destroyed with the object.
class Painter {
public:
    explicit Painter(Canvas& canvas);
    ~Painter();
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    cairo_t* operator*() const { return m_cr; }
    operator cairo_t*() const { return m_cr; }

    void SetColour(const Colour& colour);

private:
    cairo_t* m_cr;
};

// PNG bytes of a canvas: 8-bit grey for a mask, RGB for an opaque colour canvas, RGBA otherwise.
// No time stamp or other varying chunk: equal canvases give equal bytes.
bool EncodePng(const Canvas& canvas, std::vector<uint8_t>& out, std::string& error);

// Reads PNG bytes (as EncodePng writes them, or any 8-bit grey, RGB or RGBA file) into a canvas:
// grey without transparency becomes a mask, everything else colour.
bool DecodePng(const std::vector<uint8_t>& bytes, Canvas& canvas, std::string& error);

} // namespace DataBuild
