#include "art/ArtBuild.h"
#include "art/ArtCharacters.h"
#include "ImageTable.h"
#include "art/Recipes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <set>

using namespace DataBuild;
using IT = ImageTable;

namespace {

const std::string TEXTS_DIR = std::string(VORN_SOURCE_DIR) + "/data/texts";

ArtSize SizeOf(int width)
{
    ArtSize size;
    EXPECT_TRUE(ArtSize::ForWidth(width, size));
    return size;
}

double Luminance(double r, double g, double b)
{
    auto linear = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
}

const std::set<int> TINTED_SETS = {0, 7};

} // namespace

TEST(ArtPictures, PiecesFillTheirCellsAndNothingElse)
{
    for (int width : {240, 480}) {
        const ArtSize size = SizeOf(width);
        for (int set : {0, 6, 7, 9, 11}) {
            for (int type = 0; type < 28; ++type) {
                const Canvas piece = DrawBlock(size, set, type);
                ASSERT_EQ(piece.Width(), size.PieceWidth(type));
                ASSERT_EQ(piece.Height(), size.PieceHeight(type));
                const double cw = static_cast<double>(piece.Width()) / size.typeColumns[type];
                const double ch = static_cast<double>(piece.Height()) / size.typeRows[type];
                for (int y = 0; y < piece.Height(); ++y) {
                    for (int x = 0; x < piece.Width(); ++x) {
                        const int column = std::min(static_cast<int>(x / cw), size.typeColumns[type] - 1);
                        const int row = std::min(static_cast<int>(y / ch), size.typeRows[type] - 1);
                        const bool member = (size.typeMask[type] >> (column + 4 * row)) & 1;
                        if (!member) {
                            ASSERT_EQ(piece.Get(x, y).a, 0)
                                << "set " << set << " type " << type << " at " << x << "," << y;
                        }
                    }
                }
                // The ink-drawn set keeps its fill a little transparent (see below).
                const int least = set == 0 ? 170 : 255;
                for (int row = 0; row < size.typeRows[type]; ++row)
                    for (int column = 0; column < size.typeColumns[type]; ++column)
                        if ((size.typeMask[type] >> (column + 4 * row)) & 1) {
                            EXPECT_GE(piece.Get(static_cast<int>((column + 0.5) * cw),
                                                static_cast<int>((row + 0.5) * ch)).a, least);
                        }
            }
        }
    }
}

TEST(ArtPictures, TintedSetsAreLightAndTheOthersColoured)
{
    const ArtSize size = SizeOf(320);
    for (int set : {0, 6, 7, 9, 11}) {
        // Weighted by coverage: what a tint shows of each pixel.
        double lightness = 0, saturation = 0, count = 0;
        for (int type = 0; type < 28; ++type) {
            const Canvas piece = DrawBlock(size, set, type);
            for (int y = 0; y < piece.Height(); ++y)
                for (int x = 0; x < piece.Width(); ++x) {
                    const Pixel p = piece.Get(x, y);
                    const double w = p.a / 255.0;
                    lightness += w * (p.r + p.g + p.b) / (3 * 255.0);
                    saturation += w * (std::max({p.r, p.g, p.b}) - std::min({p.r, p.g, p.b})) / 255.0;
                    count += w;
                }
        }
        lightness /= count;
        saturation /= count;
        if (TINTED_SETS.count(set)) {
            // A tint multiplies: only a light, grey piece takes the piece colour well.
            EXPECT_GT(lightness, 0.75) << set;
            EXPECT_LT(saturation, 0.06) << set;
        } else {
            EXPECT_GT(saturation, 0.1) << set;
        }
    }
}

