// Piece images. Sets the game tints (the plain set and the nature set) are drawn light and grey so
// the tint gives them their colour; sets shown untinted (wood, summer, zombie) carry their own.
// Every pixel outside the piece's cells is fully transparent.
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

struct PieceContext {
    const ArtSize& size;
    int set;
    int type;
    CellShape shape;
    double cell; // pixels per cell of the piece image
};

// Light from the top left: positive where the outline near the point faces the light.
double Bevel(const PieceContext& piece, double x, double y, double inset, double radius,
             double depth)
{
    const double step = std::max(1.0, depth * 0.35);
    const double before = piece.shape.Rounded(x - step, y - step, inset, radius).edge;
    const double after = piece.shape.Rounded(x + step, y + step, inset, radius).edge;
    return std::clamp((after - before) / (2.83 * step), -1.0, 1.0);
}

Colour PlainPiece(const PieceContext& piece, double x, double y, const Noise& grain,
                  const Noise& wobble)
{
    // Coloured pencil on paper. The tint turns the light fill into the piece's colour and the grey
    // lines into a darker shade of it; the tray and a carried piece are tinted with the theme's
    // ink, which can be black, so the drawing also lives in the alpha: an opaque outline and seams
    // between the cells, each with a pale margin inside it, and a hatched, not quite opaque fill.
    // Under any tint, even black, the piece reads as its cells, at full size and in the tray.
    const double c = piece.cell;
    const double inset = 0.05 * c, radius = 0.13 * c;
    const CellShape::Sample at = piece.shape.Rounded(x, y, inset, radius);
    if (at.edge < -1)
        return Colour{0, 0, 0, 0};
    const double line = std::max(1.0, 0.075 * c) * (1 + 0.25 * wobble.At(x / (0.5 * c), y / (0.5 * c)));
    const double seamLine = std::max(0.8, 0.045 * c);
    const double margin = std::max(1.2, 0.1 * c);
    const double hatch = 0.5 + 0.5 * std::sin((x - y) / std::max(1.0, 0.045 * c) +
                                              2.0 * grain.At(x / (0.7 * c), y / (0.7 * c)));
    double value = 0.9 + 0.07 * hatch + 0.03 * grain.Fbm(x * 0.6, y * 0.6, 2);
    // A lighter glint along the top left, a touch of shade toward the bottom right.
    value += 0.05 * Smooth(0.25 * c, 0.0, at.edge) * Bevel(piece, x, y, inset, radius, 0.2 * c);
    value -= 0.05 * (x + y) / (piece.shape.CellWidth() * 4 + piece.shape.CellHeight() * 4);
    double alpha = 0.72 + 0.2 * hatch;
    // The pale margin inside the outline and on both sides of every seam.
    const double nearLine = std::min(at.edge - line, at.seam - seamLine);
    alpha *= 1 - 0.55 * Smooth(margin + 0.5, margin - 0.5, nearLine);
    value = std::min(1.0, value + 0.06 * Smooth(margin + 0.5, margin - 0.5, nearLine));
    const double seam = Smooth(seamLine + 0.6, seamLine - 0.4, at.seam);
    value = value * (1 - seam) + 0.55 * seam;
    alpha = std::max(alpha, seam);
    const double outline = Smooth(line + 0.6, line - 0.4, at.edge);
    value = value * (1 - outline) + 0.38 * outline;
    alpha = std::max(alpha, outline);
    return Colour{value, value, value, alpha * EdgeCoverage(at.edge)};
}

Colour NaturePiece(const PieceContext& piece, double x, double y, const Cells& veins,
                   const Cells& fine, const Noise& tone)
{
    // A pressed leaf: pale, with a skeleton of veins; the tint gives it its autumn colour.
    const double c = piece.cell;
    const double inset = 0.05 * c, radius = 0.24 * c;
    const CellShape::Sample at = piece.shape.Rounded(x, y, inset, radius);
    if (at.edge < -1)
        return Colour{0, 0, 0, 0};
    double f1, f2, g1, g2;
    veins.Distances(x / (0.55 * c), y / (0.55 * c), f1, f2);
    fine.Distances(x / (0.17 * c), y / (0.17 * c), g1, g2);
    const double main = Smooth(0.08, 0.015, f2 - f1);
    const double small = Smooth(0.1, 0.025, g2 - g1);
    // Leaf tissue a little darker than its veins, which catch the light.
    double value = 0.84 + 0.05 * tone.Fbm(x / (0.8 * c), y / (0.8 * c), 3);
    value += 0.14 * main + 0.06 * small * (1 - main);
    value += 0.06 * Smooth(0.3 * c, 0.0, at.edge) * Bevel(piece, x, y, inset, radius, 0.25 * c);
    const double rim = Smooth(std::max(1.5, 0.09 * c), 0.0, at.edge);
    value = value * (1 - 0.3 * rim);
    // Seams wide and dark enough to part the cells at the tray's scale too.
    const double seam = Smooth(std::max(2.2, 0.06 * c), 0.0, at.seam);
    value -= 0.3 * seam;
    value = std::clamp(value, 0.0, 1.0);
    return Colour{value, value * 0.99, value * 0.97, EdgeCoverage(at.edge)};
}

