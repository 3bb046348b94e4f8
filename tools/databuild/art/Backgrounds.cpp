// Theme backgrounds: each the screen plus a cell right and below, opaque, textured, and kept calm
// where text sits so the theme's ink stays readable on it. Buttons, text boxes and the play
// screen's corner labels reach to 0.2 cells from the screen's edges: lines that belong to a theme's
// look (a margin, a seam) stay in the band outside that, and everything inside it is texture only.
#include "art/Drawing.h"
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

Canvas Notebook(const ArtSize& size)
{
    Canvas canvas(size.BackgroundWidth(), size.BackgroundHeight(), Canvas::COLOUR);
    const double c = size.cell;
    const Noise fibre(MixSeed(15, 1)), cloud(MixSeed(15, 2)), ink(MixSeed(15, 3));
    const Colour paper = Colour::Rgb(0xFBFAF2), rule = Colour::Rgb(0x8FB2E0);
    const Colour margin = Colour::Rgb(0xE58C8A);
    const double ruleWidth = std::max(1.0, c / 32.0);
    // The margin rule keeps to the band at the left edge that no button or text reaches.
    const double marginWidth = std::max(1.0, c / 26.0), marginX = std::max(0.5 * marginWidth + 0.5, 0.08 * c);
    // Ruled lines fall on the board's rows, so in play the rules and the board grid agree. The
    // page's foot is left blank, as on real paper: the bottom row's labels sit there, and on sizes
    // whose board rows do not end at the screen's bottom a last rule would run through them.
    const int phase = size.gridPhaseY;
    const double lastRule = size.height - 0.95 * c;
    ShadePixels(canvas, [&](double x, double y) {
        Colour colour = paper.Scaled(1 + 0.012 * fibre.Fbm(x / 2.5, y / 2.5, 2) +
                                     0.018 * cloud.Fbm(x / (3 * c), y / (3 * c), 3));
        const double offset = std::fmod(y - phase + 100 * c, c);
        const double distance = std::min(offset, c - offset);
        const double faded = 0.75 + 0.25 * ink.At(x / (2 * c), y / c);
        if (y < lastRule)
            colour = colour.Mix(rule, 0.75 * faded * EdgeCoverage(ruleWidth / 2 - distance + 0.5));
        colour = colour.Mix(margin, 0.8 * EdgeCoverage(marginWidth / 2 - std::fabs(x - marginX) + 0.5));
        return colour;
    });
    return canvas;
}

Canvas Chalkboard(const ArtSize& size)
{
    Canvas canvas(size.BackgroundWidth(), size.BackgroundHeight(), Canvas::COLOUR);
    const double c = size.cell;
    const Noise tone(MixSeed(16, 1)), smear(MixSeed(16, 2)), dust(MixSeed(16, 3));
    const Colour slate = Colour::Rgb(0x2C3A33);
    ShadePixels(canvas, [&](double x, double y) {
        Colour colour = slate.Scaled(1 + 0.07 * tone.Fbm(x / (4 * c), y / (4 * c), 4));
        // Eraser wipes: long, soft, mostly horizontal hazes of chalk dust.
        const double wipe = Smooth(0.05, 0.6, smear.Fbm(x / (3.5 * c), y / (0.45 * c), 4));
        colour = colour.Mix(Colour::Rgb(0xA9B8AE), 0.1 * wipe);
        const double speck = dust.At(x * 0.7, y * 0.7);
        if (speck > 0.75)
            colour = colour.Mix(Colour{1, 1, 1, 1}, 0.12 * (speck - 0.75) / 0.25);
        return colour;
    });
    // The ghosts of earlier lessons, almost wiped away.
    {
        Painter p(canvas);
        Rng rng(MixSeed(16, 4));
        cairo_set_line_cap(p, CAIRO_LINE_CAP_ROUND);
        for (int i = 0; i < 14; ++i) {
            const double x = rng.Range(0, canvas.Width()), y = rng.Range(0, canvas.Height());
            cairo_set_line_width(p, rng.Range(0.05, 0.12) * c);
            cairo_set_source_rgba(p, 1, 1, 1, rng.Range(0.035, 0.06));
            if (i % 3 == 0) {
                cairo_arc(p, x, y, rng.Range(0.8, 2.5) * c, rng.Range(0, 6.28), rng.Range(0, 6.28) + 3);
            } else {
                cairo_move_to(p, x, y);
                cairo_curve_to(p, x + rng.Range(-2, 2) * c, y + rng.Range(-1, 1) * c,
                               x + rng.Range(-3, 3) * c, y + rng.Range(-1, 1) * c,
                               x + rng.Range(-4, 4) * c, y + rng.Range(-0.5, 0.5) * c);
            }
            cairo_stroke(p);
        }
    }
    return canvas;
}

