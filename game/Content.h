// The game's level bytes and image cache.
//
// Every level file is read whole and validated once, when it is loaded; a level whose file is
// missing or not a valid level is absent, and every reader treats an absent level as one without
// tray, board or solutions. Loaded images are kept by id until they are unloaded or the cache is
// cleared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

#include "LevelFile.h"
#include "base/NarrowString.h"
#include "base/SmartPtr.h"

class Image;

class Content {
public:
    static constexpr int LEVEL_COUNT = 200;
    // The longest valid level: a full tray, the largest board and 255 solutions of 255 pieces.
    static constexpr size_t MAX_LEVEL_BYTES = 3 + 2 * 255 + 2 + LevelFile::MAX_WIDTH * LevelFile::MAX_HEIGHT + 2 + 3 * 255 * 255;

    // Both store dir + "/".
    static void SetImagePath(const Vorn::NarrowString& dir);
    static void SetLevelPath(const Vorn::NarrowString& dir);
    static const Vorn::NarrowString& GetLevelPath() { return s_levelPath; }

    // Reads the level's file (level directory + BinaryFiles::files[level]) and keeps it when it is
    // a valid level. A file that cannot be opened leaves the level as it was; one that is too long
    // or invalid makes the level absent, and is told it is damaged (its archive says so once).
    // True when the level is present afterwards.
    static bool LoadBinary(int level);
    // Validates bytes as the level's file: kept when valid, else the level becomes absent.
    static bool SetBinary(int level, const uint8_t* data, size_t size);
    // The parsed level, or null when the level is absent or the number outside 0..199.
    static const LevelFile* GetLevel(int level);
    static void ForgetLevels();

    // Caches image id (loaded from the image directory + Images::files[id]); -1, ids outside the
    // image table and ids already cached are ignored.
    static void LoadImage(int id);
    static void UnloadImage(int id);

    static std::map<int, Vorn::SmartPtr<Image>> s_images;

private:
    static Vorn::NarrowString s_imagePath;
    static Vorn::NarrowString s_levelPath;
    static std::unique_ptr<LevelFile> s_levels[LEVEL_COUNT];
};
