// Where the board and the tray go on the play screen.
//
// Positions are in screen cells: columns from the display area's left edge, rows from the board's
// top row. Rows 0..15 are visible at every base size (240x320 shows exactly these). Row 0 holds the
// level title and row 15 the bottom labels; the board keeps to rows 1..10, so that its outline
// stays above row 11.5, where the result panel begins and the level page writes its solution
// line (its strip of small outlines follows from row 12); tray boxes, 2 x 2 cells each, use rows
// 1..14, except the cells of row 14 under the pause and hint buttons (columns 0-1 and 10-11 at
// 240x320, where the bottom two rows are those buttons).
#pragma once

#include "LevelSource.h"

#include <vector>

namespace DataBuild {

struct TrayBox {
    int x;
    int y;
};

struct TrayLayout {
    int originX = 0;
    int originY = 0;
    LevelSource::Shift shift = LevelSource::SHIFT_NONE;
    std::vector<TrayBox> boxes; // in reading order
};

class PlayArea {
public:
    static constexpr int COLUMNS = 12;
    static constexpr int ROWS = 16;
    static constexpr int BOARD_FIRST_ROW = 1;
    static constexpr int BOARD_LAST_ROW = 10;
    static constexpr int TRAY_FIRST_ROW = 1;
    static constexpr int TRAY_LAST_ROW = 14;

    // Whether a tray box may use this screen cell at all.
    static bool TrayCellAllowed(int x, int y);

    // Marks the screen cells a board covers or encloses in a COLUMNS x ROWS bitmap: the cells to
    // cover (cells[y * width + x] true) and the holes, at the origin and half-cell shift given. A
    // shifted cell straddles two screen columns and marks both.
    static std::vector<bool> BoardCells(int width, int height, const std::vector<bool>& cells,
                                        int originX, int originY, LevelSource::Shift shift);
};

// The '.' cells of a width x height map that no path of '.' cells joins to the border.
std::vector<bool> EnclosedHoles(int width, int height, const std::vector<bool>& cells);

class LayoutPlanner {
public:
    explicit LayoutPlanner(const LevelSource& source);

    // The most tray boxes any board position leaves room for.
    int Capacity() const { return m_capacity; }

    // The best-looking layout with exactly boxCount boxes; false when there is no room.
    bool Plan(int boxCount, TrayLayout& layout) const;

private:
    struct Placement {
        int originX;
        int originY;
    };
    // Greedy choice of up to boxCount boxes in one preference order.
    std::vector<TrayBox> Fill(const std::vector<bool>& blocked, const std::vector<TrayBox>& order,
                              int boxCount) const;
    double Score(const Placement& placement, const std::vector<bool>& blocked,
                 const std::vector<TrayBox>& boxes) const;
    std::vector<std::vector<TrayBox>> Orders(const Placement& placement) const;

    const LevelSource& m_source;
    std::vector<Placement> m_placements;
    int m_capacity = 0;
};

} // namespace DataBuild
