// The language setting: which table is loaded, version strings, the centred text primitive.
#include "SaveDataFixture.h"

#include "GLFont.h"
#include "Graphics.h"
#include "support/GameFont.h"

using namespace SaveDataTest;

namespace {

class GameLanguage : public SaveDataFixture {};

TEST_F(GameLanguage, EachLanguageLoadsItsTable)
{
    EXPECT_EQ(Game::GetLanguagePath(3), "common/texts/de.xml");
    EXPECT_EQ(Game::GetLanguagePath(0), "common/texts/en.xml");
    EXPECT_EQ(Game::GetLanguagePath(-1), "common/texts/en.xml");
    EXPECT_EQ(Game::GetLanguagePath(5), "common/texts/en.xml");
    EXPECT_STREQ(Game::GetLanguageKey(4), "SPANISH");
    EXPECT_STREQ(Game::GetLanguageKey(5), "");

    for (int language = 0; language < Game::LANGUAGE_COUNT; ++language) {
        m_game->language = language;
        ASSERT_TRUE(m_game->LoadTexts());
        Vorn::TextDict expected;
        ASSERT_TRUE(expected.Load(Game::GetLanguagePath(language)));
        EXPECT_EQ(Vorn::g_textDict->GetTexts(), expected.GetTexts()) << language;
    }
    m_game->language = 1;
    ASSERT_TRUE(m_game->LoadTexts());
    EXPECT_EQ(Text("GUEST"), Vorn::WideString(L"Invité"));
}

TEST_F(GameLanguage, ALanguageChangeLeavesNoTextOfTheOldOne)
{
    m_common->Add("texts/fr.xml",
                  "<texts><string id=\"ONLY_FR\">seulement</string><string id=\"PLAY\">Jouer</string></texts>");
    m_common->Add("texts/es.xml", "<texts><string id=\"PLAY\">Jugar</string></texts>");
    m_game->language = 1;
    ASSERT_TRUE(m_game->LoadTexts());
    EXPECT_EQ(Text("ONLY_FR"), Vorn::WideString(L"seulement"));
    m_game->language = 4;
    ASSERT_TRUE(m_game->LoadTexts());
    EXPECT_EQ(Text("ONLY_FR"), Vorn::WideString(L"ONLY_FR"));
    EXPECT_EQ(Text("PLAY"), Vorn::WideString(L"Jugar"));

    // A table that cannot be read keeps the texts there are.
    m_common->Remove("texts/de.xml");
    m_game->language = 3;
    EXPECT_FALSE(m_game->LoadTexts());
    EXPECT_EQ(Text("PLAY"), Vorn::WideString(L"Jugar"));
}

TEST_F(GameLanguage, VersionStrings)
{
    EXPECT_EQ(Game::GetVersionName(), Vorn::WideString(L"1.0"));
    EXPECT_EQ(Game::GetVersionCode(), Vorn::WideString(L"1"));
    EXPECT_EQ(Game::GetVersionLabel(), Vorn::WideString(L"1.0.1"));
}

TEST_F(GameLanguage, TextIsCentredOnACellPosition)
{
    Vorn::SmartPtr<VornTest::MemoryMount> device(new VornTest::MemoryMount("device/"));
    ASSERT_TRUE(Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), device.Get()));
    int fontImage = Consts::THEME_FONT[0];
    VornTest::TestFontSpec spec;
    VornTest::AddTestFont(*device, fontImage, spec);
    VornTest::CacheTestFontImage(fontImage, spec, false);
    Vorn::SmartPtr<GLFont> font(new GLFont(fontImage));
    Vorn::SmartPtr<Graphics> graphics(new Graphics(nullptr));
    graphics->StartRecording();

    ASSERT_EQ(Consts::CELL_SIZE, 40);
    Game::DrawTextAt(graphics, font, L"ab", 6.0f, 2.0f);
    Vorn::SmartPtr<Graphics> reference(new Graphics(nullptr));
    reference->StartRecording();
    font->DrawTextCentered(reference, L"ab", Consts::DISPLAY_AREA_X + 240,
                           Consts::DISPLAY_AREA_Y + 80);
    ASSERT_FALSE(reference->GetRecord().empty());
    ASSERT_EQ(graphics->GetRecord().size(), reference->GetRecord().size());
    for (size_t i = 0; i < graphics->GetRecord().size(); ++i) {
        EXPECT_EQ(graphics->GetRecord()[i].x, reference->GetRecord()[i].x);
        EXPECT_EQ(graphics->GetRecord()[i].y, reference->GetRecord()[i].y);
    }

    Game::DrawTextAt(graphics, nullptr, L"ab", 6.0f, 2.0f);
    EXPECT_EQ(graphics->GetRecord().size(), reference->GetRecord().size()) << "no font, no text";
}

} // namespace
