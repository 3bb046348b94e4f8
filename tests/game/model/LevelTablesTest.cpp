// The identity of the shipped level tables: the save area records it beside every profile's
// progress, so it must change whenever a level's solution table does.
#include <gtest/gtest.h>

#include <ios>
#include <map>
#include <string>

#include "BinaryFiles.h"
#include "Content.h"
#include "LevelTables.h"
#include "support/BuiltLevels.h"
#include "support/Sandbox.h"

namespace {

// The solution counts of the release before the sixteen tallest outlines were redrawn, as its
// players' progress files were written against them; no other level had more than it has now.
const std::map<std::string, int> PREVIOUS_RELEASE = {
    {"things/robot.bin", 8},          {"things/giraffe.bin", 4},
    {"letters/j.bin", 5},             {"helloween/13_peace.bin", 2},
    {"helloween/99_scythe.bin", 3},   {"shapes/circle_processed_extreme.bin", 3},
    {"zombie/0601_zombie_walk.bin", 3}, {"zombie/0801_necromancer_staff.bin", 3},
};

TEST(LevelTables, TheShippedIdentityIsTheFingerprintOfTheBuiltLevels)
{
    VornTest::Sandbox sandbox;
    VornTest::BuiltLevels levels;
    if (!levels.Available())
        GTEST_SKIP() << VornTest::MissingBuiltData({VornTest::BuiltData("data_common.pak")});
    LevelTables::Fingerprint fingerprint;
    for (int level = 0; level < BinaryFiles::LEVEL_COUNT; ++level) {
        const LevelFile* file = Content::GetLevel(level);
        ASSERT_NE(file, nullptr) << level;
        fingerprint.Add(file);
        // An earlier count is kept where, and only where, a level lost solutions.
        const auto previous = PREVIOUS_RELEASE.find(BinaryFiles::files[level]);
        const int earlier = LevelTables::EarlierSolutions(level);
        EXPECT_EQ(earlier, previous == PREVIOUS_RELEASE.end() ? 0 : previous->second)
            << BinaryFiles::files[level];
        EXPECT_TRUE(earlier == 0 || earlier > file->solutionCount) << BinaryFiles::files[level];
    }
    EXPECT_EQ(fingerprint.Value(), LevelTables::SHIPPED)
        << "the built level tables are not the shipped ones: make 0x" << std::hex << std::uppercase
        << fingerprint.Value() << "u LevelTables::SHIPPED, and give every level that lost solutions "
        << "its earlier count in game/model/LevelTables.cpp, so that players' progress is brought to "
        << "the new tables";
}

} // namespace
