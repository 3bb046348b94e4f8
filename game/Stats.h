// What a player did: a profile's totals (record -1) and one record per game started.
//
// Each record is stored as "stats<number>" under the profile's prefix, a headerless sequence of
// 32-bit little-endian integers:
//   number, kind, pieces[28], play time (ms), start time (s since 1970)
//   totals only (number -1): game counter, counters[20], levels solved, solutions found,
//                            completions
//   puzzle games only (kind 0): level, found, new (one byte)
// so a totals file of kind 0 has 233 bytes and a game file of kind 0 has 137.
//
// Play time is counted in 64 bits, so that no lifetime of play makes it wrap: the file's play time
// word holds its low 32 bits, read unsigned, and the totals keep the high word in the last of
// their counters, which nothing else uses (0 in every file written before). A game record keeps
// the low word only, and stops at its largest value.
#pragma once

#include <cstdint>
#include <vector>

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"

class Stats : public Vorn::RefCounter {
public:
    static constexpr int TOTALS = -1;
    static constexpr int KIND_PUZZLE = 0;
    static constexpr int PIECE_TYPES = 28;
    static constexpr int COUNTER_COUNT = 20;
    static constexpr int COUNTER_GAMES_PLAYED = 0;
    // Where the totals file keeps the high word of the play time.
    static constexpr int COUNTER_PLAY_TIME_HIGH = 19;
    static constexpr int NOT_SOLVED = -1;
    static constexpr size_t MAX_FILE_BYTES = 233;

    // Every field 0 but the number and found (NOT_SOLVED).
    explicit Stats(int number);

    // "stats" + number under the current profile's prefix.
    static Vorn::NarrowString FileName(int number);

    // Writes the record whole; false (the old file kept) when it could not be written.
    bool Save() const;
    // The record stored under number; a missing file gives a new record, and so does an emptied
    // one where emptied files are what a deleted profile left (emptyIsNew). A file of the wrong
    // size or with counts no game makes is kept aside as damaged (and written back repaired):
    // fields beyond the end of a short file keep the values of a new record, negative counts
    // become 0.
    static Vorn::SmartPtr<Stats> Load(int number, bool emptyIsNew = true);

    // The file's bytes, and their reading: sections chosen by the number (totals) and the kind.
    std::vector<uint8_t> Serialize() const;
    void Deserialize(const uint8_t* data, size_t size);
    // Brings every count into the range a game can reach.
    void ClampCounts();

    int number;
    int kind;
    int pieces[PIECE_TYPES];
    int64_t playTime; // ms
    int startTime;
    int gameCounter;
    int counters[COUNTER_COUNT];
    int levelsSolved;
    int solutionsFound;
    int completions;
    int found; // NOT_SOLVED, 0 for an arrangement that matches no stored solution, s + 1 for solution s
    bool isNew; // the found solution had not been found before
    int level;
};
