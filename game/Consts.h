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

    // Sets every value above from the base size. efigsLanguages is the language flag of the text
    // layer at the time of the call: when true, statistics are laid out on double lines (a false flag
    // leaves an earlier true in place).
    static void Init(int width, int height, bool efigsLanguages);
};
