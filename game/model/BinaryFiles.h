// The level file table: level number -> file name under the level directory, and the seven packs.
#pragma once

#include <string>

class BinaryFiles {
public:
    static constexpr int LEVEL_COUNT = 200;
    static constexpr int PACK_COUNT = 7;

    // Pack p holds the levels PACK_FIRST[p] .. PACK_FIRST[p] + PACK_SIZES[p] - 1, stored in the
    // folder PACK_FOLDERS[p]. Level numbers are kept in save files, so this order never changes.
    static const char* const PACK_FOLDERS[PACK_COUNT];
    static constexpr int PACK_FIRST[PACK_COUNT] = {0, 27, 53, 85, 110, 146, 166};
    static constexpr int PACK_SIZES[PACK_COUNT] = {27, 26, 32, 25, 36, 20, 34};

    // Entry i is "<pack folder>/<stem>.bin" for level i after Init, the empty string before.
    static std::string files[LEVEL_COUNT];

    static void Init();

    // The pack that holds a level, or -1 outside 0..199.
    static int PackOfLevel(int level);
};
