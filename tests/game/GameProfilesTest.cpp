// Profiles: the list and its damage, the last profile, the guest in every language, creating and
// deleting.
#include <filesystem>

#include "SaveDataFixture.h"
#include "Stats.h"

using namespace SaveDataTest;

namespace {

class GameProfiles : public SaveDataFixture {
protected:
    static Record List(int32_t count, const std::vector<std::string>& names)
    {
        Record record;
        record.I32(count);
        for (const std::string& name : names)
            record.Text(name);
        return record;
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (int slot = 0; slot < Game::PROFILE_SLOTS; ++slot)
            names.push_back(m_game->profileNames[slot]);
        return names;
    }

    void UseLanguage(int language)
    {
        m_game->language = language;
        ASSERT_TRUE(m_game->LoadTexts());
    }
};

TEST_F(GameProfiles, TheListAndTheLastProfileAreRead)
{
    Store("profiles", List(3, {"Ann", "Bob", "Zoë"}));
    Store("lastProfile", Record().Text("Bob"));
    m_game->LoadProfiles();
    EXPECT_EQ(m_game->profileCount, 3);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Ann", "Bob", "Zoë", "", ""}));
    EXPECT_FALSE(m_game->IsGuest());
    EXPECT_EQ(m_game->profileName, Vorn::WideString(L"Bob"));
    EXPECT_EQ(m_game->profilePrefix, Vorn::WideString(L"save/Bob_"));
    EXPECT_EQ(m_game->GetSlotCaption(2), Vorn::WideString(L"Zoë"));
    EXPECT_EQ(m_game->GetSlotCaption(3), Text("EMPTY_SLOT"));
    EXPECT_EQ(m_game->GetProfileCaption(), Text("PROFILE") + L" Bob");
    EXPECT_TRUE(Exists("Bob_options"));
    EXPECT_TRUE(Exists("Bob_fit"));
}

TEST_F(GameProfiles, CountsOutsideTheSlotsAreClamped)
{
    Store("profiles", List(9, {"A", "B", "C", "D", "E", "F"}));
    Store("lastProfile", Record().Text("F"));
    m_game->LoadProfiles();
    EXPECT_EQ(m_game->profileCount, 5);
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B", "C", "D", "E"}));
    EXPECT_TRUE(m_game->IsGuest()) << "F did not make it into the list";
    EXPECT_EQ(Saved("profiles"), List(5, {"A", "B", "C", "D", "E"}).bytes);

    Store("profiles", List(-3, {"A"}));
    m_game->LoadProfiles();
    EXPECT_EQ(m_game->profileCount, 0);
    EXPECT_EQ(Saved("profiles"), List(0, {}).bytes);
}

TEST_F(GameProfiles, NamesTheGameCouldNotHaveAcceptedAreDropped)
{
    std::string invalidUtf8 = "A\xC3";
    std::string withNul("profiles\0x", 10);
    Store("profiles", List(5, {"", "Bob", "Invité", "Bob", invalidUtf8}));
    Store("lastProfile", Record().Text("Bob"));
    m_game->LoadProfiles();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Bob", "", "", "", ""}));
    EXPECT_EQ(Saved("profiles"), List(1, {"Bob"}).bytes) << "the cleaned list is written back";

    Store("profiles", List(5, {withNul, "GUEST", "Seventeen chars!!", "Tab\tName", "a/b"}));
    m_game->LoadProfiles();
    EXPECT_EQ(Saved("profiles"), List(1, {"Bob"}).bytes)
        << "a name with a NUL must not name the list file itself; Bob's files bring him back";
}

TEST_F(GameProfiles, ANameLongerThanTheRestOfTheFileEndsTheList)
{
    Record record = List(3, {"Ann", "Bob"});
    record.U32(1000).bytes.push_back('C');
    Store("profiles", record);
    Store("lastProfile", Record().Text("Bob"));
    m_game->LoadProfiles();
    EXPECT_EQ(m_game->profileCount, 2);
    EXPECT_EQ(m_game->profileName, Vorn::WideString(L"Bob"));

    Store("profiles", Record().U32(0x7FFFFFFF).U32(0xFFFFFFFF));
    m_game->LoadProfiles();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Bob", "", "", "", ""}))
        << "rebuilt from the profiles whose files are there";
}

TEST_F(GameProfiles, TheGuestIsChosenWhenTheLastProfileIsMissingOrUnknown)
{
    Store("profiles", List(1, {"Ann"}));
    m_game->LoadProfiles();
    EXPECT_TRUE(m_game->IsGuest());
    EXPECT_EQ(Saved("lastProfile"), Record().Text("GUEST").bytes);

    for (Record last : {Record().Text("Nobody"), Record().U32(5000).Text("Ann"), Record()}) {
        Store("lastProfile", last);
        m_game->LoadProfiles();
        EXPECT_TRUE(m_game->IsGuest());
        EXPECT_EQ(m_game->profilePrefix, Vorn::WideString(L"save/GUEST_"));
    }
}

TEST_F(GameProfiles, TheGuestIsStoredAsGUESTAndShownInTheLanguage)
{
    UseLanguage(1);
    m_game->SelectProfile(Text("GUEST"));
    EXPECT_TRUE(m_game->IsGuest());
    EXPECT_EQ(Saved("lastProfile"), Record().Text("GUEST").bytes);
    EXPECT_EQ(m_game->profilePrefix, Vorn::WideString(L"save/GUEST_"));
    EXPECT_EQ(m_game->GetProfileDisplayName(), Vorn::WideString(L"Invité"));
    EXPECT_EQ(m_game->GetProfileCaption(), Text("PROFILE") + L" Invité");

    UseLanguage(3);
    EXPECT_TRUE(m_game->IsGuest()) << "switching languages does not lose the guest";
    EXPECT_EQ(m_game->GetProfileDisplayName(), Vorn::WideString(L"Gast"));
}

TEST_F(GameProfiles, ANewProfileTakesTheNextSlotAndStartsFresh)
{
    Store("profiles", List(2, {"Ann", "Bob"}));
    Store("lastProfile", Record().Text("Ann"));
    m_game->LoadProfiles();
    m_game->SetTheme(4);

    EXPECT_EQ(m_game->CreateProfile("Cyd"), Game::PROFILE_CREATED);
    EXPECT_EQ(m_game->profileNames[2], "Cyd");
    EXPECT_EQ(m_game->profileCount, 3);
    EXPECT_FALSE(m_game->IsGuest());
    EXPECT_EQ(m_game->profileName, Vorn::WideString(L"Cyd"));
    EXPECT_TRUE(m_game->themeChangePending) << "the theme switches with the next frame";
    EXPECT_EQ(m_game->pendingTheme, 0);
    EXPECT_EQ(m_game->sfxVolume, 5.0f);
    EXPECT_EQ(m_game->musicVolume, 5.0f);
    for (int level = 0; level < 200; ++level)
        ASSERT_EQ(m_game->LevelRecord(level), level < 4 ? 1u : 0u);
    EXPECT_EQ(Saved("profiles"), List(3, {"Ann", "Bob", "Cyd"}).bytes);
    EXPECT_EQ(Saved("lastProfile"), Record().Text("Cyd").bytes);
    EXPECT_EQ(Saved("Cyd_options").size(), 28u);
    EXPECT_EQ(Saved("Cyd_fit").size(), 1604u);
}

TEST_F(GameProfiles, NamesInUseAndNamesAgainstTheRules)
{
    Store("profiles", List(1, {"Ann"}));
    m_game->LoadProfiles();
    // The guest's text of every language, whatever the current one, and the stored name.
    for (const char* name : {"Ann", "GUEST", "Guest", "Invité", "Ospite", "Gast", "Invitado"})
        EXPECT_EQ(m_game->CreateProfile(name), Game::PROFILE_NAME_IN_USE) << name;
    EXPECT_EQ(m_game->profileCount, 1);

    for (const char* name : {"", "   ", "Seventeen chars!!", "a/b", "bell\a", "\xFF\xFE"})
        EXPECT_EQ(m_game->CreateProfile(name), Game::PROFILE_NAME_REFUSED) << name;
    EXPECT_EQ(m_game->profileCount, 1);
    EXPECT_TRUE(m_game->IsGuest());

    EXPECT_EQ(m_game->CreateProfile("ann"), Game::PROFILE_CREATED) << "case makes a new name";
    EXPECT_EQ(m_game->CreateProfile("Sixteen chars!!!"), Game::PROFILE_CREATED);
    EXPECT_EQ(m_game->CreateProfile("Łukasz Żółć"), Game::PROFILE_CREATED);
    EXPECT_EQ(m_game->CreateProfile("Eve"), Game::PROFILE_CREATED);
    EXPECT_EQ(m_game->profileCount, 5);
    EXPECT_EQ(m_game->CreateProfile("Fay"), Game::PROFILE_NAME_REFUSED) << "no sixth name";
    EXPECT_EQ(m_game->profileCount, 5);
    EXPECT_EQ(m_game->profileName, Vorn::WideString(L"Eve"));
}

TEST_F(GameProfiles, DeletingMovesTheLaterSlotsUpAndEmptiesTheFiles)
{
    Store("profiles", List(4, {"A", "B", "C", "D"}));
    Store("lastProfile", Record().Text("C"));
    Store("C_stats0", Record().I32(0));
    Store("C_stats1", Record().I32(1));
    Store("C_hints", Record().I32(3));
    m_game->LoadProfiles();
    m_game->stats->gameCounter = 2;
    m_game->stats->Save();

    EXPECT_TRUE(m_game->DeleteCurrentProfile());
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B", "D", "", ""}));
    EXPECT_EQ(m_game->profileCount, 3);
    EXPECT_TRUE(m_game->IsGuest());
    EXPECT_TRUE(m_game->themeChangePending);
    EXPECT_EQ(Saved("profiles"), List(3, {"A", "B", "D"}).bytes);
    EXPECT_EQ(Saved("lastProfile"), Record().Text("GUEST").bytes);
    for (const char* file : {"C_stats-1", "C_stats0", "C_stats1", "C_hints", "C_options", "C_fit"})
        EXPECT_TRUE(Saved(file).empty()) << file;
    EXPECT_FALSE(Exists("C_stats2"));

    // The same name again: the emptied files read as missing, so the profile starts fresh.
    EXPECT_EQ(m_game->CreateProfile("C"), Game::PROFILE_CREATED);
    EXPECT_EQ(m_game->sfxVolume, 5.0f);
    EXPECT_EQ(m_game->LevelRecord(0), 1u);
    EXPECT_EQ(m_game->LevelRecord(5), 0u);
    EXPECT_EQ(m_game->hintPoints, 0);
    EXPECT_EQ(m_game->stats->gameCounter, 0);
    EXPECT_EQ(Saved("C_fit").size(), 1604u);
    EXPECT_EQ(Saved("C_options").size(), 28u);
}

TEST_F(GameProfiles, WithoutASaveAreaProfilesLiveOnInMemory)
{
    m_game->LoadProfiles();
    std::filesystem::remove_all("data");
    EXPECT_EQ(m_game->CreateProfile("Ann"), Game::PROFILE_CREATED);
    EXPECT_FALSE(m_game->IsGuest());
    EXPECT_EQ(m_game->profileCount, 1);
    EXPECT_EQ(m_game->LevelRecord(0), 1u);
    EXPECT_EQ(m_game->sfxVolume, 5.0f);
    EXPECT_TRUE(m_game->DeleteCurrentProfile());
    EXPECT_TRUE(m_game->IsGuest());
    EXPECT_EQ(m_game->profileCount, 0);
}

TEST_F(GameProfiles, TheGuestAndUnlistedNamesAreNotDeleted)
{
    Store("profiles", List(2, {"A", "B"}));
    Store("lastProfile", Record().Text("A"));
    m_game->LoadProfiles();
    Store("B_fit", Record().I32(200));

    // A current name that is in no slot (never produced by the game): nothing moves, nothing is
    // emptied, rather than removing whatever sits in the last slot.
    m_game->profileName = L"Zed";
    m_game->profilePrefix = L"save/Zed_";
    EXPECT_FALSE(m_game->DeleteCurrentProfile());
    EXPECT_EQ(m_game->profileCount, 2);
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B", "", "", ""}));

    m_game->SelectProfile(L"GUEST");
    ASSERT_TRUE(m_game->IsGuest());
    EXPECT_FALSE(m_game->DeleteCurrentProfile());
    EXPECT_EQ(m_game->profileCount, 2);
    EXPECT_EQ(Saved("GUEST_fit").size(), 1604u);
    EXPECT_EQ(Saved("B_fit").size(), 4u);
}

TEST_F(GameProfiles, AHugeGameCounterDoesNotKeepTheDeletionGoing)
{
    Store("profiles", List(1, {"A"}));
    Store("lastProfile", Record().Text("A"));
    Store("A_stats3", Record().I32(3));
    m_game->LoadProfiles();
    m_game->stats->gameCounter = 0x7FFFFFFF;
    EXPECT_TRUE(m_game->DeleteCurrentProfile());
    EXPECT_TRUE(Saved("A_stats3").empty());
    EXPECT_FALSE(Exists("A_stats100"));
}

} // namespace
