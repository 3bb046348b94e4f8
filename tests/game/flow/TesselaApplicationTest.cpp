// The application's choices that need no window: the base size and archive for a window width, and
// touches turned into base pixels.
#include <gtest/gtest.h>

#include <string>

#include "Consts.h"
#include "Game.h"
#include "TesselaApplication.h"

using Tessela::BaseSize;
using Tessela::ChooseBaseSize;

TEST(BaseSizeChoice, EveryWidthHasABaseSizeAndItsArchive)
{
    struct Row {
        int width;
        int baseWidth;
        int baseHeight;
        const char* archive;
    };
    const Row rows[] = {
        {1, 240, 320, "data_240.pak"},   {319, 240, 320, "data_240.pak"},
        {320, 320, 480, "data_320.pak"}, {321, 480, 800, "data_480.pak"},
        {480, 480, 800, "data_480.pak"}, {481, 480, 800, "data_480.pak"},
        {539, 480, 800, "data_480.pak"}, {540, 600, 1024, "data_600.pak"},
        {1024, 600, 1024, "data_600.pak"}, {0, 240, 320, "data_240.pak"},
    };
    for (const Row& row : rows) {
        const BaseSize base = ChooseBaseSize(row.width);
        EXPECT_EQ(base.width, row.baseWidth) << row.width;
        EXPECT_EQ(base.height, row.baseHeight) << row.width;
        EXPECT_EQ(std::string(base.archive), row.archive) << row.width;
    }
    // The widths between the 480 and 600 rows get a layout with a real cell size.
    const BaseSize between = ChooseBaseSize(500);
    Consts::Init(between.width, between.height, true);
    EXPECT_EQ(Consts::CELL_SIZE, 40);
}

TEST(TouchScaling, OnlyTheFirstFingerInBasePixels)
{
    EXPECT_TRUE(Tessela::IsPlayingTouch(0));
    EXPECT_FALSE(Tessela::IsPlayingTouch(1));
    EXPECT_FALSE(Tessela::IsPlayingTouch(-1));
    // A 1024 x 600 window over the 600 x 1024 base.
    EXPECT_EQ(Tessela::ScaleTouch(512, 600, 1024), 300);
    EXPECT_EQ(Tessela::ScaleTouch(599, 1024, 600), 1022);
    // Truncated toward zero, also left of the window.
    EXPECT_EQ(Tessela::ScaleTouch(3, 480, 960), 1);
    EXPECT_EQ(Tessela::ScaleTouch(-3, 480, 960), -1);
    EXPECT_EQ(Tessela::ScaleTouch(100, 480, 0), 0);
}

TEST(Website, TheReadmeOfThisTree)
{
    // Test programs are not installed: the address is the source tree's README.
    const std::string address = Game::WebsiteAddress();
    EXPECT_EQ(address.rfind("file:///", 0), 0u) << address;
    EXPECT_NE(address.find("/README.md"), std::string::npos) << address;
    EXPECT_EQ(address.find(' '), std::string::npos) << address;
}
