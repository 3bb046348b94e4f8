// Menu construction: the rows of the four-row menus and the compact level page, the captions in
// the language of the profile and after a language change, the profile captions, the dialog and
// about texts, every button leading to its screen, and what a construction loads.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "BinaryFiles.h"
#include "ButtonDisplayer.h"
#include "GLFont.h"
#include "Help.h"
#include "Image.h"
#include "PlayfieldFit.h"
#include "SaveDataFixture.h"
#include "StringDisplayer.h"
#include "StringTools.h"
#include "Stats.h"
#include "audio/SoundManager.h"
#include "support/BuiltLevels.h"
#include "support/GameFont.h"
#include "support/SoundRecorder.h"
#include "vfs/PakMount.h"

using namespace SaveDataTest;
using Vorn::SmartPtr;
using Vorn::WideString;

namespace {

constexpr float EPS = 1e-4f;

struct Rect {
    float x, y, w, h;
};

class Menus : public SaveDataFixture {
protected:
    void SetUp() override
    {
        SaveDataFixture::SetUp();
        StringTools::Init();
        m_recorder = new VornTest::SoundRecorder();
        Audio::SoundManager::InstallForTests(SmartPtr<Audio::AudioDevice>(m_recorder));
        // Beside the fixture's mounts: Install would start a new mount list.
        m_device = new VornTest::MemoryMount("device/");
        ASSERT_TRUE(Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), m_device.Get()));
        for (int id : {Consts::THEME_FONT[0], Consts::THEME_FONT_SMALL[0]}) {
            VornTest::AddTestFont(*m_device, id, m_spec);
            VornTest::CacheTestFontImage(id, m_spec, false);
        }
        m_game->font = new GLFont(Consts::THEME_FONT[0]);
        m_game->smallFont = new GLFont(Consts::THEME_FONT_SMALL[0]);
    }

    void TearDown() override
    {
        VornTest::RemoveSoundRecorder();
        SaveDataFixture::TearDown();
        Content::s_images.clear();
        Consts::Init(480, 800, true);
        Game::theme = 0;
    }

    const ButtonRecord* Button(int list, int id) const
    {
        const SmartPtr<ButtonDisplayer>& menu = m_game->menus[list];
        for (const ButtonRecord* b = menu ? menu->GetHead() : nullptr; b; b = b->next)
            if (b->id == id)
                return b;
        return nullptr;
    }

    void ExpectRect(int list, int id, Rect expected) const
    {
        const ButtonRecord* b = Button(list, id);
        ASSERT_NE(b, nullptr) << "list " << list << " id " << id;
        EXPECT_NEAR(b->x, expected.x, EPS) << "list " << list << " id " << id;
        EXPECT_NEAR(b->y, expected.y, EPS) << "list " << list << " id " << id;
        EXPECT_NEAR(b->w, expected.w, EPS) << "list " << list << " id " << id;
        EXPECT_NEAR(b->h, expected.h, EPS) << "list " << list << " id " << id;
    }

    WideString Caption(int list, int id) const
    {
        const ButtonRecord* b = Button(list, id);
        return b ? b->label3 : WideString(L"<no button>");
    }

    // The options of the guest as its file holds them.
    void StoreGuestOptions(int theme, int language)
    {
        Store("GUEST_options",
              Record().I32(theme).I32(0).F32(5.0f).F32(5.0f).I32(0).I32(language).U32(0));
    }

    static Record ProfileList(const std::vector<std::string>& names)
    {
        Record record;
        record.I32(static_cast<int32_t>(names.size()));
        for (const std::string& name : names)
            record.Text(name);
        return record;
    }

    VornTest::TestFontSpec m_spec;
    VornTest::SoundRecorder* m_recorder = nullptr;
    SmartPtr<VornTest::MemoryMount> m_device;
};

