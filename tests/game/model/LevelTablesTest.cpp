// The identity of the shipped level tables: the save area records it beside every profile's
// progress, so it must change whenever a level's solution table does.
#include <gtest/gtest.h>

#include <ios>

#include "BinaryFiles.h"
#include "Content.h"
#include "LevelTables.h"
#include "support/BuiltLevels.h"
#include "support/Sandbox.h"

namespace {

TEST(LevelTables, TheShippedIdentityIsTheFingerprintOfTheBuiltLevels)
{
    VornTest::Sandbox sandbox;
    VornTest::BuiltLevels levels;
    if (!levels.Available())
        GTEST_SKIP() << "no common archive (data build switched off)";
    LevelTables::Fingerprint fingerprint;
    for (int level = 0; level < BinaryFiles::LEVEL_COUNT; ++level) {
        const LevelFile* file = Content::GetLevel(level);
        ASSERT_NE(file, nullptr) << level;
        fingerprint.Add(file);
        // An earlier count is kept only where a level lost solutions.
        const int earlier = LevelTables::EarlierSolutions(level);
        EXPECT_TRUE(earlier == 0 || earlier > file->solutionCount) << BinaryFiles::files[level];
    }
    EXPECT_EQ(fingerprint.Value(), LevelTables::SHIPPED)
        << "the built level tables are not the shipped ones: make 0x" << std::hex << std::uppercase
        << fingerprint.Value() << "u LevelTables::SHIPPED, and give every level that lost solutions "
        << "its earlier count in game/model/LevelTables.cpp, so that players' progress is brought to "
        << "the new tables";
}

} // namespace
