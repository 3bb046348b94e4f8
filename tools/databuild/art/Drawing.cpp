#include "art/Drawing.h"

#include "art/FontSheet.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace DataBuild {

namespace {

std::string s_fontFolder = "/usr/share/fonts/truetype/dejavu/";

double RectDistance(double x, double y, double x0, double y0, double x1, double y1)
{
    const double dx = std::max({x0 - x, 0.0, x - x1});
    const double dy = std::max({y0 - y, 0.0, y - y1});
    return std::hypot(dx, dy);
}

// Signed distance to a rounded rectangle, negative inside.
double RoundedRectSdf(double x, double y, double x0, double y0, double x1, double y1, double r)
{
    const double cx = (x0 + x1) * 0.5, cy = (y0 + y1) * 0.5;
    const double hx = (x1 - x0) * 0.5 - r, hy = (y1 - y0) * 0.5 - r;
    const double qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - r;
}

struct OutlineSink {
    cairo_t* cr;
    double x, y, scale, slant;
    double lastX, lastY;

    void Point(const FT_Vector* v, double& px, double& py) const
    {
        px = x + (v->x + slant * v->y) * scale;
        py = y - v->y * scale;
    }
};

int MoveTo(const FT_Vector* to, void* user)
{
    OutlineSink* sink = static_cast<OutlineSink*>(user);
    double px, py;
    sink->Point(to, px, py);
    cairo_close_path(sink->cr);
    cairo_move_to(sink->cr, px, py);
    sink->lastX = px;
    sink->lastY = py;
    return 0;
}

int LineTo(const FT_Vector* to, void* user)
{
    OutlineSink* sink = static_cast<OutlineSink*>(user);
    double px, py;
    sink->Point(to, px, py);
    cairo_line_to(sink->cr, px, py);
    sink->lastX = px;
    sink->lastY = py;
    return 0;
}

int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user)
{
    OutlineSink* sink = static_cast<OutlineSink*>(user);
    double cx, cy, px, py;
    sink->Point(control, cx, cy);
    sink->Point(to, px, py);
    // The quadratic curve as the cubic with control points two thirds of the way to its control.
    cairo_curve_to(sink->cr, sink->lastX + 2.0 / 3.0 * (cx - sink->lastX),
                   sink->lastY + 2.0 / 3.0 * (cy - sink->lastY), px + 2.0 / 3.0 * (cx - px),
                   py + 2.0 / 3.0 * (cy - py), px, py);
    sink->lastX = px;
    sink->lastY = py;
    return 0;
}

int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user)
{
    OutlineSink* sink = static_cast<OutlineSink*>(user);
    double ax, ay, bx, by, px, py;
    sink->Point(c1, ax, ay);
    sink->Point(c2, bx, by);
    sink->Point(to, px, py);
    cairo_curve_to(sink->cr, ax, ay, bx, by, px, py);
    sink->lastX = px;
    sink->lastY = py;
    return 0;
}

// Lays out or draws a text; cr may be null to measure only.
double SetText(cairo_t* cr, const std::string& fontFile, double size, const std::string& text,
               double x, double y, double slant, double tracking)
{
    std::vector<uint32_t> codes;
    // Decoded in order (DecodeCharacters sorts, so decode by hand here).
    for (size_t i = 0; i < text.size();) {
        std::vector<uint32_t> one;
        size_t length = 1;
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        if (lead >= 0xF0)
            length = 4;
        else if (lead >= 0xE0)
            length = 3;
        else if (lead >= 0xC0)
            length = 2;
        if (!DecodeCharacters(text.substr(i, length), one) || one.size() != 1)
            return -1;
        codes.push_back(one[0]);
        i += length;
    }
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0)
        return -1;
    FT_Face face;
    if (FT_New_Face(library, fontFile.c_str(), 0, &face) != 0) {
        FT_Done_FreeType(library);
        return -1;
    }
    const double scale = size / face->units_per_EM;
    OutlineSink sink{cr, x, y, scale, slant, x, y};
    FT_Outline_Funcs funcs = {&MoveTo, &LineTo, &ConicTo, &CubicTo, 0, 0};
    FT_UInt previous = 0;
    double pen = x;
    for (uint32_t code : codes) {
        const FT_UInt index = FT_Get_Char_Index(face, code);
        if (previous && index && FT_HAS_KERNING(face)) {
            FT_Vector kern;
            if (FT_Get_Kerning(face, previous, index, FT_KERNING_UNSCALED, &kern) == 0)
                pen += kern.x * scale;
        }
        if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) == 0) {
            if (cr && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
                sink.x = pen;
                FT_Outline_Decompose(&face->glyph->outline, &funcs, &sink);
                cairo_close_path(cr);
            }
            pen += face->glyph->advance.x * scale + tracking;
        }
        previous = index;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return pen - x - (codes.empty() ? 0 : tracking);
}

