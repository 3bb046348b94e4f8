// The level catalogue: packs and the title of every level in every language.
#include "SaveDataFixture.h"

using namespace SaveDataTest;

namespace {

class GameCatalogue : public SaveDataFixture {
protected:
    void UseLanguage(int language)
    {
        m_game->language = language;
        ASSERT_TRUE(m_game->LoadTexts());
    }
};

TEST_F(GameCatalogue, NumberedTitleKeysCarryALeadingZeroBelowTen)
{
    EXPECT_EQ(Game::TitleSeriesKey("GAMES", 1), "GAMES_01");
    EXPECT_EQ(Game::TitleSeriesKey("GAMES", 9), "GAMES_09");
    EXPECT_EQ(Game::TitleSeriesKey("GAMES", 10), "GAMES_10");
    EXPECT_EQ(Game::TitleSeriesKey("ZOMBIE", 34), "ZOMBIE_34");
}

TEST_F(GameCatalogue, TitlesAreEmptyUntilTheSeriesAreBuilt)
{
    m_game->CopyLevelNames();
    for (int level = 0; level < Game::LEVEL_COUNT; ++level)
        EXPECT_TRUE(m_game->levelTitles[level].empty()) << level;
}

TEST_F(GameCatalogue, LevelsTakeTheTitlesOfTheirKeys)
{
    m_game->InitLevelTitles();
    m_game->CopyLevelNames();
    const struct {
        int level;
        const char* key;
    } cases[] = {
        {0, "BEGINNER_SQR2X2"},   {18, "BEGGINER_ALMOST_TWO_3X3"}, {26, "BEGINNER_DIAMOND"},
        {27, "LETTER_INDIA"},     {50, "LETTER_X"},                {52, "LETTER_WHISKEY"},
        {53, "THINGS_DOG"},       {84, "THINGS_TANK"},             {85, "SHAPE_UPPERLEFT"},
        {109, "SHAPE_EXT_SQR"},   {110, "GAMES_01"},               {118, "GAMES_09"},
        {119, "GAMES_10"},        {145, "GAMES_36"},               {146, "HELLOWEEN_01"},
        {165, "HELLOWEEN_20"},    {166, "ZOMBIE_01"},              {199, "ZOMBIE_34"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(m_game->levelTitles[c.level], Text(c.key)) << c.level << " " << c.key;

    // Series no pack uses stay in the table under their slots; the tables leave their keys out.
    EXPECT_EQ(m_game->titleSeries[146], Vorn::WideString(L"VAL_01"));
    EXPECT_EQ(m_game->titleSeries[415], Vorn::WideString(L"SUMMER_01"));
    EXPECT_TRUE(m_game->titleSeries[323].empty());
    EXPECT_TRUE(m_game->titleSeries[515].empty());
}

TEST_F(GameCatalogue, EveryLevelHasATitleInEveryLanguage)
{
    for (int language = 0; language < Game::LANGUAGE_COUNT; ++language) {
        UseLanguage(language);
        m_game->InitLevelTitles();
        m_game->CopyLevelNames();
        for (int level = 0; level < Game::LEVEL_COUNT; ++level) {
            const Vorn::WideString& title = m_game->levelTitles[level];
            EXPECT_FALSE(title.empty()) << language << " " << level;
            // A key missing from the table would show as the key itself.
            EXPECT_EQ(title.find(L'_'), Vorn::WideString::npos) << language << " " << level;
        }
    }
}

TEST_F(GameCatalogue, TitlesFollowALanguageChange)
{
    m_game->InitLevelTitles();
    m_game->CopyLevelNames();
    Vorn::WideString english = m_game->levelTitles[53];
    UseLanguage(3);
    m_game->CopyLevelNames();
    EXPECT_EQ(m_game->levelTitles[53], Text("THINGS_DOG"));
    EXPECT_NE(m_game->levelTitles[53], english);
}

TEST_F(GameCatalogue, PackTables)
{
    UseLanguage(2);
    m_game->BuildPackTables();
    const int sizes[] = {27, 26, 32, 25, 36, 20, 34};
    const char* keys[] = {"PACK_BEGINNER", "PACK_LETTERS", "PACK_MIXED", "PACK_GEOMETRY",
                          "PACK_GAMES", "PACK_HELLOWEEN", "PACK_ZOMBIE"};
    int next = 0;
    for (int pack = 0; pack < Game::PACK_COUNT; ++pack) {
        EXPECT_EQ(m_game->packSizes[pack], sizes[pack]);
        ASSERT_EQ(m_game->packLevels[pack].size(), static_cast<size_t>(sizes[pack]));
        for (int level : m_game->packLevels[pack])
            EXPECT_EQ(level, next++);
        EXPECT_EQ(m_game->packNames[pack], Text(keys[pack]));
        EXPECT_EQ(m_game->packLockedTexts[pack], Text("PACK_LOCKED"));
    }
    EXPECT_EQ(next, 200);
    m_game->BuildPackTables();
    EXPECT_EQ(m_game->packLevels[6].size(), 34u) << "building again replaces, never appends";
}

} // namespace