// The plain set is also drawn tinted with the theme's ink, black in some themes, where only its
// alpha shows: walking from one cell's middle to its neighbour's, the alpha must dip in the pale
// margin and peak on the seam between them, so that a 2x2 block reads as four cells and not as
// one square, at full size and in the tray.
TEST(ArtPictures, TheInkTintedSetShowsItsCellsInTheAlpha)
{
    for (int width : {240, 320, 480, 600}) {
        const ArtSize size = SizeOf(width);
        for (int type : {0, 2, 26}) { // the square, the bar of four, the domino
            const Canvas piece = DrawBlock(size, 0, type);
            const double cw = static_cast<double>(piece.Width()) / size.typeColumns[type];
            const int y = static_cast<int>(0.5 * piece.Height() / size.typeRows[type]);
            int lowest = 255, seam = 0;
            for (int x = static_cast<int>(0.5 * cw); x <= static_cast<int>(1.5 * cw); ++x) {
                const int a = piece.Get(x, y).a;
                if (x < cw)
                    lowest = std::min(lowest, a);
                seam = std::max(seam, a);
            }
            const int middle = piece.Get(static_cast<int>(0.5 * cw), y).a;
            EXPECT_EQ(seam, 255) << width << " type " << type;
            EXPECT_LT(lowest, middle - 60) << width << " type " << type;
        }
    }
}

// The sets drawn in their own colours part their cells by a dark seam that stays at least two
// pixels wide, so that it survives the tray's scale (0.45): a 2x2 block must not read as one cell.
TEST(ArtPictures, ColouredSetsPartTheirCellsByASeam)
{
    auto luminance = [](const Pixel& p) { return (p.r + p.g + p.b) / 3.0; };
    for (int width : {240, 480, 600}) {
        const ArtSize size = SizeOf(width);
        for (int set : {6, 7, 9, 11}) {
            const Canvas piece = DrawBlock(size, set, 0); // the 2x2 square
            const int cell = piece.Width() / 2;
            double middle = 0, seam = 0;
            int middles = 0, seams = 0;
            for (int y = cell / 4; y < 3 * cell / 4; ++y) {
                for (int x = cell / 4; x < 3 * cell / 4; ++x, ++middles)
                    middle += luminance(piece.Get(x, y));
                for (int x = cell - 1; x <= cell; ++x, ++seams)
                    seam += luminance(piece.Get(x, y));
            }
            EXPECT_LT(seam / seams, 0.85 * middle / middles) << "set " << set << " at " << width;
        }
    }
}

TEST(ArtPictures, FrameTilesJoinAndLeaveTheOutsideClear)
{
    for (int width : {320, 600}) {
        const ArtSize size = SizeOf(width);
        const int s = size.cell;
        for (int id : {69, 70}) {
            const Canvas sheet = DrawFrameTiles(size, id);
            ASSERT_EQ(sheet.Width(), 5 * s);
            ASSERT_EQ(sheet.Height(), 3 * s);
            // The fill tile (1, 1) is opaque; its left and right columns continue each other,
            // since the board repeats it cell after cell.
            double step = 0;
            for (int y = 0; y < s; ++y) {
                for (int x = 0; x < s; ++x)
                    ASSERT_EQ(sheet.Get(s + x, s + y).a, 255) << id;
                const Pixel left = sheet.Get(s, s + y), right = sheet.Get(2 * s - 1, s + y);
                step += std::abs(left.r - right.r) + std::abs(left.g - right.g) + std::abs(left.b - right.b);
            }
            EXPECT_LT(step / (3 * s), 30) << id;
            // The top edge tile (1, 0) is clear at its top, where the board's outside lies.
            for (int x = 0; x < s; ++x)
                EXPECT_EQ(sheet.Get(s + x, 0).a, 0) << id;
            // The outer corner (0, 0) is clear in its three outside quarters' far corners.
            EXPECT_EQ(sheet.Get(0, 0).a, 0);
            EXPECT_EQ(sheet.Get(s - 1, 0).a, 0);
            EXPECT_EQ(sheet.Get(0, s - 1).a, 0);
            EXPECT_EQ(sheet.Get(s - 1, s - 1).a, 255);
        }
    }
}

