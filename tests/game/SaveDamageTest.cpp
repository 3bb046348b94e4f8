// Damaged save files, one property over every file of a profile, the list and the level in
// progress, and every kind of damage: the file emptied, zeroed, cut (in half also where no copy of
// it can be made), lengthened, or with one bit flipped. Whatever the damage, every field whose
// bytes are intact reads as it was stored, the progress as at the next start, both profiles stay
// listed, the level in progress is resumed
// whenever "save" holds anything, a damage the layout can show is set aside once, byte for byte,
// and named on stderr as the file it is (a file that cannot be set aside is left as it is), and
// nothing crashes.
#include <filesystem>
#include <functional>
#include <random>
#include <regex>

#include "BinaryFiles.h"
#include "PlayfieldFit.h"
#include "SaveDataFixture.h"
#include "SaveFile.h"
#include "Stats.h"
#include "support/BoardWorld.h"

using namespace SaveDataTest;

namespace {

// A field of a file: where its bytes lie, and what the game made of them: either a value read
// back (compared with the little-endian number the bytes hold) or a check of its own.
struct Field {
    size_t offset;
    size_t size;
    std::function<uint64_t(Game&)> loaded;
    std::function<bool(Game&)> kept = nullptr;
};

struct SaveFileCase {
    std::string name;
    Record stored;
    std::vector<Field> fields;
    // Whether a file of zeros of the right size is still a valid record.
    bool zerosAreValid;
};

uint64_t Bits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The level in progress (SaveDamage::SetUp): two L pieces are placed.
const int LEVEL = 40;
const int J = 28, ROBOT = 68; // solved against earlier level tables, by solutions SetUp's lack
const int L_SHAPE = 5;
const int SQUARE = 0;

struct Piece {
    int type;
    float x;
    float y;
};
const Piece PLACED[] = {{L_SHAPE, 2.0f, 0.0f}, {L_SHAPE, 0.0f, 0.0f}}; // newest first

bool Is(const Block& block, const Piece& piece)
{
    return block.type == piece.type && block.x == piece.x && block.y == piece.y;
}

// Whether the board in play holds the piece, or a piece not saved at all took its place (a damaged
// record may move its piece onto another's cells; the one placed first keeps them).
bool OnBoard(Game& game, const Piece& piece)
{
    if (!game.playfield)
        return false;
    bool foreign = false;
    for (const auto& block : game.playfield->Placed()) {
        if (Is(*block, piece))
            return true;
        foreign = foreign || (!Is(*block, PLACED[0]) && !Is(*block, PLACED[1]));
    }
    return foreign;
}

// "save": the mode, seven words, the recent types (an L, then none), the tray newest first (the
// level's last entry first, the two L entries the pieces took hidden), the pieces placed newest
// first, each a field of its own, and the play time.
SaveFileCase BoardCase()
{
    Record save;
    for (int i = 0; i < 8; ++i)
        save.I32(0);
    save.I32(L_SHAPE);
    for (int i = 1; i < 28; ++i)
        save.I32(-1);
    save.I32(4);
    for (int i = 0; i < 4; ++i)
        save.I32(i == 2 ? SQUARE : L_SHAPE).F32(9.0f - 3 * i).F32(12.0f).F32(i < 2 ? -1.0f : 0.0f).I32(i + 1);
    save.I32(2);
    SaveFileCase board{"save", {}, {}, false};
    for (const Piece& piece : PLACED) {
        board.fields.push_back({save.bytes.size(), 20, nullptr, [=](Game& g) { return OnBoard(g, piece); }});
        save.I32(piece.type).F32(piece.x).F32(piece.y).F32(0.0f).I32(5);
    }
    board.stored = save.I32(4321);
    return board;
}

class SaveDamage : public SaveDataFixture {
protected:
    std::vector<SaveFileCase> Files()
    {
        std::vector<SaveFileCase> files;
        files.push_back({"profiles", Record().I32(2).Text("Ann").Text("Bob"), {}, false});
        files.push_back({"lastProfile", Record().Text("Ann"), {}, false});

        Record fit;
        fit.I32(200);
        SaveFileCase fitCase{"Ann_fit", {}, {}, false};
        for (int level = 0; level < 200; ++level) {
            // Twelve levels solved among the first hundred, J and the robot too, the rest open or closed.
            const uint64_t record = level < 100 && level % 8 == 3 ? 3 : level < 100 ? 1 : 0;
            fit.U64(level == J ? 1 | 1 << 5 : level == ROBOT ? 1 | 1 << 6 : record);
            fitCase.fields.push_back({4 + 8u * level, 8, [level](Game& g) { return g.LevelRecord(level); }});
            // One solution found, today's first, whatever befalls the bits past every table.
            if (level == J || level == ROBOT)
                fitCase.fields.back() = {4 + 8u * level, 2, nullptr, [level](Game& g) { return g.LevelRecord(level) == 3; }};
        }
        fitCase.stored = fit;
        files.push_back(fitCase);

        SaveFileCase hints{"Ann_hints", Record().I32(40), {}, true};
        hints.fields.push_back({0, 4, [](Game& g) { return uint64_t(uint32_t(g.hintPoints)); }});
        for (int level = 0; level < 200; ++level) {
            hints.stored.U32(level % 3);
            hints.fields.push_back({4 + 4u * level, 4, [level](Game& g) { return uint64_t(g.hintWords[level]); }});
        }
        files.push_back(hints);

        files.push_back({"Ann_options",
                         Record().I32(2).I32(1).F32(3.0f).F32(7.0f).I32(1).I32(3).U32(1),
                         {{0, 4, [](Game& g) { return uint64_t(g.pendingTheme); }},
                          {4, 4, [](Game&) { return uint64_t(Game::controlSide); }},
                          {8, 4, [](Game& g) { return Bits(g.sfxVolume); }},
                          {12, 4, [](Game& g) { return Bits(g.musicVolume); }},
                          {16, 4, [](Game&) { return uint64_t(Game::controls); }},
                          {20, 4, [](Game& g) { return uint64_t(g.language); }},
                          {24, 4, [](Game& g) { return uint64_t(g.twitch ? 0 : 1); }}},
                         true});

        Stats totals(Stats::TOTALS);
        totals.playTime = 5000000000; // past 32 bits
        totals.levelsSolved = 12;
        totals.solutionsFound = 12;
        totals.completions = 30;
        files.push_back({"Ann_stats-1",
                         Record{totals.Serialize()},
                         {{120, 4, [](Game& g) { return uint64_t(uint32_t(g.stats->playTime)); }},
                          {208, 4, [](Game& g) { return uint64_t(g.stats->playTime >> 32); }},
                          {212, 4, [](Game& g) { return uint64_t(g.stats->levelsSolved); }},
                          {216, 4, [](Game& g) { return uint64_t(g.stats->solutionsFound); }},
                          {220, 4, [](Game& g) { return uint64_t(g.stats->completions); }}},
                         false});

        files.push_back(BoardCase());
        files.push_back({"save2",
                         Record().I32(LEVEL).F32(3.0f).I32(BinaryFiles::PackOfLevel(LEVEL)),
                         {{4, 4, [](Game& g) { return Bits(g.scrollPosition); }}},
                         false});
        return files;
    }

