// Statistics records and the board's saved game: byte layouts, exact round trips, and saves that
// must not be restored.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "Consts.h"
#include "Controller.h"
#include "Stats.h"
#include "support/BoardWorld.h"

using VornTest::BoardWorld;
using VornTest::LevelDesign;

namespace {

int32_t WordAt(const std::vector<uint8_t>& bytes, size_t offset)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= uint32_t(bytes.at(offset + i)) << (8 * i);
    return static_cast<int32_t>(value);
}

float FloatAt(const std::vector<uint8_t>& bytes, size_t offset)
{
    const int32_t word = WordAt(bytes, offset);
    float value;
    std::memcpy(&value, &word, sizeof value);
    return value;
}

void PutWord(std::vector<uint8_t>& bytes, size_t offset, int32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(offset + i) = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

void PutFloat(std::vector<uint8_t>& bytes, size_t offset, float value)
{
    int32_t word;
    std::memcpy(&word, &value, sizeof word);
    PutWord(bytes, offset, word);
}

void FillDistinct(Stats& stats)
{
    int next = 1000;
    stats.kind = 0;
    for (int& count : stats.pieces)
        count = next++;
    stats.startTime = 1700000000;
    stats.gameCounter = 17;
    for (int& counter : stats.counters)
        counter = next++;
    // The last counter's place holds the play time's high word; the low word is past 596.5 hours,
    // as a file of before could hold it, and reads unsigned.
    stats.playTime = int64_t(stats.counters[Stats::COUNTER_PLAY_TIME_HIGH]) << 32 | 0x90000000u;
    stats.counters[Stats::COUNTER_PLAY_TIME_HIGH] = 0;
    stats.levelsSolved = 11;
    stats.solutionsFound = 22;
    stats.completions = 33;
    stats.level = 199;
    stats.found = 63;
    stats.isNew = true;
}

} // namespace

TEST(StatsFile, TotalsRoundTripByteForByte)
{
    BoardWorld world(480, 800);
    Stats totals(Stats::TOTALS);
    FillDistinct(totals);
    totals.Save();
    const std::vector<uint8_t> bytes = world.SavedBytes("save/stats-1");
    ASSERT_EQ(bytes.size(), 233u);
    EXPECT_EQ(WordAt(bytes, 0), -1);
    EXPECT_EQ(WordAt(bytes, 4), 0);
    EXPECT_EQ(WordAt(bytes, 8), 1000);
    EXPECT_EQ(WordAt(bytes, 116), 1027);
    EXPECT_EQ(WordAt(bytes, 120), int32_t(0x90000000u));
    EXPECT_EQ(WordAt(bytes, 124), 1700000000);
    EXPECT_EQ(WordAt(bytes, 128), 17);
    EXPECT_EQ(WordAt(bytes, 132), 1028);
    EXPECT_EQ(WordAt(bytes, 208), 1047);
    EXPECT_EQ(WordAt(bytes, 212), 11);
    EXPECT_EQ(WordAt(bytes, 216), 22);
    EXPECT_EQ(WordAt(bytes, 220), 33);
    EXPECT_EQ(WordAt(bytes, 224), 199);
    EXPECT_EQ(WordAt(bytes, 228), 63);
    EXPECT_EQ(bytes[232], 1);

    const Vorn::SmartPtr<Stats> loaded = Stats::Load(Stats::TOTALS);
    EXPECT_EQ(loaded->Serialize(), bytes);
    EXPECT_EQ(loaded->playTime, int64_t(1047) << 32 | 0x90000000u);
    EXPECT_TRUE(loaded->isNew);
    loaded->Save();
    EXPECT_EQ(world.SavedBytes("save/stats-1"), bytes);
}

TEST(StatsFile, AGameRecordHoldsNoTotals)
{
    BoardWorld world(480, 800);
    Stats game(5);
    FillDistinct(game);
    game.Save();
    const std::vector<uint8_t> bytes = world.SavedBytes("save/stats5");
    ASSERT_EQ(bytes.size(), 137u);
    EXPECT_EQ(WordAt(bytes, 128), 199);
    EXPECT_EQ(WordAt(bytes, 132), 63);
    const Vorn::SmartPtr<Stats> loaded = Stats::Load(5);
    EXPECT_EQ(loaded->level, 199);
    EXPECT_EQ(loaded->found, 63);
    EXPECT_EQ(loaded->gameCounter, 0);
    EXPECT_EQ(loaded->counters[0], 0);
    EXPECT_EQ(loaded->completions, 0);
    EXPECT_EQ(loaded->Serialize(), bytes);

    // Another kind has no puzzle section.
    game.kind = 2;
    game.Save();
    EXPECT_EQ(world.SavedBytes("save/stats5").size(), 128u);
    // Records are named after the profile.
    world.game().profilePrefix = L"save/Anna_";
    Stats(0).Save();
    EXPECT_EQ(world.SavedBytes("save/Anna_stats0").size(), 137u);
}

