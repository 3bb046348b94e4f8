#include "LevelBuild.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace DataBuild;

namespace {

LevelSource Outline(const std::string& text)
{
    LevelSource source;
    std::string error;
    EXPECT_TRUE(ParseLevelSource(text, source, error)) << error;
    return source;
}

BuiltLevel Build(const LevelSource& source, int difficulty, uint64_t seed = 1)
{
    BuiltLevel built;
    std::string error;
    EXPECT_TRUE(BuildLevel(source, difficulty, seed, TraySearch::Options(), built, error))
        << error;
    return built;
}

LevelFile Parsed(const std::vector<uint8_t>& bytes)
{
    LevelFile level;
    EXPECT_TRUE(level.Parse(bytes.data(), bytes.size()));
    return level;
}

// The same checks as VerifyLevel, written out again independently for the covering itself.
void ExpectEverySolutionCoversTheOutline(const LevelFile& level)
{
    std::vector<int> trayTypes;
    for (const LevelTrayEntry& entry : level.tray)
        trayTypes.push_back(entry.type);
    std::sort(trayTypes.begin(), trayTypes.end());
    for (int s = 0; s < level.solutionCount; ++s) {
        std::vector<int> covered(level.cells.size(), 0);
        std::vector<int> types;
        for (int k = 0; k < level.piecesPerSolution; ++k) {
            const LevelPlacement& piece = level.Placement(s, k);
            types.push_back(piece.type);
            const ShapeInfo& shape = Shape(piece.type);
            for (int bit = 0; bit < 16; ++bit) {
                if (!((shape.mask >> bit) & 1))
                    continue;
                const int x = piece.x - level.originX + bit % 4;
                const int y = piece.y - level.originY + bit / 4;
                ASSERT_TRUE(x >= 0 && y >= 0 && x < level.width && y < level.height);
                ++covered[y * level.width + x];
            }
        }
        for (size_t i = 0; i < covered.size(); ++i)
            EXPECT_EQ(covered[i], level.cells[i] == LevelFile::CELL_TO_COVER ? 1 : 0)
                << "solution " << s << " cell " << i;
        std::sort(types.begin(), types.end());
        EXPECT_EQ(types, trayTypes);
    }
}

const char* const OUTLINES[] = {
    "##\n##\n",
    "#.\n#.\n#.\n##\n",
    "; shift: left\n.###.\n#####\n#.#.#\n#####\n",
    "..######..\n.########.\n###....###\n##......##\n###....###\n.########.\n..######..\n",
    "########\n########\n########\n########\n########\n########\n########\n########\n",
};

} // namespace

TEST(LevelBuild, BuiltLevelsPassTheGameReaderAndEveryCheck)
{
    for (const char* text : OUTLINES) {
        const LevelSource source = Outline(text);
        for (int difficulty : {1, 10}) {
            const BuiltLevel built = Build(source, difficulty);
            const LevelFile level = Parsed(built.bytes);
            EXPECT_EQ(VerifyLevel(level), "") << text;
            EXPECT_GE(level.storedSolutions, 1);
            EXPECT_LE(level.storedSolutions, 63);
            EXPECT_EQ(level.piecesPerSolution, static_cast<int>(level.tray.size()));
            EXPECT_EQ(level.flags & 3, source.shift);
            ExpectEverySolutionCoversTheOutline(level);
            // The outline stored is the source's.
            ASSERT_EQ(level.width, source.width);
            ASSERT_EQ(level.height, source.height);
            for (int y = 0; y < source.height; ++y)
                for (int x = 0; x < source.width; ++x)
                    EXPECT_EQ(level.Cell(x, y) == LevelFile::CELL_TO_COVER, source.At(x, y));
        }
    }
}

TEST(LevelBuild, TheSameSourceGivesTheSameBytes)
{
    const LevelSource source = Outline(OUTLINES[3]);
    EXPECT_EQ(Build(source, 6, 42).bytes, Build(source, 6, 42).bytes);
}

TEST(LevelBuild, HintsRevealTheIrregularPiecesFirst)
{
    const LevelFile level = Parsed(Build(Outline(OUTLINES[4]), 8).bytes);
    auto rigid = [](int type) { return type == 0 || type == 1 || type == 2; };
    bool seenRigid = false;
    for (int k = 0; k < level.piecesPerSolution; ++k) {
        const int type = level.Placement(0, k).type;
        if (rigid(type))
            seenRigid = true;
        else
            EXPECT_FALSE(seenRigid && type <= 18) << "bent piece after a rigid one at " << k;
    }
}

