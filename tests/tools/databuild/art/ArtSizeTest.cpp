#include "art/ArtSize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace DataBuild;

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
