// Theme logos and the two splash images. Logos are drawn untinted over the theme's background,
// so each carries its own contrast: an outline or a plate that separates it from the ground.
#include "art/Drawing.h"
#include "art/Noise.h"
#include "art/Recipes.h"

#include <algorithm>
#include <cmath>

namespace DataBuild {

const char* const GAME_TITLE = "Tessela";

namespace {

const char* const SANS_BOLD = "DejaVuSans-Bold.ttf";
const char* const SERIF_BOLD = "DejaVuSerif-Bold.ttf";

double Smooth(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

struct Title {
    double size = 0; // em size
    double x = 0;    // left of the baseline
    double y = 0;    // baseline
    double width = 0;
    std::string font;
    double slant = 0;
    double tracking = 0;

    void Path(cairo_t* cr, double dx = 0, double dy = 0) const
    {
        cairo_new_path(cr);
        TextPath(cr, FontPath(font), size, GAME_TITLE, x + dx, y + dy, slant, tracking * size);
    }
};

// The largest title that fits a box of the given size centred at (cx, cy), capitals centred
// vertically on cy.
Title FitTitle(const std::string& font, double boxWidth, double boxHeight, double cx, double cy,
               double slant = 0, double tracking = 0)
{
    Title t;
    t.font = font;
    t.slant = slant;
    t.tracking = tracking;
    const double unit = TextWidth(FontPath(font), 100.0, GAME_TITLE, tracking * 100.0) / 100.0;
    // Capitals and ascenders of DejaVu rise about 0.76 em; the title has no descenders.
    t.size = std::min(boxWidth / (unit + 0.1 * std::fabs(slant)), boxHeight / 0.76);
    t.width = unit * t.size;
    t.x = cx - t.width / 2 - slant * 0.38 * t.size;
    t.y = cy + 0.38 * t.size;
    return t;
}

void FillPiece(cairo_t* cr, int mask, double x, double y, double cell, const Colour& fill,
               const Colour& line, double lineWidth)
{
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            if ((mask >> (column + 4 * row)) & 1)
                RoundedRectangle(cr, x + column * cell, y + row * cell, cell, cell, cell * 0.18);
    cairo_set_source_rgba(cr, fill.r, fill.g, fill.b, fill.a);
    cairo_fill_preserve(cr);
    cairo_set_source_rgba(cr, line.r, line.g, line.b, line.a);
    cairo_set_line_width(cr, lineWidth);
    cairo_stroke(cr);
}

void DropShadow(Canvas& canvas, double radius, double dx, double dy, double strength)
{
    Canvas shadow(canvas.Width(), canvas.Height(), Canvas::COLOUR);
    {
        Painter p(shadow);
        cairo_set_source_rgba(p, 0, 0, 0, strength);
        cairo_mask_surface(p, canvas.Surface(), dx, dy);
    }
    Blur(shadow, radius);
    Painter p(shadow);
    cairo_set_source_surface(p, canvas.Surface(), 0, 0);
    cairo_paint(p);
    canvas = std::move(shadow);
}

cairo_pattern_t* VerticalGradient(double y0, double y1, std::initializer_list<std::pair<double, unsigned>> stops)
{
    cairo_pattern_t* pattern = cairo_pattern_create_linear(0, y0, 0, y1);
    for (const auto& stop : stops) {
        const Colour c = Colour::Rgb(stop.second);
        cairo_pattern_add_color_stop_rgb(pattern, stop.first, c.r, c.g, c.b);
    }
    return pattern;
}

// Round caps and joins, as the strokes of most logos are drawn.
void RoundLines(cairo_t* cr)
{
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
}

// The word stroked along its outline in an opaque colour, widthEm em wide.
void StrokeTitle(cairo_t* cr, const Title& title, const Colour& colour, double widthEm)
{
    title.Path(cr);
    cairo_set_source_rgb(cr, colour.r, colour.g, colour.b);
    cairo_set_line_width(cr, widthEm * title.size);
    cairo_stroke(cr);
}

// The word filled with a gradient from the top of its capitals down to the baseline.
void FillTitleDown(cairo_t* cr, const Title& title,
                   std::initializer_list<std::pair<double, unsigned>> stops)
{
    title.Path(cr);
    cairo_pattern_t* gradient = VerticalGradient(title.y - 0.75 * title.size, title.y, stops);
    cairo_set_source(cr, gradient);
    cairo_fill(cr);
    cairo_pattern_destroy(gradient);
}

Canvas NotebookLogo(const ArtSize& size)
{
    Canvas canvas(size.LogoWidth(), size.LogoHeight(), Canvas::COLOUR);
    const double w = canvas.Width(), h = canvas.Height();
    const Title title = FitTitle(SANS_BOLD, 0.6 * w, 0.5 * h, w / 2, 0.48 * h, 0.12);
    Painter p(canvas);
    RoundLines(p);
    // A highlighter stroke under the word.
    cairo_move_to(p, title.x - 0.01 * w, title.y - 0.1 * title.size);
    cairo_line_to(p, title.x + title.width + 0.03 * w, title.y - 0.16 * title.size);
    cairo_set_source_rgba(p, 1.0, 0.9, 0.2, 0.7);
    cairo_set_line_width(p, 0.34 * title.size);
    cairo_stroke(p);
    // The word in ballpoint blue, traced twice like a doodle.
    title.Path(p, 0.012 * title.size, -0.01 * title.size);
    cairo_set_source_rgba(p, 0.12, 0.23, 0.56, 0.45);
    cairo_set_line_width(p, 0.03 * title.size);
    cairo_stroke(p);
    title.Path(p);
    cairo_set_source_rgb(p, 0.12, 0.23, 0.56);
    cairo_fill_preserve(p);
    cairo_save(p);
    cairo_clip(p);
    cairo_set_source_rgba(p, 1, 1, 1, 0.22);
    cairo_set_line_width(p, std::max(1.0, 0.025 * title.size));
    for (double x = title.x - h; x < title.x + title.width + h; x += 0.09 * title.size) {
        cairo_move_to(p, x, h);
        cairo_line_to(p, x + h, 0);
    }
    cairo_stroke(p);
    cairo_restore(p);
    // Doodled pieces in the theme's piece colours, either side of the word.
    const double cell = std::min(0.15 * h, 0.045 * w);
    const double line = std::max(1.0, 0.08 * cell);
    const Colour ink{0.08, 0.08, 0.12, 1};
    FillPiece(p, 4369, 0.03 * w, h / 2 - 2 * cell, cell, Colour::Rgb(0x23C9E7), ink, line);
    FillPiece(p, 39, 0.03 * w + 1.4 * cell, 0.1 * h, cell, Colour::Rgb(0xA270FD), ink, line);
    FillPiece(p, 785, w - 0.03 * w - 2 * cell, h / 2 - 1.5 * cell, cell, Colour::Rgb(0xDEAE30), ink, line);
    FillPiece(p, 54, w - 0.03 * w - 4.2 * cell, 0.9 * h - 2 * cell, cell, Colour::Rgb(0x0FD18F), ink, line);
    FillPiece(p, 51, 0.03 * w + 1.4 * cell, 0.92 * h - 2 * cell, cell, Colour::Rgb(0xFF6AA9), ink, line);
    return canvas;
}

Canvas ChalkLogo(const ArtSize& size)
{
    Canvas canvas(size.LogoWidth(), size.LogoHeight(), Canvas::COLOUR);
    const double w = canvas.Width(), h = canvas.Height();
    const Title title = FitTitle(SANS_BOLD, 0.6 * w, 0.52 * h, w / 2, 0.46 * h, 0.05);
    {
        Painter p(canvas);
        RoundLines(p);
        title.Path(p);
        cairo_set_source_rgb(p, 0.97, 0.97, 0.95);
        cairo_fill(p);
        // A quick underline and pastel chalk pieces either side of the word.
        cairo_move_to(p, title.x, title.y + 0.16 * title.size);
        cairo_curve_to(p, title.x + title.width * 0.3, title.y + 0.22 * title.size,
                       title.x + title.width * 0.7, title.y + 0.12 * title.size,
                       title.x + title.width, title.y + 0.18 * title.size);
        cairo_set_source_rgb(p, 1.0, 0.85, 0.45);
        cairo_set_line_width(p, 0.06 * title.size);
        cairo_stroke(p);
        const double cell = std::min(0.15 * h, 0.045 * w), line = std::max(1.0, 0.1 * cell);
        FillPiece(p, 39, 0.03 * w, 0.12 * h, cell, Colour::Rgb(0xFF95A9, 0.6), Colour::Rgb(0xFF95A9), line);
        FillPiece(p, 17, 0.03 * w + 0.6 * cell, 0.88 * h - 2 * cell, cell, Colour::Rgb(0xFFD463, 0.6), Colour::Rgb(0xFFD463), line);
        FillPiece(p, 802, w - 0.03 * w - 2 * cell, 0.1 * h, cell, Colour::Rgb(0x33F2F5, 0.6), Colour::Rgb(0x33F2F5), line);
        FillPiece(p, 3, w - 0.03 * w - 2 * cell, 0.9 * h - cell, cell, Colour::Rgb(0x50FF71, 0.6), Colour::Rgb(0x50FF71), line);
    }
    // Chalk on slate: the strokes are grainy and streaked.
    const Noise grain(MixSeed(3, 1)), streak(MixSeed(3, 2));
    canvas.Flush();
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            const Pixel px = canvas.Get(x, y);
            if (px.a == 0)
                continue;
            const double g = grain.At(x * 0.8, y * 0.8);
            const double s = streak.Fbm(x / 2.0, y / 12.0, 2);
            const double keep = std::clamp(0.8 + 0.3 * s - (g > 0.45 ? 0.55 : 0.0), 0.0, 1.0);
            canvas.Set(x, y, Colour{px.r / 255.0, px.g / 255.0, px.b / 255.0, px.a / 255.0 * keep});
        }
    }
    canvas.MarkDirty();
    return canvas;
}

Canvas WoodLogo(const ArtSize& size)
{
    Canvas canvas(size.LogoWidth(), size.LogoHeight(), Canvas::COLOUR);
    const double w = canvas.Width(), h = canvas.Height();
    const double left = 0.05 * w, top = 0.1 * h, right = 0.95 * w, bottom = 0.9 * h;
    const double radius = 0.08 * h;
    const Noise warp(MixSeed(9, 1)), fibre(MixSeed(9, 2));
    // The sign board, shaded pixel by pixel for its grain.
    ShadePixels(canvas, [&](double x, double y) {
        const double dx = std::max({left + radius - x, 0.0, x - (right - radius)});
        const double dy = std::max({top + radius - y, 0.0, y - (bottom - radius)});
        const double inside = radius - std::hypot(dx, dy);
        if (inside < -0.5)
            return Colour{0, 0, 0, 0};
        const double u = y + 0.08 * h * warp.Fbm(x / (0.5 * h), y / (0.15 * h), 3);
        const double ring = std::pow(0.5 + 0.5 * std::sin(u / (0.018 * h)), 3.0);
        Colour c = Colour::Rgb(0x9A6535).Mix(Colour::Rgb(0x6B3F1C), 0.5 * ring);
        c = c.Scaled(1 + 0.05 * fibre.Fbm(x / (0.3 * h), y / 2.0, 2));
        const double rim = Smooth(0.06 * h, 0.0, inside);
        c = c.Mix(Colour::Rgb(0x3E220D), 0.7 * rim);
        c.a = EdgeCoverage(inside);
        return c;
    });
    const Title title = FitTitle(SERIF_BOLD, 0.78 * (right - left), 0.55 * (bottom - top), w / 2, h / 2);
    Painter p(canvas);
    // Carved letters: a dark cut, a lit lower lip, then the pale wood inside.
    title.Path(p, -0.015 * title.size, -0.02 * title.size);
    cairo_set_source_rgb(p, 0.2, 0.11, 0.04);
    cairo_fill(p);
    title.Path(p, 0.012 * title.size, 0.016 * title.size);
    cairo_set_source_rgba(p, 1.0, 0.9, 0.7, 0.55);
    cairo_fill(p);
    FillTitleDown(p, title, {{0, 0xFBE8C4}, {1, 0xE0BC86}});
    // Nails in the corners.
    for (double nx : {left + 0.06 * h, right - 0.06 * h}) {
        for (double ny : {top + 0.06 * h, bottom - 0.06 * h}) {
            cairo_arc(p, nx, ny, 0.032 * h, 0, 2 * M_PI);
            cairo_set_source_rgb(p, 0.25, 0.23, 0.22);
            cairo_fill_preserve(p);
            cairo_set_source_rgb(p, 0.7, 0.7, 0.72);
            cairo_set_line_width(p, 0.012 * h);
            cairo_stroke(p);
        }
    }
    return canvas;
}

Canvas NatureLogo(const ArtSize& size)
{
    Canvas canvas(size.LogoWidth(), size.LogoHeight(), Canvas::COLOUR);
    const double w = canvas.Width(), h = canvas.Height();
    const Title title = FitTitle(SANS_BOLD, 0.8 * w, 0.5 * h, w / 2, 0.43 * h);
    {
        Painter p(canvas);
        RoundLines(p);
        // A vine under the word, with leaves along it.
        const double vy = title.y + 0.22 * title.size;
        cairo_move_to(p, 0.06 * w, vy);
        cairo_curve_to(p, 0.3 * w, vy + 0.18 * h, 0.55 * w, vy - 0.14 * h, 0.94 * w, vy + 0.05 * h);
        cairo_set_source_rgb(p, 0.36, 0.27, 0.12);
        cairo_set_line_width(p, std::max(1.5, 0.025 * h));
        cairo_stroke(p);
        Rng rng(MixSeed(10, 1));
        for (int i = 0; i < 9; ++i) {
            const double t = (i + 0.5) / 9.0;
            const double x = 0.06 * w + t * 0.88 * w;
            const double y = vy + 0.05 * h * std::sin(t * 7.0);
            const double length = rng.Range(0.1, 0.16) * h;
            const double angle = (i % 2 ? -1 : 1) * rng.Range(0.5, 1.2) + (i % 2 ? 0 : M_PI);
            cairo_save(p);
            cairo_translate(p, x, y);
            cairo_rotate(p, angle);
            cairo_move_to(p, 0, 0);
            cairo_curve_to(p, length * 0.3, -length * 0.35, length * 0.75, -length * 0.3, length, 0);
            cairo_curve_to(p, length * 0.75, length * 0.3, length * 0.3, length * 0.35, 0, 0);
            const Colour leaf = Colour::Rgb(i % 3 == 0 ? 0x7CB342 : i % 3 == 1 ? 0x558B2F : 0x9CCC65);
            p.SetColour(leaf);
            cairo_fill_preserve(p);
            cairo_set_source_rgb(p, 0.1, 0.2, 0.08);
            cairo_set_line_width(p, std::max(0.8, 0.01 * h));
            cairo_stroke(p);
            cairo_restore(p);
        }
        // The word: leaf green, with a cream rim and a dark edge so it stands off the foliage.
        StrokeTitle(p, title, {0.06, 0.14, 0.06}, 0.16);
        StrokeTitle(p, title, {1.0, 0.95, 0.84}, 0.09);
        FillTitleDown(p, title, {{0, 0xAED581}, {0.55, 0x689F38}, {1, 0x33691E}});
    }
    DropShadow(canvas, 0.02 * h, 0.01 * h, 0.02 * h, 0.5);
    return canvas;
}

Canvas SummerLogo(const ArtSize& size)
{
    Canvas canvas(size.LogoWidth(), size.LogoHeight(), Canvas::COLOUR);
    const double w = canvas.Width(), h = canvas.Height();
    const Title title = FitTitle(SANS_BOLD, 0.8 * w, 0.5 * h, w / 2, 0.5 * h, 0.08);
    {
        Painter p(canvas);
        RoundLines(p);
        // The sun behind the last letters.
        const double sx = 0.82 * w, sy = 0.3 * h, sr = 0.17 * h;
        for (int i = 0; i < 12; ++i) {
            const double a = i * M_PI / 6;
            cairo_move_to(p, sx + std::cos(a) * sr * 1.2, sy + std::sin(a) * sr * 1.2);
            cairo_line_to(p, sx + std::cos(a) * sr * 1.65, sy + std::sin(a) * sr * 1.65);
        }
        cairo_set_source_rgb(p, 1.0, 0.84, 0.3);
        cairo_set_line_width(p, 0.035 * h);
        cairo_stroke(p);
        cairo_arc(p, sx, sy, sr, 0, 2 * M_PI);
        cairo_pattern_t* sun = cairo_pattern_create_radial(sx - 0.3 * sr, sy - 0.3 * sr, 0, sx, sy, sr);
        cairo_pattern_add_color_stop_rgb(sun, 0, 1.0, 0.97, 0.7);
        cairo_pattern_add_color_stop_rgb(sun, 1, 1.0, 0.75, 0.2);
        cairo_set_source(p, sun);
        cairo_fill(p);
        cairo_pattern_destroy(sun);
        // The word: sunny letters, a white rim and a deep-sea edge.
        StrokeTitle(p, title, {0.04, 0.28, 0.38}, 0.2);
        StrokeTitle(p, title, {1, 1, 1}, 0.11);
        FillTitleDown(p, title, {{0, 0xFFE45C}, {0.6, 0xFFB347}, {1, 0xFF7B39}});
        // A wave underneath.
        const double wy = title.y + 0.3 * title.size;
        cairo_move_to(p, 0.12 * w, wy);
        for (int i = 0; i < 6; ++i) {
            const double x0 = 0.12 * w + i * 0.76 * w / 6;
            cairo_curve_to(p, x0 + 0.04 * w, wy - 0.06 * h, x0 + 0.08 * w, wy - 0.06 * h, x0 + 0.127 * w, wy);
        }
        cairo_set_source_rgb(p, 1, 1, 1);
        cairo_set_line_width(p, 0.03 * h);
        cairo_stroke(p);
    }
    DropShadow(canvas, 0.02 * h, 0.01 * h, 0.02 * h, 0.4);
    return canvas;
}

// The curl that ends a scroll: half turns of shrinking radius about (cx, cy), turning away from
// the middle on the given side (-1 left, 1 right).
void AddCurl(cairo_t* p, int side, double cx, double cy, double radius)
{
    double angle = M_PI / 2;
    for (int turn = 0; turn < 3; ++turn) {
        const double next = angle + (side > 0 ? -M_PI : M_PI);
        if (side > 0)
            cairo_arc_negative(p, cx, cy, radius, angle, next);
        else
            cairo_arc(p, cx, cy, radius, angle, next);
        const double shrink = radius * 0.35;
        cy += (turn % 2 == 0 ? 1 : -1) * shrink;
        radius -= shrink;
        angle = next;
    }
}

Canvas GoldLogo(const ArtSize& size)
{
    // Shared by the old paper and the red leather: gold reads on parchment and on red alike.
    Canvas canvas(size.LogoWidth(), size.LogoHeight(), Canvas::COLOUR);
    const double w = canvas.Width(), h = canvas.Height();
    const Title title = FitTitle(SERIF_BOLD, 0.58 * w, 0.5 * h, w / 2, 0.47 * h, 0, 0.02);
    {
        Painter p(canvas);
        RoundLines(p);
        cairo_pattern_t* gold = VerticalGradient(0.15 * h, 0.75 * h,
                                                 {{0, 0xFFF3C0}, {0.35, 0xE9C15A}, {0.6, 0xB8860B}, {1, 0xF0D27A}});
        // Flourishes either side: a tapering scroll that ends in a curl, and a diamond.
        for (int side = -1; side <= 1; side += 2) {
            const double inner = w / 2 + side * (title.width / 2 + 0.035 * w);
            const double outer = w / 2 + side * 0.455 * w;
            const double y = 0.48 * h, curl = 0.06 * h;
            cairo_new_path(p);
            cairo_move_to(p, inner, y);
            cairo_curve_to(p, inner + 0.3 * (outer - inner), y - 0.12 * h,
                           outer - side * 0.02 * w, y + 0.1 * h, outer - side * curl, y - 0.01 * h);
            AddCurl(p, side, outer - side * curl, y - 0.01 * h - curl, curl);
            for (int pass = 0; pass < 2; ++pass) {
                if (pass == 0) {
                    cairo_set_source_rgb(p, 0.23, 0.14, 0.02);
                    cairo_set_line_width(p, 0.045 * h);
                    cairo_stroke_preserve(p);
                } else {
                    cairo_set_source(p, gold);
                    cairo_set_line_width(p, 0.022 * h);
                    cairo_stroke(p);
                }
            }
            const double dx = inner - side * 0.005 * w, dy = y, r = 0.035 * h;
            cairo_move_to(p, dx, dy - r);
            cairo_line_to(p, dx + r, dy);
            cairo_line_to(p, dx, dy + r);
            cairo_line_to(p, dx - r, dy);
            cairo_close_path(p);
            cairo_set_source_rgb(p, 0.23, 0.14, 0.02);
            cairo_set_line_width(p, 0.015 * h);
            cairo_stroke_preserve(p);
            cairo_set_source(p, gold);
            cairo_fill(p);
        }
        // Rules under the word.
        const double ry = title.y + 0.2 * title.size;
        cairo_rectangle(p, w / 2 - title.width * 0.45, ry, title.width * 0.9, 0.025 * h);
        cairo_set_source_rgb(p, 0.23, 0.14, 0.02);
        cairo_set_line_width(p, 0.018 * h);
        cairo_stroke_preserve(p);
        cairo_set_source(p, gold);
        cairo_fill(p);
        // The embossed word.
        title.Path(p, 0.02 * title.size, 0.03 * title.size);
        cairo_set_source_rgba(p, 0.15, 0.08, 0.01, 0.8);
        cairo_fill(p);
        title.Path(p);
        cairo_set_source_rgb(p, 0.23, 0.14, 0.02);
        cairo_set_line_width(p, 0.06 * title.size);
        cairo_stroke_preserve(p);
        cairo_set_source(p, gold);
        cairo_fill(p);
        cairo_pattern_destroy(gold);
        title.Path(p, -0.008 * title.size, -0.008 * title.size);
        cairo_set_source_rgba(p, 1, 1, 0.9, 0.35);
        cairo_set_line_width(p, 0.012 * title.size);
        cairo_stroke(p);
    }
    DropShadow(canvas, 0.015 * h, 0.008 * h, 0.015 * h, 0.45);
    return canvas;
}

Canvas ZombieLogo(const ArtSize& size)
{
    Canvas canvas(size.LogoWidth(), size.LogoHeight(), Canvas::COLOUR);
    const double w = canvas.Width(), h = canvas.Height();
    const Title title = FitTitle(SANS_BOLD, 0.8 * w, 0.46 * h, w / 2, 0.38 * h, -0.06);
    // Where the letters reach the baseline, slime drips down.
    Canvas letters(canvas.Width(), canvas.Height(), Canvas::MASK);
    {
        Painter p(letters);
        title.Path(p);
        cairo_fill(p);
    }
    letters.Flush();
    Rng rng(MixSeed(14, 1));
    std::vector<double> drips;
    const int baseRow = std::clamp(static_cast<int>(title.y) - 2, 0, canvas.Height() - 1);
    for (int x = static_cast<int>(title.x); x < title.x + title.width; x += std::max(2, static_cast<int>(0.05 * w))) {
        if (letters.Row(baseRow)[std::clamp(x, 0, canvas.Width() - 1)] > 128 && rng.Uniform() < 0.65)
            drips.push_back(x + rng.Range(-0.01, 0.01) * w);
    }
    Painter p(canvas);
    RoundLines(p);
    auto dripPath = [&](double grow) {
        cairo_new_path(p);
        Rng lengths(MixSeed(14, 2));
        for (double x : drips) {
            const double length = lengths.Range(0.12, 0.42) * h, r = lengths.Range(0.018, 0.03) * h;
            cairo_move_to(p, x - r - grow, title.y - 2);
            cairo_line_to(p, x - r * 0.6 - grow, title.y + length);
            cairo_arc_negative(p, x, title.y + length, r * 1.3 + grow, M_PI, 0);
            cairo_line_to(p, x + r + grow, title.y - 2);
            cairo_close_path(p);
        }
    };
    const double edge = 0.09 * title.size;
    dripPath(edge / 2);
    cairo_set_source_rgb(p, 0.05, 0.07, 0.04);
    cairo_fill(p);
    title.Path(p);
    cairo_set_line_width(p, 2 * edge);
    cairo_stroke(p);
    cairo_pattern_t* slime = VerticalGradient(title.y - 0.75 * title.size, title.y + 0.45 * h,
                                              {{0, 0xC5E86C}, {0.45, 0x7FA83A}, {1, 0x4F6E22}});
    dripPath(0);
    cairo_set_source(p, slime);
    cairo_fill(p);
    title.Path(p);
    cairo_set_source(p, slime);
    cairo_fill(p);
    cairo_pattern_destroy(slime);
    // Highlights on the slime, and a few splashes of blood.
    title.Path(p, -0.01 * title.size, -0.012 * title.size);
    cairo_set_source_rgba(p, 0.95, 1.0, 0.75, 0.3);
    cairo_set_line_width(p, 0.015 * title.size);
    cairo_stroke(p);
    for (int i = 0; i < 7; ++i) {
        const double x = rng.Range(0.05, 0.95) * w, y = rng.Range(0.08, 0.92) * h;
        cairo_arc(p, x, y, rng.Range(0.008, 0.022) * h, 0, 2 * M_PI);
        cairo_set_source_rgb(p, 0.55, 0.05, 0.05);
        cairo_fill(p);
    }
    return canvas;
}

} // namespace

