// Theme switches: only what differs between the two themes changes; the music restarts only when
// the music set changes; the colours and the saved options follow every switch.
#include <gtest/gtest.h>

#include "Block.h"
#include "Consts.h"
#include "Content.h"
#include "GLFont.h"
#include "Image.h"
#include "Sounds.h"
#include "support/BoardWorld.h"
#include "support/SoundRecorder.h"

using VornTest::BoardWorld;

namespace {

// Two different themes of the same music set sharing (or not) their main font; -1 when none.
int PartnerOf(int theme, bool sameFont)
{
    for (int other = 0; other < Consts::THEMES_COUNT; ++other) {
        if (other == theme)
            continue;
        const bool shares = Consts::THEME_FONT[other] == Consts::THEME_FONT[theme];
        if (shares == sameFont && (other < 5) == (theme < 5))
            return other;
    }
    return -1;
}

} // namespace

TEST(GameTheme, ASwitchReplacesOnlyWhatDiffers)
{
    BoardWorld world(480, 800);
    Game& game = world.game();
    Game::theme = 0;
    game.loadedTheme = 0;
    game.SetTheme(0);
    game.font = new GLFont(Consts::THEME_FONT[0]);
    GLFont* const font = game.font.Get();

    // A switch to the theme in use changes no picture but recomputes the colours.
    Content::s_images.clear();
    Game::COLOR_R = Game::COLOR_G = Game::COLOR_B = -1.0f;
    game.SetTheme(0);
    EXPECT_TRUE(Content::s_images.empty());
    const unsigned ink = Consts::COLORS[Consts::COLORS_PER_ROW * Consts::THEME_COLORS[0]];
    EXPECT_NEAR(Game::COLOR_R, ((ink >> 16) & 0xFF) / 255.0f, 1e-4f);
    EXPECT_NEAR(Game::COLOR_B, (ink & 0xFF) / 255.0f, 1e-4f);

    const int sharing = PartnerOf(0, true);
    if (sharing >= 0) {
        Content::s_images[Consts::THEME_FONT[0]] = new Image(1, 1);
        game.SetTheme(sharing);
        EXPECT_EQ(game.font.Get(), font);
        EXPECT_EQ(Content::s_images.count(Consts::THEME_FONT[0]), 1u);
        game.SetTheme(0);
    }
    const int different = PartnerOf(0, false);
    ASSERT_GE(different, 0);
    Content::s_images[Consts::THEME_BACKGROUND[0]] = new Image(1, 1);
    game.SetTheme(different);
    // The same font object, reloaded from the new theme's picture.
    EXPECT_EQ(game.font.Get(), font);
    EXPECT_EQ(game.font->fontIndex, Consts::THEME_FONT[different]);
    EXPECT_EQ(Game::BASE_BLOCK, Consts::THEME_BLOCKS[different]);
    EXPECT_EQ(Game::imgBackground, Consts::THEME_BACKGROUND[different]);
    if (Consts::THEME_BACKGROUND[different] != Consts::THEME_BACKGROUND[0]) {
        EXPECT_EQ(Content::s_images.count(Consts::THEME_BACKGROUND[0]), 0u);
        EXPECT_EQ(Content::s_images.count(Consts::THEME_BACKGROUND[different]), 1u);
    }
    EXPECT_EQ(game.loadedTheme, different);
    // The options now store the theme.
    const std::vector<uint8_t> options = world.SavedBytes("save/options");
    EXPECT_FALSE(options.empty());
    Game::theme = 0;
    game.loadedTheme = 0;
}

TEST(GameTheme, TheMusicRestartsOnlyForAnotherMusicSet)
{
    BoardWorld world(480, 800);
    Game& game = world.game();
    Game::theme = 0;
    game.loadedTheme = 0;
    Sounds::PlayMusic();
    const size_t started = world.sounds().music.size();
    game.SetTheme(3);
    EXPECT_EQ(world.sounds().music.size(), started);
    game.SetTheme(6);
    ASSERT_EQ(world.sounds().music.size(), started + 1);
    EXPECT_NE(world.sounds().music.back(), world.sounds().music.front());
    game.SetTheme(7);
    EXPECT_EQ(world.sounds().music.size(), started + 1);
    Sounds::StopMusic();
    Game::theme = 0;
    game.loadedTheme = 0;
}