const unsigned WOOD_PAINTS[] = {0xD64541, 0x2E7DC1, 0xF2C230, 0x4CA54C,
                                0xEE8434, 0x8E5BB5, 0xA8703F};

Colour WoodPiece(const PieceContext& piece, double x, double y, const Noise& grain,
                 const Noise& rings)
{
    // A painted wooden toy piece: the grain shows through the paint, the edges are rounded off.
    const double c = piece.cell;
    const double inset = 0.045 * c, radius = 0.12 * c;
    const CellShape::Sample at = piece.shape.Rounded(x, y, inset, radius);
    if (at.edge < -1)
        return Colour{0, 0, 0, 0};
    const Colour paint = Colour::Rgb(WOOD_PAINTS[piece.type % 7]);
    // Grain runs along the piece's longer side.
    const bool across = piece.size.typeRows[piece.type] > piece.size.typeColumns[piece.type];
    const double u = across ? y : x, v = across ? x : y;
    const double warp = rings.Fbm(u / (1.6 * c), v / (0.5 * c), 3);
    const double lines = 0.5 + 0.5 * std::sin((v + 0.35 * c * warp) / (0.045 * c) + 3 * warp);
    const double fibre = grain.Fbm(u / (0.9 * c), v / (0.04 * c), 2);
    Colour colour = paint.Scaled(0.9 + 0.08 * lines + 0.05 * fibre);
    const double depth = 0.12 * c;
    const double bevel = Bevel(piece, x, y, inset, radius, depth) * Smooth(depth, 0.0, at.edge);
    colour = bevel > 0 ? colour.Mix(Colour{1, 1, 1, 1}, 0.35 * bevel)
                       : colour.Mix(Colour{0, 0, 0, 1}, -0.35 * bevel);
    // Grooves wide and dark enough to part the cells at the tray's scale too.
    const double groove = Smooth(std::max(2.2, 0.06 * c), 0.0, at.seam);
    colour = colour.Scaled(1 - 0.45 * groove);
    const double outline = Smooth(std::max(1.2, 0.045 * c), 0.0, at.edge);
    colour = colour.Mix(Colour::Rgb(0x3E220D), 0.6 * outline);
    colour.a = EdgeCoverage(at.edge);
    return colour;
}

const unsigned SUMMER_COLOURS[] = {0xFF6B57, 0x1FB5B0, 0xFFC23C, 0x86CF45,
                                   0xFF5FA2, 0x2E86DE, 0xFF9F1C};

Colour SummerPiece(const PieceContext& piece, double x, double y, const Noise& weave)
{
    // A beach towel: broad stripes, a stitched hem, a soft fabric weave.
    const double c = piece.cell;
    const double inset = 0.05 * c, radius = 0.2 * c;
    const CellShape::Sample at = piece.shape.Rounded(x, y, inset, radius);
    if (at.edge < -1)
        return Colour{0, 0, 0, 0};
    const Colour base = Colour::Rgb(SUMMER_COLOURS[piece.type % 7]);
    const Colour second = Colour::Rgb(SUMMER_COLOURS[(piece.type + 3) % 7]);
    const double period = 0.62 * c;
    const double phase = std::fmod((x + y) / period + 10.0, 1.0);
    Colour colour = base;
    if (phase < 0.22)
        colour = Colour{1, 1, 1, 1}.Mix(base, 0.08);
    else if (phase > 0.3 && phase < 0.4)
        colour = second;
    const double threads = 0.5 + 0.5 * std::sin(x / std::max(1.0, 0.04 * c)) *
                                     std::sin(y / std::max(1.0, 0.04 * c));
    colour = colour.Scaled(0.94 + 0.06 * threads + 0.03 * weave.At(x / (0.3 * c), y / (0.3 * c)));
    // The hem: a dashed white stitch a little inside the edge.
    const double hem = 0.13 * c, dash = std::max(3.0, 0.16 * c);
    const double alongEdge = std::fmod(x + y + 1000 * dash, 2 * dash) < dash ? 1 : 0;
    const double stitch = Smooth(std::max(0.8, 0.03 * c) + 0.5, std::max(0.8, 0.03 * c) - 0.5,
                                 std::fabs(at.edge - hem));
    colour = colour.Mix(Colour{1, 1, 1, 1}, 0.85 * stitch * alongEdge);
    const double bevel = Bevel(piece, x, y, inset, radius, 0.1 * c) * Smooth(0.1 * c, 0.0, at.edge);
    colour = bevel > 0 ? colour.Mix(Colour{1, 1, 1, 1}, 0.25 * bevel)
                       : colour.Mix(Colour{0, 0, 0, 1}, -0.25 * bevel);
    // Seams wide and dark enough to part the cells at the tray's scale too.
    const double seam = Smooth(std::max(2.2, 0.055 * c), 0.0, at.seam);
    colour = colour.Mix(base.Scaled(0.55), 0.75 * seam);
    const double outline = Smooth(std::max(1.0, 0.035 * c), 0.0, at.edge);
    colour = colour.Mix(base.Scaled(0.55), 0.8 * outline);
    colour.a = EdgeCoverage(at.edge);
    return colour;
}

