// Volume changes and theme switches. A switch swaps only the images that differ between the old
// and the new theme, so the image cache never holds two whole themes.
#include "Game.h"

#include "Block.h"
#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Content.h"
#include "GLFont.h"
#include "Help.h"
#include "Sounds.h"

namespace {

// Per-theme images in the order they are swapped. A table with a partner is also swapped when the
// partner's entries differ: the level edges are drawn in line with the grid lines.
struct ThemeImageTable {
    const int* table;
    const int* partner;
};

const ThemeImageTable THEME_IMAGE_TABLES[] = {
    {Consts::THEME_FONT, nullptr},
    {Consts::THEME_FONT_SMALL, nullptr},
    {Consts::THEME_BACKGROUND, nullptr},
    {Consts::THEME_LOGOS, nullptr},
    {Consts::THEME_PROGRESS_BARS, nullptr},
    {Consts::THEME_LINES_VERTICAL, nullptr},
    {Consts::THEME_LINES_HORIZONTAL, nullptr},
    {Consts::THEME_LEVEL_EDGES_VERTICAL, Consts::THEME_LINES_VERTICAL},
    {Consts::THEME_LEVEL_EDGES_HORIZONTAL, Consts::THEME_LINES_HORIZONTAL},
    {Consts::THEME_CORNERS, nullptr},
    {Consts::THEME_INGAME, nullptr},
};

const float BYTE_TO_UNIT = 0.003921569f; // 1 / 255

void ColourOf(unsigned rgb, float& r, float& g, float& b)
{
    r = ((rgb >> 16) & 0xFF) * BYTE_TO_UNIT;
    g = ((rgb >> 8) & 0xFF) * BYTE_TO_UNIT;
    b = (rgb & 0xFF) * BYTE_TO_UNIT;
}

} // namespace

void Game::SetVolumes(float sfx, float music, bool save)
{
    sfxVolume = ClampVolume(sfx);
    musicVolume = ClampVolume(music);
    Sounds::SetMusicVolume(VolumePercent(musicVolume));
    Sounds::SetSoundVolume(VolumePercent(sfxVolume));
    if (save)
        SaveOptions();
}

void Game::SetVolumesAndSave(float sfx, float music)
{
    SetVolumes(sfx, music, true);
}

void Game::SetTheme(int newTheme)
{
    // A theme from a file or a request must never index past the per-theme tables.
    int to = ClampTheme(newTheme);
    int from = ClampTheme(loadedTheme);
    if (to != from) {
        for (const ThemeImageTable& entry : THEME_IMAGE_TABLES) {
            bool differs = entry.table[from] != entry.table[to] ||
                           (entry.partner && entry.partner[from] != entry.partner[to]);
            if (!differs)
                continue;
            Content::UnloadImage(entry.table[from]);
            Content::LoadImage(entry.table[to]);
            if (entry.table == Consts::THEME_FONT) {
                if (font)
                    font->Load(entry.table[to]);
                // The help pages are laid out in the font: made again once menus have made them.
                if (help)
                    help = new Help();
            } else if (entry.table == Consts::THEME_FONT_SMALL && smallFont) {
                smallFont->Load(entry.table[to]);
            }
        }
        if (Consts::THEME_BLOCKS[from] != Consts::THEME_BLOCKS[to])
            for (int type = 0; type < Block::TYPE_COUNT; ++type)
                Content::LoadImage(Consts::THEME_BLOCKS[to] + type);
        bool newMusic = Sounds::GetMusicSet(from) != Sounds::GetMusicSet(to);
        if (newMusic)
            Sounds::ResetMusic(from);
        theme = to;
        loadedTheme = to;
        if (newMusic)
            Sounds::PlayMusic();
    }
    theme = to;
    loadedTheme = to;

    BASE_BLOCK = Consts::THEME_BLOCKS[to];
    const unsigned* colours = &Consts::COLORS[Consts::COLORS_PER_ROW * Consts::THEME_COLORS[to]];
    ColourOf(colours[0], COLOR_R, COLOR_G, COLOR_B);
    ColourOf(colours[7], COLOR_BLOCK_R, COLOR_BLOCK_G, COLOR_BLOCK_B);
    for (int slot = 0; slot < 6; ++slot)
        Block::SetColor(slot, colours[slot + 1]);
    // The THEME buttons of the options and of the settings panel name the theme in use.
    if (menus[MENU_OPTIONS])
        menus[MENU_OPTIONS]->SetText2(Id(OptionsButton::THEME), GetThemeName(to));
    if (menus[MENU_SETTINGS])
        menus[MENU_SETTINGS]->SetText2(Id(SettingsButton::THEME), GetThemeName(to));
    imgBackground = Consts::THEME_BACKGROUND[to];
    if (optionsFileHeld)
        optionsFileHeld = false;
    else
        SaveOptions();
}