// One box pass along rows (horizontal) or columns over premultiplied channels.
void BoxPass(std::vector<float>& data, int width, int height, int channels, int radius,
             bool horizontal)
{
    const int length = horizontal ? width : height;
    const int lines = horizontal ? height : width;
    std::vector<float> line(static_cast<size_t>(length) * channels);
    for (int l = 0; l < lines; ++l) {
        auto at = [&](int i, int c) -> float& {
            const size_t index = horizontal ? (static_cast<size_t>(l) * width + i)
                                            : (static_cast<size_t>(i) * width + l);
            return data[index * channels + c];
        };
        for (int c = 0; c < channels; ++c) {
            double sum = 0;
            for (int i = -radius; i <= radius; ++i)
                sum += at(std::clamp(i, 0, length - 1), c);
            for (int i = 0; i < length; ++i) {
                line[static_cast<size_t>(i) * channels + c] = static_cast<float>(sum / (2 * radius + 1));
                sum += at(std::min(i + radius + 1, length - 1), c);
                sum -= at(std::max(i - radius, 0), c);
            }
        }
        for (int i = 0; i < length; ++i)
            for (int c = 0; c < channels; ++c)
                at(i, c) = line[static_cast<size_t>(i) * channels + c];
    }
}

} // namespace

void ShadePixels(Canvas& canvas, const std::function<Colour(double x, double y)>& shade)
{
    canvas.Flush();
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            canvas.Set(x, y, shade(x + 0.5, y + 0.5));
    canvas.MarkDirty();
}

void Blur(Canvas& canvas, double radius)
{
    if (radius < 0.5 || !canvas.IsValid())
        return;
    const int width = canvas.Width(), height = canvas.Height();
    const int channels = canvas.GetFormat() == Canvas::MASK ? 1 : 4;
    canvas.Flush();
    std::vector<float> data(static_cast<size_t>(width) * height * channels);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = canvas.Row(y);
        for (int x = 0; x < width * channels; ++x)
            data[static_cast<size_t>(y) * width * channels + x] = row[x];
    }
    // Three box passes of this radius approach a Gaussian of about the requested deviation.
    const int box = std::max(1, static_cast<int>(std::lround(radius * 0.85)));
    for (int pass = 0; pass < 3; ++pass) {
        BoxPass(data, width, height, channels, box, true);
        BoxPass(data, width, height, channels, box, false);
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* row = canvas.Row(y);
        for (int x = 0; x < width * channels; ++x)
            row[x] = static_cast<uint8_t>(std::clamp(
                std::lround(data[static_cast<size_t>(y) * width * channels + x]), 0L, 255L));
    }
    canvas.MarkDirty();
}

void Composite(Canvas& target, const Canvas& source, int x, int y, const Colour& tint,
               double opacity)
{
    CompositePart(target, source, x, y, 0, 0, source.Width(), source.Height(), 1.0, tint, opacity);
}

void CompositePart(Canvas& target, const Canvas& source, int x, int y, int sx, int sy, int sw,
                   int sh, double scale, const Colour& tint, double opacity)
{
    if (!target.IsValid() || !source.IsValid() || scale <= 0 || target.GetFormat() != Canvas::COLOUR)
        return;
    const int dw = static_cast<int>(sw * scale), dh = static_cast<int>(sh * scale);
    target.Flush();
    for (int dy = 0; dy < dh; ++dy) {
        const int ty = y + dy;
        if (ty < 0 || ty >= target.Height())
            continue;
        const int py = sy + std::min(sh - 1, static_cast<int>((dy + 0.5) / scale));
        for (int dx = 0; dx < dw; ++dx) {
            const int tx = x + dx;
            if (tx < 0 || tx >= target.Width())
                continue;
            const int px = sx + std::min(sw - 1, static_cast<int>((dx + 0.5) / scale));
            const Pixel s = source.Get(px, py);
            const double a = s.a / 255.0 * opacity * tint.a;
            if (a <= 0)
                continue;
            const Pixel d = target.Get(tx, ty);
            const double da = d.a / 255.0;
            const double outA = a + da * (1 - a);
            auto channel = [&](uint8_t sc, double t, uint8_t dc) {
                const double src = sc / 255.0 * t;
                return (src * a + dc / 255.0 * da * (1 - a)) / outA;
            };
            target.Set(tx, ty, Colour{channel(s.r, tint.r, d.r), channel(s.g, tint.g, d.g),
                                      channel(s.b, tint.b, d.b), outA});
        }
    }
    target.MarkDirty();
}