// The menus under the logo stand on their rows at every base size: the main menu on rows of
// 0.8 Rh, the third left free; the "more" menu and the options on rows of Rh; the data menu's
// BACK two rows high. At 480x800 PLAY is (0.2, 6.45, 11.6, 2.35).
TEST_F(Menus, MenusUnderTheLogoStandOnTheirRows)
{
    struct Row {
        int list, id;
        float top, height; // in rows of the list's row height; the button is 0.4 less
        bool mainRows;     // rows of 0.8 Rh
    };
    const Row rows[] = {
        {Game::MENU_MAIN, 0, 0, 1, true},    {Game::MENU_MAIN, 10, 1, 1, true},
        {Game::MENU_MAIN, 11, 3, 1, true},   {Game::MENU_MAIN, 6, 4, 1, true},
        {Game::MENU_MORE, 0, 0, 1, false},   {Game::MENU_MORE, 3, 2, 1, false},
        {Game::MENU_MORE, 4, 3, 1, false},
        {Game::MENU_OPTIONS, 2, 3, 1, false}, {Game::MENU_DATA, 1, 0, 1, false},
        {Game::MENU_DATA, 2, 1, 1, false},   {Game::MENU_DATA, 0, 2, 2, false},
    };
    for (const auto& size : {std::make_pair(240, 320), std::make_pair(320, 480),
                             std::make_pair(480, 800), std::make_pair(600, 1024)}) {
        Consts::Init(size.first, size.second, true);
        m_game->CreateMenus();
        const float top = static_cast<float>(Consts::MAIN_MENU_Y) / Consts::CELL_SIZE + 0.2f;
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << size.first << "x" << size.second);
            const float step = (row.mainRows ? 0.8f : 1.0f) * m_game->menuRowHeight;
            ExpectRect(row.list, row.id,
                       {0.2f, top + row.top * step, m_game->screenColumns - 0.4f,
                        row.height * step - 0.4f});
        }
    }
    Consts::Init(480, 800, true);
    m_game->CreateMenus();
    ExpectRect(Game::MENU_MAIN, 0, {0.2f, 6.45f, 11.6f, 2.35f});
    ExpectRect(Game::MENU_DATA, 0, {0.2f, 6.45f + 2 * 3.4375f, 11.6f, 2 * 3.4375f - 0.4f});
}

TEST_F(Menus, ShortScreensGetTheCompactLevelPage)
{
    Consts::Init(240, 320, true);
    m_game->CreateMenus();
    EXPECT_FLOAT_EQ(m_game->menuRowHeight, 2.5f);
    ExpectRect(Game::MENU_LEVELS, 0, {0.2f, 14.2f, 0.6f * 12 - 0.4f, 1.6f});
    ExpectRect(Game::MENU_LEVELS, 1, {0.6f * 12 + 0.2f, 14.2f, 0.4f * 12 - 0.4f, 1.6f});
    EXPECT_FLOAT_EQ(m_game->boardTopRows, 0.0f);
}

