// From a level source to the bytes of its level file, and the checks every written file passes.
#pragma once

#include "LevelFile.h"
#include "LevelSource.h"
#include "TraySearch.h"

#include <cstdint>
#include <string>
#include <vector>

namespace DataBuild {

struct BuiltLevel {
    std::vector<uint8_t> bytes;
    TrayChoice choice;
};

// Chooses the tray, lays it out and encodes the file. The bytes are verified (VerifyLevel) before
// this returns true.
bool BuildLevel(const LevelSource& source, int difficulty, uint64_t seed,
                const TraySearch::Options& options, BuiltLevel& level, std::string& error);

// The level file of a source with a chosen tray. Solution 0 is the hint order: its pieces are listed
// most telling first (bent pieces, then the rest), since hints reveal them from the front.
std::vector<uint8_t> EncodeLevel(const LevelSource& source, const TrayChoice& choice);

// Everything a built level must satisfy beyond the game's own validation: the board and tray on the
// play area without overlaps, one tray piece per solution piece, every stored solution a distinct
// exact cover of the outline, 1 to 63 of them, and no tiling with the tray left unstored. Returns
// an empty string or the first problem found.
std::string VerifyLevel(const LevelFile& level);

// The outline of a level file as a source (cells, shift), for re-checking and previews.
LevelSource SourceOfLevel(const LevelFile& level);

} // namespace DataBuild
