// The "icon" command and its picture. The four pieces (T, I, L and T again) tile a four by four
// square, as a solved board does; they take piece colours of the notebook theme so the icon looks
// like the game's first screen.
#include "art/GameIcon.h"

#include "Command.h"
#include "Files.h"
#include "ImageTable.h"
#include "art/Drawing.h"

#include <algorithm>
#include <cmath>

namespace DataBuild {

namespace {

int RunIcon(const std::vector<std::string>& args);

const CommandRegistration s_icon{
    {"icon", "icon OUT.png", "draw the 256 x 256 application icon", &RunIcon}};

constexpr int GRID = 4;
// Which piece owns each cell, row by row.
const int CELLS[GRID][GRID] = {
    {0, 0, 0, 3},
    {1, 0, 2, 3},
    {1, 2, 2, 3},
    {1, 1, 2, 3},
};
// Colour words of the notebook row: violet, gold, green, pink.
const int COLOUR_WORDS[] = {1, 2, 3, 4};

int PieceMask(int piece)
{
    int mask = 0;
    for (int y = 0; y < GRID; ++y)
        for (int x = 0; x < GRID; ++x)
            if (CELLS[y][x] == piece)
                mask |= 1 << (x + 4 * y);
    return mask;
}

double Smooth(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// A soft shadow of a canvas's alpha, offset down and right.
void DropShadow(Canvas& target, const Canvas& source, int offset, double radius, double opacity)
{
    Canvas shadow(source.Width(), source.Height(), Canvas::COLOUR);
    Composite(shadow, source, 0, 0, Colour{0, 0, 0, 1}, 1.0);
    Blur(shadow, radius);
    Composite(target, shadow, offset, offset, Colour{1, 1, 1, 1}, opacity);
}

} // namespace

Canvas DrawGameIcon()
{
    const double size = ICON_SIZE;
    // The plate leaves a transparent margin, as launchers expect of an icon.
    const double margin = 14, plateRadius = 40;
    const double plate = size - 2 * margin;

    Canvas plateLayer(ICON_SIZE, ICON_SIZE, Canvas::COLOUR);
    ShadePixels(plateLayer, [&](double x, double y) {
        // Signed distance inside the rounded square.
        const double cx = std::max(std::abs(x - size / 2) - (plate / 2 - plateRadius), 0.0);
        const double cy = std::max(std::abs(y - size / 2) - (plate / 2 - plateRadius), 0.0);
        const double edge = plateRadius - std::hypot(cx, cy);
        if (edge < -1)
            return Colour{0, 0, 0, 0};
        // Warm paper, a little lighter at the top, with a darker rim.
        const double light = 0.97 - 0.06 * (y - margin) / plate;
        Colour paper{light, light * 0.965, light * 0.9, EdgeCoverage(edge)};
        const double rim = Smooth(6.0, 3.0, edge);
        return paper.Mix(Colour{0.55, 0.47, 0.38, paper.a}, 0.8 * rim);
    });

    // The pieces: a square of four cells a side in the middle of the plate.
    const double cell = 46;
    const double origin = (size - GRID * cell) / 2;
    Canvas pieces(ICON_SIZE, ICON_SIZE, Canvas::COLOUR);
    for (int piece = 0; piece < 4; ++piece) {
        const CellShape shape(PieceMask(piece), GRID, GRID, GRID * cell, GRID * cell);
        const Colour colour = Colour::Rgb(ImageTable::COLOR_ROWS[0][COLOUR_WORDS[piece]]);
        const Colour outline = colour.Scaled(0.55);
        const double inset = 3.5, radius = 8, line = 4;
        Canvas layer(ICON_SIZE, ICON_SIZE, Canvas::COLOUR);
        ShadePixels(layer, [&](double x, double y) {
            const double px = x - origin, py = y - origin;
            if (px < -2 || py < -2 || px > GRID * cell + 2 || py > GRID * cell + 2)
                return Colour{0, 0, 0, 0};
            const CellShape::Sample at = shape.Rounded(px, py, inset, radius);
            if (at.edge < -1)
                return Colour{0, 0, 0, 0};
            // Lit from the top left: a glint along the upper edge of each cell, shade below.
            const double shade = 1.12 - 0.22 * (at.v + 0.5 * at.u);
            Colour fill = colour.Scaled(shade);
            const double seam = Smooth(2.2, 0.8, at.seam);
            fill = fill.Mix(outline, 0.45 * seam);
            fill = fill.Mix(outline, Smooth(line + 0.6, line - 0.6, at.edge));
            fill.a = EdgeCoverage(at.edge);
            return fill;
        });
        Composite(pieces, layer, 0, 0);
    }

    Canvas icon(ICON_SIZE, ICON_SIZE, Canvas::COLOUR);
    DropShadow(icon, plateLayer, 3, 4, 0.35);
    Composite(icon, plateLayer, 0, 0);
    DropShadow(icon, pieces, 3, 3, 0.3);
    Composite(icon, pieces, 0, 0);
    return icon;
}

namespace {

int RunIcon(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        return UsageError(*FindCommand("icon"));
    std::vector<uint8_t> bytes;
    std::string error;
    if (!EncodePng(DrawGameIcon(), bytes, error))
        return Fail("icon: " + error);
    if (!WriteWholeFile(args[0], bytes, error))
        return Fail(error);
    return 0;
}

} // namespace

} // namespace DataBuild