TEST(LevelBuild, HarderLevelsGetFewerSolutionsOrMoreIrregularPieces)
{
    const LevelSource source = Outline(OUTLINES[3]);
    const LevelFile easy = Parsed(Build(source, 1).bytes);
    const LevelFile hard = Parsed(Build(source, 10).bytes);
    auto irregular = [](const LevelFile& level) {
        int count = 0;
        for (const LevelTrayEntry& entry : level.tray)
            count += (entry.type >= 3 && entry.type <= 18) || (entry.type >= 21 && entry.type <= 24);
        return count;
    };
    EXPECT_TRUE(hard.storedSolutions < easy.storedSolutions || irregular(hard) > irregular(easy));
    EXPECT_GT(TraySearch::Score(TypeCounts{4}, 1, 10), TraySearch::Score(TypeCounts{4}, 40, 10));
}

TEST(LevelBuild, DefaultDifficultyRisesThroughThePacks)
{
    EXPECT_EQ(DefaultDifficulty(0), 1);
    EXPECT_EQ(DefaultDifficulty(26), 3);
    EXPECT_EQ(DefaultDifficulty(166), 7);
    EXPECT_EQ(DefaultDifficulty(199), 10);
    EXPECT_EQ(DefaultDifficulty(-1), 5);
    for (int level = 1; level < 200; ++level) {
        if (level == 27 || level == 53 || level == 85 || level == 110 || level == 146 ||
            level == 166)
            continue; // a new pack starts lower again
        EXPECT_GE(DefaultDifficulty(level), DefaultDifficulty(level - 1)) << level;
    }
}

TEST(LevelBuild, VerifyCatchesSpoiledFiles)
{
    const BuiltLevel built = Build(Outline(OUTLINES[3]), 3);
    const LevelFile good = Parsed(built.bytes);
    ASSERT_EQ(VerifyLevel(good), "");
    ASSERT_GE(good.solutionCount, 2) << "the spoils below need two solutions";
    const size_t pieces = static_cast<size_t>(good.piecesPerSolution);

    LevelFile missing = good; // a tiling left out
    missing.storedSolutions = missing.solutionCount = good.solutionCount - 1;
    missing.placements.resize(missing.placements.size() - pieces);
    EXPECT_NE(VerifyLevel(missing).find("ways"), std::string::npos) << VerifyLevel(missing);

    LevelFile repeated = good;
    std::copy(good.placements.begin(), good.placements.begin() + pieces,
              repeated.placements.begin() + pieces);
    EXPECT_NE(VerifyLevel(repeated).find("repeats"), std::string::npos);

    LevelFile moved = good; // a piece slid off its place
    moved.placements[0].x += 1;
    EXPECT_NE(VerifyLevel(moved), "");

    LevelFile retyped = good;
    retyped.placements[0].type = retyped.placements[0].type == 27 ? 26 : 27;
    EXPECT_NE(VerifyLevel(retyped), "");

    LevelFile onBoard = good; // a tray box over the board
    onBoard.tray[0].x = good.originX;
    onBoard.tray[0].y = good.originY + 1;
    EXPECT_NE(VerifyLevel(onBoard).find("overlaps"), std::string::npos);

    LevelFile underButton = good;
    underButton.tray[0].x = 0;
    underButton.tray[0].y = 13;
    EXPECT_NE(VerifyLevel(underButton), "");

    LevelFile extraPiece = good;
    extraPiece.tray.push_back(LevelTrayEntry{0, 1, 27});
    EXPECT_NE(VerifyLevel(extraPiece), "");

    LevelFile low = good; // the board over the title row
    low.originY = 0;
    EXPECT_NE(VerifyLevel(low).find("rows"), std::string::npos);
}

TEST(LevelBuild, FailsWithAReasonWhenTheTrayCannotFit)
{
    // A ring whose hole takes the middle of the screen: room for six boxes below, far too few.
    std::string ring = std::string(10, '#') + "\n";
    for (int row = 0; row < 9; ++row)
        ring += "##" + std::string(6, '.') + "##\n";
    ring += std::string(10, '#') + "\n";
    LevelSource source = Outline(ring);
    BuiltLevel built;
    std::string error;
    EXPECT_FALSE(BuildLevel(source, 5, 1, TraySearch::Options(), built, error));
    EXPECT_NE(error.find("room"), std::string::npos) << error;
}