TEST(StatsFile, MissingAndShortFiles)
{
    BoardWorld world(480, 800);
    const Vorn::SmartPtr<Stats> missing = Stats::Load(3);
    EXPECT_EQ(missing->number, 3);
    EXPECT_EQ(missing->found, Stats::NOT_SOLVED);
    EXPECT_EQ(missing->pieces[0], 0);
    EXPECT_EQ(missing->playTime, 0);
    bool found = true;
    world.SavedBytes("save/stats3", &found);
    EXPECT_FALSE(found);

    // Fields beyond the end of a short file keep a new record's values; a partial word is not read.
    Stats full(Stats::TOTALS);
    FillDistinct(full);
    std::vector<uint8_t> bytes = full.Serialize();
    bytes.resize(122);
    VornTest::WriteBytes(BoardWorld::DataName("save/stats-1"), bytes);
    const Vorn::SmartPtr<Stats> shortened = Stats::Load(Stats::TOTALS);
    EXPECT_EQ(shortened->pieces[27], 1027);
    EXPECT_EQ(shortened->playTime, 0);
    EXPECT_EQ(shortened->levelsSolved, 0);
    EXPECT_EQ(shortened->found, Stats::NOT_SOLVED);

    // A file holding another record's number is still the record asked for.
    VornTest::WriteBytes(BoardWorld::DataName("save/stats4"), Stats(9).Serialize());
    EXPECT_EQ(Stats::Load(4)->number, 4);
}

namespace {

const int SQUARE = 0;
const int L_SHAPE = 5;

// Three tray entries (two of type 5), a board two of them fill.
LevelDesign SavedLevel()
{
    LevelDesign design;
    design.x0 = 3;
    design.y0 = 1;
    design.rows = {"####", ".#.#", ".#.#"};
    design.tray = {{0, 12, L_SHAPE}, {3, 12, SQUARE}, {6, 12, L_SHAPE}};
    return design;
}

class BoardSave : public ::testing::Test {
protected:
    void SetUp() override
    {
        world.InstallLevel(40, SavedLevel()); // in the letters pack
        world.game().currentPack = 1;
        world.game().scrollPosition = 13.0f;
    }

    // A board of level 40 with the two L shapes placed, saved.
    std::vector<uint8_t> SaveTwoPieces()
    {
        PlayfieldFit& board = *world.StartLevel(40);
        world.Frame(16);
        world.DragTo(*board.Tray()[2], 0, 0); // first L: cells (0,0),(1,0),(1,1),(1,2)
        world.DragTo(*board.Tray()[0], 2, 0); // second L
        EXPECT_EQ(board.placedCount, 2);
        board.playTime = 4321;
        board.SaveGame();
        return world.SavedBytes("save/save");
    }

    BoardWorld world{480, 800};
};

} // namespace

TEST_F(BoardSave, LayoutOfBothFiles)
{
    const std::vector<uint8_t> save = SaveTwoPieces();
    ASSERT_EQ(save.size(), 148u + 60u + 4u + 40u + 4u);
    EXPECT_EQ(WordAt(save, 0), 0);
    EXPECT_EQ(WordAt(save, 32), L_SHAPE); // the most recent type
    EXPECT_EQ(WordAt(save, 144), 3);
    // The tray newest first: the last L of the file, then the square, then the first L.
    EXPECT_EQ(WordAt(save, 148), L_SHAPE);
    EXPECT_EQ(FloatAt(save, 152), 6.0f);
    EXPECT_EQ(FloatAt(save, 156), 12.0f);
    EXPECT_EQ(FloatAt(save, 160), -1.0f);
    EXPECT_EQ(WordAt(save, 168), SQUARE);
    EXPECT_EQ(FloatAt(save, 180), 0.0f);
    EXPECT_EQ(WordAt(save, 208), 2);
    EXPECT_EQ(WordAt(save, 212), L_SHAPE);
    EXPECT_EQ(FloatAt(save, 216), 2.0f); // the newest piece first
    EXPECT_EQ(WordAt(save, 252), 4321);

    const std::vector<uint8_t> save2 = world.SavedBytes("save/save2");
    ASSERT_EQ(save2.size(), 12u);
    EXPECT_EQ(WordAt(save2, 0), 40);
    EXPECT_EQ(FloatAt(save2, 4), 13.0f);
    EXPECT_EQ(WordAt(save2, 8), 1);
}

