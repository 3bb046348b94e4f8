// Level files: the one validation every reader of level bytes goes through.
#include "LevelFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LevelFile level;
    if (!level.Parse(data, size))
        return 0;
    // What the readers then index without further checks must be in range.
    volatile int sum = level.ShiftPixels(40);
    for (int y = 0; y < level.height; ++y)
        for (int x = 0; x < level.width; ++x)
            sum += level.Cell(x, y);
    for (int s = 0; s < level.solutionCount; ++s)
        for (int k = 0; k < level.piecesPerSolution; ++k)
            sum += level.Placement(s, k).type + level.Placement(s, k).x * 12;
    for (const LevelTrayEntry& entry : level.tray)
        sum += entry.type;
    return 0;
}