Canvas Wood(const ArtSize& size)
{
    Canvas canvas(size.BackgroundWidth(), size.BackgroundHeight(), Canvas::COLOUR);
    const double c = size.cell;
    const Noise warp(MixSeed(23, 1)), fibre(MixSeed(23, 2)), tone(MixSeed(23, 3));
    const Colour light = Colour::Rgb(0xE9C999), dark = Colour::Rgb(0xC99A62);
    // Vertical planks of differing widths and tones.
    std::vector<double> edges = {-0.3 * c};
    Rng rng(MixSeed(23, 4));
    while (edges.back() < canvas.Width())
        edges.push_back(edges.back() + rng.Range(2.4, 3.4) * c);
    std::vector<double> shades;
    for (size_t i = 0; i < edges.size(); ++i)
        shades.push_back(rng.Range(-0.06, 0.05));
    // Knots: a few per plank, as centres the grain bends around.
    struct Knot {
        double x, y, r;
    };
    std::vector<Knot> knots;
    for (int i = 0; i < canvas.Height() / (4 * c) + 2; ++i)
        knots.push_back({rng.Range(0, canvas.Width()), rng.Range(0, canvas.Height()), rng.Range(0.12, 0.25) * c});
    ShadePixels(canvas, [&](double x, double y) {
        size_t plank = 0;
        while (plank + 1 < edges.size() && edges[plank + 1] <= x)
            ++plank;
        const double left = edges[plank], right = plank + 1 < edges.size() ? edges[plank + 1] : 1e9;
        double u = x + plank * 37.0 * c; // each plank its own stretch of the tree
        double bend = 0;
        for (const Knot& k : knots) {
            const double d = std::hypot((x - k.x) / 1.0, (y - k.y) / 2.2);
            bend += k.r * 2.5 * std::exp(-d / (1.6 * k.r)) * (x < k.x ? -1 : 1);
        }
        u += 0.6 * c * warp.Fbm(x / (1.2 * c), y / (9 * c) + plank * 3.1, 3) + bend;
        const double ring = 0.5 + 0.5 * std::sin(u / (0.11 * c));
        const double sharp = std::pow(ring, 3.0);
        Colour colour = light.Mix(dark, 0.65 * sharp + 0.15 * tone.Fbm(x / (2 * c), y / (6 * c), 3));
        colour = colour.Scaled(1 + shades[plank] + 0.04 * fibre.Fbm(x / 1.5, y / (0.4 * c), 2));
        // Plank joints: a fine groove with a light bevel on the right-hand plank, kept light, since
        // captions and text run across them in the theme's dark ink.
        const double toLeft = x - left, toRight = right - x;
        if (toRight < 1.6)
            colour = colour.Mix(Colour::Rgb(0x8A6238), 0.18 * Smooth(1.6, 0.4, toRight));
        if (toLeft < 0.12 * c)
            colour = colour.Scaled(1 + 0.04 * Smooth(0.12 * c, 0.0, toLeft));
        return colour;
    });
    return canvas;
}

