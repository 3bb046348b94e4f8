#include "LevelTables.h"

#include "BinaryFiles.h"

namespace LevelTables {

namespace {

struct EarlierCount {
    const char* file;
    int solutions;
};

// Before the sixteen tallest outlines were redrawn a row shorter, these eight had more solutions.
const EarlierCount EARLIER_COUNTS[] = {
    {"letters/j.bin", 5},
    {"things/giraffe.bin", 4},
    {"things/robot.bin", 8},
    {"shapes/circle_processed_extreme.bin", 3},
    {"helloween/99_scythe.bin", 3},
    {"helloween/13_peace.bin", 2},
    {"zombie/0601_zombie_walk.bin", 3},
    {"zombie/0801_necromancer_staff.bin", 3},
};

} // namespace

void Fingerprint::Byte(uint32_t value)
{
    m_hash = (m_hash ^ (value & 0xFFu)) * 16777619u;
}

void Fingerprint::Add(const LevelFile* level)
{
    if (!level) {
        Byte(0);
        Byte(0);
        return;
    }
    Byte(static_cast<uint32_t>(level->storedSolutions));
    Byte(static_cast<uint32_t>(level->piecesPerSolution));
    for (const LevelPlacement& placement : level->placements) {
        Byte(static_cast<uint32_t>(placement.type));
        Byte(static_cast<uint32_t>(placement.x));
        Byte(static_cast<uint32_t>(placement.y));
    }
}

int EarlierSolutions(int level)
{
    if (level < 0 || level >= BinaryFiles::LEVEL_COUNT)
        return 0;
    if (BinaryFiles::files[level].empty())
        BinaryFiles::Init();
    for (const EarlierCount& earlier : EARLIER_COUNTS)
        if (BinaryFiles::files[level] == earlier.file)
            return earlier.solutions;
    return 0;
}

} // namespace LevelTables
