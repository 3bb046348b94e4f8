// The image table as plain data: the file name of every image id and the per-theme rows that say
// which images and colours a theme uses. Images::Init copies it into Images::files and the theme
// tables of Consts; the data builder draws from it, so the archives hold exactly what the game
// loads. No engine types here: the model library links no engine code.
#pragma once

#include <string>
#include <vector>

class ImageTable {
public:
    static constexpr int COUNT = 420;
    static constexpr int NO_IMAGE = -1;
    static constexpr int THEMES = 8;
    static constexpr int COLORS_PER_ROW = 8;

    // Block pictures: id = FIRST_BLOCK + BLOCK_TYPES * set + type.
    static constexpr int FIRST_BLOCK = 71;
    static constexpr int BLOCK_TYPES = 28;
    static constexpr int BLOCK_SETS = 12;

    // Fixed ids the game loads whatever the theme.
    static constexpr int SPLASH_ENGINE = 0;
    static constexpr int SPLASH_GAME = 1;
    static constexpr int LINE_VERTICAL = 35;
    static constexpr int LINE_HORIZONTAL = 38;
    static constexpr int GUIDE_VERTICAL = 41;
    static constexpr int GUIDE_HORIZONTAL = 42;
    static constexpr int GRID = 43;
    static constexpr int FIRST_FONT = 46;
    static constexpr int FONT_COUNT = 8;
    static constexpr int LOCKED = 54;
    static constexpr int LOCKED_SMALL = 56;
    static constexpr int BULB_SMALL = 57;
    static constexpr int DONE_SMALL = 58;
    // Keyboard key pictures: ids without files in this game.
    static constexpr int KEY_CANCEL = 59;
    static constexpr int KEY_ENTER = 60;
    static constexpr int KEY_DELETE = 61;
    static constexpr int KEY_SHIFT = 62;
    static constexpr int KEY_SPACE = 63;

    // The folder of the font images, part of their file names.
    static const char* const FONTS_PATH;

    struct Theme {
        int background, logo, blocks, progressBar;
        int linesVertical, linesHorizontal, edgesVertical, edgesHorizontal;
        int ingame; // frame tile sheet, or NO_IMAGE
        int font, fontSmall;
        // Alpha of tray pieces taken out and of a dragged piece that does not fit.
        float blockAlpha, packSelectionAlpha;
    };
    // Theme t uses colour row t.
    static const Theme THEME_ROWS[THEMES];
    // Word 0 the ink, words 1..6 the piece colours, word 7 the tint of a shape being drawn;
    // 0xRRGGBB.
    static const unsigned COLOR_ROWS[THEMES][COLORS_PER_ROW];

    // The file of image id below the device data folder; "" for ids without a picture and ids
    // outside the table.
    static std::string FileName(int id);
    // The block set whose type-0 picture is id, or -1.
    static int BlockSetOf(int first);
    // Every id the given themes make the game load, sorted and without repeats: the splash
    // images, the fixed interface images, and each theme's background, logo, bars, lines, fonts,
    // frame sheet and 28 block images. Themes outside the table are left out.
    static std::vector<int> UsedIds(const std::vector<int>& themes);
    // The same for all themes: every image the archives must hold.
    static std::vector<int> UsedIds();
};