TEST(ArtPictures, BackgroundsCoverTheScreenAndCarryReadableInk)
{
    const ArtSize size = SizeOf(320);
    for (int theme = 0; theme < IT::THEMES; ++theme) {
        const IT::Theme& t = IT::THEME_ROWS[theme];
        const Canvas background = DrawBackground(size, t.background);
        ASSERT_GE(background.Width(), size.width + size.cell);
        ASSERT_GE(background.Height(), size.height + size.cell);
        ASSERT_TRUE(background.IsOpaque());
        double sum = 0;
        int count = 0;
        for (int y = 0; y < size.height; y += 2)
            for (int x = 0; x < size.width; x += 2) {
                const Pixel p = background.Get(x, y);
                sum += Luminance(p.r / 255.0, p.g / 255.0, p.b / 255.0);
                ++count;
            }
        const double ground = sum / count;
        const Colour ink = Colour::Rgb(IT::COLOR_ROWS[theme][0]);
        const double inkLuminance = Luminance(ink.r, ink.g, ink.b);
        const double contrast = (std::max(ground, inkLuminance) + 0.05) / (std::min(ground, inkLuminance) + 0.05);
        EXPECT_GT(contrast, 3.0) << "theme " << theme << " background " << t.background;
    }
}

namespace {

// Perceived lightness (CIE L*, 0..100) of a relative luminance.
double Lightness(double luminance)
{
    const double f = luminance > 0.008856 ? std::cbrt(luminance) : 7.787 * luminance + 16.0 / 116.0;
    return 116 * f - 16;
}

// How the theme's ink reads on a rectangle of its background: the lowest contrast of the ink on
// any pixel (as the accessibility guidelines measure it); how far the pixel that strays most from
// the rectangle's typical lightness strays, as a share of the ink's distance from it (a glint or a
// dark blotch strays far, grain and paper fibre do not); and, in the same share, how far the
// strongest thin line across the rectangle stands out from the ground two pixels either side of it
// (a seam, a margin rule or a plank joint does, the broad streaks of wood grain do not).
struct Ground {
    double lowestContrast = 0;
    double stray = 0;
    double line = 0;
};

Ground GroundOf(const Canvas& background, const Colour& ink, int x0, int y0, int x1, int y1)
{
    const double inkLuminance = Luminance(ink.r, ink.g, ink.b);
    x0 = std::max(0, x0);
    y0 = std::max(0, y0);
    std::vector<double> luminances, columns(std::max(0, x1 - x0)), rows(std::max(0, y1 - y0));
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const Pixel p = background.Get(x, y);
            luminances.push_back(Luminance(p.r / 255.0, p.g / 255.0, p.b / 255.0));
            columns[x - x0] += Lightness(luminances.back()) / (y1 - y0);
            rows[y - y0] += Lightness(luminances.back()) / (x1 - x0);
        }
    Ground ground;
    if (luminances.empty())
        return ground;
    std::vector<double> sorted = luminances;
    std::sort(sorted.begin(), sorted.end());
    const double typical = Lightness(sorted[sorted.size() / 2]);
    const double inkDistance = std::fabs(Lightness(inkLuminance) - typical);
    ground.lowestContrast = 1e9;
    for (double l : luminances) {
        const double contrast = (std::max(l, inkLuminance) + 0.05) / (std::min(l, inkLuminance) + 0.05);
        ground.lowestContrast = std::min(ground.lowestContrast, contrast);
        ground.stray = std::max(ground.stray, std::fabs(Lightness(l) - typical) / inkDistance);
    }
    const int reach = 2;
    for (const std::vector<double>* means : {&columns, &rows})
        for (int i = reach; i + reach < static_cast<int>(means->size()); ++i) {
            const double around = ((*means)[i - reach] + (*means)[i + reach]) / 2;
            ground.line = std::max(ground.line, std::fabs((*means)[i] - around) / inkDistance);
        }
    return ground;
}

} // namespace

