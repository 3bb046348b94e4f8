// The level title keys the game and the data builder share.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "TitleKeys.h"

TEST(TitleKeys, FamiliesFillDistinctSlotsWithDistinctKeys)
{
    std::set<std::string> keys;
    int filled = 0;
    int last = 0;
    for (int slot = 0; slot < TitleKeys::SLOT_COUNT + 10; ++slot) {
        const std::string key = TitleKeys::SlotKey(slot);
        if (key.empty())
            continue;
        ++filled;
        last = slot;
        EXPECT_TRUE(keys.insert(key).second) << slot << " " << key;
    }
    int expected = TitleKeys::NAMED_COUNT;
    for (const TitleKeys::Series& series : TitleKeys::SERIES)
        expected += series.count;
    // Overlapping families would fill fewer slots than they have members.
    EXPECT_EQ(filled, expected);
    EXPECT_EQ(last, TitleKeys::SLOT_COUNT - 1);
    EXPECT_EQ(TitleKeys::SlotKey(-1), "");
    EXPECT_EQ(TitleKeys::SlotKey(176), "HELLOWEEN_01");
    EXPECT_EQ(TitleKeys::SlotKey(415 + 33), "SUMMER_34");
    EXPECT_EQ(TitleKeys::SeriesKey("VAL", 9), "VAL_09");
}

TEST(TitleKeys, PackBlocksTitleEveryLevelOfItsPackFromFilledSlots)
{
    for (int pack = 0; pack < BinaryFiles::PACK_COUNT; ++pack) {
        const TitleKeys::Block& block = TitleKeys::PACK_BLOCKS[pack];
        EXPECT_EQ(block.firstLevel, BinaryFiles::PACK_FIRST[pack]) << pack;
        EXPECT_EQ(block.count, BinaryFiles::PACK_SIZES[pack]) << pack;
        for (int i = 0; i < block.count; ++i)
            EXPECT_FALSE(TitleKeys::SlotKey(block.firstSlot + i).empty()) << pack << " " << i;
    }
}
