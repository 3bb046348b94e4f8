#include "art/ArtSize.h"
#include "art/ImageTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>

using namespace DataBuild;
namespace IT = DataBuild::ImageTable;

TEST(ArtImageTable, NamesTheImagesAsTheGameDoes)
{
    const std::vector<std::string>& names = IT::FileNames();
    ASSERT_EQ(names.size(), 420u);
    EXPECT_EQ(names[1], "ver03_on_white.png");
    EXPECT_FALSE(names[0].empty());
    EXPECT_EQ(names[2], "ui/logo.png");
    EXPECT_EQ(names[14], "ui/logo_zombie.png");
    EXPECT_EQ(names[25], names[27]);
    EXPECT_EQ(names[28], "ui/background_zombie.png");
    EXPECT_EQ(names[43], "ui/gridSmall.png");
    EXPECT_EQ(names[46], "fonts/efigs/glfonts/font.png");
    EXPECT_EQ(names[49], "fonts/efigs/glfontsValentines/fontsmall.png");
    EXPECT_EQ(names[53], "fonts/efigs/glfontsBeach/font_small.png");
    EXPECT_EQ(names[58], "ui/done_small.png");
    for (int id = 59; id <= 66; ++id)
        EXPECT_TRUE(names[id].empty()) << id;
    EXPECT_EQ(names[70], "ui/ingame_zombie.png");
    EXPECT_EQ(names[71], "blocks/00.png");
    EXPECT_EQ(names[98], "blocks/27.png");
    EXPECT_EQ(names[384], "blocksZombie/05.png");
    EXPECT_EQ(names[406], "blocksZombie/27.png");
    for (int id = 407; id < 420; ++id)
        EXPECT_TRUE(names[id].empty()) << id;
}

TEST(ArtImageTable, ThemesUseTheirSetsAndColours)
{
    EXPECT_EQ(IT::ThemeAt(0).background, 15);
    EXPECT_EQ(IT::ThemeAt(1).logo, 3);
    EXPECT_EQ(IT::BlockSetOfFirstImage(IT::ThemeAt(2).blocks), 6);
    EXPECT_EQ(IT::BlockSetOfFirstImage(IT::ThemeAt(7).blocks), 11);
    EXPECT_EQ(IT::BlockSetOfFirstImage(72), -1);
    EXPECT_EQ(IT::ThemeAt(4).ingame, 69);
    EXPECT_EQ(IT::ThemeAt(0).ingame, IT::NO_IMAGE);
    EXPECT_EQ(IT::ColourWord(0, 0), 0x000000u);
    EXPECT_EQ(IT::ColourWord(3, 2), 0xDC3059u);
    EXPECT_EQ(IT::ColourWord(7, 0), 0xFFE2B1u);
}

TEST(ArtImageTable, UsedImagesHaveNamesThatDoNotCollideInAnArchive)
{
    const std::vector<int> used = IT::UsedImageIds();
    EXPECT_TRUE(std::is_sorted(used.begin(), used.end()));
    // Five block sets, eight backgrounds, seven logos, four fonts, four bars, two line strips,
    // two frame sheets and the nine images every theme loads.
    EXPECT_EQ(used.size(), 5u * 28 + 8 + 7 + 4 + 4 + 2 + 2 + 9);
    std::set<std::string> lower;
    for (int id : used) {
        ASSERT_FALSE(IT::FileNames()[id].empty()) << id;
        std::string name = IT::FileNames()[id];
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        // The archive looks names up without regard to case.
        EXPECT_TRUE(lower.insert(name).second) << name;
    }
    for (int theme = 0; theme < IT::THEME_COUNT; ++theme)
        for (int type = 0; type < 28; ++type)
            EXPECT_TRUE(std::binary_search(used.begin(), used.end(), IT::ThemeAt(theme).blocks + type));
}

TEST(ArtSizes, MatchTheGamesLayout)
{
    const int expectedCells[] = {20, 26, 40, 50};
    const int expectedSpans[4][4] = {{20, 40, 60, 80}, {27, 53, 79, 105}, {41, 81, 121, 161}, {50, 99, 148, 198}};
    for (size_t i = 0; i < ArtSize::Widths().size(); ++i) {
        ArtSize size;
        ASSERT_TRUE(ArtSize::ForWidth(ArtSize::Widths()[i], size));
        EXPECT_EQ(size.cell, expectedCells[i]);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(size.spans[k], expectedSpans[i][k]);
        EXPECT_EQ(size.PieceWidth(2), size.spans[3]);
        EXPECT_EQ(size.PieceHeight(2), size.spans[0]);
        EXPECT_LE(size.LogoHeight(), size.menuTop);
        EXPECT_LE(size.LogoWidth(), size.width);
    }
    ArtSize size;
    EXPECT_FALSE(ArtSize::ForWidth(500, size));
}

TEST(ArtSizes, LineStripsHoldEveryWindowTheGameShows)
{
    // The game's windows: a random start below (29.03 - length) x cell past half a cell, as long
    // as the line plus 0.03 cells (vertical) or 0.09 cells (horizontal).
    for (int width : ArtSize::Widths()) {
        ArtSize size;
        ASSERT_TRUE(ArtSize::ForWidth(width, size));
        const int s = size.cell;
        int farthest = 0;
        for (int hundredths = 0; hundredths <= 2000; ++hundredths) {
            const float length = hundredths / 100.0f;
            const int n = static_cast<int>((29.03f - length) * s);
            const int start = s / 2 + std::max(0, n - 1);
            farthest = std::max(farthest, start + static_cast<int>(s * (length + 0.03f)));
            farthest = std::max(farthest, start + static_cast<int>(s * (length + 0.09f)));
        }
        EXPECT_LE(farthest, size.LineStripLength()) << width;
        // A full volume bar's window.
        EXPECT_LE(static_cast<int>(s * 0.58823526f * 10), size.ProgressBarWidth());
    }
}

TEST(ArtSizes, GridPhaseFollowsTheBoardsTopRow)
{
    // The board's rows start (int)((y0 + T) x cell) down, T = (H / cell - 16) / 2.
    for (int width : ArtSize::Widths()) {
        ArtSize size;
        ASSERT_TRUE(ArtSize::ForWidth(width, size));
        const float rows = static_cast<float>(size.height) / size.cell;
        const float top = (rows - 16.0f) * 0.5f;
        for (int y0 = 0; y0 < 18; ++y0) {
            const int origin = static_cast<int>((static_cast<float>(y0) + top) * size.cell);
            const int phase = ((origin - size.gridPhaseY) % size.cell + size.cell) % size.cell;
            EXPECT_TRUE(phase <= 1 || phase >= size.cell - 1) << width << " row " << y0;
        }
    }
}
