// Screen-dependent layout values, computed once from the base size the application chose.
//
// All game geometry is expressed in cells of CELL_SIZE pixels on a logical screen of the base size
// (240x320, 320x480, 480x800 or 600x1024). The values are written only by Init and read everywhere
// afterwards as plain globals.
#pragma once

class Consts {
public:
    static int SCREEN_WIDTH;
    static int SCREEN_HEIGHT;
    static int CELL_SIZE;
    static int OFFSET_X;
    static int OFFSET_Y;
    static int DISPLAY_AREA_X;
    static int DISPLAY_AREA_Y;
    static int DISPLAY_AREA_WIDTH;
    static int DISPLAY_AREA_HEIGHT;
    static int PLAYFIELD_WIDTH;
    static int PLAYFIELD_HEIGHT;
    static float BLOCK_SCALE;
    static bool PROGRESS_IN_ONE_LINE;
    static int MAIN_MENU_Y;
    static float BUTTON_MAX_CHANGE;
    static float PACK_HEIGHT;
    static float MAGIC_OFFSET_HORIZONTAL_LINE;
    static bool HOVER_BLOCK_ABOVE_FINGER;
    static bool ALLOW_BLOCK_DRAWING;
    static bool ALWAYS_SHOW_LOGO;
    static bool STATS_DOUBLE_LINES;
    static bool FORCE_SMALL_BLOCKS_NORMAL;

    // Per-theme tables, indexed by Game::theme (0 .. THEMES_COUNT - 1), filled by Images::Init.
    // Image ids index Images::files; -1 is "this theme has none".
    static constexpr int MAX_THEMES = 8;
    static int THEMES_COUNT;
    static int THEME_BACKGROUND[MAX_THEMES];
    static int THEME_LOGOS[MAX_THEMES];
    static int THEME_BLOCKS[MAX_THEMES]; // image id of block type 0 of the theme's block set
    static int THEME_COLORS[MAX_THEMES]; // row of COLORS
    static int THEME_PROGRESS_BARS[MAX_THEMES];
    static int THEME_LINES_VERTICAL[MAX_THEMES];
    static int THEME_LINES_HORIZONTAL[MAX_THEMES];
    static int THEME_LEVEL_EDGES_VERTICAL[MAX_THEMES];
    static int THEME_LEVEL_EDGES_HORIZONTAL[MAX_THEMES];
    static int THEME_INGAME[MAX_THEMES];
    static int THEME_FONT[MAX_THEMES];
    static int THEME_FONT_SMALL[MAX_THEMES];
    static int THEME_CORNERS[MAX_THEMES];
    static int THEME_KEY_CANCEL[MAX_THEMES];
    static int THEME_KEY_ENTER[MAX_THEMES];
    static int THEME_KEY_DELETE[MAX_THEMES];
    static int THEME_KEY_SHIFT[MAX_THEMES];
    static int THEME_KEY_SPACE[MAX_THEMES];
    // Alpha of tray pieces taken out and of a dragged piece that does not fit.
    static float THEME_BLOCK_ALPHA[MAX_THEMES];
    static float THEME_PACK_SELECTION_BLOCKS_ALPHA[MAX_THEMES];
    // COLORS_PER_ROW words 0xRRGGBB per colour row: word 0 the ink, words 1..6 the piece colours,
    // word 7 the tint of a shape being drawn.
    static constexpr int COLORS_PER_ROW = 8;
    static unsigned COLORS[COLORS_PER_ROW * MAX_THEMES];

    // Sets every value above from the base size. efigsLanguages is the language flag of the text
    // layer at the time of the call: when true, statistics are laid out on double lines (a false flag
    // leaves an earlier true in place).
    static void Init(int width, int height, bool efigsLanguages);
};
