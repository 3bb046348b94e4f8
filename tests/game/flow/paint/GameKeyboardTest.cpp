// The name keyboard's keys, captions, prompt and typed name, and the other themes' fonts it
// preloads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "Consts.h"
#include "GLFont.h"
#include "Game.h"
#include "PaintWorld.h"

using PaintTest::FindTexts;
using PaintTest::PaintWorld;
using PaintTest::ReadTexts;

namespace {

std::vector<PaintTest::TextRun> Keyboard(PaintWorld& world)
{
    return ReadTexts(
        world.Record([&](const Vorn::SmartPtr<Graphics>& g) { world.game().RenderKeyboard(g); }));
}

// Whether the text is drawn centred on the cell point (x, y) of a 480 x 800 screen, give or take
// the pixel that cell positions in floating point may lose.
bool CentredAt(const std::vector<PaintTest::TextRun>& runs, const std::string& text, float x,
               float y)
{
    for (const PaintTest::TextRun& run : FindTexts(runs, text))
        if (std::abs(run.Centre() - static_cast<int>(x * 40)) <= 1 &&
            std::abs(run.y - static_cast<int>(y * 40)) <= 1)
            return true;
    return false;
}

} // namespace

TEST(GameKeyboard, BigKeyCancelsUntilTheNameHasMoreThanBlanks)
{
    PaintWorld world(480, 800); // 12 x 20 cells: the keys fill rows 8 to 20
    Game& game = world.game();
    // The big key spans columns 4-5 of rows 4-5: centred on (10, 18).
    for (const char* name : {"", " ", "   "}) {
        Game::typedName = name;
        EXPECT_TRUE(CentredAt(Keyboard(world), "CANCEL", 10.0f, 18.0f)) << '"' << name << '"';
        EXPECT_FALSE(game.nameHasText);
    }
    Game::typedName = " a";
    const auto runs = Keyboard(world);
    EXPECT_TRUE(CentredAt(runs, "KEY_ENTER", 10.0f, 18.0f));
    EXPECT_TRUE(FindTexts(runs, "CANCEL").empty());
    EXPECT_TRUE(game.nameHasText);
    // The name with its cursor below the prompt, both on the screen's middle column.
    Game::keyboardPrompt = L"ENTER_YOUR_NAME";
    EXPECT_TRUE(CentredAt(Keyboard(world), " a_", 6.0f, 5.0f));
    EXPECT_TRUE(CentredAt(Keyboard(world), "ENTER_YOUR_NAME", 6.0f, 3.0f));
}

TEST(GameKeyboard, PagesChangeTheLettersButNotTheSpecialKeys)
{
    PaintWorld world(480, 800);
    struct Page {
        int page;
        const char* sixth; // the label of row 0, column 5
        const char* last;  // label 25, row 4 column 3
    };
    for (const Page& page : {Page{0, "f", "z"}, Page{1, "F", "Z"}, Page{2, "+", ";"},
                             Page{7, "F", "Z"}}) {
        Game::keyPage = page.page;
        const auto runs = Keyboard(world);
        EXPECT_TRUE(CentredAt(runs, page.sixth, 11.0f, 9.0f)) << page.page;
        EXPECT_TRUE(CentredAt(runs, page.last, 7.0f, 17.0f)) << page.page;
        EXPECT_TRUE(CentredAt(runs, "KEY_DELETE", 2.0f, 17.0f)) << page.page;
        EXPECT_TRUE(CentredAt(runs, "KEY_SHIFT", 2.0f, 19.0f)) << page.page;
        EXPECT_TRUE(CentredAt(runs, "KEY_SPACE", 6.0f, 19.0f)) << page.page;
    }
}

TEST(GameKeyboard, OtherThemesFontsAreMadeOncePerPicture)
{
    PaintWorld world(480, 800);
    Game& game = world.game();
    game.CacheThemeFonts();
    // Every theme's font picture but the current theme's, once each.
    std::set<int> others;
    for (int t = 0; t < Consts::THEMES_COUNT; ++t)
        if (Consts::THEME_FONT[t] != Consts::THEME_FONT[0])
            others.insert(Consts::THEME_FONT[t]);
    ASSERT_EQ(others.size(), game.themeFontCache.size());
    const GLFont* first = game.themeFontCache.begin()->second.Get();
    game.CacheThemeFonts();
    EXPECT_EQ(others.size(), game.themeFontCache.size());
    EXPECT_EQ(first, game.themeFontCache.begin()->second.Get());
    EXPECT_EQ(0u, game.themeFontCache.count(Consts::THEME_FONT[0]));
}

// The word keys take the small font together when one caption would touch its key's frame in the
// main font; the letters keep the main font.
TEST(GameKeyboard, WordKeysThatWouldTouchTheirFrameShareTheSmallFont)
{
    Game::typedName = "";
    for (const auto& size : {std::make_pair(480, 800), std::make_pair(240, 320)}) {
        PaintWorld world(size.first, size.second);
        // Ten glyphs of ten pixels: room in a wide key at 40-pixel cells, not at 20-pixel ones.
        const bool roomy = size.first == 480;
        const int main = Consts::THEME_FONT[0], small = Consts::THEME_FONT_SMALL[0];
        const auto runs = Keyboard(world);
        for (const char* key : {"KEY_DELETE", "KEY_SHIFT", "KEY_SPACE", "CANCEL"}) {
            const auto found = FindTexts(runs, key);
            ASSERT_EQ(found.size(), 1u) << key;
            EXPECT_EQ(found[0].font, roomy ? main : small) << key << " at " << size.first;
        }
        const auto letter = FindTexts(runs, "A");
        ASSERT_FALSE(letter.empty());
        EXPECT_EQ(letter[0].font, main);
    }
}
