// The image table at run time: image id -> file name below the device data directory, and the
// per-theme tables of Consts that map a theme to its images and colours, all copied from the plain
// table of ImageTable.
#pragma once

#include "ImageTable.h"
#include "base/NarrowString.h"

class Images {
public:
    static constexpr int COUNT = ImageTable::COUNT;

    // Block pictures: id = FIRST_BLOCK + BLOCK_TYPES * set + type.
    static constexpr int FIRST_BLOCK = ImageTable::FIRST_BLOCK;
    static constexpr int BLOCK_TYPES = ImageTable::BLOCK_TYPES;
    static constexpr int BLOCK_SETS = ImageTable::BLOCK_SETS;

    // Entry i is the file of image i, "" for ids without a picture; all empty before Init.
    static Vorn::NarrowString files[COUNT];

    // Fills files and the per-theme tables of Consts (THEMES_COUNT, THEME_*, COLORS). Runs once at
    // start-up; running it again writes the same values.
    static void Init();
};
