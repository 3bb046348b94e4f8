// The plain image table the game and the data builder share.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "ImageTable.h"
#include "Images.h"
#include "Language.h"

TEST(ImageTable, RunTimeTableIsTheSharedOne)
{
    Images::Init();
    for (int id = 0; id < ImageTable::COUNT; ++id)
        EXPECT_EQ(Images::files[id], ImageTable::FileName(id)) << id;
    EXPECT_EQ(Language::FONTS_PATH, ImageTable::FONTS_PATH);
    EXPECT_EQ(ImageTable::FileName(-1), "");
    EXPECT_EQ(ImageTable::FileName(ImageTable::COUNT), "");
}

TEST(ImageTable, BlockSetsStartAtTypeZero)
{
    EXPECT_EQ(ImageTable::BlockSetOf(71), 0);
    EXPECT_EQ(ImageTable::BlockSetOf(ImageTable::THEME_ROWS[2].blocks), 6);
    EXPECT_EQ(ImageTable::BlockSetOf(ImageTable::THEME_ROWS[7].blocks), 11);
    EXPECT_EQ(ImageTable::BlockSetOf(72), -1);
    EXPECT_EQ(ImageTable::BlockSetOf(71 + 12 * 28), -1);
    EXPECT_EQ(ImageTable::BlockSetOf(43), -1);
}

TEST(ImageTable, UsedImagesHaveNamesThatDoNotCollideInAnArchive)
{
    const std::vector<int> used = ImageTable::UsedIds();
    EXPECT_TRUE(std::is_sorted(used.begin(), used.end()));
    // Five block sets, eight backgrounds, seven logos, four fonts, four bars, two line strips,
    // two frame sheets and the nine images every theme loads.
    EXPECT_EQ(used.size(), 5u * 28 + 8 + 7 + 4 + 4 + 2 + 2 + 9);
    std::set<std::string> lower;
    for (int id : used) {
        std::string name = ImageTable::FileName(id);
        ASSERT_FALSE(name.empty()) << id;
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        // The archive looks names up without regard to case.
        EXPECT_TRUE(lower.insert(name).second) << name;
    }
    for (int theme = 0; theme < ImageTable::THEMES; ++theme)
        for (int type = 0; type < ImageTable::BLOCK_TYPES; ++type)
            EXPECT_TRUE(std::binary_search(used.begin(), used.end(),
                                           ImageTable::THEME_ROWS[theme].blocks + type));

    // A subset of the themes loads a subset; unknown themes add nothing.
    const std::vector<int> summer = ImageTable::UsedIds({4, 99, -1});
    EXPECT_TRUE(std::includes(used.begin(), used.end(), summer.begin(), summer.end()));
    EXPECT_TRUE(std::binary_search(summer.begin(), summer.end(), ImageTable::THEME_ROWS[4].ingame));
    EXPECT_FALSE(std::binary_search(summer.begin(), summer.end(), ImageTable::THEME_ROWS[7].ingame));
    EXPECT_EQ(ImageTable::UsedIds({}).size(), 9u);
}
