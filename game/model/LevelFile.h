// A level file: the tray, the board outline and the stored solutions of one level, as bytes.
//
// Layout (single unsigned bytes; N tray pieces, a W x H board, A solutions of B placements):
//   0                 not used
//   1                 flags: bit 0 shifts the board left by half a cell, bit 1 right (both: none)
//   2                 N
//   3                 N records: position (x high nibble, y low nibble, screen cells from the board
//                     top row), type
//   3 + 2N            size: W - 1 high nibble, H - 1 low nibble
//   4 + 2N            origin: x0 high nibble, y0 low nibble
//   5 + 2N            W * H cells, row by row: 0 a cell to cover, 1 not part of the puzzle
//   5 + 2N + W*H      A
//   6 + 2N + W*H      B
//   7 + 2N + W*H      A * B placements: type, x, y (top-left cell of the piece's bounding box in
//                     screen cells, x0 + column and y0 + row)
//
// Parse is the one validation every reader of level bytes goes through: it refuses anything that is
// not exactly such a file within the limits below, so readers can trust what it returns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct LevelTrayEntry {
    int x;
    int y;
    int type;
};

struct LevelPlacement {
    int type;
    int x;
    int y;
};

class LevelFile {
public:
    static constexpr int FLAG_SHIFT_LEFT = 1;
    static constexpr int FLAG_SHIFT_RIGHT = 2;
    // The board grid is 12 columns wide; stored placements are packed with a row stride of 12.
    static constexpr int MAX_WIDTH = 12;
    static constexpr int MAX_HEIGHT = 16;
    // Tray boxes are 2 x 2 cells and lie on the 12 x 16 play area.
    static constexpr int MAX_TRAY_X = 10;
    static constexpr int MAX_TRAY_Y = 14;
    // A level record holds one bit per stored solution above bit 0: more cannot be told apart.
    static constexpr int MAX_SOLUTIONS = 63;
    static constexpr int TYPE_COUNT = 28;
    static constexpr uint8_t CELL_TO_COVER = 0;
    static constexpr uint8_t CELL_OUTSIDE = 1;

    int flags = 0;
    std::vector<LevelTrayEntry> tray;
    int width = 0;
    int height = 0;
    int originX = 0;
    int originY = 0;
    std::vector<uint8_t> cells; // width * height, row by row
    int storedSolutions = 0;    // A as stored in the file
    int solutionCount = 0;      // A, capped at MAX_SOLUTIONS
    int piecesPerSolution = 0;  // B
    std::vector<LevelPlacement> placements; // solutionCount * B, solution by solution

    // Parses and validates the whole file; false (and this object cleared) when the bytes are not a
    // valid level: wrong length, a field out of range, a type above 27, a board beyond the grid, a
    // tray box off the play area, or a placement outside the board.
    bool Parse(const uint8_t* data, size_t size);

    // Cell value at column x, row y of the board (CELL_OUTSIDE outside it).
    uint8_t Cell(int x, int y) const;

    // Placement k of solution s (both in range).
    const LevelPlacement& Placement(int solution, int k) const;

    // Horizontal shift of the board in pixels for a cell size (halves truncated toward zero).
    int ShiftPixels(int cellSize) const;

    void Clear();
};