TEST_F(Menus, EveryListHasTheIdsTheScreensActOn)
{
    m_game->CreateMenus();
    const struct {
        int list;
        std::vector<int> ids; // in the order they were added: last first in the list
    } lists[] = {
        {Game::MENU_MAIN, {0, 10, 11, 6}},
        {Game::MENU_MORE, {0, 1, 2, 3, 4}},
        {Game::MENU_OPTIONS, {1, 5, 4, 6, 2}},
        {Game::MENU_DATA, {1, 2, 0}},
        {Game::MENU_LANGUAGE, {0, 1, 2, 3, 4, 5}},
        {Game::MENU_FIRST_LANGUAGE, {0, 1, 2, 3, 4}},
        {Game::MENU_PROFILES, {0, 1, 2, 3, 4, 5, 6}},
        {Game::MENU_WELCOME, {0, 1}},
        {Game::MENU_PACKS, {0}},
        {Game::MENU_LEVELS, {0, 1}},
        {Game::MENU_ABOUT, {0}},
        {Game::MENU_STATS, {0}},
        {Game::MENU_HELP, {0, 1, 2}},
        {Game::MENU_YES_NO, {0, 1}},
        {Game::MENU_QUESTION, {0, 1}},
        {Game::MENU_NOTICE, {0}},
        {Game::MENU_PAUSE, {0, 4, 1, 2, 3}},
        {Game::MENU_SETTINGS, {1, 4, 3}},
        {Game::MENU_HINT, {0}},
        {Game::MENU_SPARE_CONTINUE_A, {0}},
        {Game::MENU_SPARE_CONTINUE_B, {0}},
    };
    for (const auto& entry : lists) {
        ASSERT_TRUE(m_game->menus[entry.list]) << entry.list;
        std::vector<int> ids;
        for (const ButtonRecord* b = m_game->menus[entry.list]->GetHead(); b; b = b->next)
            ids.insert(ids.begin(), b->id);
        EXPECT_EQ(ids, entry.ids) << "list " << entry.list;
    }

    // Fonts, highlights and the special buttons.
    EXPECT_EQ(Button(Game::MENU_PAUSE, 0)->font, m_game->font);
    EXPECT_EQ(Button(Game::MENU_MAIN, 0)->font, m_game->smallFont);
    EXPECT_FLOAT_EQ(Button(Game::MENU_MAIN, 0)->max, 0.4f);
    EXPECT_FLOAT_EQ(Button(Game::MENU_SPARE_CONTINUE_A, 0)->max, 0.2f);
    const ButtonRecord* twitch = Button(Game::MENU_OPTIONS, 5);
    EXPECT_EQ(twitch->style, 0);
    EXPECT_FLOAT_EQ(twitch->extra, 0.24f * 12.0f);
    // In play the same option is a plain button, with no box beside it.
    EXPECT_EQ(Button(Game::MENU_SETTINGS, 4)->style, 1);
    EXPECT_EQ(Button(Game::MENU_OPTIONS, 1)->label1, Text("THEME"));
    EXPECT_EQ(Button(Game::MENU_SETTINGS, 1)->label1, Text("THEME"));
    EXPECT_EQ(Caption(Game::MENU_HELP, 0), WideString(L"<"));
    EXPECT_EQ(Caption(Game::MENU_HELP, 1), WideString(L">"));
    EXPECT_EQ(Caption(Game::MENU_LANGUAGE, 3), Text("GERMAN"));
    EXPECT_EQ(Caption(Game::MENU_PAUSE, 3), Text("QUIT_GAME"));
    EXPECT_EQ(m_game->modeNames[0], "FIT");
    EXPECT_TRUE(m_game->modeNames[4].empty());
}

TEST_F(Menus, TheHintButtonIsCentredOnItsCaption)
{
    m_game->CreateMenus();
    const ButtonRecord* hint = Button(Game::MENU_HINT, 0);
    ASSERT_NE(hint, nullptr);
    // The test font's glyphs are 10 pixels wide: a quarter cell each.
    const float tw = static_cast<float>(Text("USE_HINT").size()) * 0.25f;
    EXPECT_NEAR(hint->w, tw + 0.8f, EPS);
    EXPECT_NEAR(hint->x + hint->w / 2.0f, 6.0f, EPS);
    EXPECT_NEAR(hint->y, 2.0f + 13.2f, EPS);
    EXPECT_FLOAT_EQ(hint->h, 1.6f);
    EXPECT_FLOAT_EQ(hint->max, 0.2f);
}

TEST_F(Menus, QuestionsLeaveTwoRowsAndNoticesOne)
{
    m_game->CreateMenus();
    const int questions[] = {Game::STATE_CONFIRM_DELETE_PROGRESS, Game::STATE_CONFIRM_CLEAR_HIGHSCORES,
                             Game::STATE_CONFIRM_DELETE_PROFILE, Game::STATE_QUESTION};
    const int notices[] = {Game::STATE_NAME_IN_USE, Game::STATE_PROFILE_DELETED,
                           Game::STATE_GUEST_NOT_DELETABLE};
    int withText = 0;
    for (int state = 0; state < Game::STATE_TABLE_SIZE; ++state)
        withText += m_game->dialogTexts[state] ? 1 : 0;
    EXPECT_EQ(withText, 7);
    // Boxes in pixels: x 8 and 464 wide (centred text: x is the middle), y 258; heights 267
    // (questions) and 404 (notices), 26 and 40 lines of the 10-pixel test font.
    for (int state : questions) {
        const SmartPtr<StringDisplayer>& text = m_game->dialogTexts[state];
        ASSERT_TRUE(text) << state;
        EXPECT_EQ(text->GetX(), 8 + 464 / 2) << state;
        EXPECT_EQ(text->GetY(), 258) << state;
        EXPECT_EQ(text->GetVisibleLineCount(), 26) << state;
    }
    for (int state : notices) {
        ASSERT_TRUE(m_game->dialogTexts[state]) << state;
        EXPECT_EQ(m_game->dialogTexts[state]->GetVisibleLineCount(), 40) << state;
    }
    const std::vector<WideString>& lines = m_game->dialogTexts[Game::STATE_PROFILE_DELETED]->GetLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(Text("PROFILE_DELETED").find(lines[0]), 0u);
}

