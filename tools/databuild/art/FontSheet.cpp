#include "art/FontSheet.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace DataBuild {

namespace {

const uint32_t LINE_FEED = 10;
const uint32_t REPLACEMENT = 0xFFFD;

// One FreeType library and face, released together.
class Face {
public:
    explicit Face(const std::string& path)
    {
        if (FT_Init_FreeType(&m_library) != 0) {
            m_library = nullptr;
            return;
        }
        if (FT_New_Face(m_library, path.c_str(), 0, &m_face) != 0)
            m_face = nullptr;
    }
    ~Face()
    {
        if (m_face)
            FT_Done_Face(m_face);
        if (m_library)
            FT_Done_FreeType(m_library);
    }
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;

    FT_Face Get() const { return m_face; }

private:
    FT_Library m_library = nullptr;
    FT_Face m_face = nullptr;
};

struct Rendered {
    uint32_t code = 0;
    int left = 0, top = 0, width = 0, rows = 0, advance = 0;
    std::vector<uint8_t> coverage;
};

bool Render(FT_Face face, uint32_t code, const FontRecipe& recipe, Rendered& out)
{
    out = Rendered();
    out.code = code;
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0)
        return false;
    FT_GlyphSlot slot = face->glyph;
    FT_Pos extra = 0;
    if (recipe.embolden > 0 && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        extra = static_cast<FT_Pos>(std::lround(recipe.embolden * 64));
        FT_Outline_Embolden(&slot->outline, extra);
    }
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
        return false;
    out.advance = static_cast<int>((slot->advance.x + extra + 32) >> 6);
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    out.width = static_cast<int>(slot->bitmap.width);
    out.rows = static_cast<int>(slot->bitmap.rows);
    out.coverage.resize(static_cast<size_t>(out.width) * out.rows);
    for (int y = 0; y < out.rows; ++y)
        for (int x = 0; x < out.width; ++x)
            out.coverage[static_cast<size_t>(y) * out.width + x] =
                slot->bitmap.buffer[y * slot->bitmap.pitch + x];
    return true;
}

std::string CodeName(uint32_t code)
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", code);
    return text;
}

// Sets the face's size and, for a slanted recipe, its shear.
void SetUpFace(FT_Face face, const FontRecipe& recipe)
{
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(recipe.pixelSize));
    if (recipe.slant == 0)
        return;
    // Sheared about the middle of the lower-case letters rather than the baseline, so that a
    // letter leans out about as far on the left as on the right and mostly stays within its
    // advance: glyph rectangles are as wide as their ink, and wider ones space the text out.
    FT_Matrix shear = {0x10000, static_cast<FT_Fixed>(std::lround(recipe.slant * 0x10000)), 0,
                       0x10000};
    FT_Vector pivot = {-static_cast<FT_Pos>(std::lround(recipe.slant * 0.27 * recipe.pixelSize * 64)), 0};
    FT_Set_Transform(face, &shear, &pivot);
}

// Every code but the line feed must have a glyph in the face; error lists those that have none.
bool CheckGlyphs(FT_Face face, const FontRecipe& recipe, const std::vector<uint32_t>& codes,
                 std::string& error)
{
    std::string missing;
    for (uint32_t code : codes) {
        if (code != LINE_FEED && FT_Get_Char_Index(face, code) == 0)
            missing += (missing.empty() ? "" : ", ") + CodeName(code);
    }
    if (missing.empty())
        return true;
    error = recipe.fontFile + " has no glyph for " + missing;
    return false;
}

// The glyphs of every code but the line feed, and how far above and below the baseline their ink
// reaches (above: at least as far as the capital H's).
bool RenderGlyphs(FT_Face face, const FontRecipe& recipe, const std::vector<uint32_t>& codes,
                  int capHeight, std::vector<Rendered>& glyphs, int& ascent, int& descent,
                  std::string& error)
{
    ascent = capHeight;
    descent = 0;
    for (uint32_t code : codes) {
        if (code == LINE_FEED)
            continue;
        Rendered glyph;
        if (!Render(face, code, recipe, glyph)) {
            error = recipe.fontFile + ": cannot render " + CodeName(code);
            return false;
        }
        if (glyph.rows > 0) {
            ascent = std::max(ascent, glyph.top);
            descent = std::max(descent, glyph.rows - glyph.top);
        }
        glyphs.push_back(std::move(glyph));
    }
    return true;
}

// The line's middle sits on the middle of the capitals, so that a caption centred on a point
// looks centred; the line is as tall as that takes to hold every glyph, plus a pixel each side.
void FitLine(int capHeight, int ascent, int descent, int& lineHeight, int& baseline)
{
    lineHeight = std::max(2 * ascent - capHeight, capHeight + 2 * descent) + 2;
    baseline = (lineHeight + capHeight + 1) / 2;
    while (baseline - ascent < 1 || baseline + descent > lineHeight - 1) {
        ++lineHeight;
        baseline = (lineHeight + capHeight + 1) / 2;
    }
}

// A glyph's cell: the advance, widened where the outline reaches past either side of it.
struct Cell {
    int width;
    int originX;
};

// The cells of the glyphs, and a sheet width that holds them in a roughly square sheet.
std::vector<Cell> MeasureCells(const std::vector<Rendered>& glyphs, int lineHeight, int& sheetWidth)
{
    std::vector<Cell> cells;
    long area = 0;
    int widest = 1;
    for (const Rendered& glyph : glyphs) {
        const int originX = std::max(0, -glyph.left);
        const int width = std::max(glyph.advance + originX, originX + glyph.left + glyph.width);
        cells.push_back({width, originX});
        area += static_cast<long>(width + 1) * (lineHeight + 1);
        widest = std::max(widest, width + 1);
    }
    sheetWidth = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(area)) * 1.1));
    sheetWidth = std::max(widest, (sheetWidth + 7) / 8 * 8);
    return cells;
}

