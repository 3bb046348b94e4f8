// The image table: image id -> file name below the device data directory, and the per-theme
// tables of Consts that map a theme to its images and colours.
#pragma once

#include "base/NarrowString.h"

class Images {
public:
    static constexpr int COUNT = 420;

    // Block pictures: id = FIRST_BLOCK + BLOCK_TYPES * set + type.
    static constexpr int FIRST_BLOCK = 71;
    static constexpr int BLOCK_TYPES = 28;
    static constexpr int BLOCK_SETS = 12;

    // Entry i is the file of image i, "" for ids without a picture; all empty before Init.
    static Vorn::NarrowString files[COUNT];

    // Fills files and the per-theme tables of Consts (THEMES_COUNT, THEME_*, COLORS). Runs once at
    // start-up; running it again writes the same values.
    static void Init();
};