TEST_F(Menus, TheAboutThumbIsTheShareOfTheTextShown)
{
    // Built once in the texts as they stand.
    m_game->languageApplied = true;
    const float range = 20.0f - 3.4375f - 1.4f;
    // 630 pixels of box: 63 lines of the test font; 126 lines show half.
    std::string credits;
    for (int line = 0; line < 125; ++line)
        credits += "x\n";
    m_common->Add("texts/long.xml", "<texts><string id='ABOUT_CREDITS_01'>" + credits +
                                         "</string></texts>");
    ASSERT_TRUE(TextsManager::Instance().LoadTexts("common/texts/long.xml"));
    m_game->aboutScroll = 3.0f;
    m_game->CreateMenus();
    ASSERT_TRUE(m_game->aboutText);
    EXPECT_EQ(m_game->aboutText->GetVisibleLineCount(), 63);
    const int lines = m_game->aboutText->GetLineCount();
    EXPECT_GT(lines, 63);
    EXPECT_NEAR(m_game->aboutViewRows, 63.0f / static_cast<float>(lines) * range, EPS);
    EXPECT_FLOAT_EQ(m_game->aboutScroll, 0.0f);

    // A text that fits takes the whole track, never more; a font without lines gives no thumb
    // rather than a division by zero.
    m_common->Add("texts/short.xml", "<texts><string id='ABOUT_CREDITS_01'>x</string></texts>");
    ASSERT_TRUE(TextsManager::Instance().LoadTexts("common/texts/short.xml"));
    m_game->CreateMenus();
    EXPECT_NEAR(m_game->aboutViewRows, range, EPS);
    m_game->smallFont = nullptr;
    m_game->CreateMenus();
    EXPECT_TRUE(std::isfinite(m_game->aboutViewRows));
    EXPECT_LE(m_game->aboutViewRows, range + EPS);
}

TEST_F(Menus, TheFirstConstructionSpeaksTheProfilesLanguage)
{
    // The guest's options ask for German while the texts of the start are English.
    StoreGuestOptions(0, 3);
    const WideString english = Text("PLAY");
    m_game->InitLevelTitles();
    m_game->CreateMenus();
    EXPECT_TRUE(m_game->languageApplied);
    EXPECT_EQ(m_game->language, 3);
    Vorn::SmartPtr<Vorn::TextDict> german(new Vorn::TextDict());
    ASSERT_TRUE(german->Load("common/texts/de.xml"));
    const WideString play = german->GetTexts().at("PLAY");
    ASSERT_NE(play, english);
    EXPECT_EQ(Caption(Game::MENU_MAIN, 0), play);
    EXPECT_EQ(m_game->packNames[0], german->GetTexts().at("PACK_BEGINNER"));
    EXPECT_EQ(m_game->levelTitles[0], german->GetTexts().at("BEGINNER_SQR2X2"));
    EXPECT_TRUE(Exists("save_version"));
}