Canvas Nature(const ArtSize& size)
{
    Canvas canvas(size.BackgroundWidth(), size.BackgroundHeight(), Canvas::COLOUR);
    const double c = size.cell;
    const double w = canvas.Width(), h = canvas.Height();
    {
        Painter p(canvas);
        cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, h);
        cairo_pattern_add_color_stop_rgb(sky, 0, 0.1, 0.2, 0.12);
        cairo_pattern_add_color_stop_rgb(sky, 1, 0.12, 0.24, 0.13);
        cairo_set_source(p, sky);
        cairo_paint(p);
        cairo_pattern_destroy(sky);
    }
    // Three layers of leaves, from the blurred and dark at the back to the crisper at the front.
    const struct Layer {
        int count;
        double sizeLow, sizeHigh, blur;
        unsigned colours[3];
    } layers[] = {
        {70, 1.2, 2.6, 0.25, {0x1E3B22, 0x23452A, 0x1B3520}},
        {55, 0.9, 2.0, 0.1, {0x2B5430, 0x30603A, 0x264A2A}},
        {30, 0.8, 1.6, 0.0, {0x3A6A38, 0x35633D, 0x2F5A33}},
    };
    Rng rng(MixSeed(24, 1));
    for (const Layer& layer : layers) {
        Canvas leaves(canvas.Width(), canvas.Height(), Canvas::COLOUR);
        {
            Painter p(leaves);
            const int count = static_cast<int>(layer.count * w * h / (600.0 * 1074.0) * (50.0 * 50.0) / (c * c));
            for (int i = 0; i < count; ++i) {
                const double x = rng.Range(-c, w + c), y = rng.Range(-c, h + c);
                const double length = rng.Range(layer.sizeLow, layer.sizeHigh) * c;
                const double angle = rng.Range(0, 2 * M_PI);
                const Colour colour = Colour::Rgb(layer.colours[rng.Below(3)]).Scaled(rng.Range(0.9, 1.1));
                cairo_save(p);
                cairo_translate(p, x, y);
                cairo_rotate(p, angle);
                cairo_move_to(p, 0, 0);
                cairo_curve_to(p, length * 0.3, -length * 0.32, length * 0.75, -length * 0.28, length, 0);
                cairo_curve_to(p, length * 0.75, length * 0.28, length * 0.3, length * 0.32, 0, 0);
                p.SetColour(colour);
                cairo_fill(p);
                cairo_move_to(p, 0, 0);
                cairo_line_to(p, length * 0.92, 0);
                p.SetColour(colour.Scaled(1.25).WithAlpha(0.6));
                cairo_set_line_width(p, std::max(0.6, 0.03 * c));
                cairo_stroke(p);
                cairo_restore(p);
            }
        }
        Blur(leaves, layer.blur * c);
        Painter p(canvas);
        cairo_set_source_surface(p, leaves.Surface(), 0, 0);
        cairo_paint(p);
    }
    // Sun through the canopy, then a veil that keeps the light ink readable.
    const Noise dapple(MixSeed(24, 2)), veil(MixSeed(24, 3));
    canvas.Flush();
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            const Pixel px = canvas.Get(x, y);
            Colour colour{px.r / 255.0, px.g / 255.0, px.b / 255.0, 1};
            const double light = Smooth(0.35, 0.8, dapple.Fbm(x / (2.2 * c), y / (2.2 * c), 3));
            colour = colour.Mix(Colour::Rgb(0x8DB870), 0.12 * light);
            colour = colour.Scaled(0.9 + 0.06 * veil.Fbm(x / (5 * c), y / (5 * c), 2));
            canvas.Set(x, y, colour);
        }
    }
    canvas.MarkDirty();
    return canvas;
}

