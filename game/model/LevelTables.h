// Which level tables a player's progress was written against.
//
// A level record (a profile's "fit") keeps one bit per stored solution of the level, so its bits
// mean something only beside the solution table they were found in. The tables this build ships
// have an identity, the fingerprint of every level's solution table, which the save area records
// beside its progress. Tables shipped before are remembered by the most solutions each level had in
// any of them, where that is more than it has now: progress written against an earlier table is
// then told from damage, since a solution number past today's table but within an earlier one is
// an older table's, and one past every known table is damage.
#pragma once

#include <cstdint>

#include "LevelFile.h"

namespace LevelTables {

// The identity of the tables this build ships: the Fingerprint of its 200 level files. A test
// compares it with the built files. When a level's solutions change, write the new fingerprint
// here and, for each level that now has fewer solutions than before, its earlier count in
// LevelTables.cpp: the save area then brings every profile's progress to the new tables once.
constexpr uint32_t SHIPPED = 0x5B7E29B3u;

// FNV-1a over the solution tables of the levels 0..199 given in order (count, pieces per
// solution and every placement); an absent level adds what a level without solutions adds.
class Fingerprint {
public:
    void Add(const LevelFile* level);
    uint32_t Value() const { return m_hash; }

private:
    void Byte(uint32_t value);

    uint32_t m_hash = 2166136261u;
};

// The most solutions the level had in any table shipped before this build's, when that is more
// than it has now; otherwise 0.
int EarlierSolutions(int level);

} // namespace LevelTables
