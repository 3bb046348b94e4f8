#include "art/ArtCharacters.h"
#include "art/Drawing.h"
#include "art/FontSheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace DataBuild;

namespace {

const std::string TEXTS_DIR = std::string(VORN_SOURCE_DIR) + "/data/texts";

FontRecipe Recipe(int size, double slant = 0)
{
    FontRecipe recipe;
    recipe.fontFile = FontPath("DejaVuSans-Bold.ttf");
    recipe.pixelSize = size;
    recipe.slant = slant;
    return recipe;
}

const Glyph* Find(const FontSheet& sheet, uint32_t code)
{
    for (const Glyph& glyph : sheet.glyphs)
        if (glyph.code == code)
            return &glyph;
    return nullptr;
}

} // namespace

TEST(ArtFonts, EveryCharacterOfTheTextsHasAGlyphOfOneHeight)
{
    std::vector<uint32_t> characters;
    std::string error;
    ASSERT_TRUE(LoadFontCharacters(TEXTS_DIR, characters, error)) << error;
    for (int size : {10, 12, 23, 30}) {
        for (double slant : {0.0, 0.2}) {
            FontSheet sheet;
            ASSERT_TRUE(BuildFontSheet(Recipe(size, slant), characters, sheet, error)) << error;
            ASSERT_EQ(sheet.glyphs.size(), characters.size());
            for (uint32_t code : characters) {
                const Glyph* glyph = Find(sheet, code);
                ASSERT_NE(glyph, nullptr) << "U+" << std::hex << code;
                EXPECT_EQ(glyph->height, sheet.lineHeight);
                EXPECT_GE(glyph->x, 0);
                EXPECT_GE(glyph->y, 0);
                EXPECT_LE(glyph->x + glyph->width, sheet.image.Width());
                EXPECT_LE(glyph->y + glyph->height, sheet.image.Height());
                if (code != 10 && code != ' ' && code != 0xA0) {
                    EXPECT_GT(glyph->width, 0) << "U+" << std::hex << code;
                }
            }
            // The glyph table lists the codes in order, as the reader's first-glyph rules expect.
            EXPECT_TRUE(std::is_sorted(sheet.glyphs.begin(), sheet.glyphs.end(),
                                       [](const Glyph& a, const Glyph& b) { return a.code < b.code; }));
        }
    }
}

TEST(ArtFonts, LineFeedIsEmptyAndGlyphsStayInTheirRectangles)
{
    FontSheet sheet;
    std::string error;
    const std::vector<uint32_t> codes = FixedFontCharacters();
    ASSERT_TRUE(BuildFontSheet(Recipe(20, 0.2), codes, sheet, error)) << error;
    const Glyph* feed = Find(sheet, 10);
    ASSERT_NE(feed, nullptr);
    EXPECT_EQ(feed->width, 0);
    // The line feed is the smallest code, whose height the engine takes as the line height.
    EXPECT_EQ(sheet.glyphs.front().code, 10u);
    EXPECT_EQ(feed->height, sheet.lineHeight);
    // No ink outside the glyph rectangles, so no glyph shows a piece of its neighbour.
    std::vector<bool> covered(static_cast<size_t>(sheet.image.Width()) * sheet.image.Height());
    for (const Glyph& glyph : sheet.glyphs)
        for (int y = glyph.y; y < glyph.y + glyph.height; ++y)
            for (int x = glyph.x; x < glyph.x + glyph.width; ++x)
                covered[static_cast<size_t>(y) * sheet.image.Width() + x] = true;
    for (int y = 0; y < sheet.image.Height(); ++y)
        for (int x = 0; x < sheet.image.Width(); ++x)
            if (!covered[static_cast<size_t>(y) * sheet.image.Width() + x]) {
                ASSERT_EQ(sheet.image.Get(x, y).a, 0) << x << "," << y;
            }
}

TEST(ArtFonts, CapitalsSitOnTheLinesMiddle)
{
    FontSheet sheet;
    std::string error;
    ASSERT_TRUE(BuildFontSheet(Recipe(30), {'H', 'g', 0xC9}, sheet, error)) << error;
    const Glyph* h = Find(sheet, 'H');
    ASSERT_NE(h, nullptr);
    int top = -1, bottom = -1;
    for (int y = 0; y < h->height; ++y)
        for (int x = 0; x < h->width; ++x)
            if (sheet.image.Get(h->x + x, h->y + y).a > 128) {
                if (top < 0)
                    top = y;
                bottom = y;
            }
    ASSERT_GE(top, 0);
    const double middle = (top + bottom + 1) / 2.0;
    // The game centres a glyph rectangle on the given y: the capitals must be centred there.
    EXPECT_NEAR(middle, h->height / 2.0, 1.5);
}

TEST(ArtFonts, AMissingGlyphFailsAndNamesTheCharacter)
{
    FontSheet sheet;
    std::string error;
    EXPECT_FALSE(BuildFontSheet(Recipe(12), {'A', 0x4E2D, 0xE83A}, sheet, error));
    EXPECT_NE(error.find("U+4E2D"), std::string::npos) << error;
    EXPECT_NE(error.find("U+E83A"), std::string::npos) << error;
    EXPECT_FALSE(BuildFontSheet(Recipe(0), {'A'}, sheet, error));
    FontRecipe missing = Recipe(12);
    missing.fontFile = "/nonexistent/font.ttf";
    EXPECT_FALSE(BuildFontSheet(missing, {'A'}, sheet, error));
}

TEST(ArtFonts, DescriptionListsEveryGlyphAndNoKerningPairs)
{
    FontSheet sheet;
    std::string error;
    ASSERT_TRUE(BuildFontSheet(Recipe(14), {10, 'A', 0xE9}, sheet, error)) << error;
    const std::string xml = sheet.DescriptionXml();
    EXPECT_NE(xml.find("<char code=\"10\" x=\"0\" y=\"0\" width=\"0\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("<char code=\"65\""), std::string::npos);
    EXPECT_NE(xml.find("<char code=\"233\""), std::string::npos);
    EXPECT_NE(xml.find("<kerning default=\"0\"/>"), std::string::npos);
    EXPECT_EQ(xml.find("<pair"), std::string::npos);
}

TEST(ArtFonts, CharactersComeFromTheTablesAndTheKeyboard)
{
    std::vector<uint32_t> characters;
    std::string error;
    ASSERT_TRUE(LoadFontCharacters(TEXTS_DIR, characters, error)) << error;
    const std::set<uint32_t> set(characters.begin(), characters.end());
    for (uint32_t code : {10u, 32u, 95u, 0xFFFDu, 0xE9u, 0xDFu, 0x2019u, 0xA0u})
        EXPECT_TRUE(set.count(code)) << "U+" << std::hex << code;
    for (char c : std::string("abcxyzABCXYZ1234567890+-!?.,|=()[]{}:;"))
        EXPECT_TRUE(set.count(static_cast<unsigned char>(c))) << c;
    EXPECT_FALSE(LoadFontCharacters("/nonexistent", characters, error));
}