TEST_F(BoardSave, ARestoredBoardSavesTheSameBytes)
{
    const std::vector<uint8_t> save = SaveTwoPieces();
    const std::vector<int> colours = {world.board().Placed()[0]->colour,
                                      world.board().Placed()[1]->colour};
    Game& game = world.game();
    game.currentPack = 0;
    game.currentLevel = 0;
    game.scrollPosition = 0.0f;

    Vorn::SmartPtr<PlayfieldFit> restored(new PlayfieldFit(0, 0, 1, 16));
    ASSERT_TRUE(restored->LoadGame());
    EXPECT_TRUE(restored->paused);
    EXPECT_EQ(restored->playTime, 4321);
    EXPECT_EQ(game.currentLevel, 40);
    EXPECT_EQ(game.currentPack, 1);
    EXPECT_EQ(game.scrollPosition, 13.0f);
    ASSERT_EQ(restored->placedCount, 2);
    EXPECT_EQ(restored->Placed()[0]->colour, colours[0]);
    EXPECT_EQ(restored->Placed()[1]->colour, colours[1]);
    EXPECT_NE(restored->Placed()[0]->id, world.board().Placed()[0]->id);
    EXPECT_EQ(restored->Cell(1, 2), BoardCell::COVERED);

    // Both L entries are taken, and stay so once the frame applies the placements.
    auto hidden = [&] {
        int count = 0;
        for (const auto& entry : restored->Tray())
            count += entry->trayState == -1.0f;
        return count;
    };
    EXPECT_EQ(hidden(), 2);
    restored->Tick(16);
    EXPECT_EQ(hidden(), 2);
    EXPECT_FALSE(restored->HasTrayPiece(L_SHAPE));
    EXPECT_TRUE(restored->HasTrayPiece(SQUARE));

    restored->playTime = 4321;
    restored->SaveGame();
    EXPECT_EQ(world.SavedBytes("save/save"), save);
}

TEST_F(BoardSave, DamagedSavesKeepWhatCanBeRead)
{
    const std::vector<uint8_t> good = SaveTwoPieces();
    const std::vector<uint8_t> good2 = world.SavedBytes("save/save2");
    Game& game = world.game();
    using Bytes = std::vector<uint8_t>;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Each damage to "save" and "save2", and the saved pieces the restored board keeps where they
    // were (-1: no game). Every file changed is set aside, but for an emptied "save": no game.
    struct Damage {
        const char* what;
        std::function<void(Bytes& save, Bytes& save2)> change;
        int kept;
    };
    const std::vector<Damage> damages = {
        {"none", [](Bytes&, Bytes&) {}, 2},
        {"no game", [](Bytes& b, Bytes&) { b.clear(); }, -1},
        {"cut in the header", [](Bytes& b, Bytes&) { b.resize(100); }, 0},
        {"cut in the time", [](Bytes& b, Bytes&) { b.pop_back(); }, 2},
        {"a byte more", [](Bytes& b, Bytes&) { b.push_back(0); }, 2},
        {"another game mode", [](Bytes& b, Bytes&) { PutWord(b, 0, 1); }, 2},
        {"a recent type", [](Bytes& b, Bytes&) { PutWord(b, 32, 28); }, 2},
        {"tray count", [](Bytes& b, Bytes&) { PutWord(b, 144, 4); }, 2},
        {"placed count", [](Bytes& b, Bytes&) { PutWord(b, 208, 1000000); }, 2},
        {"tray type", [](Bytes& b, Bytes&) { PutWord(b, 148, SQUARE); }, 2},
        {"tray place", [](Bytes& b, Bytes&) { PutFloat(b, 156, 13.0f); }, 2},
        {"an L shown and placed", [](Bytes& b, Bytes&) { PutFloat(b, 160, 0.0f); }, 2},
        {"colour slot", [](Bytes& b, Bytes&) { PutWord(b, 228, 6); }, 2},
        {"piece type", [](Bytes& b, Bytes&) { PutWord(b, 212, 28); }, 1},
        {"no square taken", [](Bytes& b, Bytes&) { PutWord(b, 212, SQUARE); }, 1},
        {"piece x NaN", [&](Bytes& b, Bytes&) { PutFloat(b, 216, nan); }, 1},
        {"piece x half", [](Bytes& b, Bytes&) { PutFloat(b, 216, 1.5f); }, 1},
        {"overlapping", [](Bytes& b, Bytes&) { PutFloat(b, 216, 1.0f); }, 1},
        {"off the board", [](Bytes& b, Bytes&) { PutFloat(b, 216, 3.0f); }, 1},
        {"save2 cut", [](Bytes&, Bytes& b) { b.pop_back(); }, 2},
        {"save2 emptied", [](Bytes&, Bytes& b) { b.clear(); }, 2},
        {"level 200", [](Bytes&, Bytes& b) { PutWord(b, 0, 200); }, 2},
        {"a level without file", [](Bytes&, Bytes& b) { PutWord(b, 0, 41); }, 2},
        {"not the level's pack", [](Bytes&, Bytes& b) { PutWord(b, 8, 0); }, 2},
        {"scroll NaN", [&](Bytes&, Bytes& b) { PutFloat(b, 4, nan); }, 2},
        {"no level at all",
         [](Bytes& b, Bytes& b2) { PutWord(b, 148, SQUARE); PutWord(b2, 0, 41); }, -1},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        Bytes save = good, save2 = good2;
        damage.change(save, save2);
        VornTest::WriteBytes(BoardWorld::DataName("save/save"), save);
        VornTest::WriteBytes(BoardWorld::DataName("save/save2"), save2);
        for (const char* name : {"save/save.damaged", "save/save2.damaged"})
            std::remove(BoardWorld::DataName(name).c_str());
        game.currentLevel = 7;
        game.currentPack = 0;
        Vorn::SmartPtr<PlayfieldFit> board(new PlayfieldFit(0, 0, 1, 16));
        const bool restored = board->LoadGame();
        EXPECT_EQ(game.currentLevel, restored ? 40 : 7);
        EXPECT_EQ(game.currentPack, restored ? 1 : 0);
        int kept = 0;
        for (const auto& block : board->Placed())
            kept += block->type == L_SHAPE && block->y == 0.0f && (block->x == 0.0f || block->x == 2.0f);
        EXPECT_EQ(restored ? kept : -1, damage.kept);
        bool saveAside = false, save2Aside = false;
        world.SavedBytes("save/save.damaged", &saveAside);
        world.SavedBytes("save/save2.damaged", &save2Aside);
        EXPECT_EQ(saveAside, save != good && !save.empty());
        EXPECT_EQ(save2Aside, save2 != good2);
        // Once set aside, the files hold the repaired board, which restores whole.
        if (restored && (saveAside || save2Aside)) {
            Vorn::SmartPtr<PlayfieldFit> again(new PlayfieldFit(0, 0, 1, 16));
            testing::internal::CaptureStderr();
            EXPECT_TRUE(again->LoadGame());
            EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
            EXPECT_EQ(again->placedCount, damage.kept);
        }
    }
}

