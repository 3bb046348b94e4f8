#include "LevelFile.h"

namespace {

int HighNibble(uint8_t byte)
{
    return byte >> 4;
}

int LowNibble(uint8_t byte)
{
    return byte & 0x0F;
}

} // namespace

void LevelFile::Clear()
{
    flags = 0;
    tray.clear();
    width = height = originX = originY = 0;
    cells.clear();
    storedSolutions = solutionCount = piecesPerSolution = 0;
    placements.clear();
}

bool LevelFile::Parse(const uint8_t* data, size_t size)
{
    Clear();
    if (!data || size < 3)
        return false;

    const size_t trayCount = data[2];
    size_t offset = 3;
    if (size - offset < 2 * trayCount + 2)
        return false;
    std::vector<LevelTrayEntry> trayEntries;
    trayEntries.reserve(trayCount);
    for (size_t i = 0; i < trayCount; ++i, offset += 2) {
        LevelTrayEntry entry{HighNibble(data[offset]), LowNibble(data[offset]), data[offset + 1]};
        if (entry.type >= TYPE_COUNT || entry.x > MAX_TRAY_X || entry.y > MAX_TRAY_Y)
            return false;
        trayEntries.push_back(entry);
    }

    const int boardWidth = HighNibble(data[offset]) + 1;
    const int boardHeight = LowNibble(data[offset]) + 1;
    const int boardX = HighNibble(data[offset + 1]);
    const int boardY = LowNibble(data[offset + 1]);
    offset += 2;
    if (boardWidth > MAX_WIDTH || boardHeight > MAX_HEIGHT || boardX + boardWidth > MAX_WIDTH ||
        boardY + boardHeight > MAX_HEIGHT)
        return false;

    const size_t cellCount = static_cast<size_t>(boardWidth) * boardHeight;
    if (size - offset < cellCount + 2)
        return false;
    std::vector<uint8_t> cellMap(data + offset, data + offset + cellCount);
    for (uint8_t cell : cellMap)
        if (cell != CELL_TO_COVER && cell != CELL_OUTSIDE)
            return false;
    offset += cellCount;

    const int stored = data[offset];
    const int perSolution = data[offset + 1];
    offset += 2;
    // The length is checked against the stored count, not the capped one: a file is whole or refused.
    const size_t placementBytes = 3u * static_cast<size_t>(stored) * perSolution;
    if (size - offset != placementBytes)
        return false;

    const int kept = stored < MAX_SOLUTIONS ? stored : MAX_SOLUTIONS;
    std::vector<LevelPlacement> placementList;
    placementList.reserve(static_cast<size_t>(kept) * perSolution);
    for (int i = 0; i < stored * perSolution; ++i, offset += 3) {
        LevelPlacement placement{data[offset], data[offset + 1], data[offset + 2]};
        if (placement.type >= TYPE_COUNT || placement.x >= MAX_WIDTH)
            return false;
        if (placement.x < boardX || placement.x >= boardX + boardWidth || placement.y < boardY ||
            placement.y >= boardY + boardHeight)
            return false;
        if (i < kept * perSolution)
            placementList.push_back(placement);
    }

    flags = data[1];
    tray = std::move(trayEntries);
    width = boardWidth;
    height = boardHeight;
    originX = boardX;
    originY = boardY;
    cells = std::move(cellMap);
    storedSolutions = stored;
    solutionCount = kept;
    piecesPerSolution = perSolution;
    placements = std::move(placementList);
    return true;
}

uint8_t LevelFile::Cell(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return CELL_OUTSIDE;
    return cells[static_cast<size_t>(y) * width + x];
}

const LevelPlacement& LevelFile::Placement(int solution, int k) const
{
    return placements[static_cast<size_t>(solution) * piecesPerSolution + k];
}

int LevelFile::ShiftPixels(int cellSize) const
{
    int shift = 0;
    if (flags & FLAG_SHIFT_LEFT)
        shift -= cellSize / 2;
    if (flags & FLAG_SHIFT_RIGHT)
        shift += cellSize / 2;
    return shift;
}