Canvas Summer(const ArtSize& size)
{
    Canvas canvas(size.BackgroundWidth(), size.BackgroundHeight(), Canvas::COLOUR);
    const double c = size.cell, h = canvas.Height();
    const Cells caustic(MixSeed(26, 1), 0.85), causticFine(MixSeed(26, 2), 0.85);
    const Noise warp(MixSeed(26, 3)), glint(MixSeed(26, 4)), tone(MixSeed(26, 5));
    // Deep enough that the theme's sandy ink reads on it everywhere, the light threads included.
    const Colour shallow = Colour::Rgb(0x09445A), deep = Colour::Rgb(0x052D44);
    ShadePixels(canvas, [&](double x, double y) {
        Colour colour = shallow.Mix(deep, Smooth(0.0, 1.0, y / h));
        colour = colour.Scaled(1 + 0.05 * tone.Fbm(x / (4 * c), y / (4 * c), 3));
        // Sunlight focused by the waves: bright threads along the edges of warped cells.
        const double wx = x + 0.5 * c * warp.Fbm(x / (2 * c), y / (2 * c), 3);
        const double wy = y + 0.5 * c * warp.Fbm(x / (2 * c) + 5, y / (2 * c), 3);
        double f1, f2, g1, g2;
        caustic.Distances(wx / (1.6 * c), wy / (1.1 * c), f1, f2);
        causticFine.Distances(wx / (0.7 * c), wy / (0.5 * c), g1, g2);
        const double threads = Smooth(0.14, 0.02, f2 - f1) * 0.7 + Smooth(0.12, 0.02, g2 - g1) * 0.3;
        colour = colour.Mix(Colour::Rgb(0x4FA8BA), 0.15 * threads * (1.1 - 0.5 * y / h));
        // Glints: faint, so that no point of light breaks up the letters above it.
        const double sparkle = glint.At(x / 3.0, y / 3.0);
        if (sparkle > 0.86)
            colour = colour.Mix(Colour::Rgb(0x5FB8C8), 0.25 * (sparkle - 0.86) / 0.14);
        return colour;
    });
    return canvas;
}

Canvas OldPaper(const ArtSize& size)
{
    Canvas canvas(size.BackgroundWidth(), size.BackgroundHeight(), Canvas::COLOUR);
    const double c = size.cell;
    const double screenW = size.width, screenH = size.height;
    const Noise stains(MixSeed(18, 1)), fibre(MixSeed(18, 2)), burn(MixSeed(18, 3));
    const Noise blotch(MixSeed(18, 4));
    const Colour paper = Colour::Rgb(0xEBD7A6), stain = Colour::Rgb(0xC9A664);
    const Colour scorch = Colour::Rgb(0x7A4A1E);
    ShadePixels(canvas, [&](double x, double y) {
        const double s = stains.Fbm(x / (3 * c), y / (3 * c), 5);
        Colour colour = paper.Mix(stain, Smooth(-0.1, 0.7, s) * 0.55);
        colour = colour.Scaled(1 + 0.025 * fibre.Fbm(x / 2, y / 6, 2));
        const double spot = blotch.Fbm(x / (0.5 * c), y / (0.5 * c), 3);
        if (spot > 0.45)
            colour = colour.Mix(stain.Scaled(0.85), 0.5 * Smooth(0.45, 0.7, spot));
        // Darkened, uneven edges, measured from the screen's own edges. Kept narrow and light:
        // the bottom labels sit in the corners and the dark ink must stay readable there.
        const double edge = std::min({x, y, screenW - x, screenH - y}) / c;
        const double ragged = edge + 0.3 * burn.Fbm(x / c, y / c, 3);
        colour = colour.Mix(scorch, 0.4 * Smooth(0.5, 0.0, ragged));
        return colour;
    });
    return canvas;
}