CellShape::CellShape(int mask, int columns, int rows, double width, double height)
    : m_mask(mask), m_columns(std::clamp(columns, 1, 4)), m_rows(std::clamp(rows, 1, 4)),
      m_cellWidth(width / std::clamp(columns, 1, 4)), m_cellHeight(height / std::clamp(rows, 1, 4))
{
}

bool CellShape::Has(int column, int row) const
{
    if (column < 0 || row < 0 || column >= m_columns || row >= m_rows)
        return false;
    return (m_mask >> (column + 4 * row)) & 1;
}

double CellShape::DistanceOutside(double x, double y) const
{
    // The distance from a point inside the shape to the nearest cell outside it (the ring of
    // cells around the bounding box counts as outside).
    double best = 1e9;
    for (int row = -1; row <= m_rows; ++row) {
        for (int column = -1; column <= m_columns; ++column) {
            if (Has(column, row))
                continue;
            best = std::min(best, RectDistance(x, y, column * m_cellWidth, row * m_cellHeight,
                                               (column + 1) * m_cellWidth, (row + 1) * m_cellHeight));
        }
    }
    return best;
}

CellShape::Sample CellShape::At(double x, double y) const
{
    Sample s;
    s.column = std::clamp(static_cast<int>(std::floor(x / m_cellWidth)), 0, m_columns - 1);
    s.row = std::clamp(static_cast<int>(std::floor(y / m_cellHeight)), 0, m_rows - 1);
    s.u = x / m_cellWidth - s.column;
    s.v = y / m_cellHeight - s.row;
    const bool inside = x >= 0 && y >= 0 && x < m_columns * m_cellWidth &&
                        y < m_rows * m_cellHeight && Has(s.column, s.row);
    if (inside) {
        s.edge = DistanceOutside(x, y);
        auto consider = [&](bool present, double distance, bool vertical) {
            if (present && distance < s.seam) {
                s.seam = distance;
                s.seamVertical = vertical;
                s.seamAlong = vertical ? y : x;
            }
        };
        consider(Has(s.column - 1, s.row), s.u * m_cellWidth, true);
        consider(Has(s.column + 1, s.row), (1 - s.u) * m_cellWidth, true);
        consider(Has(s.column, s.row - 1), s.v * m_cellHeight, false);
        consider(Has(s.column, s.row + 1), (1 - s.v) * m_cellHeight, false);
    } else {
        double best = 1e9;
        for (int row = 0; row < m_rows; ++row)
            for (int column = 0; column < m_columns; ++column)
                if (Has(column, row))
                    best = std::min(best, RectDistance(x, y, column * m_cellWidth,
                                                       row * m_cellHeight, (column + 1) * m_cellWidth,
                                                       (row + 1) * m_cellHeight));
        s.edge = -best;
    }
    return s;
}

CellShape::Sample CellShape::Rounded(double x, double y, double inset, double radius) const
{
    Sample s = At(x, y);
    // Each cell as a rounded box reaching into its neighbours of the shape; the union rounds the
    // outer corners. Intersected with the inset of the exact outline, which rounds the inner ones.
    double box = 1e9;
    for (int row = 0; row < m_rows; ++row) {
        for (int column = 0; column < m_columns; ++column) {
            if (!Has(column, row))
                continue;
            const double x0 = column * m_cellWidth + (Has(column - 1, row) ? -radius - 1 : inset);
            const double x1 = (column + 1) * m_cellWidth - (Has(column + 1, row) ? -radius - 1 : inset);
            const double y0 = row * m_cellHeight + (Has(column, row - 1) ? -radius - 1 : inset);
            const double y1 = (row + 1) * m_cellHeight - (Has(column, row + 1) ? -radius - 1 : inset);
            box = std::min(box, RoundedRectSdf(x, y, x0, y0, x1, y1, radius));
        }
    }
    const double inner = s.edge - inset; // positive inside the inset outline
    s.edge = std::min(-box, inner);
    return s;
}

double EdgeCoverage(double edge)
{
    return std::clamp(edge + 0.5, 0.0, 1.0);
}

double TextPath(cairo_t* cr, const std::string& fontFile, double size, const std::string& text,
                double x, double y, double slant, double tracking)
{
    return SetText(cr, fontFile, size, text, x, y, slant, tracking);
}

double TextWidth(const std::string& fontFile, double size, const std::string& text, double tracking)
{
    return SetText(nullptr, fontFile, size, text, 0, 0, 0, tracking);
}

void RoundedRectangle(cairo_t* cr, double x, double y, double w, double h, double radius)
{
    const double r = std::min({radius, w / 2, h / 2});
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

std::string FontPath(const std::string& file)
{
    return s_fontFolder + file;
}

void SetFontFolder(const std::string& folder)
{
    s_fontFolder = folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

} // namespace DataBuild
