// Exact cover of an outline by a tray of pieces (shapes as in Block), counting or listing every
// distinct tiling. Pieces of one type are interchangeable: two tilings differ when their sets of
// (type, position) differ.
//
// Every step of the search picks one empty cell and tries each piece that can cover it, so every
// tiling is reached by exactly one path and is counted once. The cell picked is the one with the
// fewest ways to be covered, which finds dead ends early.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace DataBuild {

struct Piece {
    int type;
    int x; // column of the bounding box's top-left cell on the board
    int y; // row of that cell
    bool operator==(const Piece& other) const
    {
        return type == other.type && x == other.x && y == other.y;
    }
};

using Tiling = std::vector<Piece>;
using TypeCounts = std::array<int, 28>;

// Shape data of the 28 types, independent of the screen size.
struct ShapeInfo {
    int width;
    int height;
    int mask;
    int cells;
};
const ShapeInfo& Shape(int type);

// Small deterministic generator (splitmix64): the same seed gives the same sequence everywhere.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint64_t Next();
    // Uniform in [0, bound), bound > 0.
    uint32_t Below(uint32_t bound);
    // Uniform in [0, 1).
    double Unit();

private:
    uint64_t m_state;
};

class TilingSolver {
public:
    static constexpr int MAX_WIDTH = 15; // one spare column keeps rows apart
    static constexpr int MAX_HEIGHT = 16;

    // cells: width * height, row by row, true = to cover. Sizes above the maxima are clamped away.
    TilingSolver(int width, int height, const std::vector<bool>& cells);

    struct Result {
        int count = 0;          // tilings found, at most the limit
        bool complete = true;   // false when the node budget ran out first
        uint64_t nodes = 0;     // search steps taken
        std::vector<Tiling> tilings; // when asked for, in search order
    };

    // Finds tilings with exactly the pieces in counts, stopping at limit tilings or after nodeBudget
    // steps (0 = no budget). A tray whose cell total differs from the outline has none.
    Result Solve(const TypeCounts& counts, int limit, uint64_t nodeBudget, bool keepTilings) const;

    // One random tiling of the outline with any pieces: the first empty cell is covered by a type
    // drawn with the given weights among those that fit (a weight of 0 excludes a type); backtracks
    // when stuck, up to nodeBudget steps. False when none was found.
    bool RandomTiling(Random& random, const std::array<double, 28>& weights, uint64_t nodeBudget,
                      Tiling& tiling) const;

    // The same for part of the outline only: region is width * height, row by row, true for the
    // cells to tile (cells outside the outline are ignored).
    bool RandomTiling(Random& random, const std::array<double, 28>& weights, uint64_t nodeBudget,
                      const std::vector<bool>& region, Tiling& tiling) const;

    int CellCount() const { return m_cellCount; }

private:
    struct Bits {
        uint64_t w[4] = {0, 0, 0, 0};
        bool Empty() const { return (w[0] | w[1] | w[2] | w[3]) == 0; }
        bool Within(const Bits& outer) const
        {
            return (w[0] & ~outer.w[0]) == 0 && (w[1] & ~outer.w[1]) == 0 &&
                   (w[2] & ~outer.w[2]) == 0 && (w[3] & ~outer.w[3]) == 0;
        }
        void Remove(const Bits& other)
        {
            for (int i = 0; i < 4; ++i)
                w[i] &= ~other.w[i];
        }
        int Lowest() const;
    };
    struct Anchor {
        bool valid = false;
        Bits mask;
        int x = 0, y = 0;
    };
    struct Cover {
        int type;
        Bits mask;
        int x, y;
    };
    // Remaining cells next to a cell that is not remaining: where the search meets its choices.
    static Bits Frontier(const Bits& remaining);

    struct SearchState;
    int Search(SearchState& state, const Bits& remaining) const;
    bool RandomSearch(Random& random, const std::array<double, 28>& weights, uint64_t budget,
                      uint64_t& nodes, const Bits& remaining, Tiling& tiling) const;

    const Anchor& AnchorAt(int cell, int type) const { return m_anchors[cell * 28 + type]; }

    int m_width;
    int m_height;
    int m_cellCount = 0;
    Bits m_outline;
    std::vector<Anchor> m_anchors; // [cell index (y * 16 + x)][type]
    // Placements covering each cell, by type: those of cell c and type t are
    // m_coverList[m_coverStart[c * 29 + t] .. m_coverStart[c * 29 + t + 1]).
    std::vector<Cover> m_coverList;
    std::vector<int> m_coverStart;
};

} // namespace DataBuild