Canvas RedLeather(const ArtSize& size)
{
    Canvas canvas(size.BackgroundWidth(), size.BackgroundHeight(), Canvas::COLOUR);
    const double c = size.cell;
    const double screenW = size.width, screenH = size.height;
    const Cells grain(MixSeed(19, 1), 1.0), grainFine(MixSeed(19, 2), 1.0);
    const Noise tone(MixSeed(19, 3)), wear(MixSeed(19, 4));
    const Colour leather = Colour::Rgb(0x7E1A1F);
    const Colour thread = Colour::Rgb(0xE9D3A6);
    // The seam runs in the band along the screen's edges that buttons and labels leave free.
    const double threadWidth = std::max(0.8, 0.035 * c), inset = std::max(threadWidth + 0.6, 0.08 * c);
    const double stitch = std::max(3.0, 0.3 * c), gap = std::max(2.0, 0.15 * c);
    ShadePixels(canvas, [&](double x, double y) {
        double f1, f2, g1, g2;
        grain.Distances(x / (0.16 * c), y / (0.16 * c), f1, f2);
        grainFine.Distances(x / (0.06 * c), y / (0.06 * c), g1, g2);
        const double pebble = Smooth(0.0, 0.5, f2 - f1);
        Colour colour = leather.Scaled(0.8 + 0.14 * pebble + 0.06 * Smooth(0.0, 0.4, g2 - g1));
        colour = colour.Scaled(1 + 0.12 * tone.Fbm(x / (4 * c), y / (4 * c), 3));
        colour = colour.Mix(Colour::Rgb(0xB0454A), 0.12 * Smooth(0.3, 0.8, wear.Fbm(x / (2 * c), y / (2 * c), 3)));
        // Darker toward the screen's edges, then a stitched seam close to them.
        const double edge = std::min({x, y, screenW - x, screenH - y});
        colour = colour.Scaled(0.75 + 0.25 * Smooth(0.0, 1.2 * c, edge));
        const double across = std::fabs(edge - inset);
        const double along = (edge == y || edge == screenH - y) ? x : y;
        const double onStitch = std::fmod(along + 1000 * (stitch + gap), stitch + gap) < stitch ? 1 : 0;
        if (across < threadWidth + 1.5) {
            colour = colour.Scaled(1 - 0.3 * Smooth(threadWidth + 1.5, threadWidth, across));
            colour = colour.Mix(thread, onStitch * EdgeCoverage(threadWidth - across));
        }
        return colour;
    });
    return canvas;
}

// A dead tree on the left: a trunk and forked branches, drawn with the random numbers of rng.
void DrawDeadTree(cairo_t* p, Rng& rng, double c, double ground)
{
    cairo_set_line_cap(p, CAIRO_LINE_CAP_ROUND);
    struct Branch {
        double x, y, angle, length, width;
        int depth;
    };
    std::vector<Branch> stack = {{0.35 * c, ground + 0.2 * c, -M_PI / 2 + 0.08, 2.4 * c, 0.28 * c, 0}};
    while (!stack.empty()) {
        const Branch b = stack.back();
        stack.pop_back();
        const double ex = b.x + std::cos(b.angle) * b.length, ey = b.y + std::sin(b.angle) * b.length;
        cairo_set_line_width(p, b.width);
        cairo_move_to(p, b.x, b.y);
        cairo_line_to(p, ex, ey);
        cairo_stroke(p);
        if (b.depth < 4) {
            stack.push_back({ex, ey, b.angle - rng.Range(0.3, 0.7), b.length * rng.Range(0.55, 0.75),
                             b.width * 0.6, b.depth + 1});
            stack.push_back({ex, ey, b.angle + rng.Range(0.3, 0.7), b.length * rng.Range(0.55, 0.75),
                             b.width * 0.6, b.depth + 1});
        }
    }
}

