// Interface pictures shared by the themes: line strips, drag guides, the board grid, volume bars,
// status icons and the frame tile sheets.
#include "art/Drawing.h"
#include "ImageTable.h"
#include "art/Noise.h"
#include "art/Recipes.h"

#include <algorithm>
#include <cmath>

namespace DataBuild {

namespace {

double Smooth(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Colour pictures drawn on a 100 x 100 design grid, scaled to the canvas.
void ScaleToDesign(cairo_t* cr, const Canvas& canvas)
{
    cairo_scale(cr, canvas.Width() / 100.0, canvas.Height() / 100.0);
}

// A soft drop shadow under everything drawn so far: a blurred dark copy below the picture.
void AddShadow(Canvas& canvas, double radius, double dx, double dy, double strength)
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

} // namespace

Canvas DrawLineStrip(const ArtSize& size, bool vertical)
{
    const double s = size.cell;
    const int length = size.LineStripLength();
    Canvas canvas(vertical ? size.cell : length, vertical ? length : size.cell, Canvas::MASK);
    const Noise wobble(MixSeed(35, vertical), 0, 0), fine(MixSeed(36, vertical));
    const Noise thickness(MixSeed(37, vertical)), grain(MixSeed(38, vertical));
    const Noise pressure(MixSeed(39, vertical)), sketch(MixSeed(40, vertical));
    const double half = std::max(0.75, 0.04 * s);
    const double amplitude = 0.05 * s;
    ShadePixels(canvas, [&](double x, double y) {
        const double t = vertical ? y : x, across = vertical ? x : y;
        const double centre = s / 2 + amplitude * wobble.Fbm(t / (2.4 * s), 0.31, 3) +
                              0.012 * s * fine.At(t / (0.35 * s), 5.7);
        const double width = half * (1 + 0.3 * thickness.At(t / (1.3 * s), 2.9));
        const double main = EdgeCoverage(width - std::fabs(across - centre));
        const double texture = 0.8 + 0.2 * grain.Fbm(t * 0.5, across * 0.5, 2);
        const double press = 0.88 + 0.12 * pressure.At(t / (3.1 * s), 8.3);
        // A lighter second pass of the pencil that wanders off the line now and then.
        const double stretch = Smooth(0.15, 0.45, sketch.At(t / (4.5 * s), 1.7));
        const double offset = (0.35 + 0.6 * sketch.At(t / (1.7 * s), 4.2)) * half * 2.2;
        const double second = EdgeCoverage(0.55 * width - std::fabs(across - centre - offset));
        const double a = std::max(main * texture * press, second * 0.4 * stretch * texture);
        return Colour{1, 1, 1, a};
    });
    return canvas;
}

Canvas DrawGuide(const ArtSize& size, bool vertical)
{
    const double s = size.cell;
    // Wide enough for the widest piece and tall enough for the tallest board, with a cell to
    // spare; the game crops the bar to the piece.
    const int across = size.spans[3] + size.cell;
    const int along = 20 * size.cell;
    Canvas canvas(vertical ? across : along, vertical ? along : across, Canvas::MASK);
    const Noise grain(MixSeed(41, vertical));
    const double spacing = std::max(4.0, 0.2 * s);
    const double line = std::max(0.6, 0.035 * s);
    ShadePixels(canvas, [&](double x, double y) {
        const double phase = (x + y) / spacing;
        const double distance = std::fabs(phase - std::floor(phase) - 0.5) * spacing;
        const double hatch = EdgeCoverage(line - distance);
        const double texture = 0.85 + 0.15 * grain.Fbm(x / (0.3 * s), y / (0.3 * s), 2);
        return Colour{1, 1, 1, (0.28 + 0.5 * hatch) * texture};
    });
    return canvas;
}

Canvas DrawGrid(const ArtSize& size)
{
    // The game lays this image over the background wherever the board has no cell to cover, and
    // loads it at the largest size only: any line in it would turn that one size's play screen
    // into graph paper that stops short at the panels drawn over it. It stays clear, so every size
    // shows its theme the same way.
    return Canvas(size.BackgroundWidth(), size.BackgroundHeight(), Canvas::MASK);
}

Canvas DrawProgressBar(const ArtSize& size, int id)
{
    const double s = size.cell;
    const int width = size.ProgressBarWidth();
    const Noise edges(MixSeed(id, 1)), grain(MixSeed(id, 2)), drips(MixSeed(id, 3));
    if (id == 33) {
        // Summer: a striped beach-towel bar from coral to sunshine, drawn in colour.
        Canvas canvas(width, size.cell, Canvas::COLOUR);
        const double top = 0.24 * s, bottom = 0.76 * s, radius = (bottom - top) / 2;
        const Colour coral = Colour::Rgb(0xFF6B57), sun = Colour::Rgb(0xFFD23F);
        const Colour outline = Colour::Rgb(0x0B4F6C);
        const double full = 5.88 * s;
        ShadePixels(canvas, [&](double x, double y) {
            const double cx = std::max(x, 0.08 * s + radius);
            const double inside = radius - std::hypot(x - cx, y - (top + bottom) / 2);
            if (inside < -0.5)
                return Colour{0, 0, 0, 0};
            Colour c = coral.Mix(sun, std::clamp(x / full, 0.0, 1.0));
            const double stripe = std::fmod(x + (bottom - y) * 0.8, 0.42 * s) < 0.16 * s ? 1 : 0;
            c = c.Mix(Colour{1, 1, 1, 1}, 0.35 * stripe);
            c = c.Mix(Colour{1, 1, 1, 1}, 0.35 * Smooth(0.45, 0.15, (y - top) / (2 * radius)));
            c = c.Mix(outline, 1 - Smooth(0.0, std::max(1.0, 0.06 * s), inside));
            c.a = EdgeCoverage(inside);
            return c;
        });
        return canvas;
    }
    Canvas canvas(width, size.cell, Canvas::MASK);
    ShadePixels(canvas, [&](double x, double y) {
        double top = 0.28 * s, bottom = 0.72 * s;
        double texture = 1;
        if (id == 29) {
            // Pencil scribble: wavy edges, hatching strokes and grain.
            top += 0.03 * s * edges.At(x / s * 1.4, 0.5);
            bottom += 0.03 * s * edges.At(x / s * 1.4, 7.5);
            const double stroke = 0.5 + 0.5 * std::sin((x * 0.9 - y * 0.5) / (0.06 * s));
            texture = 0.62 + 0.3 * stroke + 0.08 * grain.Fbm(x / 3, y / 3, 2);
        } else if (id == 30) {
            // Engraved: a guilloche band between two fine rules.
            top = 0.3 * s;
            bottom = 0.7 * s;
            const double wave = std::sin(y / (0.045 * s) + 1.6 * std::sin(x / s * 6.2832));
            texture = 0.55 + 0.4 * (0.5 + 0.5 * wave);
            const double rule = std::max(0.8, 0.05 * s);
            const double rules = std::max(EdgeCoverage(rule - std::fabs(y - 0.24 * s)),
                                          EdgeCoverage(rule - std::fabs(y - 0.76 * s)));
            const double left = EdgeCoverage(x - 0.06 * s);
            if (rules > 0 && (y < top || y > bottom))
                return Colour{1, 1, 1, rules * left};
        } else {
            // Zombie: slime that drips from the bar's lower edge, here and there.
            top = 0.26 * s + 0.05 * s * edges.Fbm(x / s * 2, 0.5, 2);
            bottom = 0.6 * s;
            const double slot = 0.8 * s;
            const double k = std::floor(x / slot);
            const double present = drips.At(k * 1.91 + 0.3, 5.5);
            const double jitter = 0.5 + 0.3 * drips.At(k * 1.37, 0.2);
            const double dripX = (k + jitter) * slot;
            const double length = (0.06 + 0.22 * (0.5 + 0.5 * drips.At(k * 2.11, 3.3))) * s;
            const double radius = (0.06 + 0.03 * (0.5 + 0.5 * drips.At(k * 0.7, 9.1))) * s;
            const double dx = std::fabs(x - dripX);
            double drip = 0;
            if (present > -0.15) {
                if (y > bottom - 1 && y < bottom + length)
                    drip = EdgeCoverage(radius * (1 - 0.35 * (y - bottom) / length) +
                                        0.08 * s * Smooth(0.1 * s, 0.0, y - bottom) - dx);
                drip = std::max(drip, EdgeCoverage(radius * 1.2 - std::hypot(dx, y - (bottom + length))));
            }
            texture = 0.85 + 0.15 * grain.Fbm(x / (0.2 * s), y / (0.2 * s), 2);
            const double band = std::min(EdgeCoverage(y - top), EdgeCoverage(bottom - y + 0.5));
            const double left = EdgeCoverage(x - 0.08 * s);
            return Colour{1, 1, 1, std::max(band, drip) * texture * left};
        }
        const double radius = (bottom - top) / 2, capX = 0.08 * s + radius;
        const double inside = x < capX ? radius - std::hypot(x - capX, y - (top + bottom) / 2)
                                       : std::min(y - top, bottom - y);
        return Colour{1, 1, 1, EdgeCoverage(inside) * std::clamp(texture, 0.0, 1.0)};
    });
    return canvas;
}

namespace {

// The dark outline of every icon.
const Colour ICON_OUTLINE = Colour::Rgb(0x23180C);

// Strokes the current path in the dark outline, then fills it with fill, which it releases.
void OutlineAndFill(Painter& p, double outline, cairo_pattern_t* fill)
{
    p.SetColour(ICON_OUTLINE);
    cairo_set_line_width(p, outline);
    cairo_stroke_preserve(p);
    cairo_set_source(p, fill);
    cairo_fill(p);
    cairo_pattern_destroy(fill);
}

// A padlock: a steel shackle over a brass body with a keyhole.
void DrawPadlock(Painter& p, bool small, double outline)
{
    const Colour dark = ICON_OUTLINE;
    const double inset = small ? 8 : 14;
    // Shackle: a dark outline under a steel arc.
    cairo_new_path(p);
    cairo_move_to(p, 30, 52);
    cairo_arc(p, 50, 34 + inset * 0.3, 20, M_PI, 2 * M_PI);
    cairo_line_to(p, 70, 52);
    p.SetColour(dark);
    cairo_set_line_width(p, 12 + outline);
    cairo_stroke_preserve(p);
    cairo_pattern_t* steel = cairo_pattern_create_linear(30, 0, 70, 0);
    cairo_pattern_add_color_stop_rgb(steel, 0, 0.62, 0.65, 0.7);
    cairo_pattern_add_color_stop_rgb(steel, 0.45, 0.93, 0.94, 0.96);
    cairo_pattern_add_color_stop_rgb(steel, 1, 0.5, 0.53, 0.58);
    cairo_set_source(p, steel);
    cairo_set_line_width(p, 12);
    cairo_stroke(p);
    cairo_pattern_destroy(steel);
    // Body: a brass block.
    RoundedRectangle(p, 18, 44, 64, 48, 10);
    cairo_pattern_t* brass = cairo_pattern_create_linear(0, 44, 0, 92);
    cairo_pattern_add_color_stop_rgb(brass, 0, 1.0, 0.86, 0.42);
    cairo_pattern_add_color_stop_rgb(brass, 0.5, 0.93, 0.7, 0.22);
    cairo_pattern_add_color_stop_rgb(brass, 1, 0.72, 0.47, 0.12);
    OutlineAndFill(p, outline, brass);
    // Highlight and keyhole.
    RoundedRectangle(p, 24, 49, 52, 9, 4);
    cairo_set_source_rgba(p, 1, 1, 1, 0.35);
    cairo_fill(p);
    p.SetColour(dark);
    cairo_arc(p, 50, 64, small ? 8 : 6, 0, 2 * M_PI);
    cairo_fill(p);
    cairo_move_to(p, 50 - (small ? 5 : 4), 66);
    cairo_line_to(p, 50 + (small ? 5 : 4), 66);
    cairo_line_to(p, 50 + (small ? 3 : 2.5), 82);
    cairo_line_to(p, 50 - (small ? 3 : 2.5), 82);
    cairo_close_path(p);
    cairo_fill(p);
}

void DrawBulb(Painter& p, bool small, double outline)
{
    const Colour dark = ICON_OUTLINE;
    // A lit bulb: the level is open and waits for a solution.
    cairo_new_path(p);
    cairo_arc(p, 50, 40, 28, 0.82 * M_PI, 2.18 * M_PI);
    cairo_line_to(p, 62, 70);
    cairo_line_to(p, 38, 70);
    cairo_close_path(p);
    cairo_pattern_t* glass = cairo_pattern_create_radial(44, 32, 2, 50, 42, 34);
    cairo_pattern_add_color_stop_rgb(glass, 0, 1.0, 1.0, 0.85);
    cairo_pattern_add_color_stop_rgb(glass, 0.5, 1.0, 0.9, 0.35);
    cairo_pattern_add_color_stop_rgb(glass, 1, 0.95, 0.66, 0.08);
    OutlineAndFill(p, outline, glass);
    RoundedRectangle(p, 36, 70, 28, 20, 4);
    p.SetColour(dark);
    cairo_stroke_preserve(p);
    cairo_set_source_rgb(p, 0.62, 0.64, 0.68);
    cairo_fill(p);
    p.SetColour(dark);
    cairo_set_line_width(p, small ? 5 : 3);
    cairo_move_to(p, 38, 78);
    cairo_line_to(p, 62, 78);
    cairo_stroke(p);
    cairo_arc(p, 42, 30, 7, 0, 2 * M_PI);
    cairo_set_source_rgba(p, 1, 1, 1, 0.7);
    cairo_fill(p);
}

void DrawTick(Painter& p, bool small, double outline)
{
    const Colour dark = ICON_OUTLINE;
    // A tick on a green coin: the level has been solved.
    cairo_arc(p, 50, 50, 40, 0, 2 * M_PI);
    cairo_pattern_t* coin = cairo_pattern_create_linear(0, 10, 0, 90);
    cairo_pattern_add_color_stop_rgb(coin, 0, 0.55, 0.9, 0.45);
    cairo_pattern_add_color_stop_rgb(coin, 1, 0.12, 0.55, 0.2);
    OutlineAndFill(p, outline, coin);
    cairo_move_to(p, 30, 52);
    cairo_line_to(p, 44, 66);
    cairo_line_to(p, 71, 36);
    p.SetColour(dark);
    cairo_set_line_width(p, small ? 22 : 18);
    cairo_stroke_preserve(p);
    cairo_set_source_rgb(p, 1, 1, 1);
    cairo_set_line_width(p, small ? 12 : 10);
    cairo_stroke(p);
}

// Summer's frame: a sand island; foam where it meets the sea, a stick-drawn grid. edge in pixels
// and e in cells (positive inside the board), n and d the fill and detail noise, (bx, by) where
// the foam's noise is read.
Colour SandPixel(double edge, double e, double n, double d, double seam, const Noise& band, double bx,
                 double by, int s)
{
    if (e < -0.17)
        return Colour{0, 0, 0, 0};
    if (e < -0.015) {
        const double foam = 0.55 + 0.45 * band.Fbm(bx, by, 3);
        const double fade = Smooth(-0.17, -0.1, e);
        return Colour{1, 1, 1, std::clamp(foam * fade, 0.0, 1.0) * 0.92};
    }
    const Colour wet = Colour::Rgb(0xC2A06A), dry = Colour::Rgb(0xF2DDAA);
    Colour c = wet.Mix(dry, Smooth(0.0, 0.2, e));
    c = c.Scaled(1 + 0.06 * n + 0.05 * d);
    if (d > 0.55)
        c = c.Scaled(0.85);
    const double groove = std::max(0.0, 1 - seam / 0.025);
    c = c.Mix(Colour::Rgb(0xB8955C), 0.6 * groove);
    if (seam > 0.025 && seam < 0.05)
        c = c.Mix(Colour{1, 1, 1, 1}, 0.25);
    c.a = EdgeCoverage(edge + 0.015 * s);
    return c;
}

} // namespace

Canvas DrawIcon(const ArtSize& size, int id)
{
    const int pixels = id == ImageTable::LOCKED ? size.LockedSize() : size.SmallIconSize();
    Canvas canvas(pixels, pixels, Canvas::COLOUR);
    const bool small = id != ImageTable::LOCKED;
    // Small icons get a heavier outline, so they stay readable at a dozen pixels.
    const double outline = small ? 9 : 5;
    {
        Painter p(canvas);
        ScaleToDesign(p, canvas);
        cairo_set_line_join(p, CAIRO_LINE_JOIN_ROUND);
        cairo_set_line_cap(p, CAIRO_LINE_CAP_ROUND);
        if (id == ImageTable::LOCKED || id == ImageTable::LOCKED_SMALL)
            DrawPadlock(p, small, outline);
        else if (id == ImageTable::BULB_SMALL)
            DrawBulb(p, small, outline);
        else
            DrawTick(p, small, outline);
    }
    if (!small)
        AddShadow(canvas, pixels * 0.03, pixels * 0.02, pixels * 0.03, 0.45);
    return canvas;
}

Canvas DrawFrameTiles(const ArtSize& size, int id)
{
    const int s = size.cell;
    Canvas canvas(5 * s, 3 * s, Canvas::COLOUR);
    // The tile at (column, row) of the sheet and the grid-point code it serves: a code bit is set
    // for each of the four cells around the point that lies outside the board (1 up-left,
    // 2 up-right, 4 down-left, 8 down-right).
    const int CODES[3][5] = {{7, 3, 11, 8, 4}, {5, 0, 10, 2, 1}, {13, 12, 14, 9, 6}};
    // Textures repeat every cell, so neighbouring tiles of any kind join without a seam.
    const int period = 3;
    const Noise fill(MixSeed(id, 11), period, period), detail(MixSeed(id, 12), 2 * period, 2 * period);
    const Noise band(MixSeed(id, 13), period, period);
    const double scale = static_cast<double>(period) / s;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 5; ++column) {
            const int code = CODES[row][column];
            const int mask = (code & 1 ? 0 : 1) | (code & 2 ? 0 : 2) | (code & 4 ? 0 : 16) |
                             (code & 8 ? 0 : 32);
            const CellShape shape(mask, 2, 2, 2.0 * s, 2.0 * s);
            const bool boundary = code != 0;
            Canvas tile(s, s, Canvas::COLOUR);
            ShadePixels(tile, [&](double x, double y) {
                const CellShape::Sample at = shape.At(x + s / 2.0, y + s / 2.0);
                const double e = at.edge / s; // in cells, positive inside the board
                const double n = fill.Fbm(x * scale, y * scale, 4);
                const double d = detail.Fbm(x * scale * 2, y * scale * 2, 3);
                const double seam = at.seam / s;
                const double rivet = boundary ? std::hypot(x - s / 2.0, y - s / 2.0) / s : 9;
                if (id == 69)
                    return SandPixel(at.edge, e, n, d, seam, band, x * scale * 2, y * scale * 2, s);
                // Zombie: a cracked stone slab bound with a riveted rusty band.
                if (e < -0.14)
                    return Colour{0, 0, 0, 0};
                if (rivet < 0.085) {
                    const double light = std::clamp(0.6 + (s / 2.0 - y) / s * 4, 0.3, 1.0);
                    Colour c = Colour::Rgb(0x8B7B6B).Scaled(light);
                    c.a = EdgeCoverage((0.085 - rivet) * s);
                    return c;
                }
                if (e < 0.07) {
                    Colour iron = Colour::Rgb(0x3E3530).Mix(Colour::Rgb(0x8C4A1E),
                                                            Smooth(0.1, 0.6, band.Fbm(x * scale * 2, y * scale * 2, 3)));
                    iron = iron.Scaled(1 + 0.5 * Smooth(0.03, -0.1, e) * (0.5 - std::fabs(e + 0.035) * 6));
                    iron.a = EdgeCoverage(at.edge + 0.14 * s);
                    if (e > 0.05)
                        iron = iron.Scaled(0.6);
                    return iron;
                }
                Colour stone = Colour::Rgb(0x383C3F).Scaled(1 + 0.12 * n + 0.06 * d);
                const double crack = Smooth(0.93, 0.985, fill.Ridge(x * scale * 1.5 + 7, y * scale * 1.5, 3));
                stone = stone.Mix(Colour::Rgb(0x1B1E1A), 0.8 * crack);
                const double moss = Smooth(0.2, 0.6, detail.Fbm(x * scale + 3, y * scale, 3)) *
                                    Smooth(0.12, 0.0, std::min(seam, e - 0.07));
                stone = stone.Mix(Colour::Rgb(0x4F6B2A), 0.45 * moss);
                if (seam < 0.035)
                    stone = stone.Mix(Colour::Rgb(0x1E221D), 0.9);
                else if (seam < 0.06)
                    stone = stone.Scaled(1.15);
                return stone;
            });
            canvas.Put(tile, column * s, row * s);
        }
    }
    return canvas;
}

} // namespace DataBuild
