// Small value types of the puzzle board: cell values, outline segments, the table of a level's
// stored solutions and the records of the board's event log.
#pragma once

#include <cstddef>
#include <vector>

// Values of the board grid after a level is loaded.
struct BoardCell {
    static constexpr int EMPTY = 0;     // to be covered
    static constexpr int COVERED = 1;   // covered by a placed piece
    static constexpr int HOLE = 100;    // not part of the puzzle, enclosed by it
    static constexpr int OUTSIDE = 101; // not part of the puzzle, reachable from the board's border
};

// One straight piece of a level's outline, in cells.
struct OutlineSegment {
    static constexpr int VERTICAL = 0;
    static constexpr int HORIZONTAL = 1;

    float x;
    float y;
    int direction;
    float length;
};

using Outline = std::vector<OutlineSegment>;

// A stored placement packed in one word: (type << 16) | (x + 12 * y), x and y the piece's top-left
// cell in screen cells.
struct SolutionPlacement {
    static constexpr int ROW_STRIDE = 12;

    static int Pack(int type, int x, int y) { return (type << 16) | (x + ROW_STRIDE * y); }
    // The high half as a signed 16-bit value.
    static int Type(int entry) { return static_cast<short>(static_cast<unsigned>(entry) >> 16); }
    static int X(int entry) { return (entry & 0xFFFF) % ROW_STRIDE; }
    static int Y(int entry) { return (entry & 0xFFFF) / ROW_STRIDE; }
};

// A level's stored solutions: words[0] = A (solutions), words[1] = B (pieces per solution), then
// the A * B packed placements, solution by solution. An absent level has the table {0, 0}.
struct SolutionTable {
    std::vector<int> words = std::vector<int>(2, 0);

    int Count() const { return words[0]; }
    int PiecesPerSolution() const { return words[1]; }
    // Placement k of solution s; 0 outside the table.
    int Entry(int solution, int k) const
    {
        if (solution < 0 || k < 0 || solution >= Count() || k >= PiecesPerSolution())
            return 0;
        return words[2 + static_cast<size_t>(solution) * PiecesPerSolution() + k];
    }
};

// One entry of the board's event log.
struct HistoryRecord {
    static constexpr int ROW_CLEARED = 2;
    static constexpr int TRAY_ADDED = 32;
    static constexpr int PLACED = 64;
    static constexpr int RECENT_TYPE = 128;
    static constexpr int STACK_FULL = 256;
    static constexpr int TICK = 512;

    int code;
    int value;
    int time; // the board's play time in ms when the record was logged
};
