#include "BinaryFiles.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(BinaryFiles, NamesLevelsByNumber)
{
    BinaryFiles::Init();
    EXPECT_EQ(BinaryFiles::files[0], "beginner/square22.bin");
    EXPECT_EQ(BinaryFiles::files[26], "beginner/diamond66.bin");
    // Letters follow the table's order, not the alphabet.
    EXPECT_EQ(BinaryFiles::files[27], "letters/i.bin");
    EXPECT_EQ(BinaryFiles::files[35], "letters/a.bin");
    EXPECT_EQ(BinaryFiles::files[52], "letters/w.bin");
    EXPECT_EQ(BinaryFiles::files[53], "things/dog.bin");
    EXPECT_EQ(BinaryFiles::files[109], "shapes/square88.bin");
    // Names are used byte for byte, case and odd spellings included.
    EXPECT_EQ(BinaryFiles::files[139], "games/13_loadin100.bin");
    EXPECT_EQ(BinaryFiles::files[146], "helloween/00_fullmoon.bin");
    EXPECT_EQ(BinaryFiles::files[188], "zombie/1202_braIN.bin");
    EXPECT_EQ(BinaryFiles::files[199], "zombie/1610_barricaded_doors.bin");

    std::set<std::string> unique;
    for (int level = 0; level < BinaryFiles::LEVEL_COUNT; ++level) {
        const std::string& name = BinaryFiles::files[level];
        const int pack = BinaryFiles::PackOfLevel(level);
        ASSERT_GE(pack, 0);
        EXPECT_EQ(name.rfind(std::string(BinaryFiles::PACK_FOLDERS[pack]) + "/", 0), 0u) << name;
        EXPECT_EQ(name.substr(name.size() - 4), ".bin");
        unique.insert(name);
    }
    EXPECT_EQ(unique.size(), 200u);
}

TEST(BinaryFiles, PacksAreConsecutiveRanges)
{
    int next = 0;
    for (int pack = 0; pack < BinaryFiles::PACK_COUNT; ++pack) {
        EXPECT_EQ(BinaryFiles::PACK_FIRST[pack], next);
        EXPECT_EQ(BinaryFiles::PackOfLevel(next), pack);
        next += BinaryFiles::PACK_SIZES[pack];
        EXPECT_EQ(BinaryFiles::PackOfLevel(next - 1), pack);
    }
    EXPECT_EQ(next, 200);
    EXPECT_EQ(BinaryFiles::PackOfLevel(-1), -1);
    EXPECT_EQ(BinaryFiles::PackOfLevel(200), -1);
}