TEST_F(Menus, ALanguageChangeRebuildsEverythingAndKeepsTheProfiles)
{
    Store("profiles", ProfileList({"Ann", "Bob"}));
    Store("lastProfile", Record().Text("Bob"));
    m_game->CreateMenus();
    ASSERT_EQ(m_game->profileName, WideString(L"Bob"));
    m_game->InitLevelTitles();
    SmartPtr<ButtonDisplayer> oldMain = m_game->menus[Game::MENU_MAIN];
    SmartPtr<Help> oldHelp = m_game->help;
    const WideString englishYes = Caption(Game::MENU_YES_NO, 0);

    // What the language screen does: the choice is saved before the rebuild reads it back.
    m_game->language = 1;
    ASSERT_TRUE(m_game->SaveOptions());
    ASSERT_TRUE(m_game->LoadTexts());
    m_game->RebuildMenus();

    EXPECT_EQ(m_game->language, 1);
    EXPECT_NE(Caption(Game::MENU_YES_NO, 0), englishYes);
    EXPECT_EQ(Caption(Game::MENU_YES_NO, 0), Text("QUESTION_YES"));
    EXPECT_EQ(Caption(Game::MENU_MAIN, 10), Text("MENU_MORE"));
    EXPECT_EQ(Caption(Game::MENU_MAIN, 6), Text("PROFILE") + L" Bob");
    EXPECT_EQ(Caption(Game::MENU_PROFILES, 0), WideString(L"Ann"));
    EXPECT_EQ(Caption(Game::MENU_PROFILES, 1), WideString(L"Bob"));
    EXPECT_EQ(Caption(Game::MENU_PROFILES, 2), Text("EMPTY_SLOT"));
    EXPECT_EQ(Caption(Game::MENU_PROFILES, 5), Text("GUEST"));
    EXPECT_EQ(m_game->packNames[3], Text("PACK_GEOMETRY"));
    EXPECT_EQ(m_game->levelTitles[53], Text("THINGS_DOG"));
    EXPECT_EQ(Text("DELETE_GUEST").find(m_game->dialogTexts[Game::STATE_GUEST_NOT_DELETABLE]->GetLines()[0]), 0u);
    const WideString about = m_game->BuildAboutText();
    EXPECT_NE(about.find(Text("ABOUT_VERSION")), WideString::npos);
    ASSERT_TRUE(m_game->help && m_game->help != oldHelp);
    ASSERT_FALSE(m_game->help->pages[0]->GetLines().empty());
    EXPECT_EQ(Text("HELP_TEXT_1").find(m_game->help->pages[0]->GetLines()[0]), 0u);

    // The screens use only the new lists; the old ones are emptied, not left holding fonts.
    EXPECT_NE(m_game->menus[Game::MENU_MAIN], oldMain);
    EXPECT_EQ(oldMain->GetCount(), 0);
    EXPECT_EQ(m_game->menus[Game::MENU_MAIN]->GetCount(), 4);
}

TEST_F(Menus, SlotCaptionsWithFiveProfilesAndWithNone)
{
    Store("profiles", ProfileList({"Ann", "Bob", "Cy", "Dee", "Zoë"}));
    Store("lastProfile", Record().Text("Cy"));
    m_game->CreateMenus();
    const wchar_t* names[] = {L"Ann", L"Bob", L"Cy", L"Dee", L"Zoë"};
    for (int slot = 0; slot < Game::PROFILE_SLOTS; ++slot)
        EXPECT_EQ(Caption(Game::MENU_PROFILES, slot), WideString(names[slot])) << slot;
    EXPECT_EQ(Caption(Game::MENU_MAIN, 6), Text("PROFILE") + L" Cy");

    Store("profiles", ProfileList({}));
    m_game->RebuildMenus();
    for (int slot = 0; slot < Game::PROFILE_SLOTS; ++slot)
        EXPECT_EQ(Caption(Game::MENU_PROFILES, slot), Text("EMPTY_SLOT")) << slot;
    EXPECT_TRUE(m_game->IsGuest());
    EXPECT_EQ(Caption(Game::MENU_MAIN, 6), Text("PROFILE") + L" " + Text("GUEST"));
}

TEST_F(Menus, TheThemeButtonsNameTheProfilesTheme)
{
    StoreGuestOptions(2, 0);
    m_game->CreateMenus();
    EXPECT_EQ(Game::theme, 2);
    EXPECT_EQ(Button(Game::MENU_OPTIONS, 1)->label2, Text("THEME_WOOD"));
    EXPECT_EQ(Button(Game::MENU_SETTINGS, 1)->label2, Text("THEME_WOOD"));
}

TEST_F(Menus, SoundsLoadOnTheFirstConstructionOnly)
{
    m_game->CreateMenus();
    EXPECT_FALSE(m_recorder->sources.empty());
    // A new, empty sound manager: a rebuild must not register the sounds again.
    m_recorder = new VornTest::SoundRecorder();
    Audio::SoundManager::InstallForTests(SmartPtr<Audio::AudioDevice>(m_recorder));
    m_game->RebuildMenus();
    EXPECT_TRUE(m_recorder->sources.empty());
}

