#include "Consts.h"

#include <gtest/gtest.h>

TEST(Consts, TheFourBaseSizes)
{
    struct Case {
        int width, height, cell, offsetX, offsetY, areaWidth, areaHeight;
        float scale;
        bool oneLine;
        int menuY;
    };
    const Case cases[] = {
        {240, 320, 20, 0, 0, 240, 320, 0.48f, true, 120},
        {320, 480, 26, 4, 6, 312, 468, 0.45f, false, 147},
        {480, 800, 40, 0, 0, 480, 800, 0.45f, false, 250},
        // The largest size takes its vertical margin from 1000 pixels, not 1024.
        {600, 1024, 50, 0, 0, 600, 1024, 0.5f, false, 250},
    };
    for (const Case& c : cases) {
        Consts::Init(c.width, c.height, false);
        SCOPED_TRACE(c.width);
        EXPECT_EQ(Consts::SCREEN_WIDTH, c.width);
        EXPECT_EQ(Consts::SCREEN_HEIGHT, c.height);
        EXPECT_EQ(Consts::CELL_SIZE, c.cell);
        EXPECT_EQ(Consts::OFFSET_X, c.offsetX);
        EXPECT_EQ(Consts::OFFSET_Y, c.offsetY);
        EXPECT_EQ(Consts::DISPLAY_AREA_X, 0);
        EXPECT_EQ(Consts::DISPLAY_AREA_Y, 0);
        EXPECT_EQ(Consts::DISPLAY_AREA_WIDTH, c.areaWidth);
        EXPECT_EQ(Consts::DISPLAY_AREA_HEIGHT, c.areaHeight);
        EXPECT_FLOAT_EQ(Consts::BLOCK_SCALE, c.scale);
        EXPECT_EQ(Consts::PROGRESS_IN_ONE_LINE, c.oneLine);
        EXPECT_EQ(Consts::MAIN_MENU_Y, c.menuY);
        EXPECT_EQ(Consts::PLAYFIELD_WIDTH, 12);
        EXPECT_EQ(Consts::PLAYFIELD_HEIGHT, 18);
        EXPECT_TRUE(Consts::ALLOW_BLOCK_DRAWING);
        EXPECT_FALSE(Consts::HOVER_BLOCK_ABOVE_FINGER);
    }
}

TEST(Consts, OtherSizesUseTheGeneralRules)
{
    Consts::Init(600, 1000, false); // not exactly 600x1024: no special scale
    EXPECT_FLOAT_EQ(Consts::BLOCK_SCALE, 0.45f);
    Consts::Init(320, 400, false);
    EXPECT_EQ(Consts::MAIN_MENU_Y, 120);
    // Too narrow for twelve cells: cells of one pixel rather than a division by zero.
    Consts::Init(10, 20, false);
    EXPECT_EQ(Consts::CELL_SIZE, 1);
}

TEST(Consts, DoubleStatisticsLinesStayOnceSet)
{
    Consts::STATS_DOUBLE_LINES = false;
    Consts::Init(480, 800, false);
    EXPECT_FALSE(Consts::STATS_DOUBLE_LINES);
    Consts::Init(480, 800, true);
    EXPECT_TRUE(Consts::STATS_DOUBLE_LINES);
    Consts::Init(480, 800, false);
    EXPECT_TRUE(Consts::STATS_DOUBLE_LINES);
}
