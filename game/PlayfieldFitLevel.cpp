// The level readers of the fit board: the level played, the outline preview and the stored
// solutions, all from the level bytes that Content validated when it loaded them.
#include <algorithm>

#include "Consts.h"
#include "Content.h"
#include "Game.h"
#include "PlayfieldFit.h"

namespace {

float BoardTopRows()
{
    return Game::instance ? Game::instance->boardTopRows : 0.0f;
}

} // namespace

int PlayfieldFit::GetSolutionCount(int levelNumber)
{
    const LevelFile* file = Content::GetLevel(levelNumber);
    return file ? file->solutionCount : 0;
}

SolutionTable PlayfieldFit::ReadSolutions(int levelNumber)
{
    SolutionTable table;
    const LevelFile* file = Content::GetLevel(levelNumber);
    if (!file)
        return table;
    table.words.reserve(2 + file->placements.size());
    table.words[0] = file->solutionCount;
    table.words[1] = file->piecesPerSolution;
    for (const LevelPlacement& placement : file->placements)
        table.words.push_back(SolutionPlacement::Pack(placement.type, placement.x, placement.y));
    return table;
}

bool PlayfieldFit::LoadLevel(int levelNumber)
{
    level = levelNumber;
    ResetPlayState();
    ClearGrid();
    ClearPieces();
    m_owedIds.clear();
    outline.clear();
    solutions = SolutionTable();
    halfCellShift = 0;

    const LevelFile* file = Content::GetLevel(levelNumber);
    loaded = file != nullptr;
    if (!loaded) {
        width = height = boardW = boardH = 0;
        trayPieceCount = 0;
        return false;
    }

    const int cell = Consts::CELL_SIZE;
    const float topRows = BoardTopRows();
    trayPieceCount = static_cast<int>(file->tray.size());
    for (const LevelTrayEntry& entry : file->tray)
        AddTrayBlock(Vorn::SmartPtr<Block>(new Block(entry.type, static_cast<float>(entry.x),
                                                     static_cast<float>(entry.y), 0.0f)));

    halfCellShift = file->ShiftPixels(cell);
    width = boardW = file->width;
    height = boardH = file->height;
    boardX0 = static_cast<float>(file->originX);
    boardY0 = static_cast<float>(file->originY);
    originX = static_cast<int>(Consts::DISPLAY_AREA_X + boardX0 * cell + halfCellShift);
    originY = static_cast<int>((boardY0 + topRows) * cell);

    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            grid[x][y] = file->Cell(x, y) * BoardCell::HOLE;

    // Cells outside the puzzle that the border reaches through other such cells are outside; the
    // rest are holes the puzzle encloses.
    for (bool changed = true; changed;) {
        changed = false;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (grid[x][y] != BoardCell::HOLE)
                    continue;
                const bool border = x == 0 || y == 0 || x == width - 1 || y == height - 1;
                const bool nextToOutside =
                    (y > 0 && grid[x][y - 1] == BoardCell::OUTSIDE) ||
                    (x > 0 && grid[x - 1][y] == BoardCell::OUTSIDE) ||
                    (y < height - 1 && grid[x][y + 1] == BoardCell::OUTSIDE) ||
                    (x < width - 1 && grid[x + 1][y] == BoardCell::OUTSIDE);
                if (border || nextToOutside) {
                    grid[x][y] = BoardCell::OUTSIDE;
                    changed = true;
                }
            }
        }
    }

    solutions = ReadSolutions(levelNumber);
    BuildOutline(boardY0 + topRows);
    return true;
}

Outline PlayfieldFit::LoadLevelOutline(int levelNumber)
{
    ClearGrid();
    outline.clear();
    halfCellShift = 0;
    const LevelFile* file = Content::GetLevel(levelNumber);
    if (!file) {
        width = height = boardW = boardH = 0;
        return outline;
    }
    const int cell = Consts::CELL_SIZE;
    width = boardW = file->width;
    height = boardH = file->height;
    boardX0 = static_cast<float>(file->originX);
    boardY0 = static_cast<float>(file->originY);
    originX = file->originX * cell;
    originY = file->originY * cell;
    halfCellShift = file->ShiftPixels(cell);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            grid[x][y] = file->Cell(x, y);
    BuildOutline(boardY0);
    return outline;
}

void PlayfieldFit::BuildOutline(float originRow)
{
    outline.clear();
    const int cell = Playfield::CellSize();
    const float shiftCells = static_cast<float>(halfCellShift) / static_cast<float>(cell);
    const float left = boardX0 + shiftCells;

    // An edge at a boundary line separates a cell to cover from any other cell or from the
    // border. vertical: boundary is a column line and along a row; else a row line and a column.
    auto edge = [this](int boundary, int along, bool vertical) {
        const int limit = vertical ? width : height;
        auto at = [&](int index) { return vertical ? grid[index][along] : grid[along][index]; };
        if (boundary == 0)
            return at(0) == BoardCell::EMPTY;
        if (boundary == limit)
            return at(limit - 1) == BoardCell::EMPTY;
        return at(boundary - 1) != at(boundary);
    };

    for (int b = 0; b <= width; ++b) {
        for (int r = 0; r < height;) {
            if (!edge(b, r, true)) {
                ++r;
                continue;
            }
            const int first = r;
            while (r < height && edge(b, r, true))
                ++r;
            outline.push_back(OutlineSegment{b + left, first + originRow, OutlineSegment::VERTICAL,
                                             static_cast<float>(r - first)});
        }
    }
    for (int b = 0; b <= height; ++b) {
        for (int c = 0; c < width;) {
            if (!edge(b, c, false)) {
                ++c;
                continue;
            }
            const int first = c;
            while (c < width && edge(b, c, false))
                ++c;
            outline.push_back(OutlineSegment{first + left, b + originRow,
                                             OutlineSegment::HORIZONTAL,
                                             static_cast<float>(c - first)});
        }
    }
    // The list is kept newest first.
    std::reverse(outline.begin(), outline.end());
}
