// Staged loading: the splash and loading screens run one stage per frame, so that a frame is drawn
// between any two stages. The images are always those of the theme in use when the stage runs.
#include "Game.h"

#include "Block.h"
#include "Consts.h"
#include "Content.h"
#include "GLFont.h"
#include "Images.h"
#include "Mounts.h"
#include "PlayfieldFit.h"
#include "base/AssetDict.h"

namespace {

// Images named by number in the image table.
constexpr int IMAGE_SPLASH_SECOND = 1;
constexpr int IMAGE_GRADIENT = 41;
constexpr int IMAGE_GRADIENT_HORIZONTAL = 42;
constexpr int IMAGE_GRID_SMALL = 43;
constexpr int IMAGE_LOCKED = 54;
constexpr int IMAGE_LOCKED_SMALL = 56;
constexpr int IMAGE_BULB_SMALL = 57;
constexpr int IMAGE_DONE_SMALL = 58;

// The small grid exists only in the largest base size's art.
constexpr int GRID_SMALL_SCREEN_HEIGHT = 1024;
// The fourth interface atlas holds what only the 600-wide layout draws.
constexpr int LARGE_LAYOUT_WIDTH = 600;

const char* const UI_ATLASES[] = {"atlas_ui.xml", "atlas_ui2.xml", "atlas_ui3.xml"};
const char* const UI_ATLAS_LARGE = "atlas_ui4.xml";
const char* const BLOCK_ATLASES[] = {"atlas_blocks.xml", "atlas_blocksNature.xml",
                                     "atlas_blocksSummer.xml", "atlas_blocksWood.xml",
                                     "atlas_blocksZombie.xml"};

void LoadAtlas(const char* name)
{
    if (Vorn::g_assetDict)
        Vorn::g_assetDict->LoadAtlas(Game::DevicePath(name));
}

void LoadImages(std::initializer_list<int> ids)
{
    for (int id : ids)
        Content::LoadImage(id);
}

} // namespace

Vorn::NarrowString Game::DevicePath(const char* name)
{
    return Vorn::NarrowString(Tessela::DEVICE_MOUNT) + name;
}

std::vector<const char*> Game::AtlasFiles(int screenWidth)
{
    std::vector<const char*> names(std::begin(UI_ATLASES), std::end(UI_ATLASES));
    if (screenWidth >= LARGE_LAYOUT_WIDTH)
        names.push_back(UI_ATLAS_LARGE);
    names.insert(names.end(), std::begin(BLOCK_ATLASES), std::end(BLOCK_ATLASES));
    return names;
}

void Game::LoadStep(int step)
{
    const int t = ThemeIndex();
    switch (step) {
    case 0:
        Content::LoadImage(IMAGE_SPLASH_SECOND);
        break;
    case 1:
        for (const char* atlas : UI_ATLASES)
            LoadAtlas(atlas);
        if (Consts::SCREEN_WIDTH >= LARGE_LAYOUT_WIDTH)
            LoadAtlas(UI_ATLAS_LARGE);
        Content::LoadImage(Consts::THEME_LOGOS[t]);
        break;
    case 2:
        Content::LoadImage(Consts::THEME_BACKGROUND[t]);
        break;
    case 3:
        LoadImages({Consts::THEME_PROGRESS_BARS[t], IMAGE_GRADIENT, IMAGE_GRADIENT_HORIZONTAL,
                    Consts::THEME_LINES_VERTICAL[t], Consts::THEME_LINES_HORIZONTAL[t],
                    Consts::THEME_LEVEL_EDGES_VERTICAL[t], Consts::THEME_LEVEL_EDGES_HORIZONTAL[t]});
        if (Consts::SCREEN_HEIGHT == GRID_SMALL_SCREEN_HEIGHT)
            Content::LoadImage(IMAGE_GRID_SMALL);
        break;
    case 4:
        LoadImages({Consts::THEME_FONT[t], Consts::THEME_FONT_SMALL[t]});
        break;
    case 5:
        for (const char* atlas : BLOCK_ATLASES)
            LoadAtlas(atlas);
        LoadImages({IMAGE_LOCKED, IMAGE_LOCKED_SMALL, IMAGE_BULB_SMALL, IMAGE_DONE_SMALL,
                    Consts::THEME_CORNERS[t]});
        break;
    case 6:
        Content::LoadImage(Consts::THEME_INGAME[t]);
        break;
    case 7:
        for (int type = 0; type < Block::TYPE_COUNT; ++type)
            Content::LoadImage(Consts::THEME_BLOCKS[t] + type);
        if (Consts::FORCE_SMALL_BLOCKS_NORMAL && Consts::THEME_BLOCKS[t] != Images::FIRST_BLOCK)
            for (int type = 0; type < Block::TYPE_COUNT; ++type)
                Content::LoadImage(Images::FIRST_BLOCK + type);
        break;
    case 8:
        LoadTexts();
        font = new GLFont(Consts::THEME_FONT[t]);
        smallFont = new GLFont(Consts::THEME_FONT_SMALL[t]);
        break;
    case 9:
        LoadLevelTables();
        break;
    default:
        break;
    }
}

void Game::LoadLevelTables()
{
    // One scratch board reads every level's outline; the outlines stay with the game.
    Vorn::SmartPtr<PlayfieldFit> scratch(new PlayfieldFit(
        Consts::OFFSET_X, static_cast<int>(Consts::CELL_SIZE * boardTopRows), 1, 0));
    for (int level = 0; level < LEVEL_COUNT; ++level) {
        levelOutlines[level] = scratch->LoadLevelOutline(level);
        levelSolutions[level] = PlayfieldFit::ReadSolutions(level);
    }
    InitLevelTitles();
    CopyLevelNames();
}
