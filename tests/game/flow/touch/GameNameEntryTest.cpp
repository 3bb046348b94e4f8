// The name keyboard: keys by position, pages, the length limit, and what ENTER creates.
#include "GameTouchFixture.h"

using namespace TouchTest;

namespace {

class NameEntry : public GameTouchFixture {
protected:
    void SetUp() override
    {
        GameTouchFixture::SetUp();
        m_game->LoadProfiles();
        m_game->returnState = Game::STATE_MAIN_MENU;
        m_game->OpenNameKeyboard(Vorn::WideString(L"Name?"));
        m_game->namingProfile = true;
    }

    // Keys are two cells square; the six rows end at the bottom of the 20-row screen.
    void Key(int column, int row) { Tap(Px(2.0f * column + 1.0f), Px(8.0f + 2.0f * row + 1.0f)); }
    void Letter(int label) { Key(label % 6, label / 6); }
    void Delete() { Key(0, 4); }
    void Enter() { Key(5, 5); }
    void Shift() { Key(1, 5); }
    void Space() { Key(2, 5); }
    void Type(const char* lowercase)
    {
        for (const char* c = lowercase; *c; ++c) {
            if (*c == ' ')
                Space();
            else
                Letter(*c - 'a');
        }
    }
};

TEST_F(NameEntry, CapitalsAfterOpeningShiftAndSpace)
{
    EXPECT_EQ(m_game->screenState, Game::STATE_KEYBOARD);
    Letter(0);
    Letter(1);
    Shift();
    Letter(2);
    EXPECT_EQ(Game::typedName, "AbC");
    Space();
    Letter(3);
    EXPECT_EQ(Game::typedName, "AbC D");
}

TEST_F(NameEntry, ShiftCyclesTheLetterPagesOnlyForAProfile)
{
    Shift();
    EXPECT_EQ(Game::keyPage, 0);
    Shift();
    EXPECT_EQ(Game::keyPage, 1);
    Shift();
    EXPECT_EQ(Game::keyPage, 0);

    m_game->namingProfile = false;
    Shift();
    Shift();
    EXPECT_EQ(Game::keyPage, 2);
    Letter(0);
    EXPECT_EQ(Game::typedName, "1");
}

TEST_F(NameEntry, DeleteAndSpaceOnTheEdges)
{
    Delete();
    Space();
    EXPECT_EQ(Game::typedName, "");
    EXPECT_EQ(Game::keyPage, 1);

    Game::typedName = "Zo\xC3\xAB"; // "Zoë": the last character takes two bytes
    Delete();
    EXPECT_EQ(Game::typedName, "Zo");
    Game::typedName = "\xF0\x9F\x99\x82";
    Delete();
    EXPECT_EQ(Game::typedName, "");
}

TEST_F(NameEntry, NamesStopAtTheLimitInCharacters)
{
    Game::typedName = "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
                      "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"; // 15 x e-acute
    Letter(0);
    Letter(1);
    Space();
    EXPECT_EQ(Game::typedName.size(), 31u);
    EXPECT_EQ(Game::typedName.back(), 'A');
    Enter();
    EXPECT_EQ(m_game->screenState, Game::STATE_MAIN_MENU);
    EXPECT_EQ(m_game->profileCount, 1);
}

TEST_F(NameEntry, TouchesAboveTheKeysAreIgnored)
{
    Tap(Px(1.0f), Px(7.5f)); // between the bound of four rows and the keys' top edge
    Tap(Px(1.0f), Px(3.0f));
    Tap(Px(12.0f), Px(9.0f));
    EXPECT_EQ(Game::typedName, "");
}

TEST_F(NameEntry, EnterOnAnEmptyOrBlankNameCancels)
{
    Enter();
    EXPECT_EQ(m_game->screenState, Game::STATE_PROFILES);
    EXPECT_FALSE(m_game->keyboardOpen);

    m_game->OpenNameKeyboard(Vorn::WideString(L"Name?"));
    Game::typedName = "   ";
    m_game->nameHasText = true; // stale: the painter has not run since
    Enter();
    EXPECT_EQ(m_game->screenState, Game::STATE_PROFILES);
    EXPECT_EQ(m_game->profileCount, 0);
    EXPECT_TRUE(m_game->IsGuest());
}

TEST_F(NameEntry, EnterCreatesANewNameAndRefusesOneInUse)
{
    Type("ann");
    Enter();
    EXPECT_EQ(m_game->screenState, Game::STATE_MAIN_MENU);
    EXPECT_FALSE(m_game->keyboardOpen);
    EXPECT_EQ(m_game->profileNames[0], "Ann");
    EXPECT_EQ(m_game->profileName, Vorn::WideString(L"Ann"));
    EXPECT_FALSE(m_game->IsGuest());

    m_game->OpenNameKeyboard(Vorn::WideString(L"Name?"));
    Type("ann");
    Enter();
    EXPECT_EQ(m_game->screenState, Game::STATE_NAME_IN_USE);
    EXPECT_EQ(Game::typedName, "Ann") << "kept for the next try";
    EXPECT_EQ(m_game->profileCount, 1);

    m_game->screenState = Game::STATE_KEYBOARD;
    Game::typedName = "GUEST";
    Enter();
    EXPECT_EQ(m_game->screenState, Game::STATE_NAME_IN_USE);

    m_game->screenState = Game::STATE_KEYBOARD;
    Game::typedName = "ann";
    Enter();
    EXPECT_EQ(m_game->screenState, Game::STATE_MAIN_MENU) << "case makes another name";
    EXPECT_EQ(m_game->profileCount, 2);
}

} // namespace
