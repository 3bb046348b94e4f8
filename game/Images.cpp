#include "Images.h"

#include "Consts.h"
#include "ImageTable.h"

Vorn::NarrowString Images::files[COUNT];

static_assert(Images::COUNT == ImageTable::COUNT, "one id space");
static_assert(Consts::MAX_THEMES == ImageTable::THEMES, "one theme row per theme");
static_assert(Consts::COLORS_PER_ROW == ImageTable::COLORS_PER_ROW, "one colour row layout");

void Images::Init()
{
    Consts::THEMES_COUNT = Consts::MAX_THEMES;
    for (int t = 0; t < Consts::THEMES_COUNT; ++t) {
        const ImageTable::Theme& row = ImageTable::THEME_ROWS[t];
        Consts::THEME_BACKGROUND[t] = row.background;
        Consts::THEME_LOGOS[t] = row.logo;
        Consts::THEME_BLOCKS[t] = row.blocks;
        Consts::THEME_COLORS[t] = t;
        Consts::THEME_PROGRESS_BARS[t] = row.progressBar;
        Consts::THEME_LINES_VERTICAL[t] = row.linesVertical;
        Consts::THEME_LINES_HORIZONTAL[t] = row.linesHorizontal;
        Consts::THEME_LEVEL_EDGES_VERTICAL[t] = row.edgesVertical;
        Consts::THEME_LEVEL_EDGES_HORIZONTAL[t] = row.edgesHorizontal;
        Consts::THEME_INGAME[t] = row.ingame;
        Consts::THEME_FONT[t] = row.font;
        Consts::THEME_FONT_SMALL[t] = row.fontSmall;
        Consts::THEME_CORNERS[t] = -1;
        Consts::THEME_KEY_CANCEL[t] = ImageTable::KEY_CANCEL;
        Consts::THEME_KEY_ENTER[t] = ImageTable::KEY_ENTER;
        Consts::THEME_KEY_DELETE[t] = ImageTable::KEY_DELETE;
        Consts::THEME_KEY_SHIFT[t] = ImageTable::KEY_SHIFT;
        Consts::THEME_KEY_SPACE[t] = ImageTable::KEY_SPACE;
        Consts::THEME_BLOCK_ALPHA[t] = row.blockAlpha;
        Consts::THEME_PACK_SELECTION_BLOCKS_ALPHA[t] = row.packSelectionAlpha;
        for (int w = 0; w < Consts::COLORS_PER_ROW; ++w)
            Consts::COLORS[t * Consts::COLORS_PER_ROW + w] = ImageTable::COLOR_ROWS[t][w];
    }
    for (int id = 0; id < COUNT; ++id)
        files[id] = ImageTable::FileName(id);
}
