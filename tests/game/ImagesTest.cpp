#include <gtest/gtest.h>

#include "Consts.h"
#include "Images.h"

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
