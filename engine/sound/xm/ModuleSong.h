// A music module in the XM format, loaded whole: the order list, the patterns (kept packed, decoded
// while playing), the instruments with their volume envelopes, and the sample data decoded to
// signed 16-bit values.
#pragma once

#include <string>
#include <vector>

#include "system/Types.h"
#include "vfs/File.h"

namespace Vorn {
namespace ModulePlayer {

struct ModuleSample {
    u32 length = 0;     // in samples (16-bit samples are halved from the file's bytes)
    u32 loopStart = 0;
    u32 loopLength = 0; // 0: the sample plays once
    u8 volume = 0;      // 0 to 64
    s8 finetune = 0;
    u8 type = 0;        // bits 0-1 loop kind (every kind plays as a forward loop), bit 4 16-bit data
    u8 panning = 0;
    s8 relativeNote = 0;
    u32 step = 0;       // pitch factor, 20.12 fixed point
    std::vector<s16> data;

    bool Loops() const { return (type & 3) != 0 && loopLength != 0; }
};

struct EnvelopePoint {
    u16 x = 0;
    u16 y = 0;
};

struct ModuleInstrument {
    static constexpr u32 MAX_POINTS = 12;

    std::string name;
    u8 type = 0;
    u8 sampleMap[96] = {};
    EnvelopePoint volumePoints[MAX_POINTS];
    u8 volumePointCount = 0; // at most MAX_POINTS
    u8 volumeSustain = 0;
    u8 volumeLoopStart = 0;
    u8 volumeLoopEnd = 0;
    u8 volumeType = 0;       // bit 0 envelope on, bit 1 sustain
    u16 fadeout = 0;
    std::vector<ModuleSample> samples;
};

struct ModulePattern {
    u16 rows = 0;
    std::vector<u8> packed;
};

class CModuleSong {
public:
    static constexpr u32 HEADER_BYTES = 80;
    static constexpr u32 ORDER_COUNT = 256;
    static constexpr u32 MAX_CHANNELS = 64;
    static constexpr u32 MAX_PATTERNS = 256;
    static constexpr u32 MAX_ROWS = 256;
    static constexpr u32 MAX_INSTRUMENTS = 128;
    static constexpr u32 MAX_SAMPLES = 16;     // per instrument
    // What an order naming a pattern the file does not hold plays: empty rows.
    static constexpr u16 MISSING_PATTERN_ROWS = 64;

    // Frees what the song held and loads the file at path. False when it cannot be opened or is
    // refused (see Load of a file).
    bool Load(const char* path);
    // Loads from the start of an open file. False, with the song left empty, for a file that ends
    // early, a song length of 0 or above 256, channel, pattern, instrument or per-instrument sample
    // counts above the format's limits, a pattern of more than 256 rows, or sample data longer
    // than the file. Patterns of 0 rows are read as 1 empty row; more than 12 envelope points as
    // 12; sample loops are cut to the sample.
    bool Load(File& file);
    void Clear();

    // The pattern of an order; an order beyond the patterns gives an empty pattern of 64 rows.
    const ModulePattern& OrderPattern(u32 order) const;

    std::string name;
    std::string tracker;
    u16 songLength = 0;
    u16 restart = 0;
    u16 channels = 0;
    u16 flags = 0;
    u16 speed = 0;
    u16 bpm = 0;
    u8 orders[ORDER_COUNT] = {};
    std::vector<ModulePattern> patterns;
    std::vector<ModuleInstrument> instruments;

private:
    ModulePattern m_missing;
};

} // namespace ModulePlayer
} // namespace Vorn