// Rows of glyphs, one pixel apart, from the top left; sheetHeight is where the last row ends.
std::vector<Glyph> PlaceCells(const std::vector<Rendered>& glyphs, const std::vector<Cell>& cells,
                              int sheetWidth, int lineHeight, int& sheetHeight)
{
    std::vector<Glyph> placed;
    placed.reserve(glyphs.size() + 1);
    int x = 0, y = 0;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        if (x + cells[i].width > sheetWidth) {
            x = 0;
            y += lineHeight + 1;
        }
        placed.push_back({glyphs[i].code, x, y, cells[i].width, lineHeight});
        x += cells[i].width + 1;
    }
    sheetHeight = y + lineHeight;
    return placed;
}

// Copies each glyph's coverage into its cell, on the baseline, clipped to the cell's line.
void PaintGlyphs(Canvas& image, const std::vector<Rendered>& glyphs, const std::vector<Cell>& cells,
                 const std::vector<Glyph>& placed, int baseline, int lineHeight)
{
    image.Flush();
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const Rendered& glyph = glyphs[i];
        const int left = placed[i].x + cells[i].originX + glyph.left;
        const int top = placed[i].y + baseline - glyph.top;
        for (int gy = 0; gy < glyph.rows; ++gy) {
            const int py = top + gy;
            if (py < placed[i].y || py >= placed[i].y + lineHeight)
                continue;
            uint8_t* row = image.Row(py);
            for (int gx = 0; gx < glyph.width; ++gx)
                row[left + gx] = glyph.coverage[static_cast<size_t>(gy) * glyph.width + gx];
        }
    }
    image.MarkDirty();
}

} // namespace

std::vector<uint32_t> FixedFontCharacters()
{
    std::vector<uint32_t> codes = {LINE_FEED, ' ', '_', REPLACEMENT};
    for (uint32_t c = 'a'; c <= 'z'; ++c)
        codes.push_back(c);
    for (uint32_t c = 'A'; c <= 'Z'; ++c)
        codes.push_back(c);
    // Page 2 of the name keyboard; the digits also serve numbers, "-" negative ones.
    for (char c : std::string("1234567890+-!?.,|=()[]{}:;"))
        codes.push_back(static_cast<unsigned char>(c));
    // Numbers and counts are joined with these in the interface ("3/27", "1h 2m 3s"); the help
    // pages' arrows are literal captions that no text table holds.
    for (char c : std::string("/%<>"))
        codes.push_back(static_cast<unsigned char>(c));
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    return codes;
}

bool DecodeCharacters(const std::string& utf8, std::vector<uint32_t>& codes)
{
    codes.clear();
    size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        int length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > utf8.size())
            return false;
        uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        codes.push_back(code);
        i += length;
    }
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    return true;
}

bool BuildFontSheet(const FontRecipe& recipe, const std::vector<uint32_t>& requested,
                    FontSheet& sheet, std::string& error)
{
    sheet = FontSheet();
    if (recipe.pixelSize < 4 || recipe.pixelSize > 512) {
        error = "font size out of range";
        return false;
    }
    Face face(recipe.fontFile);
    if (!face.Get()) {
        error = recipe.fontFile + ": cannot be opened as a font";
        return false;
    }
    SetUpFace(face.Get(), recipe);

    std::vector<uint32_t> codes = requested;
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    if (!CheckGlyphs(face.Get(), recipe, codes, error))
        return false;

    Rendered capital;
    if (!Render(face.Get(), 'H', recipe, capital)) {
        error = recipe.fontFile + ": cannot render H";
        return false;
    }
    std::vector<Rendered> glyphs;
    int ascent = 0, descent = 0;
    if (!RenderGlyphs(face.Get(), recipe, codes, capital.top, glyphs, ascent, descent, error))
        return false;
    int lineHeight = 0, baseline = 0;
    FitLine(capital.top, ascent, descent, lineHeight, baseline);

    int sheetWidth = 0, sheetHeight = 0;
    const std::vector<Cell> cells = MeasureCells(glyphs, lineHeight, sheetWidth);
    // The line feed takes the empty corner at (0, 0).
    std::vector<Glyph> placed = PlaceCells(glyphs, cells, sheetWidth, lineHeight, sheetHeight);
    Canvas image(sheetWidth, sheetHeight, Canvas::MASK);
    if (!image.IsValid()) {
        error = "out of memory";
        return false;
    }
    PaintGlyphs(image, glyphs, cells, placed, baseline, lineHeight);

    if (std::binary_search(codes.begin(), codes.end(), LINE_FEED))
        placed.push_back({LINE_FEED, 0, 0, 0, lineHeight});
    std::sort(placed.begin(), placed.end(),
              [](const Glyph& a, const Glyph& b) { return a.code < b.code; });
    sheet.image = std::move(image);
    sheet.glyphs = std::move(placed);
    sheet.lineHeight = lineHeight;
    sheet.baseline = baseline;
    return true;
}

std::string FontSheet::DescriptionXml() const
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<font>\n  <characters>\n";
    for (const Glyph& glyph : glyphs) {
        char line[160];
        std::snprintf(line, sizeof line,
                      "    <char code=\"%u\" x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\"/>\n",
                      glyph.code, glyph.x, glyph.y, glyph.width, glyph.height);
        xml += line;
    }
    xml += "  </characters>\n  <kerning default=\"0\"/>\n</font>\n";
    return xml;
}

} // namespace DataBuild