TEST_F(BoardSave, TheGameRestoresAValidSaveOnly)
{
    SaveTwoPieces();
    Game& game = world.game();
    game.stats = new Stats(Stats::TOTALS);
    game.stats->gameCounter = 6;
    game.stats->Save();
    Stats record(5);
    record.level = 40;
    record.Save();
    game.playfield = nullptr;
    game.screenState = 13;

    game.savedGameMode = 1;
    EXPECT_FALSE(game.CreatePlayfield());
    EXPECT_EQ(game.playfield, nullptr);

    game.savedGameMode = 0;
    ASSERT_TRUE(game.CreatePlayfield());
    ASSERT_TRUE(game.playfield);
    EXPECT_EQ(game.screenState, Game::STATE_PLAY);
    EXPECT_TRUE(game.playfield->paused);
    EXPECT_EQ(game.playfield->controller, game.controller);
    EXPECT_EQ(game.controller->target, game.playfield.Get());
    EXPECT_EQ(game.playfield->stats->number, 5);
    EXPECT_EQ(game.playfield->stats->level, 40);
    EXPECT_EQ(game.stats->gameCounter, 6);
    EXPECT_EQ(game.gameMode, 0);
    // The save stays until a newer one replaces it: a crash of the resumed game resumes it again.
    EXPECT_EQ(world.SavedBytes("save/save").size(), 256u);
    game.playfield = nullptr;
    game.screenState = 13;
    EXPECT_TRUE(game.CreatePlayfield());
    EXPECT_EQ(game.playfield->placedCount, 2);
    // Left, the level has nothing to resume.
    game.playfield->ClearSavedGame();
    game.playfield = nullptr;
    game.screenState = 13;
    EXPECT_FALSE(game.CreatePlayfield());
    EXPECT_EQ(game.screenState, 13);
}

TEST_F(BoardSave, TheFuzzSeedIsARestorableSave)
{
    bool found = false;
    const std::vector<uint8_t> seed = VornTest::ReadBytes(
        std::string(VORN_SOURCE_DIR) + "/fuzz/corpus/boardsave/two_pieces.bin", &found);
    ASSERT_TRUE(found);
    ASSERT_GT(seed.size(), 12u);
    VornTest::WriteBytes(BoardWorld::DataName("save/save2"), {seed.begin(), seed.begin() + 12});
    VornTest::WriteBytes(BoardWorld::DataName("save/save"), {seed.begin() + 12, seed.end()});
    Vorn::SmartPtr<PlayfieldFit> board(new PlayfieldFit(0, 0, 1, 16));
    ASSERT_TRUE(board->LoadGame());
    EXPECT_EQ(board->placedCount, 2);
}
