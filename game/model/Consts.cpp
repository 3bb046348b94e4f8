#include "Consts.h"

int Consts::SCREEN_WIDTH = 0;
int Consts::SCREEN_HEIGHT = 0;
int Consts::CELL_SIZE = 0;
int Consts::OFFSET_X = 0;
int Consts::OFFSET_Y = 0;
int Consts::DISPLAY_AREA_X = 0;
int Consts::DISPLAY_AREA_Y = 0;
int Consts::DISPLAY_AREA_WIDTH = 0;
int Consts::DISPLAY_AREA_HEIGHT = 0;
int Consts::PLAYFIELD_WIDTH = 12;
int Consts::PLAYFIELD_HEIGHT = 18;
float Consts::BLOCK_SCALE = 0.45f;
bool Consts::PROGRESS_IN_ONE_LINE = false;
int Consts::MAIN_MENU_Y = 250;
float Consts::BUTTON_MAX_CHANGE = 0.2f;
float Consts::PACK_HEIGHT = 3.0f;
float Consts::MAGIC_OFFSET_HORIZONTAL_LINE = 0.09f;
bool Consts::HOVER_BLOCK_ABOVE_FINGER = false;
bool Consts::ALLOW_BLOCK_DRAWING = true;
bool Consts::ALWAYS_SHOW_LOGO = true;
bool Consts::STATS_DOUBLE_LINES = false;
bool Consts::FORCE_SMALL_BLOCKS_NORMAL = false;

int Consts::THEMES_COUNT = 0;
int Consts::THEME_BACKGROUND[MAX_THEMES];
int Consts::THEME_LOGOS[MAX_THEMES];
int Consts::THEME_BLOCKS[MAX_THEMES];
int Consts::THEME_COLORS[MAX_THEMES];
int Consts::THEME_PROGRESS_BARS[MAX_THEMES];
int Consts::THEME_LINES_VERTICAL[MAX_THEMES];
int Consts::THEME_LINES_HORIZONTAL[MAX_THEMES];
int Consts::THEME_LEVEL_EDGES_VERTICAL[MAX_THEMES];
int Consts::THEME_LEVEL_EDGES_HORIZONTAL[MAX_THEMES];
int Consts::THEME_INGAME[MAX_THEMES];
int Consts::THEME_FONT[MAX_THEMES];
int Consts::THEME_FONT_SMALL[MAX_THEMES];
int Consts::THEME_CORNERS[MAX_THEMES];
int Consts::THEME_KEY_CANCEL[MAX_THEMES];
int Consts::THEME_KEY_ENTER[MAX_THEMES];
int Consts::THEME_KEY_DELETE[MAX_THEMES];
int Consts::THEME_KEY_SHIFT[MAX_THEMES];
int Consts::THEME_KEY_SPACE[MAX_THEMES];
float Consts::THEME_BLOCK_ALPHA[MAX_THEMES];
float Consts::THEME_PACK_SELECTION_BLOCKS_ALPHA[MAX_THEMES];
unsigned Consts::COLORS[COLORS_PER_ROW * MAX_THEMES];

void Consts::Init(int width, int height, bool efigsLanguages)
{
    SCREEN_WIDTH = width;
    SCREEN_HEIGHT = height;
    CELL_SIZE = width / 12;
    if (CELL_SIZE < 1)
        CELL_SIZE = 1; // keeps the divisions below and every later one in cells defined
    OFFSET_X = (width % CELL_SIZE) / 2;
    // The largest size is laid out as if it were 1000 pixels high: its 24 spare rows are not split
    // into margins.
    int marginHeight = (width == 600 && height == 1024) ? 1000 : height;
    OFFSET_Y = (marginHeight % CELL_SIZE) / 2;
    DISPLAY_AREA_X = 0;
    DISPLAY_AREA_Y = 0;
    DISPLAY_AREA_WIDTH = width - 2 * OFFSET_X;
    DISPLAY_AREA_HEIGHT = height - 2 * OFFSET_Y;
    PLAYFIELD_WIDTH = 12;
    PLAYFIELD_HEIGHT = 18;

    BLOCK_SCALE = 0.45f;
    if (width == 240 && height == 320)
        BLOCK_SCALE = 0.48f;
    else if (width == 600 && height == 1024)
        BLOCK_SCALE = 0.5f;

    PROGRESS_IN_ONE_LINE = height / CELL_SIZE < 17;
    if (height == 320 || height == 400)
        MAIN_MENU_Y = 120;
    else if (height == 480)
        MAIN_MENU_Y = 147;
    else
        MAIN_MENU_Y = 250;

    BUTTON_MAX_CHANGE = 0.2f;
    PACK_HEIGHT = 3.0f;
    MAGIC_OFFSET_HORIZONTAL_LINE = 0.09f;
    HOVER_BLOCK_ABOVE_FINGER = false;
    ALLOW_BLOCK_DRAWING = true;
    ALWAYS_SHOW_LOGO = true;
    if (efigsLanguages)
        STATS_DOUBLE_LINES = true;
}