const unsigned ZOMBIE_SKINS[] = {0x8BB84A, 0x6FA58F, 0x9C7BB0, 0x8FB0C0,
                                 0xA6A64A, 0x7E9A4A, 0xC9B98A};

Colour ZombiePiece(const PieceContext& piece, double x, double y, const Noise& mottle,
                   const Noise& veins, const Noise& bruise)
{
    // Stitched-up undead skin: mottled, veined, bruised, sewn together along the seams.
    const double c = piece.cell;
    const double inset = 0.05 * c, radius = 0.1 * c;
    const CellShape::Sample at = piece.shape.Rounded(x, y, inset, radius);
    if (at.edge < -1)
        return Colour{0, 0, 0, 0};
    const Colour skin = Colour::Rgb(ZOMBIE_SKINS[piece.type % 7]);
    Colour colour = skin.Scaled(0.92 + 0.14 * mottle.Fbm(x / (0.5 * c), y / (0.5 * c), 4));
    const double spots = Smooth(0.35, 0.7, bruise.Fbm(x / (0.7 * c), y / (0.7 * c), 3));
    colour = colour.Mix(Colour::Rgb(0x4F3350), 0.45 * spots);
    const double vein = Smooth(0.9, 0.97, veins.Ridge(x / (0.9 * c), y / (0.9 * c), 3));
    colour = colour.Mix(Colour::Rgb(0x3C2A4A), 0.5 * vein);
    const double bevel = Bevel(piece, x, y, inset, radius, 0.12 * c) * Smooth(0.12 * c, 0.0, at.edge);
    colour = bevel > 0 ? colour.Mix(Colour::Rgb(0xE8F0C8), 0.2 * bevel)
                       : colour.Mix(Colour{0, 0, 0, 1}, -0.35 * bevel);
    // Seams: a dark cut crossed by stitches.
    const double width = std::max(0.8, 0.025 * c);
    if (at.seam < 0.16 * c) {
        const double cut = Smooth(width + 0.6, width - 0.4, at.seam);
        const double spacing = std::max(4.0, 0.2 * c);
        const double along = std::fmod(at.seamAlong + 1000 * spacing, spacing) - spacing / 2;
        const double stitch = Smooth(std::max(0.7, 0.03 * c) + 0.5, std::max(0.7, 0.03 * c) - 0.5,
                                     std::fabs(along)) *
                              Smooth(0.15 * c, 0.12 * c, at.seam);
        colour = colour.Mix(Colour::Rgb(0x2A1A12), std::max(0.85 * cut, 0.9 * stitch));
    }
    const double outline = Smooth(std::max(1.2, 0.05 * c), 0.0, at.edge);
    colour = colour.Mix(Colour::Rgb(0x161A12), 0.85 * outline);
    colour.a = EdgeCoverage(at.edge);
    return colour;
}

} // namespace

Canvas DrawBlock(const ArtSize& size, int set, int type)
{
    const int width = size.PieceWidth(type), height = size.PieceHeight(type);
    Canvas canvas(width, height, Canvas::COLOUR);
    PieceContext piece{size, set, type,
                       CellShape(size.typeMask[type], size.typeColumns[type], size.typeRows[type],
                                 width, height),
                       static_cast<double>(size.spans[0])};
    // Each texture is seeded by the set and the type, so that the pieces of a set differ while
    // every size draws the same piece alike.
    const uint64_t seed = MixSeed(set, type);
    const Noise a(MixSeed(seed, 1)), b(MixSeed(seed, 2)), n(MixSeed(seed, 3));
    const Cells veins(MixSeed(seed, 4)), fine(MixSeed(seed, 5));
    ShadePixels(canvas, [&](double x, double y) {
        switch (set) {
        case 6: return WoodPiece(piece, x, y, a, b);
        case 7: return NaturePiece(piece, x, y, veins, fine, a);
        case 9: return SummerPiece(piece, x, y, a);
        case 11: return ZombiePiece(piece, x, y, a, b, n);
        default: return PlainPiece(piece, x, y, a, b);
        }
    });
    return canvas;
}

} // namespace DataBuild
