// Checks the 200 level files the normal build staged for the common archive.
#include "BinaryFiles.h"
#include "LevelBuild.h"
#include "support/BuiltData.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace DataBuild;

namespace {

const std::string STAGED = VornTest::BuiltData("common/levels/android_full/");
const std::string SOURCES = std::string(VORN_SOURCE_DIR) + "/data/levels/";

bool Read(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

class BuiltLevels : public ::testing::Test {
protected:
    void SetUp() override
    {
        BinaryFiles::Init();
        VORN_SKIP_IF_MISSING(VornTest::MissingBuiltData({STAGED + BinaryFiles::files[0]}));
    }
};

} // namespace

TEST_F(BuiltLevels, EveryLevelPassesTheGameReaderAndEveryCheck)
{
    for (int index = 0; index < BinaryFiles::LEVEL_COUNT; ++index) {
        const std::string& name = BinaryFiles::files[index];
        SCOPED_TRACE(name);
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(Read(STAGED + name, bytes));
        LevelFile level;
        ASSERT_TRUE(level.Parse(bytes.data(), bytes.size()));
        EXPECT_GE(level.storedSolutions, 1);
        EXPECT_LE(level.storedSolutions, 63);
        EXPECT_EQ(VerifyLevel(level), "");

        // The level is the outline of its source.
        LevelSource source;
        std::string error;
        ASSERT_TRUE(LoadLevelSource(SOURCES + name.substr(0, name.size() - 4) + ".txt", source,
                                    error))
            << error;
        EXPECT_EQ(level.flags & 3, source.shift);
        ASSERT_EQ(level.width, source.width);
        ASSERT_EQ(level.height, source.height);
        for (int y = 0; y < source.height; ++y)
            for (int x = 0; x < source.width; ++x)
                ASSERT_EQ(level.Cell(x, y) == LevelFile::CELL_TO_COVER, source.At(x, y));
    }
}

TEST_F(BuiltLevels, RebuildingALevelAloneGivesTheStagedBytes)
{
    // The staged files came from the threaded build; one level built here on its own must match.
    for (int index : {0, 57, 153, 199}) {
        const std::string& name = BinaryFiles::files[index];
        const std::string stem = name.substr(0, name.size() - 4);
        SCOPED_TRACE(name);
        LevelSource source;
        std::string error;
        ASSERT_TRUE(LoadLevelSource(SOURCES + stem + ".txt", source, error)) << error;
        const int difficulty = source.difficulty ? source.difficulty : DefaultDifficulty(index);
        BuiltLevel built;
        ASSERT_TRUE(BuildLevel(source, difficulty, SeedFromName(stem), TraySearch::Options(), built,
                               error))
            << error;
        std::vector<uint8_t> staged;
        ASSERT_TRUE(Read(STAGED + name, staged));
        EXPECT_EQ(built.bytes, staged);
    }
}