// The play screen's corner labels (MENU, and HINTS or BACK) are small text in the bottom row's
// corners, the longest caption about four cells wide: on every theme and size their ground must be
// calm and far enough from the ink for small text.
TEST(ArtPictures, CornerLabelsSitOnACleanGround)
{
    for (int width : ArtSize::Widths()) {
        const ArtSize size = SizeOf(width);
        const double c = size.cell, rows = static_cast<double>(size.height) / c;
        const int top = static_cast<int>((rows - 0.85) * c), bottom = static_cast<int>((rows - 0.15) * c);
        for (int theme = 0; theme < IT::THEMES; ++theme) {
            const Canvas background = DrawBackground(size, IT::THEME_ROWS[theme].background);
            const Colour ink = Colour::Rgb(IT::COLOR_ROWS[theme][0]);
            for (bool right : {false, true}) {
                const int x0 = static_cast<int>(right ? size.width - 4.2 * c : 0.2 * c);
                const Ground ground = GroundOf(background, ink, x0, top, x0 + static_cast<int>(4 * c), bottom);
                const std::string where =
                    "size " + std::to_string(width) + " theme " + std::to_string(theme) + (right ? " right" : " left");
                EXPECT_GT(ground.lowestContrast, 4.5) << where;
                EXPECT_LT(ground.stray, 0.3) << where;
                EXPECT_LT(ground.line, 0.2) << where;
            }
        }
    }
}

// Buttons, captions and text blocks reach to 0.2 cells from the screen's edges; the level title
// and the help text may stand anywhere in between. Nowhere there may the ground take the ink's
// contrast away or draw a line through the text (the notebook's faint rules are the most it may
// show), and the grain of a theme stays the same from size to size.
TEST(ArtPictures, TextAreasKeepTheInkReadableAtEverySize)
{
    for (int theme = 0; theme < IT::THEMES; ++theme) {
        const Colour ink = Colour::Rgb(IT::COLOR_ROWS[theme][0]);
        std::vector<double> strays;
        for (int width : ArtSize::Widths()) {
            const ArtSize size = SizeOf(width);
            const int inset = static_cast<int>(0.15 * size.cell);
            const Canvas background = DrawBackground(size, IT::THEME_ROWS[theme].background);
            const Ground ground =
                GroundOf(background, ink, inset, inset, size.width - inset, size.height - inset);
            EXPECT_GT(ground.lowestContrast, 3.0) << "size " << width << " theme " << theme;
            EXPECT_LT(ground.line, 0.2) << "size " << width << " theme " << theme;
            strays.push_back(ground.stray);
        }
        const auto range = std::minmax_element(strays.begin(), strays.end());
        EXPECT_LT(*range.second - *range.first, 0.2) << "theme " << theme;
    }
}

TEST(ArtPictures, SplashImagesFillTheScreen)
{
    for (int width : ArtSize::Widths()) {
        const ArtSize size = SizeOf(width);
        for (int id : {IT::SPLASH_ENGINE, IT::SPLASH_GAME}) {
            const Canvas splash = DrawSplash(size, id);
            EXPECT_EQ(splash.Width(), size.width);
            EXPECT_EQ(splash.Height(), size.height);
            EXPECT_TRUE(splash.IsOpaque());
        }
        // The game fills the screen with the first splash's pixel (1, 1): it is its ground.
        const Canvas engine = DrawSplash(size, IT::SPLASH_ENGINE);
        const Pixel fill = engine.Get(1, 1);
        for (const auto& corner : {std::make_pair(0, 0), std::make_pair(size.width - 1, size.height - 1)}) {
            const Pixel p = engine.Get(corner.first, corner.second);
            EXPECT_EQ(p.r, fill.r);
            EXPECT_EQ(p.g, fill.g);
            EXPECT_EQ(p.b, fill.b);
        }
    }
}