TEST_F(Menus, EveryConstructionLoadsTheLevels)
{
    const std::string pak = VornTest::BuiltData("data_common.pak");
    VORN_SKIP_IF_MISSING(VornTest::MissingBuiltData({pak}));
    SmartPtr<Vorn::PakMount> levels(
        new Vorn::PakMount(pak.c_str(), "levels-pak/", 0, Vorn::PakMount::NATIVE_PATH));
    ASSERT_TRUE(levels->IsValid());
    ASSERT_TRUE(Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), levels.Get()));
    BinaryFiles::Init();
    Content::SetLevelPath("levels-pak/levels/android_full");
    Content::ForgetLevels();
    m_game->CreateMenus();
    for (int level = 0; level < Game::LEVEL_COUNT; ++level)
        EXPECT_NE(Content::GetLevel(level), nullptr) << level;
    Content::ForgetLevels();
    m_game->RebuildMenus();
    EXPECT_NE(Content::GetLevel(199), nullptr);
    Content::SetLevelPath("");
}

// Every button of every list, built by the menu construction and pressed and released at its
// centre through the game's own touch handlers, leads to the screen (or, in play, the panel) its
// caption promises. A button whose id does not match what its screen acts on goes somewhere else
// or nowhere; a button the table does not know fails too.
class MenuButtons : public Menus {
protected:
    void SetUp() override
    {
        Menus::SetUp();
        m_levels.reset(new VornTest::BuiltLevels);
    }

    void TearDown() override
    {
        m_levels.reset();
        Menus::TearDown();
    }

    // Where the game is: the screen state, and in play whether the board runs or which of its
    // pause panels is open.
    std::string Where() const
    {
        const Game& game = *m_game;
        if (game.screenState != Game::STATE_PLAY)
            return std::to_string(game.screenState);
        if (!game.playfield || !game.playfield->paused)
            return "play";
        if (game.settingsPanelOpen)
            return "play/settings";
        if (game.helpPanelOpen)
            return "play/help";
        if (game.quitConfirmOpen)
            return "play/quit";
        if (game.restartConfirmOpen)
            return "play/restart";
        return "play/pause";
    }

    // The game fresh from a construction in English, on the screen, with the panel open in play.
    void Open(int state, const std::string& panel)
    {
        m_game->language = 0;
        ASSERT_TRUE(m_game->SaveOptions());
        ASSERT_TRUE(m_game->LoadTexts());
        m_game->CreateMenus();
        m_game->screenState = state;
        m_game->returnState = Game::STATE_MAIN_MENU;
        m_game->currentPack = 0;
        m_game->scrollPosition = state == Game::STATE_PACK_OPENED ? -1.0f : 0.0f;
        m_game->playfield = nullptr;
        m_game->settingsPanelOpen = m_game->helpPanelOpen = false;
        m_game->quitConfirmOpen = m_game->restartConfirmOpen = false;
        if (state != Game::STATE_PLAY)
            return;
        m_game->gameMode = 0;
        m_game->playfield = new PlayfieldFit(0, 80, 1, 16);
        m_game->playfield->stats = new Stats(0);
        if (panel == "complete") {
            m_game->playfield->finished = true;
            m_game->playfield->packCompleted = true;
            return;
        }
        m_game->playfield->paused = true;
        m_game->settingsPanelOpen = panel == "settings";
        m_game->helpPanelOpen = panel == "help";
        m_game->quitConfirmOpen = panel == "quit";
    }

    // The key whose text is the button's caption (a caption may go on with a space and a name).
    static const char* KeyOf(const ButtonRecord& button, const std::map<std::string, std::string>& keys,
                             const Game& game)
    {
        const WideString caption = button.label1.empty() ? button.label3 : button.label1;
        for (const auto& entry : keys) {
            const WideString text = game.GetText(entry.first.c_str());
            if (caption == text || caption.find(text + L" ") == 0)
                return entry.first.c_str();
        }
        return nullptr;
    }

    // Presses and releases the button of the list whose caption is the key's text.
    void TapButton(int list, const char* key)
    {
        const std::map<std::string, std::string> keys = {{key, ""}};
        for (const ButtonRecord* b = m_game->menus[list]->GetHead(); b; b = b->next) {
            if (!KeyOf(*b, keys, *m_game))
                continue;
            const int x = Consts::DISPLAY_AREA_X + static_cast<int>((b->x + b->w / 2.0f) * 40.0f);
            const int y = Consts::DISPLAY_AREA_Y + static_cast<int>((b->y + b->h / 2.0f) * 40.0f);
            m_game->OnTouchDown(x, y);
            m_game->OnTouchUp(x, y);
            return;
        }
        ADD_FAILURE() << "no button " << key << " in list " << list;
    }

