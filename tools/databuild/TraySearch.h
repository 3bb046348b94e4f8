// Choosing a level's tray: the pieces the player gets, such that the outline has between 1 and 63
// tilings with exactly those pieces (every one of them is stored, so none the player finds is
// missed), the tray fits on the screen beside the board, and the mix of pieces suits the level's
// difficulty.
//
// Candidates come from random tilings of the outline drawn with changing preferences, from rigid
// pieces (squares and bars, which tile in few ways) to irregular ones; each distinct tray is counted
// with a capped, budgeted search, and the best-scoring one that passes wins. Everything is seeded
// from the level's name, so the choice is the same on every run.
#pragma once

#include "LevelSource.h"
#include "Tiling.h"
#include "TrayLayout.h"

#include <cstdint>
#include <string>

namespace DataBuild {

struct TrayChoice {
    TypeCounts counts{};
    int pieceCount = 0;
    std::vector<Tiling> tilings; // every tiling with these pieces, in search order
    TrayLayout layout;
    int difficulty = 0;
    int candidatesTried = 0;
};

class TraySearch {
public:
    static constexpr int MAX_SOLUTIONS = 63;

    struct Options {
        int candidates = 120;          // random tilings drawn
        int mutations = 250;           // patches of the best tray re-tiled
        uint64_t countBudget = 150000; // search steps allowed for counting one tray
        // Search steps for the whole level, after which the best tray so far is taken. Counted in
        // steps, not seconds, so that the choice does not depend on the machine.
        uint64_t totalBudget = 4000000;
    };

    // Difficulty 1..10; seed from the level's name.
    static bool Choose(const LevelSource& source, int difficulty, uint64_t seed,
                       const Options& options, TrayChoice& choice, std::string& error);

    // How well a tray with these pieces and this many tilings suits a difficulty; higher is better.
    static double Score(const TypeCounts& counts, int tilingCount, int difficulty);
};

// FNV-1a of a text, the seed of a level's searches.
uint64_t SeedFromName(const std::string& name);

// The difficulty a level gets from its place when its source names none: rising through each pack
// and from pack to pack. level is 0..199; other values give the middle difficulty.
int DefaultDifficulty(int level);

} // namespace DataBuild