TEST(ArtPictures, IconsAndLogosFitWhereTheGameDrawsThem)
{
    for (int width : ArtSize::Widths()) {
        const ArtSize size = SizeOf(width);
        for (int id : {2, 3, 5, 9, 10, 12, 14}) {
            const Canvas logo = DrawLogo(size, id);
            EXPECT_LE(logo.Width(), size.width);
            // Centred on half the menu's top, so it must not reach into the menu.
            EXPECT_LE(logo.Height(), size.menuTop);
        }
        EXPECT_EQ(DrawIcon(size, IT::LOCKED).Width(), 2 * size.cell);
        for (int id : {IT::LOCKED_SMALL, IT::BULB_SMALL, IT::DONE_SMALL})
            EXPECT_LT(DrawIcon(size, id).Height(), size.cell);
    }
}

// The whole archive of the smallest size: every image the themes use is a file or an atlas frame,
// every atlas frame lies inside its image, and a second build gives the same bytes.
TEST(ArtArchive, HoldsEveryUsedImageAndIsReproducible)
{
    std::vector<uint32_t> characters;
    std::string error;
    ASSERT_TRUE(LoadFontCharacters(TEXTS_DIR, characters, error)) << error;
    const ArtSize size = SizeOf(240);
    std::vector<ArtFile> files;
    ASSERT_TRUE(BuildArtFiles(size, characters, 0, files, error)) << error;
    std::map<std::string, const ArtFile*> byName;
    for (const ArtFile& file : files)
        byName[file.name] = &file;

    std::set<std::string> frames;
    const std::regex rect("<rect id=\"([^\"]+)\" x=\"(\\d+)\" y=\"(\\d+)\" width=\"(\\d+)\" height=\"(\\d+)\"/>");
    for (const AtlasPlan& plan : AtlasPlans(size)) {
        ASSERT_TRUE(byName.count(plan.stem + ".xml")) << plan.stem;
        ASSERT_TRUE(byName.count(plan.stem + ".png")) << plan.stem;
        Canvas image;
        ASSERT_TRUE(DecodePng(byName[plan.stem + ".png"]->bytes, image, error)) << error;
        const std::vector<uint8_t>& bytes = byName[plan.stem + ".xml"]->bytes;
        const std::string xml(bytes.begin(), bytes.end());
        for (auto it = std::sregex_iterator(xml.begin(), xml.end(), rect); it != std::sregex_iterator(); ++it) {
            const std::smatch& m = *it;
            frames.insert(m[1]);
            EXPECT_LE(std::stoi(m[2]) + std::stoi(m[4]), image.Width()) << m[1];
            EXPECT_LE(std::stoi(m[3]) + std::stoi(m[5]), image.Height()) << m[1];
        }
    }
    EXPECT_FALSE(byName.count("atlas_ui4.xml")); // loaded at 600 pixels only
    for (int id : IT::UsedIds()) {
        const std::string name = IT::FileName(id);
        EXPECT_TRUE(byName.count(name) || frames.count("device/" + name)) << id << " " << name;
        if (id >= 46 && id <= 53) {
            EXPECT_TRUE(byName.count(name.substr(0, name.find('.')) + ".xml")) << name;
        }
    }

    std::vector<ArtFile> again;
    ASSERT_TRUE(BuildArtFiles(size, characters, 3, again, error)) << error;
    ASSERT_EQ(again.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(again[i].name, files[i].name);
        EXPECT_TRUE(again[i].bytes == files[i].bytes) << files[i].name;
    }
}

TEST(ArtArchive, AMissingGlyphFailsTheBuild)
{
    std::vector<uint32_t> characters = FixedFontCharacters();
    characters.push_back(0x4E2D);
    std::vector<ArtFile> files;
    std::string error;
    EXPECT_FALSE(BuildArtFiles(SizeOf(240), characters, 0, files, error));
    EXPECT_NE(error.find("U+4E2D"), std::string::npos) << error;
    EXPECT_TRUE(files.empty());
}