Canvas Zombie(const ArtSize& size)
{
    Canvas canvas(size.BackgroundWidth(), size.BackgroundHeight(), Canvas::COLOUR);
    const double c = size.cell, w = size.width, h = size.height;
    const Noise fog(MixSeed(28, 1)), tone(MixSeed(28, 2)), grain(MixSeed(28, 3));
    const Colour top = Colour::Rgb(0x1F2A24), bottom = Colour::Rgb(0x0D110F);
    const double moonX = 0.84 * w, moonY = 0.07 * h, moonR = 0.85 * c;
    ShadePixels(canvas, [&](double x, double y) {
        Colour colour = top.Mix(bottom, Smooth(0.0, 1.0, y / h));
        colour = colour.Scaled(1 + 0.08 * tone.Fbm(x / (3 * c), y / (3 * c), 4) +
                               0.03 * grain.At(x / 1.5, y / 1.5));
        const double glow = std::exp(-std::hypot(x - moonX, y - moonY) / (3.5 * c));
        colour = colour.Mix(Colour::Rgb(0x6F8A5E), 0.3 * glow);
        // A sickly moon behind the haze: pale enough to be seen, dim enough that the pale ink of
        // a long level title reads across it.
        const double d = std::hypot(x - moonX, y - moonY);
        if (d < moonR + 1) {
            const double crater = 0.9 + 0.1 * tone.Fbm(x / (0.3 * c), y / (0.3 * c), 3);
            colour = colour.Mix(Colour::Rgb(0x76845E).Scaled(crater), EdgeCoverage(moonR - d));
        }
        const double mist = Smooth(-0.1, 0.7, fog.Fbm(x / (5 * c), y / (1.2 * c), 4)) *
                            Smooth(0.25 * h, 0.85 * h, y);
        colour = colour.Mix(Colour::Rgb(0x5F7A60), 0.2 * mist);
        return colour;
    });
    // Graves and a dead tree along the bottom, black against the fog.
    Painter p(canvas);
    Rng rng(MixSeed(28, 4));
    const double ground = h - 0.55 * c;
    cairo_set_source_rgb(p, 0.03, 0.04, 0.035);
    cairo_move_to(p, -c, ground);
    for (double x = -c; x <= w + 2 * c; x += c)
        cairo_line_to(p, x, ground - rng.Range(0, 0.25) * c);
    cairo_line_to(p, w + 2 * c, h + 2 * c);
    cairo_line_to(p, -c, h + 2 * c);
    cairo_close_path(p);
    cairo_fill(p);
    for (double x = 0.6 * c; x < w; x += rng.Range(1.8, 3.2) * c) {
        const double stoneW = rng.Range(0.6, 0.9) * c, stoneH = rng.Range(0.7, 1.2) * c;
        const double base = ground + 0.1 * c;
        const double tilt = rng.Range(-0.15, 0.15);
        cairo_save(p);
        cairo_translate(p, x, base);
        cairo_rotate(p, tilt);
        if (rng.Uniform() < 0.3) {
            const double bar = 0.16 * c;
            cairo_rectangle(p, -bar / 2, -stoneH * 1.1, bar, stoneH * 1.1);
            cairo_rectangle(p, -stoneW * 0.4, -stoneH * 0.85, stoneW * 0.8, bar);
        } else {
            cairo_move_to(p, -stoneW / 2, 0);
            cairo_line_to(p, -stoneW / 2, -stoneH + stoneW / 2);
            cairo_arc(p, 0, -stoneH + stoneW / 2, stoneW / 2, M_PI, 2 * M_PI);
            cairo_line_to(p, stoneW / 2, 0);
            cairo_close_path(p);
        }
        cairo_fill(p);
        cairo_restore(p);
    }
    DrawDeadTree(p, rng, c, ground);
    return canvas;
}

} // namespace

Canvas DrawBackground(const ArtSize& size, int id)
{
    switch (id) {
    case 16: return Chalkboard(size);
    case 18: return OldPaper(size);
    case 19: return RedLeather(size);
    case 23: return Wood(size);
    case 24: return Nature(size);
    case 26: return Summer(size);
    case 28: return Zombie(size);
    default: return Notebook(size);
    }
}

} // namespace DataBuild
