// The text keys of the level titles, as plain tables: the named keys of the first four packs, the
// numbered series, and which slots of the series table become which levels' titles. The game reads
// the titles through them; the data builder checks the text tables against them. No engine types
// here: the model library links no engine code.
#pragma once

#include <string>

#include "BinaryFiles.h"

class TitleKeys {
public:
    // Slots 0..NAMED_COUNT - 1 of the series table: one fixed key per level of the first four packs.
    static constexpr int NAMED_COUNT = 110;
    static const char* const NAMED[NAMED_COUNT];

    // Numbered series: member k (1-based) lands in slot firstSlot + k - 1.
    struct Series {
        const char* name;
        int count;
        int firstSlot;
    };
    static constexpr int SERIES_COUNT = 12;
    static const Series SERIES[SERIES_COUNT];
    // One past the last slot any family fills.
    static constexpr int SLOT_COUNT = 449;

    // Which slots become the titles of which levels, pack by pack.
    struct Block {
        int firstLevel;
        int firstSlot;
        int count;
    };
    static const Block PACK_BLOCKS[BinaryFiles::PACK_COUNT];
    static const char* const PACK_NAME_KEYS[BinaryFiles::PACK_COUNT];

    // NAME_0k for members below 10, NAME_k from 10 on.
    static std::string SeriesKey(const char* series, int member);
    // The key of a slot of the series table; "" for a slot no family fills.
    static std::string SlotKey(int slot);
};
