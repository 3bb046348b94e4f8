#include <gtest/gtest.h>

#include <set>

#include "Consts.h"
#include "Images.h"

TEST(Images, TableNamesEveryPictureOfTheGame)
{
    Images::Init();
    EXPECT_EQ("ver03_on_white.png", Images::files[1]);
    EXPECT_FALSE(Images::files[0].empty());
    EXPECT_EQ("ui/logo.png", Images::files[2]);
    EXPECT_EQ("ui/logo_zombie.png", Images::files[14]);
    EXPECT_EQ("ui/background.png", Images::files[15]);
    // Two themes share one background picture under two ids.
    EXPECT_EQ("ui/background_scifi.png", Images::files[25]);
    EXPECT_EQ(Images::files[25], Images::files[27]);
    EXPECT_EQ("ui/background_zombie.png", Images::files[28]);
    EXPECT_EQ("ui/progressbar_zombie.png", Images::files[34]);
    EXPECT_EQ("ui/vertical.png", Images::files[35]);
    EXPECT_EQ("ui/horizontal.png", Images::files[38]);
    EXPECT_EQ("ui/gridSmall.png", Images::files[43]);
    EXPECT_EQ("ui/round_corner_scifi.png", Images::files[45]);
    EXPECT_EQ("fonts/efigs/glfonts/font.png", Images::files[46]);
    EXPECT_EQ("fonts/efigs/glfontsValentines/fontsmall.png", Images::files[49]);
    EXPECT_EQ("fonts/efigs/glfontsBeach/font_small.png", Images::files[53]);
    EXPECT_EQ("ui/locked.png", Images::files[54]);
    EXPECT_EQ("ui/done_small.png", Images::files[58]);
    EXPECT_EQ("ui/ingameVal.png", Images::files[67]);
    EXPECT_EQ("ui/ingame_zombie.png", Images::files[70]);
    EXPECT_EQ("blocks/00.png", Images::files[71]);
    EXPECT_EQ("blocks/27.png", Images::files[98]);
    EXPECT_EQ("blocksAlt/00.png", Images::files[99]);
    EXPECT_EQ("blocksZombie/05.png", Images::files[379 + 5]);
    EXPECT_EQ("blocksZombie/27.png", Images::files[406]);

    for (int id : {59, 60, 61, 62, 63, 64, 65, 66, 407, 408, 419})
        EXPECT_TRUE(Images::files[id].empty()) << id;
    // Every other id names a distinct picture, except the shared background.
    std::set<std::string> names;
    int named = 0;
    for (const auto& name : Images::files) {
        if (!name.empty()) {
            ++named;
            names.insert(name);
        }
    }
    EXPECT_EQ(420 - 8 - 13, named);
    EXPECT_EQ(static_cast<size_t>(named - 1), names.size());
}

TEST(Images, ThemeTablesPointIntoTheTable)
{
    Images::Init();
    ASSERT_EQ(8, Consts::THEMES_COUNT);
    // A switch from theme 0 to 1 keeps the blocks and changes background and logo.
    EXPECT_EQ(Consts::THEME_BLOCKS[0], Consts::THEME_BLOCKS[1]);
    EXPECT_EQ(15, Consts::THEME_BACKGROUND[0]);
    EXPECT_EQ(16, Consts::THEME_BACKGROUND[1]);
    EXPECT_EQ(2, Consts::THEME_LOGOS[0]);
    EXPECT_EQ(3, Consts::THEME_LOGOS[1]);
    EXPECT_EQ(379, Consts::THEME_BLOCKS[7]);
    EXPECT_EQ(69, Consts::THEME_INGAME[4]);
    EXPECT_EQ(-1, Consts::THEME_INGAME[0]);
    EXPECT_FLOAT_EQ(0.32f, Consts::THEME_BLOCK_ALPHA[7]);
    EXPECT_FLOAT_EQ(0.5f, Consts::THEME_PACK_SELECTION_BLOCKS_ALPHA[4]);
    EXPECT_EQ(0x3E220Du, Consts::COLORS[2 * 8]);
    EXPECT_EQ(0x31AADBu, Consts::COLORS[3 * 8 + 6]);
    EXPECT_EQ(0xE7E5DDu, Consts::COLORS[3 * 8 + 7]);

    const int* imageTables[] = {
        Consts::THEME_BACKGROUND, Consts::THEME_LOGOS, Consts::THEME_PROGRESS_BARS,
        Consts::THEME_LINES_VERTICAL, Consts::THEME_LINES_HORIZONTAL,
        Consts::THEME_LEVEL_EDGES_VERTICAL, Consts::THEME_LEVEL_EDGES_HORIZONTAL,
        Consts::THEME_INGAME, Consts::THEME_FONT, Consts::THEME_FONT_SMALL,
    };
    for (int t = 0; t < Consts::THEMES_COUNT; ++t) {
        SCOPED_TRACE(t);
        EXPECT_EQ(t, Consts::THEME_COLORS[t]);
        EXPECT_EQ(-1, Consts::THEME_CORNERS[t]);
        for (const int* table : imageTables) {
            if (table[t] != -1) {
                EXPECT_FALSE(Images::files[table[t]].empty()) << table[t];
            }
        }
        // Block sets start at a type-0 picture.
        EXPECT_EQ(0, (Consts::THEME_BLOCKS[t] - Images::FIRST_BLOCK) % Images::BLOCK_TYPES);
        EXPECT_NE(std::string::npos, Images::files[Consts::THEME_BLOCKS[t]].find("/00.png"));
        EXPECT_NE(std::string::npos, Images::files[Consts::THEME_FONT[t]].find("font"));
    }
}
