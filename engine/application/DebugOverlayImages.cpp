#include "application/DebugOverlayImages.h"

#include <cstring>

#include "graphics/pixeldata/MemPixelData.h"
#include "graphics/surface/Surface.h"

namespace Vorn {
namespace DebugOverlayImages {

namespace {

// Printable ASCII (0x20 to 0x7E) as 5 columns of 7 rows, bit 0 the top row.
const unsigned char ASCII_GLYPHS[95][5] = {
    {0x00, 0x00, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x5F, 0x00, 0x00}, {0x00, 0x07, 0x00, 0x07, 0x00},
    {0x14, 0x7F, 0x14, 0x7F, 0x14}, {0x24, 0x2A, 0x7F, 0x2A, 0x12}, {0x23, 0x13, 0x08, 0x64, 0x62},
    {0x36, 0x49, 0x56, 0x20, 0x50}, {0x00, 0x00, 0x07, 0x00, 0x00}, {0x00, 0x1C, 0x22, 0x41, 0x00},
    {0x00, 0x41, 0x22, 0x1C, 0x00}, {0x2A, 0x1C, 0x7F, 0x1C, 0x2A}, {0x08, 0x08, 0x3E, 0x08, 0x08},
    {0x00, 0x50, 0x30, 0x00, 0x00}, {0x08, 0x08, 0x08, 0x08, 0x08}, {0x00, 0x60, 0x60, 0x00, 0x00},
    {0x20, 0x10, 0x08, 0x04, 0x02}, {0x3E, 0x51, 0x49, 0x45, 0x3E}, {0x00, 0x42, 0x7F, 0x40, 0x00},
    {0x42, 0x61, 0x51, 0x49, 0x46}, {0x21, 0x41, 0x45, 0x4B, 0x31}, {0x18, 0x14, 0x12, 0x7F, 0x10},
    {0x27, 0x45, 0x45, 0x45, 0x39}, {0x3C, 0x4A, 0x49, 0x49, 0x30}, {0x01, 0x71, 0x09, 0x05, 0x03},
    {0x36, 0x49, 0x49, 0x49, 0x36}, {0x06, 0x49, 0x49, 0x29, 0x1E}, {0x00, 0x36, 0x36, 0x00, 0x00},
    {0x00, 0x56, 0x36, 0x00, 0x00}, {0x08, 0x14, 0x22, 0x41, 0x00}, {0x14, 0x14, 0x14, 0x14, 0x14},
    {0x00, 0x41, 0x22, 0x14, 0x08}, {0x02, 0x01, 0x51, 0x09, 0x06}, {0x32, 0x49, 0x79, 0x41, 0x3E},
    {0x7E, 0x11, 0x11, 0x11, 0x7E}, {0x7F, 0x49, 0x49, 0x49, 0x36}, {0x3E, 0x41, 0x41, 0x41, 0x22},
    {0x7F, 0x41, 0x41, 0x22, 0x1C}, {0x7F, 0x49, 0x49, 0x49, 0x41}, {0x7F, 0x09, 0x09, 0x09, 0x01},
    {0x3E, 0x41, 0x49, 0x49, 0x7A}, {0x7F, 0x08, 0x08, 0x08, 0x7F}, {0x00, 0x41, 0x7F, 0x41, 0x00},
    {0x20, 0x40, 0x41, 0x3F, 0x01}, {0x7F, 0x08, 0x14, 0x22, 0x41}, {0x7F, 0x40, 0x40, 0x40, 0x40},
    {0x7F, 0x02, 0x0C, 0x02, 0x7F}, {0x7F, 0x04, 0x08, 0x10, 0x7F}, {0x3E, 0x41, 0x41, 0x41, 0x3E},
    {0x7F, 0x09, 0x09, 0x09, 0x06}, {0x3E, 0x41, 0x51, 0x21, 0x5E}, {0x7F, 0x09, 0x19, 0x29, 0x46},
    {0x46, 0x49, 0x49, 0x49, 0x31}, {0x01, 0x01, 0x7F, 0x01, 0x01}, {0x3F, 0x40, 0x40, 0x40, 0x3F},
    {0x1F, 0x20, 0x40, 0x20, 0x1F}, {0x3F, 0x40, 0x38, 0x40, 0x3F}, {0x63, 0x14, 0x08, 0x14, 0x63},
    {0x07, 0x08, 0x70, 0x08, 0x07}, {0x61, 0x51, 0x49, 0x45, 0x43}, {0x00, 0x7F, 0x41, 0x41, 0x00},
    {0x02, 0x04, 0x08, 0x10, 0x20}, {0x00, 0x41, 0x41, 0x7F, 0x00}, {0x04, 0x02, 0x01, 0x02, 0x04},
    {0x40, 0x40, 0x40, 0x40, 0x40}, {0x00, 0x01, 0x02, 0x04, 0x00}, {0x20, 0x54, 0x54, 0x54, 0x78},
    {0x7F, 0x48, 0x44, 0x44, 0x38}, {0x38, 0x44, 0x44, 0x44, 0x20}, {0x38, 0x44, 0x44, 0x48, 0x7F},
    {0x38, 0x54, 0x54, 0x54, 0x18}, {0x08, 0x7E, 0x09, 0x01, 0x02}, {0x0C, 0x52, 0x52, 0x52, 0x3E},
    {0x7F, 0x08, 0x04, 0x04, 0x78}, {0x00, 0x44, 0x7D, 0x40, 0x00}, {0x20, 0x40, 0x44, 0x3D, 0x00},
    {0x7F, 0x10, 0x28, 0x44, 0x00}, {0x00, 0x41, 0x7F, 0x40, 0x00}, {0x7C, 0x04, 0x18, 0x04, 0x78},
    {0x7C, 0x08, 0x04, 0x04, 0x78}, {0x38, 0x44, 0x44, 0x44, 0x38}, {0x7C, 0x14, 0x14, 0x14, 0x08},
    {0x08, 0x14, 0x14, 0x18, 0x7C}, {0x7C, 0x08, 0x04, 0x04, 0x08}, {0x48, 0x54, 0x54, 0x54, 0x20},
    {0x04, 0x3F, 0x44, 0x40, 0x20}, {0x3C, 0x40, 0x40, 0x20, 0x7C}, {0x1C, 0x20, 0x40, 0x20, 0x1C},
    {0x3C, 0x40, 0x30, 0x40, 0x3C}, {0x44, 0x28, 0x10, 0x28, 0x44}, {0x0C, 0x50, 0x50, 0x50, 0x3C},
    {0x44, 0x64, 0x54, 0x4C, 0x44}, {0x00, 0x08, 0x36, 0x41, 0x00}, {0x00, 0x00, 0x7F, 0x00, 0x00},
    {0x00, 0x41, 0x36, 0x08, 0x00}, {0x08, 0x04, 0x08, 0x10, 0x08},
};

// Glyphs of the console's own codes, as 8 rows of 6 pixels (one character per pixel).
struct SpecialGlyph {
    int code;
    const char* rows[8];
};
// g gold, b blue, . white; box pieces meet the cell's edges so that they join up.
const SpecialGlyph SPECIAL_GLYPHS[] = {
    {0xA0, {"  g   ", " ggg  ", "g g g ", "  g   ", "  g   ", "  g   ", "  g   ", "      "}},
    {0xA1, {"  g   ", "  g   ", "  g   ", "  g   ", "g g g ", " ggg  ", "  g   ", "      "}},
    {0xA2, {"      ", "  g   ", " g    ", "ggggg ", " g    ", "  g   ", "      ", "      "}},
    {0xA3, {"bbbbb ", "b   b ", "b   b ", "b   b ", "b   b ", "b   b ", "bbbbb ", "      "}},
    {0xA4, {"      ", "      ", "      ", "  ....", "  .   ", "  .   ", "  .   ", "  .   "}},
    {0xA5, {"      ", "      ", "      ", "...   ", "  .   ", "  .   ", "  .   ", "  .   "}},
    {0xA6, {"  .   ", "  .   ", "  .   ", "  ....", "      ", "      ", "      ", "      "}},
    {0xA7, {"  .   ", "  .   ", "  .   ", "...   ", "      ", "      ", "      ", "      "}},
    {0xB3, {"      ", "      ", "      ", "......", "      ", "      ", "      ", "      "}},
    {0xB4, {"  .   ", "  .   ", "  .   ", "  .   ", "  .   ", "  .   ", "  .   ", "  .   "}},
};

const char* const FONT_COLOURS[] = {
    "  c #000000", ". c #FFFFFF", "b c #4750C8", "r c #FF0000", "g c #C9B234",
};

// 32 x 32: a floppy disk.
const char* const DISK_ICON[] = {
    "32 32 4 1",
    "  c #FF00FF",
    ". c #202020",
    "w c #F0F0F0",
    "b c #3050A0",
    "                                ",
    "                                ",
    "   ..........................   ",
    "   .bbbbbwwwwwwwwwwwwwwbb.bbb.  ",
    "   .bbbbbwwwwwwwwwwww..wb.bbbb. ",
    "   .bbbbbwwwwwwwwwwww..wb.bbbb. ",
    "   .bbbbbwwwwwwwwwwww..wb.bbbb. ",
    "   .bbbbbwwwwwwwwwwww..wb.bbbb. ",
    "   .bbbbbwwwwwwwwwwww..wb.bbbb. ",
    "   .bbbbbwwwwwwwwwwwwwwbb.bbbb. ",
    "   .bbbbbbbbbbbbbbbbbbbbbbbbbb. ",
    "   .bbbbbbbbbbbbbbbbbbbbbbbbbb. ",
    "   .bbbbbbbbbbbbbbbbbbbbbbbbbb. ",
    "   .bbbbbbbbbbbbbbbbbbbbbbbbbb. ",
    "   .bbbwwwwwwwwwwwwwwwwwwwwbbb. ",
    "   .bbbwwwwwwwwwwwwwwwwwwwwbbb. ",
    "   .bbbww................wwbbb. ",
    "   .bbbwwwwwwwwwwwwwwwwwwwwbbb. ",
    "   .bbbwwwwwwwwwwwwwwwwwwwwbbb. ",
    "   .bbbww................wwbbb. ",
    "   .bbbwwwwwwwwwwwwwwwwwwwwbbb. ",
    "   .bbbwwwwwwwwwwwwwwwwwwwwbbb. ",
    "   .bbbww................wwbbb. ",
    "   .bbbwwwwwwwwwwwwwwwwwwwwbbb. ",
    "   .bbbwwwwwwwwwwwwwwwwwwwwbbb. ",
    "   .bbbwwwwwwwwwwwwwwwwwwwwbbb. ",
    "   .bbbwwwwwwwwwwwwwwwwwwwwbbb. ",
    "   .bbbwwwwwwwwwwwwwwwwwwwwbbb. ",
    "   .bbbwwwwwwwwwwwwwwwwwwwwbbb. ",
    "   ...........................  ",
    "                                ",
    "                                ",
};

// 32 x 32: two screens joined by a cable.
const char* const NETWORK_ICON[] = {
    "32 32 3 1",
    "  c #FF00FF",
    ". c #101010",
    "g c #40E040",
    "                                ",
    "                                ",
    "  ............                  ",
    "  .gggggggggg.                  ",
    "  .gggggggggg.                  ",
    "  .gggggggggg.                  ",
    "  .gggggggggg.                  ",
    "  .gggggggggg.                  ",
    "  .gggggggggg.                  ",
    "  ............                  ",
    "       ..                       ",
    "       ..                       ",
    "     ......                     ",
    "       ..                       ",
    "       ..                       ",
    "       ..                       ",
    "       .................        ",
    "                       ..       ",
    "                       ..       ",
    "                  ............  ",
    "                  .gggggggggg.  ",
    "                  .gggggggggg.  ",
    "                  .gggggggggg.  ",
    "                  .gggggggggg.  ",
    "                  .gggggggggg.  ",
    "                  .gggggggggg.  ",
    "                  ............  ",
    "                       ..       ",
    "                     ......     ",
    "                                ",
    "                                ",
    "                                ",
};

Surface* MakeSurface(const char* const* lines, size_t count)
{
    SmartPtr<PixelData> pixels(new MemPixelData(lines, count));
    return new Surface(pixels.Get());
}

Surface* MakeKeyedIcon(const char* const* lines, size_t count)
{
    Surface* surface = MakeSurface(lines, count);
    if (PixelData* pixels = surface->GetPixelData())
        pixels->SetColorKey(255, 0, 255, 255);
    surface->SetFlags(surface->GetFlags() | Surface::FLAG_COLORKEY);
    return surface;
}

} // namespace

std::vector<NarrowString> FontImageText()
{
    std::vector<NarrowString> lines;
    NarrowString header;
    header.AppendInt(FONT_WIDTH);
    header += " ";
    header.AppendInt(FONT_HEIGHT);
    header += " 5 1";
    lines.push_back(header);
    for (const char* colour : FONT_COLOURS)
        lines.push_back(colour);
    std::vector<NarrowString> rows(FONT_HEIGHT, NarrowString(FONT_WIDTH, ' '));
    auto cellOrigin = [](int code, int& x, int& y) {
        int cell = code - FIRST_CODE;
        x = (cell % GLYPHS_PER_ROW) * GLYPH_WIDTH;
        y = (cell / GLYPHS_PER_ROW) * GLYPH_HEIGHT;
    };
    for (int code = FIRST_CODE; code <= 0x7E; ++code) {
        int x, y;
        cellOrigin(code, x, y);
        for (int column = 0; column < 5; ++column)
            for (int row = 0; row < 7; ++row)
                if (ASCII_GLYPHS[code - FIRST_CODE][column] & (1 << row))
                    rows[y + row][x + column] = '.';
    }
    for (const SpecialGlyph& glyph : SPECIAL_GLYPHS) {
        int x, y;
        cellOrigin(glyph.code, x, y);
        for (int row = 0; row < GLYPH_HEIGHT; ++row)
            for (int column = 0; column < GLYPH_WIDTH; ++column)
                rows[y + row][x + column] = glyph.rows[row][column];
    }
    lines.insert(lines.end(), rows.begin(), rows.end());
    return lines;
}

Surface* CreateFont()
{
    std::vector<NarrowString> text = FontImageText();
    std::vector<const char*> lines;
    for (const NarrowString& line : text)
        lines.push_back(line.c_str());
    Surface* font = MakeSurface(lines.data(), lines.size());
    // Keyed on black, but keying is only switched on while the console draws.
    if (PixelData* pixels = font->GetPixelData())
        pixels->SetColorKey(0, 0, 0, 255);
    return font;
}

Surface* CreateDiskIcon()
{
    return MakeKeyedIcon(DISK_ICON, sizeof(DISK_ICON) / sizeof(DISK_ICON[0]));
}

Surface* CreateNetworkIcon()
{
    return MakeKeyedIcon(NETWORK_ICON, sizeof(NETWORK_ICON) / sizeof(NETWORK_ICON[0]));
}

} // namespace DebugOverlayImages
} // namespace Vorn