Canvas DrawLogo(const ArtSize& size, int id)
{
    switch (id) {
    case 3: return ChalkLogo(size);
    case 5: return GoldLogo(size);
    case 9: return WoodLogo(size);
    case 10: return NatureLogo(size);
    case 12: return SummerLogo(size);
    case 14: return ZombieLogo(size);
    default: return NotebookLogo(size);
    }
}

Canvas DrawSplash(const ArtSize& size, int id)
{
    Canvas canvas(size.width, size.height, Canvas::COLOUR);
    const double w = size.width, h = size.height;
    Painter p(canvas);
    cairo_set_line_join(p, CAIRO_LINE_JOIN_ROUND);
    if (id == 0) {
        // The engine's card: a light emblem on a dark ground. The game fills the screen with the
        // colour of pixel (1, 1), so the ground is one flat colour.
        cairo_set_source_rgb(p, 0.07, 0.08, 0.1);
        cairo_paint(p);
        const double cx = w / 2, cy = 0.44 * h, r = 0.2 * w;
        cairo_new_path(p);
        for (int i = 0; i < 6; ++i) {
            const double a = M_PI / 6 + i * M_PI / 3;
            cairo_line_to(p, cx + r * std::cos(a), cy + r * std::sin(a));
        }
        cairo_close_path(p);
        cairo_set_source_rgb(p, 0.36, 0.62, 0.86);
        cairo_set_line_width(p, 0.02 * w);
        cairo_stroke(p);
        cairo_move_to(p, cx - 0.55 * r, cy - 0.45 * r);
        cairo_line_to(p, cx, cy + 0.55 * r);
        cairo_line_to(p, cx + 0.55 * r, cy - 0.45 * r);
        cairo_set_source_rgb(p, 0.85, 0.9, 0.95);
        cairo_set_line_width(p, 0.045 * w);
        cairo_set_line_cap(p, CAIRO_LINE_CAP_ROUND);
        cairo_stroke(p);
        const double textSize = 0.13 * w;
        const double width = TextWidth(FontPath(SANS_BOLD), textSize, "VORN", 0.15 * textSize);
        cairo_new_path(p);
        TextPath(p, FontPath(SANS_BOLD), textSize, "VORN", cx - width / 2, cy + 1.55 * r, 0, 0.15 * textSize);
        cairo_set_source_rgb(p, 0.85, 0.9, 0.95);
        cairo_fill(p);
        return canvas;
    }
    // The game's title card, on white.
    cairo_set_source_rgb(p, 1, 1, 1);
    cairo_paint(p);
    const Title title = FitTitle(SANS_BOLD, 0.8 * w, 0.2 * h, w / 2, 0.42 * h);
    title.Path(p);
    cairo_set_source_rgb(p, 0.13, 0.19, 0.25);
    cairo_fill(p);
    // Under the title, a row of pieces in the six piece colours of the first theme.
    const double cell = 0.05 * w, line = std::max(1.0, 0.08 * cell);
    const int masks[] = {39, 17, 99, 51, 785, 15};
    const double widths[] = {3, 1, 3, 2, 2, 4};
    const unsigned colours[] = {0xA270FD, 0xDEAE30, 0x0FD18F, 0xFF6AA9, 0x23C9E7, 0x2880F8};
    double total = 0;
    for (double pieceWidth : widths)
        total += (pieceWidth + 0.4) * cell;
    total -= 0.4 * cell;
    double x = w / 2 - total / 2;
    const double y = 0.5 * h;
    for (int i = 0; i < 6; ++i) {
        FillPiece(p, masks[i], x, y + (i % 2) * 0.5 * cell, cell, Colour::Rgb(colours[i]),
                  Colour{0.13, 0.19, 0.25, 1}, line);
        x += (widths[i] + 0.4) * cell;
    }
    return canvas;
}

} // namespace DataBuild