    std::unique_ptr<VornTest::BuiltLevels> m_levels;
};

TEST_F(MenuButtons, EveryButtonLeadsToItsScreen)
{
    const std::string main = std::to_string(Game::STATE_MAIN_MENU);
    const std::string more = std::to_string(Game::STATE_MORE);
    const std::string options = std::to_string(Game::STATE_OPTIONS);
    const std::string help = std::to_string(Game::STATE_HELP);
    const std::string packs = std::to_string(Game::STATE_PACKS);
    const std::string welcome = std::to_string(Game::STATE_WELCOME);
    const std::string levels = std::to_string(Game::STATE_LEVELS);
    const std::string played = m_levels->Available() ? "play" : levels; // a level without its file starts not
    auto at = [](int state) { return std::to_string(state); };
    const struct {
        int state;
        std::string panel; // in play
        int list;
        std::map<std::string, std::string> next; // caption key -> where its button leads
    } screens[] = {
        {Game::STATE_MAIN_MENU, "", Game::MENU_MAIN,
         {{"PLAY", packs}, {"MENU_MORE", more}, {"MENU_VISIT_WEBSITE", main},
          {"PROFILE", at(Game::STATE_PROFILES)}}},
        {Game::STATE_MORE, "", Game::MENU_MORE,
         {{"OPTIONS", options}, {"ABOUT", at(Game::STATE_ABOUT)}, {"HELP", help},
          {"STATS", at(Game::STATE_STATS)}, {"BACK", main}}},
        {Game::STATE_OPTIONS, "", Game::MENU_OPTIONS,
         {{"THEME", options}, {"TWITCH", options}, {"DELETE", at(Game::STATE_DATA)},
          {"LANGUAGE", at(Game::STATE_LANGUAGE)}, {"BACK", more}}},
        {Game::STATE_DATA, "", Game::MENU_DATA,
         {{"DELETE_PROFILE", at(Game::STATE_GUEST_NOT_DELETABLE)},
          {"DELETE_DATA", at(Game::STATE_CONFIRM_DELETE_PROGRESS)}, {"BACK", options}}},
        {Game::STATE_CONFIRM_DELETE_PROGRESS, "", Game::MENU_YES_NO,
         {{"QUESTION_YES", options}, {"QUESTION_NO", options}}},
        {Game::STATE_CONFIRM_CLEAR_HIGHSCORES, "", Game::MENU_YES_NO,
         {{"QUESTION_YES", options}, {"QUESTION_NO", options}}},
        // The guest: nothing to delete.
        {Game::STATE_CONFIRM_DELETE_PROFILE, "", Game::MENU_YES_NO,
         {{"QUESTION_YES", options}, {"QUESTION_NO", options}}},
        {Game::STATE_QUESTION, "", Game::MENU_QUESTION,
         {{"QUESTION_YES", welcome}, {"QUESTION_NO", welcome}}},
        {Game::STATE_ABOUT, "", Game::MENU_ABOUT, {{"BACK", more}}},
        {Game::STATE_STATS, "", Game::MENU_STATS, {{"BACK", more}}},
        {Game::STATE_HELP, "", Game::MENU_HELP, {{"<", help}, {">", help}, {"BACK", more}}},
        {Game::STATE_NAME_IN_USE, "", Game::MENU_NOTICE, {{"CONTINUE", at(Game::STATE_KEYBOARD)}}},
        {Game::STATE_PROFILE_DELETED, "", Game::MENU_NOTICE, {{"CONTINUE", main}}},
        {Game::STATE_GUEST_NOT_DELETABLE, "", Game::MENU_NOTICE, {{"CONTINUE", options}}},
        {Game::STATE_PACK_COMPLETED, "", Game::MENU_NOTICE, {{"CONTINUE", packs}}},
        // No open level was found after the one solved: the level page.
        {Game::STATE_PACK_OPENED, "", Game::MENU_NOTICE, {{"CONTINUE", levels}}},
        {Game::STATE_WELCOME, "", Game::MENU_WELCOME,
         {{"PLAY", main}, {"CHANGE_PROFILE", at(Game::STATE_PROFILES)}}},
        {Game::STATE_LANGUAGE, "", Game::MENU_LANGUAGE,
         {{"ENGLISH", options}, {"FRENCH", options}, {"ITALIAN", options}, {"GERMAN", options},
          {"SPANISH", options}, {"BACK", options}}},
        {Game::STATE_FIRST_LANGUAGE, "", Game::MENU_FIRST_LANGUAGE,
         {{"ENGLISH", welcome}, {"FRENCH", welcome}, {"ITALIAN", welcome}, {"GERMAN", welcome},
          {"SPANISH", welcome}}},
        {Game::STATE_PROFILES, "", Game::MENU_PROFILES,
         {{"EMPTY_SLOT", at(Game::STATE_KEYBOARD)}, {"GUEST", main}, {"BACK", main}}},
        {Game::STATE_PACKS, "", Game::MENU_PACKS, {{"BACK", main}}},
        {Game::STATE_LEVELS, "", Game::MENU_LEVELS, {{"PLAY_LEVEL", played}, {"BACK", packs}}},
        {Game::STATE_PLAY, "pause", Game::MENU_PAUSE,
         {{"CONTINUE", "play"}, {"SETTINGS", "play/settings"}, {"HELP", "play/help"},
          {"QUIT_GAME", "play/quit"}, {"RESTART", "play/restart"}}},
        {Game::STATE_PLAY, "settings", Game::MENU_SETTINGS,
         {{"THEME", "play/settings"}, {"TWITCH", "play/settings"}, {"BACK", "play/pause"}}},
        {Game::STATE_PLAY, "help", Game::MENU_HELP,
         {{"<", "play/help"}, {">", "play/help"}, {"BACK", "play/pause"}}},
        {Game::STATE_PLAY, "quit", Game::MENU_YES_NO,
         {{"QUESTION_YES", levels}, {"QUESTION_NO", "play/pause"}}},
        {Game::STATE_PLAY, "complete", Game::MENU_NOTICE,
         {{"CONTINUE", at(Game::STATE_PACK_COMPLETED)}}},
    };
    for (const auto& screen : screens) {
        Open(screen.state, screen.panel);
        // Where each button is: the lists are built anew before every tap.
        std::vector<std::pair<std::string, std::pair<int, int>>> buttons;
        for (const ButtonRecord* b = m_game->menus[screen.list]->GetHead(); b; b = b->next) {
            const char* key = KeyOf(*b, screen.next, *m_game);
            ASSERT_NE(key, nullptr) << "state " << screen.state << " " << screen.panel
                                    << ": a button the table does not know, id " << b->id;
            const int x = Consts::DISPLAY_AREA_X + static_cast<int>((b->x + b->w / 2.0f) * 40.0f);
            const int y = Consts::DISPLAY_AREA_Y + static_cast<int>((b->y + b->h / 2.0f) * 40.0f);
            buttons.push_back({key, {x, y}});
        }
        for (const auto& entry : screen.next) {
            const bool present = std::any_of(buttons.begin(), buttons.end(),
                                              [&](const auto& b) { return b.first == entry.first; });
            EXPECT_TRUE(present) << "state " << screen.state << " " << screen.panel << ": no "
                                 << entry.first;
        }
        for (const auto& button : buttons) {
            Open(screen.state, screen.panel);
            m_game->OnTouchDown(button.second.first, button.second.second);
            m_game->OnTouchUp(button.second.first, button.second.second);
            EXPECT_EQ(Where(), screen.next.at(button.first))
                << "state " << screen.state << " " << screen.panel << ", " << button.first;
        }
    }

    // What the buttons take along: the statistics open at their first page, and the profile list
    // goes back to the screen it was opened from.
    Open(Game::STATE_MORE, "");
    m_game->scrollPosition = 4.0f;
    TapButton(Game::MENU_MORE, "STATS");
    EXPECT_EQ(m_game->scrollPosition, 0.0f);
    Open(Game::STATE_WELCOME, "");
    TapButton(Game::MENU_WELCOME, "CHANGE_PROFILE");
    TapButton(Game::MENU_PROFILES, "BACK");
    EXPECT_EQ(Where(), welcome);
}

} // namespace
