// The profile's save files: byte layouts, defaults, clamps, and files that are missing, short or
// damaged.
#include <algorithm>
#include <bitset>
#include <cmath>
#include <filesystem>

#include "LevelTables.h"
#include "SaveDataFixture.h"
#include "Sounds.h"
#include "Stats.h"
#include "support/BuiltLevels.h"

using namespace SaveDataTest;

namespace {

class GameSave : public SaveDataFixture {
protected:
    // A named profile "Ann" listed and current, with whatever files the test stored for it.
    void SelectAnn()
    {
        Store("profiles", Record().I32(1).Text("Ann"));
        Store("lastProfile", Record().Text("Ann"));
        m_game->LoadProfiles();
        ASSERT_FALSE(m_game->IsGuest());
    }

    static Record Options(int32_t theme, int32_t side, float sfx, float music, int32_t controls,
                          int32_t language, uint32_t twitchOff)
    {
        return Record().I32(theme).I32(side).F32(sfx).F32(music).I32(controls).I32(language).U32(
            twitchOff);
    }

    static Record Fit(int32_t count, const std::vector<uint64_t>& records)
    {
        Record record;
        record.I32(count);
        for (uint64_t value : records)
            record.U64(value);
        return record;
    }
};

TEST_F(GameSave, FirstStartWritesTheGuestsFilesWithDefaults)
{
    m_game->LoadProfiles();

    EXPECT_TRUE(m_game->IsGuest());
    EXPECT_EQ(m_game->profileName, Vorn::WideString(L"GUEST"));
    EXPECT_EQ(m_game->profilePrefix, Vorn::WideString(L"save/GUEST_"));
    EXPECT_EQ(Saved("profiles"), Record().I32(0).bytes);
    EXPECT_EQ(Saved("lastProfile"), Record().Text("GUEST").bytes);
    EXPECT_EQ(Saved("GUEST_options"), Options(0, 0, 5.0f, 5.0f, 0, 0, 0).bytes);

    Fields fit = Read("GUEST_fit");
    ASSERT_EQ(fit.bytes.size(), 1604u);
    EXPECT_EQ(fit.I32(), 200);
    for (int level = 0; level < 200; ++level)
        EXPECT_EQ(fit.U64(), level < 4 ? 1u : 0u) << level;

    // Hints are only written when one is used.
    EXPECT_FALSE(Exists("GUEST_hints"));
    EXPECT_EQ(m_game->hintPoints, 0);
}

TEST_F(GameSave, OptionsAreClampedHandedToTheSoundsAndWrittenBack)
{
    Store("Ann_options", Options(42, 5, -1.0f, 12.5f, -3, 9, 7));
    SelectAnn();

    EXPECT_EQ(m_game->sfxVolume, 0.0f);
    EXPECT_EQ(m_game->musicVolume, 10.0f);
    EXPECT_EQ(Sounds::GetMusicVolume(), 100);
    EXPECT_EQ(Sounds::GetSoundVolume(), 0);
    EXPECT_FALSE(m_game->twitch) << "a twitch-off word other than 0 or 1 turns it off";
    EXPECT_EQ(m_game->pendingTheme, 7);
    EXPECT_EQ(Game::theme, 7) << "selecting without a pending request switches at once";
    EXPECT_EQ(Game::controlSide, 1);
    EXPECT_EQ(Game::controls, 0);
    EXPECT_EQ(m_game->language, 4);
    EXPECT_EQ(Saved("Ann_options"), Options(7, 1, 0.0f, 10.0f, 0, 4, 1).bytes);
}

TEST_F(GameSave, AStoredVolumeThatIsNotANumberBecomesTheDefault)
{
    Store("Ann_options", Options(0, 0, std::nanf(""), 3.0f, 0, 0, 0));
    SelectAnn();
    EXPECT_EQ(m_game->sfxVolume, 5.0f);
    EXPECT_EQ(m_game->musicVolume, 3.0f);
    EXPECT_EQ(Sounds::GetSoundVolume(), 50);
    EXPECT_EQ(Sounds::GetMusicVolume(), 30);
}

TEST_F(GameSave, ShortOptionsAreMissingAndKeepLanguageAndTwitch)
{
    // Emptied (the game never leaves a listed profile's file so): defaults, rewritten whole. A
    // record cut short keeps the fields it holds in full. Both are damage, set aside.
    for (size_t size : {size_t(0), size_t(24)}) {
        Record options = Options(3, 1, 2.0f, 2.0f, 2, 2, 1);
        options.bytes.resize(size);
        Store("Ann_options", options);
        m_game->language = 3;
        m_game->twitch = false;
        SelectAnn();
        const bool cut = size > 0;
        EXPECT_EQ(m_game->pendingTheme, cut ? 3 : 0) << size;
        EXPECT_EQ(Game::controlSide, cut ? 1 : 0);
        EXPECT_EQ(m_game->sfxVolume, cut ? 2.0f : 5.0f);
        EXPECT_EQ(m_game->musicVolume, cut ? 2.0f : 5.0f);
        EXPECT_EQ(m_game->language, cut ? 2 : 3) << "a new profile keeps the language in use";
        EXPECT_FALSE(m_game->twitch);
        EXPECT_EQ(Saved("Ann_options"),
                  cut ? Options(3, 1, 2.0f, 2.0f, 2, 2, 1).bytes : Options(0, 0, 5.0f, 5.0f, 0, 3, 1).bytes);
        EXPECT_TRUE(Exists("Ann_options.damaged"));
        std::filesystem::remove(VornTest::Sandbox::Data("._Ann_options.damaged"));
    }
}

TEST_F(GameSave, LoadingWritesBackTheProfilesOwnThemeNotTheOneInUse)
{
    Game::theme = 2;
    m_game->loadedTheme = 2;
    m_game->themeChangePending = true; // a selection by touch: the switch waits for the next frame
    Store("Ann_options", Options(5, 0, 5.0f, 5.0f, 0, 0, 0));
    SelectAnn();
    EXPECT_EQ(Game::theme, 2);
    EXPECT_EQ(m_game->pendingTheme, 5);
    EXPECT_EQ(Read("Ann_options").I32(), 5);
}

TEST_F(GameSave, WithoutASaveAreaEverythingStaysInMemory)
{
    std::filesystem::remove_all("data");
    m_game->LoadProfiles();
    EXPECT_TRUE(m_game->IsGuest());
    EXPECT_EQ(m_game->profileCount, 0);
    EXPECT_EQ(m_game->sfxVolume, 5.0f);
    EXPECT_EQ(m_game->musicVolume, 5.0f);
    EXPECT_EQ(m_game->pendingTheme, 0);
    EXPECT_EQ(m_game->LevelRecord(0), 1u);
    EXPECT_EQ(m_game->LevelRecord(4), 0u);
    EXPECT_FALSE(m_game->SaveOptions());
    EXPECT_FALSE(m_game->SaveFit());
    EXPECT_FALSE(m_game->SaveProfiles());
}

TEST_F(GameSave, FitReadsItsCountOfRecordsAndNoMore)
{
    std::vector<uint64_t> records(150, 0);
    records[0] = 0;
    records[7] = 5;
    records[149] = 3;
    Store("Ann_fit", Fit(150, records));
    SelectAnn();
    EXPECT_EQ(m_game->LevelRecord(0), 0u) << "a stored record wins over the defaults";
    EXPECT_EQ(m_game->LevelRecord(7), 5u);
    EXPECT_EQ(m_game->LevelRecord(149), 3u);
    EXPECT_EQ(m_game->LevelRecord(150), 0u);

    std::vector<uint64_t> more(300, 1);
    Store("Ann_fit", Fit(300, more));
    SelectAnn();
    EXPECT_EQ(m_game->LevelRecord(199), 1u);
    EXPECT_EQ(Saved("Ann_fit").size(), 300u * 8 + 4) << "loading leaves the file alone";
    EXPECT_TRUE(m_game->SaveFit());
    EXPECT_EQ(Saved("Ann_fit").size(), 1604u);
}

TEST_F(GameSave, DamagedFitKeepsTheRecordsItHoldsInFull)
{
    Record cutCount = Record().I32(200);
    cutCount.bytes.resize(2);
    Record cutRecord = Fit(200, std::vector<uint64_t>(121, 7));
    cutRecord.bytes.resize(cutRecord.bytes.size() - 3);
    // What each file holds in full; an emptied file is damage too for a profile that has played
    // (a deleted profile's emptied files are a new profile's start, GameProfilesTest).
    std::vector<std::pair<Record, int>> damaged = {
        {Record(), 0},          {cutCount, 0},
        {Record().I32(200), 0}, {cutRecord, 120},
        {Fit(-5, std::vector<uint64_t>(200, 7)), 200}, {Fit(201, std::vector<uint64_t>(200, 7)), 200},
    };
    for (const auto& [record, held] : damaged) {
        Store("Ann_fit", record);
        SelectAnn();
        for (int level = 0; level < 200; ++level)
            ASSERT_EQ(m_game->LevelRecord(level), level < held ? 7u : level < 4 ? 1u : 0u) << level;
        EXPECT_EQ(Saved("Ann_fit").size(), 1604u);
        EXPECT_TRUE(Exists("Ann_fit.damaged"));
        std::filesystem::remove(VornTest::Sandbox::Data("._Ann_fit.damaged"));
    }
}

TEST_F(GameSave, AFitOfNoRecordsLeavesEveryLevelClosed)
{
    Store("Ann_fit", Fit(0, {}));
    SelectAnn();
    for (int level = 0; level < 200; ++level)
        ASSERT_EQ(m_game->LevelRecord(level), 0u) << level;
}

TEST_F(GameSave, RecordsKeepOnlyTheBitsOfTheLevelsSolutions)
{
    // Level 0 with two stored solutions: bits 0, 1 and 2 mean something, the rest are stale.
    std::vector<uint8_t> level = {0, 0, 2, 0x21, 0, 0x4C, 27, 0x21, 0x42, 0, 0, 1, 0, 0, 0,
                                  2, 2, 0, 4, 2, 27, 6, 3, 0, 4, 2, 27, 6, 3};
    ASSERT_TRUE(Content::SetBinary(0, level.data(), level.size()));
    ASSERT_EQ(Content::GetLevel(0)->solutionCount, 2);
    std::vector<uint64_t> records(200, 0xFF);
    Store("Ann_fit", Fit(200, records));
    SelectAnn();
    EXPECT_EQ(m_game->LevelRecord(0), 0x7u);
    EXPECT_EQ(m_game->LevelRecord(1), 0xFFu) << "a level not loaded keeps its record";
}

TEST_F(GameSave, HintsAreReadWholeOrEarnedFromTheSolutionsFound)
{
    Record hints;
    hints.I32(17);
    for (int level = 0; level < 200; ++level)
        hints.U32(level % 3);
    Store("Ann_hints", hints);
    SelectAnn();
    EXPECT_EQ(m_game->hintPoints, 17);
    EXPECT_EQ(m_game->hintWords[5], 2u);
    EXPECT_EQ(m_game->hintWords[199], 1u);

    Stats totals(-1);
    totals.solutionsFound = 12;
    Store("Bob_stats-1", Record{totals.Serialize()});
    Store("Bob_fit", Fit(200, std::vector<uint64_t>(200, 1)));
    Store("profiles", Record().I32(1).Text("Bob"));
    Store("lastProfile", Record().Text("Bob"));
    Record shortHints = hints;
    shortHints.bytes.resize(400);
    m_game->LoadProfiles();
    EXPECT_EQ(m_game->hintPoints, 120);
    EXPECT_EQ(m_game->hintWords[5], 0u);
    // Cut short: what it holds in full is kept, and it is written back whole.
    Store("Bob_hints", shortHints);
    m_game->LoadProfiles();
    EXPECT_EQ(m_game->hintPoints, 17);
    EXPECT_EQ(m_game->hintWords[5], 2u);
    EXPECT_EQ(m_game->hintWords[150], 0u);
    EXPECT_EQ(Saved("Bob_hints").size(), 804u);
    EXPECT_EQ(Saved("Bob_hints.damaged"), shortHints.bytes);
    std::filesystem::remove(VornTest::Sandbox::Data("._Bob_hints"));

    totals.solutionsFound = 0x7FFFFFFF;
    Store("Bob_stats-1", Record{totals.Serialize()});
    m_game->LoadProfiles();
    EXPECT_EQ(m_game->hintPoints, 0x7FFFFFFF) << "earned points stop at the largest int";
}

TEST_F(GameSave, DeletingProgressResetsRecordsCountersAndHints)
{
    SelectAnn();
    m_game->levelRecords[10] = 3;
    m_game->hintWords[10] = 2;
    m_game->hintPoints = 30;
    m_game->stats->levelsSolved = 4;
    m_game->stats->solutionsFound = 6;
    m_game->stats->completions = 9;
    ASSERT_TRUE(m_game->SaveFit());
    ASSERT_TRUE(m_game->SaveHints());

    m_game->DeleteProgress();

    Fields fit = Read("Ann_fit");
    ASSERT_EQ(fit.bytes.size(), 1604u);
    EXPECT_EQ(fit.I32(), 200);
    for (int level = 0; level < 200; ++level)
        EXPECT_EQ(fit.U64(), level < 4 ? 1u : 0u) << level;
    Vorn::SmartPtr<Stats> totals = Stats::Load(-1);
    EXPECT_EQ(totals->levelsSolved, 0);
    EXPECT_EQ(totals->solutionsFound, 0);
    EXPECT_EQ(totals->completions, 9);

    // The next selection reads the hints back from the file: they must be gone there too.
    m_game->LoadProfiles();
    EXPECT_EQ(m_game->hintWords[10], 0u);
    EXPECT_EQ(m_game->hintPoints, 0);
    EXPECT_EQ(m_game->LevelRecord(10), 0u);
}

TEST_F(GameSave, VersionStampAndHighScoreFiles)
{
    EXPECT_EQ(m_game->ReadSaveVersion(), "1.0");
    ASSERT_TRUE(m_game->SaveVersion());
    // The level tables follow the name: none known yet.
    EXPECT_EQ(Saved("save_version"), Record().Text("1.0").U32(0).bytes);
    Store("save_version", Record().Text("0.9"));
    EXPECT_EQ(m_game->ReadSaveVersion(), "0.9");
    Store("save_version", Record().U32(0x7FFFFFFF).Text("x"));
    EXPECT_EQ(m_game->ReadSaveVersion(), "1.0");

    Store("highscores_", Record().I32(1));
    m_game->ClearHighscores();
    bool found = false;
    EXPECT_TRUE(Saved("highscores_", &found).empty());
    EXPECT_TRUE(found);
}

TEST_F(GameSave, TheBootThemeComesFromTheProfileTheNextStartSelects)
{
    EXPECT_EQ(m_game->ReadLastProfileTheme(), 0);

    Store("profiles", Record().I32(1).Text("Ann"));
    Store("lastProfile", Record().Text("Ann"));
    Store("Ann_options", Options(6, 0, 5, 5, 0, 0, 0));
    Store("GUEST_options", Options(2, 0, 5, 5, 0, 0, 0));
    EXPECT_EQ(m_game->ReadLastProfileTheme(), 6);

    Store("Ann_options", Options(99, 0, 5, 5, 0, 0, 0));
    EXPECT_EQ(m_game->ReadLastProfileTheme(), 7);
    Store("Ann_options", Options(-4, 0, 5, 5, 0, 0, 0));
    EXPECT_EQ(m_game->ReadLastProfileTheme(), 0);

    // A last profile that is not in the list is not what the start selects: the guest is.
    Store("lastProfile", Record().Text("Zed"));
    Store("Zed_options", Options(4, 0, 5, 5, 0, 0, 0));
    EXPECT_EQ(m_game->ReadLastProfileTheme(), 2);

    Store("GUEST_options", Record().I32(3));
    EXPECT_EQ(m_game->ReadLastProfileTheme(), 0) << "a short record counts as missing";
}

TEST_F(GameSave, VolumesAreClampedSentAndSaved)
{
    m_game->LoadProfiles();
    m_game->SetVolumesAndSave(10.4f, -0.5f);
    EXPECT_EQ(m_game->sfxVolume, 10.0f);
    EXPECT_EQ(m_game->musicVolume, 0.0f);
    EXPECT_EQ(Sounds::GetSoundVolume(), 100);
    EXPECT_EQ(Sounds::GetMusicVolume(), 0);
    Fields options = Read("GUEST_options");
    options.position = 8;
    EXPECT_EQ(options.F32(), 10.0f);
    EXPECT_EQ(options.F32(), 0.0f);

    m_game->SetVolumes(2.25f, 7.5f, false);
    EXPECT_EQ(Sounds::GetSoundVolume(), 22);
    EXPECT_EQ(Sounds::GetMusicVolume(), 75);
    options = Read("GUEST_options");
    options.position = 8;
    EXPECT_EQ(options.F32(), 10.0f) << "not saved unless asked";
}

TEST_F(GameSave, ThemeSwitchSetsColoursBlocksAndBackgroundAndSaves)
{
    m_game->LoadProfiles();
    for (int requested : {3, 3, 99}) {
        m_game->SetTheme(requested);
        int theme = requested > 7 ? 7 : requested;
        EXPECT_EQ(Game::theme, theme);
        EXPECT_EQ(m_game->loadedTheme, theme);
        EXPECT_EQ(Game::BASE_BLOCK, Consts::THEME_BLOCKS[theme]);
        EXPECT_EQ(Game::imgBackground, Consts::THEME_BACKGROUND[theme]);
        unsigned ink = Consts::COLORS[Consts::COLORS_PER_ROW * Consts::THEME_COLORS[theme]];
        EXPECT_FLOAT_EQ(Game::COLOR_R, ((ink >> 16) & 0xFF) / 255.0f);
        EXPECT_FLOAT_EQ(Game::COLOR_B, (ink & 0xFF) / 255.0f);
        EXPECT_EQ(Read("GUEST_options").I32(), theme);
    }
}

// Progress written against the level tables of before, when some levels had more solutions than
// they have now: every profile's is brought to today's tables and nothing is set aside, each solved
// level kept with as many solutions found as it can hold; a solution past every table is damage.
TEST_F(GameSave, ProgressOfEarlierLevelTablesKeepsEverySolvedLevel)
{
    VornTest::BuiltLevels levels;
    if (!levels.Available())
        GTEST_SKIP() << VornTest::MissingBuiltData({VornTest::BuiltData("data_common.pak")});
    // Each level that lost solutions is solved by its last solution then, its first and last, or
    // all of them; a few other levels are solved and open. The save area names no tables, as the
    // version before left it.
    std::vector<uint64_t> records(200, 0);
    int lost = 0, lastLost = -1;
    for (int level = 0; level < 200; ++level) {
        const uint64_t last = uint64_t(1) << LevelTables::EarlierSolutions(level);
        if (last > 1) {
            records[level] = lost % 3 == 0 ? 1 | last : lost % 3 == 1 ? 3 | last : (last << 1) - 1;
            ++lost;
            lastLost = level;
        } else if (level < 12) {
            records[level] = level % 3 == 0 ? 0x1 : 0x3;
        }
    }
    ASSERT_GE(lastLost, 0);
    Store("save_version", Record().Text("1.0"));
    Store("profiles", Record().I32(3).Text("Ann").Text("Bob").Text("Cy"));
    Store("lastProfile", Record().Text("Ann"));
    Store("Ann_fit", Fit(200, records));
    Store("Bob_fit", Fit(200, records));
    std::vector<uint64_t> impossible = records;
    impossible[lastLost] = 1 | uint64_t(1) << (LevelTables::EarlierSolutions(lastLost) + 1);
    Store("Cy_fit", Fit(200, impossible));

    m_game->LoadProfiles();
    EXPECT_EQ(m_game->ReadProgressTables(), LevelTables::SHIPPED);
    auto found = [](uint64_t record) { return std::bitset<64>(record >> 1).count(); };
    for (const char* name : {"Ann", "Bob"}) {
        SCOPED_TRACE(name);
        m_game->SelectProfile(Vorn::WideString(Vorn::NarrowString(name)));
        EXPECT_FALSE(Exists(std::string(name) + "_fit.damaged"));
        for (int level = 0; level < 200; ++level) {
            const uint64_t record = m_game->LevelRecord(level);
            const size_t solutions = Content::GetLevel(level)->solutionCount;
            EXPECT_EQ(record >= 2, records[level] >= 2) << level;
            EXPECT_EQ(found(record), std::min(found(records[level]), solutions)) << level;
            EXPECT_EQ(record & ~m_game->LevelRecordMask(level), 0u) << level;
        }
    }
    m_game->SelectProfile(L"Cy");
    EXPECT_TRUE(Exists("Cy_fit.damaged"));
    // The area now records today's tables: a solution past them is damage again.
    Store("Cy_fit", Fit(200, records));
    m_game->SelectProfile(L"Cy");
    EXPECT_TRUE(Exists("Cy_fit.damaged2"));
}

} // namespace