    void StoreAll(const std::vector<SaveFileCase>& files)
    {
        std::filesystem::remove_all(VornTest::Sandbox::Data(""));
        std::filesystem::create_directories(VornTest::Sandbox::Data(""));
        for (const SaveFileCase& file : files)
            Store(file.name, file.stored);
        // Bob has played too: his records are what brings him back to a lost list.
        Store("Bob_fit", Record().I32(0));
    }

    void SetUp() override
    {
        SaveDataFixture::SetUp();
        // Twelve cells that three L pieces cover, a square to spare.
        VornTest::LevelDesign design;
        design.x0 = 1;
        design.y0 = 1;
        design.rows = {"######", ".#.#.#", ".#.#.#"};
        design.tray = {{0, 12, L_SHAPE}, {3, 12, SQUARE}, {6, 12, L_SHAPE}, {9, 12, L_SHAPE}};
        const std::vector<uint8_t> level = VornTest::BuildLevel(design);
        ASSERT_TRUE(Content::SetBinary(LEVEL, level.data(), level.size()));
        // J, the robot and level 150: four solutions, and outlines of their own.
        const std::vector<uint8_t> four = VornTest::BuildLevel({0, {{0, 12, SQUARE}}, 0, 0, {"##", "##"}, {4, {{SQUARE, 0, 0}}}});
        for (int solved : {J, ROBOT, 150})
            ASSERT_TRUE(Content::SetBinary(solved, four.data(), four.size()));
    }
};

TEST_F(SaveDamage, IntactFieldsAreKeptAndDamageIsSetAsideAndNamed)
{
    const std::vector<SaveFileCase> files = Files();
    std::mt19937 random(20);
    for (const SaveFileCase& file : files) {
        const std::vector<uint8_t>& good = file.stored.bytes;
        // The damages: emptied, zeros, the first half (once where no copy of it can be made), and
        // single bits flipped in the first word, in the middle, in the last byte and at random places.
        std::vector<std::pair<std::string, std::vector<uint8_t>>> damages;
        damages.push_back({"emptied", {}});
        damages.push_back({"zeroed", std::vector<uint8_t>(good.size(), 0)});
        const std::vector<uint8_t> half(good.begin(), good.begin() + good.size() / 2);
        damages.push_back({"cut", half});
        damages.push_back({"cut, and no copy can be made", half});
        damages.push_back({"cut by 4 bytes", {good.begin(), good.end() - 4}});
        damages.push_back({"3 bytes added", good});
        damages.back().second.resize(good.size() + 3);
        std::vector<size_t> flips = {0, 1, 3, good.size() / 2, good.size() - 1};
        if (file.name == "Ann_fit") // solutions past every table (J, the robot, 150), on a closed level
            flips.insert(flips.end(), {4 + 8 * J + 2, 4 + 8 * ROBOT + 2, 4 + 8 * 150 + 7, 4 + 8 * 120 + 1});
        // The level in progress gets many: every word of it may be damaged, the board is kept.
        const int randomFlips = file.name.compare(0, 4, "save") == 0 ? 30 : 6;
        for (int i = 0; i < randomFlips; ++i)
            flips.push_back(random() % good.size());
        for (size_t at : flips) {
            std::vector<uint8_t> flipped = good;
            flipped[at] ^= static_cast<uint8_t>(1u << (random() % 8));
            damages.push_back({"bit at " + std::to_string(at), flipped});
        }

        for (const auto& [kind, damaged] : damages) {
            SCOPED_TRACE(file.name + ", " + kind);
            StoreAll(files);
            Store(file.name, Record{damaged});
            // Every name a copy could take is a folder.
            const bool noCopy = kind == "cut, and no copy can be made";
            for (int copy = 1; noCopy && copy <= 9; ++copy)
                std::filesystem::create_directory(VornTest::Sandbox::Data(
                    "._" + file.name + ".damaged" + (copy > 1 ? std::to_string(copy) : "")));
            m_game = new Game();
            ASSERT_TRUE(m_game->LoadTexts());
            SaveWriter::ResetFailureReport();
            testing::internal::CaptureStderr();
            m_game->LoadProfiles();
            // Where the last profile was lost, the player picks Ann again, which writes it anew.
            if (!noCopy && m_game->profileName != Vorn::WideString(L"Ann"))
                m_game->SelectProfile(L"Ann");
            // A board put in play sets its own controls: the options' are kept aside to be checked.
            const int controls = Game::controls;
            const bool resumed = m_game->HasGameInProgress() && m_game->CreatePlayfield();
            Game::controls = controls;
            const std::string said = testing::internal::GetCapturedStderr();

            std::vector<std::string> listed(m_game->profileNames, m_game->profileNames + m_game->profileCount);
            EXPECT_NE(std::find(listed.begin(), listed.end(), "Bob"), listed.end());
            ASSERT_NE(std::find(listed.begin(), listed.end(), "Ann"), listed.end());
            const bool noGame = file.name == "save" && damaged.empty();
            EXPECT_EQ(resumed, !noGame);
            EXPECT_EQ(resumed ? m_game->playfield->level : LEVEL, LEVEL);
            for (const Field& field : file.fields) {
                const bool intact = field.offset + field.size <= damaged.size() &&
                                    std::equal(good.begin() + field.offset,
                                               good.begin() + field.offset + field.size,
                                               damaged.begin() + field.offset);
                if (!intact)
                    continue;
                if (field.kept) {
                    EXPECT_TRUE(field.kept(*m_game)) << "field at " << field.offset;
                    continue;
                }
                uint64_t value = 0;
                for (size_t i = 0; i < field.size; ++i)
                    value |= uint64_t(good[field.offset + i]) << (8 * i);
                EXPECT_EQ(field.loaded(*m_game), value) << "field at " << field.offset;
            }

            const std::vector<uint64_t> progress(m_game->levelRecords, m_game->levelRecords + 200);
            const std::string named = SaveFileOnDisk("save/" + file.name) + " is damaged";
            if (noCopy) {
                EXPECT_EQ(Saved(file.name), damaged);
                EXPECT_NE(said.find(named + "; could not set it aside"), std::string::npos) << said;
                continue;
            }
            bool asideFound = false;
            const std::vector<uint8_t> aside = Saved(file.name + ".damaged", &asideFound);
            const bool mustShow = file.name == "lastProfile" ||
                (damaged.size() != good.size() && !noGame) || (kind == "zeroed" && !file.zerosAreValid);
            if (mustShow) {
                EXPECT_TRUE(asideFound);
            }
            // Set aside once, and said as the file it is.
            int copies = 0;
            for (const auto& entry : std::filesystem::directory_iterator(VornTest::Sandbox::Data("")))
                copies += entry.path().filename().string().find(".damaged") != std::string::npos;
            EXPECT_EQ(copies, asideFound ? 1 : 0);
            if (asideFound) {
                EXPECT_EQ(aside, damaged);
                EXPECT_NE(said.find(named), std::string::npos) << said;
                EXPECT_EQ(said.find(" is damaged", said.find(" is damaged") + 1), std::string::npos) << said;
                EXPECT_FALSE(std::regex_search(said, std::regex("(^|\\s)1 [a-z]+s\\b"))) << "count words: " << said;
            }
            // What was kept is what the next start reads: nothing is damaged there any more.
            m_game = new Game();
            ASSERT_TRUE(m_game->LoadTexts());
            SaveWriter::ResetFailureReport();
            testing::internal::CaptureStderr();
            m_game->LoadProfiles();
            if (m_game->HasGameInProgress())
                m_game->CreatePlayfield();
            Game::controls = controls;
            const std::string saidNext = testing::internal::GetCapturedStderr();
            EXPECT_EQ(saidNext.find(" is damaged"), std::string::npos) << saidNext;
            EXPECT_EQ(std::vector<uint64_t>(m_game->levelRecords, m_game->levelRecords + 200), progress);
        }
    }
}

} // namespace
