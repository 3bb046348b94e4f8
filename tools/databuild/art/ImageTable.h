// The game's image table as the art builder needs it: the file name of every image id, the block
// image sets, and the per-theme tables that say which images and colours each theme uses. The
// builder draws exactly the images some theme uses, under these names.
#pragma once

#include <string>
#include <vector>

namespace DataBuild {

namespace ImageTable {

constexpr int IMAGE_COUNT = 420;
constexpr int THEME_COUNT = 8;
constexpr int BLOCK_TYPES = 28;
constexpr int FIRST_BLOCK_IMAGE = 71;
constexpr int BLOCK_SET_COUNT = 12;
constexpr int NO_IMAGE = -1;

// Fixed ids the game loads whatever the theme.
constexpr int SPLASH_ENGINE = 0;
constexpr int SPLASH_GAME = 1;
constexpr int GUIDE_VERTICAL = 41;
constexpr int GUIDE_HORIZONTAL = 42;
constexpr int GRID = 43;
constexpr int LOCKED = 54;
constexpr int LOCKED_SMALL = 56;
constexpr int BULB_SMALL = 57;
constexpr int DONE_SMALL = 58;

// The prefix of the font image names.
extern const char* const FONTS_PATH;

// File name of every id, "" where the game has none; relative to the resolution archive's root.
const std::vector<std::string>& FileNames();

// The block set whose images start at image id first (71 + 28 x set), or -1.
int BlockSetOfFirstImage(int first);

struct Theme {
    const char* key; // the text key of the theme's name
    int background;
    int logo;
    int blocks; // first of the 28 block images
    int colourRow;
    int progressBar;
    int linesVertical;
    int linesHorizontal;
    int edgesVertical;
    int edgesHorizontal;
    int ingame; // frame tile sheet, or NO_IMAGE
    int font;
    int fontSmall;
    float blockAlpha;
    float packBlockAlpha;
};

const Theme& ThemeAt(int theme);

// Row r of the theme colours: word 0 the ink, words 1..6 the piece tints, word 7 the tint of a
// piece being drawn; 0xRRGGBB.
unsigned ColourWord(int row, int word);

// Every image id that some theme makes the game load, sorted and without repeats: the splash
// images, the fixed interface images, and each theme's background, logo, bars, lines, fonts,
// frame sheet and 28 block images.
std::vector<int> UsedImageIds();

} // namespace ImageTable

} // namespace DataBuild
